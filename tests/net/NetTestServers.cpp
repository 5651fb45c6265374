#include "NetTestServers.h"

#include "common/TestSupport.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Reads the process's stdout until `pattern` matches; returns the match.
QRegularExpressionMatch WaitForOutput(TServerProcess& server, const QRegularExpression& pattern,
                                      int waitMs = 10000) {
    QDeadlineTimer deadline(waitMs);
    for (;;) {
        const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(server.output));
        if (match.hasMatch() || deadline.hasExpired() ||
            server.process.state() == QProcess::NotRunning)
            return match;
        server.process.waitForReadyRead(100);
        server.output += server.process.readAllStandardOutput();
    }
}

bool WaitListening(quint16 port, int waitMs = 10000) {
    QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (probe.waitForConnected(500))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

TServerProcess::~TServerProcess() {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

std::unique_ptr<TServerProcess> StartPyftpdlib(const QString& root, const QString& user,
                                               const QString& password) {
    auto server = std::make_unique<TServerProcess>();
    server->process.setProcessChannelMode(QProcess::MergedChannels);
    server->process.start(kPython,
                          {QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"),
                           QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QStringLiteral("0"),
                           QStringLiteral("-w"), QStringLiteral("-d"), root, QStringLiteral("-u"),
                           user, QStringLiteral("-P"), password});
    const auto match = WaitForOutput(
        *server, QRegularExpression(QStringLiteral("starting FTP server on [0-9.]+:(\\d+)")));
    if (!match.hasMatch())
        return nullptr;
    server->port = static_cast<quint16>(match.captured(1).toUInt());
    return server;
}

std::unique_ptr<TServerProcess> StartVsftpd(const QString& root, const QString& configDir) {
    auto server = std::make_unique<TServerProcess>();
    server->port = ClosedPort();
    const QString config = QDir(configDir).filePath(QStringLiteral("vsftpd.conf"));
    // Run as whoever starts it, anonymous with full write rights: no system
    // accounts, no chroot, nothing outside the temporary folders.
    const QString text = QStringLiteral("listen=YES\n"
                                        "listen_address=127.0.0.1\n"
                                        "listen_port=%1\n"
                                        "run_as_launching_user=YES\n"
                                        "background=NO\n"
                                        "anonymous_enable=YES\n"
                                        "no_anon_password=YES\n"
                                        "local_enable=NO\n"
                                        "anon_root=%2\n"
                                        "write_enable=YES\n"
                                        "anon_upload_enable=YES\n"
                                        "anon_mkdir_write_enable=YES\n"
                                        "anon_other_write_enable=YES\n"
                                        "anon_umask=022\n"
                                        "pasv_enable=YES\n"
                                        "pasv_address=127.0.0.1\n"
                                        "seccomp_sandbox=NO\n"
                                        "xferlog_enable=NO\n"
                                        "secure_chroot_dir=%3\n")
                             .arg(server->port)
                             .arg(root, configDir);
    WriteFileBytes(config, text.toUtf8());
    server->process.setProcessChannelMode(QProcess::MergedChannels);
    server->process.start(QStringLiteral("/usr/sbin/vsftpd"), {config});
    if (!server->process.waitForStarted(5000) || !WaitListening(server->port))
        return nullptr;
    return server;
}

std::unique_ptr<TServerProcess> StartPhpServer(const QString& docRoot) {
    auto server = std::make_unique<TServerProcess>();
    server->port = ClosedPort();
    server->process.setProcessChannelMode(QProcess::MergedChannels);
    server->process.start(QStringLiteral("php"),
                          {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(server->port),
                           QStringLiteral("-t"), docRoot});
    if (!server->process.waitForStarted(5000) || !WaitListening(server->port))
        return nullptr;
    return server;
}

TScriptedServer::TScriptedServer(const QString& scenario, const QStringList& arguments)
    : server_(std::make_unique<TServerProcess>()) {
    const QString script =
        QDir(SourceDir()).filePath(QStringLiteral("tests/net/scripted_server.py"));
    server_->process.start(kPython, QStringList{script, scenario} + arguments);
    const auto match =
        WaitForOutput(*server_, QRegularExpression(QStringLiteral("^PORT (\\d+)$"),
                                                   QRegularExpression::MultilineOption));
    server_->port = static_cast<quint16>(match.captured(1).toUInt());
}

QList<QByteArray> TScriptedServer::Log(int waitMs) {
    server_->process.waitForFinished(waitMs);
    server_->output += server_->process.readAllStandardOutput();
    QList<QByteArray> lines;
    for (const QByteArray& line : server_->output.split('\n'))
        if (line.startsWith("LOG "))
            lines << line.mid(4);
    return lines;
}

QList<QByteArray> TScriptedServer::Heads(int waitMs) {
    QList<QByteArray> heads;
    for (const QByteArray& line : Log(waitMs))
        if (line.startsWith("head "))
            heads << QByteArray::fromBase64(line.mid(5));
    return heads;
}

quint16 ClosedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

void WriteBinaryFile(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QRandomGenerator random(4711);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = size; left > 0; left -= block.size()) {
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        file.write(block.constData(), std::min<qint64>(left, block.size()));
    }
}

QByteArray Sha256Hex(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}
