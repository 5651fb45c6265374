#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "net/NetErrors.h"

#include <memory>

// Servers the network tests talk to, all on loopback and free ports, each
// stopped when its object goes.

class TServerProcess {
public:
    TServerProcess() = default;
    ~TServerProcess();
    TServerProcess(const TServerProcess&) = delete;
    TServerProcess& operator=(const TServerProcess&) = delete;

    quint16 port = 0;
    QProcess process;
    QByteArray output; // everything read from its stdout so far
};

// A real FTP server sharing `root`: pyftpdlib with one user and password.
std::unique_ptr<TServerProcess> StartPyftpdlib(const QString& root, const QString& user,
                                               const QString& password);
// A real FTP server sharing `root`: vsftpd, anonymous with write rights.
// `configDir` holds its configuration.
std::unique_ptr<TServerProcess> StartVsftpd(const QString& root, const QString& configDir);
// PHP's built-in web server serving `docRoot`.
std::unique_ptr<TServerProcess> StartPhpServer(const QString& docRoot);

// tests/net/scripted_server.py running one scenario.
class TScriptedServer {
public:
    explicit TScriptedServer(const QString& scenario, const QStringList& arguments = {});
    quint16 port() const { return server_->port; }
    // The LOG lines (without "LOG "), after the scenario has ended or the wait ran out.
    QList<QByteArray> Log(int waitMs = 5000);
    // The request heads the server logged, decoded.
    QList<QByteArray> Heads(int waitMs = 5000);

private:
    std::unique_ptr<TServerProcess> server_;
};

// A loopback port that nothing listens on.
quint16 ClosedPort();
// A file of `size` bytes of varied binary content.
void WriteBinaryFile(const QString& path, qint64 size);
QByteArray Sha256Hex(const QString& path);

// Runs the statement and turns a network error into a test failure naming it.
#define NET_VERIFY(statement)                                                                      \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
        } catch (const ENetError& error) {                                                         \
            QFAIL(qPrintable(QStringLiteral(#statement " raised: ") + error.message()));           \
        }                                                                                          \
    } while (false)
