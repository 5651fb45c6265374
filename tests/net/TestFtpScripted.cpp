#include "net/FtpClient.h"
#include "net/SftpClient.h"

#include "NetTestServers.h"
#include "common/TestSupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The FTP client against scripted servers, for what a real server will not do.
class TestFtpScripted : public QObject {
    Q_OBJECT

    QTemporaryDir temp_;

    static void setUp(TFtpClient& ftp, quint16 port) {
        ftp.Host = QStringLiteral("127.0.0.1");
        ftp.Port = port;
        ftp.UserID = QStringLiteral("user");
        ftp.Password = QStringLiteral("pass");
    }

private slots:
    void greetingIsReadWholeBeforeLogin() {
        TScriptedServer server(QStringLiteral("ftp-greeting3"));
        TFtpClient ftp;
        setUp(ftp, server.port());
        ftp.Connect();
        ftp.MakeDirectory(QStringLiteral("x"));
        // Had a greeting line been left unread, it would be taken for this reply.
        QCOMPARE(ftp.ReplyNumber, 257);
        QCOMPARE(ftp.ReplyText(), QStringLiteral("257 \"MKD x\" done"));
        ftp.Disconnect();
        const QList<QByteArray> log = server.Log();
        QVERIFY(log.contains("early 0"));
        QVERIFY(log.contains("cmd USER user"));
        QVERIFY(log.contains("cmd PASS pass"));
    }

    // The data connection goes to the control host, here found by name; the
    // address in the reply (10.255.255.1) is not used.
    void passiveDataGoesToControlHost() {
        TScriptedServer server(QStringLiteral("ftp-pasv-elsewhere"));
        TFtpClient ftp;
        setUp(ftp, server.port());
        ftp.Host = QStringLiteral("localhost");
        ftp.TimeOut = 5000;
        const QString local = temp_.filePath(QStringLiteral("page.php"));
        WriteBinaryFile(local, 300000);
        NET_VERIFY(ftp.Connect());
        NET_VERIFY(ftp.Upload(local, QStringLiteral("page.php")));
        QCOMPARE(ftp.ReplyNumber, 226);
        ftp.Disconnect();
        QVERIFY(server.Log().contains("stored 300000 " + Sha256Hex(local)));
    }

    // A store is done only when the server says so after the data.
    void storeRefusedAfterTheDataFails() {
        TScriptedServer server(QStringLiteral("ftp-store-refused"));
        TFtpClient ftp;
        setUp(ftp, server.port());
        const QString local = temp_.filePath(QStringLiteral("refused.bin"));
        WriteBinaryFile(local, 8 * 1024 * 1024);
        NET_VERIFY(ftp.Connect());
        try {
            ftp.Upload(local, QStringLiteral("full.bin"));
            QFAIL("a store refused after its data must fail");
        } catch (const FTPException& e) {
            QCOMPARE(e.message(), QStringLiteral("552 Disk quota exceeded."));
        }
        // Cut off in the middle: the socket error, not success.
        try {
            ftp.Upload(local, QStringLiteral("cut.bin"));
            QFAIL("a store cut off must fail");
        } catch (const ESockError& e) {
            QVERIFY2(e.message().startsWith(
                         QStringLiteral("The server 127.0.0.1:%1 closed the connection during the "
                                        "upload of cut.bin")
                             .arg(server.port())),
                     qPrintable(e.message()));
        }
        NET_VERIFY(ftp.MakeDirectory(QStringLiteral("after")));
        QCOMPARE(ftp.ReplyText(), QStringLiteral("257 \"MKD after\" done"));
        NET_VERIFY(ftp.Disconnect());
    }

    // A server that hangs up instead of answering has not done the command.
    void closingInsteadOfAnsweringFails() {
        TScriptedServer server(QStringLiteral("ftp-close"));
        TFtpClient ftp;
        setUp(ftp, server.port());
        ftp.Connect();
        try {
            ftp.MakeDirectory(QStringLiteral("gone"));
            QFAIL("a command the server hung up on must fail");
        } catch (const ESockError& e) {
            QVERIFY2(
                e.message().contains(QLatin1String("closed the connection during \"MKD gone\"")),
                qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(ENetError, ftp.Delete(QStringLiteral("x")));
        ftp.Disconnect();
        QVERIFY(server.Log().contains("closed"));
    }

    // What the server says is told, whole: another protocol on the port at
    // once, a plain login refused for want of TLS, every line of a refusal.
    void serverWordsAreToldWhole() {
        // The message of what `call` raises must hold every one of `words`.
        const auto refused = [](const std::function<void()>& call, const QStringList& words) {
            try {
                call();
            } catch (const ENetError& e) {
                for (const QString& w : words)
                    if (!e.message().contains(w))
                        return e.message();
                return QString();
            }
            return QStringLiteral("nothing raised");
        };
        QElapsedTimer clock;
        clock.start();
        TScriptedServer ssh(QStringLiteral("greeting"), {QStringLiteral("SSH-2.0-OpenSSH_9.2p1")});
        TFtpClient ftp;
        setUp(ftp, ssh.port());
        ftp.TimeOut = 30000;
        QCOMPARE(refused([&] { ftp.Connect(); }, {"is an SSH server, not an FTP server"}),
                 QString());
        TScriptedServer proftpd(QStringLiteral("greeting"), {QStringLiteral("220 ProFTPD ready.")});
        QTemporaryDir data;
        TSftpClient sftp;
        sftp.Host = QStringLiteral("127.0.0.1");
        sftp.Port = proftpd.port();
        sftp.TimeOut = 30000;
        sftp.KnownHostsFile = data.filePath(QStringLiteral("known_hosts"));
        QCOMPARE(refused([&] { sftp.Connect(); },
                         {"is an FTP server, not an SFTP server", "220 ProFTPD ready."}),
                 QString());
        QVERIFY(clock.elapsed() < 40000); // not the two time-outs of 30 s
        for (const QString reply : {"530 Non-anonymous sessions must use encryption.",
                                    "550 SSL/TLS required on the control channel",
                                    "421 Sorry, cleartext sessions are not accepted."}) {
            TScriptedServer server(QStringLiteral("ftp-wants-tls"), {reply});
            setUp(ftp, server.port());
            QCOMPARE(refused([&] { ftp.Connect(); },
                             {"requires FTP over TLS: choose FTP over TLS in Settings", reply}),
                     QString());
            QVERIFY(!ftp.RefusedLogin());
        }
        TScriptedServer server(QStringLiteral("ftp-multiline-refusal"));
        setUp(ftp, server.port());
        const QString local = temp_.filePath(QStringLiteral("page.php"));
        WriteBinaryFile(local, 1000);
        NET_VERIFY(ftp.Connect());
        QCOMPARE(refused([&] { ftp.Upload(local, QStringLiteral("page.php")); },
                         {"451-Warning: client is in ASCII mode\n451-Error during write to "
                          "file\n451 Transfer aborted"}),
                 QString());
    }

    void cancelEndsStoreAndLeavesClientUsable() {
        TScriptedServer server(QStringLiteral("ftp-stall"));
        TFtpClient ftp;
        setUp(ftp, server.port());
        const QString local = temp_.filePath(QStringLiteral("long.bin"));
        WriteBinaryFile(local, 32 * 1024 * 1024);
        ftp.Connect();
        QTimer::singleShot(300, &ftp, [&] { ftp.Cancel(); });
        try {
            ftp.Upload(local, QStringLiteral("long.bin"));
            QFAIL("a cancelled store must raise");
        } catch (const EAbortError& e) {
            QVERIFY2(e.message().startsWith(QLatin1String("Cancelled after")) &&
                         e.message().contains(QLatin1String("the upload of long.bin")),
                     qPrintable(e.message()));
        }
        // The server's answer to the aborted transfer is not taken for the
        // next command's.
        ftp.MakeDirectory(QStringLiteral("next"));
        QCOMPARE(ftp.ReplyNumber, 257);
        QCOMPARE(ftp.ReplyText(), QStringLiteral("257 \"MKD next\" done"));
        ftp.Disconnect();
        const QList<QByteArray> log = server.Log();
        const auto closed = std::find_if(log.begin(), log.end(), [](const QByteArray& line) {
            return line.startsWith("data closed ");
        });
        QVERIFY2(closed != log.end(), log.join('\n').constData());
        QVERIFY(closed->mid(12).toLongLong() < 32 * 1024 * 1024);
    }

    void unresolvableHostAsksOnceThenFails() {
        TFtpClient ftp;
        ftp.Host = QStringLiteral("no-such-host.invalid");
        int asked = 0;
        int failed = 0;
        ftp.OnInvalidHost = [&](bool& handled) {
            ++asked;
            handled = true; // one more lookup is tried, then the error stands
        };
        ftp.OnConnectionFailed = [&](TSocketLayer*) { ++failed; };
        try {
            ftp.Connect();
            QFAIL("an unknown host must fail");
        } catch (const ESockError& e) {
            QCOMPARE(e.message(), QStringLiteral("Could not find the server no-such-host.invalid: "
                                                 "unknown host name"));
        }
        QCOMPARE(asked, 1);
        QCOMPARE(failed, 0);
    }

    // A greeting of "220-" lines for ever: every line comes in time, the
    // whole does not; the login never starts.
    void endlessGreetingEndsWithinTheLimit() {
        TScriptedServer server(QStringLiteral("ftp-endless-greeting"));
        TFtpClient ftp;
        setUp(ftp, server.port());
        ftp.TimeOut = 1000;
        ftp.OverallLimit = 1500;
        QElapsedTimer clock;
        clock.start();
        try {
            ftp.Connect();
            QFAIL("an endless greeting must end the connect");
        } catch (const ESockError& e) {
            QVERIFY2(e.message().contains(QLatin1String("did not finish its answer within 2 "
                                                        "seconds")),
                     qPrintable(e.message()));
        }
        QVERIFY(clock.elapsed() < 60000); // ended by the limit, not by the server
        QVERIFY(!ftp.Connected());
        for (const QByteArray& line : server.Log())
            QVERIFY2(!line.startsWith("cmd USER"), line.constData());
    }

    void refusedPortFails() {
        TFtpClient ftp;
        const quint16 closed = ClosedPort();
        setUp(ftp, closed);
        int failed = 0;
        ftp.OnConnectionFailed = [&](TSocketLayer*) { ++failed; };
        try {
            ftp.Connect();
            QFAIL("a refused connection must fail");
        } catch (const ESockError& e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Could not connect to 127.0.0.1:%1: connection refused")
                         .arg(closed));
        }
        QCOMPARE(failed, 1);
        QVERIFY(!ftp.Connected());
    }
};

QTEST_GUILESS_MAIN(TestFtpScripted)
#include "TestFtpScripted.moc"
