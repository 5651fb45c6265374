// The text of the record files: every value comes back exactly whatever it
// holds, files without such values look as they always did, and no line can
// begin like a marker of the download answer.
#include "model/CsvReader.h"
#include "model/RecordFiles.h"
#include "model/SheetValues.h"
#include "model/Table.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QtTest>

namespace {

QList<QByteArray> readAll(const TRecordFormat& f, const QByteArray& text) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    TRecordReader reader(buffer, f);
    QList<QByteArray> records;
    QByteArray record;
    while (reader.Next(record))
        records << record;
    return records;
}

qint64 count(const TRecordFormat& f, const QByteArray& text) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return CountRecords(buffer, f);
}

// The awkward values: delimiters of every kind, line breaks, the escape
// character before each of the bytes that would make it an escape, marker
// text, bytes outside ASCII.
QList<QByteArray> awkwardValues(const TRecordFormat& f) {
    const QByteArray e(1, f.Escape);
    return {"",
            "plain",
            "a" + f.FieldDelimiter + "b",
            f.FieldDelimiter,
            "x" + f.RecordDelimiter + "y",
            "line one\r\nline two\nthree\r",
            e,
            e + e,
            "ends with " + e,
            e + "n and " + e + "r and " + e + "<",
            e + f.FieldDelimiter + e + f.RecordDelimiter,
            "<P CLASS=\"end_of_data\">",
            "<P CLASS=\"corvanta_error\">x</P>",
            "T<P CLASS=\"start_of_users\">1|carol2@example.org|pw123|",
            QByteArray("\0\x01\x7f\x80\xff", 5),
            "C:\\Data\\new"};
}

struct TCsvRead {
    QList<QStringList> rows;
    QList<qint64> lines;
    QString error;
    TCsvEncoding encoding = TCsvEncoding::Utf8;
    QChar delimiter;
};

TCsvRead readCsv(const QByteArray& bytes, const TCsvOptions& options = {}) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TCsvReader reader(buffer);
    TCsvRead r;
    if (reader.Open(options)) {
        QStringList row;
        while (reader.Next(row)) {
            r.rows << row;
            r.lines << reader.Line();
        }
    }
    r.error = reader.Error();
    r.encoding = reader.Encoding();
    r.delimiter = reader.Delimiter();
    return r;
}

QByteArray utf16(const QString& text, bool little, bool bom) {
    QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           bom ? QStringConverter::Flag::WriteBom
                               : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

} // namespace

class TestRecordFiles : public QObject {
    Q_OBJECT

private slots:
    // Delimiters chosen to be hard: each is refused by the check, or every
    // value (NULL and the NULL text itself among them) comes back exactly.
    void valuesComeBackExactly_data() {
        QTest::addColumn<QByteArray>("fd");
        QTest::addColumn<QByteArray>("rd");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        const auto row = [](const char* name, QByteArray fd, QByteArray rd, QString refusal = {}) {
            QTest::newRow(name) << fd << rd << refusal;
        };
        row("bar, lines", "|", "\n");
        row("dollar, backslash", "$", "\\");
        row("tab, hash", "\t", "#");
        row("two-byte delimiters", "\xC2\xA7", "\xC2\xB6");
        row("emoji", "\xF0\x9F\x98\x80", "\n");
        row("n without lines", "n", "#");
        row("words", "ab", "cd");
        row("hashes overlap themselves", "|", "##", "its own beginning");
        row("bars overlap themselves", "||", "\n", "its own beginning");
        row("end meets beginning", "ab", "bc", "beginning \"b\" of the other");
        row("marker bracket", "<", "\n", "markers");
        row("escape letter", "n", "\n", "letter n or r");
        row("NULL letter", "N", "#", "letter N");
        row("every escape", "\\^~", "\n", "\\ ^ ~");
        row("one inside the other", "#", "##", "contain the other");
    }
    void valuesComeBackExactly() {
        QFETCH(QByteArray, fd);
        QFETCH(QByteArray, rd);
        QFETCH(QString, refusal);
        const TRecordFormat f = TRecordFormat::Make(fd, rd);
        if (!refusal.isEmpty()) {
            QVERIFY2(f.Problem().contains(refusal), qPrintable(f.Problem()));
            return;
        }
        QVERIFY2(f.Problem().isEmpty(), qPrintable(f.Problem()));
        QList<QByteArray> values = awkwardValues(f);
        values << QByteArray() << f.NullText() << f.NullText() + "x";
        QByteArray file;
        // Each value first on its line, and all of them on one line.
        for (const QByteArray& v : values)
            file += f.JoinRecord({v, "tail"}) + f.RecordEnd();
        file += f.JoinRecord(values) + f.RecordEnd();

        const QList<QByteArray> records = readAll(f, file);
        QCOMPARE(records.size(), values.size() + 1);
        QCOMPARE(count(f, file), qint64(values.size() + 1));
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QList<QByteArray> split = f.SplitRecord(records[i]);
            QCOMPARE(split, (QList<QByteArray>{values[i], "tail"}));
            QCOMPARE(split[0].isNull(), values[i].isNull()); // NULL is not empty
            QVERIFY2(!records[i].startsWith('<'), records[i].constData());
        }
        QCOMPARE(f.SplitRecord(records.last()), values);
    }

    void filesWithoutSuchValuesLookAsBefore() {
        const TRecordFormat f = TRecordFormat::Make("|", "\n");
        const QList<QByteArray> plain = {"Leaves of Grass", "Walt Whitman",    "1855",      "12.00",
                                         "M\xFCller <b>",   "C:\\Data\\Files", "50% \\ off"};
        QCOMPARE(f.JoinRecord(plain), plain.join('|'));
        // Only what would be misread changes.
        QCOMPARE(f.EscapeValue("a|b\nc\\"), QByteArray("a\\|b\\nc\\\\"));
        QCOMPARE(f.JoinRecord({"<b>bold</b>", "x"}), QByteArray("\\<b>bold</b>|x"));
    }

    void filesMadeBeforeStillRead() {
        // The old download replaced delimiters and kept carriage returns.
        const TRecordFormat f = TRecordFormat::Make("|", "\n");
        const QList<QByteArray> records = readAll(f, "a\r_b|x_y\r\nlast without end");
        QCOMPARE(records.size(), 2);
        QCOMPARE(f.SplitRecord(records[0]), (QList<QByteArray>{"a\r_b", "x_y"}));
        QCOMPARE(f.SplitRecord(records[1]), QList<QByteArray>{"last without end"});
        // A blank line is a record with one empty value; the end of the file
        // after a line end is none.
        QCOMPARE(readAll(f, "a\n\nb\n"), (QList<QByteArray>{"a", "", "b"}));
        QCOMPARE(readAll(f, ""), QList<QByteArray>());
        QCOMPARE(count(f, "a\n\nb"), qint64(3));
    }

    void longRecordsAndDelimitersAcrossReadBlocks() {
        const TRecordFormat f = TRecordFormat::Make("|", "\xC2\xB6");
        QByteArray text;
        QList<QByteArray> expected;
        for (qsizetype size : {0, 1, 262143, 262144, 262145, 700001}) {
            expected << QByteArray(size, 'p');
            text += expected.last() + f.RecordDelimiter;
        }
        QCOMPARE(readAll(f, text), expected);
        QCOMPARE(count(f, text), qint64(expected.size()));
    }

    void strictBase64() {
        QByteArray bytes;
        QVERIFY(DecodeCanonicalBase64("R0lGODlh", bytes));
        QCOMPARE(bytes, QByteArray("GIF89a"));
        QVERIFY(DecodeCanonicalBase64("", bytes));
        QVERIFY(DecodeCanonicalBase64("QQ==", bytes));
        for (const char* bad : {"QQ", "QR==", "Q===", "QQ==QQ==", "R0lG ODlh", "R0lG\nODlh",
                                "R0lG-Dlh", "R0lG_Dlh", "=QQQ"})
            QVERIFY2(!DecodeCanonicalBase64(bad, bytes), bad);
    }

    void utf8() {
        for (const char* good :
             {"", "plain", "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBF\xBF"})
            QVERIFY2(IsValidUtf8(good), good);
        for (const char* bad : {"\xE9", "\xC3", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80",
                                "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "a\x80", "\xE2\x82"})
            QVERIFY2(!IsValidUtf8(bad), bad);
    }

    void delimitersThatCannotCarryRecords() {
        QVERIFY(!TRecordFormat::Make("", "\n").Problem().isEmpty());
        QVERIFY(!TRecordFormat::Make("|", "|").Problem().isEmpty());
        QVERIFY(!TRecordFormat::Make("\r", "\n").Problem().isEmpty());
        // A delimiter may be the backslash: the escape is another character.
        const TRecordFormat f = TRecordFormat::Make("\\", "^");
        QVERIFY(f.Problem().isEmpty());
        QCOMPARE(f.Escape, '~');
        QCOMPARE(f.NullText(), QByteArray("~N"));
    }

    // --- CSV as spreadsheets write it

    void csvRfc4180Rules_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QList<QStringList>>("rows");
        using R = QList<QStringList>;
        QTest::newRow("plain, CR LF") << QByteArray("a,b\r\nc,d\r\n") << R{{"a", "b"}, {"c", "d"}};
        QTest::newRow("LF and CR alone")
            << QByteArray("a,b\nc,d\re,f") << R{{"a", "b"}, {"c", "d"}, {"e", "f"}};
        QTest::newRow("no end after the last") << QByteArray("a,b") << R{{"a", "b"}};
        QTest::newRow("empty values")
            << QByteArray(",x,\r\n,,\r\n") << R{{"", "x", ""}, {"", "", ""}};
        QTest::newRow("quoted delimiter") << QByteArray("\"a,b\",c") << R{{"a,b", "c"}};
        QTest::newRow("quoted line breaks") << QByteArray("\"one\r\ntwo\nthree\",x\r\ny,z")
                                            << R{{"one\r\ntwo\nthree", "x"}, {"y", "z"}};
        QTest::newRow("doubled quotes")
            << QByteArray("\"say \"\"hi\"\"\",\"\"\"\"") << R{{"say \"hi\"", "\""}};
        QTest::newRow("empty quoted") << QByteArray("\"\",\"\"\r\n") << R{{"", ""}};
        QTest::newRow("quote inside a plain value")
            << QByteArray("5\" disk,b") << R{{"5\" disk", "b"}};
        QTest::newRow("spaces kept") << QByteArray(" a , b ") << R{{" a ", " b "}};
        QTest::newRow("blank lines carry nothing")
            << QByteArray("a,b\r\n\r\n\r\nc,d\r\n\r\n") << R{{"a", "b"}, {"c", "d"}};
    }
    void csvRfc4180Rules() {
        QFETCH(QByteArray, csv);
        QFETCH(QList<QStringList>, rows);
        const TCsvRead r = readCsv(csv, {std::nullopt, u','});
        QCOMPARE(r.error, QString());
        QCOMPARE(r.rows, rows);
        // A quote that never closes is a damaged file, not one long value.
        const TCsvRead open = readCsv("a,b\r\n\"never closed,x\r\ny,z\r\n", {std::nullopt, u','});
        QCOMPARE(open.rows.size(), 1);
        QVERIFY(open.error.contains("line 2"));
    }

    void csvEncodings() {
        const QString text = QStringLiteral("Name,Price\r\nCaf\u00e9 \u20ac,\u201cq\u201d\r\n");
        const QList<QStringList> rows = {
            {"Name", "Price"},
            {QStringLiteral("Caf\u00e9 \u20ac"), QStringLiteral("\u201cq\u201d")}};
        const struct {
            const char* name;
            QByteArray bytes;
            TCsvEncoding encoding;
        } files[] = {
            {"UTF-8", text.toUtf8(), TCsvEncoding::Utf8},
            {"UTF-8 BOM", "\xEF\xBB\xBF" + text.toUtf8(), TCsvEncoding::Utf8},
            {"UTF-16LE BOM", utf16(text, true, true), TCsvEncoding::Utf16LE},
            {"UTF-16LE", utf16(text, true, false), TCsvEncoding::Utf16LE},
            {"UTF-16BE BOM", utf16(text, false, true), TCsvEncoding::Utf16BE},
            {"Windows-1252", QByteArray("Name,Price\r\nCaf\xE9 \x80,\x93q\x94\r\n"),
             TCsvEncoding::Windows1252},
        };
        for (const auto& f : files) {
            const TCsvRead r = readCsv(f.bytes);
            QVERIFY2(r.error.isEmpty(), f.name);
            QVERIFY2(r.encoding == f.encoding, f.name);
            QVERIFY2(r.rows == rows, f.name); // the mark is no part of the first name
        }
        // Characters cut by the reader's blocks come whole.
        QByteArray big;
        for (int i = 0; i < 30000; ++i)
            big += QStringLiteral("\u20ac%1,\U0001F600\r\n").arg(i).toUtf8();
        for (const bool little : {true, false}) {
            const QByteArray bytes = little ? big : utf16(QString::fromUtf8(big), false, true);
            const TCsvRead r = readCsv(bytes);
            QCOMPARE(r.rows.size(), 30000);
            QCOMPARE(r.rows[29999],
                     (QStringList{QStringLiteral("\u20ac29999"), QStringLiteral("\U0001F600")}));
        }
        // Chosen by the user: bytes that are not of it say so.
        const TCsvRead wrong = readCsv("a,b\r\nCaf\xE9,x\r\n", {TCsvEncoding::Utf8, QChar()});
        QVERIFY(wrong.error.contains("not UTF-8"));
        QCOMPARE(readCsv("\xEF\xBB\xBFx\xC3\xA9", {TCsvEncoding::Windows1252, QChar()}).rows,
                 (QList<QStringList>{{QStringLiteral("\u00ef\u00bb\u00bfx\u00c3\u00a9")}}));
    }

    void csvDelimiters() {
        QCOMPARE(readCsv("a,b,c\r\n1,2,3\r\n").delimiter, QChar(u','));
        QCOMPARE(readCsv("a;b;c\r\n1,5;2,5;3\r\n").delimiter, QChar(u';'));
        QCOMPARE(readCsv("a\tb\r\n\"x,y,z\"\t2\r\n").delimiter, QChar(u'\t'));
        // Commas in quoted values do not outvote the separator.
        QCOMPARE(readCsv("name;note\r\nx;\"a, b, c, d\"\r\ny;\"e, f\"\r\n").delimiter, QChar(u';'));
        // One column: nothing splits it.
        QCOMPARE(readCsv("title\r\nA book, a pen\r\n").rows.value(1), QStringList{"A book, a pen"});
        // Chosen by the user.
        QCOMPARE(readCsv("a;b,c", {std::nullopt, u','}).rows.value(0), (QStringList{"a;b", "c"}));
    }

    void csvRaggedRowsAndALargeFile() {
        const TCsvRead ragged = readCsv("a,b,c\r\n1\r\n1,2,3,4\r\n\"x\ny\",2\r\nlast,row,here");
        QCOMPARE(ragged.rows, (QList<QStringList>{{"a", "b", "c"},
                                                  {"1"},
                                                  {"1", "2", "3", "4"},
                                                  {"x\ny", "2"},
                                                  {"last", "row", "here"}}));
        QCOMPARE(ragged.lines, (QList<qint64>{1, 2, 3, 4, 6}));

        QByteArray big = "\xEF\xBB\xBFid,title,note\r\n";
        for (int i = 1; i <= 100000; ++i)
            big += QByteArray::number(i) + ",Title " + QByteArray::number(i) +
                   ",\"a, \"\"quoted\"\"\nnote\"\r\n";
        const TCsvRead r = readCsv(big);
        QCOMPARE(r.rows.size(), 100001);
        QCOMPARE(r.rows.last(), (QStringList{"100000", "Title 100000", "a, \"quoted\"\nnote"}));
        QCOMPARE(r.lines.last(), 200000);
    }

    void sheetValuesAsSpreadsheetsWriteThem() {
        using namespace SheetValues;
        const QString dmy = QStringLiteral("DD/MM/YYYY hh:mm");
        const struct {
            const char* cell;
            QString format;
            std::optional<QString> digits;
        } dates[] = {
            {"2026-12-08", {}, "20261208000000"},
            {"2026-12-08 14:30", {}, "20261208143000"},
            {"2026-12-08T14:30:05", {}, "20261208143005"},
            {"2026-1-8 4:05:00.000", {}, "20260108040500"},
            {" 14:30 ", {}, "00000000143000"},
            {"20261208143005", {}, "20261208143005"},
            {"", {}, ""},
            {"08/12/2026 14:30", dmy, "20261208143000"},
            {"8/12/2026", dmy, "20261208000000"},
            {"12/08/2026 14:30", QStringLiteral("MM/DD/YYYY hh:mm"), "20261208143000"},
            {"2026-02-30", {}, std::nullopt},
            {"2026-12-08 24:00", {}, std::nullopt},
            {"08/12/2026", {}, std::nullopt},
            {"31/02/2026 10:00", dmy, std::nullopt},
            {"tomorrow", dmy, std::nullopt},
        };
        for (const auto& d : dates)
            QVERIFY2(DateFromCell(d.cell, d.format) == d.digits, d.cell);
        // Written out and read back: the same digits, odd ones included.
        for (const char* digits : {"20261208000000", "20261208143000", "20261208143005",
                                   "00000000143000", "20261399000000"}) {
            QCOMPARE(DateFromCell(DateToIso(digits, dmy), dmy), std::optional<QString>(digits));
            QCOMPARE(DateFromCell(DateToIso(digits, {}), {}), std::optional<QString>(digits));
        }
        QCOMPARE(DateToFormat("20261208143000", dmy), QStringLiteral("08/12/2026 14:30"));
        QCOMPARE(DateToIso("20261208000000", dmy), QStringLiteral("2026-12-08 00:00"));
        QCOMPARE(DateToIso("20261208000000", "DD/MM/YYYY"), QStringLiteral("2026-12-08"));
        QCOMPARE(DateToIso("00000000000000", dmy), QString());

        for (const char* yes : {"yes", "TRUE", "1", "x", "X", "Ja"})
            QVERIFY2(YesNoFromCell(yes, "Ja", "Nein") == true, yes);
        for (const char* no : {"No", "false", "0", "", " ", "nein"})
            QVERIFY2(YesNoFromCell(no, "Ja", "Nein") == false, no);
        QVERIFY(!YesNoFromCell("maybe", "Ja", "Nein"));

        QCOMPARE(NumberFromCell("1.5", false, "."), std::optional<QString>("1.5"));
        QCOMPARE(NumberFromCell("1,5", true, "."), std::optional<QString>("1.5"));
        QCOMPARE(NumberFromCell("1.5", false, ","), std::optional<QString>("1,5"));
        QVERIFY(!NumberFromCell("1,5", false, ".")); // no thousands separators
        QVERIFY(!NumberFromCell("1.234,5", true, "."));

        for (const QString& text :
             {QStringLiteral("=1+1"), QStringLiteral("'=x"), QStringLiteral("''@y"),
              QStringLiteral("-3"), QStringLiteral("'Tis"), QStringLiteral("plain"), QString()})
            QCOMPARE(TextFromCell(TextToCell(text)), text);
        QCOMPARE(TextToCell("=HYPERLINK(\"x\")"), QStringLiteral("'=HYPERLINK(\"x\")"));
        QCOMPARE(TextToCell("'Tis"), QStringLiteral("'Tis"));
        QCOMPARE(TextFromCell("a\nb\rc\r\nd"), QStringLiteral("a\r\nb\r\nc\r\nd"));
    }

    void sheetColumnsFillFields() {
        TBTable t = TBTable::New();
        t.UserUpdate = true;
        t.UserMode = QStringLiteral("Login");
        for (const auto& [name, column, type] :
             {std::tuple{"Book Title", "title", FieldTypes::Text},
              std::tuple{"Price", "price", FieldTypes::Real},
              std::tuple{"Home", "home", FieldTypes::Hyperlink}}) {
            TBField f;
            f.Name = name;
            f.FieldName = column;
            f.FieldName2 = QString(column) + "2";
            f.FieldType = type;
            t.Fields.push_back(f);
        }
        const TTransferFile records = TransferLayout(t).back();
        // Values: owner, title, price, home, home2.
        TSheetMapping named =
            TSheetMapping::Guess({"PRICE", "booktitle", "Notes", "home (home2)", "Price"}, records);
        QVERIFY(named.HasHeader());
        QCOMPARE(named.ValueOf(0), 2);
        QCOMPARE(named.ValueOf(1), 1);
        QCOMPARE(named.ValueOf(3), 4);
        QCOMPARE(named.ValueOf(4), -1); // a field is filled once
        QCOMPARE(named.UnmappedColumns(), (QStringList{"Notes", "Price"}));
        QCOMPARE(named.EmptyValues(), QStringList{"Home"});
        QCOMPARE(named.Apply("Notes=Home, #5=, PRICE="), QString());
        QCOMPARE(named.ValueOf(2), 3);
        QCOMPARE(named.ValueOf(0), -1);
        QVERIFY(named.Apply("Nothing=Home").contains("no column \"Nothing\""));
        QVERIFY(named.Apply("Notes=owner").contains("no field \"owner\""));
        QVERIFY(named.Apply("Notes").contains("COLUMN=FIELD"));

        // No header: by position, the owner left out.
        const TSheetMapping plain =
            TSheetMapping::Guess({"A book", "12.5", "x", "y", "extra"}, records);
        QVERIFY(!plain.HasHeader());
        QCOMPARE(plain.Columns().value(4), QStringLiteral("Column 5"));
        QCOMPARE((QList<int>{plain.ValueOf(0), plain.ValueOf(3), plain.ValueOf(4)}),
                 (QList<int>{1, 4, -1}));
    }
};

QTEST_GUILESS_MAIN(TestRecordFiles)
#include "TestRecordFiles.moc"
