// Upload: generate, transfer the site by FTP, create or update the tables as
// the user answers their plan, and the upload report.
#include "Deployment.h"

#include "ScriptAnswer.h"
#include "model/ProjectStore.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QFileInfo>

namespace {

// Cancel pressed: the command ends after the file in hand.
struct TCancelled {};

const QString kCreateScript = QStringLiteral("create_db.php");
const QString kAlterScript = QStringLiteral("alter_db.php");

} // namespace

void TDeployment::Upload(const TBTable& t, bool changed) {
    begin();
    guarded([&] {
        if (!checkProject(t, changed) || !makeLocalFolders(t))
            return;
        if (t.URL.isEmpty() || t.Server.isEmpty() || t.User.isEmpty() ||
            !QFileInfo(t.LocalPath).isDir()) {
            refuse(QStringLiteral("Fill in the Connection settings first!"),
                   SettingsPages::Connection);
            return;
        }
        if (!internetAvailable(t)) {
            refuse(QStringLiteral("No internet connection available. Upload aborted."));
            return;
        }
        if (!checkWebServer(t, QStringLiteral("Upload aborted. "))) {
            port_.FocusMain();
            finish(false);
            return;
        }

        // A site never uploaded has no tables yet: creating them is then the
        // answer that loses nothing.
        neverUploaded_ = !ProjectStore::ReadUploaded(store_, t.DbName);
        port_.ProgressSetMaximum(26);
        port_.ProgressSetPosition(0);
        port_.SetMainEnabled(false);
        port_.ProgressSetText(QStringLiteral("Generating files"));
        port_.ProgressShow();
        if (!generateSite(t, true)) {
            endWindows();
            finish(false);
            return;
        }
        if (!uploadStage1(t))
            return;

        if (createDb_) {
            pending_ = TPending{t, {}, {}, {}, false};
            running_ = true;
            postStage2_(kCreateScript);
            return;
        }
        if (tablesChoice_ == TTablesChoice::Update && tablePlan_->HasPhase(2)) {
            pending_ = TPending{t, {}, {}, {}, false};
            running_ = true;
            postStage2_(kAlterScript);
            return;
        }
        port_.ProgressHide();
        port_.SetMainEnabled(true);
        const TTablePlan& plan = *tablePlan_;
        QString result =
            QStringLiteral("Upload process was successful, database creation was not performed.");
        QString warning;
        if (tablesChoice_ == TTablesChoice::Update)
            result = plan.Steps().empty()
                         ? QStringLiteral("Upload process was successful, the tables already "
                                          "matched the fields.")
                         : QStringLiteral("Upload process was successful, the tables were "
                                          "updated and keep their records.");
        else if (plan.Readable() ? !plan.TablesExist() : neverUploaded_)
            warning = QStringLiteral("The site will not work until its tables are created: upload "
                                     "again and choose \"") +
                      plan.Caption(TTablesChoice::Create) + QStringLiteral("\".");
        else if (!plan.Steps().empty())
            warning = QStringLiteral("The tables were left as they are, but they do not match the "
                                     "fields: pages may fail until Upload updates them.");
        showUploadReport(t, result, warning);
        finish(true);
    });
}

bool TDeployment::uploadStage1(const TBTable& t) {
    createDb_ = false;
    const QString php = t.PHPPath;
    const QString adminDir = php + QStringLiteral("admin/");
    // One file: its line in the progress window, the transfer, the Cancel check.
    const auto send = [&](const QString& shown, const QString& local, const QString& remote,
                          bool counts = true) {
        port_.ProgressSetText(QStringLiteral("Uploading ") + shown);
        ftp_.Upload(local, remote);
        if (port_.ProgressCancelled())
            throw TCancelled{};
        if (counts)
            port_.ProgressStep();
    };
    const auto page = [&](const QString& name, bool admin = false, bool counts = true) {
        send((admin ? QStringLiteral("admin/") : QString()) + name,
             TPHPGenerator::OutputPath(t, admin, name), (admin ? adminDir : php) + name, counts);
    };

    try {
        announced_ = false;
        port_.ProgressStep();
        port_.ProgressSetText(QStringLiteral("Connecting to the server..."));
        connectFtp(t);
        if (port_.ProgressCancelled()) {
            port_.ShowInformation(QStringLiteral("Uploading canceled. Please wait..."));
            disconnectQuietly();
            endWindows();
            finish(false);
            return false;
        }
        // From the first file on the server holds part of a site: Remove must
        // be able to take it away even when this upload stops half-way.
        ProjectStore::MarkUploaded(store_, t.DbName);
        ProjectStore::MarkUploadIncomplete(store_, t.DbName, true);

        // Every level of the remote folder, then the folder and its admin.
        QStringList folders;
        for (qsizetype i = 0; i < php.size(); ++i)
            if (php.at(i) == u'/' || php.at(i) == u'\\')
                folders << php.left(i + 1);
        folders << php << php + QStringLiteral("admin");
        for (const QString& folder : folders) {
            try {
                ftp_.MakeDirectory(folder);
            } catch (const FTPException&) {
                // Usually: the folder exists.
            }
        }
        port_.ProgressStep();

        // The runtime layer goes first; it is no step of its own on the gauge.
        page(QStringLiteral("runtime.php"), false, false);
        page(QStringLiteral("index.html"));
        if (t.UserMode == QLatin1String("Login"))
            page(QStringLiteral("login.php"));
        page(QStringLiteral("menu.php"));
        page(QStringLiteral("inc_counter.php"));
        // Logout is no step of its own on the gauge either.
        if (TPHPGenerator::HasVisitorSessions(t))
            page(QStringLiteral("logout.php"), false, false);
        const QStringList recordPages = {QStringLiteral("add_record.php"),
                                         QStringLiteral("modify_record.php"),
                                         QStringLiteral("delete_record.php")};
        if (t.UserUpdate) {
            for (const QString& name : recordPages)
                page(name);
        } else {
            for (const QString& name : recordPages)
                deleteQuietly(php + name);
            port_.ProgressSetPosition(port_.ProgressPosition() + 3);
        }
        page(QStringLiteral("search.php"));
        if (t.AllowChangePassword)
            page(QStringLiteral("change_password.php"));
        else
            deleteQuietly(php + QStringLiteral("change_password.php"));
        page(QStringLiteral("get_image.php"));
        page(QStringLiteral("show_image.php"));

        page(QStringLiteral("runtime.php"), true, false);
        for (const char* name : {"index.html", "menu.php", "login.php", "add_record.php",
                                 "modify_record.php", "delete_record.php", "search.php"})
            page(QString::fromLatin1(name), true);
        page(QStringLiteral("logout.php"), true, false);
        if (t.MembersRule()) {
            page(QStringLiteral("users.php"), true);
            page(QStringLiteral("change_password.php"), true);
        } else {
            deleteQuietly(adminDir + QStringLiteral("users.php"));
            deleteQuietly(adminDir + QStringLiteral("change_password.php"));
        }

        port_.ProgressStep();
        if (!tablesStep(t)) {
            disconnectQuietly();
            endWindows();
            finish(false);
            return false;
        }
        if (port_.ProgressCancelled())
            throw TCancelled{};

        page(QStringLiteral("get_image.php"), true);
        page(QStringLiteral("show_image.php"), true);

        // Style sheet, background and logos, where the files exist. Pictures
        // go in binary, or an ASCII transfer would mangle their bytes.
        bool binary = false;
        const auto siteFile = [&](const QString& local, bool visitor, bool admin) {
            if (local.isEmpty() || !QFileInfo(local).isFile())
                return;
            if (!binary) {
                ftp_.Mode(TFtpClient::Image);
                binary = true;
            }
            const QString name = QFileInfo(local).fileName();
            port_.ProgressSetText(QStringLiteral("Uploading ") + name);
            if (visitor)
                ftp_.Upload(local, php + name);
            if (admin)
                ftp_.Upload(local, adminDir + name);
            if (port_.ProgressCancelled())
                throw TCancelled{};
            port_.ProgressStep();
        };
        siteFile(TPHPGenerator::SkinPath(t), true, true);
        siteFile(t.BGImage, true, true);
        siteFile(t.Logo, true, false);
        siteFile(t.AdminLogo, false, true);

        ftp_.Disconnect();
    } catch (const TCancelled&) {
        port_.ShowInformation(QStringLiteral("Uploading canceled."));
        disconnectQuietly();
        endWindows();
        finish(false);
        return false;
    } catch (const ENetError& e) {
        // Cancel pressed during a transfer ends the wait at once.
        if (port_.ProgressCancelled()) {
            port_.ShowInformation(QStringLiteral("Uploading canceled."));
            disconnectQuietly();
            endWindows();
            finish(false);
            return false;
        }
        endAfterFailure(e, QStringLiteral("Upload failed. "));
        return false;
    }
    ProjectStore::MarkUploadIncomplete(store_, t.DbName, false);
    return true;
}

void TDeployment::createStage2() {
    const TBTable& t = pending_->table;
    const QString fallback = QStringLiteral("Error. Database not created.");
    bool created = false;
    try {
        const QByteArray body = request(t, kCreateScript);
        if (body.isEmpty()) {
            port_.ShowWarning(fallback);
        } else if (!ScriptAnswer::Has(body, "corvanta_ok")) {
            const QString text = ScriptAnswer::Text(body, "corvanta_error", 100, true,
                                                    t.Language.Text(QStringLiteral("CharSet")));
            port_.ShowWarning(text.isEmpty() ? fallback : text);
        } else {
            created = true;
            showUploadReport(
                t, QStringLiteral(
                       "Upload process was successful, database creation process was successful."));
        }
    } catch (const ENetError& e) {
        requestFailed(
            e, QStringLiteral("Database creation failed. No response from the specified URL."));
    }
    // Whatever the answer: the script that drops the tables leaves the server.
    removeScript(t, kCreateScript);
    port_.ProgressHide();
    port_.SetMainEnabled(true);
    finish(created);
}

void TDeployment::showUploadReport(const TBTable& t, const QString& result,
                                   const QString& warning) {
    TReport report;
    report.Title = QStringLiteral("Upload report");
    report.AddHeading(QStringLiteral("Upload report"));
    report.AddLine();
    report.AddLine(result, true);
    if (!warning.isEmpty())
        report.AddLine(warning);
    report.AddLine();
    reportTables(report);
    report.AddLine(QStringLiteral("The generated database was uploaded to:"), true);
    report.AddLine(t.URL);
    report.AddLine();
    report.AddLine(QStringLiteral("Visitor functions are available at:"), true);
    report.AddLine(t.URL);
    report.AddLine();
    report.AddLine(QStringLiteral("Administrator functions are available at:"), true);
    report.AddLine(t.URL + QStringLiteral("admin/"));
    report.AddLine();
    report.AddLine(QStringLiteral("Your administrator password is:"), true);
    report.AddLine(t.AdminPassword);
    report.AddLine();
    if (notEncrypted_) {
        report.AddLine(QStringLiteral("The FTP connection was not encrypted: the server does not "
                                      "offer FTP over TLS. Your password and files went over the "
                                      "network in plain text."),
                       true);
        report.AddLine();
    }
    port_.SaveAndShowReport(report, t.LocalPath + QStringLiteral("Upload.log"), t.URL);
}
