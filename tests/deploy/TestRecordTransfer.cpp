// Import and Export end to end on the local web host, as a site owner uses
// them and as a member of the site might attack them: every value comes
// back exactly, a file with a bad value changes nothing and says why, record
// text cannot forge the download's sections, field locks and members travel
// with the records, and appended records keep their owners and pictures.
#include "DeployFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "deploy/SheetRecords.h"
#include "model/ProjectStore.h"
#include "model/RecordFiles.h"
#include "model/Store.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Every kind of value: a unique code (at most 10 characters), free text,
// numbers with either decimal symbol, yes/no, a date, a picture, a link.
TBTable shopProject(const QString& name, const QString& mode) {
    using namespace FieldTypes;
    TBTable t = TBTable::New();
    t.DbName = name;
    t.TableName = name;
    t.AdminPassword = QStringLiteral("secret");
    t.UserUpdate = !mode.isEmpty();
    t.UserMode = mode;
    QList<TBField> fields = {
        TransferField("Code", "code", Text),       TransferField("Notes", "notes", Text),
        TransferField("Count", "amount", Integer), TransferField("Price", "price", Real),
        TransferField("Weight", "weight", Real),   TransferField("Done", "done", YesNo),
        TransferField("Added", "added", DateTime), TransferField("Photo", "photo", Image),
        TransferField("Home", "home", Hyperlink)};
    fields[0].NoDuplicates = true;
    fields[4].DecimalSymbol = QStringLiteral(",");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        fields[i].SeqNo = qint32(i + 1);
        t.Fields.push_back(fields[i]);
    }
    return t;
}

QByteArray lines(const TRecordFormat& f, const QList<QList<QByteArray>>& records) {
    QByteArray text;
    for (const QList<QByteArray>& r : records)
        text += f.JoinRecord(r) + f.RecordEnd();
    return text;
}

const QByteArray kGif = QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);

// LibreOffice converts `file` into `outDir` as `filter` says; the file it
// wrote, or empty (with the reason in `why`). A profile of its own, so a
// running office or another test never meets it; deadlines for a slow,
// shared machine.
QString libreOffice(const QString& file, const QString& filter, const QString& outDir, QString& why,
                    const QString& inFilter = {}) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        why = QStringLiteral("soffice is missing: scripts/install-deps installs LibreOffice");
        return {};
    }
    QStringList args = {QStringLiteral("-env:UserInstallation=file://") + outDir +
                            QStringLiteral("/lo-profile"),
                        QStringLiteral("--headless"), QStringLiteral("--norestore")};
    if (!inFilter.isEmpty())
        args << QStringLiteral("--infilter=") + inFilter;
    args << QStringLiteral("--convert-to") << filter << QStringLiteral("--outdir") << outDir
         << file;
    QProcess office;
    office.start(soffice, args);
    if (!office.waitForFinished(600000)) {
        office.kill();
        why = QStringLiteral("LibreOffice did not end");
        return {};
    }
    const QString out = QDir(outDir).filePath(QFileInfo(file).completeBaseName() + u'.' +
                                              filter.section(u':', 0, 0));
    if (!QFileInfo::exists(out))
        why = QString::fromUtf8(office.readAllStandardError() + office.readAllStandardOutput());
    return QFileInfo::exists(out) ? out : QString();
}

const QString kCsvFilter = QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76");

// A flat OpenDocument spreadsheet: each cell "s:text", "f:number", "b:true",
// "d:2026-12-08T14:30:00" (shown in ISO form) or "e:..." (shown as
// DD/MM/YYYY hh:mm:ss), or empty.
QByteArray flatSpreadsheet(const QList<QStringList>& rows) {
    QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
<number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/></number:date-style>
<number:date-style style:name="N2"><number:day number:style="long"/><number:text>/</number:text><number:month number:style="long"/><number:text>/</number:text><number:year number:style="long"/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:date-style>
<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>
<style:style style:name="ce2" style:family="table-cell" style:data-style-name="N2"/>
</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Books">
)";
    for (const QStringList& row : rows) {
        xml += "<table:table-row>";
        for (const QString& cell : row) {
            const QByteArray v = cell.mid(2).toHtmlEscaped().toUtf8();
            switch (cell.isEmpty() ? 'x' : cell[0].toLatin1()) {
            case 's':
                xml += "<table:table-cell office:value-type=\"string\"><text:p>" + v +
                       "</text:p></table:table-cell>";
                break;
            case 'f':
                xml += "<table:table-cell office:value-type=\"float\" office:value=\"" + v + "\"/>";
                break;
            case 'b':
                xml += "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"" +
                       v + "\"/>";
                break;
            case 'd':
            case 'e':
                xml += "<table:table-cell table:style-name=\"ce" +
                       QByteArray(cell[0] == u'd' ? "1" : "2") +
                       "\" office:value-type=\"date\" office:date-value=\"" + v + "\"/>";
                break;
            default:
                xml += "<table:table-cell/>";
            }
        }
        xml += "</table:table-row>\n";
    }
    return xml + "</table:table></office:spreadsheet></office:body></office:document>\n";
}

} // namespace

class TestRecordTransfer : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    int round_ = 0;
    QTemporaryDir dir_;
    QString storePath_;
    std::unique_ptr<TStore> store_;

    // A stored project with its site and fresh tables on the host.
    TBTable site(TBTable t) {
        PlaceOnHost(t, *host_, t.TableName, dir_.filePath(t.TableName));
        ProjectStore::Save(*store_, t);
        const TCliResult r = RunCli(storePath_, {"upload", t.DbName, "--create-db"});
        if (r.status != 0)
            qWarning("upload failed: %s", r.err.constData());
        return t;
    }

    QString file(const QString& name) { return dir_.filePath(name); }

    // Export through the deployment commands; the messages it showed.
    QStringList sendFiles(const TBTable& t, const QString& prefix, bool replace,
                          bool* succeeded = nullptr) {
        TTransferRun run;
        run.replace = replace;
        const bool ok = ExportFiles(*store_, t, prefix, run);
        if (succeeded)
            *succeeded = ok;
        return run.messages;
    }

    bool fetchFiles(const TBTable& t, const QString& prefix) {
        return ImportFiles(*store_, t, prefix);
    }

    void writeFiles(const QString& prefix, const QByteArray& records, const QByteArray& users,
                    const QByteArray& images) {
        WriteFileBytes(prefix + "records.txt", records);
        WriteFileBytes(prefix + "users.txt", users);
        WriteFileBytes(prefix + "images.txt", images);
    }

    QByteArrayList checksum(const TBTable& t) {
        QByteArrayList sums;
        for (const QString& table : {t.TableName, t.TableName + "_USERS", t.TableName + "_IMAGES"})
            sums << host_->Query("CHECKSUM TABLE " + table).value(0).value(1);
        return sums;
    }

    // Every stored value of the shop's records, pictures as their bytes.
    QList<QByteArrayList> shopRows(const TBTable& t) {
        return host_->Query("SELECT r.code, HEX(r.notes), r.amount, r.price, r.weight, r.done, "
                            "r.added, HEX(i.image_data), i.image_type, r.home, r.home2 FROM " +
                            t.TableName + " r LEFT JOIN " + t.TableName +
                            "_IMAGES i ON i.imageid = r.photo ORDER BY r.code");
    }

    QList<QByteArrayList> members(const TBTable& t) {
        return host_->Query("SELECT userid, username FROM " + t.TableName +
                            "_USERS ORDER BY userid");
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        storePath_ = dir_.filePath(QStringLiteral("store.json"));
        store_ = std::make_unique<TStore>(storePath_);
    }

    void aFileWithBadValuesChangesNothingAndListsEveryOne() {
        TBTable t = shopProject("refusals", "Login");
        t.Language.Load(QStringLiteral("German")); // a UTF-8 site
        t = site(t);
        const TRecordFormat f = TRecordFormat::Of(t);
        const QString prefix = file("refusals-");
        writeFiles(prefix, lines(f, {{"1", "A0", "kept", "1", "1", "1", "Yes", "", "0", "", ""}}),
                   "1|a@x.org|pw\r\n", {});
        bool ok = false;
        sendFiles(t, prefix, true, &ok);
        QVERIFY(ok);
        const QByteArrayList before = checksum(t);

        const QList<QByteArray> good = {
            "1", "A1", "note", "5", "2.5", "1,5", "Yes", "20240131120000", "7", "Home", "http://x"};
        const auto bad = [&](int index, const QByteArray& value) {
            QList<QByteArray> r = good;
            if (index != 1) // a code of its own: codes are unique
                r[1] = "B" + QByteArray::number(index) + value.left(3);
            r[index] = value;
            return r;
        };
        QByteArray records = lines(f, {good, bad(3, "abc"), bad(3, "2147483648"), bad(4, "1e309"),
                                       bad(4, "1,5"), bad(2, QByteArray(70000, 'x')),
                                       bad(1, "ABCDEFGHIJK"), bad(7, "202401311200001"),
                                       good.mid(0, 10), good + QList<QByteArray>{"1", "2"}});
        records += "\r\n";
        records += lines(f, {bad(2, "caf\xE9"), bad(0, "9"), bad(6, "maybe")});
        const QByteArray images =
            "7|1|" + kGif.toBase64() + "|image/gif\r\n8|1|R0lGODlh=|image/gif\r\n";
        writeFiles(prefix, records, "1|a@x.org|pw\r\n", images);

        TCliResult r = RunCli(storePath_, {"export", "refusals", "--records",
                                           prefix + "records.txt", "--users", prefix + "users.txt",
                                           "--images", prefix + "images.txt", "--replace"});
        QCOMPARE(r.status, 1);
        const QByteArray expected =
            "Nothing was exported: 14 values were refused. The records on the server are "
            "unchanged.\n"
            "images file, line 2, field \"picture\": invalid picture data\n"
            "records file, line 2, field \"Count\": not a number\n"
            "records file, line 3, field \"Count\": out of range\n"
            "records file, line 4, field \"Price\": out of range\n"
            "records file, line 5, field \"Price\": not a number\n"
            "records file, line 6, field \"Notes\": longer than the column allows\n"
            "records file, line 7, field \"Code\": longer than the column allows\n"
            "records file, line 8, field \"Added\": not a date of 14 digits\n"
            "records file, line 9: wrong number of values (10 instead of 11 or 12)\n"
            "records file, line 10: wrong number of values (13 instead of 11 or 12)\n"
            "records file, line 11: wrong number of values (1 instead of 11 or 12)\n"
            "records file, line 12, field \"Notes\": bytes not valid in the site's character set\n"
            "records file, line 13, field \"owner\": member 9 is not in the users file\n"
            "records file, line 14, field \"Done\": neither yes nor no\n";
        if (!r.err.contains(expected))
            qWarning("%s", r.err.constData());
        QVERIFY(r.err.contains(expected));
        QCOMPARE(checksum(t), before);
        QVERIFY(host_->Query("SHOW TABLES LIKE 'refusals\\_%STAGED'").isEmpty());
        QVERIFY(QDir(host_->DocumentRoot() + "/refusals").entryList({"export_db*"}).isEmpty());

        // A hundred are listed, and how many more there are.
        QList<QList<QByteArray>> many;
        for (int i = 0; i < 150; ++i)
            many << bad(3, "x" + QByteArray::number(i));
        writeFiles(prefix, lines(f, many), "1|a@x.org|pw\r\n",
                   images.left(images.indexOf('\n') + 1));
        r = RunCli(storePath_,
                   {"export", "refusals", "--records", prefix + "records.txt", "--users",
                    prefix + "users.txt", "--images", prefix + "images.txt"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("records file, line 100, field \"Count\": not a number\n... and "
                               "50 more.\n"));
        QVERIFY(!r.err.contains("line 101,"));
        QCOMPARE(checksum(t), before);

        // A file that cannot be read: said so, nothing changed.
        r = RunCli(storePath_,
                   {"export", "refusals", "--records", prefix + "records.txt", "--users",
                    prefix + "users.txt", "--images", prefix + "missing.txt"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("File access error to " + prefix.toUtf8() +
                                "missing.txt The "
                                "records on the server are unchanged.\n"),
                 r.err.constData());
        QCOMPARE(checksum(t), before);

        // The same file mended goes live whole: exit status 0.
        writeFiles(prefix, lines(f, {good}), "1|a@x.org|pw\r\n",
                   images.left(images.indexOf('\n') + 1));
        r = RunCli(storePath_,
                   {"export", "refusals", "--records", prefix + "records.txt", "--users",
                    prefix + "users.txt", "--images", prefix + "images.txt", "--replace"});
        QCOMPARE(r.status, 0);
        QCOMPARE(host_->Query("SELECT code, weight FROM refusals"),
                 (QList<QByteArrayList>{{"A1", "1.5"}}));
    }

    // Every field type, NULL, empty and awkward values come back exactly
    // through an upload and a download, with delimiters chosen to be hard.
    void everyTypeAndNullComeBackExactly_data() {
        QTest::addColumn<QString>("fd");
        QTest::addColumn<QString>("rd");
        QTest::addColumn<QString>("language"); // German pages are UTF-8
        QTest::newRow("bar, lines") << "|"
                                    << "\n"
                                    << "English";
        QTest::newRow("backslash, caret") << "\\"
                                          << "^"
                                          << "English";
        QTest::newRow("words") << "ab"
                               << "cd"
                               << "English";
        QTest::newRow("n, hash") << "n"
                                 << "#"
                                 << "English";
        QTest::newRow("section, pilcrow")
            << QString::fromUtf8("\xC2\xA7") << QString::fromUtf8("\xC2\xB6") << "German";
        QTest::newRow("emoji, lines") << QString::fromUtf8("\xF0\x9F\x98\x80") << "\n"
                                      << "German";
    }
    void everyTypeAndNullComeBackExactly() {
        QFETCH(QString, fd);
        QFETCH(QString, rd);
        QFETCH(QString, language);
        TBTable t = shopProject(QStringLiteral("lossless%1").arg(++round_), "Login");
        for (const TBField& f : {TransferField("Picture", "pic", FieldTypes::ImageLink),
                                 TransferField("Mail", "mail", FieldTypes::Mailto)}) {
            t.Fields.push_back(f);
            t.Fields.back().SeqNo = qint32(t.Fields.size() - 2);
        }
        t.FieldDelimiter = fd;
        t.RecordDelimiter = rd;
        t.Language.Load(language);
        t = site(t);
        const TRecordFormat f = TRecordFormat::Of(t);
        const QByteArray awkward = "x" + f.FieldDelimiter + f.RecordDelimiter + "\\N " +
                                   f.NullText() + " ~^\\\r\n<P CLASS=\"end_of_data\">" +
                                   QByteArray(1, f.Escape);
        const QByteArray null;
        const QByteArray yes = t.Language.Text("Yes").toUtf8(), no = t.Language.Text("No").toUtf8();
        // owner, code, notes, count, price, weight (a comma), done, added,
        // photo, home (label, address), picture (label, number), mail
        // (label, address), field locks
        const QList<QList<QByteArray>> records = {
            {"1", "C1", awkward, "42", "0.1", "1,5", yes, "20240229235959", "3", awkward,
             "http://x/?a=1&b", "P", "3", "M", "m@x.org", "11111111111"},
            // NULL; a number without a value is empty
            {null, null, null, "", "", "", null, null, null, null, null, null, null, null, null,
             "10101010101"},
            {"1", "", "", "", "", "", no, "", "0", "", "", "", "0", "", "", "00000000000"}};
        const QString prefix = file(QStringLiteral("lossless%1-").arg(round_));
        writeFiles(
            prefix, lines(f, records),
            lines(f, {{"1", "a" + f.FieldDelimiter + "@x.org", awkward}, {"2", "b@x.org", null}}),
            lines(f, {{"3", "1", kGif.toBase64(), "image/gif"}}));
        bool ok = false;
        const QStringList messages = sendFiles(t, prefix, true, &ok);
        QVERIFY2(ok, qPrintable(messages.join(u'\n')));
        const QString table = t.TableName;
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM " + table +
                              " WHERE code IS NULL AND notes IS "
                              "NULL AND amount IS NULL AND done IS NULL AND added IS NULL AND "
                              "photo IS NULL AND home2 IS NULL AND pic2 IS NULL AND mail IS NULL"),
                 QList<QByteArrayList>{{"1"}});
        QCOMPARE(host_->Query("SELECT HEX(notes), weight FROM " + table + " WHERE code = 'C1'"),
                 (QList<QByteArrayList>{{awkward.toHex().toUpper(), "1.5"}}));
        for (const QString& again : {QStringLiteral("back-"), QStringLiteral("again-")}) {
            QVERIFY(fetchFiles(t, prefix + again));
            for (const char* name : {"records.txt", "users.txt", "images.txt"})
                QCOMPARE(ReadFileBytes(prefix + again + name), ReadFileBytes(prefix + name));
            sendFiles(t, prefix + again, true, &ok);
            QVERIFY(ok);
        }
    }

    void recordTextCannotForgeTheDownloadsSections() {
        const TBTable t = site(shopProject("forgery", "Login"));
        QVERIFY(host_->Exec("INSERT INTO forgery_USERS(userid, username, userpassword) VALUES "
                            "(1, 'alice@example.org', 'a'), (2, 'carol@example.org', 'c'), "
                            "(3, 'mallory@example.org', 'm')"));
        // What a member can type into a field.
        const QList<QByteArray> forged = {
            "T<P CLASS=\"start_of_users\">1|carol2@example.org|pw123|",
            "x<P CLASS=\"end_of_data\">",
            "x<P CLASS=\"corvanta_error\">",
            "<P CLASS=\"end_of_users\">\r\n<P CLASS=\"start_of_images\">",
        };
        for (int i = 0; i < forged.size(); ++i)
            QVERIFY(host_->Exec(QStringLiteral("INSERT INTO forgery(userid, code, notes, done) "
                                               "VALUES (3, 'F%1', X'%2', 0)")
                                    .arg(i)
                                    .arg(QString::fromLatin1(forged[i].toHex()))));
        QVERIFY(host_->Exec("INSERT INTO forgery(userid, code, done) VALUES (2, 'carols', 1)"));

        const QString first = file("forgery-");
        QVERIFY(fetchFiles(t, first));
        QCOMPARE(ReadFileBytes(first + "users.txt"),
                 QByteArray("1|alice@example.org|a\r\n2|carol@example.org|c\r\n"
                            "3|mallory@example.org|m\r\n"));
        const TRecordFormat f = TRecordFormat::Of(t);
        QFile records(first + "records.txt");
        QVERIFY(records.open(QIODevice::ReadOnly));
        TRecordReader reader(records, f);
        QByteArray record;
        for (const QByteArray& text : forged) {
            QVERIFY(reader.Next(record));
            QCOMPARE(f.SplitRecord(record).value(2), text);
        }
        QVERIFY(reader.Next(record));
        QVERIFY(!reader.Next(record));

        // Sent back, the attacker's text gives nobody another member's number.
        bool ok = false;
        sendFiles(t, first, true, &ok);
        QVERIFY(ok);
        QCOMPARE(members(t), (QList<QByteArrayList>{{"1", "alice@example.org"},
                                                    {"2", "carol@example.org"},
                                                    {"3", "mallory@example.org"}}));
        QCOMPARE(host_->Query("SELECT userid FROM forgery WHERE code = 'carols'"),
                 QList<QByteArrayList>{{"2"}});
        const QString second = file("forgery-again-");
        QVERIFY(fetchFiles(t, second));
        for (const char* name : {"records.txt", "users.txt", "images.txt"})
            QCOMPARE(ReadFileBytes(second + name), ReadFileBytes(first + name));
    }

    void fieldLocksAndMembersSurviveDownloadAndUpload() {
        const TBTable t = site(shopProject("locks", "Login"));
        QVERIFY(host_->Exec("INSERT INTO locks_USERS(userid, username, userpassword) VALUES "
                            "(4, 'a@x.org', 'a'), (9, 'b@x.org', 'b')"));
        QVERIFY(host_->Exec("INSERT INTO locks(userid, code, done, notes_USEREDIT, "
                            "price_USEREDIT, home_USEREDIT) VALUES (4, 'L1', 1, 0, 1, 0), "
                            "(9, 'L2', 0, 1, 0, 1), (9, 'L3', 0, 0, 0, 0)"));
        const QString query = "SELECT code, userid, code_USEREDIT, notes_USEREDIT, "
                              "price_USEREDIT, home_USEREDIT FROM locks ORDER BY code";
        const QList<QByteArrayList> before = host_->Query(query);
        const QString first = file("locks-");
        QVERIFY(fetchFiles(t, first));
        bool ok = false;
        sendFiles(t, first, true, &ok);
        QVERIFY(ok);
        QCOMPARE(host_->Query(query), before);
        QCOMPARE(members(t), (QList<QByteArrayList>{{"4", "a@x.org"}, {"9", "b@x.org"}}));
        const QString second = file("locks-again-");
        QVERIFY(fetchFiles(t, second));
        for (const char* name : {"records.txt", "users.txt"})
            QCOMPARE(ReadFileBytes(second + name), ReadFileBytes(first + name));

        // A file made before locks travelled loads with every field open.
        const TRecordFormat f = TRecordFormat::Of(t);
        writeFiles(first, lines(f, {{"4", "OLD", "", "", "", "", "Yes", "", "0", "", ""}}),
                   "4|a@x.org|a\r\n", {});
        sendFiles(t, first, true, &ok);
        QVERIFY(ok);
        QCOMPARE(host_->Query(query), (QList<QByteArrayList>{{"OLD", "4", "1", "1", "1", "1"}}));
    }

    void recordsTravelWithTheirMembersSoNoNewcomerInheritsThem() {
        // Join without "only members can add": the site has members all the same.
        const TBTable t = site(shopProject("joined", "Join"));
        QVERIFY(host_->Exec("INSERT INTO joined_USERS(userid, username, userpassword) VALUES "
                            "(1, 'a@x.org', 'a'), (2, 'b@x.org', 'b'), (3, 'c@x.org', 'c')"));
        QVERIFY(host_->Exec("INSERT INTO joined(userid, code, done) VALUES (1, 'J1', 0), "
                            "(3, 'J3', 0)"));
        const QString first = file("joined-");
        QVERIFY(fetchFiles(t, first));
        QCOMPARE(ReadFileBytes(first + "users.txt"),
                 QByteArray("1|a@x.org|a\r\n2|b@x.org|b\r\n3|c@x.org|c\r\n"));
        bool ok = false;
        sendFiles(t, first, true, &ok);
        QVERIFY(ok);
        // The next visitor to join gets a number no record belongs to.
        QVERIFY(host_->Exec("INSERT INTO joined_USERS(username, userpassword) VALUES "
                            "('newcomer@x.org', 'n')"));
        const QByteArray newcomer =
            host_->Query("SELECT userid FROM joined_USERS WHERE username = 'newcomer@x.org'")
                .value(0)
                .value(0);
        QVERIFY(newcomer.toInt() > 3);
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM joined WHERE userid = " + newcomer),
                 QList<QByteArrayList>{{"0"}});

        // Records whose owner is not among the members are refused.
        WriteFileBytes(first + "users.txt", "1|a@x.org|a\r\n");
        const QStringList messages = sendFiles(t, first, true, &ok);
        QVERIFY(!ok);
        QVERIFY2(messages.last().contains(
                     "records file, line 2, field \"owner\": member 3 is not in the users file"),
                 qPrintable(messages.last()));
    }

    void appendedRecordsKeepTheirOwnersAndPictures() {
        const TBTable t = site(shopProject("appended", "Login"));
        QVERIFY(host_->Exec("INSERT INTO appended_USERS(userid, username, userpassword) VALUES "
                            "(1, 'a@x.org', 'a')"));
        QVERIFY(host_->Exec("INSERT INTO appended_IMAGES(imageid, userid, image_data, image_type) "
                            "VALUES (1, 1, 'old picture', 'image/gif')"));
        QVERIFY(host_->Exec("INSERT INTO appended(userid, code, photo, done) VALUES "
                            "(1, 'A1', 1, 0)"));
        // The file's member 1 is someone else; its member 2 is the site's a@x.org.
        const TRecordFormat f = TRecordFormat::Of(t);
        const QString prefix = file("appended-");
        writeFiles(prefix,
                   lines(f, {{"1", "B1", "", "", "", "", "No", "", "1", "", ""},
                             {"2", "B2", "", "", "", "", "No", "", "0", "", ""}}),
                   "1|b@x.org|b\r\n2|a@x.org|a\r\n",
                   lines(f, {{"1", "1", kGif.toBase64(), "image/gif"}}));
        bool ok = false;
        const QStringList messages = sendFiles(t, prefix, false, &ok);
        QVERIFY2(ok, qPrintable(messages.join(u'\n')));
        QCOMPARE(
            host_->Query("SELECT r.code, u.username, HEX(i.image_data) FROM appended r "
                         "JOIN appended_USERS u ON u.userid = r.userid LEFT JOIN "
                         "appended_IMAGES i ON i.imageid = r.photo ORDER BY r.code"),
            (QList<QByteArrayList>{{"A1", "a@x.org", QByteArray("old picture").toHex().toUpper()},
                                   {"B1", "b@x.org", kGif.toHex().toUpper()},
                                   {"B2", "a@x.org", "NULL"}}));
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM appended_USERS"), QList<QByteArrayList>{{"2"}});

        // A record the site already holds where duplicates are not allowed.
        const QByteArrayList before = checksum(t);
        writeFiles(prefix,
                   lines(f, {{"1", "C1", "", "", "", "", "No", "", "0", "", ""},
                             {"1", "A1", "", "", "", "", "No", "", "0", "", ""}}),
                   "1|a@x.org|a\r\n", {});
        const QStringList refused = sendFiles(t, prefix, false, &ok);
        QVERIFY(!ok);
        QVERIFY2(refused.last().contains("records file, line 2, field \"Code\": already on the "
                                         "server where duplicates are not allowed"),
                 qPrintable(refused.last()));
        QCOMPARE(checksum(t), before);
    }

    // --- Spreadsheets, made and read by LibreOffice

    void aSpreadsheetMadeByLibreOfficeIsPreviewedSentAndReadBack() {
        TBTable t = shopProject("sheets", "Login");
        t.Language.Load(QStringLiteral("German")); // a UTF-8 site with its own words
        // Every field type: the shop's and these two.
        for (TBField f : {TransferField("Cover", "cover", FieldTypes::ImageLink),
                          TransferField("Mail", "mail", FieldTypes::Mailto)}) {
            f.SeqNo = qint32(t.Fields.size() - 1);
            t.Fields.push_back(f);
        }
        t = site(t);
        // A member, who stays when the spreadsheet replaces every record.
        const QString prefix = file("sheets-");
        writeFiles(prefix,
                   lines(TRecordFormat::Of(t),
                         {{"1", "OLD", "", "", "", "", "Nein", "", "0", "", "", "", "0", "", ""}}),
                   "1|a@x.org|pw\r\n", {});
        bool ok = false;
        sendFiles(t, prefix, true, &ok);
        QVERIFY(ok);

        const QString folder = file("sheets-lo");
        QVERIFY(QDir().mkpath(folder + "/pics"));
        WriteFileBytes(folder + "/pics/one.gif", kGif);
        WriteFileBytes(
            folder + "/books.fods",
            flatSpreadsheet({{"s:Code", "s:Notes", "s:Count", "s:price", "s:WEIGHT", "s:Done",
                              "s:Added", "s:Photo", "s:Home", "s:Home (home2)", "s:Cover",
                              "s:Cover (cover2)", "s:Mail", "s:Mail (mail2)", "s:Remarks"},
                             {"s:B1", "s:Caf\u00e9, \"x\"", "f:5", "f:12.5", "f:1.25", "b:true",
                              "d:2026-12-08T14:30:00", "s:pics/one.gif", "s:Site", "s:http://x.org",
                              "s:Front", "s:pics/one.gif", "s:Ann", "s:ann@x.org", "s:not sent"},
                             {"s:B2", "", "f:-7", "f:0.1", "", "b:false", "e:2025-01-31T23:59:58",
                              "", "", "", "", "", "", "", ""}}));
        QString why;
        const QString csv = libreOffice(folder + "/books.fods", kCsvFilter, folder, why);
        QVERIFY2(!csv.isEmpty(), qPrintable(why));

        // The preview: as the site will store them.
        TSheetRecords preview(t);
        QVERIFY(preview.Open(csv, {}));
        QVERIFY(preview.Convert());
        QCOMPARE(preview.RefusedCount(), 0);
        QCOMPARE(preview.Mapping().UnmappedColumns(), QStringList{"Remarks"});
        QCOMPARE(preview.Preview().size(), 2);
        QStringList shown;
        for (const TSheetCell& c : preview.Preview()[0])
            shown << c.Shown;
        QCOMPARE(shown, (QStringList{"B1", "Caf\u00e9, \"x\"", "5", "12.5", "1,25", "Ja",
                                     "08/12/2026 14:30:00", "pics/one.gif", "Site", "http://x.org",
                                     "Front", "pics/one.gif", "Ann", "ann@x.org"}));

        TCliResult r = RunCli(storePath_, {"export", "sheets", "--csv", csv, "--check"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains("2 rows are ready to be sent; nothing was sent."),
                 r.err.constData());
        QVERIFY(r.err.contains("Columns not sent: Remarks"));
        QCOMPARE(shopRows(t).value(0).value(0), QByteArray("OLD"));

        r = RunCli(storePath_, {"export", "sheets", "--csv", csv, "--replace"});
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(shopRows(t), (QList<QByteArrayList>{
                                  {"B1", QString("Caf\u00e9, \"x\"").toUtf8().toHex().toUpper(),
                                   "5", "12.5", "1.25", "1", "20261208143000",
                                   kGif.toHex().toUpper(), "image/gif", "Site", "http://x.org"},
                                  {"B2", "", "-7", "0.1", "NULL", "0", "20250131235958", "NULL",
                                   "NULL", "", ""}}));
        QCOMPARE(host_->Query("SELECT r.cover, HEX(i.image_data), r.mail, r.mail2 FROM sheets r "
                              "LEFT JOIN sheets_IMAGES i ON i.imageid = r.cover2 ORDER BY r.code"),
                 (QList<QByteArrayList>{{"Front", kGif.toHex().toUpper(), "Ann", "ann@x.org"},
                                        {"", "NULL", "", ""}}));
        QCOMPARE(members(t), (QList<QByteArrayList>{{"1", "a@x.org"}}));
    }

    void aSpreadsheetWithOneBadValueOfEachKindIsRefusedWhole() {
        const TBTable t = site(shopProject("badsheet", ""));
        const QString folder = file("badsheet");
        QVERIFY(QDir().mkpath(folder + "/in"));
        WriteFileBytes(file("secret.gif"), kGif);
        WriteFileBytes(folder + "/in/note.gif", "not a picture");
        WriteFileBytes(folder + "/in/ok.gif", kGif);
        QVERIFY(QFile::link(file("secret.gif"), folder + "/in/link.gif"));
        WriteFileBytes(folder + "/live.csv", "Code;Count\r\nL1;3\r\n");
        TCliResult r = RunCli(storePath_, {"export", "badsheet", "--csv", folder + "/live.csv"});
        QVERIFY2(r.status == 0, r.err.constData());
        const QByteArrayList before = checksum(t);

        const QByteArray header = "Code;Count;Price;Done;Added;Photo;Home\r\n";
        WriteFileBytes(folder + "/bad.csv",
                       header +
                           "A1;abc;;;;;\r\nA2;2147483648;;;;;\r\nA3;;1.5;;;;\r\n"
                           "A4;;;maybe;;;\r\nA5;;;;2026-02-30;;\r\nA6;;;;;../secret.gif;\r\n"
                           "A7;;;;;in/none.gif;\r\nA8;;;;;in/note.gif;\r\nA9;;;;;in/link.gif;\r\n"
                           "A10;;;;;/etc/passwd;\r\nA11;1;2,5;x;08/12/2026;in/ok.gif;x;extra\r\n");
        r = RunCli(storePath_, {"export", "badsheet", "--csv", folder + "/bad.csv", "--replace"});
        QCOMPARE(r.status, 1);
        const QByteArray expected =
            "Nothing was sent: 11 values of the spreadsheet were refused.\n"
            "row 2, column \"Count\" (field \"Count\"): not a number\n"
            "row 3, column \"Count\" (field \"Count\"): out of range\n"
            "row 4, column \"Price\" (field \"Price\"): not a number\n"
            "row 5, column \"Done\" (field \"Done\"): neither yes nor no\n"
            "row 6, column \"Added\" (field \"Added\"): not a date (such as 2026-12-08 14:30, or "
            "as DD/MM/YYYY hh:mm:ss)\n"
            "row 7, column \"Photo\" (field \"Photo\"): not the name of a file in the "
            "spreadsheet's folder\n"
            "row 8, column \"Photo\" (field \"Photo\"): there is no picture file of that name in "
            "the spreadsheet's folder\n"
            "row 9, column \"Photo\" (field \"Photo\"): not a picture (JPEG, PNG, GIF, WebP or "
            "BMP)\n"
            "row 10, column \"Photo\" (field \"Photo\"): not the name of a file in the "
            "spreadsheet's folder\n"
            "row 11, column \"Photo\" (field \"Photo\"): not the name of a file in the "
            "spreadsheet's folder\n"
            "row 12: more values than the first row has columns (8 instead of 7)\n";
        QVERIFY2(r.err.contains(expected), r.err.constData());
        QVERIFY(r.err.contains("decimal comma")); // semicolons: the comma is the decimal mark
        QCOMPARE(checksum(t), before);

        // What only the database can refuse is refused whole too, named by row.
        WriteFileBytes(folder + "/dup.csv", "Code,Count\r\nN1,1\r\n\r\nL1,2\r\n");
        r = RunCli(storePath_, {"export", "badsheet", "--csv", folder + "/dup.csv"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("row 4, column \"Code\" (field \"Code\"): already on the server"),
                 r.err.constData());
        WriteFileBytes(folder + "/long.csv", "TOOLONGCODE1,3\r\n");
        r = RunCli(storePath_, {"export", "badsheet", "--csv", folder + "/long.csv"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("row 1, column \"Column 1\" (field \"Code\"): longer than the "
                                "column allows"),
                 r.err.constData());
        QCOMPARE(checksum(t), before);
        QVERIFY(host_->Query("SHOW TABLES LIKE 'badsheet\\_%STAGED'").isEmpty());

        // A header without rows would only empty the table.
        WriteFileBytes(folder + "/empty.csv", "Code,Count\r\n");
        r = RunCli(storePath_, {"export", "badsheet", "--csv", folder + "/empty.csv", "--replace"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("holds no rows: nothing was sent"));
        QCOMPARE(checksum(t), before);

        // Usage: a map that names nothing, both kinds of files.
        r = RunCli(storePath_,
                   {"export", "badsheet", "--csv", folder + "/dup.csv", "--map", "Nope=Code"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("no column \"Nope\""));
        r = RunCli(storePath_, {"export", "badsheet", "--csv", folder + "/dup.csv", "--records",
                                folder + "/dup.csv"});
        QCOMPARE(r.status, 2);
    }

    void recordsGoOutAsWorkbookAndCsvAndComeBackUnchanged() {
        TBTable t = shopProject("roundtrip", "Join");
        t.Language.Load(QStringLiteral("German"));
        t = site(t);
        const QString folder = file("roundtrip");
        QVERIFY(QDir().mkpath(folder + "/lo"));
        WriteFileBytes(folder + "/one.gif", kGif);
        // Text a spreadsheet would take for a formula, quotes, commas, lines.
        WriteFileBytes(
            folder + "/in.csv",
            "Code,Notes,Count,Price,Weight,Done,Added,Photo,Home,Home (home2)\r\n"
            "R1,=1+1,5,12.5,\"1,25\",Yes,2026-12-08 14:30:05,one.gif,\"a, \"\"b\"\"\",-x\r\n"
            "R2,\"x\ny\",-7,0.1,,No,2025-01-31,,'@home,\r\n"
            "R3,Caf\xC3\xA9 \xE2\x82\xAC,,,,,,,,\r\n");
        TCliResult r = RunCli(storePath_, {"export", "roundtrip", "--csv", folder + "/in.csv",
                                           "--decimal-comma", "--delimiter", ","});
        QCOMPARE(r.status, 1); // "12.5" has a point
        r = RunCli(storePath_,
                   {"export", "roundtrip", "--csv", folder + "/in.csv", "--map", "Weight="});
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(host_->Query("SELECT HEX(notes), home, home2, added FROM roundtrip WHERE code <> "
                              "'R3' ORDER BY code"),
                 (QList<QByteArrayList>{
                     {QByteArray("=1+1").toHex().toUpper(), "a, \"b\"", "-x", "20261208143005"},
                     {QByteArray("x\r\ny").toHex().toUpper(), "@home", "", "20250131000000"}}));
        QCOMPARE(host_->Query("SELECT notes FROM roundtrip WHERE code = 'R3'"),
                 QList<QByteArrayList>{{QString("Caf\u00e9 \u20ac").toUtf8()}});
        const QList<QByteArrayList> stored = shopRows(t);

        // A workbook: numbers, dates in the field's format, booleans; the picture beside it.
        r = RunCli(storePath_, {"import", "roundtrip", "--xlsx", folder + "/shop.xlsx"});
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(ReadFileBytes(folder + "/shop-pictures/1-photo.gif"), kGif);
        QString why;
        const QString fromBook =
            libreOffice(folder + "/shop.xlsx", kCsvFilter, folder + "/lo", why);
        QVERIFY2(!fromBook.isEmpty(), qPrintable(why));
        const QList<QByteArray> book = ReadFileBytes(fromBook).split('\n');
        QCOMPARE(book.value(0).trimmed(),
                 QByteArray("Code,Notes,Count,Price,Weight,Done,Added,Photo,Home,Home (home2)"));
        QCOMPARE(book.value(1).trimmed(),
                 QByteArray("R1,=1+1,5,12.5,,TRUE,08/12/2026 "
                            "14:30:05,shop-pictures/1-photo.gif,\"a, \"\"b\"\"\",-x"));
        QVERIFY2(ReadFileBytes(fromBook).contains(",-7,0.1,,FALSE,31/01/2025 00:00:00,,@home,"),
                 ReadFileBytes(fromBook).constData());

        // CSV, through LibreOffice and back: no value changes.
        r = RunCli(storePath_, {"import", "roundtrip", "--csv", folder + "/shop.csv"});
        QVERIFY2(r.status == 0, r.err.constData());
        QVERIFY(ReadFileBytes(folder + "/shop.csv")
                    .startsWith("\xEF\xBB\xBF"
                                "Code,Notes,"));
        const QString saved = libreOffice(folder + "/shop.csv", kCsvFilter, folder + "/lo", why,
                                          QStringLiteral("CSV:44,34,76,1"));
        QVERIFY2(!saved.isEmpty(), qPrintable(why));
        QVERIFY(QFile::copy(folder + "/shop-pictures/1-photo.gif",
                            folder + "/lo/shop-pictures/1-photo.gif") ||
                (QDir().mkpath(folder + "/lo/shop-pictures") &&
                 QFile::copy(folder + "/shop-pictures/1-photo.gif",
                             folder + "/lo/shop-pictures/1-photo.gif")));
        r = RunCli(storePath_, {"export", "roundtrip", "--csv", saved, "--replace"});
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(shopRows(t), stored);
    }
};

QTEST_MAIN(TestRecordTransfer)
#include "TestRecordTransfer.moc"
