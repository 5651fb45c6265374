// The project checks: every definition they pass can be generated, created
// on the server and read back from its record files; every one they refuse
// is named with the setting or field concerned.
#include "model/ProjectCheck.h"
#include "model/SqlNames.h"

#include <QTest>

#include <functional>

namespace {

TBField field(const QString& name, const QString& type, const QString& input) {
    TBField f;
    f.Name = name;
    f.FieldType = type;
    f.InputType = input;
    f.MaxLength = 40;
    f.TextLength = 30;
    if (input == InputTypes::DateTime)
        f.DateTimeFormat = DateTimeFormats().first();
    return f;
}

TBTable sound() {
    TBTable t = TBTable::New();
    t.DbName = QStringLiteral("Shop");
    t.TableName = QStringLiteral("shop");
    t.LocalPath = QStringLiteral("/home/me/sites/shop/");
    t.URL = QStringLiteral("http://example.org/shop/");
    t.PHPPath = QStringLiteral("public_html/shop/");
    t.AddField(field(QStringLiteral("Title"), FieldTypes::Text, InputTypes::Text));
    t.AddField(field(QStringLiteral("Price"), FieldTypes::Real, InputTypes::Text));
    t.AddField(field(QStringLiteral("Added"), FieldTypes::DateTime, InputTypes::DateTime));
    t.AddField(field(QStringLiteral("Mail"), FieldTypes::Mailto, InputTypes::Mailto));
    return t;
}

// n fields made by `make` (given their number), on a sound project.
TBTable withFields(int n, const std::function<TBField(int)>& make) {
    TBTable t = sound();
    t.Fields.resize(2);
    for (int i = 1; i <= n; ++i) {
        TBField f = make(i);
        f.SeqNo = i;
        f.FieldName = QStringLiteral("a%1").arg(i);
        f.FieldName2 = QStringLiteral("b%1").arg(i);
        t.Fields.push_back(f);
    }
    return t;
}

} // namespace

class TestProjectCheck : public QObject {
    Q_OBJECT
private slots:
    void soundProjectPasses() {
        const TDefinitionCheck problem = CheckProject(sound());
        QVERIFY2(!problem, problem ? qPrintable(problem->Message) : "");
    }

    // Each row changes a sound project; the refusal must name `named` (a
    // setting or field value) and the message must contain `says`.
    void refusals_data() {
        QTest::addColumn<std::function<void(TBTable&)>>("change");
        QTest::addColumn<QString>("named");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("says");
        const auto setting = [](const char* row, std::function<void(TBTable&)> change,
                                const char* named, const char* says) {
            QTest::newRow(row) << change << QString::fromLatin1(named) << 0
                               << QString::fromUtf8(says);
        };
        setting(
            "table name with a space", [](TBTable& t) { t.TableName = "my shop"; }, "TableName",
            "\"my shop\"");
        setting(
            "table name with a quote", [](TBTable& t) { t.TableName = "shop'"; }, "TableName",
            "lower-case letters");
        setting(
            "table name injection", [](TBTable& t) { t.TableName = "x; DROP TABLE y"; },
            "TableName", "DROP TABLE");
        setting(
            "table name in capitals", [](TBTable& t) { t.TableName = "Shop"; }, "TableName",
            "lower-case");
        setting(
            "table name from a digit", [](TBTable& t) { t.TableName = "1shop"; }, "TableName",
            "beginning with a letter");
        setting(
            "table name reserved", [](TBTable& t) { t.TableName = "order"; }, "TableName",
            "reserved");
        setting(
            "table name too long", [](TBTable& t) { t.TableName = QString(56, u'a'); }, "TableName",
            "at most 55");
        setting(
            "no records per page", [](TBTable& t) { t.LinesPerPage = 0; }, "LinesPerPage",
            "from 1 to 1000");
        setting(
            "negative records per page", [](TBTable& t) { t.LinesPerPage = -10; }, "LinesPerPage",
            "-10");
        setting(
            "records per page overflowing", [](TBTable& t) { t.LinesPerPage = 2147483647; },
            "LinesPerPage", "from 1 to 1000");
        setting(
            "negative filters", [](TBTable& t) { t.NumOfFilterFields = -1; }, "NumOfFilterFields",
            "from 0 to 20");
        setting(
            "a million sort rows", [](TBTable& t) { t.NumOfSortFields = 1000000; },
            "NumOfSortFields", "from 0 to 20");
        setting(
            "menu of no height", [](TBTable& t) { t.MenuHeight = 0; }, "MenuHeight", "pixels");
        setting(
            "same delimiters", [](TBTable& t) { t.RecordDelimiter = t.FieldDelimiter; },
            "FieldDelimiter", "must differ");
        setting(
            "field delimiter inside record delimiter",
            [](TBTable& t) {
                t.FieldDelimiter = "#";
                t.RecordDelimiter = "##";
            },
            "FieldDelimiter", "neither may contain");
        setting(
            "carriage return beside End of Line", [](TBTable& t) { t.FieldDelimiter = "\r"; },
            "FieldDelimiter", "\\r");
        setting(
            "empty field delimiter", [](TBTable& t) { t.FieldDelimiter.clear(); }, "FieldDelimiter",
            "empty");
        setting(
            "empty record delimiter", [](TBTable& t) { t.RecordDelimiter.clear(); },
            "RecordDelimiter", "empty");
        // The one check of the record files (they are tested in full there).
        setting(
            "delimiter that overlaps itself", [](TBTable& t) { t.FieldDelimiter = "||"; },
            "FieldDelimiter", "its own beginning");
        // A password ending in "#" would hide the end of the users, a title
        // ending in "|" would shift every value after it.
        setting(
            "bars and hashes",
            [](TBTable& t) {
                t.FieldDelimiter = "||";
                t.RecordDelimiter = "##";
            },
            "FieldDelimiter", "its own beginning");
        setting(
            "hashes overlap themselves", [](TBTable& t) { t.RecordDelimiter = "##"; },
            "RecordDelimiter", "its own beginning");
        setting(
            "emoji on a Latin-1 site",
            [](TBTable& t) { t.FieldDelimiter = QString::fromUtf8("\xF0\x9F\x98\x80"); },
            "FieldDelimiter", "character set ISO-8859-1");
        setting(
            "marker bracket", [](TBTable& t) { t.RecordDelimiter = "<"; }, "RecordDelimiter",
            "markers");
        setting(
            "escape letter beside End of Line", [](TBTable& t) { t.FieldDelimiter = "n"; },
            "FieldDelimiter", "letter n or r");
        setting(
            "replacement holds a delimiter", [](TBTable& t) { t.ReplaceDelimiterWith = "a|b"; },
            "ReplaceDelimiterWith", "contains a delimiter");
        setting(
            "proxy named by host name",
            [](TBTable& t) { t.TrustedProxies = "10.0.0.1, lb.example"; }, "TrustedProxies",
            "\"lb.example\" is no address");
        setting(
            "proxy network too wide", [](TBTable& t) { t.TrustedProxies = "10.0.0.0/33"; },
            "TrustedProxies", "10.0.0.0/33");
        setting(
            "proxy with two gaps", [](TBTable& t) { t.TrustedProxies = "2001::db8::1"; },
            "TrustedProxies", "2001::db8::1");
        setting(
            "local path without its slash", [](TBTable& t) { t.LocalPath = "sites/shop"; },
            "LocalPath", "end with \"/\"");
        setting(
            "url without its slash", [](TBTable& t) { t.URL = "http://example.org/shop"; }, "URL",
            "end with");
        setting(
            "remote path with backslashes", [](TBTable& t) { t.PHPPath = "www\\shop\\"; },
            "PHPPath", "use \"/\"");

        const auto onField = [](const char* row, std::function<void(TBField&)> change,
                                const char* named, const char* says) {
            QTest::newRow(row) << std::function<void(TBTable&)>(
                                      [change](TBTable& t) { change(t.Fields[2]); })
                               << QString::fromLatin1(named) << 1 << QString::fromUtf8(says);
        };
        onField(
            "negative max length", [](TBField& f) { f.MaxLength = -1; }, "MaxLength", "0 or more");
        onField(
            "unique text without length",
            [](TBField& f) {
                f.NoDuplicates = true;
                f.MaxLength = 0;
            },
            "MaxLength", "1 to 255");
        onField(
            "key text too long",
            [](TBField& f) {
                f.Key = true;
                f.MaxLength = 256;
            },
            "MaxLength", "1 to 255");
        onField(
            "text longer than a text column", [](TBField& f) { f.MaxLength = 65536; }, "MaxLength",
            "65535");
        onField(
            "negative text area", [](TBField& f) { f.TextAreaLines = -3; }, "TextAreaLines", "-3");
        onField(
            "no name", [](TBField& f) { f.Name = "  "; }, "Name", "(Name) is empty");
        onField(
            "unknown type", [](TBField& f) { f.FieldType = "Blob"; }, "FieldType", "\"Blob\"");
        onField(
            "yes/no as a list",
            [](TBField& f) {
                f.FieldType = FieldTypes::YesNo;
                f.InputType = InputTypes::Select;
            },
            "InputType", "Checkbox");
        onField(
            "required without input",
            [](TBField& f) {
                f.Required = true;
                f.InputType.clear();
            },
            "InputType", "needs an Input Type");
        onField(
            "date without format",
            [](TBField& f) {
                f.FieldType = FieldTypes::DateTime;
                f.InputType = InputTypes::DateTime;
                f.DateTimeFormat = "YYYY";
            },
            "DateTimeFormat", "\"YYYY\"");
        onField(
            "unique picture",
            [](TBField& f) {
                f.FieldType = FieldTypes::Image;
                f.InputType = InputTypes::Image;
                f.NoDuplicates = true;
            },
            "NoDuplicates", "Image");
        onField(
            "decimal symbol",
            [](TBField& f) {
                f.FieldType = FieldTypes::Real;
                f.DecimalSymbol = ";";
            },
            "DecimalSymbol", "\";\"");
        onField(
            "column name injection", [](TBField& f) { f.FieldName = "a; DROP"; }, "FieldName",
            "\"a; DROP\"");
        onField(
            "column name reserved", [](TBField& f) { f.FieldName2 = "select"; }, "FieldName2",
            "reserved");
        onField(
            "column name of the members table", [](TBField& f) { f.FieldName = "password"; },
            "FieldName", "reserved");
        onField(
            "column name twice", [](TBField& f) { f.FieldName2 = f.FieldName; }, "FieldName2",
            "used twice");
        onField(
            "column name too long", [](TBField& f) { f.FieldName = QString(56, u'x'); },
            "FieldName", "at most 55");
    }
    void refusals() {
        QFETCH(std::function<void(TBTable&)>, change);
        QFETCH(QString, named);
        QFETCH(int, field);
        QFETCH(QString, says);
        TBTable t = sound();
        change(t);
        const TDefinitionCheck problem = CheckProject(t);
        QVERIFY(problem);
        QCOMPARE(problem->Setting, named);
        QCOMPARE(problem->Field, field);
        QVERIFY2(problem->Message.contains(named), qPrintable(problem->Message));
        QVERIFY2(problem->Message.contains(says), qPrintable(problem->Message));
    }

    // The neighbours of the refusals that must pass.
    void boundariesPass() {
        const QList<std::function<void(TBTable&)>> changes = {
            [](TBTable& t) { t.TableName = QString(55, u'a'); },
            [](TBTable& t) { t.TableName = "shop_2024"; },
            [](TBTable& t) { t.TableName.clear(); }, // asked for by Generate itself
            [](TBTable& t) { t.TableName = "orders"; },
            [](TBTable& t) { t.LinesPerPage = 1; },
            [](TBTable& t) { t.LinesPerPage = 1000; },
            [](TBTable& t) { t.NumOfFilterFields = 0; },
            [](TBTable& t) { t.NumOfSortFields = 20; },
            [](TBTable& t) {
                t.FieldDelimiter = "\t";
                t.RecordDelimiter = "\r\n";
                t.ReplaceDelimiterWith.clear();
            },
            [](TBTable& t) {
                t.FieldDelimiter = "ab";
                t.RecordDelimiter = QString(QChar(0xB6)); // in Latin-1
            },
            [](TBTable& t) {
                t.LocalPath.clear();
                t.URL.clear();
                t.PHPPath.clear();
            },
            [](TBTable& t) {
                t.Fields[2].NoDuplicates = true;
                t.Fields[2].MaxLength = 255;
            },
            [](TBTable& t) { t.Fields[2].MaxLength = 65535; },
            [](TBTable& t) { t.Fields[2].InputType.clear(); },
            [](TBTable& t) { t.Fields[2].FieldName = "orders1"; },
            [](TBTable& t) {
                t.TrustedProxies = " 127.0.0.1,10.0.0.0/8 , ::1, 2001:db8::/32, ::ffff:1.2.3.4,";
            },
        };
        for (int i = 0; i < changes.size(); ++i) {
            TBTable t = sound();
            changes[i](t);
            const TDefinitionCheck problem = CheckProject(t);
            QVERIFY2(!problem, qPrintable(QString::number(i) + u' ' +
                                          (problem ? problem->Message : QString())));
        }
    }

    // The limits counted without a server; the web host test creates the
    // tables at both sides of each limit.
    void tableLimits() {
        const auto text = [](int i) {
            return field(QStringLiteral("Text %1").arg(i), FieldTypes::Text, InputTypes::Text);
        };
        // A full record: every text as long as a record keeps it.
        QVERIFY(!CheckProject(withFields(192, text)));
        const TDefinitionCheck rowTooBig = CheckProject(withFields(193, text));
        QVERIFY(rowTooBig);
        QVERIFY(rowTooBig->Setting.isEmpty() && rowTooBig->Field == 0);
        QVERIFY2(rowTooBig->Message.contains(QStringLiteral("193 fields")) &&
                     rowTooBig->Message.contains(QStringLiteral("\"Text 1\", \"Text 2\"")) &&
                     rowTooBig->Message.contains(QStringLiteral("185 more")),
                 qPrintable(rowTooBig->Message));

        const auto number = [](int i) {
            return field(QStringLiteral("Number %1").arg(i), FieldTypes::Integer, InputTypes::Text);
        };
        QVERIFY(!CheckProject(withFields(506, number)));
        const TDefinitionCheck columns = CheckProject(withFields(1000, number));
        QVERIFY(columns);
        QVERIFY2(columns->Message.contains(QStringLiteral("2004 columns")),
                 qPrintable(columns->Message));

        const auto unique = [](int i) {
            TBField f =
                field(QStringLiteral("Code %1").arg(i), FieldTypes::Integer, InputTypes::Text);
            f.NoDuplicates = true;
            return f;
        };
        QVERIFY(!CheckProject(withFields(63, unique)));
        QVERIFY(CheckProject(withFields(64, unique))
                    ->Message.contains(QStringLiteral("65 unique keys")));

        const auto key = [](int i) {
            TBField f = field(QStringLiteral("Part %1").arg(i), FieldTypes::Text, InputTypes::Text);
            f.Key = true;
            f.MaxLength = 255;
            return f;
        };
        QVERIFY(!CheckProject(withFields(3, key)));
        QVERIFY(CheckProject(withFields(4, key))->Message.contains(QStringLiteral("4080 bytes")));
    }

    void fieldInItsTable() {
        TBTable t = sound();
        TBField entered = field(QStringLiteral("Stock"), FieldTypes::Integer, InputTypes::Text);
        QVERIFY(!CheckFieldInTable(t, entered, 0));
        entered.MaxLength = -5;
        const TDefinitionCheck added = CheckFieldInTable(t, entered, 0);
        QVERIFY(added);
        QCOMPARE(added->Field, 5);
        QCOMPARE(added->Setting, QStringLiteral("MaxLength"));
        // Changing field 1 is checked as field 1; the table is left as it was.
        const TDefinitionCheck modified = CheckFieldInTable(t, entered, 1);
        QVERIFY(modified && modified->Field == 1);
        QCOMPARE(t.Fields.size(), size_t(6));
        QCOMPARE(t.Fields[2].MaxLength, 40);

        // The 193rd text field is one too many for a full record.
        TBTable full = withFields(192, [](int i) {
            return field(QStringLiteral("T%1").arg(i), FieldTypes::Text, InputTypes::Text);
        });
        const TBField more = field(QStringLiteral("More"), FieldTypes::Text, InputTypes::Text);
        QVERIFY(CheckFieldInTable(full, more, 0));
        QVERIFY(!CheckFieldInTable(full, more, 192));
    }

    void projectNamesDifferingInCase() {
        const QStringList stored = {QStringLiteral("Shop"), QStringLiteral("Books")};
        QVERIFY(!CheckProjectName(QStringLiteral("Shop"), stored)); // the same project again
        QVERIFY(!CheckProjectName(QStringLiteral("Shops"), stored));
        const TDefinitionCheck problem = CheckProjectName(QStringLiteral("sHOP"), stored);
        QVERIFY(problem);
        QVERIFY(problem->Message.contains(QStringLiteral("\"Shop\"")));
    }

    // New column names never collide with the database's words and fit its
    // names, whatever the clock and the display name.
    void columnNamesTheDatabaseTakes() {
        TBTable t;
        for (const int ms : {0, 3, 7}) {
            t.MilliClock = [ms] { return ms; };
            const QString name = t.MakeColumnName(QStringLiteral("Int"));
            QVERIFY2(!IsReservedSqlWord(name), qPrintable(name));
        }
        t.MilliClock = [] { return 999; };
        const QString longName = t.MakeColumnName(QString(300, u'Q'));
        QVERIFY(longName.size() <= 55);
        QVERIFY(longName.endsWith(QStringLiteral("1000")));
        QVERIFY(IsReservedSqlWord(QStringLiteral("SELECT")));
        QVERIFY(!IsReservedSqlWord(QStringLiteral("title")));
    }
};

QTEST_GUILESS_MAIN(TestProjectCheck)
#include "TestProjectCheck.moc"
