// HTTPS and FTP over TLS against the real servers of the local web host
// (nginx, pyftpdlib, vsftpd with require_ssl_reuse), and the certificate
// faults a hosting account can show.
#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "net/SftpClient.h"
#include "net/Tls.h"

#include "NetTestServers.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct TServer {
    QString Host;
    quint16 Port = 0;
};

TServer Split(const QString& server) {
    return {server.section(u':', 0, 0), static_cast<quint16>(server.section(u':', 1).toUInt())};
}

// Trusts the host's test authority for the scope, as a user's company
// authority would be trusted.
class TTrustTestAuthority {
public:
    explicit TTrustTestAuthority(const TWebHost& host) {
        qputenv("CORVANTA_CA_FILE", host.Setting(QStringLiteral("CA_FILE")).toLocal8Bit());
    }
    ~TTrustTestAuthority() { qunsetenv("CORVANTA_CA_FILE"); }
};

} // namespace

class TestSecureClients : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    QTemporaryDir dir_;

    void login(TFtpClient& ftp, const QString& serverKey, TFtpClient::TSecurity security,
               const QString& user = QStringLiteral("FTP_USER"),
               const QString& password = QStringLiteral("FTP_PASSWORD")) {
        const TServer server = Split(host_->Setting(serverKey));
        ftp.Host = server.Host;
        ftp.Port = server.Port;
        ftp.UserID = host_->Setting(user);
        ftp.Password = host_->Setting(password);
        ftp.Security = security;
        ftp.TimeOut = 20000;
    }

    static void scriptedLogin(TFtpClient& ftp, const TScriptedServer& server,
                              TFtpClient::TSecurity security) {
        ftp.Host = QStringLiteral("127.0.0.1");
        ftp.Port = server.port();
        ftp.UserID = QStringLiteral("me");
        ftp.Password = QStringLiteral("secret");
        ftp.Security = security;
    }

    QString docFile(const QString& path) const {
        return QDir(host_->DocumentRoot()).filePath(path);
    }

private slots:
    void initTestCase() {
        qunsetenv("SSL_CERT_FILE");
        host_ = &TWebHost::SecureInstance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        QVERIFY(dir_.isValid());
    }

    // Each server over TLS: folders, a binary file byte for byte, deleting;
    // vsftpd accepts the data connections only as resumed sessions.
    void ftpsStoresFilesByteForByte_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("security");
        QTest::newRow("pyftpdlib, if offered")
            << "FTPS_SERVER"
            << "FTP_USER"
            << "FTP_PASSWORD" << int(TFtpClient::TSecurity::IfOffered);
        QTest::newRow("vsftpd, required")
            << "VSFTPD_SERVER"
            << "VSFTPD_USER"
            << "VSFTPD_PASSWORD" << int(TFtpClient::TSecurity::Required);
    }
    void ftpsStoresFilesByteForByte() {
        QFETCH(QString, server);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, security);
        TTrustTestAuthority trust(*host_);
        const QString local = dir_.filePath(QStringLiteral("data.bin"));
        WriteBinaryFile(local, 3 * 1024 * 1024 + 5);
        const QString folder = QStringLiteral("tls-") + QString::number(security);
        TFtpClient ftp;
        login(ftp, server, TFtpClient::TSecurity(security), user, password);
        NET_VERIFY(ftp.Connect());
        QVERIFY(ftp.Encrypted());
        QVERIFY(!ftp.FellBack());
        NET_VERIFY(ftp.MakeDirectory(folder));
        NET_VERIFY(ftp.Mode(TFtpClient::Image));
        NET_VERIFY(ftp.Upload(local, folder + QStringLiteral("/data.bin")));
        NET_VERIFY(ftp.Upload(local, folder + QStringLiteral("/again.bin")));
        QCOMPARE(Sha256Hex(docFile(folder + QStringLiteral("/data.bin"))), Sha256Hex(local));
        QCOMPARE(Sha256Hex(docFile(folder + QStringLiteral("/again.bin"))), Sha256Hex(local));
        NET_VERIFY(ftp.Delete(folder + QStringLiteral("/again.bin")));
        QVERIFY(!QFileInfo::exists(docFile(folder + QStringLiteral("/again.bin"))));
        NET_VERIFY(ftp.Disconnect());
        QVERIFY(!ftp.Connected());
    }

    // "Required" says so before the password leaves; "if offered" goes on
    // in plain text and tells.
    void serverWithoutTls() {
        {
            TScriptedServer server(QStringLiteral("ftp-no-tls"));
            TFtpClient ftp;
            scriptedLogin(ftp, server, TFtpClient::TSecurity::Required);
            try {
                ftp.Connect();
                QFAIL("a server without TLS must be refused");
            } catch (const ENetError& e) {
                QVERIFY2(e.message().contains(QLatin1String("does not offer FTP over TLS")),
                         qPrintable(e.message()));
            }
            QVERIFY(!ftp.Connected());
            const QList<QByteArray> log = server.Log();
            QVERIFY(log.contains("cmd AUTH TLS"));
            for (const QByteArray& line : log)
                QVERIFY2(!line.startsWith("cmd USER") && !line.startsWith("cmd PASS"),
                         line.constData());
        }
        TScriptedServer server(QStringLiteral("ftp-no-tls"));
        TFtpClient ftp;
        scriptedLogin(ftp, server, TFtpClient::TSecurity::IfOffered);
        NET_VERIFY(ftp.Connect());
        QVERIFY(ftp.FellBack());
        QVERIFY(!ftp.Encrypted());
        NET_VERIFY(ftp.Disconnect());
        QVERIFY(server.Log().contains("cmd PASS secret"));
    }

    // The test authority unknown: refused with the reason and the
    // fingerprint, before the login; trusted by fingerprint it works, and
    // another trusted fingerprint counts as a changed certificate.
    void unknownAuthorityAndTrustedFingerprint() {
        const QString fingerprint = host_->Setting(QStringLiteral("TLS_CERT_SHA256"));
        QVERIFY(Tls::IsFingerprint(fingerprint));
        TFtpClient ftp;
        login(ftp, QStringLiteral("FTPS_SERVER"), TFtpClient::TSecurity::Required);
        try {
            ftp.Connect();
            QFAIL("an unknown authority must be refused");
        } catch (const ETlsError& e) {
            QVERIFY2(e.message().contains(QLatin1String("unknown authority")),
                     qPrintable(e.message()));
            QVERIFY(e.message().contains(fingerprint));
            QCOMPARE(e.Info().Fingerprint, fingerprint);
            QVERIFY(e.Info().Subject.contains(QLatin1String("Corvanta web host")));
            QVERIFY(e.Info().Issuer.contains(QLatin1String("Corvanta test authority")));
            QVERIFY(!e.Info().Changed);
        }
        QVERIFY(!ftp.Connected());

        ftp.TrustedCertificate = fingerprint;
        NET_VERIFY(ftp.Connect());
        QVERIFY(ftp.Encrypted());
        const QString local = dir_.filePath(QStringLiteral("small.txt"));
        WriteFileBytes(local, "trusted by fingerprint\n");
        NET_VERIFY(ftp.Upload(local, QStringLiteral("trusted.txt")));
        NET_VERIFY(ftp.Disconnect());
        QCOMPARE(ReadFileBytes(docFile(QStringLiteral("trusted.txt"))),
                 QByteArray("trusted by fingerprint\n"));

        THttpClient http;
        http.TrustedCertificate = QString(64, u'0');
        try {
            http.Get(host_->Setting(QStringLiteral("HTTPS_URL")) + QStringLiteral("trusted.txt"));
            QFAIL("a changed certificate must be refused");
        } catch (const ETlsError& e) {
            QVERIFY(e.Info().Changed);
            QVERIFY2(e.message().contains(QLatin1String("has changed")), qPrintable(e.message()));
        }
        http.TrustedCertificate = fingerprint;
        NET_VERIFY(
            http.Get(host_->Setting(QStringLiteral("HTTPS_URL")) + QStringLiteral("trusted.txt")));
        QCOMPARE(http.Body, QByteArray("trusted by fingerprint\n"));
    }

    // Each fault its own words; the request never reaches the server.
    void certificateFaultsHaveTheirOwnMessages_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("words");
        QTest::newRow("expired") << "expired"
                                 << "it expired on";
        QTest::newRow("wrong name") << "wrong-name"
                                    << "made out for wrong.example, not for 127.0.0.1";
        QTest::newRow("self-signed") << "self-signed"
                                     << "it is self-signed";
    }
    void certificateFaultsHaveTheirOwnMessages() {
        QFETCH(QString, kind);
        QFETCH(QString, words);
        TTrustTestAuthority trust(*host_);
        const QString caDir = QFileInfo(host_->Setting(QStringLiteral("CA_FILE"))).path();
        TScriptedServer server(QStringLiteral("https-cert"), {kind, caDir});
        THttpClient http;
        try {
            http.Get(QStringLiteral("https://127.0.0.1:%1/create_db.php").arg(server.port()));
            QFAIL("the certificate must be refused");
        } catch (const ETlsError& e) {
            QVERIFY2(e.message().contains(words), qPrintable(e.message()));
            QVERIFY(e.message().contains(QLatin1String("SHA-256 fingerprint: ")));
        }
        const QList<QByteArray> log = server.Log(8000);
        QVERIFY(!log.contains("answered"));
        QVERIFY(log.first().startsWith("fingerprint "));
    }

    // https through nginx, and http redirected to https on another port.
    void httpsAndRedirectFromHttp() {
        TTrustTestAuthority trust(*host_);
        WriteFileBytes(docFile(QStringLiteral("hello.php")),
                       "<?php echo 'hello ' . (empty($_SERVER['HTTPS']) ? 'proxied' : 'direct');");
        THttpClient http;
        NET_VERIFY(
            http.Get(host_->Setting(QStringLiteral("HTTPS_URL")) + QStringLiteral("hello.php")));
        QCOMPARE(http.ReplyNumber, 200);
        QCOMPARE(http.Body, QByteArray("hello proxied"));
        NET_VERIFY(
            http.Get(host_->Setting(QStringLiteral("REDIRECT_URL")) + QStringLiteral("hello.php")));
        QCOMPARE(http.ReplyNumber, 200);
        QVERIFY(http.Secure());
        QCOMPARE(http.Body, QByteArray("hello proxied"));
    }

    // Cancel in the middle of an encrypted upload: the wait ends at once and
    // the same client logs in and stores again.
    void cancelDuringTlsUploadLeavesClientUsable() {
        TTrustTestAuthority trust(*host_);
        const QString big = dir_.filePath(QStringLiteral("big.bin"));
        WriteBinaryFile(big, 256 * 1024 * 1024);
        TFtpClient ftp;
        login(ftp, QStringLiteral("VSFTPD_SERVER"), TFtpClient::TSecurity::Required,
              QStringLiteral("VSFTPD_USER"), QStringLiteral("VSFTPD_PASSWORD"));
        NET_VERIFY(ftp.Connect());
        QTimer::singleShot(150, &ftp, [&] { ftp.Cancel(); });
        try {
            ftp.Upload(big, QStringLiteral("big.bin"));
            QFAIL("the cancel must end the upload");
        } catch (const EAbortError&) {
        }
        QFile::remove(big);
        const QString small = dir_.filePath(QStringLiteral("after.txt"));
        WriteFileBytes(small, "after the cancel\n");
        NET_VERIFY(ftp.Upload(small, QStringLiteral("after.txt")));
        NET_VERIFY(ftp.Disconnect());
        QCOMPARE(ReadFileBytes(docFile(QStringLiteral("after.txt"))),
                 QByteArray("after the cancel\n"));
    }

    // A new host key asks; accepted it is remembered; files arrive byte for
    // byte; a changed key and a wrong password are refused.
    void sftpChecksHostKeyAndTransfers() {
        const QString fingerprint = host_->Setting(QStringLiteral("SSH_HOST_KEY_SHA256"));
        const QString known = dir_.filePath(QStringLiteral("ssh/known_hosts"));
        const TServer server = Split(host_->Setting(QStringLiteral("SFTP_SERVER")));
        const auto setUp = [&](TSftpClient& sftp) {
            sftp.Host = server.Host;
            sftp.Port = server.Port;
            sftp.UserID = host_->Setting(QStringLiteral("SFTP_USER"));
            sftp.Password = host_->Setting(QStringLiteral("SFTP_PASSWORD"));
            sftp.KnownHostsFile = known;
            sftp.TimeOut = 20000;
        };
        TSftpClient sftp;
        setUp(sftp);
        try {
            sftp.Connect();
            QFAIL("a new host key must be asked about");
        } catch (const ETlsError& e) {
            QVERIFY(e.Info().HostKey);
            QVERIFY(!e.Info().Changed);
            QCOMPARE(e.Info().Fingerprint, fingerprint);
            QCOMPARE(e.Info().KeyType, QStringLiteral("ssh-ed25519"));
            QVERIFY2(e.message().contains(fingerprint), qPrintable(e.message()));
        }
        QVERIFY(!sftp.Connected());
        sftp.TrustedHostKey = fingerprint;
        NET_VERIFY(sftp.Connect());
        QVERIFY(sftp.Encrypted());
        QVERIFY(ReadFileBytes(known).contains("ssh-ed25519"));

        const QString local = dir_.filePath(QStringLiteral("sftp.bin"));
        WriteBinaryFile(local, 2 * 1024 * 1024 + 3);
        try {
            sftp.MakeDirectory(QStringLiteral("sftpsite/"));
        } catch (const FTPException&) {
        }
        NET_VERIFY(sftp.Mode(TFileTransfer::Image));
        NET_VERIFY(sftp.Upload(local, QStringLiteral("sftpsite/sftp.bin")));
        QCOMPARE(Sha256Hex(docFile(QStringLiteral("sftpsite/sftp.bin"))), Sha256Hex(local));
        try {
            sftp.RemoveDir(QStringLiteral("sftpsite"));
            QFAIL("a folder with files must not be removed");
        } catch (const FTPException& e) {
            QVERIFY(e.message().startsWith(QLatin1String("SFTP rmdir sftpsite")));
        }
        NET_VERIFY(sftp.Delete(QStringLiteral("sftpsite/sftp.bin")));
        NET_VERIFY(sftp.RemoveDir(QStringLiteral("sftpsite")));
        QVERIFY(!QFileInfo::exists(docFile(QStringLiteral("sftpsite"))));
        NET_VERIFY(sftp.Disconnect());
        QVERIFY(!sftp.Connected());

        // Known now: no trust needed any more.
        TSftpClient again;
        setUp(again);
        NET_VERIFY(again.Connect());
        NET_VERIFY(again.Disconnect());

        // Another key trusted for the project, or another key on record: changed.
        TSftpClient other;
        setUp(other);
        other.TrustedHostKey = QString(64, u'a');
        try {
            other.Connect();
            QFAIL("a different trusted key must be refused");
        } catch (const ETlsError& e) {
            QVERIFY(e.Info().Changed);
            QVERIFY2(e.message().contains(QLatin1String("has changed since it was trusted")),
                     qPrintable(e.message()));
        }
        QProcess keygen;
        const QString otherKey = dir_.filePath(QStringLiteral("other_key"));
        keygen.start(QStringLiteral("ssh-keygen"),
                     {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                      QStringLiteral("-N"), QString(), QStringLiteral("-f"), otherKey});
        QVERIFY(keygen.waitForFinished(10000));
        const QByteArray publicKey = ReadFileBytes(otherKey + QStringLiteral(".pub"));
        WriteFileBytes(known,
                       QStringLiteral("[%1]:%2 ").arg(server.Host).arg(server.Port).toUtf8() +
                           publicKey.left(publicKey.lastIndexOf(' ')) + '\n');
        TSftpClient changed;
        setUp(changed);
        try {
            changed.Connect();
            QFAIL("a changed host key must be refused");
        } catch (const ETlsError& e) {
            QVERIFY(e.Info().Changed);
        }

        TSftpClient wrong;
        setUp(wrong);
        wrong.TrustedHostKey = fingerprint;
        wrong.Password = QStringLiteral("wrong");
        int failed = 0;
        wrong.OnConnectionFailed = [&](TSocketLayer*) { ++failed; };
        try {
            wrong.Connect();
            QFAIL("a wrong password must be refused");
        } catch (const FTPException&) {
        }
        QVERIFY(wrong.RefusedLogin());
        QCOMPARE(failed, 1);
        QVERIFY(!wrong.Connected());
    }

    void cancelDuringSftpUploadLeavesClientUsable() {
        const TServer server = Split(host_->Setting(QStringLiteral("SFTP_SERVER")));
        TSftpClient sftp;
        sftp.Host = server.Host;
        sftp.Port = server.Port;
        sftp.UserID = host_->Setting(QStringLiteral("SFTP_USER"));
        sftp.Password = host_->Setting(QStringLiteral("SFTP_PASSWORD"));
        sftp.KnownHostsFile = dir_.filePath(QStringLiteral("cancel_known_hosts"));
        sftp.TrustedHostKey = host_->Setting(QStringLiteral("SSH_HOST_KEY_SHA256"));
        const QString big = dir_.filePath(QStringLiteral("big-sftp.bin"));
        WriteBinaryFile(big, 256 * 1024 * 1024);
        NET_VERIFY(sftp.Connect());
        QTimer::singleShot(150, &sftp, [&] { sftp.Cancel(); });
        QElapsedTimer clock;
        clock.start();
        try {
            sftp.Upload(big, QStringLiteral("big-sftp.bin"));
            QFAIL("the cancel must end the upload");
        } catch (const EAbortError&) {
        }
        QVERIFY(clock.elapsed() < 60000); // ended by the cancel, not by the end of the file
        QFile::remove(big);
        NET_VERIFY(sftp.Connect());
        const QString small = dir_.filePath(QStringLiteral("after-sftp.txt"));
        WriteFileBytes(small, "after the cancel\n");
        NET_VERIFY(sftp.Upload(small, QStringLiteral("after-sftp.txt")));
        NET_VERIFY(sftp.Disconnect());
        QCOMPARE(ReadFileBytes(docFile(QStringLiteral("after-sftp.txt"))),
                 QByteArray("after the cancel\n"));
    }
};

QTEST_GUILESS_MAIN(TestSecureClients)
#include "TestSecureClients.moc"
