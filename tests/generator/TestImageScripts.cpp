// The picture scripts on the local web host: exact bytes and type, whose
// pictures a session gets, and what forged or foreign requests get.
#include "GeneratorFixtures.h"
#include "PublishedSite.h"
#include "common/WebHost.h"

#include <QtTest>

class TestImageScripts : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    TPHPGenerator g_;
    TBTable t_;
    QByteArray png_;                                // every byte value
    const QByteArray member_ = QByteArray(32, 'a'); // member 5's session
    const QByteArray admin_ = QByteArray(32, 'b');  // the administrator's

    THttpReply image(const QByteArray& query, const char* folder = "img/",
                     const QByteArray& session = {}) {
        const bool admin = QByteArray(folder).endsWith("admin/");
        return host_->Get(
            QLatin1String(folder) + "get_image.php" + query,
            session.isEmpty()
                ? THttpHeaders{}
                : SessionCookie(TPHPGenerator::SessionCookie(t_, admin).toLatin1(), session));
    }

    // Picture n's key in addresses.
    static QByteArray key(int n) { return QByteArray::number(n).rightJustified(32, 'c'); }

    void insertImage(int id, int user, const QByteArray& data, const QByteArray& type) {
        QVERIFY(host_->Exec(QStringLiteral("INSERT INTO img_IMAGES(imageid, userid, image_data, "
                                           "image_type, imagekey) VALUES(%1, %2, 0x%3, '%4', '%5')")
                                .arg(id)
                                .arg(user)
                                .arg(QString::fromLatin1(data.toHex()))
                                .arg(QString::fromLatin1(type))
                                .arg(QString::fromLatin1(key(id)))));
    }

    THttpReply picture(int n, const char* folder = "img/", const QByteArray& session = {}) {
        return image("?imageid=" + key(n), folder, session);
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        t_ = MakeProject("img", {MakeField("photo", FieldTypes::Image)});
        t_.UserMode = QStringLiteral("Login");
        const QString error = PublishSite(*host_, g_, t_, "img", true);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        png_ = "\x89PNG\r\n\x1a\n";
        for (int b = 0; b < 256; ++b)
            png_ += char(b);
        insertImage(1, 0, png_, "image/png");
        insertImage(2, 5, "JFIF member five", "image/jpeg");
        insertImage(3, 6, "GIF89a member six", "image/gif");
        insertImage(4, 0, "<script>alert(1)</script>", "text/html");
        QVERIFY(host_->Exec("INSERT INTO img_SESSIONS(sessionid, userid, logindate) VALUES('" +
                            member_ + "', 5, '" + SessionDate(0) + "'), ('" + admin_ + "', 0, '" +
                            SessionDate(0) + "')"));
        host_->ClearPhpErrors();
    }

    void cleanupTestCase() {
        if (host_ && host_->Running())
            QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void theStoredBytesGoOutWithTheirType() {
        for (const char* folder : {"img/", "img/admin/"}) {
            const THttpReply r = picture(1, folder);
            QCOMPARE(r.status, 200);
            QCOMPARE(r.body, png_);
            QCOMPARE(r.headers.value("content-type"), QByteArray("image/png"));
            QCOMPARE(r.headers.value("x-content-type-options"), QByteArray("nosniff"));
            QVERIFY(r.headers.value("content-security-policy").contains("sandbox"));
        }
        QCOMPARE(picture(2, "img/admin/", admin_).headers.value("content-type"),
                 QByteArray("image/jpeg"));
    }

    void withoutAQueryStringNothingIsSentOrConnected() {
        QCOMPARE(image("").body, QByteArray());
        // A site whose database cannot be reached shows it only when asked.
        TBTable broken = t_;
        TPHPGenerator g;
        QVERIFY(PublishSite(*host_, g, broken, "broken", false).isEmpty());
        broken.DatabaseServer = QStringLiteral("127.0.0.1:1");
        QVERIFY(g.ImageDownload(broken, false));
        QCOMPARE(host_->Get("broken/get_image.php").body, QByteArray());
        QVERIFY(
            host_->Get("broken/get_image.php?imageid=" + key(1)).body.contains("corvanta_error"));
    }

    void aMemberGetsHisOwnAndTheAdministratorsPictures() {
        QCOMPARE(picture(2, "img/", member_).body, QByteArray("JFIF member five"));
        QCOMPARE(picture(1, "img/", member_).body, png_);
        const THttpReply other = picture(3, "img/", member_);
        QCOMPARE(other.body, QByteArray());
        QCOMPARE(other.headers.value("content-type"), QByteArray());
        // The administrator, no session and an unknown one: any picture. A
        // token in the query string is no session.
        QCOMPARE(picture(3, "img/admin/", admin_).body, QByteArray("GIF89a member six"));
        for (const QByteArray& session : {QByteArray(), QByteArray(32, 'f')})
            QCOMPARE(picture(3, "img/", session).body, QByteArray("GIF89a member six"));
        QCOMPARE(image("?sessionid=" + member_ + "&imageid=" + key(3)).body,
                 QByteArray("GIF89a member six"));
    }

    // Row numbers count up: counting through them finds nothing, nor do
    // forged keys.
    void forgedValuesGetNothingMore() {
        for (const QByteArray& forged :
             {QByteArray("?imageid=1"), QByteArray("?imageid=3"), "?imageid=" + key(3) + "x",
              "?imageid=" + key(3).toUpper(), QByteArray("?imageid=3%20OR%201%3D1"),
              QByteArray("?imageid=%27%20OR%20%271%27%3D%271"), "?imageid[]=" + key(3)})
            QVERIFY2(image(forged).body.isEmpty(), forged.constData());
        // A cookie that is not a token is no session, not SQL.
        QCOMPARE(picture(3, "img/", "%22%20OR%20%221%22%3D%221").body,
                 QByteArray("GIF89a member six"));
        QCOMPARE(image("?imageid=" + key(2) + "&userid=6&query=x", "img/", member_).body,
                 QByteArray("JFIF member five"));
        QCOMPARE(picture(9).body, QByteArray());
    }

    void onlyPicturesGoOut() {
        const THttpReply r = picture(4);
        QCOMPARE(r.body, QByteArray());
        QVERIFY(!r.headers.value("content-type").contains("html"));
        QCOMPARE(r.headers.value("x-content-type-options"), QByteArray("nosniff"));
    }

    void theImagePageShowsThePictureOfItsQuery() {
        for (const char* folder : {"img/", "img/admin/"}) {
            const QByteArray page =
                host_->Get(QLatin1String(folder) + "show_image.php?imageid=2").body;
            QVERIFY2(page.contains("<TITLE>Corvanta Database</TITLE>"), page.constData());
            QVERIFY(page.contains("<IMG SRC=\"get_image.php?imageid=2\" ALT=\"\">"));
        }
        QVERIFY(!host_->Get("img/show_image.php").body.contains("<IMG"));
        const QByteArray raw = RawGet(*host_, "img/show_image.php?imageid=1\"><script>x</script>");
        QVERIFY2(raw.contains("<IMG SRC=\"get_image.php?imageid=1&quot;&gt;&lt;script&gt;x&lt;/"
                              "script&gt;\" ALT=\"\">"),
                 raw.constData());
        QVERIFY(!raw.contains("<script>"));
    }
};

QTEST_MAIN(TestImageScripts)
#include "TestImageScripts.moc"
