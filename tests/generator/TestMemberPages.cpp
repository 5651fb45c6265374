// The member list of the administrator and the password pages of both sites
// on the local web host: every action with its messages, what each leaves in
// the tables, and requests that try to reach more than they may.
#include "GeneratorFixtures.h"
#include "PublishedSite.h"
#include "common/WebHost.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

using TForm = QList<QPair<QByteArray, QByteArray>>;

// The names of the member list, in page order, each with its row class.
QStringList listedMembers(const QByteArray& page) {
    QStringList rows;
    static const QRegularExpression row(
        QStringLiteral("<TR CLASS=\"(users_odd|users_even)\">\n        <TD "
                       "CLASS=\"users_username\">([^<]*)</TD>"));
    for (const QRegularExpressionMatch& m : row.globalMatch(QString::fromLatin1(page)))
        rows += m.captured(1) + u' ' + m.captured(2);
    return rows;
}

} // namespace

class TestMemberPages : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;
    TPHPGenerator g_;
    TBTable t_;
    QByteArray admin_; // the administrator's session

    QByteArray value(const QString& sql) { return host_->Query(sql).value(0).value(0); }
    QByteArray members() { return value("SELECT COUNT(*) FROM mem_USERS"); }
    QByteArray idOf(const QByteArray& name) {
        return value("SELECT userid FROM mem_USERS WHERE BINARY username = '" + name + "'");
    }

    // The session's cookie with its form session and token, as the pages
    // the browser posts from give them.
    THttpHeaders adminCookie() const {
        const QByteArray cookie = TPHPGenerator::SessionCookie(t_, true).toLatin1();
        return WithForm(*host_, "mem/admin/users.php", cookie, SessionCookie(cookie, admin_));
    }
    THttpHeaders memberCookie(const QByteArray& token) const {
        const QByteArray cookie = TPHPGenerator::SessionCookie(t_, false).toLatin1();
        return WithForm(*host_, "mem/change_password.php", cookie, SessionCookie(cookie, token));
    }
    QByteArray memberLogin(const QByteArray& email, const QByteArray& password) {
        return LoginSession(
            host_->Post("mem/login.php", {{"login_email", email}, {"login_password", password}}),
            TPHPGenerator::SessionCookie(t_, false).toLatin1());
    }

    QByteArray users(const TForm& form) {
        return host_->Post("mem/admin/users.php", form, adminCookie()).body;
    }
    QByteArray create(const QByteArray& name, const QByteArray& password, const QByteArray& again) {
        return users({{"job", "usercreateaction"},
                      {"username", name},
                      {"userpassword", password},
                      {"userrepassword", again}});
    }
    QByteArray search(const QByteArray& text) {
        return users({{"job", "usersearchaction"}, {"username", text}});
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        t_ = MakeProject("mem", {MakeField("title", FieldTypes::Text)});
        t_.UserMode = QStringLiteral("Login");
        t_.UserUpdate = t_.AllowChangePassword = true;
        t_.PasswordEmailSubject = QStringLiteral("Password");
        t_.PasswordEmailSender = QStringLiteral("admin@example.org");
        t_.PasswordEmailBody = QStringLiteral("Here it is:");
        const QString error = PublishSite(*host_, g_, t_, "mem", true);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        admin_ = LoginSession(host_->Post("mem/admin/login.php", {{"admin_password", "secret"}}),
                              TPHPGenerator::SessionCookie(t_, true).toLatin1());
        QVERIFY(!admin_.isEmpty());
        host_->ClearPhpErrors();
    }

    void cleanupTestCase() {
        if (host_ && host_->Running())
            QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void creatingRefusesEmptyDifferentAndTakenNames() {
        QByteArray page = users({});
        QVERIFY(page.contains("<H3>Add user</H3>"));
        QVERIFY(!page.contains("sessionid"));
        QVERIFY(create("ann@example.org", "pw1", "pw1")
                    .contains("The user has been created successfully."));
        QCOMPARE(members(), QByteArray("1"));

        QVERIFY(create("", "pw", "pw").contains("Username must be filled."));
        QVERIFY(create("bob@example.org", "pw", "pW")
                    .contains("The new password and the repeated new password are different"));
        // Numeric texts that PHP would call equal are still different passwords.
        QVERIFY(create("bob@example.org", "1e3", "1000").contains("are different"));
        QVERIFY(create("ann@example.org", "x", "x").contains("User already exists"));
        QVERIFY(create("ANN@example.org", "x", "x").contains("User already exists"));
        QVERIFY(create("x\" OR \"1\"=\"1", "x", "x")
                    .contains("The user has been created successfully."));
        QCOMPARE(idOf("x\" OR \"1\"=\"1").isEmpty(), false);
        QCOMPARE(members(), QByteArray("2"));
        QCOMPARE(
            value("SELECT userpassword FROM mem_USERS WHERE userid = " + idOf("ann@example.org")),
            QByteArray("pw1"));
    }

    void searchListsNamesContainingTheText() {
        for (const char* name :
             {"joanna@example.org", "bob@example.org", "<script>alert(1)</script>"})
            QVERIFY(create(name, "pw", "pw").contains("The user has been created successfully."));
        QCOMPARE(listedMembers(search("")),
                 (QStringList{"users_odd &lt;script&gt;alert(1)&lt;/script&gt;",
                              "users_even ann@example.org", "users_odd bob@example.org",
                              "users_even joanna@example.org",
                              "users_odd x&quot; OR &quot;1&quot;=&quot;1"}));
        QVERIFY(!search("").contains("<script>"));
        QCOMPARE(listedMembers(search("ann")),
                 (QStringList{"users_odd ann@example.org", "users_even joanna@example.org"}));
        QVERIFY(listedMembers(search("\" OR \"\"=\"")).isEmpty());
        QVERIFY(listedMembers(search("nobody")).isEmpty());

        // Each row's forms name the member.
        const QByteArray ann = idOf("ann@example.org");
        const QByteArray page = search("ann");
        for (const QByteArray& form :
             {QByteArray("ModifyUser"), QByteArray("DeleteUser"), QByteArray("SendUserPassword")})
            QVERIFY2(page.contains("<FORM NAME=\"" + form + ann + "\" METHOD=\"POST\""),
                     form.constData());
        QVERIFY(QRegularExpression(QStringLiteral("ACTION=\"change_password.php\"><INPUT "
                                                  "TYPE=\"hidden\" NAME=\"corvanta_form\" "
                                                  "VALUE=\"[0-9a-f]{32}\">\n            <INPUT "
                                                  "TYPE=\"hidden\" NAME=\"userid\" VALUE=\"") +
                                   QString::fromLatin1(ann) + QStringLiteral("\">"))
                    .match(QString::fromLatin1(page))
                    .hasMatch());
    }

    void deletingKeepsRecordsAndEndsSessions() {
        QVERIFY(create("carl@example.org", "pw", "pw")
                    .contains("The user has been created successfully."));
        const QByteArray carl = idOf("carl@example.org");
        QVERIFY(host_->Exec("INSERT INTO mem(title, userid) VALUES('his', " + carl + ")"));
        QVERIFY(host_->Exec("INSERT INTO mem_SESSIONS VALUES('" + QByteArray(32, 'c') + "', " +
                            carl + ", '" + SessionDate(0) + "', '" + SessionDate(0) + "')"));
        const QByteArray before = members();
        // Not a number: nobody.
        QVERIFY(users({{"job", "userdeleteaction"}, {"userid", "0 OR 1=1"}})
                    .contains("The user has been deleted."));
        QCOMPARE(members(), before);
        QVERIFY(users({{"job", "userdeleteaction"}, {"userid", carl}})
                    .contains("The user has been deleted."));
        QCOMPARE(members().toInt(), before.toInt() - 1);
        QVERIFY(idOf("carl@example.org").isEmpty());
        QCOMPARE(value("SELECT COUNT(*) FROM mem WHERE userid = " + carl), QByteArray("1"));
        QCOMPARE(value("SELECT COUNT(*) FROM mem_SESSIONS WHERE userid = " + carl),
                 QByteArray("0"));
        // The administrator's own session goes on.
        QVERIFY(users({}).contains("<H3>Add user</H3>"));
    }

    void sendingMailsTheMemberHisPassword() {
        host_->ClearMails();
        QVERIFY(users({{"job", "usersendpassword"}, {"userid", idOf("ann@example.org")}})
                    .contains("<BR>Password has been sent.<BR>"));
        const QList<QByteArray> mails = host_->Mails();
        QCOMPARE(mails.size(), 1);
        QVERIFY(mails.first().contains("To: ann@example.org"));
        QVERIFY(mails.first().contains("Subject: Password"));
        QVERIFY(mails.first().contains("From: admin@example.org"));
        QVERIFY(mails.first().contains("Here it is:\n\nYour e-mail address: ann@example.org\n"
                                       "Your password: pw1\n"));
        for (const QByteArray& forged : {QByteArray("0\" OR \"1\"=\"1"), QByteArray("0 OR 1=1")})
            QVERIFY(!users({{"job", "usersendpassword"}, {"userid", forged}}).contains("sent"));
        QCOMPARE(host_->Mails().size(), 1);
    }

    void administratorSetsAMembersPassword() {
        const QByteArray id = idOf("x\" OR \"1\"=\"1");
        QVERIFY(host_->Exec("INSERT INTO mem_SESSIONS VALUES('" + QByteArray(32, 'd') + "', " + id +
                            ", '" + SessionDate(0) + "', '" + SessionDate(0) + "')"));
        const auto post = [&](const TForm& form) {
            return host_->Post("mem/admin/change_password.php", form, adminCookie());
        };
        THttpReply r = post({});
        QVERIFY(r.body.contains("<BODY CLASS=\"changepassword\">"));
        QVERIFY(!r.body.contains("<H3>Change password</H3>"));
        QVERIFY(!r.body.contains("User not found"));
        r = post({{"job", "usermodifyaction"}, {"userid", "999"}});
        QVERIFY(r.body.contains("User not found"));

        r = post({{"job", "usermodifyaction"}, {"userid", id}});
        QVERIFY(r.body.contains("<H3>Change password</H3>"));
        QVERIFY(r.body.contains("<TD CLASS=\"change_password_email_value\">x&quot; OR "
                                "&quot;1&quot;=&quot;1</TD>"));
        QVERIFY(r.body.contains("NAME=\"username\" VALUE=\"x&quot; OR &quot;1&quot;=&quot;1\">"));
        QVERIFY(r.body.contains("NAME=\"oldpassword\" VALUE=\"x\">"));
        QVERIFY(!r.body.contains("NAME=\"oldpassword\">"));

        r = post({{"job", "changepasswordaction"},
                  {"username", "x\" OR \"1\"=\"1"},
                  {"oldpassword", "x"},
                  {"newpassword", "n'ew\""},
                  {"repassword", "n'ew\""}});
        QVERIFY2(r.body.contains("The password has been changed successfully"), r.body.constData());
        QCOMPARE(value("SELECT userpassword FROM mem_USERS WHERE userid = " + id),
                 QByteArray("n'ew\""));
        // Only that member: the others keep theirs. His sessions end.
        QCOMPARE(value("SELECT COUNT(*) FROM mem_USERS WHERE userpassword = 'pw'"),
                 QByteArray("3"));
        QCOMPARE(value("SELECT COUNT(*) FROM mem_SESSIONS WHERE userid = " + id), QByteArray("0"));
        QVERIFY(!r.body.contains("<H3>Change password</H3>"));
    }

    void memberChangesHisOwnPassword() {
        THttpReply r = host_->Get("mem/change_password.php");
        QVERIFY(r.body.contains("Enter your ID and password"));
        QVERIFY(!r.body.contains("<H3>Change password</H3>"));
        const QByteArray s = memberLogin("bob@example.org", "pw");
        const QByteArray other = memberLogin("bob@example.org", "pw");
        QVERIFY(!s.isEmpty() && !other.isEmpty());
        r = host_->Post("mem/change_password.php", {}, memberCookie(s));
        QVERIFY(r.body.contains("<H3>Change password</H3>"));
        QVERIFY(
            r.body.contains("<INPUT TYPE=\"password\" NAME=\"oldpassword\" ID=\"u_oldpassword\">"));
        QVERIFY(!r.body.contains("sessionid"));

        const auto change = [&](const QByteArray& name, const QByteArray& old,
                                const QByteArray& fresh, const QByteArray& again) {
            return host_
                ->Post("mem/change_password.php",
                       {{"job", "changepasswordaction"},
                        {"username", name},
                        {"oldpassword", old},
                        {"newpassword", fresh},
                        {"repassword", again}},
                       memberCookie(s))
                .body;
        };
        QVERIFY(change("bob@example.org", "pw", "a", "b").contains("are different"));
        // A wrong password and an unknown member read alike.
        for (const auto& [name, old] :
             QList<QPair<QByteArray, QByteArray>>{{"bob@example.org", "PW"},
                                                  {"bob@example.org", "pw\" OR \"1\"=\"1"},
                                                  {"nobody@example.org", "pw"},
                                                  {"\" OR \"\"=\"", "pw"}}) {
            const QByteArray page = change(name, old, "a", "a");
            QVERIFY2(page.contains("Wrong Password or ID"), name.constData());
            QVERIFY(!page.contains("User not found") && !page.contains("Password is not correct"));
        }
        QCOMPARE(
            value("SELECT userpassword FROM mem_USERS WHERE userid = " + idOf("bob@example.org")),
            QByteArray("pw"));
        r.body = change("bob@example.org", "pw", "Bob's \"new\"", "Bob's \"new\"");
        QVERIFY(r.body.contains("The password has been changed successfully"));
        QVERIFY(r.body.contains("<H3>Change password</H3>"));
        QVERIFY(!memberLogin("bob@example.org", "Bob's \"new\"").isEmpty());
        // The session that changed it goes on; his other one is over.
        QVERIFY(host_->Post("mem/change_password.php", {}, memberCookie(s))
                    .body.contains("<H3>Change password</H3>"));
        QVERIFY(host_->Post("mem/change_password.php", {}, memberCookie(other))
                    .body.contains("Enter your ID and password"));

        // Guessing an old password waits as a login does (the last guess
        // dated a day ahead, so no machine is slow enough to outlast the wait).
        QVERIFY(host_->Exec("DELETE FROM mem_LOGINS"));
        for (int i = 0; i < 5; ++i)
            QVERIFY(change("ann@example.org", "guess" + QByteArray::number(i), "a", "a")
                        .contains("Wrong Password or ID"));
        QVERIFY(host_->Exec("UPDATE mem_LOGINS SET lasttry = UNIX_TIMESTAMP() + 86400"));
        QVERIFY(change("ann@example.org", "pw1", "a", "a").contains("Too many tries"));
        QCOMPARE(value("SELECT userpassword FROM mem_USERS WHERE username = 'ann@example.org'"),
                 QByteArray("pw1"));
        QVERIFY(host_->Exec("DELETE FROM mem_LOGINS"));
    }

    void nobodyElseReachesTheMemberList() {
        const QByteArray before = members();
        const QByteArray member = memberLogin("ann@example.org", "pw1");
        QVERIFY(!member.isEmpty());
        const QByteArray adminCookieName = TPHPGenerator::SessionCookie(t_, true).toLatin1();
        for (const QByteArray& session :
             {QByteArray(), QByteArray("1"), QByteArray(32, '0'), member}) {
            // With the form token, so the session check itself is what refuses.
            const THttpHeaders headers = WithForm(*host_, "mem/admin/users.php", adminCookieName,
                                                  SessionCookie(adminCookieName, session));
            const TForm form = {{"sessionid", session},
                                {"job", "usercreateaction"},
                                {"username", "eve@example.org"},
                                {"userpassword", "e"},
                                {"userrepassword", "e"}};
            const QByteArray page =
                host_->Post("mem/admin/users.php?loggedin=1", form, headers).body;
            QVERIFY(page.contains("Enter Administrator Password"));
            QVERIFY(!page.contains("The user has been created successfully."));
            QVERIFY(
                !host_
                     ->Post("mem/admin/users.php",
                            {{"sessionid", session}, {"job", "usersearchaction"}, {"username", ""}},
                            headers)
                     .body.contains("users_username"));
        }
        QCOMPARE(members(), before);
    }
};

QTEST_MAIN(TestMemberPages)
#include "TestMemberPages.moc"
