// The generator frame without a server: files, encoding, template notation,
// keys, and the variants of the page head.
#include "GeneratorFixtures.h"
#include "common/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestGeneratorFrame : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    TBTable project() {
        TBTable t = MakeProject(QStringLiteral("frame"),
                                {MakeField(QStringLiteral("title"), FieldTypes::Text, "S"),
                                 MakeField(QStringLiteral("born"), FieldTypes::DateTime, "S"),
                                 MakeField(QStringLiteral("ok"), FieldTypes::YesNo)});
        t.LocalPath = dir_.path() + QLatin1Char('/');
        return t;
    }

    // The file a body writes, as bytes.
    QByteArray written(TPHPGenerator& g, const TBTable& t, const QString& name,
                       const std::function<void()>& body) {
        const QString path = dir_.filePath(name);
        if (!g.WriteFileAt(t, path, body))
            return {};
        return ReadFileBytes(path);
    }

private slots:
    void textIsWrittenInThePagesCharacterSet() {
        TPHPGenerator g;
        TBTable t = project();
        t.DatabaseDisplayName = QString::fromUtf8("Müller € Ω");
        const auto line = [&] { g.Lines(u"<H1>{DatabaseDisplayName}</H1>"); };
        // A new project is UTF-8 in every language.
        QCOMPARE(written(g, t, "utf8.html", line),
                 QString::fromUtf8("<H1>Müller € Ω</H1>\r\n").toUtf8());
        // One stored before keeps its language's set.
        t.CharSet.clear();
        QCOMPARE(written(g, t, "latin1.html", line),
                 QByteArray("<H1>M\xFCller &#8364; &#937;</H1>\r\n"));
        t.Language.SetText(QStringLiteral("CharSet"), QStringLiteral("windows-1252"));
        QCOMPARE(written(g, t, "cp1252.html", line),
                 QByteArray("<H1>M\xFCller \x80 &#937;</H1>\r\n"));
    }

    void everyLineEndsWithCrLfAndScriptsLoadTheRuntimeFirst() {
        TPHPGenerator g;
        TBTable t = project();
        t.RecordDelimiter = QStringLiteral("~");
        QVERIFY(g.CreateScript(t));
        QVERIFY(g.DownloadScript(t));
        QVERIFY(g.RuntimeScript(t, false));
        for (const char* name : {"create_db.php", "import_db.php"}) {
            const QByteArray bytes = ReadFileBytes(dir_.filePath(name));
            QVERIFY2(
                bytes.startsWith("<?php require_once dirname(__FILE__).\"/runtime.php\"; ?>\r\n"
                                 "<HTML><HEAD></HEAD><BODY>"),
                name);
            QCOMPARE(bytes.count("\n"), bytes.count("\r\n"));
            QVERIFY(bytes.endsWith("</BODY></HTML>\r\n"));
        }
        QVERIFY(ReadFileBytes(dir_.filePath("runtime.php")).startsWith("<?php\r\n//"));
    }

    // The scripts hold the database password: their owner's only, also when
    // an older, readable copy was overwritten. Plain pages stay readable.
    void scriptsAreReadableByTheirOwnerOnly() {
        TPHPGenerator g;
        TBTable t = project();
        const QString create = dir_.filePath("create_db.php");
        WriteFileBytes(create, "old");
        QVERIFY(QFile::setPermissions(create, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadOther | QFileDevice::ReadGroup));
        QVERIFY(g.CreateScript(t));
        QVERIFY(g.DownloadScript(t));
        QVERIFY(QDir().mkpath(dir_.filePath("admin")));
        QVERIFY(g.EntryPages(t, true));
        const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        for (const char* name : {"create_db.php", "import_db.php", "admin/login.php"}) {
            const QFileDevice::Permissions p = QFile::permissions(dir_.filePath(name));
            QVERIFY2((p & ~(owner | QFileDevice::ReadUser | QFileDevice::WriteUser)) == 0, name);
        }
        QVERIFY(QFile::permissions(dir_.filePath("admin/index.html")) & QFileDevice::ReadOther);
    }

    void aFileWithTheSameBytesIsLeftAsItWas() {
        TPHPGenerator g;
        TBTable t = project();
        const QString path = dir_.filePath("same.html");
        const auto page = [&](const QString& title) {
            return g.WriteFileAt(t, path, [&] {
                g.Lines(u"<H1>{t}</H1>", {{QStringLiteral("t"), title}});
                // Past the size at which the text goes to the file in blocks.
                for (int i = 0; i < 40000; ++i)
                    g.WriteLine(u"0123456789");
            });
        };
        QVERIFY(page(QStringLiteral("one")));
        const QByteArray one = ReadFileBytes(path);
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(page(QStringLiteral("one")));
        QVERIFY(g.Unchanged(path));
        QCOMPARE(QFileInfo(path).lastModified(), old);
        // A change, a longer old file, a shorter one: the bytes are the new ones.
        QVERIFY(page(QStringLiteral("two")));
        QVERIFY(!g.Unchanged(path));
        QCOMPARE(ReadFileBytes(path), QByteArray(one).replace("one", "two"));
        WriteFileBytes(path, one + "left over");
        QVERIFY(page(QStringLiteral("one")));
        QVERIFY(!g.Unchanged(path));
        QCOMPARE(ReadFileBytes(path), one);
        WriteFileBytes(path, one.left(300000));
        QVERIFY(page(QStringLiteral("one")));
        QCOMPARE(ReadFileBytes(path), one);
        g.ForgetUnchanged();
        QVERIFY(!g.Unchanged(path));
    }

    void templatesFillSettingsFieldsMessagesAndFilters() {
        TPHPGenerator g;
        TBTable t = project();
        t.AdminPassword = QStringLiteral("a\"b\\c$d");
        t.CounterColor = 3368601;
        t.CounterTextFontColor = qint32(0x80000005u);
        t.CounterOffset = -5;
        t.SearchRecordText = QStringLiteral("one\r\ntwo\nthree");
        const TBField& title = t.Fields[2];
        QByteArray bytes = written(g, t, "fill.txt", [&] {
            g.Lines(uR"php(
"{AdminPassword|raw|php}" '{AdminPassword|js}' {CounterOffset} <{AdminPassword}>
#{CounterColor|colour} #{CounterTextFontColor|colour}
{SearchRecordText|br}
{msg:MainTitle} { $x } {$y} {} {1}
)php");
            g.Lines(u"{FieldName}/{FieldName2}/{MaxLength}/{TableName}", title);
        });
        // Escaped for HTML unless raw, a JavaScript literal or the owner's markup.
        QCOMPARE(bytes, QByteArray("\"a\\\"b\\\\c\\$d\" 'a\\x22b\\\\c$d' -5 <a&quot;b\\c$d>\r\n"
                                   "#996633 #FFFFFF\r\n"
                                   "one<BR>two\nthree\r\n"
                                   "Corvanta Database { $x } {$y} {} {1}\r\n"
                                   "title/titletwo/40/frame\r\n"));
        for (const char* bad : {"{NoSuchSetting}", "{msg:NoSuchMessage}", "{TableName|nofilter}"})
            QVERIFY_THROWS_EXCEPTION(std::logic_error, written(g, t, "bad.txt", [&] {
                                         g.Lines(QString::fromLatin1(bad));
                                     }));
        QCOMPARE(TPHPGenerator::JsString(u"</SCRIPT>\"'\\\r\n"),
                 QStringLiteral("\\x3C/SCRIPT\\x3E\\x22\\x27\\\\\\r\\n"));
        QCOMPARE(TPHPGenerator::PhpBytes("a\"\\$\xE9\n"), QStringLiteral("a\\\"\\\\\\$\\xE9\\x0A"));
    }

    void aFileThatCannotBeOpenedIsReportedOnce() {
        TGeneratorProbe probe;
        TBTable t = project();
        t.LocalPath = dir_.filePath("missing") + QLatin1Char('/');
        QVERIFY(!probe.generator.CreateScript(t));
        QCOMPARE(probe.warnings, QStringList{QStringLiteral("File access error to ") + t.LocalPath +
                                             "create_db.php"});
    }

    void aWriteErrorRaisesAndLeavesNoFileOpen() {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full");
        TPHPGenerator g;
        TBTable t = project();
        QDir(dir_.path()).mkdir(QStringLiteral("full"));
        t.LocalPath = dir_.filePath("full") + QLatin1Char('/');
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), t.LocalPath + "create_db.php"));
        try {
            g.CreateScript(t);
            QFAIL("no error raised");
        } catch (const EInOutError& e) {
            QCOMPARE(e.Path(), t.LocalPath + "create_db.php");
        }
        QVERIFY(g.RemoveScript(t));
    }

    void maintenanceScriptsCarryAFreshKeyEachTime() {
        TPHPGenerator g;
        TBTable t = project();
        const auto generateAll = [&] {
            return g.CreateScript(t) && g.RemoveScript(t) && g.DownloadScript(t) &&
                   g.RecordCountScript(t) && g.UploadScript(t) && g.ColumnsScript(t) &&
                   g.AlterScript(t, {});
        };
        QVERIFY(g.ScriptKey(QStringLiteral("create_db.php")).isEmpty());
        QVERIFY(generateAll());
        QStringList first;
        for (const QString& script : TPHPGenerator::MaintenanceScripts()) {
            const QString key = g.ScriptKey(script);
            QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(key).hasMatch());
            QVERIFY2(
                ReadFileBytes(t.LocalPath + script).contains("hash_equals(\"" + key.toLatin1()),
                qPrintable(script));
            QCOMPARE(g.KeyedScript(script), script + "?key=" + key);
            QVERIFY(!first.contains(key));
            first += key;
        }
        QVERIFY(generateAll());
        for (int i = 0; i < first.size(); ++i)
            QVERIFY(g.ScriptKey(TPHPGenerator::MaintenanceScripts()[i]) != first[i]);
    }

    void pageHeadVariants_data() {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("userMode");
        QTest::addColumn<bool>("onlyMembers");
        QTest::addColumn<bool>("allowAddModify");
        QTest::addColumn<QString>("gate");  // the form of the login gate, or empty
        QTest::addColumn<QString>("intro"); // the intro paragraph, or empty
        QTest::newRow("admin search") << true << "search.php"
                                      << "" << false << false << "AdminPassword"
                                      << "<P CLASS=\"searchtext\">A<BR>S</P>";
        QTest::newRow("visitor search, no mode") << false << "search.php"
                                                 << "" << false << false << ""
                                                 << "<P CLASS=\"searchtext\"></P>";
        QTest::newRow("visitor search, Join") << false << "search.php"
                                              << "Join" << true << true << ""
                                              << "<P CLASS=\"searchtext\"></P>";
        QTest::newRow("visitor add, Join") << false << "add_record.php"
                                           << "Join" << false << true << ""
                                           << "<P CLASS=\"addtext\"></P>";
        QTest::newRow("visitor add, Join, members only") << false << "add_record.php"
                                                         << "Join" << true << true << "UserAuth"
                                                         << "<P CLASS=\"addtext\"></P>";
        QTest::newRow("visitor modify, Login, no add/modify")
            << false << "modify_record.php"
            << "Login" << false << false << "UserAuth"
            << "";
        QTest::newRow("visitor delete, Join") << false << "delete_record.php"
                                              << "Join" << false << false << "UserAuth"
                                              << "<P CLASS=\"deletetext\"></P>";
        QTest::newRow("admin users") << true << "users.php"
                                     << "Login" << false << false << "AdminPassword"
                                     << "";
    }

    void pageHeadVariants() {
        QFETCH(bool, admin);
        QFETCH(QString, page);
        QFETCH(QString, userMode);
        QFETCH(bool, onlyMembers);
        QFETCH(bool, allowAddModify);
        QFETCH(QString, gate);
        QFETCH(QString, intro);
        TPHPGenerator g;
        TBTable t = project();
        t.UserUpdate = !userMode.isEmpty();
        t.UserMode = userMode;
        t.OnlyMembersCanAdd = onlyMembers;
        t.AllowAddModify = allowAddModify;
        t.AdminSearchRecordText = QStringLiteral("A\r\nS");
        const QByteArray head =
            written(g, t, "head.php", [&] { g.PageHead(admin, page, QStringLiteral("x")); });
        const QByteArray form = "<FORM NAME=\"" + gate.toLatin1() + "\"";
        if (gate.isEmpty())
            QVERIFY(!head.contains("<FORM NAME="));
        else
            QVERIFY(head.contains(form + " METHOD=\"POST\" ACTION=\"" + page.toLatin1() + "\">"));
        const QByteArray introLine = "\r\n" + intro.toLatin1() + "\r\n";
        QCOMPARE(head.contains("\r\n<P CLASS="), !intro.isEmpty());
        if (!intro.isEmpty())
            QVERIFY(head.contains(introLine));
        // A members-only site's gate says how to become a member; the
        // request form needs a sender to mail the request to.
        QVERIFY(!head.contains("mailto:"));
        QCOMPARE(head.contains("registered by the site's administrator"),
                 !admin && gate == "UserAuth" && t.MembersRule());
        t.EmailSender = QStringLiteral("club\"<x>@example.org");
        const QByteArray withSender =
            written(g, t, "head2.php", [&] { g.PageHead(admin, page, QStringLiteral("x")); });
        const bool requestForm = !admin && gate == "UserAuth" && t.MembersRule();
        QCOMPARE(withSender.contains("mailto:"), requestForm);
        if (requestForm)
            QVERIFY(withSender.contains("ACTION=\"mailto:club&quot;&lt;x&gt;@example.org\""));
    }

    void searchHeadOffersOperatorsByType() {
        TPHPGenerator g;
        TBTable t = project();
        const QString skin = dir_.filePath("blue.css");
        WriteFileBytes(skin, "body {}");
        t.Skin = skin;
        QByteArray head = written(g, t, "search-head.php", [&] {
            g.PageHead(false, QStringLiteral("search.php"), QStringLiteral("search"));
        });
        // Named with its content, so a changed sheet is fetched at once.
        QVERIFY(head.contains("    <LINK REL=\"StyleSheet\" HREF=\"blue.css?v="));
        // The page runs only the site's script file: a searchable date gets
        // the six text operators there, a field nobody searches none.
        QVERIFY(head.contains("<SCRIPT SRC=\"site.js\" DEFER></SCRIPT>"));
        QVERIFY(!head.contains("<SCRIPT>") && !head.contains("<SCRIPT LANGUAGE"));
        QVERIFY(g.SiteScript(t, false));
        const QByteArray script = ReadFileBytes(t.LocalPath + "site.js");
        const qsizetype born = script.indexOf("\"born\": [");
        QVERIFY(born > 0);
        QVERIFY(script.indexOf("[\"greaterthan\", \"greater than\"]", born) > born);
        QVERIFY(!script.contains("\"ok\": ["));

        for (TBField& f : t.Fields)
            f.Searchable = false;
        t.Skin = dir_.filePath("absent.css");
        head = written(g, t, "search-head2.php", [&] {
            g.PageHead(false, QStringLiteral("search.php"), QStringLiteral("search"));
        });
        QVERIFY(!head.contains("StyleSheet"));
    }

    void visitCounterOnlyAtItsPosition() {
        TPHPGenerator g;
        TBTable t = project();
        t.CreateCounter = true;
        t.CounterPosition = QStringLiteral("Search Form");
        t.CounterOffset = 500;
        t.CounterTextFontBold = true;
        QCOMPARE(written(g, t, "menu.txt", [&] { g.VisitCounter(QStringLiteral("Menu")); }),
                 QByteArray());
        const QByteArray counter =
            written(g, t, "search.txt", [&] { g.VisitCounter(QStringLiteral("Search Form")); });
        QVERIFY(counter.contains("    $cntx = intval($rec[\"cnt\"]) + 0;\r\n"));
        // Styles, not FONT tags: bold on both texts, none on the number.
        QVERIFY(!counter.contains("<FONT"));
        QCOMPARE(counter.count("font-weight: bold"), 2);
        // Generate warns below 4.5:1; the skin's colours (system colours)
        // are always readable.
        t.CounterColor = qint32(0x8000000Du);
        QCOMPARE(TPHPGenerator::CounterContrast(t), 21.0);
        t.CounterColor = t.CounterTextFontColor = t.CounterNumberFontColor = 0x800000;
        QVERIFY(TPHPGenerator::CounterContrast(t) < 1.01);
        t.CounterColor = 0xFFFFFF;
        QVERIFY(TPHPGenerator::CounterContrast(t) > 4.5);
        QVERIFY(written(g, t, "own.txt", [&] {
                    g.VisitCounter(QStringLiteral("Search Form"));
                }).contains("background-color: #FFFFFF"));
    }
};

QTEST_MAIN(TestGeneratorFrame)
#include "TestGeneratorFrame.moc"
