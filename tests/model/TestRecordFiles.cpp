// The text of the record files: every value comes back exactly whatever it
// holds, files without such values look as they always did, and no line can
// begin like a marker of the download answer.
#include "model/RecordFiles.h"

#include <QBuffer>
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
};

QTEST_GUILESS_MAIN(TestRecordFiles)
#include "TestRecordFiles.moc"
