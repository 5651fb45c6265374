#include "ProgramRemoval.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool listedInPackage(const QString& programFile, const QString& packageList) {
    QFile list(packageList);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString program = QFileInfo(programFile).canonicalFilePath();
    while (!list.atEnd()) {
        const QString line = QString::fromUtf8(list.readLine()).trimmed();
        if (!line.isEmpty() && QFileInfo(line).canonicalFilePath() == program)
            return true;
    }
    return false;
}

} // namespace

QString ProgramRemovalHint(const QString& programFile, const QString& packageList) {
    if (listedInPackage(programFile, packageList))
        return QStringLiteral("Corvanta was installed as the package \"corvanta\". Remove it "
                              "with your software manager, or in a terminal with:\n"
                              "sudo apt remove corvanta");
    // An installed tree keeps its data in share/corvanta beside bin/; a build
    // tree keeps everything beside the executable.
    const QDir bin = QFileInfo(programFile).absoluteDir();
    if (!QFileInfo::exists(bin.filePath(QStringLiteral("../share/corvanta"))))
        return QStringLiteral("Corvanta runs from %1 and was not installed. To remove it, delete "
                              "the folder it was built in.")
            .arg(bin.path());
    const QString prefix = QDir::cleanPath(bin.filePath(QStringLiteral("..")));
    QStringList files;
    for (const char* file : {"bin/corvanta", "bin/corvanta-cli", "share/corvanta",
                             "share/applications/io.github.corvanta.Corvanta.desktop",
                             "share/icons/hicolor/scalable/apps/io.github.corvanta.Corvanta.svg",
                             "share/metainfo/io.github.corvanta.Corvanta.metainfo.xml",
                             "share/man/man1/corvanta.1.gz", "share/man/man1/corvanta-cli.1.gz"})
        files.append(prefix + u'/' + QLatin1String(file));
    return QStringLiteral("Corvanta was installed into %1 without a package. To remove it, "
                          "delete:\n%2")
        .arg(prefix, files.join(u'\n'));
}

QString ProgramRemovalHint() {
    return ProgramRemovalHint(QCoreApplication::applicationFilePath(),
                              QStringLiteral("/var/lib/dpkg/info/corvanta.list"));
}
