// The entry pages on the local web host: the way in for the administrator and
// for members, sessions from login to expiry, the menus of every site and
// mode, the visit counter, the forgotten-password mail, and forged requests.
#include "GeneratorFixtures.h"
#include "PublishedSite.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kAdminPassword = "adm\"in$1";

// The links of a menu page into the working frame as "target text", in page
// order.
QStringList menuLinks(const QByteArray& page) {
    QStringList links;
    static const QRegularExpression link(
        QStringLiteral("<A CLASS=\"menuitem\" HREF=\"([^\"]*)\" TARGET=\"body\">([^<]*)</A>"));
    for (const QRegularExpressionMatch& m : link.globalMatch(QString::fromLatin1(page)))
        links += m.captured(1) + u' ' + m.captured(2);
    return links;
}

} // namespace

class TestEntryPages : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    TPHPGenerator g_;
    TBTable t_;
    int memberId_ = 0;
    int menus_ = 0;

    QByteArray value(const QString& sql) { return host_->Query(sql).value(0).value(0); }

    THttpReply memberLogin(const QByteArray& email, const QByteArray& password) {
        return host_->Post("entry/login.php",
                           {{"login_email", email}, {"login_password", password}});
    }

    QByteArray cookie(bool admin) const {
        return TPHPGenerator::SessionCookie(t_, admin).toLatin1();
    }

    // A variant of the project published into its own folder, sharing the
    // tables of the main one.
    TBTable variant(const QString& folder, const std::function<void(TBTable&)>& change) {
        TBTable t = t_;
        change(t);
        TPHPGenerator g;
        const QString error = PublishSite(*host_, g, t, folder, false);
        if (!error.isEmpty())
            qWarning("%s", qPrintable(error));
        return t;
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        t_ = MakeProject("entry", {MakeField("title", FieldTypes::Text, "S")});
        t_.AdminPassword = QString::fromLatin1(kAdminPassword);
        t_.UserMode = QStringLiteral("Login");
        t_.UserUpdate = true;
        t_.AllowSearch = t_.AllowAddModify = t_.AllowChangePassword = true;
        t_.AllowSendPassword = true;
        t_.MenuHeight = 80;
        t_.DatabaseDisplayName = QStringLiteral("Club <b>members</b>");
        t_.LoginText = QStringLiteral("Welcome\r\nback");
        t_.AdminLoginText = QStringLiteral("Staff only");
        t_.MenuText = QStringLiteral("Menu text");
        t_.PasswordEmailSubject = QStringLiteral("Your \"club\" password");
        t_.PasswordEmailSender = QStringLiteral("club@example.org");
        t_.PasswordEmailBody = QStringLiteral("Dear member,\r\nyour \"password\" costs $5.");
        t_.CreateCounter = true;
        t_.CounterPosition = QStringLiteral("Menu");
        t_.CounterAlignment = QStringLiteral("Right");
        t_.CounterBorder = 2;
        t_.CounterColor = 0x00112233;
        t_.CounterTextBefore = QStringLiteral("You are visitor");
        t_.CounterTextBehind = QStringLiteral("since 1999");
        t_.CounterNumberFontBold = true;
        t_.CounterNumberFontName = QStringLiteral("Courier");
        t_.CounterNumberFontSize = 4;
        t_.CounterNumberFontColor = 0x000000FF;
        t_.UseCounterOffset = true;
        t_.CounterOffset = 1000;
        const QString error = PublishSite(*host_, g_, t_, "entry", true);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(host_->Exec("INSERT INTO entry_USERS(username, userpassword) "
                            "VALUES('ann@example.org', 'Secret\"1')"));
        memberId_ = value("SELECT userid FROM entry_USERS").toInt();
        host_->ClearPhpErrors();
        host_->ClearMails();
    }

    void cleanupTestCase() {
        if (host_ && host_->Running())
            QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void administratorLogsInAndHisSessionLivesThirtyMinutes() {
        QVERIFY(host_->Get("entry/admin/index.html")
                    .body.contains("<FRAMESET ROWS=\"*\">\r\n"
                                   "    <FRAME SRC=\"login.php\" FRAMEBORDER=\"0\">"));
        THttpReply r = host_->Get("entry/admin/login.php");
        QVERIFY(r.body.contains("<BODY CLASS=\"login\">    <H1>Club <b>members</b></H1>"));
        QVERIFY(r.body.contains("<P CLASS=\"logintext\">Staff only</P>"));
        QVERIFY(
            r.body.contains("<FORM NAME=\"AdminPassword\" METHOD=\"POST\" ACTION=\"login.php\">"));
        QVERIFY(!r.body.contains("Password is not correct"));
        r = host_->Post("entry/admin/login.php", {{"admin_password", "adm\"in$"}});
        QVERIFY(r.body.contains("<BR>Password is not correct"));
        QVERIFY(LoginSession(r, cookie(true)).isEmpty());

        r = host_->Post("entry/admin/login.php", {{"admin_password", kAdminPassword}});
        const QByteArray s = LoginSession(r, cookie(true));
        QVERIFY2(!s.isEmpty(), r.body.constData());
        QVERIFY(r.body.contains("<FRAMESET ROWS=\"80, *\">"));
        QVERIFY(r.body.contains("<FRAME SRC=\"search.php\" NAME=\"body\""));
        QVERIFY(!r.body.contains(s));
        QCOMPARE(value("SELECT userid FROM entry_SESSIONS WHERE sessionid = '" + s + "'"),
                 QByteArray("0"));
        const THttpHeaders session =
            WithForm(*host_, "entry/admin/users.php", cookie(true), SessionCookie(cookie(true), s));
        QVERIFY(IsFrameset(host_->Get("entry/admin/login.php", session).body));

        // A page accepts the session and refreshes it.
        const QString where = "WHERE sessionid = '" + s + "'";
        QVERIFY(host_->Exec("UPDATE entry_SESSIONS SET logindate = '" + SessionDate(600) + "' " +
                            where));
        r = host_->Post("entry/admin/users.php", {}, session);
        QVERIFY(r.body.contains("<H3>Add user</H3>"));
        QVERIFY(value("SELECT logindate FROM entry_SESSIONS " + where) >= SessionDate(60));

        // Idle for more than 30 minutes: expired for good; the password opens
        // a new session.
        QVERIFY(host_->Exec("UPDATE entry_SESSIONS SET logindate = '" + SessionDate(31 * 60) +
                            "' " + where));
        r = host_->Get("entry/admin/login.php", session);
        QVERIFY(r.body.contains("<BR>Login expired"));
        QVERIFY(r.body.contains("Enter Administrator Password"));
        r = host_->Get("entry/admin/users.php", session);
        QVERIFY(!r.body.contains("<H3>Add user</H3>"));
        r = host_->Post("entry/admin/login.php", {{"admin_password", kAdminPassword}}, session);
        const QByteArray renewed = LoginSession(r, cookie(true));
        QVERIFY(!renewed.isEmpty() && renewed != s);
        QCOMPARE(value("SELECT COUNT(*) FROM entry_SESSIONS " + where), QByteArray("0"));

        // After an hour the row is gone and the plain form comes back.
        const QString renewedRow = "WHERE sessionid = '" + renewed + "'";
        QVERIFY(host_->Exec("UPDATE entry_SESSIONS SET logindate = '" + SessionDate(3601) + "' " +
                            renewedRow));
        r = host_->Get("entry/admin/login.php", SessionCookie(cookie(true), renewed));
        QVERIFY(!r.body.contains("Login expired"));
        QVERIFY(r.body.contains("Enter Administrator Password"));
        QCOMPARE(value("SELECT COUNT(*) FROM entry_SESSIONS " + renewedRow), QByteArray("0"));
    }

    void memberLogsInToHisRecordsAndOut() {
        const QByteArray index = host_->Get("entry/index.html").body;
        QVERIFY(index.contains("<FRAMESET ROWS=\"*, 0\">\r\n"
                               "    <FRAME SRC=\"login.php\" FRAMEBORDER=\"0\">\r\n"
                               "    <FRAME SRC=\"inc_counter.php\" NAME=\"counter\""));
        THttpReply r = host_->Get("entry/login.php");
        QVERIFY(r.body.contains("<P CLASS=\"logintext\">Welcome<BR>back</P>"));
        QVERIFY(r.body.contains("<FORM NAME=\"UserAuth\" METHOD=\"POST\" ACTION=\"login.php\">"));

        r = memberLogin("ann@example.org", "Secret\"1");
        const QByteArray s = LoginSession(r, cookie(false));
        QVERIFY2(!s.isEmpty(), r.body.constData());
        QVERIFY(r.body.contains("<FRAME SRC=\"search.php?myrecords=1\" NAME=\"body\""));
        QCOMPARE(value("SELECT userid FROM entry_SESSIONS WHERE sessionid = '" + s + "'").toInt(),
                 memberId_);
        const THttpHeaders session =
            WithForm(*host_, "entry/menu.php", cookie(false), SessionCookie(cookie(false), s));
        QVERIFY(IsFrameset(host_->Get("entry/login.php", session).body));

        // The password must match as typed; the address is a name.
        for (const QByteArray& wrong : {QByteArray("secret\"1"), QByteArray("Secret\"1 "),
                                        QByteArray("Secret"), QByteArray()}) {
            r = memberLogin("ann@example.org", wrong);
            QVERIFY2(LoginSession(r, cookie(false)).isEmpty(), wrong.constData());
            QVERIFY(r.body.contains("<BR>Wrong Password or ID"));
        }
        const QByteArray second =
            LoginSession(memberLogin("ANN@example.org", "Secret\"1"), cookie(false));
        QVERIFY(!second.isEmpty());

        // Logout: the menu offers it; only the site's own form ends the
        // session, in the database and in the browser.
        QVERIFY(host_->Get("entry/menu.php")
                    .body.contains("<FORM NAME=\"LogoutForm\" METHOD=\"POST\" "
                                   "ACTION=\"logout.php\" TARGET=\"_top\""));
        r = host_->Get("entry/logout.php", session);
        QVERIFY(r.body.contains("<INPUT TYPE=\"submit\" VALUE=\"Logout\">"));
        QVERIFY(IsFrameset(host_->Get("entry/login.php", session).body));
        r = host_->Post("entry/logout.php", {}, session);
        QVERIFY(r.body.contains("You have been logged out."));
        QVERIFY(r.body.contains("<A CLASS=\"menuitem\" HREF=\"index.html\" TARGET=\"_top\">"));
        QVERIFY(r.SetCookieLine(cookie(false)).toLower().contains("max-age=0"));
        QCOMPARE(value("SELECT COUNT(*) FROM entry_SESSIONS WHERE sessionid = '" + s + "'"),
                 QByteArray("0"));
        QVERIFY(!IsFrameset(host_->Get("entry/login.php", session).body));
        // The member's other session goes on.
        QVERIFY(
            IsFrameset(host_->Get("entry/login.php", SessionCookie(cookie(false), second)).body));
        // A member's token is no administrator's, and ends when presented as one.
        QVERIFY(!IsFrameset(
            host_->Get("entry/admin/login.php", SessionCookie(cookie(true), second)).body));
        QVERIFY(
            !IsFrameset(host_->Get("entry/login.php", SessionCookie(cookie(false), second)).body));
    }

    void forgottenPasswordIsMailedToTheMember() {
        host_->ClearMails();
        THttpReply r = host_->Get("entry/login.php");
        QVERIFY(r.body.contains("<H3>Password forgotten?</H3>"));
        const QByteArray sent =
            "If the address belongs to a member, the password has been sent to it.";
        r = host_->Post("entry/login.php", {{"job", "sendpassword"}, {"email", "ann@example.org"}});
        QVERIFY(r.body.contains(sent));
        const QList<QByteArray> mails = host_->Mails();
        QCOMPARE(mails.size(), 1);
        const QByteArray& mail = mails.first();
        QVERIFY2(mail.contains("To: ann@example.org"), mail.constData());
        QVERIFY(mail.contains("Subject: Your \"club\" password"));
        QVERIFY(mail.contains("From: club@example.org"));
        QVERIFY(mail.contains("Dear member,\r\nyour \"password\" costs $5.\n\n"));
        QVERIFY(mail.contains("Your e-mail address: ann@example.org\n"));
        QVERIFY(mail.contains("Your password: Secret\"1\n"));

        for (const QByteArray& unknown :
             {QByteArray("bob@example.org"), QByteArray("x\" OR \"1\"=\"1"),
              QByteArray("x' OR '1'='1"), QByteArray("\\")}) {
            r = host_->Post("entry/login.php", {{"job", "sendpassword"}, {"email", unknown}});
            // Nothing tells an unknown address from a member's.
            QVERIFY2(r.body.contains(sent), unknown.constData());
            QVERIFY(!r.body.contains("User not found"));
        }
        QCOMPARE(host_->Mails().size(), 1);

        // A member name that is a list of addresses gets no mail at all.
        QVERIFY(host_->Exec("INSERT INTO entry_USERS(username, userpassword) "
                            "VALUES('c@example.org, d@example.org', 'x')"));
        r = host_->Post("entry/login.php",
                        {{"job", "sendpassword"}, {"email", "c@example.org, d@example.org"}});
        QVERIFY(r.body.contains(sent));
        QCOMPARE(host_->Mails().size(), 1);

        // A flood of requests for one member sends a few mails, not one each.
        for (int i = 0; i < 21; ++i)
            r = host_->Post("entry/login.php",
                            {{"job", "sendpassword"}, {"email", "ann@example.org"}},
                            {{"X-Forwarded-For", "10.9.0." + QByteArray::number(i + 1)}});
        QVERIFY(r.body.contains("Too many tries"));
        QCOMPARE(host_->Mails().size(), 3);
        QVERIFY(host_->Exec("DELETE FROM entry_LOGINS"));

        variant("nosend", [](TBTable& t) { t.AllowSendPassword = false; });
        r = host_->Get("nosend/login.php");
        QVERIFY(r.body.contains("Enter your ID and password"));
        QVERIFY(!r.body.contains("Password forgotten?"));
        QVERIFY(!r.body.contains("sendpassword"));
    }

    void joinAndDefaultModesOpenOnTheMenu() {
        for (const char* mode : {"Join", ""}) {
            const QString folder = QStringLiteral("open") + QLatin1String(mode);
            const TBTable t = variant(folder, [&](TBTable& t) {
                t.UserMode = QLatin1String(mode);
                t.MenuHeight = 100;
            });
            QVERIFY2(!QFile::exists(t.LocalPath + "login.php"), mode);
            const QByteArray index = host_->Get(folder + "/index.html").body;
            QVERIFY2(index.contains("<FRAMESET ROWS=\"100, *, 0\">\r\n"
                                    "    <FRAME SRC=\"menu.php\" NAME=\"head\" SCROLLING=\"no\" "
                                    "FRAMEBORDER=\"0\">\r\n"
                                    "    <FRAME SRC=\"search.php\" NAME=\"body\" "
                                    "FRAMEBORDER=\"0\">\r\n"
                                    "    <FRAME SRC=\"inc_counter.php\" NAME=\"counter\" "
                                    "SCROLLING=\"no\" NORESIZE FRAMEBORDER=\"0\">\r\n"
                                    "  </FRAMESET>"),
                     index.constData());
        }
    }

    void menusHoldTheLinksOfTheirSiteAndMode_data() {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>(
            "allow"); // S search, A add/modify, D delete, C password, M members only add
        QTest::addColumn<bool>("userUpdate");
        QTest::addColumn<QStringList>("links");
        const QString search = QStringLiteral("search.php Search");
        const QString add = QStringLiteral("add_record.php Add record");
        const QString users = QStringLiteral("users.php Users");
        const QString mine = QStringLiteral("search.php?myrecords=1 My records");
        QTest::newRow("admin Login") << true << "Login"
                                     << "SADC" << true << QStringList{search, add, users};
        QTest::newRow("admin Join") << true << "Join"
                                    << "SAD" << true << QStringList{search, add};
        QTest::newRow("admin Join members") << true << "Join"
                                            << "SADM" << true << QStringList{search, add, users};
        QTest::newRow("admin default") << true << ""
                                       << "" << false << QStringList{search, add};
        QTest::newRow("visitor search only") << false << "Join"
                                             << "SAD" << false << QStringList{search};
        QTest::newRow("visitor Join all")
            << false << "Join"
            << "SADC" << true
            << QStringList{search, add, "modify_record.php Modify", "delete_record.php Delete"};
        QTest::newRow("visitor Join none") << false << "Join"
                                           << "" << true << QStringList{};
        QTest::newRow("visitor Login all")
            << false << "Login"
            << "SADC" << true
            << QStringList{mine, search, add, "change_password.php Change password"};
        QTest::newRow("visitor Login none") << false << "Login"
                                            << "" << true << QStringList{mine};
        QTest::newRow("visitor default") << false << ""
                                         << "S" << true << QStringList{mine, search};
    }

    void menusHoldTheLinksOfTheirSiteAndMode() {
        QFETCH(bool, admin);
        QFETCH(QString, mode);
        QFETCH(QString, allow);
        QFETCH(bool, userUpdate);
        QFETCH(QStringList, links);
        // Each row in a folder of its own: a page is never rewritten between
        // two requests.
        const QString folder = QStringLiteral("menu%1").arg(++menus_);
        variant(folder, [&](TBTable& t) {
            t.UserMode = mode;
            t.UserUpdate = userUpdate;
            t.AllowSearch = allow.contains(u'S');
            t.AllowAddModify = allow.contains(u'A');
            t.AllowDelete = allow.contains(u'D');
            t.AllowChangePassword = allow.contains(u'C');
            t.OnlyMembersCanAdd = allow.contains(u'M');
            t.CreateCounter = false;
        });
        const QString page = folder + (admin ? "/admin/menu.php" : "/menu.php");
        const QByteArray menu = host_->Get(page).body;
        QVERIFY(menu.contains("<BODY CLASS=\"menu\">"));
        QVERIFY(menu.contains(admin ? "<P CLASS=\"menutext\"></P>"
                                    : "<P CLASS=\"menutext\">Menu "
                                      "text</P>"));
        QCOMPARE(menuLinks(menu), links);
        QCOMPARE(menu.count("&nbsp;&nbsp;"),
                 links.size() - (menu.contains("delete_record") ? 1 : 0));
        // Where anyone logs in, the menu offers Logout.
        QCOMPARE(menu.contains(">Logout</A>"), admin || !mode.isEmpty());
        // No session travels in a link.
        QVERIFY(!menu.contains("sessionid"));
    }

    void visitCounterCountsEachVisitAndShowsItOnTheMenu() {
        const int before = value("SELECT COALESCE(MAX(dummy), 0) FROM entry_VISITS").toInt();
        for (int i = 0; i < 3; ++i)
            QVERIFY(host_->Get("entry/inc_counter.php").status == 200);
        QCOMPARE(value("SELECT COUNT(*) FROM entry_VISITS"), QByteArray("1"));
        const int visits = value("SELECT dummy FROM entry_VISITS").toInt();
        QCOMPARE(visits, before + 3);

        const QByteArray menu = host_->Get("entry/menu.php").body;
        QVERIFY2(menu.contains("<TABLE CLASS=\"counter\" BORDER=\"2\" ALIGN=\"Right\" "
                               "BGCOLOR=\"#332211\"><TR CLASS=\"counter\"><TD CLASS=\"counter\">"),
                 menu.constData());
        QVERIFY(menu.contains("You are visitor </FONT>"));
        QVERIFY2(menu.contains("<FONT COLOR=\"#FF0000\" FACE=\"Courier\" SIZE=\"4\">\n<B>\n" +
                               QByteArray::number(visits + 1000) + "</B>\n</FONT>"),
                 menu.constData());
        QVERIFY(menu.contains(" since 1999\n</FONT>"));
        QVERIFY(host_->Get("entry/admin/menu.php").body.indexOf("counter") < 0);

        variant("counter", [](TBTable& t) { t.CounterPosition = QStringLiteral("Search Form"); });
        QVERIFY(host_->Get("counter/menu.php").body.indexOf("CLASS=\"counter\"") < 0);
    }

    void forgedRequestsDoNotOpenTheSite() {
        const QByteArray sessions = value("SELECT COUNT(*) FROM entry_SESSIONS");
        // Variables of the query string, guessed and sequential session ids.
        for (const char* query :
             {"?loggedin=1", "?loggedin=1&sessionexpired=0&userid=0", "?sessionid=1",
              "?sessionid=2", "?sessionid=0123456789abcdef0123456789abcdef",
              "?sessionid=1%20OR%201%3D1", "?sessionid=%22%20OR%20%22%22%3D%22"}) {
            THttpReply r = host_->Get(QStringLiteral("entry/admin/users.php") + query);
            QVERIFY2(r.body.contains("Enter Administrator Password"), query);
            QVERIFY(!r.body.contains("Add user"));
            r = host_->Get(QStringLiteral("entry/admin/login.php") + query);
            QVERIFY2(!IsFrameset(r.body), query);
            r = host_->Get(QStringLiteral("entry/login.php") + query);
            QVERIFY2(!IsFrameset(r.body), query);
        }
        // SQL in the login fields.
        for (const QByteArray& forged :
             {QByteArray("x\" OR \"1\"=\"1"), QByteArray("x' OR '1'='1"),
              QByteArray("ann@example.org\" -- "), QByteArray("\" OR userid>0 OR \"")}) {
            QVERIFY2(!IsFrameset(memberLogin(forged, forged).body), forged.constData());
            QVERIFY(!IsFrameset(memberLogin("ann@example.org", forged).body));
        }
        QVERIFY(host_->Exec("DELETE FROM entry_LOGINS"));
        QCOMPARE(value("SELECT COUNT(*) FROM entry_SESSIONS"), sessions);
    }

    // Every script of these pages is valid PHP in every mode.
    void scriptsAreValidPhpInEveryMode() {
        QTemporaryDir dir;
        const QString skin = dir.filePath("look.css");
        const QString logo = dir.filePath("logo.gif");
        WriteFileBytes(skin, "body {}");
        WriteFileBytes(logo, "GIF89a");
        const std::vector<std::pair<const char*, std::function<void(TBTable&)>>> modes = {
            {"default", [](TBTable& t) { t.UserMode.clear(); }},
            {"join", [](TBTable& t) { t.UserMode = "Join"; }},
            {"joinmembers",
             [](TBTable& t) {
                 t.UserMode = "Join";
                 t.OnlyMembersCanAdd = true;
             }},
            {"loginall",
             [&](TBTable& t) {
                 t.AllowDelete = t.HomeCh = true;
                 t.TableAlign = "Center";
                 t.Skin = skin;
                 t.Logo = t.AdminLogo = logo;
             }},
            {"loginnone",
             [](TBTable& t) {
                 t.AllowSearch = t.AllowAddModify = t.AllowDelete = false;
                 t.AllowChangePassword = t.AllowSendPassword = t.CreateCounter = false;
             }},
            {"loginsearch", [](TBTable& t) { t.AllowSearch = false; }},
            {"loginadd", [](TBTable& t) { t.AllowAddModify = false; }},
            {"loginpassword", [](TBTable& t) { t.AllowChangePassword = false; }},
            {"loginsend", [](TBTable& t) { t.AllowSendPassword = false; }},
        };
        for (const auto& [name, change] : modes) {
            TBTable t = t_;
            change(t);
            t.LocalPath = dir.filePath(name) + u'/';
            QVERIFY(QDir().mkpath(t.LocalPath + "admin"));
            TGeneratorProbe probe;
            for (const bool admin : {false, true})
                QVERIFY(probe.generator.EntryPages(t, admin) &&
                        probe.generator.PasswordPage(t, admin) &&
                        probe.generator.ImageDownload(t, admin) &&
                        probe.generator.ImagePage(t, admin));
            QVERIFY(probe.generator.UsersPage(t));
            QCOMPARE(QFile::exists(t.LocalPath + "login.php"), t.UserMode == "Login");
            for (const QString& folder : {t.LocalPath, t.LocalPath + "admin/"})
                for (const QString& file : QDir(folder).entryList({"*.php"})) {
                    QString output;
                    QVERIFY2(TWebHost::PhpLint(folder + file, &output),
                             qPrintable(QString::fromLatin1(name) + ": " + output));
                }
        }
    }
};

QTEST_MAIN(TestEntryPages)
#include "TestEntryPages.moc"
