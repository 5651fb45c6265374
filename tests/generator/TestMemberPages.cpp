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

    QByteArray users(TForm form) {
        form.append({"sessionid", admin_});
        return host_->Post("mem/admin/users.php", form).body;
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
        admin_ = FramesetSession(
            host_->Post("mem/admin/login.php", {{"admin_password", "secret"}}).body);
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
        QVERIFY(
            page.contains("<INPUT TYPE=\"hidden\" NAME=\"sessionid\" VALUE=\"" + admin_ + "\">"));
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

        // Each row's forms name the member and carry the session.
        const QByteArray ann = idOf("ann@example.org");
        const QByteArray page = search("ann");
        for (const QByteArray& form :
             {QByteArray("ModifyUser"), QByteArray("DeleteUser"), QByteArray("SendUserPassword")})
            QVERIFY2(page.contains("<FORM NAME=\"" + form + ann + "\" METHOD=\"POST\""),
                     form.constData());
        QVERIFY(page.contains("ACTION=\"change_password.php\">\n            <INPUT TYPE=\"hidden\" "
                              "NAME=\"userid\" VALUE=\"" +
                              ann + "\">"));
    }

    void deletingKeepsRecordsAndSessions() {
        QVERIFY(create("carl@example.org", "pw", "pw")
                    .contains("The user has been created successfully."));
        const QByteArray carl = idOf("carl@example.org");
        QVERIFY(host_->Exec("INSERT INTO mem(title, userid) VALUES('his', " + carl + ")"));
        QVERIFY(host_->Exec("INSERT INTO mem_SESSIONS VALUES('" + QByteArray(32, 'c') + "', " +
                            carl + ", '" + SessionDate(0) + "')"));
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
                 QByteArray("1"));
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
        THttpReply r = host_->Post("mem/admin/change_password.php", {{"sessionid", admin_}});
        QVERIFY(r.body.contains("<BODY CLASS=\"changepassword\">"));
        QVERIFY(!r.body.contains("<H3>Change password</H3>"));
        QVERIFY(!r.body.contains("User not found"));
        r = host_->Post("mem/admin/change_password.php",
                        {{"sessionid", admin_}, {"job", "usermodifyaction"}, {"userid", "999"}});
        QVERIFY(r.body.contains("User not found"));

        r = host_->Post("mem/admin/change_password.php",
                        {{"sessionid", admin_}, {"job", "usermodifyaction"}, {"userid", id}});
        QVERIFY(r.body.contains("<H3>Change password</H3>"));
        QVERIFY(r.body.contains("<TD CLASS=\"change_password_email_value\">x&quot; OR "
                                "&quot;1&quot;=&quot;1</TD>"));
        QVERIFY(r.body.contains("NAME=\"username\" VALUE=\"x&quot; OR &quot;1&quot;=&quot;1\">"));
        QVERIFY(r.body.contains("NAME=\"oldpassword\" VALUE=\"x\">"));
        QVERIFY(!r.body.contains("NAME=\"oldpassword\">"));

        const TForm change = {{"sessionid", admin_},
                              {"job", "changepasswordaction"},
                              {"username", "x\" OR \"1\"=\"1"},
                              {"oldpassword", "x"},
                              {"newpassword", "n'ew\""},
                              {"repassword", "n'ew\""}};
        r = host_->Post("mem/admin/change_password.php", change);
        QVERIFY2(r.body.contains("The password has been changed successfully"), r.body.constData());
        QCOMPARE(value("SELECT userpassword FROM mem_USERS WHERE userid = " + id),
                 QByteArray("n'ew\""));
        // Only that member: the others keep theirs.
        QCOMPARE(value("SELECT COUNT(*) FROM mem_USERS WHERE userpassword = 'pw'"),
                 QByteArray("3"));
        QVERIFY(!r.body.contains("<H3>Change password</H3>"));
    }

    void memberChangesHisOwnPassword() {
        THttpReply r = host_->Get("mem/change_password.php");
        QVERIFY(r.body.contains("Enter your ID and password"));
        QVERIFY(!r.body.contains("<H3>Change password</H3>"));
        const QByteArray s =
            FramesetSession(host_
                                ->Post("mem/login.php", {{"login_email", "bob@example.org"},
                                                         {"login_password", "pw"}})
                                .body);
        QVERIFY(!s.isEmpty());
        r = host_->Post("mem/change_password.php", {{"sessionid", s}});
        QVERIFY(r.body.contains("<H3>Change password</H3>"));
        QVERIFY(r.body.contains("<INPUT TYPE=\"password\" NAME=\"oldpassword\">"));
        QVERIFY(r.body.contains("NAME=\"sessionid\" VALUE=\"" + s + "\""));

        const auto change = [&](const QByteArray& name, const QByteArray& old,
                                const QByteArray& fresh, const QByteArray& again) {
            return host_
                ->Post("mem/change_password.php", {{"sessionid", s},
                                                   {"job", "changepasswordaction"},
                                                   {"username", name},
                                                   {"oldpassword", old},
                                                   {"newpassword", fresh},
                                                   {"repassword", again}})
                .body;
        };
        QVERIFY(change("bob@example.org", "pw", "a", "b").contains("are different"));
        QVERIFY(change("bob@example.org", "PW", "a", "a").contains("Password is not correct"));
        QVERIFY(change("bob@example.org", "pw\" OR \"1\"=\"1", "a", "a")
                    .contains("Password is not correct"));
        QVERIFY(change("nobody@example.org", "pw", "a", "a").contains("User not found"));
        QVERIFY(change("\" OR \"\"=\"", "pw", "a", "a").contains("User not found"));
        QCOMPARE(
            value("SELECT userpassword FROM mem_USERS WHERE userid = " + idOf("bob@example.org")),
            QByteArray("pw"));
        r.body = change("bob@example.org", "pw", "Bob's \"new\"", "Bob's \"new\"");
        QVERIFY(r.body.contains("The password has been changed successfully"));
        QVERIFY(r.body.contains("<H3>Change password</H3>"));
        QVERIFY(!FramesetSession(host_
                                     ->Post("mem/login.php", {{"login_email", "bob@example.org"},
                                                              {"login_password", "Bob's \"new\""}})
                                     .body)
                     .isEmpty());
    }

    void nobodyElseReachesTheMemberList() {
        const QByteArray before = members();
        const QByteArray member =
            FramesetSession(host_
                                ->Post("mem/login.php", {{"login_email", "ann@example.org"},
                                                         {"login_password", "pw1"}})
                                .body);
        QVERIFY(!member.isEmpty());
        for (const QByteArray& session :
             {QByteArray(), QByteArray("1"), QByteArray(32, '0'), member}) {
            const TForm form = {{"sessionid", session},
                                {"job", "usercreateaction"},
                                {"username", "eve@example.org"},
                                {"userpassword", "e"},
                                {"userrepassword", "e"}};
            const QByteArray page = host_->Post("mem/admin/users.php?loggedin=1", form).body;
            QVERIFY(page.contains("Enter Administrator Password"));
            QVERIFY(!page.contains("The user has been created successfully."));
            QVERIFY(
                !host_
                     ->Post("mem/admin/users.php",
                            {{"sessionid", session}, {"job", "usersearchaction"}, {"username", ""}})
                     .body.contains("users_username"));
        }
        QCOMPARE(members(), before);
    }
};

QTEST_MAIN(TestMemberPages)
#include "TestMemberPages.moc"
