#include "model/Store.h"
#include "model/Version.h"
#include "ui/Welcome.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// --version and --help are answered before any window exists, so they work
// without a display. Every other argument is left to Qt.
bool answeredOnCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("corvanta %s\n%s", qPrintable(ProgramVersion()),
                        qPrintable(ProgramLicenseNotice()));
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: corvanta [--help | --version]\n\n"
                        "Starts Corvanta, the generator of PHP and MySQL web database sites.\n"
                        "corvanta-cli runs its commands from scripts.\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (answeredOnCommandLine(argc, argv))
        return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationDisplayName(QStringLiteral("Corvanta"));
    QApplication::setApplicationVersion(ProgramVersion());
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.corvanta.Corvanta"));
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
