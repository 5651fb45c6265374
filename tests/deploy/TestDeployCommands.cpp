// Upload, Import, Export and Remove end to end on the local web host (FTP
// server, PHP, MariaDB), run as corvanta-cli runs them and from the main
// window.
#include "DeployFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "common/WindowTestSupport.h"
#include "model/ProjectStore.h"
#include "ui/SelectDB.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kTables = QStringLiteral("The tables on the server");

// A TCP port on which nothing listens.
quint16 closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// An FTP server that accepts the connection and never says a word.
class TSilentServer : public QTcpServer {
public:
    TSilentServer() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection())
                s->setParent(this);
        });
    }
};

} // namespace

class TestDeployCommands : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    TTempStore store_;
    QTemporaryDir dir_;

    // A stored project whose site is the web host's folder `site`.
    TBTable sited(const QString& name, const QString& site) {
        TBTable t = DeployProject(name);
        PlaceOnHost(t, *host_, site, dir_.filePath(name));
        ProjectStore::Save(store_.Store(), t);
        return t;
    }

    bool remoteExists(const TBTable& t, const QString& file) {
        return QFileInfo::exists(Remote(*host_, t, file));
    }

    // Every file under the site's remote folder, relative to it.
    QStringList remoteFiles(const TBTable& t) {
        QStringList files;
        const QDir root(Remote(*host_, t, {}));
        QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << root.relativeFilePath(it.next());
        files.sort();
        return files;
    }

    bool tableExists(const QString& table) {
        return !host_->Query(QStringLiteral("SHOW TABLES LIKE '%1'").arg(table)).isEmpty();
    }

    // Upload with the tables created; true when it succeeded.
    bool uploadCreating(const TBTable& t) {
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
        return rig.Run([&](TDeployment& d) { d.Upload(t, false); }) && rig.Deployment().Succeeded();
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
    }

    void uploadPublishesTheSiteAndCreatesItsTables() {
        TBTable t = sited(QStringLiteral("upsite"), QStringLiteral("deep/er/upsite"));
        t.UserUpdate = true;
        // Site files; the pictures hold bytes an ASCII transfer would change.
        const QByteArray picture("GIF89a\r\n\0\x1a\r\xff\n", 13);
        const QString assets = dir_.filePath(QStringLiteral("assets/"));
        WriteFileBytes(assets + "style.css", "body { color: red; }\r\n");
        WriteFileBytes(assets + "bg.gif", picture);
        WriteFileBytes(assets + "logo.gif", picture + "logo");
        WriteFileBytes(assets + "adminlogo.gif", picture + "admin");
        t.Skin = assets + "style.css";
        t.BGImage = assets + "bg.gif";
        t.Logo = assets + "logo.gif";
        t.AdminLogo = assets + "adminlogo.gif";
        ProjectStore::Save(store_.Store(), t);
        QVERIFY(!QFileInfo::exists(QDir(host_->DocumentRoot()).filePath("deep")));

        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join('\n')));
        QCOMPARE(rig.Posted, QStringList{"create_db.php"});
        QCOMPARE(rig.Port.Messages().size(), 1); // the question, nothing else
        QVERIFY(
            rig.Port.Messages().first().startsWith(kTables + "\rThe site has no table upsite yet"));

        // The site, in the nested remote folder made level by level.
        const QStringList visitor = {
            "runtime.php",       "site.js",           ".htaccess",       "index.php",
            "index.html",        "menu.php",          "inc_counter.php", "add_record.php",
            "modify_record.php", "delete_record.php", "search.php",      "record.php",
            "get_image.php",     "show_image.php",    "style.css",       "bg.gif",
            "logo.gif"};
        const QStringList admin = {
            "runtime.php",    "site.js",           ".htaccess",         "index.php",
            "index.html",     "login.php",         "menu.php",          "logout.php",
            "add_record.php", "modify_record.php", "delete_record.php", "search.php",
            "record.php",     "get_image.php",     "show_image.php",    "style.css",
            "bg.gif",         "adminlogo.gif"};
        for (const QString& f : visitor)
            QVERIFY2(remoteExists(t, f), qPrintable(f));
        for (const QString& f : admin)
            QVERIFY2(remoteExists(t, "admin/" + f), qPrintable(f));
        QVERIFY(!remoteExists(t, "create_db.php"));
        QVERIFY(!remoteExists(t, "login.php"));
        QVERIFY(!remoteExists(t, "admin/users.php"));
        QCOMPARE(ReadFileBytes(Remote(*host_, t, "bg.gif")), picture);
        QCOMPARE(ReadFileBytes(Remote(*host_, t, "admin/adminlogo.gif")), picture + "admin");
        QCOMPARE(ReadFileBytes(Remote(*host_, t, "admin/style.css")),
                 QByteArray("body { color: red; }\r\n"));
        // Every file went live under its own name; no temporary copy is left.
        QCOMPARE(remoteFiles(t).size(), visitor.size() + admin.size());
        // Pages hold the database password: their owner's only, where the
        // server allows it (this one does).
        const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QCOMPARE(QFile::permissions(Remote(*host_, t, "admin/search.php")) & others,
                 QFileDevice::Permissions());
        QCOMPARE(QFile::permissions(Remote(*host_, t, "index.html")) & others, others);

        for (const char* suffix : {"", "_USERS", "_VISITS", "_SESSIONS", "_IMAGES", "_LOGINS"})
            QVERIFY2(tableExists(QStringLiteral("upsite") + suffix), suffix);
        QVERIFY(ProjectStore::ReadUploaded(store_.Store(), QStringLiteral("upsite")));
        // The script was asked for with the key of this generation.
        QVERIFY(rig.Http.RequestUrl.contains(QStringLiteral("?key=")));
        QCOMPARE(rig.Http.RequestUrl,
                 t.URL + rig.Deployment().Generator().KeyedScript(QStringLiteral("create_db.php")));

        QCOMPARE(rig.Port.ProgressMaximum(), 26);
        QCOMPARE(rig.Port.ProgressPosition(), 25);
        QCOMPARE(rig.Port.ProgressTexts(), (QStringList{"Generating files",
                                                        "Connecting to the server...",
                                                        "Reading the tables on the server",
                                                        "Uploading runtime.php",
                                                        "Uploading site.js",
                                                        "Uploading .htaccess",
                                                        "Uploading index.html",
                                                        "Uploading index.php",
                                                        "Uploading menu.php",
                                                        "Uploading inc_counter.php",
                                                        "Uploading add_record.php",
                                                        "Uploading modify_record.php",
                                                        "Uploading delete_record.php",
                                                        "Uploading search.php",
                                                        "Uploading record.php",
                                                        "Uploading get_image.php",
                                                        "Uploading show_image.php",
                                                        "Uploading admin/runtime.php",
                                                        "Uploading admin/site.js",
                                                        "Uploading admin/.htaccess",
                                                        "Uploading admin/index.html",
                                                        "Uploading admin/menu.php",
                                                        "Uploading admin/login.php",
                                                        "Uploading admin/add_record.php",
                                                        "Uploading admin/modify_record.php",
                                                        "Uploading admin/delete_record.php",
                                                        "Uploading admin/search.php",
                                                        "Uploading admin/index.php",
                                                        "Uploading admin/record.php",
                                                        "Uploading admin/logout.php",
                                                        "Uploading create_db.php",
                                                        "Uploading admin/get_image.php",
                                                        "Uploading admin/show_image.php",
                                                        "Uploading style.css",
                                                        "Uploading bg.gif",
                                                        "Uploading logo.gif",
                                                        "Uploading adminlogo.gif"}));
        QVERIFY(!rig.Port.ProgressVisible());
        QVERIFY(rig.Port.MainEnabled());

        QCOMPARE(rig.Port.LastFileInfo(), "Report saved to '" + t.LocalPath + "Upload.log'");
        // The report, like the scripts, is its owner's only.
        QCOMPARE(QFile::permissions(t.LocalPath + "Upload.log") &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        QCOMPARE(QFile::permissions(t.LocalPath + "admin/login.php") &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        QCOMPARE(rig.Port.LastSiteUrl(), t.URL);
        QCOMPARE(ReadFileBytes(t.LocalPath + "Upload.log"),
                 "Upload report\r\n\r\nUpload process was successful, database creation process "
                 "was successful.\r\n\r\nThe tables on the server:\r\nThe site has no table "
                 "upsite yet: Upload creates its tables.\r\nAnswer: Create new empty tables\r\n"
                 "\r\nThe site was uploaded to:\r\n" +
                     t.URL.toUtf8() + "\r\n\r\nVisitor functions are available at:\r\n" +
                     t.URL.toUtf8() + "\r\n\r\nAdministrator functions are available at:\r\n" +
                     t.URL.toUtf8() +
                     "admin/\r\n\r\nYour administrator password is:\r\nsecret"
                     "\r\n\r\nFiles sent: 36. Unchanged since the last upload, not sent "
                     "again: 0.\r\n\r\nThe FTP connection was not encrypted: the server does not "
                     "offer FTP over TLS. Your password and files went over the network in plain "
                     "text.\r\n\r\n");
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void uploadWithoutCreatingKeepsRecordsAndDropsPagesSwitchedOff() {
        TBTable t = ProjectStore::Load(store_.Store(), QStringLiteral("upsite"));
        QVERIFY(host_->Exec(QStringLiteral("INSERT INTO upsite(title) VALUES('kept record')")));
        t.UserUpdate = false;
        ProjectStore::Save(store_.Store(), t);

        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(kTables, QStringLiteral("Leave"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(rig.Deployment().Succeeded());
        QCOMPARE(rig.Posted, QStringList());
        // Only the tables were read, by a script beside its own runtime layer
        // that is gone again.
        QCOMPARE(rig.Http.RequestUrl,
                 t.URL + "corvanta_tables/" +
                     rig.Deployment().Generator().KeyedScript(QStringLiteral("columns_db.php")));
        QVERIFY(!remoteExists(t, "corvanta_tables"));
        QCOMPARE(
            rig.Port.LastReport()->Lines[2].Text,
            QStringLiteral("Upload process was successful, database creation was not performed."));
        for (const char* f : {"add_record.php", "modify_record.php", "delete_record.php"})
            QVERIFY2(!remoteExists(t, QString::fromLatin1(f)), f);
        QVERIFY(remoteExists(t, "admin/add_record.php"));
        QVERIFY(!remoteExists(t, "create_db.php"));
        QCOMPARE(host_->Query(QStringLiteral("SELECT title FROM upsite")).size(), 1);
        // The gauge skips the three pages as if they had been sent.
        QCOMPARE(rig.Port.ProgressPosition(), 25);
    }

    void firstUploadCreatesTheTablesByDefault() {
        // Enter answers the plan: create while the site has no tables yet,
        // update once it has them (its records are then at stake).
        const TBTable t = sited(QStringLiteral("fresh"), QStringLiteral("fresh"));
        TDeployRig first(store_.Store());
        QVERIFY(first.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(first.Deployment().Succeeded());
        QCOMPARE(first.Port.Events().first().Kind, QStringLiteral("tables"));
        QCOMPARE(first.Port.Events().first().Answer, QStringLiteral("Create"));
        QVERIFY(tableExists("fresh"));
        QVERIFY(host_->Exec(QStringLiteral("INSERT INTO fresh(title) VALUES('kept')")));
        TDeployRig again(store_.Store());
        QVERIFY(again.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QCOMPARE(again.Port.Events().first().Answer, QStringLiteral("Update"));
        QCOMPARE(host_->Query(QStringLiteral("SELECT title FROM fresh")).size(), 1);
        QCOMPARE(again.Port.LastReport()->Lines[3].Text, QString());
        // Nothing changed, nothing sent; the gauge still comes to its end.
        QCOMPARE(again.Port.ProgressTexts().filter(QStringLiteral("Uploading")), QStringList());
        QVERIFY2(again.Port.LastReport()->PlainText().contains(
                     "Files sent: 0. Unchanged since the last upload, not sent again: 28."),
                 qPrintable(again.Port.LastReport()->PlainText()));
        QCOMPARE(again.Port.ProgressPosition(), 22);

        // Another folder on the server knows nothing of this one.
        TBTable moved = t;
        moved.PHPPath = QStringLiteral("fresh2/");
        moved.URL = host_->Url() + moved.PHPPath;
        ProjectStore::Save(store_.Store(), moved);
        TDeployRig elsewhere(store_.Store());
        elsewhere.Port.AnswerTo(kTables, QStringLiteral("Leave"));
        QVERIFY(elsewhere.Run([&](TDeployment& d) { d.Upload(moved, false); }));
        QVERIFY(elsewhere.Port.LastReport()->PlainText().contains("Files sent: 28. "));
        QVERIFY(remoteExists(moved, "search.php"));

        // Declined on a first upload: the report says the site cannot work yet.
        const TBTable bare = sited(QStringLiteral("bare"), QStringLiteral("bare"));
        TDeployRig declined(store_.Store());
        declined.Port.AnswerTo(kTables, QStringLiteral("Leave"));
        QVERIFY(declined.Run([&](TDeployment& d) { d.Upload(bare, false); }));
        QVERIFY(declined.Port.LastReport()->Lines[3].Text.startsWith(
            QStringLiteral("The site will not work until its tables are created")));
        QVERIFY(ReadFileBytes(bare.LocalPath + "Upload.log").contains("will not work"));
    }

    void theUploadedSiteAnswers() {
        const TBTable t = ProjectStore::Load(store_.Store(), QStringLiteral("upsite"));
        const THttpReply reply = host_->Get(t.URL + "search.php?job=search");
        QCOMPARE(reply.status, 200);
        if (reply.body.contains("is not generated yet"))
            QSKIP("the search page is still a placeholder");
        QVERIFY2(reply.body.contains("kept record"), reply.body.constData());
    }

    void cancelEndsTheUploadAfterTheFileInHand() {
        const TBTable t = sited(QStringLiteral("cancelled"), QStringLiteral("cancelled"));
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
        rig.Port.CancelWhen(QStringLiteral("Uploading search.php"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(!rig.Deployment().Succeeded());
        QCOMPARE(
            rig.Port.Messages().last(),
            QStringLiteral("Uploading canceled. Nothing of the site went live on the server."));
        // What was sent goes again: nothing, not even a temporary copy, stays.
        QCOMPARE(remoteFiles(t), QStringList());
        QVERIFY(remoteExists(t, "admin"));
        // Its folders are on the server: Remove may take them away again.
        QVERIFY(ProjectStore::ReadUploaded(store_.Store(), QStringLiteral("cancelled")));
        QVERIFY(ProjectStore::ReadUploadIncomplete(store_.Store(), QStringLiteral("cancelled")));
        QVERIFY(!rig.Port.ProgressVisible());
        QVERIFY(rig.Port.MainEnabled());
        QVERIFY(!rig.Ftp.Connected());
        QVERIFY(rig.Posted.isEmpty());
    }

    void failuresGiveTheirMessageAndNeverASuccess() {
        struct Case {
            const char* name;
            std::function<void(TBTable&)> change;
            QStringList messages;
            bool uploaded;
        };
        // The plan says why the tables could not be read; the tables are
        // created as asked, which fails for the same reason.
        const QString question = kTables + "\rThey could not be read: ";
        const quint16 closed = closedPort();
        const QList<Case> cases = {
            {"wrong FTP password",
             [](TBTable& t) { t.Password = QStringLiteral("wrong"); },
             {"FTP connection failed! FTP User name or Password is incorrect."},
             false},
            {"unknown FTP host",
             [](TBTable& t) { t.Server = QStringLiteral("nowhere.invalid"); },
             {"FTP connection failed! The server name \"nowhere.invalid\" is unknown. Change the "
              "FTP server settings."},
             false},
            {"a URL that does not answer",
             [&](TBTable& t) {
                 t.URL = QStringLiteral("http://127.0.0.1:%1/failing/").arg(closed);
             },
             {question, QStringLiteral("Database creation failed. No response from the specified "
                                       "URL. Could not connect to 127.0.0.1:%1: connection "
                                       "refused.")
                            .arg(closed)},
             true},
            {"an error paragraph",
             [](TBTable& t) { t.DatabasePassword = QStringLiteral("wrong"); },
             {question, "Connection to the database server failed. Server, user or password is "
                        "incorrect."},
             true},
            {"a database server that does not answer",
             [&](TBTable& t) { t.DatabaseServer = QStringLiteral("127.0.0.1:%1").arg(closed); },
             {question, "The database server does not answer. Please try again later."},
             true},
            {"a skin that is not there",
             [](TBTable& t) { t.Skin = QStringLiteral("/nonexistent/skin.css"); },
             {"The skin (style sheet) \"/nonexistent/skin.css\" cannot be found. Choose a skin on "
              "the Appearance page of the settings, or put the file back."},
             false},
        };
        int n = 0;
        for (const Case& c : cases) {
            const QString name = QStringLiteral("failing%1").arg(++n);
            TBTable t = sited(name, QStringLiteral("failing"));
            t.TableName = name;
            c.change(t);
            ProjectStore::Save(store_.Store(), t);
            TDeployRig rig(store_.Store());
            rig.Deployment().SetInternetCheck([](const QStringList&) { return true; });
            rig.Port.AnswerTo(kTables, QStringLiteral("Create"));
            QVERIFY2(rig.Run([&](TDeployment& d) { d.Upload(t, false); }), c.name);
            const QStringList shown = rig.Port.Messages();
            QCOMPARE(shown.size(), c.messages.size());
            for (int i = 0; i < shown.size(); ++i)
                QVERIFY2(shown[i].startsWith(c.messages[i]), qPrintable(shown[i]));
            QVERIFY2(!rig.Port.LastReport(), c.name);
            QVERIFY(!rig.Deployment().Succeeded());
            QCOMPARE(ProjectStore::ReadUploaded(store_.Store(), name), c.uploaded);
            QVERIFY(!rig.Port.ProgressVisible());
            QVERIFY(rig.Port.MainEnabled());
            // Whatever the answer, the scripts are gone from the server.
            QVERIFY2(!remoteExists(t, "create_db.php"), c.name);
            QVERIFY2(!remoteExists(t, "corvanta_tables"), c.name);
            QVERIFY(!tableExists(name));
        }
    }

    void aSilentServerEndsInAnErrorAndCancelEndsTheWait() {
        TSilentServer silent;
        TBTable t = sited(QStringLiteral("silent"), QStringLiteral("silent"));
        t.Server = QStringLiteral("127.0.0.1:%1").arg(silent.serverPort());

        TDeployRig timed(store_.Store());
        timed.Deployment().SetFtpTimeOut(1000);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(timed.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(clock.elapsed() < 25000); // well before the 30 s default
        QCOMPARE(timed.Port.Messages().size(), 1);
        QVERIFY2(timed.Port.Messages().first().startsWith(QStringLiteral("Upload failed. ")),
                 qPrintable(timed.Port.Messages().first()));
        QVERIFY(!timed.Port.ProgressVisible());

        // Cancel during the wait: the default time-out is far off.
        TDeployRig cancelled(store_.Store());
        QTimer::singleShot(300, [&] { cancelled.Port.PressCancel(); });
        clock.restart();
        QVERIFY(cancelled.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(clock.elapsed() < 25000); // well before the 30 s default
        QCOMPARE(cancelled.Port.Messages(), QStringList{"Uploading canceled."});
        QVERIFY(cancelled.Port.MainEnabled());
    }

    void importExportImportGivesTheSameFiles() {
        TBTable t = sited(QStringLiteral("trade"), QStringLiteral("trade"));
        t.UserMode = QStringLiteral("Login");
        t.UserUpdate = true;
        ProjectStore::Save(store_.Store(), t);
        QVERIFY(uploadCreating(t));
        // The transfers send their own scripts: the runtime the pages run on
        // stays the file Upload put there.
        const QString runtime = Remote(*host_, t, "runtime.php");
        const qint64 uploaded = QDateTime::currentSecsSinceEpoch() - 3600;
        {
            QFile file(runtime);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(uploaded),
                                     QFileDevice::FileModificationTime));
        }
        QVERIFY(host_->Exec(
            QStringLiteral("INSERT INTO trade(userid, title, amount, done) VALUES "
                           "(5, 'O''Brien \"q\" \\\\ $x {$y}', 7, 1), (6, 'plain', -2, 0)")));
        QVERIFY(host_->Exec(
            QStringLiteral("INSERT INTO trade_USERS(userid, username, userpassword) VALUES "
                           "(5, 'member@x.org', 'pw\"$1'), (6, 'other@x.org', '')")));
        QVERIFY(host_->Exec(QStringLiteral(
            "INSERT INTO trade_IMAGES(imageid, userid, image_data, image_type) VALUES "
            "(9, 5, 'GIF89a\\r\\n', 'image/gif')")));

        const auto importInto = [&](const QString& prefix) {
            TDeployRig rig(store_.Store());
            rig.Port.AnswerTo(QStringLiteral("Save data"), prefix + "records.txt");
            rig.Port.AnswerTo(QStringLiteral("Save users"), prefix + "users.txt");
            rig.Port.AnswerTo(QStringLiteral("Save images"), prefix + "images.txt");
            rig.Run([&](TDeployment& d) { d.Import(t, false); });
            QVERIFY(rig.Deployment().Succeeded());
            QCOMPARE(rig.Posted, QStringList{"import_db.php"});
            QCOMPARE(rig.Port.Messages().last(),
                     QStringLiteral("Database has been imported successfully."));
            QCOMPARE(rig.Port.EventsOf(QStringLiteral("warning")), QStringList());
            QCOMPARE(rig.Http.RequestUrl, t.URL + rig.Deployment().Generator().KeyedScript(
                                                      QStringLiteral("import_db.php")));
            QCOMPARE(rig.Port.ProgressPosition(), 5);
            QVERIFY(!remoteExists(t, "import_db.php"));
        };
        const QString first = dir_.filePath(QStringLiteral("first-"));
        importInto(first);
        QCOMPARE(ReadFileBytes(first + "records.txt"),
                 QByteArray("5|O'Brien \"q\" \\ $x {$y}|7|Yes|111\r\n6|plain|-2|No|111\r\n"));
        QCOMPARE(ReadFileBytes(first + "users.txt"),
                 QByteArray("5|member@x.org|pw\"$1\r\n6|other@x.org|\r\n"));
        // The members' passwords are read by their owner only.
        QCOMPARE(QFile::permissions(first + "users.txt") &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        QCOMPARE(ReadFileBytes(first + "images.txt"),
                 "9|5|" + QByteArray("GIF89a\r\n").toBase64() + "|image/gif\r\n");

        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(QStringLiteral("Open data"), first + "records.txt");
        rig.Port.AnswerTo(QStringLiteral("Open users"), first + "users.txt");
        rig.Port.AnswerTo(QStringLiteral("Open images"), first + "images.txt");
        rig.Port.AnswerTo(QStringLiteral("already exist"), QStringLiteral("Replace"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Export(t, false); }));
        QVERIFY2(rig.Deployment().Succeeded(), qPrintable(rig.Port.Messages().join(u'\n')));
        QCOMPARE(rig.Posted, QStringList{"export_db_0.php"});
        QCOMPARE(rig.Port.EventsOf(QStringLiteral("export")),
                 QStringList{"Table (trade) with 2 lines already exists on the server."});
        QCOMPARE(rig.Port.Messages().last(),
                 QStringLiteral("Exporting finished.\n2 records have been exported. \n0 records "
                                "failed.\n2 users have been exported. \n0 users failed.\n1 image "
                                "has been exported. \n0 images failed."));
        QVERIFY(rig.Http.RequestUrl.startsWith(
            t.URL + rig.Deployment().Generator().KeyedScript(QStringLiteral("export_db.php"))));
        QVERIFY(rig.Http.RequestUrl.contains(QStringLiteral("&job=commit&parts=1")));
        QCOMPARE(rig.Port.ProgressPosition(), rig.Port.ProgressMaximum());
        QVERIFY(!remoteExists(t, "export_db_0.php"));
        QVERIFY(!remoteExists(t, "export_db.php"));
        QCOMPARE(host_->Query(QStringLiteral("SELECT COUNT(*) FROM trade")).first().first(),
                 QByteArray("2"));

        const QString second = dir_.filePath(QStringLiteral("second-"));
        importInto(second);
        for (const char* file : {"records.txt", "users.txt", "images.txt"})
            QCOMPARE(ReadFileBytes(second + file), ReadFileBytes(first + file));
        QCOMPARE(QFileInfo(runtime).lastModified().toSecsSinceEpoch(), uploaded);
        QCOMPARE(remoteFiles(t).filter(QStringLiteral(".corvanta-new")), QStringList());
    }

    void importOfASiteWithoutTablesReportsTheScriptsError() {
        const TBTable t = sited(QStringLiteral("notables"), QStringLiteral("notables"));
        // Never sent: the script has no folder to go to.
        TDeployRig early(store_.Store());
        QVERIFY(QDir().mkpath(t.LocalPath));
        early.Port.AnswerTo(QStringLiteral("Save data"), dir_.filePath("none-records.txt"));
        early.Port.AnswerTo(QStringLiteral("Save images"), dir_.filePath("none-images.txt"));
        QVERIFY(early.Run([&](TDeployment& d) { d.Import(t, false); }));
        QCOMPARE(early.Port.EventsOf(QStringLiteral("warning")),
                 QStringList{"Import failed. 550 No such file or directory."});
        QVERIFY(early.Posted.isEmpty());
        QVERIFY(early.Port.MainEnabled());

        // Uploaded without its tables: the script's own error.
        TDeployRig upload(store_.Store());
        upload.Port.AnswerTo(kTables, QStringLiteral("Leave"));
        QVERIFY(upload.Run([&](TDeployment& d) { d.Upload(t, false); }));
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(QStringLiteral("Save data"), dir_.filePath("none-records.txt"));
        rig.Port.AnswerTo(QStringLiteral("Save images"), dir_.filePath("none-images.txt"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.Import(t, false); }));
        QVERIFY(!rig.Deployment().Succeeded());
        QCOMPARE(rig.Port.EventsOf(QStringLiteral("warning")),
                 QStringList{"Error in script. Importing data failed."});
        QVERIFY(!QFileInfo::exists(dir_.filePath("none-records.txt")));
        QVERIFY(!remoteExists(t, "import_db.php"));
        QVERIFY(!rig.Port.ProgressVisible());
    }

    void removeFromTheServerOnly() {
        const TBTable t = ProjectStore::Load(store_.Store(), QStringLiteral("upsite"));
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(QStringLiteral("Remove Database upsite"), QStringLiteral("Server Only"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.RemoveDatabase(QStringLiteral("upsite")); }));
        QVERIFY(rig.Deployment().Succeeded());
        QCOMPARE(
            rig.Port.Messages(),
            (QStringList{"Do you really want to remove the Database from the server? All sites "
                         "and all records will be removed!",
                         "Database upsite has been removed successfully."}));
        QCOMPARE(rig.Http.RequestUrl,
                 t.URL + rig.Deployment().Generator().KeyedScript(QStringLiteral("remove_db.php")));
        QVERIFY(!tableExists("upsite"));
        QVERIFY(!tableExists("upsite_IMAGES"));
        QCOMPARE(QDir(Remote(*host_, t, {})).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        // Kept on this computer, and still offered for the server.
        QVERIFY(ProjectStore::Exists(store_.Store(), QStringLiteral("upsite")));
        QVERIFY(ProjectStore::ReadUploaded(store_.Store(), QStringLiteral("upsite")));
        QVERIFY(QFileInfo::exists(t.LocalPath + "search.php"));
        QVERIFY(!rig.Port.WaitVisible());

        // The server no longer holds the site: the next upload sends it whole.
        TDeployRig again(store_.Store());
        again.Port.AnswerTo(kTables, QStringLiteral("Leave"));
        QVERIFY(again.Run([&](TDeployment& d) { d.Upload(t, false); }));
        QVERIFY(again.Port.LastReport()->PlainText().contains(
            "Unchanged since the last upload, not sent again: 0."));
        QVERIFY(remoteExists(t, "admin/search.php"));
    }

    void removeSettingsAndServerKeepsTheUsersOwnFiles() {
        const TBTable t = ProjectStore::Load(store_.Store(), QStringLiteral("trade"));
        WriteFileBytes(t.LocalPath + "my notes.txt", "mine");
        WriteFileBytes(t.LocalPath + "photos/holiday.jpg", "mine too");
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(QStringLiteral("Remove Database trade"), QStringLiteral("Both"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.RemoveDatabase(QStringLiteral("trade")); }));
        QVERIFY(rig.Deployment().Succeeded());
        QCOMPARE(rig.Port.Messages().last(),
                 QStringLiteral("Database trade has been removed successfully."));
        QVERIFY(!tableExists("trade"));
        QVERIFY(!remoteExists(t, "index.html"));
        QVERIFY(!remoteExists(t, "admin"));
        QVERIFY(!ProjectStore::Exists(store_.Store(), QStringLiteral("trade")));
        QStringList left = QDir(t.LocalPath).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        left.sort();
        QCOMPARE(left, (QStringList{"my notes.txt", "photos"}));
        QVERIFY(QFileInfo::exists(t.LocalPath + "photos/holiday.jpg"));
    }

    void anErrorFromTheRemoveScriptLeavesTheSite() {
        TBTable t = sited(QStringLiteral("stays"), QStringLiteral("stays"));
        QVERIFY(uploadCreating(t));
        t.DatabasePassword = QStringLiteral("wrong");
        ProjectStore::Save(store_.Store(), t);
        TDeployRig rig(store_.Store());
        rig.Port.AnswerTo(QStringLiteral("Remove Database stays"), QStringLiteral("Both"));
        QVERIFY(rig.Run([&](TDeployment& d) { d.RemoveDatabase(QStringLiteral("stays")); }));
        QVERIFY(!rig.Deployment().Succeeded());
        QCOMPARE(rig.Port.EventsOf(QStringLiteral("warning")),
                 QStringList{"Connection to the database server failed. Server, user or password "
                             "is incorrect."});
        QVERIFY(tableExists("stays"));
        for (const char* f : {"index.html", "remove_db.php", "runtime.php", "admin/index.html"})
            QVERIFY2(remoteExists(t, QString::fromLatin1(f)), f);
        // The local stage still runs.
        QVERIFY(!ProjectStore::Exists(store_.Store(), QStringLiteral("stays")));
        QVERIFY(!rig.Port.WaitVisible());
    }

    void theMainWindowRunsUploadThroughItsQueuedSecondStage() {
        const TBTable t = sited(QStringLiteral("mainsite"), QStringLiteral("mainsite"));
        TScriptedPort port;
        port.AnswerTo(kTables, QStringLiteral("Create"));
        TMainF window(store_.Store(), &port);
        window.SetTable(t);
        window.SetChanged(false);
        window.UploadA->trigger();
        // The first stage has returned; the second waits in the event queue.
        QCOMPARE(window.PendingScript(), QStringLiteral("create_db.php"));
        QVERIFY(window.Deployment().Running());
        QVERIFY(!tableExists("mainsite"));
        QVERIFY(!port.MainEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!window.Deployment().Running(), 60000);
        QVERIFY(window.Deployment().Succeeded());
        QVERIFY(tableExists("mainsite"));
        QCOMPARE(port.LastReport()->Lines[2].Text,
                 QStringLiteral("Upload process was successful, database creation process was "
                                "successful."));
        QVERIFY(port.MainEnabled());

        // The window's clients tell a refused login.
        TBTable wrong = t;
        wrong.Password = QStringLiteral("wrong");
        window.SetTable(wrong);
        window.SetChanged(false);
        window.UploadA->trigger();
        QCOMPARE(port.Messages().last(),
                 QStringLiteral("FTP connection failed! FTP User name or Password is incorrect."));

        // The remove command offers every project but the open one.
        TBTable other = DeployProject(QStringLiteral("other"));
        other.LocalPath = dir_.filePath(QStringLiteral("other/"));
        ProjectStore::Save(store_.Store(), other);
        TDialogScript dialogs;
        QStringList offered;
        dialogs.Then([&](QDialog& d) {
            auto& select = static_cast<TSelectDBF&>(d);
            for (int i = 0; i < select.TableList->count(); ++i)
                offered << select.TableList->item(i)->text();
            select.TableList->setCurrentRow(int(offered.indexOf(QStringLiteral("other"))));
            select.accept();
        });
        window.SetDialogRunner(dialogs.Runner());
        port.AnswerTo(QStringLiteral("Remove Database other"), QStringLiteral("Settings Only"));
        window.RemoveA->trigger();
        QVERIFY(!offered.contains(QStringLiteral("mainsite")));
        QVERIFY(offered.contains(QStringLiteral("other")));
        QVERIFY(!ProjectStore::Exists(store_.Store(), QStringLiteral("other")));
        QCOMPARE(port.Messages().last(),
                 QStringLiteral("Database other has been removed successfully."));
    }
};

QTEST_MAIN(TestDeployCommands)
#include "TestDeployCommands.moc"
