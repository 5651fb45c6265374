// The page head's login gate and the session check on the local web host:
// who gets in, with what session, and what a forged request gets.
#include "GeneratorFixtures.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QByteArray kAdminPassword = "p\"w\\$x{$y}";

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
            g_.WriteLine(u"</BODY></HTML>");
        }));
    }

    QByteArray adminLogin() {
        return session(host_->Post("gate/admin/gate.php", {{"admin_password", kAdminPassword}}));
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
        t_.UserUpdate = true;
        t_.UserMode = QStringLiteral("Login");
        t_.AdminPassword = QString::fromLatin1(kAdminPassword);
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
        host_->ClearPhpErrors();
    }

    void cleanupTestCase() {
        if (host_ && host_->Running())
            QCOMPARE(host_->PhpErrors(), QByteArray());
    }

    void theAdministratorPasswordOpensASession() {
        THttpReply r = host_->Get("gate/admin/gate.php");
        QVERIFY(r.body.contains("<H3>Enter Administrator Password</H3>"));
        QVERIFY(session(r).isEmpty());
        r = host_->Post("gate/admin/gate.php", {{"admin_password", "p\"w\\$x{$y"}});
        QVERIFY(r.body.contains("<BR>Password is not correct"));
        QVERIFY(session(r).isEmpty());

        const QByteArray s = adminLogin();
        QVERIFY2(s.endsWith(":0"), r.body.constData());
        const QByteArray token = s.left(32);
        QCOMPARE(session(host_->Get("gate/admin/gate.php?sessionid=" + token)), s);
        QCOMPARE(session(host_->Post("gate/admin/gate.php", {{"sessionid", token}})), s);
        QCOMPARE(count("SELECT userid FROM gate_SESSIONS WHERE sessionid = '" + token + "'"),
                 QByteArray("0"));
    }

    void forgedRequestsDoNotPass() {
        const QByteArray token = adminLogin().left(32);
        const QByteArray sessions = count("SELECT COUNT(*) FROM gate_SESSIONS");
        for (const char* query :
             {"?loggedin=1", "?loggedin=1&sessionid=1", "?sessionid=1", "?sessionid=1%20OR%201%3D1",
              "?sessionid=%22%20OR%20%221%22%3D%221", "?sessionid[]=1",
              "?userid=0&loggedin=1&sessionexpired=0"}) {
            const THttpReply r = host_->Get(QStringLiteral("gate/admin/gate.php") + query);
            QVERIFY2(session(r).isEmpty(), query);
            QVERIFY2(r.body.contains("Enter Administrator Password"), query);
        }
        QVERIFY(session(host_->Post("gate/admin/gate.php", {{"sessionid[]", token}})).isEmpty());
        QVERIFY(session(host_->Get("gate/admin/gate.php?sessionid=" + token.toUpper())).isEmpty());
        QCOMPARE(count("SELECT COUNT(*) FROM gate_SESSIONS"), sessions);
    }

    void idleSessionsExpireAndAreRemoved() {
        const QByteArray token = adminLogin().left(32);
        QVERIFY(host_->Exec("UPDATE gate_SESSIONS SET logindate = '" + ago(40 * 60) +
                            "' WHERE sessionid = '" + token + "'"));
        THttpReply r = host_->Get("gate/admin/gate.php?sessionid=" + token);
        QVERIFY(session(r).isEmpty());
        QVERIFY(r.body.contains("<BR>Login expired"));
        // The password renews the expired session instead of opening another.
        r = host_->Post("gate/admin/gate.php",
                        {{"sessionid", token}, {"admin_password", kAdminPassword}});
        QCOMPARE(session(r), token + ":0");
        QVERIFY(host_->Exec("UPDATE gate_SESSIONS SET logindate = '" + ago(2 * 3600) +
                            "' WHERE sessionid = '" + token + "'"));
        r = host_->Get("gate/admin/gate.php?sessionid=" + token);
        QVERIFY(session(r).isEmpty());
        QVERIFY(!r.body.contains("Login expired"));
        QCOMPARE(count("SELECT COUNT(*) FROM gate_SESSIONS WHERE sessionid = '" + token + "'"),
                 QByteArray("0"));
    }

    void membersLogInWithTheirOwnCredentials() {
        QVERIFY(host_->Exec("INSERT INTO gate_USERS(userid, username, userpassword) "
                            "VALUES(5, 'o''neil@x.org', 'pa\"ss\\\\')"));
        THttpReply r = host_->Get("gate/gate.php");
        QVERIFY(r.body.contains("<H3>Enter your ID and password</H3>"));
        QVERIFY(session(r).isEmpty());
        const QByteArray s = session(host_->Post(
            "gate/gate.php", {{"login_email", "o'neil@x.org"}, {"login_password", "pa\"ss\\"}}));
        QVERIFY(s.endsWith(":5"));
        QCOMPARE(session(host_->Get("gate/gate.php?sessionid=" + s.left(32))), s);

        r = host_->Post("gate/gate.php",
                        {{"login_email", "o'neil@x.org"}, {"login_password", "x"}});
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
        QVERIFY(session(host_->Get("gate/admin/gate.php?sessionid=" + s.left(32))).isEmpty());
        QVERIFY(session(host_->Get("gate/gate.php?sessionid=" + s.left(32))).isEmpty());
    }

    void visitCounterShowsTheCountWithItsOffset() {
        QVERIFY(host_->Exec("INSERT INTO gate_VISITS(dummy) VALUES(41)"));
        const QByteArray page = host_->Get("gate/counter.php").body;
        QVERIFY2(
            page.contains("<TABLE CLASS=\"counter\" BORDER=\"0\" ALIGN=\"\" BGCOLOR=\"#996633\">"),
            page.constData());
        QVERIFY(page.contains("Visits \"so far\": "));
        QVERIFY(page.contains("\n141</FONT>"));
        QVERIFY(page.contains("[Subject \"q\" \\ $x {$y}]"));
    }
};

QTEST_MAIN(TestLoginGate)
#include "TestLoginGate.moc"
