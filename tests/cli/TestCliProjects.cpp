#include "model/ProjectJson.h"
#include "model/ProjectStore.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestCliProjects : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString store;

    TCliResult importJson(const QByteArray& json, const QStringList& extra = {}) {
        const QString path = dir.filePath(QStringLiteral("p%1.json").arg(QRandomGenerator::global()->generate()));
        WriteFileBytes(path, json);
        return RunCli(store, QStringList{QStringLiteral("import-project"), path} + extra);
    }

private slots:
    void init() { store = dir.filePath(QStringLiteral("s%1.json").arg(QRandomGenerator::global()->generate())); }

    void usage() {
        QCOMPARE(RunCli(store, {}).status, 2);
        QCOMPARE(RunCli(store, {QStringLiteral("frobnicate")}).status, 2);
        QCOMPARE(RunCli(store, {QStringLiteral("export-project")}).status, 2);
        QCOMPARE(RunCli(store, {QStringLiteral("list"), QStringLiteral("--bogus")}).status, 2);
        const TCliResult missing = RunCli(store, {QStringLiteral("export-project"), QStringLiteral("None")});
        QCOMPARE(missing.status, 1);
        QVERIFY(missing.err.contains("None"));
    }

    void minimalProjectTakesDefaults() {
        const TCliResult r = importJson(R"({"DbName": "Mini", "Fields": [{"Name": "Title", "FieldType": "Text"}]})");
        QCOMPARE(r.status, 0);
        QCOMPARE(RunCli(store, {QStringLiteral("list")}).out, QByteArray("Mini\n"));
        const TBTable t = ProjectStore::Load(TStore(store), QStringLiteral("Mini"));
        QCOMPARE(t.NumOfFilterFields, 3); // stored default, not the new-project one
        QCOMPARE(t.Layout, Layouts::Frames); // a project file from before the one-page layout
        QVERIFY(t.AllowSearch);
        const TBField* f = t.FieldBySeqNo(1);
        QVERIFY(f);
        QVERIFY(f->FieldName.startsWith(QStringLiteral("title")));
        QVERIFY(f->FieldName2.startsWith(QStringLiteral("title")));
        QVERIFY(f->FieldName != f->FieldName2);
        QCOMPARE(f->TextLength, 30);
        QCOMPARE(f->TextAreaLines, 20);
    }

    void exportThenImportIsTheSameProject() {
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("Full");
        t.AdminPassword = QStringLiteral("se\"cr$et\\");
        t.CounterColor = qint32(0x80000018u);
        t.CounterOffset = -5;
        t.UserMode = QStringLiteral("Join");
        TBField f;
        f.Name = QStringLiteral("Colour");
        f.FieldType = FieldTypes::Text;
        f.InputType = InputTypes::Radio;
        f.EnumValues = {QStringLiteral("red"), QStringLiteral("green, \"light\"")};
        t.AddField(f);
        f.Name = QStringLiteral("Born");
        f.FieldType = FieldTypes::DateTime;
        f.InputType = InputTypes::DateTime;
        f.DateTimeFormat = QStringLiteral("DD/MM/YYYY");
        f.EnumValues.clear();
        t.AddField(f);
        ProjectStore::Save(*std::make_unique<TStore>(store), t);

        const TCliResult exported = RunCli(store, {QStringLiteral("export-project"), QStringLiteral("Full")});
        QCOMPARE(exported.status, 0);
        QVERIFY(importJson(exported.out, {QStringLiteral("--name"), QStringLiteral("Copy")}).status == 0);
        const TCliResult again = RunCli(store, {QStringLiteral("export-project"), QStringLiteral("Copy")});
        QJsonObject a = QJsonDocument::fromJson(exported.out).object();
        QJsonObject b = QJsonDocument::fromJson(again.out).object();
        QCOMPARE(b.value(QStringLiteral("DbName")).toString(), QStringLiteral("Copy"));
        a.remove(QStringLiteral("DbName"));
        b.remove(QStringLiteral("DbName"));
        QCOMPARE(a, b);
        QCOMPARE(a.value(QStringLiteral("Settings")).toObject().value(QStringLiteral("AdminPassword")).toString(),
                 t.AdminPassword);
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown setting") << QByteArray(R"({"DbName":"X","Settings":{"Colour":1}})") << "Colour";
        QTest::newRow("text for a number") << QByteArray(R"({"DbName":"X","Settings":{"MenuHeight":"tall"}})") << "MenuHeight";
        QTest::newRow("number for a flag") << QByteArray(R"({"DbName":"X","Settings":{"HomeCh":1}})") << "HomeCh";
        QTest::newRow("unknown field value") << QByteArray(R"({"DbName":"X","Fields":[{"Name":"a","FieldType":"Text","Colour":2}]})") << "Colour";
        QTest::newRow("enum not a list") << QByteArray(R"({"DbName":"X","Fields":[{"Name":"a","FieldType":"Text","EnumValues":"a"}]})") << "EnumValues";
        QTest::newRow("unsafe column") << QByteArray(R"({"DbName":"X","Fields":[{"Name":"a","FieldType":"Text","FieldName":"a; DROP"}]})") << "a; DROP";
        QTest::newRow("reserved column") << QByteArray(R"({"DbName":"X","Fields":[{"Name":"a","FieldType":"Text","FieldName":"password"}]})") << "password";
        QTest::newRow("unknown field type") << QByteArray(R"({"DbName":"X","Fields":[{"Name":"a","FieldType":"Blob"}]})") << "Blob";
        QTest::newRow("unknown layout") << QByteArray(R"({"DbName":"X","Settings":{"Layout":"tabs"}})") << "tabs";
        QTest::newRow("unknown top level") << QByteArray(R"({"DbName":"X","Extra":1})") << "Extra";
        QTest::newRow("no name") << QByteArray(R"({"Settings":{}})") << "name";
        // Definitions that would fail only on the server or when read back.
        const auto settings = [](const char* json) {
            return QByteArray(R"({"DbName":"X","Settings":)") + json + "}";
        };
        QTest::newRow("table name with a space")
            << settings(R"({"TableName":"my shop"})") << "project JSON: Settings.TableName.";
        QTest::newRow("table name with a quote")
            << settings("{\"TableName\":\"shop\\\"\"}") << "TableName";
        QTest::newRow("table name injection")
            << settings(R"({"TableName":"x; DROP TABLE y"})") << "TableName";
        QTest::newRow("table name reserved")
            << settings(R"({"TableName":"select"})") << "TableName";
        QTest::newRow("negative records per page")
            << settings(R"({"LinesPerPage":-10})") << "LinesPerPage";
        QTest::newRow("no records per page")
            << settings(R"({"LinesPerPage":0})") << "project JSON: Settings.LinesPerPage.";
        QTest::newRow("same delimiters")
            << settings(R"({"FieldDelimiter":";","RecordDelimiter":";"})") << "FieldDelimiter";
        QTest::newRow("negative max length")
            << QByteArray(
                   R"({"DbName":"X","Fields":[{"Name":"a","FieldType":"Text"},{"Name":"b","FieldType":"Text","MaxLength":-1}]})")
            << "project JSON: Fields[1].MaxLength.";
        QTest::newRow("column reserved")
            << QByteArray(
                   R"({"DbName":"X","Fields":[{"Name":"a","FieldType":"Text","FieldName":"table"}]})")
            << "table";
        QByteArray many = R"({"DbName":"X","Fields":[)";
        for (int i = 1; i <= 1000; ++i)
            many += QByteArray(i > 1 ? "," : "") + "{\"Name\":\"F" + QByteArray::number(i) +
                    "\",\"FieldType\":\"Integer\"}";
        QTest::newRow("1000 fields") << many + "]}"
                                     << "2004 columns";
        QTest::newRow("not json") << QByteArray("{oops") << "not a project file";
    }
    void refusals() {
        QFETCH(QByteArray, json);
        QFETCH(QString, named);
        const TCliResult r = importJson(json);
        QCOMPARE(r.status, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(named), r.err.constData());
        QCOMPARE(RunCli(store, {QStringLiteral("list")}).out, QByteArray());
    }

    void nameTakenInAnotherCase() {
        QCOMPARE(importJson(R"({"DbName":"Shop"})").status, 0);
        const TCliResult other = importJson(R"({"DbName":"shop"})");
        QCOMPARE(other.status, 1);
        QVERIFY2(other.err.contains("\"Shop\""), other.err.constData());
        QCOMPARE(importJson(R"({"DbName":"x"})", {QStringLiteral("--name"), QStringLiteral("SHOP")})
                     .status,
                 1);
        QCOMPARE(RunCli(store, {QStringLiteral("list")}).out, QByteArray("Shop\n"));
        // The same name replaces the project.
        QCOMPARE(importJson(R"({"DbName":"Shop","Settings":{"MenuHeight":50}})").status, 0);
        QCOMPARE(ProjectStore::Load(TStore(store), QStringLiteral("Shop")).MenuHeight, 50);
    }

    void pathsGetTheirSeparator() {
        QCOMPARE(importJson("{\"DbName\":\"P\",\"Settings\":{\"LocalPath\":\"sites/shop\","
                            "\"URL\":\"http://example.org/shop\",\"PHPPath\":\"www\\\\shop\"}}")
                     .status,
                 0);
        const TBTable t = ProjectStore::Load(TStore(store), QStringLiteral("P"));
        QCOMPARE(t.LocalPath, QStringLiteral("sites/shop/"));
        QCOMPARE(t.URL, QStringLiteral("http://example.org/shop/"));
        QCOMPARE(t.PHPPath, QStringLiteral("www/shop/"));
    }

    // Import, import again, generate each time: the table keeps its columns.
    void reimportKeepsColumnNames() {
        const QString local =
            dir.filePath(QStringLiteral("site%1").arg(QRandomGenerator::global()->generate()));
        QVERIFY(QDir().mkpath(local));
        const QByteArray json =
            R"({"DbName":"Again","Settings":{"TableName":"again","DatabaseServer":"localhost",)"
            "\"AdminPassword\":\"pw\",\"LocalPath\":\"" +
            local.toUtf8() +
            "\"},\"Fields\":["
            R"({"Name":"Tag","FieldType":"Text","InputType":"Text"},)"
            R"({"Name":"Tag","FieldType":"Text","InputType":"Text"},)"
            R"({"Name":"Price","FieldType":"Real number","InputType":"Text"}]})";
        const auto createTable = [&] {
            const TCliResult r =
                RunCli(store, {QStringLiteral("generate"), QStringLiteral("Again")});
            if (r.status != 0)
                return QByteArray("generate failed: ") + r.err;
            const QByteArray script = ReadFileBytes(local + QStringLiteral("/create_db.php"));
            const qsizetype at = script.indexOf("CREATE TABLE again(");
            return script.mid(at, script.indexOf('\n', at) - at);
        };
        QCOMPARE(importJson(json).status, 0);
        const QByteArray first =
            RunCli(store, {QStringLiteral("export-project"), QStringLiteral("Again")}).out;
        const QByteArray firstTable = createTable();
        QVERIFY2(firstTable.startsWith("CREATE TABLE"), firstTable.constData());
        QTest::qWait(3); // another clock reading would give other names
        QCOMPARE(importJson(json).status, 0);
        QCOMPARE(RunCli(store, {QStringLiteral("export-project"), QStringLiteral("Again")}).out,
                 first);
        QCOMPARE(createTable(), firstTable);

        // The export names every column, so a file made from it needs no store.
        const QJsonArray fields =
            QJsonDocument::fromJson(first).object().value(QStringLiteral("Fields")).toArray();
        QCOMPARE(fields.size(), 3);
        QSet<QString> columns;
        for (const QJsonValue& f : fields) {
            columns << f.toObject().value(QStringLiteral("FieldName")).toString()
                    << f.toObject().value(QStringLiteral("FieldName2")).toString();
            QVERIFY(firstTable.contains(
                f.toObject().value(QStringLiteral("FieldName")).toString().toUtf8() + ' '));
        }
        QCOMPARE(columns.size(), 6);

        // Fields matched by Name keep their columns wherever they move; a new field gets new ones.
        QByteArray changed = json;
        changed.replace(
            R"({"Name":"Price")",
            R"({"Name":"Stock","FieldType":"Integer","InputType":"Text"},{"Name":"Price")");
        QCOMPARE(importJson(changed).status, 0);
        const TBTable t = ProjectStore::Load(TStore(store), QStringLiteral("Again"));
        QCOMPARE(t.FieldBySeqNo(4)->FieldName,
                 fields.at(2).toObject().value(QStringLiteral("FieldName")).toString());
        QVERIFY(!columns.contains(t.FieldBySeqNo(3)->FieldName));
    }
};

QTEST_GUILESS_MAIN(TestCliProjects)
#include "TestCliProjects.moc"
