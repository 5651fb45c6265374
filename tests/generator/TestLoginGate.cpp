// The page head's login gate and the session check on the local web host:
// who gets in, with what session, and what a forged or foreign request gets.
#include "GeneratorFixtures.h"
#include "PublishedSite.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QtTest>

namespace {

const QByteArray kAdminPassword = "p\"w\\$x{$y}";
const QByteArray kAdminCookie = "corvanta_gate_admin";
const QByteArray kMemberCookie = "corvanta_gate_session";

THttpHeaders withCookie(const QByteArray& name, const QByteArray& token,
                        const THttpHeaders& more = {}) {
    return THttpHeaders{{"Cookie", name + "=" + token}} + more;
}

} // namespace

class TestLoginGate : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    TPHPGenerator g_;
    TBTable t_ = MakeProject("gate", {MakeField("tx", FieldTypes::Text)});

    // "token:userid" when the page let the request through, else empty.
    static QByteArray session(const THttpReply& r) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("LOGGEDIN:([0-9a-f]{32}):([0-9]+)"))
                .match(QString::fromLatin1(r.body));
        return m.hasMatch() ? m.captured(1).toLatin1() + ":" + m.captured(2).toLatin1()
                            : QByteArray();
    }

    QByteArray count(const QString& sql) { return host_->Query(sql).value(0).value(0); }

    static QByteArray ago(int seconds) {
        return QDateTime::currentDateTimeUtc()
            .addSecs(-seconds)
            .toString("yyyyMMddHHmmss")
            .toLatin1();
    }

    void writePage(bool admin, const QString& name, const QString& page) {
        QVERIFY(g_.WriteFile(t_, admin, name, [&] {
            g_.PageHead(admin, page, QStringLiteral("x"));
            g_.WriteLine(u"<?php print \"LOGGEDIN:\".$sessionid.\":\".$userid.\"\\n\"; ?>");
            g_.WriteLine(u"<FORM METHOD=\"POST\"><?php print corvanta_form_field(); ?></FORM>");
            g_.WriteLine(u"</BODY></HTML>");
        }));
    }

    // A login by post is answered with its page again, by GET: the page as
    // a browser following the answer gets it, with the cookies that answer
    // set (among its own).
    THttpReply followed(const THttpReply& r, const QString& page, const QByteArray& cookie,
                        const THttpHeaders& headers) {
        if (r.status != 303 || r.headers.value("location") != "gate.php")
            return r;
        QByteArrayList cookies{cookie + "=" + r.SetCookie(cookie)};
        if (!r.SetCookie(cookie + "_form").isNull())
            cookies << cookie + "_form=" + r.SetCookie(cookie + "_form");
        THttpHeaders more{{"Cookie", cookies.join("; ")}};
        for (const auto& h : headers)
            if (h.first != "Cookie" && h.first != "X-Corvanta-Form")
                more << h;
        THttpReply page_ = host_->Get(page, more);
        page_.setCookies = r.setCookies + page_.setCookies;
        return page_;
    }

    // `headers` with the form session of `page` and its token, as a browser
    // has them from the page it posts from.
    THttpHeaders withForm(const QString& page, const QByteArray& cookie,
                          const THttpHeaders& headers = {}) {
        const THttpReply r = host_->Get(page, headers);
        QByteArray cookies;
        for (const auto& h : headers)
            if (h.first == "Cookie")
                cookies = h.second;
        if (!r.SetCookie(cookie + "_form").isNull())
            cookies +=
                (cookies.isEmpty() ? "" : "; ") + cookie + "_form=" + r.SetCookie(cookie + "_form");
        THttpHeaders more{{"Cookie", cookies}, {"X-Corvanta-Form", FormToken(r.body)}};
        for (const auto& h : headers)
            if (h.first != "Cookie")
                more << h;
        return more;
    }

    THttpReply adminPost(const QByteArray& password, const THttpHeaders& headers = {}) {
        return followed(host_->Post("gate/admin/gate.php", {{"admin_password", password}}, headers),
                        "gate/admin/gate.php", kAdminCookie, headers);
    }

    QByteArray adminLogin() {
        const THttpReply r = adminPost(kAdminPassword);
        const QByteArray token = r.SetCookie(kAdminCookie);
        return session(r).startsWith(token) ? token : QByteArray();
    }

    QByteArray memberLogin(const QByteArray& email, const QByteArray& password,
                           const THttpHeaders& headers = {}) {
        const THttpReply r =
            followed(host_->Post("gate/gate.php",
                                 {{"login_email", email}, {"login_password", password}}, headers),
                     "gate/gate.php", kMemberCookie, headers);
        const QByteArray token = r.SetCookie(kMemberCookie);
        return !token.isEmpty() && session(r).startsWith(token) ? token : QByteArray();
    }

    void clearTries() { QVERIFY(host_->Exec("DELETE FROM gate_LOGINS")); }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        t_.UserUpdate = true;
        t_.UserMode = QStringLiteral("Login");
        t_.AdminPassword = QString::fromLatin1(kAdminPassword);
        // The tests are the proxy: they name each visitor's address.
        t_.TrustedProxies = QStringLiteral("127.0.0.1");
        t_.EmailSubject = QStringLiteral("Subject \"q\" \\ $x {$y}");
        t_.CreateCounter = true;
        t_.CounterPosition = QStringLiteral("Menu");
        t_.UseCounterOffset = true;
        t_.CounterOffset = 100;
        t_.CounterColor = 3368601;
        t_.CounterTextBefore = QStringLiteral("Visits \"so far\":");
        host_->ApplyTo(t_, "gate");
        QDir().mkpath(t_.LocalPath + "admin");
        QVERIFY(g_.RuntimeScript(t_, false));
        QVERIFY(g_.RuntimeScript(t_, true));
        QVERIFY(g_.CreateScript(t_));
        QVERIFY(!Paragraph(host_->Get(t_.URL + g_.KeyedScript("create_db.php")).body, "corvanta_ok")
                     .isNull());
        writePage(true, "gate.php", "search.php");
        writePage(false, "gate.php", "modify_record.php");
        QVERIFY(g_.WriteFile(t_, false, "counter.php", [&] {
            g_.WriteLine(u"<?php");
            g_.ConnectSnippet(QStringLiteral("  "), t_);
            g_.VisitCounter(QStringLiteral("Menu"));
            g_.Lines(u"  print \"[{EmailSubject|php}]\";");
            g_.CloseSnippet(QStringLiteral("  "));
            g_.WriteLine(u"?>");
        }));
        QVERIFY(host_->Exec("INSERT INTO gate_USERS(userid, username, userpassword) "
                            "VALUES(5, 'o''neil@x.org', 'pa\"ss\\\\'), (6, 'eve@x.org', 'eve')"));
        host_->ClearPhpErrors();
    }

    void init() { clearTries(); }

    void cleanupTestCase() {
        if (host_ && host_->Running())
            QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void theAdministratorPasswordOpensASessionInACookie() {
        THttpReply r = host_->Get("gate/admin/gate.php");
        QVERIFY(r.body.contains("<H3>Enter Administrator Password</H3>"));
        QVERIFY(!r.body.contains("sessionid"));
        QVERIFY(session(r).isEmpty());
        r = adminPost("p\"w\\$x{$y");
        QVERIFY(r.body.contains("<BR>Password is not correct"));
        QVERIFY(r.SetCookie(kAdminCookie).isNull());

        // The login is answered with the page again, by GET: the password is
        // in no page and no entry of the history sends it again.
        r = host_->Post("gate/admin/gate.php", {{"admin_password", kAdminPassword}, {"job", "x"}});
        QCOMPARE(r.status, 303);
        QCOMPARE(r.headers.value("location"), QByteArray("gate.php"));
        QVERIFY(!r.body.contains(kAdminPassword));
        r = adminPost(kAdminPassword);
        const QByteArray token = r.SetCookie(kAdminCookie);
        QCOMPARE(session(r), token + ":0");
        // Only the cookie carries it: HttpOnly, SameSite=Lax, for this folder.
        const QByteArray line = r.SetCookieLine(kAdminCookie).toLower();
        QVERIFY2(line.contains("; httponly") && line.contains("; samesite=lax") &&
                     line.contains("; path=/gate/admin/") && !line.contains("secure"),
                 line.constData());
        QVERIFY(!r.body.contains(token.left(32) + "\""));
        QCOMPARE(session(host_->Get("gate/admin/gate.php", withCookie(kAdminCookie, token))),
                 token + ":0");
        QCOMPARE(count("SELECT userid FROM gate_SESSIONS WHERE sessionid = '" + token + "'"),
                 QByteArray("0"));

        // A token in the URL or a form opens nothing any more.
        QVERIFY(session(host_->Get("gate/admin/gate.php?sessionid=" + token)).isEmpty());
        QVERIFY(session(host_->Post("gate/admin/gate.php", {{"sessionid", token}})).isEmpty());

        // Over HTTPS (here: behind a proxy that says so) the cookie is Secure.
        r = adminPost(kAdminPassword, {{"X-Forwarded-Proto", "https"}});
        QVERIFY(r.SetCookieLine(kAdminCookie).toLower().contains("; secure"));
    }

    // Member and administrator pages are kept by no cache; the pages of a
    // site without logins may be.
    void pagesDeclareTheirCharacterSetAndPolicies() {
        for (const char* page : {"gate/admin/gate.php", "gate/gate.php"}) {
            const THttpReply r = host_->Get(page);
            QCOMPARE(r.headers.value("content-type"), QByteArray("text/html; charset=ISO-8859-1"));
            QCOMPARE(r.headers.value("referrer-policy"), QByteArray("same-origin"));
            QCOMPARE(r.headers.value("x-frame-options"), QByteArray("SAMEORIGIN"));
            QCOMPARE(r.headers.value("x-content-type-options"), QByteArray("nosniff"));
            QCOMPARE(r.headers.value("content-security-policy"),
                     TPHPGenerator::ContentSecurityPolicy().toLatin1());
            QCOMPARE(r.headers.value("cache-control"), QByteArray("no-store"));
        }
        TBTable open = t_;
        open.UserMode.clear();
        open.UserUpdate = false;
        QVERIFY(g_.RuntimeScript(open, false));
        QCOMPARE(host_->Get("gate/counter.php").headers.value("cache-control"), QByteArray());
        QVERIFY(g_.RuntimeScript(t_, false));

        // Files the server sends as they are get the same, and the site's
        // character set.
        QVERIFY(g_.ServerRules(t_, false) && g_.SiteScript(t_, false) && g_.EntryPages(t_, false));
        for (const char* file : {"gate/index.html", "gate/site.js"}) {
            const THttpReply r = host_->Get(file);
            QCOMPARE(r.status, 200);
            QVERIFY2(r.headers.value("content-type").endsWith("; charset=ISO-8859-1"), file);
            QCOMPARE(r.headers.value("x-content-type-options"), QByteArray("nosniff"));
            QCOMPARE(r.headers.value("content-security-policy"),
                     TPHPGenerator::ContentSecurityPolicy().toLatin1());
        }
        QCOMPARE(host_->Get("gate/.htaccess").status, 403);
    }

    void forgedRequestsDoNotPass() {
        const QByteArray token = adminLogin();
        QVERIFY(!token.isEmpty());
        const QByteArray sessions = count("SELECT COUNT(*) FROM gate_SESSIONS");
        for (const char* query :
             {"?loggedin=1", "?loggedin=1&sessionid=1", "?sessionid=1", "?sessionid=1%20OR%201%3D1",
              "?sessionid=%22%20OR%20%221%22%3D%221", "?sessionid[]=1",
              "?userid=0&loggedin=1&sessionexpired=0"}) {
            const THttpReply r = host_->Get(QStringLiteral("gate/admin/gate.php") + query);
            QVERIFY2(session(r).isEmpty(), query);
            QVERIFY2(r.body.contains("Enter Administrator Password"), query);
        }
        for (const QByteArray& forged :
             {token.toUpper(), QByteArray("1"), QByteArray("\" OR \"1\"=\"1"), token + "x",
              QByteArray(32, 'f')})
            QVERIFY2(session(host_->Get("gate/admin/gate.php", withCookie(kAdminCookie, forged)))
                         .isEmpty(),
                     forged.constData());
        QCOMPARE(count("SELECT COUNT(*) FROM gate_SESSIONS"), sessions);
    }

    // An attacker who plants his own token (a cookie set for him, or a form
    // of his) gets nothing from the victim's login: it issues a fresh one.
    void aLoginNeverAdoptsThePresentedToken() {
        const QByteArray attacker = memberLogin("eve@x.org", "eve");
        QVERIFY(!attacker.isEmpty());
        for (const auto& [headers, form] :
             QList<QPair<THttpHeaders, QList<QPair<QByteArray, QByteArray>>>>{
                 {withCookie(kMemberCookie, attacker), {}},
                 {{}, {{"sessionid", attacker}}},
             }) {
            QList<QPair<QByteArray, QByteArray>> login = {{"login_email", "o'neil@x.org"},
                                                          {"login_password", "pa\"ss\\"}};
            login += form;
            const THttpReply r = followed(
                host_->Post("gate/gate.php", login,
                            headers.isEmpty() ? headers
                                              : withForm("gate/gate.php", kMemberCookie, headers)),
                "gate/gate.php", kMemberCookie, {});
            const QByteArray victim = r.SetCookie(kMemberCookie);
            QVERIFY(!victim.isEmpty() && victim != attacker);
            QCOMPARE(session(r), victim + ":5");
            // The planted token is not the victim's session, and the one the
            // browser presented is over.
            QCOMPARE(count("SELECT userid FROM gate_SESSIONS WHERE sessionid = '" + victim + "'"),
                     QByteArray("5"));
            QVERIFY(count("SELECT COUNT(*) FROM gate_SESSIONS WHERE userid = 5 AND sessionid = '" +
                          attacker + "'") == "0");
        }
        // Credentials with another member's live token give his own session.
        const QByteArray eve = memberLogin("eve@x.org", "eve");
        const THttpReply r = followed(
            host_->Post("gate/gate.php",
                        {{"login_email", "o'neil@x.org"}, {"login_password", "pa\"ss\\"}},
                        withForm("gate/gate.php", kMemberCookie, withCookie(kMemberCookie, eve))),
            "gate/gate.php", kMemberCookie, {});
        QVERIFY(session(r).endsWith(":5"));
        QVERIFY(session(host_->Get("gate/gate.php", withCookie(kMemberCookie, eve))).isEmpty());
    }

    void idleSessionsExpireAndStayDead() {
        const QByteArray token = adminLogin();
        QVERIFY(host_->Exec("UPDATE gate_SESSIONS SET logindate = '" + ago(40 * 60) +
                            "' WHERE sessionid = '" + token + "'"));
        THttpReply r = host_->Get("gate/admin/gate.php", withCookie(kAdminCookie, token));
        QVERIFY(session(r).isEmpty());
        QVERIFY(r.body.contains("<BR>Login expired"));
        QVERIFY(r.SetCookieLine(kAdminCookie).toLower().contains("max-age=0"));
        QCOMPARE(count("SELECT COUNT(*) FROM gate_SESSIONS WHERE sessionid = '" + token + "'"),
                 QByteArray("0"));
        // The password opens a new session; the expired token stays dead.
        r = adminPost(kAdminPassword, withForm("gate/admin/gate.php", kAdminCookie,
                                               withCookie(kAdminCookie, token)));
        const QByteArray fresh = r.SetCookie(kAdminCookie);
        QVERIFY(!fresh.isEmpty() && fresh != token);
        QVERIFY(
            session(host_->Get("gate/admin/gate.php", withCookie(kAdminCookie, token))).isEmpty());

        QVERIFY(host_->Exec("UPDATE gate_SESSIONS SET logindate = '" + ago(2 * 3600) +
                            "' WHERE sessionid = '" + fresh + "'"));
        r = host_->Get("gate/admin/gate.php", withCookie(kAdminCookie, fresh));
        QVERIFY(session(r).isEmpty());
        QVERIFY(!r.body.contains("Login expired"));
        QCOMPARE(count("SELECT COUNT(*) FROM gate_SESSIONS WHERE sessionid = '" + fresh + "'"),
                 QByteArray("0"));

        // A session in use all along still ends twelve hours after its login.
        for (const int hours : {11, 13}) {
            const QByteArray busy = adminLogin();
            QVERIFY(host_->Exec("UPDATE gate_SESSIONS SET logintime = '" + ago(hours * 3600) +
                                "' WHERE sessionid = '" + busy + "'"));
            QCOMPARE(session(host_->Get("gate/admin/gate.php", withCookie(kAdminCookie, busy)))
                         .isEmpty(),
                     hours > 12);
        }
    }

    void membersLogInWithTheirOwnCredentials() {
        THttpReply r = host_->Get("gate/gate.php");
        QVERIFY(r.body.contains("<H3>Enter your ID and password</H3>"));
        QVERIFY(session(r).isEmpty());
        const QByteArray s = memberLogin("o'neil@x.org", "pa\"ss\\");
        QVERIFY(!s.isEmpty());
        QCOMPARE(session(host_->Get("gate/gate.php", withCookie(kMemberCookie, s))), s + ":5");

        r = host_->Post("gate/gate.php",
                        {{"login_email", "o'neil@x.org"}, {"login_password", "x"}});
        QVERIFY(r.body.contains("<BR>Wrong Password or ID"));
        // An unknown member reads the same.
        r = host_->Post("gate/gate.php",
                        {{"login_email", "nobody@x.org"}, {"login_password", "x"}});
        QVERIFY(r.body.contains("<BR>Wrong Password or ID"));
        for (const QByteArray& forged :
             {QByteArray("x\" OR \"1\"=\"1"), QByteArray("x' OR '1'='1"), QByteArray("\\")}) {
            r = host_->Post("gate/gate.php", {{"login_email", forged}, {"login_password", forged}});
            QVERIFY2(session(r).isEmpty(), forged.constData());
            QVERIFY(r.body.contains("Wrong Password or ID"));
        }
        QVERIFY(
            session(host_->Post("gate/gate.php", {{"login_email[]", "a"}, {"login_password", "b"}}))
                .isEmpty());

        // A member's session does not open an administrator page, and ends.
        QVERIFY(session(host_->Get("gate/admin/gate.php", withCookie(kAdminCookie, s))).isEmpty());
        QVERIFY(session(host_->Get("gate/gate.php", withCookie(kMemberCookie, s))).isEmpty());
    }

    void aRemovedMemberHasNoSession() {
        QVERIFY(host_->Exec("INSERT INTO gate_USERS(userid, username, userpassword) "
                            "VALUES(7, 'gone@x.org', 'g')"));
        const QByteArray s = memberLogin("gone@x.org", "g");
        QVERIFY(!s.isEmpty());
        QVERIFY(host_->Exec("DELETE FROM gate_USERS WHERE userid = 7"));
        const THttpReply r = host_->Get("gate/gate.php", withCookie(kMemberCookie, s));
        QVERIFY(session(r).isEmpty());
        QCOMPARE(count("SELECT COUNT(*) FROM gate_SESSIONS WHERE sessionid = '" + s + "'"),
                 QByteArray("0"));
    }

    // Forms sent by another site's page: refused before the page acts,
    // whether the browser names the sender in Sec-Fetch-Site or in Origin.
    void formsOfOtherSitesAreRefused() {
        const QByteArray token = adminLogin();
        const QByteArray host = QUrl(host_->Url()).authority().toLatin1();
        const QList<THttpHeaders> foreign = {
            {{"Sec-Fetch-Site", "cross-site"}},
            {{"Sec-Fetch-Site", "same-site"}},
            {{"Origin", "http://evil.example"}},
            {{"Origin", "null"}},
            {{"Origin", "http://" + host + ".evil.example"}},
        };
        for (const THttpHeaders& h : foreign) {
            THttpReply r = host_->Post("gate/admin/gate.php", {{"admin_password", kAdminPassword}},
                                       withCookie(kAdminCookie, token, h));
            QCOMPARE(r.status, 403);
            QVERIFY(r.body.contains("sent from another site"));
            QVERIFY(session(r).isEmpty());
            QVERIFY(r.SetCookie(kAdminCookie).isNull());
        }
        // The site's own pages, and a program without a browser's headers,
        // with the token of the form session; without it (a browser that
        // names no sender, a form of another site) refused.
        for (const THttpHeaders& h : QList<THttpHeaders>{{{"Sec-Fetch-Site", "same-origin"}},
                                                         {{"Origin", "http://" + host}},
                                                         {{"Sec-Fetch-Site", "none"}},
                                                         {}}) {
            const THttpHeaders own =
                withForm("gate/admin/gate.php", kAdminCookie, withCookie(kAdminCookie, token, h));
            QCOMPARE(session(host_->Post("gate/admin/gate.php", {{"x", "1"}}, own)), token + ":0");
            THttpHeaders stale = own;
            stale.removeIf([](const auto& header) { return header.first == "X-Corvanta-Form"; });
            for (const auto& form : QList<QList<QPair<QByteArray, QByteArray>>>{
                     {{"x", "1"}}, {{"corvanta_form", QByteArray(32, '0')}}}) {
                const THttpReply r = host_->Post("gate/admin/gate.php", form, stale);
                QCOMPARE(r.status, 403);
                QVERIFY(r.body.contains("no longer valid"));
            }
        }
        // A program without any cookie of the site acts for nobody.
        QVERIFY(
            host_->Post("gate/admin/gate.php", {{"x", "1"}}).body.contains("Enter Administrator"));
        // Reading a page is no change: a link from elsewhere still opens it.
        QCOMPARE(session(host_->Get(
                     "gate/admin/gate.php",
                     withCookie(kAdminCookie, token, {{"Sec-Fetch-Site", "cross-site"}}))),
                 token + ":0");
    }

    // Guessing waits: a few tries, then a wait that grows; the right
    // password is refused too while the account waits. A wait is measured
    // from the last try that counted; the test dates that a day ahead where
    // the speed of the machine would decide.
    void guessingWaitsPerAccountAndPerClient() {
        const auto justTried = [&](const QByteArray& key) {
            QVERIFY(host_->Exec(
                "UPDATE gate_LOGINS SET lasttry = UNIX_TIMESTAMP() + 86400 WHERE trykey = '" + key +
                "'"));
        };
        int refused = 0;
        for (int i = 0; i < 300; ++i)
            refused += adminPost("guess" + QByteArray::number(i)).body.contains("Too many tries");
        QVERIFY2(refused >= 250, QByteArray::number(refused).constData());
        // Only the guesses let through counted: the waits grew from there.
        const QByteArray tries =
            count("SELECT tries FROM gate_LOGINS WHERE trykey = 'administrator:127.0.0.1'");
        QVERIFY2(tries.toInt() >= 5 && tries.toInt() < 20, tries.constData());
        justTried("administrator:127.0.0.1");
        THttpReply r = adminPost(kAdminPassword);
        QVERIFY(r.body.contains("<BR>Too many tries"));
        QVERIFY(r.SetCookie(kAdminCookie).isNull());
        // The count lives in the database: a web server of its own changes
        // nothing. Once the wait is over the right password passes and the
        // account starts afresh.
        QVERIFY(host_->Exec("UPDATE gate_LOGINS SET lasttry = UNIX_TIMESTAMP() - 3000"));
        QVERIFY(!adminLogin().isEmpty());
        QCOMPARE(count("SELECT tries FROM gate_LOGINS WHERE trykey = 'administrator:127.0.0.1'"),
                 QByteArray("0"));

        // Guesses from addresses that change make nobody wait but the
        // guesser: the administrator at his own address logs in.
        for (int i = 0; i < 80; ++i)
            adminPost("guess", {{"X-Forwarded-For", "10.1." + QByteArray::number(i % 8) + ".1"}});
        QVERIFY(host_->Exec("UPDATE gate_LOGINS SET lasttry = UNIX_TIMESTAMP() + 86400"));
        QVERIFY(adminPost(kAdminPassword, {{"X-Forwarded-For", "10.1.0.1"}})
                    .body.contains("Too many tries"));
        QVERIFY(!session(adminPost(kAdminPassword, {{"X-Forwarded-For", "10.1.9.1"}})).isEmpty());

        // Per account, whatever the client: five wrong passwords from five
        // addresses make the next wait, also with the right one.
        for (int i = 0; i < 5; ++i)
            r = host_->Post("gate/gate.php",
                            {{"login_email", "eve@x.org"}, {"login_password", "wrong"}},
                            {{"X-Forwarded-For", "10.0.0." + QByteArray::number(i + 1)}});
        QVERIFY(r.body.contains("Wrong Password or ID"));
        justTried("account:eve@x.org");
        r = host_->Post("gate/gate.php", {{"login_email", "eve@x.org"}, {"login_password", "eve"}},
                        {{"X-Forwarded-For", "10.0.1.1"}});
        QVERIFY(r.body.contains("Too many tries"));
        QVERIFY(r.SetCookie(kMemberCookie).isNull());
        // Per client, whatever the account: one address trying many names.
        clearTries();
        for (int i = 0; i < 10; ++i)
            r = host_->Post(
                "gate/gate.php",
                {{"login_email", "n" + QByteArray::number(i) + "@x.org"}, {"login_password", "x"}},
                {{"X-Forwarded-For", "10.0.2.1"}});
        QVERIFY(r.body.contains("Wrong Password or ID"));
        justTried("client:10.0.2.1");
        QVERIFY(memberLogin("eve@x.org", "eve", {{"X-Forwarded-For", "10.0.2.1"}}).isEmpty());
        // What the visitor wrote before the proxy's own entry is his word only.
        QVERIFY(
            memberLogin("eve@x.org", "eve", {{"X-Forwarded-For", "10.0.2.2, 10.0.2.1"}}).isEmpty());
        QVERIFY(!memberLogin("eve@x.org", "eve", {{"X-Forwarded-For", "10.0.2.2"}}).isEmpty());

        // From anywhere but the owner's proxies the header counts for
        // nothing: a guesser who changes it is still one client.
        t_.TrustedProxies = QStringLiteral("10.255.0.0/16");
        QVERIFY(g_.RuntimeScript(t_, false));
        clearTries();
        for (int i = 0; i < 10; ++i)
            host_->Post(
                "gate/gate.php",
                {{"login_email", "m" + QByteArray::number(i) + "@x.org"}, {"login_password", "x"}},
                {{"X-Forwarded-For", "10.0.3." + QByteArray::number(i)}});
        justTried("client:127.0.0.1");
        r = host_->Post("gate/gate.php", {{"login_email", "eve@x.org"}, {"login_password", "eve"}},
                        {{"X-Forwarded-For", "10.0.3.99"}});
        t_.TrustedProxies = QStringLiteral("127.0.0.1");
        QVERIFY(g_.RuntimeScript(t_, false));
        QVERIFY(r.body.contains("Too many tries"));
        QCOMPARE(count("SELECT COUNT(*) FROM gate_LOGINS WHERE trykey LIKE 'client:10.0.3.%'"),
                 QByteArray("0"));

        // A tries table that cannot count refuses the login, and says why.
        clearTries();
        QVERIFY(host_->Exec("RENAME TABLE gate_LOGINS TO gate_LOGINS_KEPT"));
        QVERIFY(host_->Exec("CREATE VIEW gate_LOGINS AS SELECT 'x' AS trykey"));
        r = adminPost(kAdminPassword);
        QVERIFY(host_->Exec("DROP VIEW gate_LOGINS"));
        QVERIFY(host_->Exec("RENAME TABLE gate_LOGINS_KEPT TO gate_LOGINS"));
        QVERIFY2(r.body.contains("<BR>Your try cannot be counted now") &&
                     !r.body.contains("Too many tries"),
                 r.body.constData());
        QVERIFY(!adminLogin().isEmpty());
    }

    void visitCounterShowsTheCountWithItsOffset() {
        QVERIFY(host_->Exec("INSERT INTO gate_VISITS(dummy) VALUES(41)"));
        const QByteArray page = host_->Get("gate/counter.php").body;
        QVERIFY2(
            page.contains("<TABLE CLASS=\"counter\" BORDER=\"0\" ALIGN=\"\" BGCOLOR=\"#996633\">"),
            page.constData());
        QVERIFY(page.contains("Visits \"so far\": "));
        QVERIFY(page.contains("\n141</FONT>"));
        // Printed into the page, the setting is text there.
        QVERIFY(page.contains("[Subject &quot;q&quot; \\ $x {$y}]"));
    }
};

QTEST_MAIN(TestLoginGate)
#include "TestLoginGate.moc"
