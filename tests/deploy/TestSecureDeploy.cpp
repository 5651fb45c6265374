// Upload, Import, Export and Remove against what hosting accounts offer
// today: HTTPS (nginx, stunnel, Apache with mod_ssl; http redirected to it),
// FTP over TLS on pyftpdlib and on vsftpd, SFTP on sshd; the trust questions;
// faults that must end cleanly, each told in its own words, and uploads broken
// half-way that must leave the live site whole.
#include "DeployFixtures.h"

#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "common/WindowTestSupport.h"
#include "deploy/PublishPlan.h"
#include "model/ProjectStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kTables = QStringLiteral("The tables on the server");

QByteArray Text(const QString& path) {
    return ReadFileBytes(path).replace("\r\n", "\n");
}

// tests/net/scripted_server.py with one scenario, stopped with the object.
struct TFaultServer {
    explicit TFaultServer(const QStringList& arguments) {
        process.start(QStringLiteral("/usr/bin/python3"),
                      QStringList{qEnvironmentVariable("CORVANTA_SOURCE_DIR") +
                                  QStringLiteral("/tests/net/scripted_server.py")} +
                          arguments);
        QByteArray line;
        while (!line.endsWith('\n') && process.waitForReadyRead(10000))
            line += process.readAllStandardOutput();
        port = line.mid(5).trimmed().toUShort(); // "PORT n"
    }
    ~TFaultServer() { process.kill(), process.waitForFinished(5000); }
    QProcess process;
    quint16 port = 0;
};

// Every file under a folder with its bytes, by relative path.
QMap<QString, QByteArray> Files(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), ReadFileBytes(path));
    }
    return files;
}

// tests/deploy/fault_proxy.py in front of a server, breaking one upload.
struct TFaultProxy {
    QProcess process;
    QString server; // empty when it did not start

    TFaultProxy(const QString& fault, const QString& target, qint64 at) {
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QDir(SourceDir()).filePath(QStringLiteral("tests/deploy/fault_proxy.py")),
                       fault, target.section(u':', -1), QString::number(at)});
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        const QByteArray line = process.readLine().trimmed();
        if (line.startsWith("PORT "))
            server = QStringLiteral("127.0.0.1:") + QString::fromLatin1(line.mid(5));
    }
    ~TFaultProxy() {
        process.kill();
        process.waitForFinished();
    }
    bool Struck() { return process.readAll().contains("FAULT"); }
};

} // namespace

class TestSecureDeploy : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    TTempStore store_;
    QTemporaryDir dir_;

    QString setting(const char* key) const { return host_->Setting(QString::fromLatin1(key)); }

    TBTable project(const QString& name, const QString& transfer, const QString& server,
                    const char* urlKey = "HTTPS_URL") {
        TBTable t = DeployProject(name);
        PlaceOnHost(t, *host_, name, dir_.filePath(name));
        t.URL = setting(urlKey) + name + u'/';
        t.Transfer = transfer;
        t.Server = setting(qPrintable(server + QStringLiteral("_SERVER")));
        if (server == QLatin1String("VSFTPD")) {
            t.User = setting("VSFTPD_USER");
            t.Password = setting("VSFTPD_PASSWORD");
        }
        ProjectStore::Save(store_.Store(), t);
        return t;
    }

    // The entry of TrustedCertificates for a front of the host (STUNNEL, APACHE).
    QString trustEntry(const QString& front) const {
        return QStringLiteral("127.0.0.1:%1=%2")
            .arg(setting(qPrintable(front + QStringLiteral("_PORT"))),
                 setting(qPrintable(front + QStringLiteral("_CERT_SHA256"))));
    }

    bool remoteExists(const TBTable& t, const QString& file) const {
        return QFileInfo::exists(Remote(*host_, t, file));
    }

    bool tableExists(const QString& table) const {
        return !host_->Query(QStringLiteral("SHOW TABLES LIKE '%1'").arg(table)).isEmpty();
    }

    static void trustTestAuthority(bool trust, const TWebHost& host) {
        if (trust)
            qputenv("CORVANTA_CA_FILE", host.Setting(QStringLiteral("CA_FILE")).toLocal8Bit());
        else
            qunsetenv("CORVANTA_CA_FILE");
    }

private slots:
    void initTestCase() {
        qunsetenv("SSL_CERT_FILE");
        // The known-hosts file of the program lives in the data folder.
        qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toLocal8Bit());
        host_ = &TWebHost::SecureInstance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
    }

    void init() { trustTestAuthority(true, *host_); }

    // The whole life of a site over each way in: files byte for byte,
    // records down and up again, and everything gone after Remove.
    void fullCycle_data() {
        QTest::addColumn<QString>("transfer");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("front"); // self-signed, trusted by fingerprint
        QTest::newRow("https, FTP over TLS if offered (pyftpdlib)") << "ftps-if-offered"
                                                                    << "FTPS"
                                                                    << "HTTPS_URL"
                                                                    << "";
        QTest::newRow("https, FTP over TLS only (vsftpd, session reuse)") << "ftps"
                                                                          << "VSFTPD"
                                                                          << "HTTPS_URL"
                                                                          << "";
        QTest::newRow("http redirected to https, SFTP") << "sftp"
                                                        << "SFTP"
                                                        << "REDIRECT_URL"
                                                        << "";
        // Answers of unknown length, ended by stunnel's close_notify.
        QTest::newRow("stunnel before PHP, FTP over TLS") << "ftps"
                                                          << "FTPS"
                                                          << "STUNNEL_URL"
                                                          << "STUNNEL";
        QTest::newRow("Apache with mod_ssl and PHP, FTP over TLS") << "ftps"
                                                                   << "APACHE_FTP"
                                                                   << "APACHE_URL"
                                                                   << "APACHE";
    }
    void fullCycle() {
        QFETCH(QString, transfer);
        QFETCH(QString, server);
        QFETCH(QString, url);
        QFETCH(QString, front);
        TBTable t = project(QStringLiteral("cycle%1%2").arg(server, front).toLower(), transfer,
                            server, qPrintable(url));
        if (!front.isEmpty()) {
            t.TrustedCertificates = trustEntry(front);
            ProjectStore::Save(store_.Store(), t);
        }
        const QString sshKey = setting("SSH_HOST_KEY_SHA256");
        {
            TDeployRig rig(store_.Store());
            rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
            rig.Port.AnswerTo(sshKey, QStringLiteral("Yes"));
            QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
            QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join('\n')));
            QCOMPARE(rig.Port.EventsOf(QStringLiteral("trust")).size(),
                     transfer == QLatin1String("sftp") ? 1 : 0);
            const QString report = ReadFileBytes(t.LocalPath + QStringLiteral("Upload.log"));
            QVERIFY(!report.contains(QLatin1String("not encrypted")));
        }
        // Pages go in ASCII mode (a server may turn CR LF into LF), the rest
        // of their bytes as they are.
        for (const char* file : {"search.php", "runtime.php", "admin/index.html", "admin/menu.php"})
            QCOMPARE(Text(Remote(*host_, t, QString::fromLatin1(file))),
                     Text(t.LocalPath + QString::fromLatin1(file)));
        QVERIFY(tableExists(t.TableName));
        if (transfer == QLatin1String("sftp")) {
            // Stored with the project: later commands do not ask again.
            t = ProjectStore::Load(store_.Store(), t.DbName);
            QCOMPARE(t.TrustedHostKey, sshKey);
        }

        QVERIFY(host_->Exec(QStringLiteral("INSERT INTO %1(userid, title, amount, done) VALUES "
                                           "(3, 'über \"tls\"', 42, 1)")
                                .arg(t.TableName)));
        const QString records = dir_.filePath(t.DbName + QStringLiteral("-records.txt"));
        const QString images = dir_.filePath(t.DbName + QStringLiteral("-images.txt"));
        {
            TDeployRig rig(store_.Store());
            rig.Port.AnswerTo(QStringLiteral("Save data"), records);
            rig.Port.AnswerTo(QStringLiteral("Save images"), images);
            QVERIFY(rig.Run([&](TDeployment& d) { d.Import(t, false); }));
            QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join('\n')));
            QVERIFY(rig.Port.EventsOf(QStringLiteral("trust")).isEmpty());
            QVERIFY(!remoteExists(t, QStringLiteral("import_db.php")));
        }
        // A new site's record files are UTF-8.
        QCOMPARE(ReadFileBytes(records), QByteArray("\xC3\xBC"
                                                    "ber \"tls\"|42|Yes\r\n"));
        {
            TDeployRig rig(store_.Store());
            rig.Port.AnswerTo(QStringLiteral("Open data"), records);
            rig.Port.AnswerTo(QStringLiteral("Open images"), images);
            rig.Port.AnswerTo(QStringLiteral("already exist"), QStringLiteral("Append"));
            QVERIFY(rig.Run([&](TDeployment& d) { d.Export(t, false); }));
            QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join('\n')));
            QVERIFY(!remoteExists(t, QStringLiteral("export_db.php")));
        }
        QCOMPARE(host_->Query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t.TableName))
                     .value(0)
                     .value(0),
                 QByteArray("2"));
        {
            TDeployRig rig(store_.Store());
            rig.Port.AnswerTo(QStringLiteral("Remove Database ") + t.DbName,
                              QStringLiteral("Server Only"));
            QVERIFY(rig.Run([&](TDeployment& d) { d.RemoveDatabase(t.DbName); }));
            QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join('\n')));
        }
        QVERIFY(!tableExists(t.TableName));
        const QStringList left =
            QDir(Remote(*host_, t, {})).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
    }

    // A server without TLS: "only" refuses before the password, "if
    // offered" goes on and the report says so.
    void serverWithoutTls() {
        TBTable only = project(QStringLiteral("plainonly"), QStringLiteral("ftps"),
                               QStringLiteral("FTP"), "URL");
        TDeployRig refused(store_.Store());
        refused.Port.AnswerTo(kTables, QStringLiteral("Create"));
        QVERIFY(refused.Run([&](TDeployment& d) { d.Upload(only, false); }));
        QVERIFY(!refused.Deployment().Succeeded());
        const QStringList warnings = refused.Port.EventsOf(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().startsWith(QLatin1String("Upload failed. The FTP server "
                                                           "127.0.0.1:")) &&
                     warnings.first().contains(QLatin1String("does not offer FTP over TLS")),
                 qPrintable(warnings.first()));
        QVERIFY(!QFileInfo::exists(Remote(*host_, only, {})));
        QVERIFY(!ProjectStore::ReadUploaded(store_.Store(), only.DbName));

        TBTable offered = project(QStringLiteral("plainoffered"), QStringLiteral("ftps-if-offered"),
                                  QStringLiteral("FTP"), "URL");
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(kTables, QStringLiteral("Leave"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(offered, false); }));
        QVERIFY(rig.Deployment().Succeeded());
        QVERIFY(ReadFileBytes(offered.LocalPath + QStringLiteral("Upload.log"))
                    .contains("The FTP connection was not encrypted"));
    }

    // Without the test authority: the question first (No: nothing changes
    // on the server), then Yes stores the fingerprint; another certificate
    // trusted before is refused without a question.
    void certificateTrust() {
        trustTestAuthority(false, *host_);
        const QString fingerprint = setting("TLS_CERT_SHA256");
        const TBTable t =
            project(QStringLiteral("trusting"), QStringLiteral("ftps"), QStringLiteral("FTPS"));
        {
            TDeployRig rig(store_.Store());
            QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
            QVERIFY(!rig.Deployment().Succeeded());
            const QStringList asked = rig.Port.EventsOf(QStringLiteral("trust"));
            QCOMPARE(asked.size(), 1);
            QVERIFY(asked.first().contains(QLatin1String("unknown authority")));
            QVERIFY(asked.first().contains(QLatin1String("Corvanta test authority")));
            QVERIFY(asked.first().contains(fingerprint));
            const QStringList warnings = rig.Port.EventsOf(QStringLiteral("warning"));
            QCOMPARE(warnings.size(), 1);
            QVERIFY(warnings.first().startsWith(QLatin1String("Upload aborted. The certificate")));
            QVERIFY(warnings.first().contains(fingerprint));
            // Declined: the refusal says how to go on.
            QVERIFY2(warnings.first().contains(QLatin1String("start it again and trust the server "
                                                             "when asked (\"Trust this "
                                                             "certificate\")")),
                     qPrintable(warnings.first()));
            QVERIFY(!QFileInfo::exists(Remote(*host_, t, {})));
            QVERIFY(!ProjectStore::ReadUploaded(store_.Store(), t.DbName));
        }
        {
            TDeployRig rig(store_.Store());
            rig.Port.AnswerTo(fingerprint, QStringLiteral("Yes"));
            rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
            QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
            QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join('\n')));
            // Asked once: the same certificate on FTP and for the script.
            QCOMPARE(rig.Port.EventsOf(QStringLiteral("trust")).size(), 1);
        }
        // Stored for the server that showed it (the web server, asked
        // first); the FTP server's same certificate passes with it.
        const QString web = QStringLiteral("127.0.0.1:") + setting("HTTPS_PORT");
        QCOMPARE(ProjectStore::Load(store_.Store(), t.DbName).TrustedCertificates,
                 web + u'=' + fingerprint);
        QVERIFY(tableExists(t.TableName));

        // The web server's own entry names another certificate: changed.
        TBTable changed = ProjectStore::Load(store_.Store(), t.DbName);
        changed.TrustedCertificates = web + u'=' + QString(64, u'e');
        ProjectStore::Save(store_.Store(), changed);
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(QStringLiteral("Save data"), dir_.filePath(QStringLiteral("x.txt")));
        rig.Port.AnswerTo(QStringLiteral("Save images"), dir_.filePath(QStringLiteral("y.txt")));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Import(changed, false); }));
        QVERIFY(!rig.Deployment().Succeeded());
        QVERIFY(rig.Port.EventsOf(QStringLiteral("trust")).isEmpty());
        QVERIFY(rig.Port.EventsOf(QStringLiteral("warning"))
                    .join(' ')
                    .contains(QLatin1String("has changed since you trusted it")));
        QVERIFY(!QFileInfo::exists(dir_.filePath(QStringLiteral("x.txt"))));
    }

    // corvanta-cli: without --trust the command fails naming the
    // fingerprint; with it the fingerprint is stored and the upload runs.
    void cliTrustsOnlyTheFingerprintGiven() {
        trustTestAuthority(false, *host_);
        const QString fingerprint = setting("TLS_CERT_SHA256");
        const TBTable t =
            project(QStringLiteral("clitrust"), QStringLiteral("ftps"), QStringLiteral("FTPS"));
        const QString store = store_.Store().path();
        const TCliResult refused = RunCli(store, {"upload", "clitrust"});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(fingerprint.toLatin1()), refused.err.constData());
        QVERIFY(!QFileInfo::exists(Remote(*host_, t, {})));
        QCOMPARE(RunCli(store, {"upload", "clitrust", "--trust", "12:ab"}).status, 2);
        const TCliResult other =
            RunCli(store, {"upload", "clitrust", "--trust", QString(64, u'c')});
        QCOMPARE(other.status, 1);
        QVERIFY2(other.err.contains("did not match") &&
                     other.err.contains(fingerprint.toLatin1()) &&
                     other.err.contains("127.0.0.1:" + setting("HTTPS_PORT").toLatin1()),
                 other.err.constData());
        const TCliResult trusted =
            RunCli(store, {"upload", "clitrust", "--trust", fingerprint.toUpper()});
        QVERIFY2(trusted.status == 0, trusted.err.constData());
        QVERIFY(ProjectStore::Load(store_.Store(), t.DbName)
                    .TrustedCertificates.contains(u'=' + fingerprint));
        QVERIFY(QFileInfo::exists(Remote(*host_, t, QStringLiteral("search.php"))));
    }

    // FTP over TLS with one certificate, the web server with another: each
    // is asked about and trusted for its own server, and both stay trusted.
    void twoServersTwoCertificates() {
        trustTestAuthority(false, *host_);
        const QString ftpsPrint = setting("TLS_CERT_SHA256");
        const QString webPrint = setting("STUNNEL_CERT_SHA256");
        TBTable t = project(QStringLiteral("twocerts"), QStringLiteral("ftps"),
                            QStringLiteral("FTPS"), "STUNNEL_URL");
        {
            TDeployRig rig(store_.Store());
            rig.Port.AnswerTo(ftpsPrint, QStringLiteral("Yes"));
            rig.Port.AnswerTo(webPrint, QStringLiteral("Yes"));
            rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
            QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
            QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join('\n')));
            const QStringList asked = rig.Port.EventsOf(QStringLiteral("trust"));
            QCOMPARE(asked.size(), 2);
            QVERIFY(asked.join(' ').contains(setting("STUNNEL_PORT")));
        }
        const QString stored = ProjectStore::Load(store_.Store(), t.DbName).TrustedCertificates;
        QVERIFY2(stored.contains(setting("FTPS_SERVER") + u'=' + ftpsPrint) &&
                     stored.contains(trustEntry(QStringLiteral("STUNNEL"))),
                 qPrintable(stored));
    }

    // A web server that answers wrongly: every command fails (exit 1) and
    // says what happened and where, each fault in its own words.
    void webFaultsEachHaveTheirMessage() {
        const QList<std::pair<QString, QString>> faults = {
            {"cut-close", "answer was cut off after 100000 of 2000000 bytes"},
            {"cut-reset", "of 2000000 bytes"},
            {"status-500", "answered \"500 Internal Server Error\""},
            {"redirect-loop", "(a redirect loop)"},
            {"bad-chunk", "broken chunked answer"},
            {"endless-head", "its header does not end"},
        };
        const QString store = store_.Store().path();
        const QString files = dir_.filePath(QStringLiteral("faultfiles"));
        QDir().mkpath(files);
        for (const char* name : {"records.txt", "images.txt"})
            WriteFileBytes(files + u'/' + QString::fromLatin1(name), "");
        int n = 0;
        for (const auto& [kind, words] : faults) {
            const auto check = [&](const TCliResult& r, const QString& what) {
                const QString why = what + u' ' + kind + u' ' + QString::fromUtf8(r.err);
                QVERIFY2(r.status == 1 && r.err.contains(words.toUtf8()), qPrintable(why));
                QVERIFY2(!r.err.contains("successful"), qPrintable(why));
            };
            TFaultServer web({QStringLiteral("http-fault"), kind});
            QVERIFY(web.port > 0);
            TBTable t = project(QStringLiteral("fault%1").arg(++n), QStringLiteral("ftp"),
                                QStringLiteral("FTP"), "URL");
            t.URL = QStringLiteral("http://127.0.0.1:%1/%2/").arg(web.port).arg(t.DbName);
            ProjectStore::Save(store_.Store(), t);
            // As a Generate and an earlier upload leave them.
            QDir().mkpath(t.LocalPath + QStringLiteral("admin"));
            QDir().mkpath(Remote(*host_, t, QStringLiteral("admin")));
            const QStringList records = {"--records", files + QStringLiteral("/records.txt"),
                                         "--images", files + QStringLiteral("/images.txt")};
            check(RunCli(store, QStringList{"import", t.DbName} + records), "import");
            // Every command for the commonest faults; one command for the rest.
            if (n > 2)
                continue;
            check(RunCli(store, {"upload", t.DbName, "--create-db"}), "upload");
            check(RunCli(store, QStringList{"export", t.DbName} + records), "export");
            check(RunCli(store, {"remove", t.DbName, "--server"}), "remove");
        }
    }

    // Each fault its own words: a wrong SFTP password, a refused port.
    void connectionFaultsSayWhat() {
        TBTable wrong =
            project(QStringLiteral("wrongpw"), QStringLiteral("sftp"), QStringLiteral("SFTP"));
        wrong.TrustedHostKey = setting("SSH_HOST_KEY_SHA256");
        wrong.Password = QStringLiteral("not the password");
        ProjectStore::Save(store_.Store(), wrong);
        TDeployRig rig(store_.Store());
        QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(wrong, false); }));
        QCOMPARE(rig.Port.EventsOf(QStringLiteral("warning")),
                 QStringList{"FTP connection failed! FTP User name or Password is incorrect."});

        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 closed = probe.serverPort();
        probe.close();
        TBTable refused =
            project(QStringLiteral("refused"), QStringLiteral("ftps"), QStringLiteral("FTPS"));
        refused.Server = QStringLiteral("127.0.0.1:%1").arg(closed);
        ProjectStore::Save(store_.Store(), refused);
        TDeployRig second(store_.Store());
        QVERIFY(second.Run([&](TDeployment& d) { d.Upload(refused, false); }));
        QCOMPARE(second.Port.EventsOf(QStringLiteral("warning")),
                 QStringList{QStringLiteral("Upload failed. Could not connect to 127.0.0.1:%1: "
                                            "connection refused")
                                 .arg(closed)});
        QVERIFY(!ProjectStore::ReadUploaded(store_.Store(), refused.DbName));
    }

    // An upload cut off half-way is marked: Remove takes the folders it made
    // away although the tables were never made.
    void partialUploadIsRemovedAgain() {
        const TBTable t =
            project(QStringLiteral("partial"), QStringLiteral("ftps"), QStringLiteral("FTPS"));
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
        rig.Port.CancelWhen(QStringLiteral("Uploading search.php"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(!rig.Deployment().Succeeded());
        QVERIFY(remoteExists(t, QStringLiteral("admin")));
        QVERIFY(Files(Remote(*host_, t, {})).isEmpty());
        QVERIFY(!tableExists(t.TableName));
        QVERIFY(ProjectStore::ReadUploaded(store_.Store(), t.DbName));

        TDeployRig remove(store_.Store());
        remove.Port.AnswerTo(QStringLiteral("Remove Database partial"), QStringLiteral("Both"));
        QVERIFY(remove.Run([&](TDeployment& d) { d.RemoveDatabase(t.DbName); }));
        QVERIFY2(remove.Deployment().Succeeded(), qPrintable(remove.Port.Messages().join('\n')));
        QCOMPARE(QDir(Remote(*host_, t, {})).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(!ProjectStore::Exists(store_.Store(), t.DbName));
    }

    // Uploads of a changed site, each broken once at a random file: a reset
    // or a trickle inside a file's data, a full disk, an SFTP reset, a
    // Cancel. Each time the old site answers as before, no temporary file
    // is left, and the upload then goes through.
    void aBrokenUploadLeavesTheOldSiteWhole() {
        const int rounds = qEnvironmentVariableIsSet("CORVANTA_UPLOAD_FAULT_ROUNDS")
                               ? qEnvironmentVariableIntValue("CORVANTA_UPLOAD_FAULT_ROUNDS")
                               : 20;
        TBTable t = project(QStringLiteral("faulty"), QStringLiteral("ftp"),
                            QStringLiteral("VSFTPD_PLAIN"), "URL");
        t.UserMode = QStringLiteral("Login");
        t.UserUpdate = true;
        const auto useServer = [&](bool sftp) {
            t.Transfer = sftp ? QStringLiteral("sftp") : QStringLiteral("ftp");
            t.Server = setting(sftp ? "SFTP_SERVER" : "VSFTPD_PLAIN_SERVER");
            t.User = setting(sftp ? "SFTP_USER" : "VSFTPD_USER");
            t.Password = setting(sftp ? "SFTP_PASSWORD" : "VSFTPD_PASSWORD");
            t.TrustedHostKey = setting("SSH_HOST_KEY_SHA256");
        };
        const auto upload = [&](TDeployRig& rig, const TBTable& table, bool create = false) {
            rig.Port.AnswerTo(kTables, create ? QStringLiteral("Create") : QStringLiteral("Leave"));
            rig.Deployment().SetFtpTimeOut(2000);
            return rig.Run([&](TDeployment& d) { d.Upload(table, false); }) &&
                   rig.Deployment().Succeeded();
        };
        const QString folder = Remote(*host_, t, {});
        // What each page answers, so that "as before" can be checked.
        const auto answers = [&] {
            QMap<QString, QByteArray> pages;
            for (const QString& file : Files(folder).keys())
                if (file.endsWith(QLatin1String(".php")) || file.endsWith(QLatin1String(".html"))) {
                    const THttpReply r = host_->Get(t.URL + file);
                    // Each visitor's forms carry a token of his own.
                    const QString body = QString::fromLatin1(r.body).replace(
                        QRegularExpression(
                            QStringLiteral("NAME=\"corvanta_form\" VALUE=\"[0-9a-f]{32}\"")),
                        QStringLiteral("NAME=\"corvanta_form\""));
                    pages.insert(file, QByteArray::number(r.status) + ' ' + body.toLatin1());
                }
            return pages;
        };
        const auto published = [&] {
            for (const auto& [file, bytes] : Files(folder).asKeyValueRange())
                if (QFileInfo::exists(t.LocalPath + file) &&
                    bytes != ReadFileBytes(t.LocalPath + file))
                    return file;
            return QString();
        };
        useServer(false);
        ProjectStore::Save(store_.Store(), t);
        {
            TDeployRig first(store_.Store());
            QVERIFY(upload(first, t, true));
            // vsftpd lets no anonymous account change permissions: the report says so.
            QVERIFY(first.Port.LastReport()->PlainText().contains("admin/search.php"));
            // Apache sends the files it serves as they are with the pages'
            // headers, through the site's .htaccess.
            for (const char* file : {"index.html", "admin/site.js"}) {
                const THttpReply r = host_->Get(t.URL + file);
                QCOMPARE(r.headers.value("x-content-type-options"), QByteArray("nosniff"));
                QVERIFY2(r.headers.value("content-security-policy").contains("script-src 'self'"),
                         file);
            }
        }

        const QStringList faults = {"ftp-reset",  "ftp-trickle", "ftp-552",
                                    "sftp-reset", "cancel",      "ftp-451"};
        QRandomGenerator* random = QRandomGenerator::global();
        int missed = 0;
        for (int round = 0; round < rounds; ++round) {
            const QString fault = faults[round % faults.size()];
            const bool sftp = fault == "sftp-reset" || (fault == "cancel" && round % 2);
            // Every page changes: each round the site has another title.
            t.DatabaseDisplayName = QStringLiteral("Round %1").arg(round);
            useServer(sftp);
            ProjectStore::Save(store_.Store(), t);
            const QMap<QString, QByteArray> before = Files(folder);
            const QMap<QString, QByteArray> pages = answers();
            host_->ClearPhpErrors();

            // A random file of those the upload will send.
            TDeployRig generate(store_.Store());
            QVERIFY(generate.Run([&](TDeployment& d) { d.Generate(t, false); }));
            QList<TPublishFile> sent;
            qint64 bytes = 0;
            for (const TPublishFile& f :
                 TPublishPlan::Site(t, TPublished::Load(store_.Store(), t.DbName, t), false).Files)
                if (f.Send) {
                    sent << f;
                    bytes += QFileInfo(f.Local).size();
                }
            QVERIFY(sent.size() > 10);
            const int at = int(random->bounded(sent.size()));
            // The table scripts that read the live tables go before the site.
            qint64 tableBytes = 0;
            for (const char* script : {"runtime.php", "columns_db.php"})
                tableBytes += QFileInfo(t.LocalPath + QLatin1String(script)).size();
            QVERIFY(tableBytes > 0);
            // SSH says a few kilobytes before the first file.
            const qint64 atByte = 8000 + tableBytes + random->bounded(bytes * 8 / 10);
            std::optional<TFaultProxy> proxy;
            TBTable broken = t;
            TDeployRig rig(store_.Store());
            if (fault == "cancel") {
                rig.Port.CancelWhen(QStringLiteral("Uploading ") + sent[at].Shown);
            } else {
                proxy.emplace(fault, t.Server, sftp ? atByte : at + 3);
                QVERIFY(!proxy->server.isEmpty());
                broken.Server = proxy->server;
            }
            const bool uploaded = upload(rig, broken);
            const QString what = QStringLiteral("round %1, %2 at %3: %4")
                                     .arg(round)
                                     .arg(fault)
                                     .arg(sftp ? QString::number(atByte) : sent[at].Shown)
                                     .arg(rig.Port.Messages().join('\n'));
            qInfo("%s", qPrintable(what));
            if (uploaded && proxy && !proxy->Struck()) {
                ++missed; // the upload ended before the fault was due
                continue;
            }
            QVERIFY2(!uploaded, qPrintable(what));
            QVERIFY2(rig.Port.Messages().last().endsWith("The site on the server was not changed."),
                     qPrintable(what));
            QVERIFY2(Files(folder) == before, qPrintable(what));
            QVERIFY2(answers() == pages, qPrintable(what));
            QCOMPARE(host_->PhpErrors(), QByteArray());

            TDeployRig again(store_.Store());
            QVERIFY2(upload(again, t), qPrintable(again.Port.Messages().join('\n')));
            QCOMPARE(published(), QString());
            QCOMPARE(Files(folder).size(), before.size());
        }
        QVERIFY2(missed <= rounds / 4, qPrintable(QString::number(missed)));

        // Cut off while the files are renamed into place: the report says the
        // site is half new, no temporary file stays, the next upload ends it.
        t.DatabaseDisplayName = QStringLiteral("Switched");
        useServer(false);
        ProjectStore::Save(store_.Store(), t);
        TFaultProxy proxy(QStringLiteral("ftp-switch"), t.Server, 5);
        TBTable broken = t;
        broken.Server = proxy.server;
        TDeployRig rig(store_.Store());
        QVERIFY(!upload(rig, broken));
        QVERIFY2(rig.Port.Messages().last().contains(
                     QRegularExpression("put in place: 4 of [0-9]+ files are new, the others are "
                                        "still the old ones. Upload again")),
                 qPrintable(rig.Port.Messages().last()));
        QCOMPARE(Files(folder).keys().filter(QStringLiteral(".corvanta-new")), QStringList());
        TDeployRig again(store_.Store());
        QVERIFY(upload(again, t));
        QCOMPARE(published(), QString());
    }
};

QTEST_GUILESS_MAIN(TestSecureDeploy)
#include "TestSecureDeploy.moc"
