// import_db.php, export_db_0.php and export_db.php on the local web host:
// the download escapes values exactly as the desktop reads them, settings
// holding quotes, backslashes and dollar signs are used literally, and the
// data script stages parts only as they were written, once, for its own run.
#include "GeneratorFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"
#include "model/RecordFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Values as an SQL literal that carries every byte (the site's pages are
// ISO-8859-1).
QString hexLiteral(const QByteArray& bytes) {
    return bytes.isEmpty() ? QStringLiteral("''")
                           : "_latin1 X'" + QString::fromLatin1(bytes.toHex()) + "'";
}

QList<QByteArray> sectionRecords(const TRecordFormat& f, const QByteArray& section) {
    QList<QByteArray> lines = section.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<QByteArray> records;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        records << line;
    }
    Q_UNUSED(f);
    return records;
}

} // namespace

class TestTransferScripts : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;

    QByteArray request(TPHPGenerator& g, const TBTable& t, const QString& script,
                       const QString& query = {}) {
        const THttpReply r = host_->Get(t.URL + g.KeyedScript(script) + query);
        return r.status == 200 ? r.body : "HTTP " + QByteArray::number(r.status) + r.error.toUtf8();
    }

    // A site with its runtime and freshly created tables.
    void setUp(TPHPGenerator& g, TBTable& t, const QString& site) {
        host_->ApplyTo(t, site);
        QDir().mkpath(t.LocalPath);
        QVERIFY(g.RuntimeScript(t, false));
        QVERIFY(g.CreateScript(t));
        QVERIFY(!Paragraph(request(g, t, "create_db.php"), "corvanta_ok").isNull());
        QVERIFY(g.DownloadScript(t));
        QVERIFY(g.RecordCountScript(t));
        QVERIFY(g.UploadScript(t));
    }

    TBTable tripProject() {
        using namespace FieldTypes;
        TBTable t = MakeProject("trip", {MakeField("tx", Text), MakeField("nm", Integer),
                                         MakeField("yn", YesNo), MakeField("ml", Mailto)});
        t.UserUpdate = true;
        t.UserMode = QStringLiteral("Login");
        return t;
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
    }

    void theDownloadEscapesAsTheDesktopReads() {
        TPHPGenerator g;
        TBTable t = tripProject();
        setUp(g, t, "trip");
        const TRecordFormat f = TRecordFormat::Of(t);
        const QList<QByteArray> awkward = {
            "<P CLASS=\"end_of_data\">",
            "a|b\r\nc\\",
            "\\n is not a line break \\< \\| \\\\",
            "O'Brien \"q\" $HOME {$x} M\xFC"
            "ller",
            "x<P CLASS=\"corvanta_error\">",
        };
        QString error;
        for (const QByteArray& v : awkward)
            QVERIFY2(host_->Exec(QStringLiteral("INSERT INTO trip(userid, tx, nm, yn, ml, mltwo, "
                                                "tx_USEREDIT, nm_USEREDIT) VALUES (5, %1, -3, 1, "
                                                "%1, '', 0, 1)")
                                     .arg(hexLiteral(v)),
                                 &error),
                     qPrintable(error));
        QVERIFY(host_->Exec("INSERT INTO trip(userid, tx, nm, yn) VALUES (NULL, '', NULL, NULL)"));
        QVERIFY(host_->Exec("INSERT INTO trip_USERS(userid, username, userpassword) VALUES "
                            "(5, 'a|b@x.org', '<pw\\\\')"));
        QVERIFY(host_->Exec("INSERT INTO trip_IMAGES(imageid, userid, image_data, image_type) "
                            "VALUES (9, NULL, 'GIF', 'image/gif')"));

        const QByteArray answer = request(g, t, "import_db.php");
        QVERIFY(answer.startsWith("<HTML><HEAD></HEAD><BODY> \r\n<P CLASS=\"start_of_data\">"));
        QVERIFY(answer.endsWith("<P CLASS=\"end_of_images\">\r\n</BODY></HTML>\r\n"));
        const QList<QByteArray> records =
            sectionRecords(f, answer.mid(answer.indexOf("start_of_data\">") + 15));
        for (int i = 0; i < awkward.size(); ++i)
            QCOMPARE(f.SplitRecord(records[i]),
                     (QList<QByteArray>{"5", awkward[i], "-3", "Yes", awkward[i], "", "0111"}));
        // NULL is the NULL text; an empty text is empty, a number without a value too.
        QCOMPARE(records[awkward.size()], QByteArray("\\N|||\\N|\\N|\\N|1111"));
        QCOMPARE(Section(answer, "start_of_users", "end_of_users"),
                 QByteArray("5|a\\|b@x.org|<pw\\\\\r\n"));
        QCOMPARE(Section(answer, "start_of_images", "end_of_images"),
                 QByteArray("9|\\N|R0lG|image/gif\r\n"));
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void otherDelimitersAndQuotedSettingsAreUsedLiterally() {
        // Texts of Language.ini and delimiters made of the characters that
        // matter inside PHP string literals.
        QTemporaryDir dir;
        const QString ini = dir.filePath("Language.ini");
        WriteFileBytes(ini, "[Quotes]\r\nDbCreateSuccess=Fertig \"ok\" \\ $HOME {$x}\r\n"
                            "Yes=J\"a$\r\nNo=N\\ein{$n}\r\n");
        TPHPGenerator g;
        TBTable t = MakeProject(
            "quoted", {MakeField("tx", FieldTypes::Text), MakeField("yn", FieldTypes::YesNo)});
        t.Language.LoadFrom(ini, QStringLiteral("Quotes"));
        t.FieldDelimiter = QStringLiteral("$");
        t.RecordDelimiter = QStringLiteral("\\");
        t.ReplaceDelimiterWith = QStringLiteral("\"");
        host_->ApplyTo(t, "quoted");
        QDir().mkpath(t.LocalPath);
        QVERIFY(g.RuntimeScript(t, false));
        QVERIFY(g.CreateScript(t));
        QCOMPARE(Paragraph(request(g, t, "create_db.php"), "corvanta_ok"),
                 QByteArray("Fertig \"ok\" \\ $HOME {$x}"));
        QVERIFY(g.DownloadScript(t));

        QVERIFY(host_->Exec("INSERT INTO quoted(tx, yn) VALUES('a$b\\\\c', 1), ('^<', 0), "
                            "('x\ny', NULL)"));
        const QByteArray answer = request(g, t, "import_db.php");
        // The escape is "^" here; the site's words for yes and no are values too.
        QCOMPARE(Section(answer, "start_of_data", "end_of_data"),
                 QByteArray("a^$b^\\c$J\"a^$\\^^<$N^\\ein{^$n}\\x\ny$^N\\"));
        QCOMPARE(Section(answer, "start_of_users", "end_of_users"), QByteArray());
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void theDataScriptStagesOnlyWholePartsOfItsRun() {
        TPHPGenerator g;
        TBTable t = MakeProject("parts", {MakeField("tx", FieldTypes::Text)});
        setUp(g, t, "parts");
        const QString run(32, u'a');
        const auto job = [&](const QString& query) {
            return request(g, t, "export_db.php", "&run=" + run + "&" + query);
        };
        const auto part = [&](int n, const QByteArray& rows, const QString& forRun) {
            const QByteArray text = "<?php exit; __halt_compiler();\ncorvanta-part " +
                                    forRun.toLatin1() + " " + QByteArray::number(n) +
                                    "\nT records\n" + rows + "\ncorvanta-end\n";
            WriteFileBytes(QDir(host_->DocumentRoot())
                               .filePath(QStringLiteral("parts/export_db_part%1.php").arg(n)),
                           text);
            return text;
        };
        QVERIFY(host_->Exec("INSERT INTO parts(tx) VALUES ('before')"));
        QCOMPARE(Paragraph(job("job=begin&mode=replace"), "corvanta_ok"),
                 QByteArray("begun latin1"));

        // The data of a part never shows over HTTP.
        part(1, "R 1 (1, 'one')\nR 2 (2, 'two')", run);
        QCOMPARE(host_->Get(t.URL + "export_db_part1.php").body, QByteArray());
        QCOMPARE(Paragraph(job("job=stage&part=1"), "corvanta_ok"), QByteArray("staged 2 0"));
        QVERIFY(!QFile::exists(QDir(host_->DocumentRoot()).filePath("parts/export_db_part1.php")));
        // Staged once only, even when asked twice.
        part(1, "R 1 (1, 'one')\nR 2 (2, 'two')", run);
        QCOMPARE(Paragraph(job("job=stage&part=1"), "corvanta_ok"), QByteArray("staged 2 0"));

        // A part cut short, or written for another run, is refused whole.
        QByteArray cut = part(2, "R 3 (3, 'three')", run);
        cut.chop(5);
        WriteFileBytes(QDir(host_->DocumentRoot()).filePath("parts/export_db_part2.php"), cut);
        QCOMPARE(Paragraph(job("job=stage&part=2"), "corvanta_error"),
                 QByteArray("A part of the export did not arrive whole."));
        part(2, "R 3 (3, 'three')", QString(32, u'b'));
        QCOMPARE(Paragraph(job("job=stage&part=2"), "corvanta_error"),
                 QByteArray("A part of the export did not arrive whole."));
        // Nothing goes live before every part has arrived.
        QVERIFY(Paragraph(job("job=commit&parts=2"), "corvanta_error")
                    .startsWith("Not every part of the export has arrived."));
        QCOMPARE(host_->Query("SELECT tx FROM parts"), QList<QByteArrayList>{{"before"}});
        QCOMPARE(Paragraph(job("job=status"), "corvanta_ok"), QByteArray("pending"));

        QCOMPARE(Paragraph(job("job=commit&parts=1"), "corvanta_ok"), QByteArray("live 2 0 0"));
        QCOMPARE(host_->Query("SELECT recordid, tx FROM parts"),
                 (QList<QByteArrayList>{{"1", "one"}, {"2", "two"}}));
        QCOMPARE(Paragraph(job("job=status"), "corvanta_ok"), QByteArray("committed"));
        // Asked again (its answer was lost), it answers the same and changes nothing.
        QCOMPARE(Paragraph(job("job=commit&parts=1"), "corvanta_ok"), QByteArray("live 2 0 0"));
        QVERIFY(host_->Query("SHOW TABLES LIKE 'parts\\_STAGED'").isEmpty());
        QVERIFY(host_->Query("SHOW TABLES LIKE 'parts\\_REPLACED'").isEmpty());

        // A later run takes over; the earlier one can no longer act.
        QVERIFY(!Paragraph(request(g, t, "export_db.php",
                                   "&run=" + QString(32, u'c') + "&job=begin&mode=append"),
                           "corvanta_ok")
                     .isNull());
        QVERIFY(Paragraph(job("job=stage&part=1"), "corvanta_error").startsWith("This export"));

        // Removing the site takes what an export left behind too.
        part(1, "R 1 (1, 'one')", run);
        QVERIFY(!host_->Query("SHOW TABLES LIKE 'parts\\_STAGED'").isEmpty());
        QVERIFY(g.RemoveScript(t));
        QVERIFY(!Paragraph(request(g, t, "remove_db.php"), "corvanta_ok").isNull());
        QVERIFY(host_->Query("SHOW TABLES LIKE 'parts%'").isEmpty());
        QVERIFY(!QFile::exists(QDir(host_->DocumentRoot()).filePath("parts/export_db_part1.php")));
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void dataScriptsActOnlyWithTheirKey() {
        TPHPGenerator g;
        TBTable t = tripProject();
        setUp(g, t, "tripkey");
        QVERIFY(host_->Exec("INSERT INTO trip_USERS(userid, username, userpassword) VALUES "
                            "(1, 'member@x.org', 'topsecret')"));
        const QString wrong = "?key=" + QString(32, u'f');
        const QString run = "&run=" + QString(32, u'a') + "&job=begin&mode=replace";
        for (const QString& script :
             {QStringLiteral("import_db.php"), QStringLiteral("export_db_0.php"),
              QStringLiteral("export_db.php")}) {
            for (const QString& query : {QString(), wrong, wrong + run}) {
                const QByteArray body = host_->Get(t.URL + script + query).body;
                QVERIFY2(!Paragraph(body, "corvanta_error").isEmpty(), qPrintable(script + query));
                QVERIFY(!body.contains("start_of_data"));
                QVERIFY(!body.contains("topsecret"));
                QVERIFY(Paragraph(body, "corvanta_ok").isNull());
            }
        }
        QVERIFY(host_->Query("SHOW TABLES LIKE 'trip\\_%STAGED'").isEmpty());
    }
};

QTEST_MAIN(TestTransferScripts)
#include "TestTransferScripts.moc"
