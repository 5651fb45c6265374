#include "net/FtpClient.h"

#include "NetTestServers.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The FTP client against real servers on loopback: pyftpdlib (user and
// password) and vsftpd (anonymous with write rights).
class TestFtpClient : public QObject {
    Q_OBJECT

    struct TAccount {
        quint16 port = 0;
        QString user;
        QString password;
        QString root;
    };

    QTemporaryDir temp_;
    std::unique_ptr<TServerProcess> pyftpdlib_;
    std::unique_ptr<TServerProcess> vsftpd_;
    QString bigFile_;

    TAccount account(const QString& server) const {
        if (server == QLatin1String("pyftpdlib"))
            return {pyftpdlib_->port, QStringLiteral("corvanta"), QStringLiteral("s3cret"),
                    temp_.filePath(QStringLiteral("py"))};
        return {vsftpd_->port, QStringLiteral("anonymous"), QString(),
                temp_.filePath(QStringLiteral("vs"))};
    }

    static void setUp(TFtpClient& ftp, const TAccount& a) {
        ftp.Host = QStringLiteral("127.0.0.1");
        ftp.Port = a.port;
        ftp.UserID = a.user;
        ftp.Password = a.password;
    }

    static void addServers() {
        QTest::addColumn<QString>("server");
        QTest::newRow("pyftpdlib") << QStringLiteral("pyftpdlib");
        QTest::newRow("vsftpd") << QStringLiteral("vsftpd");
    }

private slots:
    void initTestCase() {
        QVERIFY(temp_.isValid());
        for (const char* folder : {"py", "vs", "vsconf", "local"})
            QVERIFY(QDir(temp_.path()).mkpath(QLatin1String(folder)));
        pyftpdlib_ = StartPyftpdlib(temp_.filePath(QStringLiteral("py")),
                                    QStringLiteral("corvanta"), QStringLiteral("s3cret"));
        QVERIFY2(pyftpdlib_, "pyftpdlib did not start");
        vsftpd_ = StartVsftpd(temp_.filePath(QStringLiteral("vs")),
                              temp_.filePath(QStringLiteral("vsconf")));
        QVERIFY2(vsftpd_, "vsftpd did not start");
        bigFile_ = temp_.filePath(QStringLiteral("local/big.bin"));
        WriteBinaryFile(bigFile_, 50 * 1024 * 1024);
    }

    // The whole life of a site folder: make it, store into it, delete, remove.
    void sessionStoresFilesByteForByte_data() { addServers(); }
    void sessionStoresFilesByteForByte() {
        QFETCH(QString, server);
        const TAccount a = account(server);
        TFtpClient ftp;
        setUp(ftp, a);
        ftp.Connect();
        QVERIFY(ftp.Connected());
        ftp.Mode(TFtpClient::Image);
        QCOMPARE(ftp.ReplyNumber, 200);
        ftp.MakeDirectory(QStringLiteral("site"));
        ftp.MakeDirectory(QStringLiteral("site/admin"));

        const QString empty = temp_.filePath(QStringLiteral("local/empty.txt"));
        const QString one = temp_.filePath(QStringLiteral("local/one.txt"));
        WriteFileBytes(empty, {});
        WriteFileBytes(one, QByteArray(1, '\0'));
        ftp.Upload(empty, QStringLiteral("site/empty.txt"));
        ftp.Upload(one, QStringLiteral("site/admin/one.txt"));
        ftp.Upload(bigFile_, QStringLiteral("site/big.bin"));

        const QDir site(QDir(a.root).filePath(QStringLiteral("site")));
        QVERIFY(QFileInfo::exists(site.filePath(QStringLiteral("empty.txt"))));
        QCOMPARE(QFileInfo(site.filePath(QStringLiteral("empty.txt"))).size(), 0);
        QCOMPARE(ReadFileBytes(site.filePath(QStringLiteral("admin/one.txt"))),
                 QByteArray(1, '\0'));
        QCOMPARE(Sha256Hex(site.filePath(QStringLiteral("big.bin"))), Sha256Hex(bigFile_));

        // Storing again replaces the file.
        WriteFileBytes(one, "new");
        ftp.Upload(one, QStringLiteral("site/empty.txt"));
        QCOMPARE(ReadFileBytes(site.filePath(QStringLiteral("empty.txt"))), QByteArray("new"));

        for (const char* name : {"site/empty.txt", "site/admin/one.txt", "site/big.bin"})
            ftp.Delete(QLatin1String(name));
        ftp.RemoveDir(QStringLiteral("site/admin"));
        ftp.RemoveDir(QStringLiteral("site"));
        QVERIFY(!site.exists());

        ftp.Disconnect();
        QVERIFY(!ftp.Connected());
        ftp.Disconnect(); // harmless when not connected
        try {
            ftp.MakeDirectory(QStringLiteral("late"));
            QFAIL("a command without a connection must fail");
        } catch (const ENetError& e) {
            QVERIFY2(e.message().startsWith(QLatin1String("Not connected to the FTP server ")),
                     qPrintable(e.message()));
        }
    }

    // Refusals of the server come back as FTPException with its reply, and
    // the session goes on.
    void refusedCommandsRaiseWithReply_data() { addServers(); }
    void refusedCommandsRaiseWithReply() {
        QFETCH(QString, server);
        TFtpClient ftp;
        setUp(ftp, account(server));
        ftp.Connect();
        ftp.MakeDirectory(QStringLiteral("twice"));
        const auto expectRefusal = [&](const std::function<void()>& call, int code) {
            try {
                call();
                QFAIL("the server's refusal must raise");
            } catch (const FTPException& e) {
                QCOMPARE(ftp.ReplyNumber, code);
                QVERIFY2(e.message().startsWith(QString::number(code)), qPrintable(e.message()));
                QVERIFY(!e.message().endsWith(u'\n'));
            }
        };
        expectRefusal([&] { ftp.MakeDirectory(QStringLiteral("twice")); }, 550);
        expectRefusal([&] { ftp.Delete(QStringLiteral("no-such-file")); }, 550);
        expectRefusal([&] { ftp.RemoveDir(QStringLiteral("no-such-dir")); }, 550);
        const QString local = temp_.filePath(QStringLiteral("local/small-") + server);
        WriteFileBytes(local, "abc");
        const int storRefused = server == QLatin1String("vsftpd") ? 553 : 550;
        expectRefusal([&] { ftp.Upload(local, QStringLiteral("missing/dir/f.txt")); }, storRefused);

        // A handler that takes the failure over stops the raise.
        QList<int> kinds;
        ftp.OnFailure = [&](bool& handled, int kind) {
            kinds << kind;
            handled = true;
        };
        ftp.MakeDirectory(QStringLiteral("twice"));
        ftp.Upload(local, QStringLiteral("missing/dir/f.txt"));
        QCOMPARE(kinds, (QList<int>{TFtpClient::MakeDirKind, TFtpClient::UploadKind}));

        ftp.RemoveDir(QStringLiteral("twice"));
        ftp.Disconnect();
    }

    void wrongLoginClosesConnection_data() { addServers(); }
    void wrongLoginClosesConnection() {
        QFETCH(QString, server);
        const TAccount a = account(server);
        TFtpClient ftp;
        setUp(ftp, a);
        // pyftpdlib refuses the password, the anonymous-only vsftpd the user.
        if (server == QLatin1String("pyftpdlib"))
            ftp.Password = QStringLiteral("wrong");
        else
            ftp.UserID = QStringLiteral("somebody");
        int failures = 0;
        ftp.OnConnectionFailed = [&](TSocketLayer* sender) {
            QCOMPARE(sender, &ftp);
            ++failures;
        };
        try {
            ftp.Connect();
            QFAIL("a refused login must raise");
        } catch (const FTPException& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("530")), qPrintable(e.message()));
        }
        QCOMPARE(failures, 1);
        QVERIFY(!ftp.Connected());

        // The same client logs in once the account is right.
        setUp(ftp, a);
        ftp.Connect();
        QVERIFY(ftp.Connected());
        ftp.Disconnect();
        QCOMPARE(failures, 1);
    }

    void missingLocalFileRaisesBeforeTransfer() {
        TFtpClient ftp;
        setUp(ftp, account(QStringLiteral("pyftpdlib")));
        ftp.Connect();
        QVERIFY_THROWS_EXCEPTION(ENetError, ftp.Upload(temp_.filePath(QStringLiteral("local/none")),
                                                       QStringLiteral("none.txt")));
        ftp.MakeDirectory(QStringLiteral("after"));
        QCOMPARE(ftp.ReplyNumber, 257);
        ftp.RemoveDir(QStringLiteral("after"));
        ftp.Disconnect();
    }
};

QTEST_GUILESS_MAIN(TestFtpClient)
#include "TestFtpClient.moc"
