// corvanta-cli generate, upload, import, export and remove on the local web
// host: the same results as in the desktop program, messages on stderr,
// reports on stdout, exit statuses 0 (done), 1 (failed or refused), 2 (usage).
#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "model/ProjectStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestCliDeploy : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    QTemporaryDir dir_;
    QString storePath_;
    std::unique_ptr<TStore> store_;

    TCliResult cli(const QStringList& arguments) { return RunCli(storePath_, arguments); }

    TBTable project(const QString& name) {
        TBTable t = TBTable::New();
        t.DbName = name;
        t.TableName = name;
        t.AdminPassword = QStringLiteral("secret");
        TBField f;
        f.Name = QStringLiteral("Title");
        f.FieldName = QStringLiteral("title");
        f.FieldName2 = QStringLiteral("title2");
        f.FieldType = FieldTypes::Text;
        f.InputType = InputTypes::Text;
        f.MaxLength = 40;
        f.SeqNo = 1;
        f.Visible = true;
        t.Fields.push_back(f);
        host_->ApplyTo(t, name);
        t.LocalPath = dir_.filePath(name) + QLatin1Char('/');
        return t;
    }

    bool tableExists(const QString& table) {
        return !host_->Query(QStringLiteral("SHOW TABLES LIKE '%1'").arg(table)).isEmpty();
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        storePath_ = dir_.filePath(QStringLiteral("store.json"));
        store_ = std::make_unique<TStore>(storePath_);
    }

    void generateWritesTheSiteOrSaysWhyNot() {
        TBTable t = project(QStringLiteral("cligen"));
        ProjectStore::Save(*store_, t);
        TCliResult r = cli({"generate", "cligen"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith("Generating report\n\nGenerating process was successful.\n"));
        QCOMPARE(r.err, "Report saved to '" + t.LocalPath.toUtf8() + "Generate.log'\n");
        for (const char* file : {"create_db.php", "runtime.php", "search.php", "admin/runtime.php",
                                 "admin/index.html", "Generate.log"})
            QVERIFY2(QFile::exists(t.LocalPath + QLatin1String(file)), file);
        // Again: what came out the same is left as it was, and the report says so.
        r = cli({"generate", "cligen"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains("\n  search.php (unchanged)\n") &&
                     r.out.contains("\n  create_db.php\n") &&
                     r.out.contains("Files marked (unchanged) already held these bytes"),
                 r.out.constData());

        t.DbName = QStringLiteral("cligen-deep");
        t.LocalPath = dir_.filePath(QStringLiteral("missing/site/"));
        ProjectStore::Save(*store_, t);
        r = cli({"generate", "cligen-deep"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, "Directory \"" + t.LocalPath.toUtf8() +
                            "\" cannot be created.\n(In the project JSON: Settings.LocalPath.)\n");
        // Every refusal about a setting names its place in the project JSON.
        t.DbName = QStringLiteral("cligen-nopass");
        t.AdminPassword.clear();
        ProjectStore::Save(*store_, t);
        r = cli({"generate", "cligen-nopass"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("(In the project JSON: Settings.AdminPassword.)"),
                 r.err.constData());

        t.DbName = QStringLiteral("cligen-empty");
        t.Fields.resize(2);
        ProjectStore::Save(*store_, t);
        r = cli({"generate", "cligen-empty"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, QByteArray("No Database Fields present.\n"));
        QCOMPARE(r.out, QByteArray());

        QCOMPARE(cli({"generate", "nothing"}).status, 1);
        QCOMPARE(cli({"generate"}).status, 2);
        // Every command explains itself, with every option it takes.
        for (const char* command : {"generate", "upload", "export", "remove"}) {
            r = cli({command, "--help"});
            QVERIFY(r.status == 0 &&
                    r.out.startsWith("Usage: corvanta-cli " + QByteArray(command)));
            QCOMPARE(r.out.contains("--trust SHA256"), QByteArray(command) != "generate");
        }
    }

    void uploadImportExportRemove() {
        const TBTable t = project(QStringLiteral("cliweb"));
        ProjectStore::Save(*store_, t);

        TCliResult r = cli({"upload", "cliweb", "--create-db"});
        QVERIFY2(r.status == 0, (r.out + r.err).constData());
        QVERIFY2(r.out.contains("Upload process was successful, database creation process was "
                                "successful.\n"),
                 r.out.constData());
        QVERIFY(r.err.contains("The tables on the server\nThe site has no table cliweb yet: "
                               "Upload creates its tables.\n-> Create new empty tables\n"));
        QVERIFY(tableExists("cliweb"));
        QVERIFY(!QFile::exists(QDir(host_->DocumentRoot()).filePath("cliweb/create_db.php")));
        QVERIFY(host_->Exec("INSERT INTO cliweb(title) VALUES ('first'), ('second')"));

        const QString records = dir_.filePath(QStringLiteral("records.txt"));
        const QString images = dir_.filePath(QStringLiteral("images.txt"));
        QCOMPARE(cli({"import", "cliweb", "--records", records}).status, 2);
        r = cli({"import", "cliweb", "--records", records, "--images", images});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.endsWith("Database has been imported successfully.\n"));
        QCOMPARE(ReadFileBytes(records), QByteArray("first\r\nsecond\r\n"));
        QCOMPARE(ReadFileBytes(images), QByteArray(""));

        r = cli({"export", "cliweb", "--records", records, "--images", images});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.contains("Table (cliweb) with 2 lines already exists on the server. -> "
                               "Append\n"));
        QVERIFY(r.err.contains("Exporting finished.\n2 records have been exported."));
        r = cli({"export", "cliweb", "--records", records, "--images", images, "--replace"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.contains("with 4 lines already exists on the server. -> Replace\n"));
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM cliweb").first().first(), QByteArray("2"));

        // A new field: --plan shows its column and changes nothing, not even
        // the pages; --update-db adds it and keeps the records.
        QCOMPARE(cli({"upload", "cliweb", "--plan", "--update-db"}).status, 2);
        TBTable grown = t;
        TBField count = grown.Fields.back();
        count.Name = QStringLiteral("Count");
        count.FieldName = QStringLiteral("count");
        count.FieldName2 = QStringLiteral("count2");
        count.FieldType = FieldTypes::Integer;
        count.SeqNo = 2;
        grown.Fields.push_back(count);
        ProjectStore::Save(*store_, grown);
        const QString search = QDir(host_->DocumentRoot()).filePath("cliweb/search.php");
        const QByteArray page = ReadFileBytes(search);
        r = cli({"upload", "cliweb", "--plan"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains("Table cliweb holds 2 records.\nUpdating the tables takes these "
                                "steps:\n1. Add column count for field \"Count\" (Integer).\n"),
                 r.out.constData());
        QVERIFY(r.out.contains("Update the tables (keeps the records) (the default)\n"));
        QCOMPARE(ReadFileBytes(search), page);
        QVERIFY(host_->Query("SHOW COLUMNS FROM cliweb LIKE 'count'").isEmpty());
        QVERIFY(!QFile::exists(QDir(host_->DocumentRoot()).filePath("cliweb/columns_db.php")));
        r = cli({"upload", "cliweb", "--update-db"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains("the tables were updated and keep their records."));
        QCOMPARE(host_->Query("SELECT COUNT(count) + COUNT(*) FROM cliweb").first().first(),
                 QByteArray("2"));
        QVERIFY(ReadFileBytes(search) != page);

        QCOMPARE(cli({"remove", "cliweb"}).status, 2);
        QCOMPARE(cli({"remove", "cliweb", "--server", "--settings"}).status, 2);
        r = cli({"remove", "cliweb", "--both"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.endsWith("Database cliweb has been removed successfully.\n"));
        QVERIFY(!tableExists("cliweb"));
        QVERIFY(!ProjectStore::Exists(TStore(storePath_), QStringLiteral("cliweb")));
        QVERIFY(!QFile::exists(t.LocalPath + QStringLiteral("index.html")));
    }

    void failuresEndWithStatusOne() {
        TBTable t = project(QStringLiteral("clifail"));
        t.Password = QStringLiteral("wrong");
        ProjectStore::Save(*store_, t);
        TCliResult r = cli({"upload", "clifail"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, QByteArray("FTP connection failed! FTP User name or Password is "
                                   "incorrect.\n"));
        QCOMPARE(r.out, QByteArray());

        // Never uploaded: only this computer can be cleaned.
        r = cli({"remove", "clifail", "--server"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("never uploaded"));
        r = cli({"remove", "clifail", "--settings"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QByteArray("Do you really want to remove the Database from your PC? -> "
                                   "Yes\nDatabase clifail has been removed successfully.\n"));
    }
};

QTEST_GUILESS_MAIN(TestCliDeploy)
#include "TestCliDeploy.moc"
