// The deployment commands of the main window: Generate, Upload, Import,
// Export and Remove. The commands themselves live in deploy/ and talk to the
// user through the window's port; a command with a second stage posts it
// (PostStage2) and runStage2 hands it back once the event loop delivers it.
#include "Main.h"

#include "SelectDB.h"
#include "deploy/Deployment.h"
#include "deploy/UserPort.h"
#include "model/ProjectStore.h"

#include <QAction>
#include <QPushButton>

bool TMainF::offerSave(bool storeNeeded) {
    bool declined = false;
    if (!saveChangesFirst(&declined))
        return false;
    // No: the command works on the definition as shown, unless it must mark
    // the project in the store, which needs a project with a name.
    if (declined && storeNeeded && table_.DbName.isEmpty()) {
        port_->ShowWarning(QStringLiteral("Save the database first."));
        return false;
    }
    return true;
}

void TMainF::GenerateAExecute() {
    guarded([this] {
        if (offerSave(false))
            deploy_->Generate(table_, false);
    });
}

void TMainF::UploadAExecute() {
    guarded([this] {
        if (offerSave(true))
            deploy_->Upload(table_, false);
    });
}

void TMainF::ImportAExecute() {
    guarded([this] { deploy_->Import(table_, Changed()); });
}

void TMainF::ExportAExecute() {
    guarded([this] { deploy_->Export(table_, Changed()); });
}

void TMainF::RemoveAExecute() {
    guarded([this] {
        QStringList names = ProjectStore::List(store_);
        names.removeAll(table_.DbName);
        if (names.isEmpty()) {
            port_->ShowInformation(QStringLiteral("No Database found to remove."));
            return;
        }
        TSelectDBF dialog(names, *port_, this);
        dialog.OpenBtn->hide();
        dialog.RemoveBtn->hide();
        if (RunDialog(dialog) != QDialog::Accepted)
            return;
        const QString name = dialog.SelectedName();
        if (!name.isEmpty())
            RemoveDatabase(name);
    });
}

void TMainF::RemoveDatabase(const QString& name) {
    guarded([&] { deploy_->RemoveDatabase(name); });
}

void TMainF::runStage2(const QString& script) {
    guarded([&] { deploy_->RunStage2(script); });
}
