// The deployment commands of the main window: Generate, Upload, Import,
// Export and Remove. Each runs through the user port (Port()) on the open
// project (Table(), Store(), Changed()); a failed check opens the settings
// with Port().OpenSettings(page). A command with a second stage calls
// PostStage2(script) at the end of its first stage; runStage2 then receives
// the script's name once the event loop delivers the queued event.
#include "Main.h"

#include <QAction>

void TMainF::connectDeployCommands() {
    // Not available until the commands are built.
    for (QAction* action : {GenerateA, UploadA, ImportA, ExportA, RemoveA})
        action->setEnabled(false);
}

void TMainF::GenerateAExecute() {}

void TMainF::UploadAExecute() {}

void TMainF::ImportAExecute() {}

void TMainF::ExportAExecute() {}

void TMainF::RemoveAExecute() {}

void TMainF::runStage2(const QString& /*script*/) {}
