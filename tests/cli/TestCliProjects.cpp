#include "model/ProjectJson.h"
#include "model/ProjectStore.h"

#include "common/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
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
};

QTEST_GUILESS_MAIN(TestCliProjects)
#include "TestCliProjects.moc"
