// What the generated site lets a visitor do, on the local web host: the
// permissions each page enforces whatever is posted to it, who sees the
// member names, how Join mode makes members, and the checks that keep a
// visitor's typed record from being lost or damaged.
#include "GeneratorFixtures.h"
#include "PublishedSite.h"
#include "common/WebHost.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QUrlQuery>
#include <QtTest>

namespace {

using TForm = QList<QPair<QByteArray, QByteArray>>;

const QByteArray kPng =
    QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000000010000000108020000"
                        "00907753de0000000c4944415408d763f8cfc0000003010100c9fe92ef"
                        "0000000049454e44ae426082");

// `count` equal form posts at once; the answers.
QList<QByteArray> postTogether(const QString& url, const TForm& form, int count) {
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QUrlQuery body;
    for (const auto& [name, value] : form)
        body.addQueryItem(QString::fromUtf8(name), QString::fromUtf8(value));
    QList<QNetworkReply*> replies;
    QEventLoop loop;
    int open = count;
    for (int i = 0; i < count; ++i) {
        QNetworkRequest request{QUrl(url)};
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        QNetworkReply* reply =
            manager.post(request, body.toString(QUrl::FullyEncoded).toUtf8().replace("+", "%2B"));
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
            if (--open == 0)
                loop.quit();
        });
        replies += reply;
    }
    loop.exec();
    QList<QByteArray> answers;
    for (QNetworkReply* reply : replies) {
        answers += reply->readAll();
        reply->deleteLater();
    }
    return answers;
}

} // namespace

class TestSiteRules : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;

    TBTable publish(const QString& name, const std::vector<TBField>& fields,
                    const std::function<void(TBTable&)>& change) {
        TBTable t = MakeProject(name, fields);
        change(t);
        TPHPGenerator g;
        const QString failed = PublishSite(*host_, g, t, name, true);
        if (!failed.isEmpty())
            qFatal("%s", qPrintable(failed));
        for (const bool admin : {false, true})
            if (!g.AddPage(t, admin) || !g.ModifyPage(t, admin) || !g.DeletePage(t, admin) ||
                !g.SearchPage(t, admin))
                qFatal("generating the record pages failed");
        return t;
    }

    QByteArray value(const QString& sql) { return host_->Query(sql).value(0).value(0); }

    // The cookies and form token of a member's session, opened by the login
    // gate of `page`.
    THttpHeaders member(const TBTable& t, const QString& page, const QByteArray& email,
                        const QByteArray& password) {
        const QByteArray cookie = TPHPGenerator::SessionCookie(t, false).toLatin1();
        const THttpReply r =
            host_->Post(t.URL + page, {{"login_email", email}, {"login_password", password}});
        return LoggedIn(*host_, t.URL + page, r, cookie);
    }

    THttpHeaders administrator(const TBTable& t) {
        const QByteArray cookie = TPHPGenerator::SessionCookie(t, true).toLatin1();
        const QString page = t.URL + "admin/search.php";
        return LoggedIn(*host_, page, host_->Post(page, {{"admin_password", "secret"}}), cookie);
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        host_->ClearPhpErrors();
    }

    void cleanupTestCase() {
        if (host_ && host_->Running())
            QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    // With searching, adding, modifying and deleting off, a member posting
    // to the pages does none of them, and sees no record that is not his.
    void pagesEnforceThePermissionsTheMenuHides() {
        const TBTable t =
            publish("perm", {MakeField("title", FieldTypes::Text, "S")}, [](TBTable& t) {
                t.UserMode = QStringLiteral("Join");
                t.UserUpdate = true;
                t.AllowSearch = t.AllowAddModify = t.AllowDelete = false;
            });
        QVERIFY(host_->Exec("INSERT INTO perm_USERS(userid, username, userpassword) VALUES "
                            "(1, 'ann@x.org', 'pw'), (2, 'bob@x.org', 'pw');"
                            "INSERT INTO perm(recordid, userid, title) VALUES (1, 1, 'Ann one'), "
                            "(2, 2, 'Bob one')"));
        const THttpHeaders ann = member(t, "modify_record.php", "ann@x.org", "pw");
        QVERIFY(!ann.isEmpty());
        const QByteArray records = "SELECT GROUP_CONCAT(title ORDER BY recordid) FROM perm";

        THttpReply r = host_->Get(t.URL + "search.php");
        QVERIFY(!r.body.contains("<FORM NAME=\"SearchRecord\""));
        r = host_->Post(t.URL + "search.php", {{"job", "search"}}, ann);
        QVERIFY(r.body.contains("You have no access to this database"));
        QVERIFY(!r.body.contains("Ann one") && !r.body.contains("Bob one"));
        for (const char* id : {"1", "2"}) {
            r = host_->Post(t.URL + "search.php", {{"job", "display"}, {"recordid", id}}, ann);
            QVERIFY2(r.body.contains("No records found") && !r.body.contains("Ann one") &&
                         !r.body.contains("Bob one"),
                     id);
        }
        r = host_->Post(t.URL + "add_record.php",
                        {{"job", "createaction"},
                         {"title", "Added"},
                         {"email", "ann@x.org"},
                         {"password", "pw"}},
                        ann);
        QVERIFY(r.body.contains("You have no access to this database"));
        QVERIFY(!r.body.contains("RecordDetails"));
        r = host_->Post(t.URL + "modify_record.php",
                        {{"job", "modifyaction"}, {"recordid", "1"}, {"title", "Changed"}}, ann);
        QVERIFY(r.body.contains("You have no access to this database"));
        r = host_->Post(t.URL + "delete_record.php", {{"job", "deleteaction"}, {"recordid", "1"}},
                        ann);
        QVERIFY(r.body.contains("You have no access to this database"));
        QCOMPARE(value(records), QByteArray("Ann one,Bob one"));

        // The administrator may do all of it.
        const THttpHeaders admin = administrator(t);
        QVERIFY(
            host_->Post(t.URL + "admin/search.php", {{"job", "display"}, {"recordid", "2"}}, admin)
                .body.contains("Bob one"));

        // The administrator's add page shows no member name before his login.
        r = host_->Get(t.URL + "admin/add_record.php");
        QVERIFY(r.body.contains("Enter Administrator Password"));
        QVERIFY(!r.body.contains("ann@x.org"));
    }

    // Without searching, a Login member still sees his own records, and
    // only those.
    void aMemberWithoutSearchSeesHisOwnRecords() {
        const TBTable t =
            publish("mine", {MakeField("title", FieldTypes::Text, "S")}, [](TBTable& t) {
                t.UserMode = QStringLiteral("Login");
                t.UserUpdate = true;
                t.AllowSearch = t.AllowAddModify = false;
            });
        QVERIFY(host_->Exec("INSERT INTO mine_USERS(userid, username, userpassword) VALUES "
                            "(1, 'ann@x.org', 'pw');"
                            "INSERT INTO mine(recordid, userid, title) VALUES (1, 1, 'Ann one'), "
                            "(2, 2, 'Bob one')"));
        const THttpHeaders ann = member(t, "search.php", "ann@x.org", "pw");
        THttpReply r = host_->Get(t.URL + "search.php?myrecords=1", ann);
        QVERIFY(r.body.contains("Ann one") && !r.body.contains("Bob one"));
        QVERIFY(host_->Post(t.URL + "search.php", {{"job", "display"}, {"recordid", "1"}}, ann)
                    .body.contains("Ann one"));
        r = host_->Post(t.URL + "search.php", {{"job", "display"}, {"recordid", "2"}}, ann);
        QVERIFY(!r.body.contains("Bob one"));
        r = host_->Post(t.URL + "search.php", {{"job", "search"}}, ann);
        QVERIFY(!r.body.contains("Bob one"));

        // His one record opens as its form at once; without records, the
        // offer to add one.
        r = host_->Get(t.URL + "modify_record.php", ann);
        QVERIFY2(r.body.contains("VALUE=\"Ann one\""), r.body.constData());
        QVERIFY(host_->Exec("DELETE FROM mine WHERE userid = 1"));
        r = host_->Get(t.URL + "modify_record.php", ann);
        QVERIFY(r.body.contains("You have no access to this database"));
    }

    // Join mode: one valid address per member, compared as the database
    // compares names, a known address with another password refused, and
    // no address no record.
    void joinMakesOneMemberPerAddress() {
        const TBTable t = publish("joined", {MakeField("title", FieldTypes::Text)}, [](TBTable& t) {
            t.UserMode = QStringLiteral("Join");
            t.UserUpdate = t.AllowAddModify = t.SendEmail = true;
            t.OnlyMembersCanAdd = false;
            t.EmailSender = QStringLiteral("site@x.org");
        });
        host_->ClearMails();
        const auto add = [&](const QByteArray& title, const QByteArray& email,
                             const QByteArray& password) {
            return host_
                ->Post(t.URL + "add_record.php", {{"job", "createaction"},
                                                  {"title", title},
                                                  {"email", email},
                                                  {"password", password}})
                .body;
        };
        const auto records = [&] { return value("SELECT COUNT(*) FROM joined").toInt(); };
        const auto members = [&] { return value("SELECT COUNT(*) FROM joined_USERS").toInt(); };

        for (const QByteArray& relay :
             {QByteArray("a@x.org, b@x.org"), QByteArray("a@x.org\r\nBcc: b@x.org"),
              QByteArray("not an address"), QByteArray("a@x.org;b@x.org"),
              QByteArray("\"carl\"@x.org"), QByteArray("carl(me)@x.org")}) {
            const QByteArray page = add("Relay", relay, "pw");
            QVERIFY2(page.contains("Please enter one valid e-mail address."), relay.constData());
            QVERIFY(page.contains("VALUE=\"Relay\""));
        }
        QVERIFY(add("No address", "", "pw").contains("E-mail is required."));
        QVERIFY(add("No password", "carl@x.org", "").contains("Password is required."));
        QCOMPARE(records(), 0);
        QCOMPARE(members(), 0);
        QCOMPARE(host_->Mails().size(), 0);

        // A new member first gets only the link that confirms his address:
        // nothing the visitor typed, no password. Opening it asks; the button
        // confirms once, and the notice of his record follows.
        QVERIFY(add("First", "carl@x.org", "Secret").contains("created successfully"));
        QCOMPARE(host_->Mails().size(), 1);
        const QByteArray invite = host_->Mails().last();
        QVERIFY2(!invite.contains("First") && !invite.contains("Secret") &&
                     !invite.contains("Password:"),
                 invite.constData());
        const QByteArray key =
            QRegularExpression(QStringLiteral("confirm\\.php\\?key=([0-9a-f]{32})"))
                .match(QString::fromLatin1(invite))
                .captured(1)
                .toLatin1();
        QCOMPARE(key.size(), 32);
        QVERIFY(host_->Get(t.URL + "confirm.php?key=" + key).body.contains("Confirm my e-mail"));
        QCOMPARE(host_->Mails().size(), 1);
        const auto confirm = [&] {
            return host_->Post(t.URL + "confirm.php", {{"job", "confirm"}, {"key", key}}).body;
        };
        QVERIFY(confirm().contains("Your e-mail address is confirmed."));
        QCOMPARE(host_->Mails().size(), 2);
        QVERIFY(host_->Mails().last().contains("First"));
        QVERIFY(confirm().contains("not valid"));
        QCOMPARE(host_->Mails().size(), 2);
        // Another password, one differing in case only: no second member and
        // no record for the first.
        for (const QByteArray& wrong : {QByteArray("other"), QByteArray("secret")}) {
            const QByteArray page = add("Taken", "carl@x.org", wrong);
            QVERIFY2(page.contains("Wrong Password or ID"), wrong.constData());
            QVERIFY(page.contains("VALUE=\"Taken\""));
        }
        QVERIFY(add("Taken", "CARL@x.org", "other").contains("Wrong Password or ID"));
        QVERIFY(add("Second", " Carl@X.org ", "Secret").contains("created successfully"));
        QCOMPARE(members(), 1);
        QCOMPARE(value("SELECT COUNT(DISTINCT userid) FROM joined"), QByteArray("1"));

        // A NUL byte reaches the table, never mail(), which would stop the
        // page after the record was stored.
        QVERIFY(add(QByteArray("nul\0byte", 8), "carl@x.org", "Secret")
                    .contains("created successfully"));
        QCOMPARE(host_->Mails().size(), 4);
        QVERIFY(!host_->Mails().last().contains('\0'));

        // One client joining with address after address: his records are
        // stored, but the mails to strangers stop after a few.
        for (int i = 0; i < 12; ++i)
            QVERIFY(add("Spam", "victim" + QByteArray::number(i) + "@x.org", "x")
                        .contains("created successfully"));
        const qsizetype spam = host_->Mails().size() - 4;
        QVERIFY2(spam > 0 && spam <= 10, QByteArray::number(spam).constData());

        // Many first adds at once with one new address: one member.
        const QList<QByteArray> answers = postTogether(t.URL + "add_record.php",
                                                       {{"job", "createaction"},
                                                        {"title", "Together"},
                                                        {"email", "dana@x.org"},
                                                        {"password", "d"}},
                                                       64);
        for (const QByteArray& answer : answers)
            QVERIFY2(answer.contains("created successfully"),
                     answer.mid(answer.indexOf("addtext"), 500).constData());
        QCOMPARE(value("SELECT COUNT(*) FROM joined_USERS WHERE username = 'dana@x.org'"),
                 QByteArray("1"));
        QCOMPARE(value("SELECT COUNT(DISTINCT userid) FROM joined WHERE title = 'Together'"),
                 QByteArray("1"));
        QCOMPARE(value("SELECT COUNT(*) FROM joined WHERE title = 'Together'"), QByteArray("64"));
    }

    // The checks agree with the database: a repeated value is one the
    // database would call equal (case, trailing blanks), "%" and "_" are no
    // wildcards, a refusal by the database itself names the field and keeps
    // the form, and nothing of a refused record stays behind.
    void checksAgreeWithTheDatabase() {
        TBField title = MakeField("title", FieldTypes::Text, "US", 10);
        title.Name = QStringLiteral("Title");
        TBField photo = MakeField("photo", FieldTypes::Image);
        photo.InputType = InputTypes::Image;
        photo.Visible = true;
        const TBTable t = publish("checks", {title, photo}, [](TBTable& t) {
            t.UserUpdate = t.AllowAddModify = t.AllowSearch = true;
        });
        QVERIFY(host_->Exec("INSERT INTO checks(title) VALUES ('Abc'), ('Abcdefghij')"));
        const auto add = [&](const QByteArray& value) {
            return host_
                ->PostMultipart(t.URL + "add_record.php", {{"job", "createaction"},
                                                           {"title", value},
                                                           {"photo", kPng, "p.png", "image/png"}})
                .body;
        };
        QByteArray page;
        for (const QByteArray& repeated :
             {QByteArray("abc"), QByteArray("ABC "), QByteArray("abcdefghijklm")}) {
            page = add(repeated);
            QVERIFY2(page.contains("Title is already present in the database. No duplicates are "
                                   "allowed."),
                     page.constData());
            QVERIFY(page.contains("NAME=\"title\" VALUE=\"" + repeated + "\""));
        }
        QCOMPARE(value("SELECT COUNT(*) FROM checks"), QByteArray("2"));
        // Each refused form holds its picture to offer it again, for its own
        // form session: the corrected post of that session stores that one
        // rather than asking for it anew; another visitor naming its key gets
        // no picture.
        QCOMPARE(value("SELECT COUNT(*) FROM checks_IMAGES"), QByteArray("3"));
        const THttpReply refused = host_->PostMultipart(
            t.URL + "add_record.php",
            {{"job", "createaction"}, {"title", "abc"}, {"photo", kPng, "p.png", "image/png"}});
        const QRegularExpressionMatch kept =
            QRegularExpression(QStringLiteral("NAME=\"photo_kept\" VALUE=\"([0-9a-f]{32})\""))
                .match(QString::fromLatin1(refused.body));
        QVERIFY2(kept.hasMatch(), refused.body.constData());
        const QByteArray key = kept.captured(1).toLatin1();
        const QByteArray formCookie = TPHPGenerator::FormCookie(t, false).toLatin1();
        const auto corrected = [&](const QByteArray& title, const THttpHeaders& headers) {
            return host_
                ->PostMultipart(t.URL + "add_record.php",
                                {{"job", "createaction"}, {"title", title}, {"photo_kept", key}},
                                headers)
                .body;
        };
        QVERIFY(corrected("Stranger", {}).contains("created successfully"));
        QCOMPARE(value("SELECT photo FROM checks WHERE title = 'Stranger'"), QByteArray("0"));
        page = corrected("Fixed", {{"Cookie", formCookie + "=" + refused.SetCookie(formCookie)},
                                   {"X-Corvanta-Form", FormToken(refused.body)}});
        QVERIFY2(page.contains("created successfully"), page.constData());
        QCOMPARE(value("SELECT COUNT(*) FROM checks_IMAGES"), QByteArray("4"));
        QCOMPARE(value("SELECT photo FROM checks WHERE title = 'Fixed'"),
                 value("SELECT imageid FROM checks_IMAGES WHERE kept IS NULL AND imagekey = '" +
                       key + "'"));
        for (const QByteArray& fresh : {QByteArray("A_c"), QByteArray("A%")})
            QVERIFY2(add(fresh).contains("created successfully"), fresh.constData());
        QCOMPARE(value("SELECT COUNT(*) FROM checks_IMAGES"), QByteArray("6"));
    }

    // A picture lives as long as its record holds it: Modify that replaces
    // it and Delete take it along, its old address shows nothing, and what
    // refused forms kept is swept.
    void picturesBelongToTheirRecord() {
        TBField photo = MakeField("photo", FieldTypes::Image);
        photo.InputType = InputTypes::Image;
        const TBTable t =
            publish("owned", {MakeField("title", FieldTypes::Text, "R"), photo},
                    [](TBTable& t) { t.UserUpdate = t.AllowAddModify = t.AllowDelete = true; });
        const QByteArray gif = QByteArray::fromHex("47494638396101000100800000000000ffffff21f904"
                                                   "01000000002c00000000010001000002024401003b");
        const auto shown = [&](const QByteArray& key) {
            return host_->Get(t.URL + "get_image.php?imageid=" + key).body;
        };
        QVERIFY(
            host_
                ->PostMultipart(t.URL + "add_record.php", {{"job", "createaction"},
                                                           {"title", "Mine"},
                                                           {"photo", kPng, "p.png", "image/png"}})
                .body.contains("created successfully"));
        const QByteArray id = value("SELECT recordid FROM owned");
        const QByteArray first = value("SELECT imagekey FROM owned_IMAGES");
        QCOMPARE(shown(first), kPng);

        const THttpHeaders admin = administrator(t);
        QVERIFY(host_
                    ->PostMultipart(t.URL + "admin/modify_record.php",
                                    {{"job", "modifyaction"},
                                     {"recordid", id},
                                     {"title", "Mine"},
                                     {"photo", gif, "p.gif", "image/gif"}},
                                    admin)
                    .body.contains("The record has been modified."));
        QCOMPARE(value("SELECT COUNT(*) FROM owned_IMAGES"), QByteArray("1"));
        QCOMPARE(shown(first), QByteArray());
        const QByteArray second = value("SELECT imagekey FROM owned_IMAGES");
        QCOMPARE(shown(second), gif);
        // A change without a new picture keeps it.
        QVERIFY(host_
                    ->PostMultipart(t.URL + "admin/modify_record.php",
                                    {{"job", "modifyaction"}, {"recordid", id}, {"title", "Kept"}},
                                    admin)
                    .body.contains("The record has been modified."));
        QCOMPARE(shown(second), gif);
        QVERIFY(host_
                    ->Post(t.URL + "admin/delete_record.php",
                           {{"job", "deleteaction"}, {"recordid", id}}, admin)
                    .body.contains("The record has been deleted."));
        QCOMPARE(value("SELECT COUNT(*) FROM owned_IMAGES"), QByteArray("0"));
        QCOMPARE(shown(second), QByteArray());

        // An anonymous visitor filling the table with refused forms: what he
        // left goes with the sweep an hour on.
        for (int i = 0; i < 100; ++i)
            host_->PostMultipart(
                t.URL + "add_record.php",
                {{"job", "createaction"}, {"title", ""}, {"photo", kPng, "p.png", "image/png"}});
        QCOMPARE(value("SELECT COUNT(*) FROM owned"), QByteArray("0"));
        QVERIFY(value("SELECT COUNT(*) FROM owned_IMAGES").toInt() <= 30);
        QVERIFY(host_->Exec("UPDATE owned_IMAGES SET kept = kept - 7200"));
        host_->PostMultipart(t.URL + "add_record.php", {{"job", "createaction"}, {"title", ""}});
        QCOMPARE(value("SELECT COUNT(*) FROM owned_IMAGES"), QByteArray("0"));
    }

    void datesAreDaysOfTheCalendar() {
        TBField day = MakeField("day", FieldTypes::DateTime);
        day.InputType = InputTypes::DateTime;
        day.Name = QStringLiteral("Day");
        day.DateTimeFormat = QStringLiteral("DD/MM/YYYY hh:mm");
        TBField time = MakeField("clock", FieldTypes::DateTime);
        time.InputType = InputTypes::DateTime;
        time.DateTimeFormat = QStringLiteral("hh:mm");
        const TBTable t = publish("dates", {day, time},
                                  [](TBTable& t) { t.UserUpdate = t.AllowAddModify = true; });
        const auto add = [&](const QByteArray& d, const QByteArray& m, const QByteArray& y,
                             const QByteArray& h = "10", const QByteArray& minute = "05") {
            return host_
                ->Post(t.URL + "add_record.php", {{"job", "createaction"},
                                                  {"day_day", d},
                                                  {"day_month", m},
                                                  {"day_year", y},
                                                  {"day_hour", h},
                                                  {"day_minute", minute},
                                                  {"day_second", "00"},
                                                  {"clock_year", "0000"},
                                                  {"clock_month", "00"},
                                                  {"clock_day", "00"},
                                                  {"clock_hour", "7"},
                                                  {"clock_minute", "30"},
                                                  {"clock_second", "00"}})
                .body;
        };
        for (const auto& [d, m, y, h] :
             QList<std::tuple<QByteArray, QByteArray, QByteArray, QByteArray>>{
                 {"31", "02", "2024", "10"},
                 {"29", "02", "2023", "10"},
                 {"01", "13", "2024", "10"},
                 {"00", "01", "2024", "10"},
                 {"1e1", "01", "2024", "10"},
                 {"", "01", "2024", "10"},
                 {"01", "01", "2024", "24"}}) {
            const QByteArray page = add(d, m, y, h);
            QVERIFY2(page.contains("Day is not a valid date"), (d + "/" + m + "/" + y).constData());
            QVERIFY(
                page.contains("NAME=\"day_day\" SIZE=\"2\" MAXLENGTH=\"2\" VALUE=\"" + d + "\""));
        }
        QCOMPARE(value("SELECT COUNT(*) FROM dates"), QByteArray("0"));
        QVERIFY(add("29", "2", "2024").contains("created successfully"));
        // No time is midnight; no date at all is no value.
        QVERIFY(add("01", "03", "2024", "", "").contains("created successfully"));
        QVERIFY(add("", "", "", "", "").contains("created successfully"));
        QCOMPARE(value("SELECT GROUP_CONCAT(day ORDER BY recordid) FROM dates"),
                 QByteArray("20240229100500,20240301000000,00000000000000"));
    }

    // A picture that cannot be stored is refused with the reason; the form
    // states the largest picture the site takes.
    void refusedPicturesSayWhy() {
        TBField photo = MakeField("photo", FieldTypes::Image);
        photo.InputType = InputTypes::Image;
        photo.Name = QStringLiteral("Photo");
        const TBTable t = publish("limits", {MakeField("title", FieldTypes::Text), photo},
                                  [](TBTable& t) { t.UserUpdate = t.AllowAddModify = true; });
        const QByteArray form = host_->Get(t.URL + "add_record.php").body;
        const QRegularExpressionMatch limit =
            QRegularExpression(QStringLiteral("NAME=\"MAX_FILE_SIZE\" VALUE=\"([0-9]+)\""))
                .match(QString::fromLatin1(form));
        QVERIFY2(limit.hasMatch(), form.constData());
        QVERIFY2(form.contains("<INPUT TYPE=\"file\" NAME=\"photo\" "
                               "ACCEPT=\"image/jpeg,image/png,image/gif\" "
                               "ID=\"f_photo\"> (Largest picture: "),
                 form.constData());
        const qsizetype bytes = limit.captured(1).toLongLong();
        QVERIFY(bytes > 0 && bytes <= 16000000);
        QByteArray big = kPng;
        big.append(bytes + 1 - big.size(), 'x');
        THttpReply r = host_->PostMultipart(
            t.URL + "add_record.php",
            {{"job", "createaction"}, {"title", "big"}, {"photo", big, "big.png", "image/png"}});
        QVERIFY2(r.body.contains("Photo: the picture is larger than this site accepts."),
                 r.body.left(2000).constData());
        r = host_->PostMultipart(t.URL + "add_record.php",
                                 {{"job", "createaction"},
                                  {"title", "text"},
                                  {"photo", "hello", "a.txt", "text/plain"}});
        QVERIFY(r.body.contains("Photo: only pictures (JPEG, PNG, GIF) can be stored."));
        QVERIFY(r.body.contains("VALUE=\"text\""));
        QCOMPARE(value("SELECT COUNT(*) FROM limits"), QByteArray("0"));
        QCOMPARE(value("SELECT COUNT(*) FROM limits_IMAGES"), QByteArray("0"));
    }

    // A letter the page's character set lacks comes as a reference and shows
    // as the letter; markup characters stay text; new windows are opened
    // without a handle on this one. Field labels and choices are text on
    // every page too; the owner's own texts stay his markup.
    void valuesShowAsTyped() {
        const QByteArray label = "<script>alert(1)</script> Size <10 cm & \"wide\"";
        const QByteArray escaped =
            "&lt;script&gt;alert(1)&lt;/script&gt; Size &lt;10 cm &amp; &quot;wide&quot;";
        TBField title = MakeField("title", FieldTypes::Text, "S");
        title.Name = QString::fromUtf8(label);
        TBField kind = MakeField("kind", FieldTypes::Text, "S");
        kind.Name = QStringLiteral("Kind");
        kind.InputType = InputTypes::Select;
        kind.EnumValues = {QStringLiteral("A"), QStringLiteral("B <b>")};
        TBField photo = MakeField("photo", FieldTypes::Image);
        photo.Visible = true;
        const TBTable t = publish("shown", {title, kind, photo}, [](TBTable& t) {
            t.UserUpdate = t.AllowSearch = true;
            t.SearchRecordText = QStringLiteral("<b>Find</b> a record");
        });
        QVERIFY(host_->Exec("INSERT INTO shown_IMAGES(imageid, image_data) VALUES (3, 'x')"));
        QVERIFY(host_->Exec("INSERT INTO shown(title, photo) VALUES ('&#1046;urnal', 3), "
                            "('&#60;b&#62;', 0), ('&#x416;', 0)"));
        const QByteArray page = host_->Post(t.URL + "search.php", {{"job", "search"}}).body;
        QVERIFY2(page.contains(">&#1046;urnal\n") && page.contains(">&#x416;\n"), page.constData());
        QVERIFY(page.contains(">&amp;#60;b&amp;#62;\n"));
        // A picture stored before pictures had keys gets one: its address
        // never names its row.
        const QByteArray key = value("SELECT imagekey FROM shown_IMAGES WHERE imageid = 3");
        QCOMPARE(key.size(), 32);
        QVERIFY(page.contains("<A HREF=\"show_image.php?imageid=" + key +
                              "\" TARGET=\"_blank\" REL=\"noopener\">"));

        const THttpHeaders admin = administrator(t);
        const QList<QByteArray> pages = {
            page, host_->Get(t.URL + "search.php").body,
            host_->Get(t.URL + "admin/search.php", admin).body,
            host_->Post(t.URL + "admin/search.php", {{"job", "search"}}, admin).body,
            host_->Get(t.URL + "admin/add_record.php", admin).body};
        for (const QByteArray& p : pages) {
            QVERIFY2(!p.contains("<script>alert") && !p.contains("B <b>"), p.constData());
            QVERIFY2(p.contains(escaped), p.constData());
        }
        QVERIFY(pages[1].contains("<b>Find</b> a record"));
        QVERIFY(pages[4].contains("<OPTION VALUE=\"B &lt;b&gt;\""));

        // A choice takes only the values its list offers.
        const auto add = [&](const QByteArray& choice) {
            return host_
                ->PostMultipart(
                    t.URL + "admin/add_record.php",
                    {{"job", "createaction"}, {"title", "Chosen"}, {"kind", choice}, {"photo", ""}},
                    admin)
                .body;
        };
        for (const QByteArray& forged : {QByteArray("C"), QByteArray("a"), QByteArray("B <b> ")})
            QVERIFY2(add(forged).contains("Kind must be one of the values offered."),
                     forged.constData());
        QCOMPARE(value("SELECT COUNT(*) FROM shown WHERE title = 'Chosen'"), QByteArray("0"));
        QVERIFY(add("B <b>").contains("created successfully"));
        QCOMPARE(value("SELECT kind FROM shown WHERE title = 'Chosen'"), QByteArray("B <b>"));
    }
};

QTEST_MAIN(TestSiteRules)
#include "TestSiteRules.moc"
