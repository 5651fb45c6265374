// import_db.php, export_db_0.php and export_db.php on the local web host:
// records, members and pictures go up and come back byte for byte; settings
// holding quotes, backslashes and dollar signs are used literally.
#include "GeneratorFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray lines(const QList<QByteArrayList>& records, char fd = '|',
                 const QByteArray& rd = "\r\n") {
    QByteArray text;
    for (const QByteArrayList& r : records)
        text += r.join(fd) + rd;
    return text;
}

} // namespace

class TestTransferScripts : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    QTemporaryDir files_;

    QByteArray request(TPHPGenerator& g, const TBTable& t, const QString& script) {
        const THttpReply r = host_->Get(t.URL + g.KeyedScript(script));
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
    }

    QByteArray upload(TPHPGenerator& g, const TBTable& t, const QByteArray& records,
                      const QByteArray& users, const QByteArray& images, bool replace) {
        const QString r = files_.filePath("records.txt"), u = files_.filePath("users.txt"),
                      i = files_.filePath("images.txt");
        WriteFileBytes(r, records);
        WriteFileBytes(u, users);
        WriteFileBytes(i, images);
        if (!g.UploadScript(t, r, u, replace, i))
            return "not generated";
        return Paragraph(request(g, t, "export_db.php"), "corvanta_ok");
    }

    TBTable tripProject() {
        using namespace FieldTypes;
        TBTable t = MakeProject("trip", {MakeField("tx", Text), MakeField("nm", Integer),
                                         MakeField("rl", Real), MakeField("yn", YesNo),
                                         MakeField("dt", DateTime), MakeField("im", Image),
                                         MakeField("il", ImageLink), MakeField("ml", Mailto),
                                         MakeField("hl", Hyperlink)});
        t.UserUpdate = true;
        t.UserMode = QStringLiteral("Login");
        return t;
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
    }

    void recordsMembersAndPicturesComeBackUnchanged() {
        TPHPGenerator g;
        TBTable t = tripProject();
        setUp(g, t, "trip");

        const QByteArray awkward =
            "O'Brien \"quoted\" \\back\\slash \\n $HOME {$x} ${y} <b>tag</b> "
            "&amp; M\xFCller \xE9t\xE9 \x81\x8D\xFF\ttab";
        const QByteArray records = lines({
            {"7", awkward, "-12", "2.5", "Yes", "20240131235959", "3", "label \xE9 \"l\"", "4",
             "Mail \"me\" $1", "a@b.c", "Link \\ $x", "http://x/?a=1&b=2"},
            {"8", "", "", "", "No", "", "0", "", "0", "", "", "", ""},
        });
        QByteArray picture(1024 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(42);
        generator.fillRange(reinterpret_cast<quint32*>(picture.data()), picture.size() / 4);
        const QByteArray users =
            lines({{"12", "o'neil@x.org", "pa\"ss\\$x{$y}"}, {"13", "other@y.org", ""}});
        const QByteArray images =
            lines({{"5", "12", picture.toBase64(), "image/jpeg"},
                   {"6", "13", QByteArray("GIF89a\0\"\\$", 10).toBase64(), "image/\"gif\""}});

        QCOMPARE(upload(g, t, records, users, images, true),
                 QByteArray("Exporting finished.\n2 records have been exported. \n0 records "
                            "failed.\n2 users have been exported. \n0 users failed.\n2 images have "
                            "been exported. \n0 images failed."));
        QCOMPARE(Paragraph(request(g, t, "export_db_0.php"), "corvanta_ok"), QByteArray("2"));

        const QByteArray answer = request(g, t, "import_db.php");
        QCOMPARE(Section(answer, "start_of_data", "end_of_data"), records);
        QCOMPARE(Section(answer, "start_of_users", "end_of_users"), users);
        QCOMPARE(Section(answer, "start_of_images", "end_of_images"), images);
        QVERIFY(answer.startsWith("<HTML><HEAD></HEAD><BODY> \r\n<P CLASS=\"start_of_data\">"));
        QVERIFY(answer.endsWith("<P CLASS=\"end_of_images\">\r\n</BODY></HTML>\r\n"));

        // Appending: records get new ids; members and pictures keep theirs,
        // so the second copies fail.
        QCOMPARE(upload(g, t, records, users, images, false),
                 QByteArray("Exporting finished.\n2 records have been exported. \n0 records "
                            "failed.\n0 users have been exported. \n2 users failed.\n0 images have "
                            "been exported. \n2 images failed."));
        QCOMPARE(Paragraph(request(g, t, "export_db_0.php"), "corvanta_ok"), QByteArray("4"));

        // One of each is told in the singular.
        QCOMPARE(upload(g, t, lines({{"9", "one", "", "", "No", "", "0", "", "0", "", "", "", ""}}),
                        lines({{"14", "third@z.org", "pw"}}),
                        lines({{"7", "14", QByteArray("GIF89a").toBase64(), "image/gif"}}), false),
                 QByteArray("Exporting finished.\n1 record has been exported. \n0 records "
                            "failed.\n1 user has been exported. \n0 users failed.\n1 image has "
                            "been exported. \n0 images failed."));
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void valuesAreReadAndConvertedAsSpecified() {
        TPHPGenerator g;
        TBTable t = MakeProject("conv", {MakeField("tx", FieldTypes::Text),
                                         MakeField("yn", FieldTypes::YesNo),
                                         MakeField("nm", FieldTypes::Real)});
        setUp(g, t, "conv");
        // The last record has no line end; a number that is none goes in as
        // text, for the database to convert.
        const QByteArray records =
            "a|yes|1.5\nb|YES|\r\nc|Ja|-3e2\r\nd|1|x); DROP TABLE conv; --\r\ne||.5";
        const QByteArray answer = upload(g, t, records, {}, {}, true);
        QVERIFY2(answer.startsWith(
                     "Exporting finished.\n5 records have been exported. \n0 records failed."
                     "\n0 images"),
                 answer.constData());
        QCOMPARE(Section(request(g, t, "import_db.php"), "start_of_data", "end_of_data"),
                 QByteArray("a|Yes|1.5\r\nb|Yes|\r\nc|No|-300\r\nd|No|0\r\ne|No|0.5\r\n"));

        // Delimiters inside stored values are replaced in the download.
        QVERIFY(host_->Exec("UPDATE conv SET tx = CONCAT('p|q', CHAR(10), 'r') WHERE tx = 'a'"));
        QVERIFY(Section(request(g, t, "import_db.php"), "start_of_data", "end_of_data")
                    .startsWith("p_q_r|Yes|1.5\r\n"));
    }

    void otherDelimitersAndQuotedSettingsAreUsedLiterally() {
        // Texts of Language.ini and delimiters made of the characters that
        // matter inside PHP string literals.
        const QString ini = files_.filePath("Language.ini");
        WriteFileBytes(ini, "[Quotes]\r\nDbCreateSuccess=Fertig \"ok\" \\ $HOME {$x}\r\n"
                            "Yes=J\"a$\r\nNo=N\\ein{$n}\r\n");
        TPHPGenerator g;
        TBTable t = MakeProject(
            "quoted", {MakeField("tx", FieldTypes::Text), MakeField("yn", FieldTypes::YesNo)});
        t.Language.LoadFrom(ini, QStringLiteral("Quotes"));
        QCOMPARE(t.Language.Text("Yes"), QStringLiteral("J\"a$"));
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
        QVERIFY(g.RecordCountScript(t));

        // No userid (visitors do not own records), no members file, no users line.
        QCOMPARE(upload(g, t, "one$YES\\two$\\", {}, {}, true),
                 QByteArray("Exporting finished.\n2 records have been exported. \n0 records "
                            "failed.\n0 images have been exported. \n0 images failed."));
        QVERIFY(host_->Exec("INSERT INTO quoted(tx, yn) VALUES('a$b\\\\c', NULL)"));
        const QByteArray answer = request(g, t, "import_db.php");
        QCOMPARE(Section(answer, "start_of_data", "end_of_data"),
                 QByteArray("one$J\"a$\\two$N\\ein{$n}\\a\"b\"c$\\"));
        QCOMPARE(Section(answer, "start_of_users", "end_of_users"), QByteArray());
        QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void theSitesOwnYesComesBackAsYes() {
        // The download writes the site's word for yes; sending that file
        // back must not turn every yes into no.
        TPHPGenerator g;
        TBTable t = MakeProject(
            "yesword", {MakeField("tx", FieldTypes::Text), MakeField("yn", FieldTypes::YesNo)});
        t.Language.Load(QStringLiteral("Spanish"));
        QCOMPARE(t.Language.Text("Yes"), QStringLiteral("S\u00ed"));
        setUp(g, t, "yesword");
        const QByteArray records = "a|S\xC3\xAD\r\nb|S\xC3\x8D\r\nc|s\xC3\xAD\r\nd|yes\r\ne|No\r\n"
                                   "f|\r\ng|S\r\n";
        QVERIFY(!upload(g, t, records, {}, {}, true).isNull());
        const QByteArray yes = "S\xC3\xAD";
        const QByteArray expected = "a|" + yes + "\r\nb|" + yes + "\r\nc|" + yes + "\r\nd|" + yes +
                                    "\r\ne|No\r\nf|No\r\ng|No\r\n";
        const QByteArray downloaded =
            Section(request(g, t, "import_db.php"), "start_of_data", "end_of_data");
        QCOMPARE(downloaded, expected);
        // And once more round: download, replace, download gives the same.
        QVERIFY(!upload(g, t, downloaded, {}, {}, true).isNull());
        QCOMPARE(Section(request(g, t, "import_db.php"), "start_of_data", "end_of_data"), expected);
    }

    void dataScriptsActOnlyWithTheirKey() {
        TPHPGenerator g;
        TBTable t = tripProject();
        setUp(g, t, "tripkey");
        const QByteArray users = lines({{"1", "member@x.org", "topsecret"}});
        QVERIFY(!upload(g, t, "\r\n", users, {}, true).isNull());
        QVERIFY(g.UploadScript(t, files_.filePath("records.txt"), files_.filePath("users.txt"),
                               false, files_.filePath("images.txt")));
        const QString wrong = "?key=" + QString(32, u'f');
        for (const QString& script :
             {QStringLiteral("import_db.php"), QStringLiteral("export_db_0.php"),
              QStringLiteral("export_db.php")}) {
            for (const QString& query : {QString(), wrong}) {
                const QByteArray body = host_->Get(t.URL + script + query).body;
                QVERIFY2(!Paragraph(body, "corvanta_error").isEmpty(), qPrintable(script + query));
                QVERIFY(!body.contains("start_of_data"));
                QVERIFY(!body.contains("topsecret"));
                QVERIFY(Paragraph(body, "corvanta_ok").isNull());
            }
        }
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM trip").value(0).value(0), QByteArray("1"));
        QVERIFY(Paragraph(request(g, t, "export_db.php"), "corvanta_ok")
                    .startsWith("Exporting finished.\n1 record has"));
        QCOMPARE(host_->Query("SELECT COUNT(*) FROM trip").value(0).value(0), QByteArray("2"));
    }
};

QTEST_MAIN(TestTransferScripts)
#include "TestTransferScripts.moc"
