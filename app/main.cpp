#include "ui/Main.h"
#include "model/ProjectStore.h"
#include "model/Store.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));

    TStore store;
    TMainF mainWindow(store);
    mainWindow.SetTable(TBTable::New());
    mainWindow.ShowModal();
    return 0;
}
