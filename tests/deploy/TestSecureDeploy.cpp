// Upload, Import, Export and Remove against what hosting accounts offer
// today: HTTPS (and http redirected to it), FTP over TLS on pyftpdlib and on
// vsftpd, SFTP on sshd; the trust questions; faults that must end cleanly.
#include "DeployFixtures.h"

#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "common/WindowTestSupport.h"
#include "model/ProjectStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kTables = QStringLiteral("The tables on the server");

QByteArray Text(const QString& path) {
    return ReadFileBytes(path).replace("\r\n", "\n");
}

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
        QTest::newRow("https, FTP over TLS if offered (pyftpdlib)") << "ftps-if-offered"
                                                                    << "FTPS"
                                                                    << "HTTPS_URL";
        QTest::newRow("https, FTP over TLS only (vsftpd, session reuse)") << "ftps"
                                                                          << "VSFTPD"
                                                                          << "HTTPS_URL";
        QTest::newRow("http redirected to https, SFTP") << "sftp"
                                                        << "SFTP"
                                                        << "REDIRECT_URL";
    }
    void fullCycle() {
        QFETCH(QString, transfer);
        QFETCH(QString, server);
        QFETCH(QString, url);
        TBTable t = project(QStringLiteral("cycle%1").arg(server.toLower()), transfer, server,
                            qPrintable(url));
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
        QCOMPARE(ReadFileBytes(records), QByteArray("\xFC"
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
        QCOMPARE(QDir(Remote(*host_, t, {})).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
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
                                                           "127.0.0.1 does not offer FTP over "
                                                           "TLS")),
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
        QCOMPARE(ProjectStore::Load(store_.Store(), t.DbName).TrustedCertificate, fingerprint);
        QVERIFY(tableExists(t.TableName));

        TBTable changed = ProjectStore::Load(store_.Store(), t.DbName);
        changed.TrustedCertificate = QString(64, u'e');
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
        const TCliResult trusted =
            RunCli(store, {"upload", "clitrust", "--trust", fingerprint.toUpper()});
        QVERIFY2(trusted.status == 0, trusted.err.constData());
        QCOMPARE(ProjectStore::Load(store_.Store(), t.DbName).TrustedCertificate, fingerprint);
        QVERIFY(QFileInfo::exists(Remote(*host_, t, QStringLiteral("search.php"))));
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

    // An upload cut off half-way is marked: Remove takes the partial site
    // away although its tables were never made.
    void partialUploadIsRemovedAgain() {
        const TBTable t =
            project(QStringLiteral("partial"), QStringLiteral("ftps"), QStringLiteral("FTPS"));
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
        rig.Port.CancelWhen(QStringLiteral("Uploading search.php"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(!rig.Deployment().Succeeded());
        QVERIFY(remoteExists(t, QStringLiteral("index.html")));
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
};

QTEST_GUILESS_MAIN(TestSecureDeploy)
#include "TestSecureDeploy.moc"
