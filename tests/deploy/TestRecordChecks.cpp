// The two ends of the record transfer on this side: the checks every line of
// an export passes (a value is stored exactly as written or refused with its
// reason), and the reader of a download answer, which finds the markers only
// where the format puts them.
#include "common/TestSupport.h"
#include "deploy/DownloadReader.h"
#include "deploy/ExportRows.h"
#include "deploy/ExportRun.h"
#include "deploy/ScriptAnswer.h"
#include "model/Table.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TBField field(const QString& name, const QString& type) {
    TBField f;
    f.Name = name;
    f.FieldName = name.toLower();
    f.FieldName2 = name.toLower() + QStringLiteral("2");
    f.FieldType = type;
    f.MaxLength = 20;
    return f;
}

TBTable table() {
    using namespace FieldTypes;
    TBTable t = TBTable::New();
    t.TableName = QStringLiteral("shop");
    t.UserUpdate = true;
    t.UserMode = QStringLiteral("Login");
    for (const TBField& f : {field("Title", Text), field("Count", Integer), field("Price", Real),
                             field("Euro", Real), field("Done", YesNo), field("Added", DateTime),
                             field("Photo", Image), field("Link", ImageLink)})
        t.Fields.push_back(f);
    t.Fields[5].DecimalSymbol = QStringLiteral(",");
    return t;
}

struct TChecked {
    bool valid = false;
    QByteArray values;
    QStringList reasons;
};

// Reasons as "field: reason".
TChecked check(const TBTable& t, const QString& kind, const QList<QByteArray>& values,
               TTransferRefs& refs, const QByteArray& charset = "latin1", qint64 line = 7) {
    const QList<TTransferFile> layout = TransferLayout(t);
    int index = 0;
    while (layout[index].Kind != kind)
        ++index;
    TRowEncoder encoder(t, layout[index], index, charset, refs);
    TStagedRow row;
    QList<TRefusal> refusals;
    TChecked c;
    c.valid = encoder.Encode(line, values, row, refusals);
    c.values = row.Values;
    for (const TRefusal& r : refusals)
        c.reasons << r.Field + QStringLiteral(": ") + r.Reason;
    return c;
}

QList<QByteArray> record(const QList<std::pair<int, QByteArray>>& changes = {}) {
    // owner, title, count, price, euro, done, added, photo, link label, link picture
    QList<QByteArray> values = {"3", "t", "1", "2.5", "1,5", "Yes", "20240131235959",
                                "9", "l", "0"};
    for (const auto& [index, value] : changes)
        values[index] = value;
    return values;
}

QByteArray feedAll(TDownloadReader& reader, const QByteArray& answer, qsizetype step) {
    for (qsizetype at = 0; at < answer.size(); at += step)
        reader.Feed(answer.mid(at, step));
    return {};
}

} // namespace

class TestRecordChecks : public QObject {
    Q_OBJECT

    TTransferRefs refs() {
        TTransferRefs r;
        r.MembersKnown = true;
        r.Members.insert(3, 1);
        r.Pictures.insert(9, 1);
        return r;
    }

private slots:
    void valuesStoredAsWritten() {
        const TBTable t = table();
        TTransferRefs r = refs();
        TChecked c = check(t, "records", record(), r);
        QVERIFY2(c.valid, qPrintable(c.reasons.join(u'\n')));
        // Line 7 is the record's number in the staging table; the locks of
        // a file made before are all open.
        QCOMPARE(c.values, QByteArray("(7, 3, 't', 1, 2.5, 1.5, 1, '20240131235959', 9, 'l', 0, "
                                      "1, 1, 1, 1, 1, 1, 1, 1)"));
        c = check(t, "records",
                  record({{2, "-2147483648"}, {3, "-1e3"}, {5, "no"}, {6, ""}, {7, ""}, {9, ""}}) +
                      QList<QByteArray>{"01010101"},
                  r);
        QVERIFY2(c.valid, qPrintable(c.reasons.join(u'\n')));
        QVERIFY2(c.values.startsWith("(7, 3, 't', -2147483648, -1000, 1.5, 0, '', 0, 'l', 0, "
                                     "0, 1, 0, 1, 0, 1, 0, 1)"),
                 c.values.constData());
        // Text that is not plain ASCII travels as its exact bytes.
        c = check(t, "records", record({{1, "O'Brien \\ $x \xE9\n"}}), r);
        QVERIFY(c.values.startsWith("(7, 3, _latin1 X'4f27427269656e205c20247820e90a', "));
        // Empty numbers are no numbers; a field without a value stays one
        // whatever its type, and a real number comes back as written.
        c = check(t, "records", record({{2, ""}, {3, ""}}), r);
        QVERIFY(c.values.startsWith("(7, 3, 't', NULL, NULL, "));
        // A decimal-comma field takes the point too; a record without owner
        // stays without one.
        c = check(t, "records", record({{0, ""}, {4, "-2.25"}}), r);
        QVERIFY2(c.values.startsWith("(7, NULL, 't', 1, 2.5, -2.25, "), c.values.constData());
        c = check(
            t, "records",
            record(
                {{0, {}}, {1, {}}, {2, {}}, {3, {}}, {5, {}}, {6, {}}, {7, {}}, {8, {}}, {9, {}}}),
            r);
        QVERIFY2(c.values.startsWith("(7, NULL, NULL, NULL, NULL, 1.5, NULL, NULL, NULL, NULL, "
                                     "NULL, "),
                 c.values.constData());
        // No date, a leap day, a time without a day.
        for (const char* date : {"00000000000000", "20240229000000", "00000000123000"})
            QVERIFY(
                check(t, "records", record({{3, "123456789012345.6"}, {4, "0,1"}, {6, date}}), r)
                    .valid);
    }

    void everyKindOfBadValueIsRefusedWithItsReason_data() {
        QTest::addColumn<QList<QByteArray>>("values");
        QTest::addColumn<QString>("reason");
        QTest::newRow("letters") << record({{2, "abc"}}) << "Count: not a number";
        QTest::newRow("fraction") << record({{2, "1.5"}}) << "Count: not a whole number";
        QTest::newRow("too large") << record({{2, "2147483648"}}) << "Count: out of range";
        QTest::newRow("far too large")
            << record({{2, "99999999999999999999"}}) << "Count: out of range";
        QTest::newRow("comma, point field") << record({{3, "1,5"}}) << "Price: not a number";
        QTest::newRow("infinite") << record({{3, "1e309"}}) << "Price: out of range";
        QTest::newRow("underflow") << record({{3, "1e-400"}}) << "Price: out of range";
        QTest::newRow("blank") << record({{3, " 1"}}) << "Price: not a number";
        QTest::newRow("15 digits")
            << record({{6, "202401311200001"}}) << "Added: not a date of 14 digits";
        QTest::newRow("date with dashes")
            << record({{6, "2024-01-31 12:0"}}) << "Added: not a date of 14 digits";
        const QString digits = "Price: more digits than the column keeps (it would come back as ";
        QTest::newRow("21 digits")
            << record({{3, "123456789012345678901"}}) << digits + "123456789012345680000)";
        QTest::newRow("pi") << record({{3, "3.141592653589793238462643"}})
                            << digits + "3.141592653589793)";
        QTest::newRow("near a tenth")
            << record({{3, "0.1000000000000000055511151231257827"}}) << digits + "0.1)";
        for (const char* date :
             {"20230231000000", "20230229000000", "20230101240000", "20231301000000"})
            QTest::newRow(date) << record({{6, date}}) << "Added: not a date of the calendar";
        QTest::newRow("maybe") << record({{5, "maybe"}}) << "Done: neither yes nor no";
        QTest::newRow("stranger") << record({{0, "4"}})
                                  << "owner: member 4 is not in the users file";
        QTest::newRow("missing picture")
            << record({{7, "8"}}) << "Photo: picture 8 is not in the images file";
        QTest::newRow("link picture") << record({{9, "x"}}) << "Link (link2): not a number";
        QTest::newRow("long text") << record({{1, QByteArray(4 * 65535 + 1, 'x')}})
                                   << "Title: longer than the column allows";
        QTest::newRow("too few") << record().mid(0, 9)
                                 << ": wrong number of values (9 instead of 10 or 11)";
        QTest::newRow("too many") << record() + QList<QByteArray>{"1", "2"}
                                  << ": wrong number of values (12 instead of 10 or 11)";
        QTest::newRow("blank line")
            << QList<QByteArray>{""} << ": wrong number of values (1 instead of 10 or 11)";
        QTest::newRow("locks") << record() + QList<QByteArray>{"0101"}
                               << "field locks: not one 1 or 0 for each of the 8 fields";
    }
    void everyKindOfBadValueIsRefusedWithItsReason() {
        QFETCH(QList<QByteArray>, values);
        QFETCH(QString, reason);
        TTransferRefs r = refs();
        const TChecked c = check(table(), "records", values, r);
        QVERIFY(!c.valid);
        QCOMPARE(c.reasons, QStringList{reason});
    }

    void charactersOfAUtf8Site() {
        TBTable t = table();
        t.Language.Load(QStringLiteral("English"));
        t.Language.SetText(QStringLiteral("CharSet"), QStringLiteral("UTF-8"));
        TTransferRefs r = refs();
        QVERIFY(check(t, "records", record({{1, "caf\xC3\xA9"}}), r, "utf8mb4").valid);
        const TChecked c = check(t, "records", record({{1, "caf\xE9"}}), r, "utf8mb4");
        QCOMPARE(c.reasons, QStringList{"Title: bytes not valid in the site's character set"});
    }

    void membersAndPictures() {
        const TBTable t = table();
        TTransferRefs r;
        r.MembersKnown = true;
        r.NextPicture = 12;
        QVERIFY(check(t, "users", {"3", "a@x.org", "pw"}, r).valid);
        QCOMPARE(check(t, "users", {"", "new@x.org", ""}, r).values,
                 QByteArray("(NULL, 'new@x.org', '')"));
        QCOMPARE(check(t, "users", {"3", "b@x.org", "pw"}, r, "latin1", 8).reasons,
                 QStringList{"id: the same number as line 7"});
        QVERIFY(r.Members.contains(3));

        const QByteArray gif = QByteArray("GIF89a\0\1", 8).toBase64();
        TChecked c = check(t, "images", {"5", "3", gif, "image/gif"}, r);
        QCOMPARE(c.values, "(5, 3, FROM_BASE64('" + gif + "'), 'image/gif')");
        // A picture without a number gets one above the file's numbers.
        c = check(t, "images", {"", "0", "", "image/gif"}, r);
        QCOMPARE(c.values, QByteArray("(12, 0, '', 'image/gif')"));
        QCOMPARE(check(t, "images", {"6", "3", "R0lGODlh=", "image/gif"}, r).reasons,
                 QStringList{"picture: invalid picture data"});
        QCOMPARE(check(t, "images", {"7", "4", gif, "image/gif"}, r).reasons,
                 QStringList{"owner: member 4 is not in the users file"});

        // A large picture goes in pieces.
        const QByteArray big = QByteArray(400000, 'z').toBase64();
        const QList<TTransferFile> layout = TransferLayout(t);
        TRowEncoder encoder(t, layout[1], 1, "latin1", r);
        TStagedRow row;
        QList<TRefusal> refusals;
        QVERIFY(encoder.Encode(9, {"8", "3", big, "image/png"}, row, refusals));
        QCOMPARE(row.PictureId, qint64(8));
        QCOMPARE(row.PictureBytes, qint64(400000));
        QByteArray joined = row.Values.mid(row.Values.indexOf('\'') + 1);
        joined.truncate(joined.indexOf('\''));
        for (const QByteArray& piece : row.MorePicture) {
            QVERIFY(piece.size() % 4 == 0 || &piece == &row.MorePicture.last());
            joined += piece;
        }
        QCOMPARE(joined, big);
    }

    void downloadSectionsAndMarkers() {
        const TRecordFormat f = TRecordFormat::Make("|", "\n");
        const QByteArray records = "1|a<P CLASS=\"end_of_data\">|x\r\n" +
                                   f.JoinRecord({"<P CLASS=\"end_of_data\">", "y"}) + "\r\n" +
                                   f.JoinRecord({"<P CLASS=\"corvanta_error\">"}) + "\r\n";
        const QByteArray users = "1|a@x.org|pw\r\n";
        const QByteArray images = "";
        const QByteArray answer =
            "<HTML><HEAD></HEAD><BODY> \r\n<P CLASS=\"start_of_data\">" + records +
            "<P CLASS=\"end_of_data\">\r\n<P CLASS=\"start_of_users\">" + users +
            "<P CLASS=\"end_of_users\">\r\n<P CLASS=\"start_of_images\">" + images +
            "<P CLASS=\"end_of_images\">\r\n</BODY></HTML>\r\n";
        for (qsizetype step : {qsizetype(1), qsizetype(7), answer.size()}) {
            QBuffer r, u, i;
            for (QBuffer* b : {&r, &u, &i})
                b->open(QIODevice::WriteOnly);
            TDownloadReader reader(f, {&r, &u, &i});
            feedAll(reader, answer, step);
            QVERIFY(reader.Complete());
            QCOMPARE(r.data(), records);
            QCOMPARE(u.data(), users);
            QCOMPARE(i.data(), images);
            QCOMPARE(reader.Lines(0), qint64(3));
        }

        // An answer cut short is not complete; the script's error is its
        // error, where the format puts it.
        TDownloadReader cut(f, {nullptr, nullptr, nullptr});
        cut.Feed(answer.left(answer.indexOf("<P CLASS=\"end_of_users\">") + 5));
        QVERIFY(!cut.Complete());
        QVERIFY(!cut.ScriptError());
        TDownloadReader failed(f, {nullptr, nullptr, nullptr});
        failed.Feed("<HTML><HEAD></HEAD><BODY> \r\n<P CLASS=\"start_of_data\">1|a\r\n");
        failed.Feed("<P CLASS=\"corvanta_er");
        failed.Feed("ror\">Error in script. Importing data failed.</P>");
        QVERIFY(failed.ScriptError());
        QCOMPARE(failed.ErrorText(), QByteArray("Error in script. Importing data failed.</P>"));
        // Records that end with another character: an escaped one inside a
        // value ends nothing, even when its escape came in an earlier block.
        const TRecordFormat hash = TRecordFormat::Make("|", "#");
        const QByteArray forged = hash.JoinRecord({"a#<P CLASS=\"end_of_data\">x\\", "b"}) + "#";
        for (qsizetype step : {qsizetype(1), qsizetype(2), qsizetype(64)}) {
            QBuffer r;
            r.open(QIODevice::WriteOnly);
            TDownloadReader reader(hash, {&r, nullptr, nullptr});
            feedAll(reader,
                    "<P CLASS=\"start_of_data\">" + forged + "1|2#<P CLASS=\"end_of_data\">\r\n" +
                        "<P CLASS=\"start_of_users\"><P CLASS=\"end_of_users\">\r\n<P "
                        "CLASS=\"start_of_images\"><P CLASS=\"end_of_images\">",
                    step);
            QVERIFY(reader.Complete());
            QCOMPARE(r.data(), forged + "1|2#");
            QCOMPARE(reader.Lines(0), qint64(2));
        }

        TDownloadReader denied(f, {nullptr, nullptr, nullptr});
        denied.Feed("<HTML><HEAD></HEAD><BODY>\n<P CLASS=\"corvanta_error\">Access denied</P>");
        QVERIFY(denied.ScriptError());
        // A server's error reaches the user as text, not as the page's HTML.
        QCOMPARE(ScriptAnswer::Text("<P CLASS=\"corvanta_error\">Row size too large (&gt; 8126) "
                                    "&amp; <B>more</B> caf&#233;&#x21;</P>",
                                    "corvanta_error", 100, false, QStringLiteral("UTF-8")),
                 QString::fromUtf8("Row size too large (> 8126) & more caf\xC3\xA9!"));
    }

    // Parts keep their size; a line too large for any part is refused with
    // its number, and the lines around it still go.
    void partsKeepTheirSize() {
        TBTable t = TBTable::New();
        t.TableName = QStringLiteral("wide");
        for (int i = 1; i <= 21; ++i)
            t.Fields.push_back(field(QStringLiteral("T%1").arg(i), FieldTypes::Text));
        const TRecordFormat f = TRecordFormat::Of(t);
        QTemporaryDir dir;
        QByteArray records;
        for (int i = 1; i <= 30; ++i)
            records +=
                f.JoinRecord(QList<QByteArray>(21, QByteArray(i == 21 ? 210000 : 20000, 'a'))) +
                f.RecordEnd();
        const TExportFiles files{dir.filePath("r"), {}, dir.filePath("i")};
        WriteFileBytes(files.Records, records);
        WriteFileBytes(files.Images, {});
        TExportRun run(t, files, "latin1", QStringLiteral("0123"), dir.path(), 1 << 20);
        qint64 largest = 0, rows = 0;
        QVERIFY(run.Send([&](const QString& path, int, qint64 n) {
            largest = std::max(largest, QFileInfo(path).size());
            rows += n;
            return true;
        }));
        QCOMPARE(rows, qint64(29));
        QVERIFY2(largest <= 1 << 20, qPrintable(QString::number(largest)));
        QCOMPARE(run.RefusedCount(), qint64(1));
        QCOMPARE(run.Refusals().first().Line, qint64(21));
        QVERIFY(run.Refusals().first().Reason.contains(QStringLiteral("too large to send")));
    }
};

QTEST_GUILESS_MAIN(TestRecordChecks)
#include "TestRecordChecks.moc"
