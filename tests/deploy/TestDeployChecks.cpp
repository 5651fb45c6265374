// What the deployment commands decide before the network: the refusals in
// their order, the generated files and the generating report, the local
// removal, the reading of script answers, and the table plan made from what
// the server reports.
#include "DeployFixtures.h"
#include "common/TestSupport.h"
#include "common/WindowTestSupport.h"
#include "deploy/Connection.h"
#include "deploy/ScriptAnswer.h"
#include "deploy/TablePlan.h"
#include "model/ProjectStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The report lines of Generate for the listed files.
QByteArray generateLog(const QStringList& files, const QString& localPath) {
    QByteArray log = "Generating report\r\n\r\nGenerating process was successful.\r\n\r\n"
                     "The following files were created:\r\n";
    for (const QString& f : files)
        log += "  " + f.toUtf8() + "\r\n";
    log += "\r\nYou can find your generated files at:\r\n" + localPath.toUtf8() +
           "\r\n\r\nYou can upload your files manually or use Corvanta's upload function.\r\n"
           "If you wish to upload your files via Corvanta, please fill in all necessary "
           "settings accurately.\r\n";
    return log;
}

// The record table as create_db.php made it for `t`, as the server reports
// it, holding `records` records with every value filled.
TLiveTables liveTables(const TBTable& t, qint64 records) {
    TLiveTables live;
    live.Tables = {t.TableName};
    for (const auto& table : TPHPGenerator::OtherTables(t))
        live.Tables << table.first;
    live.Records = records;
    for (const TColumnDef& c : TPHPGenerator::RecordColumns(t)) {
        QString type = c.type.toLower();
        type.replace(QLatin1String("integer"), QLatin1String("int(11)"))
            .replace(QLatin1String("real"), QLatin1String("double"))
            .replace(QLatin1String("bool"), QLatin1String("tinyint(1)"));
        live.Columns.push_back({c.name, type, c.Comment(), !c.notNull, 0, records});
    }
    for (const TUniqueKey& key : TPHPGenerator::UniqueKeys(t))
        live.Keys.push_back({key.name, key.columns});
    return live;
}

const QStringList kAdminPages = {
    "admin/runtime.php",       "admin/site.js",        "admin/.htaccess",
    "admin/index.html",        "admin/login.php",      "admin/menu.php",
    "admin/logout.php",        "admin/add_record.php", "admin/modify_record.php",
    "admin/delete_record.php", "admin/search.php"};

} // namespace

class TestDeployChecks : public QObject {
    Q_OBJECT

    TTempStore store_;
    QTemporaryDir dir_;

    TBTable project(const QString& folder) {
        TBTable t = DeployProject(QStringLiteral("checks"));
        t.DatabaseServer = QStringLiteral("127.0.0.1");
        t.LocalPath = dir_.filePath(folder) + QLatin1Char('/');
        return t;
    }

private slots:
    void refusalsComeInTheirOrder() {
        struct Case {
            const char* name;
            std::function<void(TBTable&)> change;
            bool changed;
            QString message;
            int page;
        };
        const QList<Case> cases = {
            {"only the built-in fields, all else set", [](TBTable& t) { t.Fields.resize(2); },
             false, "No Database Fields present.", -1},
            {"unsaved, settings empty too",
             [](TBTable& t) {
                 t.TableName.clear();
                 t.AdminPassword.clear();
             },
             true, "Save the database first.", -1},
            {"no database server", [](TBTable& t) { t.DatabaseServer.clear(); }, false,
             "Fill in the Database settings first!", SettingsPages::Database},
            {"no table name", [](TBTable& t) { t.TableName.clear(); }, false,
             "Fill in the Database settings first!", SettingsPages::Database},
            {"no administrator password", [](TBTable& t) { t.AdminPassword.clear(); }, false,
             "Fill in the password to the Administrator sites!", SettingsPages::Administrator},
            // Definitions stored before they were checked: refused before any file is
            // made, naming the setting as the settings dialog labels it.
            {"table name the database refuses", [](TBTable& t) { t.TableName = "my shop"; }, false,
             "Table name: \"my shop\" is not allowed; use lower-case letters a-z, "
             "digits "
             "and \"_\", beginning with a letter, at most 55 characters.",
             SettingsPages::Database},
            {"no records per page", [](TBTable& t) { t.LinesPerPage = 0; }, false,
             "Records per page: 0 is not allowed; use a whole number of records "
             "from 1 "
             "to 1000.",
             SettingsPages::Appearance},
            {"delimiters alike", [](TBTable& t) { t.RecordDelimiter = t.FieldDelimiter; }, false,
             "Delimiter of fields: \"|\" cannot be used: the delimiters of fields "
             "and records must differ, and neither may contain the other.",
             SettingsPages::ImportExport},
            {"negative length", [](TBTable& t) { t.Fields[2].MaxLength = -1; }, false,
             "Field 1 \"Title\": Max length -1 is not allowed; use 0 or more.", -1},
        };
        for (const Case& c : cases) {
            for (const bool upload : {false, true}) {
                TDeployRig rig(store_.Store());
                TBTable t = project(QStringLiteral("refused"));
                c.change(t);
                rig.Run([&](TDeployment& d) {
                    upload ? d.Upload(t, c.changed) : d.Generate(t, c.changed);
                });
                QCOMPARE(rig.Port.Messages(), QStringList{c.message});
                QCOMPARE(rig.Port.EventsOf(QStringLiteral("settings")).size(), c.page >= 0 ? 1 : 0);
                if (c.page >= 0)
                    QCOMPARE(rig.Port.Events().last().Answer, QString::number(c.page));
                QVERIFY2(!QFileInfo::exists(t.LocalPath), c.name);
                QVERIFY(!rig.Deployment().Succeeded());
            }
        }

        // A folder two levels below a missing one is not made.
        TDeployRig rig(store_.Store());
        const TBTable deep = project(QStringLiteral("missing/site"));
        rig.Run([&](TDeployment& d) { d.Generate(deep, false); });
        QCOMPARE(rig.Port.Messages(),
                 QStringList{"Directory \"" + deep.LocalPath + "\" cannot be created."});
        QVERIFY(!QFileInfo::exists(dir_.filePath(QStringLiteral("missing"))));
    }

    void uploadAndTransfersRefuseWithoutConnectionOrNetwork() {
        TDeployRig rig(store_.Store());
        TBTable t = project(QStringLiteral("conn"));
        t.Server = QStringLiteral("ftp.example.com");
        t.User = QStringLiteral("me");
        rig.Run([&](TDeployment& d) { d.Upload(t, false); });
        QCOMPARE(rig.Port.Messages(), QStringList{"Fill in the Connection settings first!"});
        QCOMPARE(rig.Port.Events().last().Answer, QString::number(SettingsPages::Connection));
        // The local folders are made before that check.
        QVERIFY(QFileInfo(t.LocalPath + QStringLiteral("admin")).isDir());

        t.URL = QStringLiteral("http://www.example.com/site/");
        QStringList asked;
        rig.Deployment().SetInternetCheck([&](const QStringList& hosts) {
            asked = hosts;
            return false;
        });
        rig.Run([&](TDeployment& d) { d.Upload(t, false); });
        QCOMPARE(rig.Port.Messages().last(),
                 QStringLiteral("No internet connection available. Upload aborted."));
        QCOMPARE(asked, (QStringList{"ftp.example.com", "www.example.com"}));

        // Import and export: unsaved first, then the notice, then the network.
        TDeployRig transfer(store_.Store());
        transfer.Deployment().SetInternetCheck([](const QStringList&) { return false; });
        transfer.Run([&](TDeployment& d) { d.Import(t, true); });
        transfer.Run([&](TDeployment& d) { d.Import(t, false); });
        transfer.Run([&](TDeployment& d) { d.Export(t, false); });
        QCOMPARE(transfer.Port.Messages(),
                 (QStringList{"Save the database first.",
                              "Corvanta Generator will download the content of your database and "
                              "save it in text files on your local disk.\rBe sure you are "
                              "connected to the internet.",
                              "No internet connection available.",
                              "Corvanta Generator will upload your data files to the server "
                              "now. Be sure you are connected to the internet.\rSelect the text "
                              "files you want to upload.",
                              "No internet connection available."}));
        QVERIFY(transfer.Port.EventsOf(QStringLiteral("file")).isEmpty());
        QVERIFY(transfer.Posted.isEmpty());

        // Cancelling a file choice ends the command silently.
        TDeployRig silent(store_.Store());
        silent.Run([&](TDeployment& d) { d.Export(t, false); });
        QCOMPARE(silent.Port.EventsOf(QStringLiteral("file")), QStringList{"Open data"});
        QCOMPARE(silent.Port.EventsOf(QStringLiteral("warning")), QStringList());
        QVERIFY(!silent.Port.ProgressVisible());
    }

    void generateWritesTheFilesAndReportOfEachMode() {
        struct Mode {
            const char* name;
            QString userMode;
            bool userUpdate, onlyMembers, changePassword;
            QStringList visitor, admin;
        };
        const QList<Mode> modes = {
            {"default",
             {},
             false,
             false,
             false,
             {"create_db.php", "runtime.php", "site.js", ".htaccess", "index.html", "menu.php",
              "inc_counter.php", "search.php", "get_image.php", "show_image.php"},
             kAdminPages + QStringList{"admin/get_image.php", "admin/show_image.php"}},
            {"join",
             QStringLiteral("Join"),
             true,
             false,
             false,
             {"create_db.php", "runtime.php", "site.js", ".htaccess", "index.html", "menu.php",
              "inc_counter.php", "logout.php", "add_record.php", "modify_record.php",
              "delete_record.php", "search.php", "get_image.php", "show_image.php"},
             kAdminPages + QStringList{"admin/get_image.php", "admin/show_image.php"}},
            {"login",
             QStringLiteral("Login"),
             true,
             false,
             true,
             {"create_db.php", "runtime.php", "site.js", ".htaccess", "index.html", "login.php",
              "menu.php", "inc_counter.php", "logout.php", "add_record.php", "modify_record.php",
              "delete_record.php", "search.php", "change_password.php", "get_image.php",
              "show_image.php"},
             kAdminPages + QStringList{"admin/users.php", "admin/change_password.php",
                                       "admin/get_image.php", "admin/show_image.php"}},
        };
        for (const Mode& m : modes) {
            TDeployRig rig(store_.Store());
            TBTable t = project(QString::fromLatin1(m.name));
            t.UserMode = m.userMode;
            t.UserUpdate = m.userUpdate;
            t.OnlyMembersCanAdd = m.onlyMembers;
            t.AllowChangePassword = m.changePassword;
            rig.Run([&](TDeployment& d) { d.Generate(t, false); });
            QVERIFY2(rig.Deployment().Succeeded(), m.name);
            QCOMPARE(rig.Port.Messages(), QStringList());
            QCOMPARE(rig.Port.LastFileInfo(), "Report saved to '" + t.LocalPath + "Generate.log'");
            QCOMPARE(rig.Port.LastSiteUrl(), QString());
            QVERIFY(rig.Port.MainEnabled());
            // Every site also has its first page as a script and its record
            // pages.
            QStringList files;
            for (const QString& f : m.visitor + m.admin) {
                const bool admin = f.startsWith(QLatin1String("admin/"));
                const QString folder = admin ? QStringLiteral("admin/") : QString();
                if (f.endsWith(QLatin1String("index.html")))
                    files << folder + QStringLiteral("index.php");
                files << f;
                if (f.endsWith(QLatin1String("search.php")))
                    files << folder + QStringLiteral("record.php");
            }
            QCOMPARE(ReadFileBytes(t.LocalPath + QStringLiteral("Generate.log")),
                     generateLog(files, t.LocalPath));
            // Exactly the listed files, nothing more.
            QStringList written =
                QDir(t.LocalPath).entryList(QDir::Files | QDir::Hidden) +
                QDir(t.LocalPath + QStringLiteral("admin")).entryList(QDir::Files | QDir::Hidden);
            QStringList expected;
            for (QString f : files)
                expected << f.remove(QStringLiteral("admin/"));
            expected << QStringLiteral("Generate.log");
            written.sort();
            expected.sort();
            QCOMPARE(written, expected);
            const TReport& report = *rig.Port.LastReport();
            QCOMPARE(report.Title, QStringLiteral("Generating report"));
            QCOMPARE(report.Lines[0], (TReportLine{"Generating report", true, true}));
            QCOMPARE(report.Lines[2], (TReportLine{"Generating process was successful.", true}));
            QCOMPARE(report.Lines[5], (TReportLine{"  create_db.php", false}));
        }

        // A site whose fields are neither searchable nor shown to visitors
        // is made all the same, and the report says what visitors will miss.
        TDeployRig rig(store_.Store());
        TBTable t = project(QStringLiteral("blind"));
        for (TBField& f : t.Fields)
            f.Searchable = f.Visible = f.Hidden = f.SeqNo > 0; // the administrator's only
        rig.Run([&](TDeployment& d) { d.Generate(t, false); });
        QVERIFY(rig.Deployment().Succeeded());
        const QList<TReportLine>& lines = rig.Port.LastReport()->Lines;
        QVERIFY(lines[3].Bold &&
                lines[3].Text.startsWith(QStringLiteral("No field is searchable:")));
        QVERIFY(lines[4].Bold && lines[4].Text.startsWith(QStringLiteral("No field is visible")));
        t.Fields.back().Hidden = false;
        QVERIFY(TDeployment::SiteUseWarnings(t).isEmpty());
    }

    void aGeneratorThatFailsEndsTheCommand() {
        TDeployRig rig(store_.Store());
        const TBTable t = project(QStringLiteral("blocked"));
        QDir().mkpath(t.LocalPath + QStringLiteral("admin/search.php")); // a folder: no file
        rig.Run([&](TDeployment& d) { d.Generate(t, false); });
        QCOMPARE(rig.Port.Messages(),
                 (QStringList{"File access error to " + t.LocalPath + "admin/search.php",
                              "Generating admin/search.php failed."}));
        QVERIFY(!rig.Port.LastReport());
        QVERIFY(rig.Port.MainEnabled());
        QVERIFY(!QFileInfo::exists(t.LocalPath + QStringLiteral("Generate.log")));
    }

    void localRemovalDeletesOnlyOurFiles() {
        // A project that was never uploaded: only this computer is offered.
        TBTable t = project(QStringLiteral("home"));
        t.DbName = QStringLiteral("Home");
        ProjectStore::Save(store_.Store(), t);
        {
            TDeployRig rig(store_.Store());
            rig.Run([&](TDeployment& d) { d.Generate(t, false); });
            QVERIFY(rig.Deployment().Succeeded());
        }
        WriteFileBytes(t.LocalPath + QStringLiteral("letter.txt"), "mine");
        WriteFileBytes(t.LocalPath + QStringLiteral("LANGUAGE.INI"), "[x]");
        WriteFileBytes(t.LocalPath + QStringLiteral("photos/search.php"), "mine too");
        WriteFileBytes(t.LocalPath + QStringLiteral("records.txt"), "1|a\r\n");

        struct TPort : TScriptedPort {
            QList<bool> offered;
            TRemoveChoice AskRemove(const QString& name, bool serverPossible) override {
                offered << serverPossible;
                return TScriptedPort::AskRemove(name, serverPossible);
            }
        };
        TPort port;
        port.AnswerTo(QStringLiteral("Remove Database Home"), QStringLiteral("Settings Only"));
        TFtpClient ftp;
        THttpClient http;
        TDeployment d(port, store_.Store(), ftp, http, [](const QString&) {});
        d.RemoveDatabase(QStringLiteral("Home"));
        QVERIFY(d.Succeeded());
        QCOMPARE(port.offered, QList<bool>{false});
        QCOMPARE(port.Messages(),
                 (QStringList{"Do you really want to remove the Database from your PC?",
                              "Database Home has been removed successfully."}));
        QCOMPARE(port.EventsOf(QStringLiteral("wait")),
                 QStringList{"Removing Database Home. Please, wait ..."});
        QVERIFY(!port.WaitVisible());
        QVERIFY(!ProjectStore::Exists(store_.Store(), QStringLiteral("Home")));
        QStringList left =
            QDir(t.LocalPath).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        left.sort();
        QCOMPARE(left, (QStringList{"LANGUAGE.INI", "letter.txt", "photos", "records.txt"}));
        QVERIFY(QFile::exists(t.LocalPath + QStringLiteral("photos/search.php")));

        // A file of the user's keeps the admin folder.
        TBTable again = project(QStringLiteral("home"));
        again.DbName = QStringLiteral("Again");
        ProjectStore::Save(store_.Store(), again);
        {
            TDeployRig rig(store_.Store());
            rig.Run([&](TDeployment& dep) { dep.Generate(again, false); });
        }
        WriteFileBytes(again.LocalPath + QStringLiteral("admin/notes.txt"), "keep");
        port.AnswerTo(QStringLiteral("Remove Database Again"), QStringLiteral("Settings"));
        d.RemoveDatabase(QStringLiteral("Again"));
        QCOMPARE(QDir(again.LocalPath + QStringLiteral("admin")).entryList(QDir::Files),
                 QStringList{"notes.txt"});

        // Download first, or Cancel: nothing happens.
        TBTable kept = project(QStringLiteral("kept"));
        kept.DbName = QStringLiteral("Kept");
        ProjectStore::Save(store_.Store(), kept);
        port.AnswerTo(QStringLiteral("Remove Database Kept"), QStringLiteral("Download"));
        d.RemoveDatabase(QStringLiteral("Kept"));
        QCOMPARE(port.Messages().last(),
                 QStringLiteral("Open the Database and Press the Button \r\"Download Data from "
                                "Database\" in the toolbar."));
        QVERIFY(ProjectStore::Exists(store_.Store(), QStringLiteral("Kept")));
    }

    void answersAreReadByTheirMarkers() {
        using namespace ScriptAnswer;
        const QByteArray ok = "x<P CLASS=\"corvanta_ok\">12</P><P CLASS=\"corvanta_error\">no</P>";
        QVERIFY(Has(ok, "corvanta_ok"));
        QCOMPARE(Text(ok, "corvanta_ok", 100, true, "ISO-8859-1"), QStringLiteral("12"));
        // "</P>" must lie within the 100 characters when it is required: a
        // text of 96 characters still fits, one of 97 does not.
        const QByteArray fits = "<P CLASS=\"corvanta_error\">" + QByteArray(96, 'a') + "</P>";
        const QByteArray tooLong = "<P CLASS=\"corvanta_error\">" + QByteArray(97, 'a') + "</P>";
        QCOMPARE(Text(fits, "corvanta_error", 100, true, "ISO-8859-1").size(), 96);
        QCOMPARE(Text(tooLong, "corvanta_error", 100, true, "ISO-8859-1"), QString());
        QCOMPARE(Text(tooLong, "corvanta_error", 100, false, "ISO-8859-1").size(), 100);
        // Characters, not bytes, in the site's character set.
        QCOMPARE(Text("<P CLASS=\"corvanta_error\">Fehler: \xC3\xBC</P>", "corvanta_error", 100,
                      true, "UTF-8"),
                 QStringLiteral("Fehler: \u00fc"));
    }

    void tablePlanFollowsTheDefinitionAndWhatTheServerHolds() {
        using TKind = TTableStep::TKind;
        TBTable t = DeployProject(QStringLiteral("plan"));
        TBField code =
            TransferField(QStringLiteral("Code"), QStringLiteral("code"), FieldTypes::Text);
        code.NoDuplicates = true;
        code.SeqNo = int(t.Fields.size()) - 1;
        t.Fields.push_back(code);
        const TLiveTables live = liveTables(t, 1000);
        const auto plan = [&](const TBTable& wanted, const TLiveTables& now = {}) {
            return TTablePlan::Compute(wanted, now.Tables.isEmpty() ? live : now);
        };

        // As created, and after a label changed: nothing to do, update first.
        TBTable renamed = t;
        renamed.Fields[2].Name = QStringLiteral("Heading");
        for (const TBTable& same : {t, renamed}) {
            const TTablePlan p = plan(same);
            QVERIFY(p.Steps().empty());
            QCOMPARE(p.Default(), TTablesChoice::Update);
            QVERIFY(p.Text().contains(QLatin1String("nothing to change")));
            QCOMPARE(p.Caption(TTablesChoice::Create),
                     QStringLiteral("Create new empty tables (deletes 1,000 records)"));
        }

        // A longer text widens; a number becomes a real number only when every
        // value fits; the same SQL type with another field type is a change too.
        TBTable changed = t;
        changed.Fields.back().MaxLength = 100;
        TBField& number = changed.Fields[3]; // Integer
        number.FieldType = FieldTypes::Real;
        TTablePlan p = plan(changed);
        QCOMPARE(p.Steps()[0].Kind, TKind::ConvertColumn);
        QCOMPARE(p.Steps()[1].Sql,
                 QStringLiteral("MODIFY COLUMN code VARCHAR(100) COMMENT 'Text'"));
        QCOMPARE(p.Checks(), QStringList{number.FieldName});
        TLiveTables checked;
        checked.Misfits.insert(number.FieldName, {});
        p.TakeMisfits(checked);
        QVERIFY(!p.Refused());
        const std::vector<TSchemaStatement> one = p.Statements();
        QCOMPARE(int(one.size() + one[0].recheck.size()), 2);
        QVERIFY(one[0].sql.startsWith("ALTER TABLE plan MODIFY COLUMN " + number.FieldName +
                                      " REAL COMMENT 'Real number', MODIFY COLUMN code"));
        number.FieldType = FieldTypes::Image;
        p = plan(changed);
        QCOMPARE(p.Steps()[0].Kind, TKind::ConvertColumn);
        QVERIFY(p.Steps()[0].Misfit.endsWith(QLatin1String(" <> '0'")));
        // Values that do not fit refuse the update, naming the first of them.
        checked.Misfits[number.FieldName] = {3, {{7, QStringLiteral("abc")}, {9, QString()}}};
        p.TakeMisfits(checked);
        QCOMPARE(p.Choices(), (QList<TTablesChoice>{TTablesChoice::Create, TTablesChoice::Leave}));
        QCOMPARE(p.Default(), TTablesChoice::Leave);
        QVERIFY2(
            p.Text().contains("Refused: 3 stored values do not fit, the first: record 7: \"abc\", "
                              "record 9: (empty)."),
            qPrintable(p.Text()));

        // Values that may no longer repeat, and values that now may: keys
        // follow, matched by their columns whatever the server named them.
        TBTable unique = t;
        unique.Fields[2].NoDuplicates = true;
        unique.Fields.back().NoDuplicates = false;
        TLiveTables renamedKey = live;
        renamedKey.Keys.front().Name = QStringLiteral("code_key");
        p = plan(unique, renamedKey);
        QCOMPARE(p.Steps()[0].Kind, TKind::ConvertColumn); // TEXT to VARCHAR(60)
        QCOMPARE(p.Steps()[2].Sql, QStringLiteral("DROP INDEX code_key"));
        QCOMPARE(p.Steps()[3].Sql, QStringLiteral("ADD UNIQUE title (title)"));
        QCOMPARE(p.KeyChecks(), QStringList{"title"});
        checked = {};
        checked.Misfits.insert("title", {});
        checked.Repeats.insert("title", {2, {{4, QStringLiteral("twice")}}});
        p.TakeMisfits(checked);
        QCOMPARE(
            p.Steps()[3].Refusal,
            QStringLiteral("Refused: 2 stored values repeat, the first: record 4: \"twice\"."));

        // A new field: its columns in one step, empty for the stored records
        // even where it is required; its lock keeps its default.
        TBTable grown = t;
        TBField added =
            TransferField(QStringLiteral("Added"), QStringLiteral("added"), FieldTypes::Mailto);
        added.Required = true;
        added.SeqNo = grown.Fields.back().SeqNo + 1;
        grown.Fields.push_back(added);
        p = plan(grown);
        QCOMPARE(int(p.Steps().size()), 1);
        QCOMPARE(p.Steps()[0].Sql,
                 QStringLiteral("ADD COLUMN added TEXT COMMENT 'Mailto', ADD COLUMN added2 TEXT "
                                "COMMENT 'Mailto: address', ADD COLUMN added_USEREDIT BOOL NOT "
                                "NULL DEFAULT 1"));

        // A removed field: its columns go after the new pages, with a backup
        // that holds them as plain fields; a missing table is made first.
        TLiveTables older = liveTables(grown, 1000);
        older.Tables.removeAll(QStringLiteral("plan_LOGINS"));
        older.Columns[size_t(older.Columns.size() - 2)].Filled = 12;
        p = plan(t, older);
        QCOMPARE(p.Steps().front().Kind, TKind::CreateTable);
        QCOMPARE(int(p.Steps().size()), 3);
        QCOMPARE(p.Steps()[2].Text,
                 QStringLiteral("Remove column added2, which holds 12 values that are not empty."));
        QVERIFY(p.Drops() && p.HasPhase(1) && p.HasPhase(2));
        const std::vector<TSchemaStatement> two = p.Statements();
        QCOMPARE(int(two.size()), 2);
        QVERIFY(!two[0].alter);
        QCOMPARE(two[1].sql,
                 QStringLiteral("ALTER TABLE plan DROP COLUMN added, DROP COLUMN added_USEREDIT, "
                                "DROP COLUMN added2"));
        QCOMPARE(two[1].phase, 2);
        QStringList lockless;
        const TBTable backup = p.BackupTable(t, &lockless);
        QCOMPARE(backup.Fields.size(), t.Fields.size() + 2);
        QCOMPARE(backup.Fields.back().FieldType, FieldTypes::Text);
        QCOMPARE(lockless, QStringList{"added2"});

        // No tables yet, or none that could be read: creating is offered, and
        // is the default only where nothing can be lost.
        TLiveTables none;
        none.Tables = {QStringLiteral("other")};
        QCOMPARE(plan(t, none).Choices(),
                 (QList<TTablesChoice>{TTablesChoice::Create, TTablesChoice::Leave}));
        QCOMPARE(plan(t, none).Default(), TTablesChoice::Create);
        QCOMPARE(TTablePlan::Unread("x", true).Default(), TTablesChoice::Create);
        QCOMPARE(TTablePlan::Unread("x", false).Default(), TTablesChoice::Leave);
        QCOMPARE(TTablePlan::Unread("x", false).Caption(TTablesChoice::Create),
                 QStringLiteral("Create new empty tables (deletes every record)"));

        // The script's answer; stored values come as hexadecimal bytes of the
        // site's character set.
        const auto parsed = TLiveTables::Parse(
            R"({"tables":["plan"],"records":2,"columns":[{"name":"tx","type":"text",)"
            R"("nullable":true,"comment":"Text","nulls":1,"filled":1}],)"
            R"("keys":[{"name":"tx","columns":["tx"]}],)"
            R"("misfits":{"tx":{"count":1,"first":[[2,"e9"]]}}})",
            QStringLiteral("ISO-8859-1"));
        QVERIFY(parsed);
        QCOMPARE(parsed->Column(QStringLiteral("TX"))->Nulls, 1);
        QCOMPARE(parsed->Misfits.value("tx").First.first().second, QStringLiteral("\u00e9"));
        QCOMPARE(parsed->Keys.front().Columns, QStringList{"tx"});
    }

    void serverSettingAndNetworkCheck() {
        QCOMPARE(FtpTarget(QStringLiteral("ftp.example.com")).Port, 21);
        QCOMPARE(FtpTarget(QStringLiteral("127.0.0.1:2121")).Host, QStringLiteral("127.0.0.1"));
        QCOMPARE(FtpTarget(QStringLiteral("127.0.0.1:2121")).Port, 2121);
        QCOMPARE(FtpTarget(QStringLiteral("[::1]:2121")).Host, QStringLiteral("::1"));
        QCOMPARE(FtpTarget(QStringLiteral("[::1]:2121")).Port, 2121);
        QCOMPARE(UrlHost(QStringLiteral("http://127.0.0.1:8080/site/")),
                 QStringLiteral("127.0.0.1"));
        QVERIFY(InternetAvailable({QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}));
    }
};

QTEST_GUILESS_MAIN(TestDeployChecks)
#include "TestDeployChecks.moc"
