// The record pages on the local web host, for what the browser suites do
// not reach: valid PHP in every mode, what a picture upload may be, required
// pictures and hidden required fields, orderings, the decimal symbol, the
// states of the modify and delete selections, mails without an owner.
#include "GeneratorFixtures.h"
#include "PublishedSite.h"
#include "common/TestSupport.h"
#include "common/WebHost.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kPng =
    QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000000010000000108020000"
                        "00907753de0000000c4944415408d763f8cfc0000003010100c9fe92ef"
                        "0000000049454e44ae426082");

bool writeRecordPages(TPHPGenerator& g, const TBTable& t) {
    for (const bool admin : {false, true})
        if (!g.AddPage(t, admin) || !g.ModifyPage(t, admin) || !g.DeletePage(t, admin) ||
            !g.SearchPage(t, admin))
            return false;
    return true;
}

} // namespace

class TestRecordPages : public QObject {
    Q_OBJECT

    TWebHost* host_ = nullptr;

    // A published site with its tables; `change` adjusts the definition.
    TBTable publish(const QString& name, std::vector<TBField> fields,
                    const std::function<void(TBTable&)>& change = {}) {
        TBTable t = MakeProject(name, fields);
        t.UserUpdate = t.AllowSearch = t.AllowAddModify = t.AllowDelete = true;
        if (change)
            change(t);
        TPHPGenerator g;
        const QString failed = PublishSite(*host_, g, t, name, true);
        if (!failed.isEmpty())
            qFatal("%s", qPrintable(failed));
        if (!writeRecordPages(g, t))
            qFatal("generating the record pages failed");
        return t;
    }

    QByteArray value(const QString& sql) { return host_->Query(sql).value(0).value(0); }

    // The cookie of an administrator's session, opened by the password form
    // of an administrator page.
    THttpHeaders adminSession(const TBTable& t) {
        const QByteArray cookie = TPHPGenerator::SessionCookie(t, true).toLatin1();
        const QString page = t.URL + "admin/search.php";
        return LoggedIn(*host_, page, host_->Post(page, {{"admin_password", "secret"}}), cookie);
    }

private slots:
    void initTestCase() {
        host_ = &TWebHost::Instance();
        QVERIFY2(host_->Running(), qPrintable(host_->Error()));
    }

    void scriptsAreValidPhpInEveryMode() {
        std::vector<TBField> fields;
        for (const QString& type : FieldTypes::All()) {
            TBField f = MakeField(QStringLiteral("f%1").arg(fields.size()), type, "RUKS");
            f.Name = QStringLiteral("Label \"$x\" {$y} \\ #");
            f.InputType = InputTypes::All().value(int(fields.size()));
            f.EnumValues = {QStringLiteral("a \"b\""), QStringLiteral("$c")};
            f.DateTimeFormat = QStringLiteral("MM/DD/YYYY hh:mm:ss");
            f.Hidden = fields.size() % 2;
            fields.push_back(f);
        }
        QTemporaryDir dir;
        int n = 0;
        for (const QString mode : {"", "Join", "Login"})
            for (const bool update : {false, true})
                for (const bool members : {false, true})
                    for (const bool allow : {false, true}) {
                        TBTable t = MakeProject(QStringLiteral("lint"), fields);
                        t.UserMode = mode;
                        t.UserUpdate = update;
                        t.OnlyMembersCanAdd = members;
                        t.AllowAddModify = t.AllowDelete = allow;
                        t.SendEmail = !allow;
                        t.EmailCc = QStringLiteral("cc\"$@example.org");
                        t.NumOfFilterFields = t.NumOfSortFields = allow ? 0 : 3;
                        t.LocalPath = dir.filePath(QString::number(++n)) + u'/';
                        QVERIFY(QDir().mkpath(t.LocalPath + "admin"));
                        TPHPGenerator g;
                        QVERIFY(writeRecordPages(g, t));
                        for (const QString& folder : {t.LocalPath, t.LocalPath + "admin/"})
                            for (const QString& file : QDir(folder).entryList({"*.php"})) {
                                QString output;
                                QVERIFY2(TWebHost::PhpLint(folder + file, &output),
                                         qPrintable(mode + ": " + output));
                            }
                    }
    }

    // Only pictures are stored, and no SVG: a page posing as a picture
    // would run in the site's name.
    void onlyPicturesAreStored() {
        TBField photo = MakeField("photo", FieldTypes::Image);
        photo.InputType = InputTypes::Image;
        const TBTable t = publish("pics", {MakeField("title", FieldTypes::Text), photo});
        const auto add = [&](const QByteArray& title, const QByteArray& bytes,
                             const QByteArray& type) {
            return host_->PostMultipart(
                t.URL + "add_record.php",
                {{"job", "createaction"}, {"title", title}, {"photo", bytes, "p", type}});
        };
        QVERIFY(add("png", kPng, "image/png").body.contains("created successfully"));
        // Anything else is refused with the reason, and nothing is stored.
        for (const auto& [bytes, type] :
             QList<QPair<QByteArray, QByteArray>>{{"<svg onload=\"alert(1)\"/>", "image/svg+xml"},
                                                  {"<script>alert(1)</script>", "text/html"},
                                                  {"<html><script>alert(1)</script>", "image/png"},
                                                  {"\x89PNG\r\n\x1a\n<script>", "image/png"}}) {
            const QByteArray page = add(type, bytes, type).body;
            QVERIFY2(page.contains("only pictures (JPEG, PNG, GIF) can be stored."),
                     page.constData());
            QVERIFY(!page.contains("created successfully"));
        }
        QCOMPARE(value("SELECT photo <> 0 FROM pics WHERE title = 'png'"), QByteArray("1"));
        QCOMPARE(value("SELECT COUNT(*) FROM pics"), QByteArray("1"));
        QCOMPARE(value("SELECT COUNT(*) FROM pics_IMAGES"), QByteArray("1"));
        QCOMPARE(value("SELECT HEX(image_data) FROM pics_IMAGES"), kPng.toHex().toUpper());
    }

    // A required picture is asked for when a record is added; a record
    // being modified keeps the one it has. A required field the visitor
    // cannot see does not stop him.
    void requiredPicturesAndHiddenFields() {
        TBField photo = MakeField("photo", FieldTypes::Image, "R");
        photo.InputType = InputTypes::Image;
        photo.Name = "Photo";
        TBField office = MakeField("office", FieldTypes::Text, "R");
        office.Name = "Office";
        office.Hidden = true;
        const TBTable t = publish("req", {MakeField("title", FieldTypes::Text), photo, office});
        THttpReply r = host_->PostMultipart(t.URL + "add_record.php",
                                            {{"job", "createaction"}, {"title", "no picture"}});
        QVERIFY2(r.body.contains("Photo is required."), r.body.constData());
        r = host_->PostMultipart(t.URL + "add_record.php", {{"job", "createaction"},
                                                            {"title", "pictured"},
                                                            {"photo", kPng, "p.png", "image/png"}});
        QVERIFY2(r.body.contains("created successfully"), r.body.constData());
        QCOMPARE(value("SELECT office FROM req WHERE title = 'pictured'"), QByteArray(""));

        const THttpHeaders session = adminSession(t);
        r = host_->PostMultipart(t.URL + "admin/add_record.php",
                                 {{"job", "createaction"},
                                  {"title", "by the administrator"},
                                  {"photo", kPng, "p.png", "image/png"}},
                                 session);
        QVERIFY(r.body.contains("Office is required."));
        const QByteArray id = value("SELECT recordid FROM req WHERE title = 'pictured'");
        r = host_->PostMultipart(
            t.URL + "admin/modify_record.php",
            {{"job", "modifyaction"}, {"recordid", id}, {"title", "renamed"}, {"office", "north"}},
            session);
        QVERIFY2(r.body.contains("The record has been modified."), r.body.constData());
        QCOMPARE(value("SELECT photo <> 0 FROM req WHERE title = 'renamed'"), QByteArray("1"));
    }

    // Without an ordering row the first shown field orders the result, and
    // without a shown field the key fields do.
    void defaultOrderings() {
        TBField a = MakeField("a", FieldTypes::Text, "K");
        TBField b = MakeField("b", FieldTypes::Mailto, "K");
        a.Visible = b.Visible = false;
        const TBTable t = publish("ord", {a, b}, [](TBTable& t) { t.LinesPerPage = 5; });
        QVERIFY(host_->Exec("INSERT INTO ord(a, b, btwo) VALUES ('y', 'l1', 'z2'), "
                            "('x', 'l2', 'z9'), ('y', 'l3', 'z1'), ('x', 'l4', 'z3')"));
        const QByteArray page =
            host_->Post(t.URL + "admin/search.php", {{"job", "search"}}, adminSession(t)).body;
        QList<qsizetype> at;
        for (const char* id : {"VALUE=\"4\"", "VALUE=\"2\"", "VALUE=\"3\"", "VALUE=\"1\""})
            at << page.indexOf(QByteArray("NAME=\"recordid\" ") + id);
        QVERIFY2(at[0] > 0 && at[0] < at[1] && at[1] < at[2] && at[2] < at[3], page.constData());
    }

    // A real number shows with its field's symbol, or with a point when the
    // field names none.
    void decimalSymbols() {
        TBField comma = MakeField("comma", FieldTypes::Real);
        comma.DecimalSymbol = ",";
        TBField none = MakeField("none", FieldTypes::Real);
        const TBTable t = publish("decimals", {comma, none});
        QVERIFY(host_->Exec("INSERT INTO decimals(comma, none) VALUES (3.5, 2.25)"));
        const QByteArray page = host_->Post(t.URL + "search.php", {{"job", "search"}}).body;
        QVERIFY2(page.contains(">3,5\n") && page.contains(">2.25\n"), page.constData());
    }

    void selectionStates() {
        const auto fields = std::vector<TBField>{MakeField("title", FieldTypes::Text)};
        const TBTable admin = publish("sel", fields);
        const THttpHeaders session = adminSession(admin);
        QVERIFY(host_->Post(admin.URL + "admin/modify_record.php", {}, session)
                    .body.contains("No records selected."));
        const QByteArray empty =
            host_->Post(admin.URL + "admin/delete_record.php", {}, session).body;
        QVERIFY(!empty.contains("searchresult") && !empty.contains("Wrong Password"));

        // A member without records: an offer to add one, or no access.
        for (const bool allow : {true, false}) {
            const QString name = allow ? "offer" : "closed";
            const TBTable t = publish(name, fields, [&](TBTable& t) {
                t.UserMode = "Login";
                t.UserUpdate = true;
                t.AllowAddModify = allow;
            });
            QVERIFY(host_->Exec("INSERT INTO " + name +
                                "_USERS(username, userpassword) VALUES ('m@x.org', 'pw')"));
            const QString url = t.URL + "modify_record.php";
            const QByteArray page = FollowLogin(*host_, url,
                                                host_->Post(url, {{"login_email", "m@x.org"},
                                                                  {"login_password", "pw"},
                                                                  {"recordid", "1"}}),
                                                TPHPGenerator::SessionCookie(t, false).toLatin1())
                                        .body;
            QVERIFY2(page.contains(allow ? "Click here to add a record to the database"
                                         : "You have no access to this database"),
                     page.constData());
            QVERIFY(!page.contains("Wrong Password or ID"));
        }

        // A Join member without records is told so, not that his login is wrong.
        const TBTable join = publish("joined", fields, [](TBTable& t) {
            t.UserMode = "Join";
            t.UserUpdate = true;
        });
        QVERIFY(host_->Exec(
            "INSERT INTO joined_USERS(username, userpassword) VALUES ('j@x.org', 'pw')"));
        for (const char* page : {"modify_record.php", "delete_record.php"}) {
            const QString url = join.URL + page;
            const QByteArray answer =
                FollowLogin(
                    *host_, url,
                    host_->Post(url, {{"login_email", "j@x.org"}, {"login_password", "pw"}}),
                    TPHPGenerator::SessionCookie(join, false).toLatin1())
                    .body;
            QVERIFY2(answer.contains("No records found") && !answer.contains("Wrong Password"),
                     answer.constData());
        }
    }

    // A record nobody owns is announced to nobody.
    void noMailWithoutAnOwner() {
        const TBTable t = publish("nomail", {MakeField("title", FieldTypes::Text)},
                                  [](TBTable& t) { t.SendEmail = true; });
        host_->ClearMails();
        QVERIFY(host_->Post(t.URL + "add_record.php", {{"job", "createaction"}, {"title", "x"}})
                    .body.contains("created successfully"));
        QCOMPARE(host_->Mails().size(), 0);
    }
};

QTEST_MAIN(TestRecordPages)
#include "TestRecordPages.moc"
