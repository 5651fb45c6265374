#include "model/Store.h"
#include "ui/Welcome.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationDisplayName(QStringLiteral("Corvanta"));
    // The welcome window is hidden while a project is open: the program ends
    // when the user ends it there, not when no window is left on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    TStore store;
    TWelcomeF welcome(store);
    QObject::connect(&welcome, &TWelcomeF::ProgramEnd, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    welcome.show();
    return QApplication::exec();
}
