#include "DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QStringList candidateFolders() {
    const QString overridden = qEnvironmentVariable("CORVANTA_DATA_DIR");
    if (!overridden.isEmpty())
        return {overridden};
    const QString appDir = QCoreApplication::applicationDirPath();
    if (appDir.isEmpty())
        return {};
    return {appDir, QDir(appDir).filePath(QStringLiteral("../share/corvanta"))};
}

} // namespace

QString DataFolder() {
    const QStringList folders = candidateFolders();
    for (const QString& folder : folders)
        if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Language.ini"))))
            return QDir::cleanPath(folder);
    return folders.isEmpty() ? QString() : QDir::cleanPath(folders.first());
}

QString DataFilePath(const QString& name) {
    for (const QString& folder : candidateFolders()) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path))
            return QDir::cleanPath(path);
    }
    return {};
}

bool IsShippedData(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const QString& folder : candidateFolders()) {
        const QString absolute = QDir::cleanPath(QDir(folder).absolutePath()) + QLatin1Char('/');
        QString real = QFileInfo(folder).canonicalFilePath();
        if (!real.isEmpty())
            real += QLatin1Char('/');
        if (file.startsWith(absolute) || (!real.isEmpty() && canonical.startsWith(real)))
            return true;
    }
    return false;
}

QString UserDataFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir(base).filePath(QStringLiteral("corvanta"));
}
