#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

QString BinDir() {
    const QString dir = qEnvironmentVariable("CORVANTA_BIN_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

QString SourceDir() {
    const QString dir = qEnvironmentVariable("CORVANTA_SOURCE_DIR");
    return dir.isEmpty()
               ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../.."))
               : dir;
}

bool WalkSiteInBrowser(const QList<std::pair<QString, QString>>& settings, QString* output) {
    QProcess node;
    node.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : settings)
        env.insert(name, value);
    node.setProcessEnvironment(env);
    node.start(QDir(SourceDir()).filePath(QStringLiteral("tests/e2e/run")),
               {QStringLiteral("walk-site.js")});
    const bool ended = node.waitForFinished(600000);
    *output = QString::fromUtf8(node.readAll());
    return ended && node.exitStatus() == QProcess::NormalExit && node.exitCode() == 0;
}

TCliResult RunCli(const QString& storePath, const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVANTA_STORE"), storePath);
    process.setProcessEnvironment(env);
    process.start(QDir(BinDir()).filePath(QStringLiteral("corvanta-cli")), arguments);
    process.waitForStarted();
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(600000);
    TCliResult result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

TEnvVar::TEnvVar(const char* name, const QString& value) : name_(name), old_(qgetenv(name)) {
    qputenv(name, value.toLocal8Bit());
}

TEnvVar::~TEnvVar() {
    if (old_.isNull())
        qunsetenv(name_);
    else
        qputenv(name_, old_);
}
