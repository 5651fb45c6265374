// Upload: generate, read the live tables and ask with their plan, publish
// the site by its plan with the table steps the new pages need before they
// go live, the steps the old ones need after, and the upload report.
#include "Deployment.h"
#include "model/ProjectJson.h"

#include "ScriptAnswer.h"
#include "model/ProjectStore.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QFileInfo>

namespace {

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
            QStringList empty;
            for (const auto& [setting, value] : {std::pair{QStringLiteral("URL"), t.URL},
                                                 {QStringLiteral("Server"), t.Server},
                                                 {QStringLiteral("User"), t.User}})
                if (value.isEmpty())
                    empty << setting;
            if (!QFileInfo(t.LocalPath).isDir())
                empty << QStringLiteral("LocalPath");
            refuse(QStringLiteral("Fill in the Connection settings first!"),
                   SettingsPages::Connection, JsonSettingPlaces(empty));
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
    publishLines_.clear();
    try {
        announced_ = false;
        port_.ProgressStep();
        port_.ProgressSetText(QStringLiteral("Connecting to the server..."));
        connectFtp(t);
    } catch (const ENetError& e) {
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
    if (port_.ProgressCancelled()) {
        port_.ShowInformation(QStringLiteral("Uploading canceled. Please wait..."));
        disconnectQuietly();
        endWindows();
        finish(false);
        return false;
    }
    // From here on the server may hold part of the site (folders, files
    // left by a failed clean-up): Remove must be able to take it away.
    ProjectStore::MarkUploaded(store_, t.DbName);
    ProjectStore::MarkUploadIncomplete(store_, t.DbName, true);

    // Asked before anything is sent, so the publish plan holds the answer.
    bool asked = false;
    try {
        asked = tablesStep(t);
    } catch (const ENetError& e) {
        if (port_.ProgressCancelled())
            port_.ShowInformation(QStringLiteral("Uploading canceled."));
        endAfterFailure(e, QStringLiteral("Upload failed. "));
        return false;
    }
    if (!asked || port_.ProgressCancelled()) {
        if (asked)
            port_.ShowInformation(QStringLiteral("Uploading canceled."));
        disconnectQuietly();
        endWindows();
        finish(false);
        return false;
    }

    TPublished published = TPublished::Load(store_, t.DbName, t);
    const TPublishPlan plan = TPublishPlan::Site(t, published, createDb_);
    const TPublisher::TOutcome out =
        publish(t, plan, published, [&] { return tablesBeforePages(t); });
    if (out.Failed()) {
        uploadFailed(t, out, plan);
        return false;
    }
    // The columns of removed fields go in the second stage, which clears the
    // folder itself.
    if (!(tablesChoice_ == TTablesChoice::Update && tablePlan_->HasPhase(2)))
        clearTableFolder(t);
    disconnectQuietly();
    publishLines_ << QStringLiteral("Files sent: %1. Unchanged since the last upload, not sent "
                                    "again: %2.")
                         .arg(out.Sent)
                         .arg(plan.Unchanged());
    if (!out.Unprotected.isEmpty())
        publishLines_ << QStringLiteral("The server does not let these files, which hold the "
                                        "database password, be made readable by their owner "
                                        "only: %1. Other accounts on the server may read them.")
                             .arg(out.Unprotected.join(QStringLiteral(", ")));
    ProjectStore::MarkUploadIncomplete(store_, t.DbName, false);
    return true;
}

void TDeployment::uploadFailed(const TBTable& t, const TPublisher::TOutcome& out,
                               const TPublishPlan& plan) {
    QString state;
    if (out.State == TPublisher::TState::Mixed) {
        state = QStringLiteral("The upload stopped while the new files were put in place: %1 of "
                               "%2 files are new, the others are still the old ones. Upload "
                               "again to complete the site.")
                    .arg(out.Live.size())
                    .arg(plan.ToSend());
    } else {
        state = neverUploaded_ ? QStringLiteral("Nothing of the site went live on the server.")
                               : QStringLiteral("The site on the server was not changed.");
    }
    if (!out.LeftOver.isEmpty())
        state += QStringLiteral(" These temporary files could not be removed from the server: "
                                "%1.")
                     .arg(out.LeftOver.join(QStringLiteral(", ")));
    const bool cancelled = out.Cancelled;
    // The publisher has ended its session; the table scripts are left to clear.
    if (tableFolder_) {
        try {
            connectFtp(t);
            clearTableFolder(t);
        } catch (const ENetError&) {
        }
    }
    disconnectQuietly();
    endWindows();
    if (!out.Stopped.isEmpty()) {
        port_.ShowWarning(out.Stopped + u'\r' + state);
    } else if (cancelled) {
        port_.ShowInformation(QStringLiteral("Uploading canceled. ") + state);
    } else {
        try {
            std::rethrow_exception(out.Error);
        } catch (const ENetError& e) {
            QString why = e.message().trimmed();
            if (!why.endsWith(u'.') && !why.endsWith(u'!') && !why.endsWith(u'?'))
                why += u'.';
            port_.ShowWarning(QStringLiteral("Upload failed. ") + why + u' ' + state);
        }
    }
    finish(false);
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
            const QString text =
                ScriptAnswer::Text(body, "corvanta_error", 100, true, t.PageCharSet());
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
    for (const QString& line : SiteUseWarnings(t))
        report.AddLine(line, true);
    report.AddLine();
    reportTables(report);
    report.AddLine(QStringLiteral("The site was uploaded to:"), true);
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
    for (const QString& line : publishLines_) {
        report.AddLine(line);
        report.AddLine();
    }
    if (notEncrypted_) {
        report.AddLine(QStringLiteral("The FTP connection was not encrypted: the server does not "
                                      "offer FTP over TLS. Your password and files went over the "
                                      "network in plain text."),
                       true);
        report.AddLine();
    }
    port_.SaveAndShowReport(report, t.LocalPath + QStringLiteral("Upload.log"), t.URL);
}
