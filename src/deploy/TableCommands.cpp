// The tables of a live site: read them, plan what the definition asks of
// them, and apply exactly that plan, before and after the new pages go live.
#include "Deployment.h"

#include "ScriptAnswer.h"
#include "model/ProjectStore.h"
#include "model/RecordLayout.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

namespace {

const QString kColumnsScript = QStringLiteral("columns_db.php");
const QString kAlterScript = QStringLiteral("alter_db.php");
const QString kImportScript = QStringLiteral("import_db.php");
const QString kCreateScript = QStringLiteral("create_db.php");
const QString kRuntime = QStringLiteral("runtime.php");
// Reading and changing the tables never replaces a file that the visitors'
// pages are using at that moment.
const QString kTableFolder = QStringLiteral("corvanta_tables/");

QString charSet(const TBTable& t) {
    return t.Language.Text(QStringLiteral("CharSet"));
}

// The text of the answer's paragraph of class `cssClass`, up to its "</P>".
QByteArray paragraph(const QByteArray& body, const char* cssClass) {
    const QByteArray marker = ScriptAnswer::Marker(cssClass);
    const qsizetype at = body.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype start = at + marker.size();
    const qsizetype end = body.indexOf("</P>", start);
    return body.mid(start, end < 0 ? -1 : end - start);
}

// Why the script's answer is no answer.
QString scriptError(const TBTable& t, const QByteArray& body, const QString& script) {
    const QString text = ScriptAnswer::Text(body, "corvanta_error", 300, false, charSet(t));
    return text.isEmpty() ? script + QStringLiteral(" gave no usable answer.") : text;
}

} // namespace

void TDeployment::sendTableScript(const TBTable& t, const QString& script) {
    const QString folder = t.PHPPath + kTableFolder;
    // Before the first upload the site's own folder may be missing too.
    const QStringList levels = TPublishPlan::SiteFolders(t) << folder;
    for (const QString& level : levels) {
        try {
            ftp_.MakeDirectory(level);
        } catch (const FTPException&) {
            // Usually: the folder exists.
        }
    }
    tableFolder_ = true;
    for (const QString& file : {kRuntime, script}) {
        ftp_.Upload(TPHPGenerator::OutputPath(t, false, file), folder + file);
        // The script holds the database password, like the pages.
        try {
            ftp_.SetPermissions(folder + file, 0600);
        } catch (const FTPException&) {
        }
    }
}

void TDeployment::clearTableFolder(const TBTable& t) {
    // Also after a lost connection: it may run while a failure unwinds.
    const QString folder = t.PHPPath + kTableFolder;
    try {
        for (const QString& file : {kColumnsScript, kAlterScript, kImportScript, kRuntime})
            deleteQuietly(folder + file);
        ftp_.RemoveDir(folder);
        tableFolder_ = false;
    } catch (const ENetError&) {
    }
}

TTablePlan TDeployment::readTablePlan(const TBTable& t) {
    const bool first = neverUploaded_;
    if (!generator_.ColumnsScript(t))
        return TTablePlan::Unread(kColumnsScript + QStringLiteral(" could not be written."), first);
    try {
        sendTableScript(t, kColumnsScript);
    } catch (const FTPException& e) {
        // Usually: the site's folder is not there (yet).
        return TTablePlan::Unread(e.message(), first);
    }
    const auto live = [&](const QByteArray& body, QString* why) -> std::optional<TLiveTables> {
        if (ScriptAnswer::Has(body, "corvanta_ok"))
            if (auto tables = TLiveTables::Parse(paragraph(body, "corvanta_ok"), charSet(t)))
                return tables;
        *why = scriptError(t, body, kColumnsScript);
        return std::nullopt;
    };
    TTablePlan plan = TTablePlan::Unread({}, first);
    try {
        QString why;
        const auto tables = live(request(t, kColumnsScript, {}, kTableFolder), &why);
        if (!tables) {
            plan = TTablePlan::Unread(why, first);
        } else {
            plan = TTablePlan::Compute(t, *tables);
            if (!plan.Checks().isEmpty() || !plan.KeyChecks().isEmpty()) {
                const QString query = QStringLiteral("check=") + plan.Checks().join(u',') +
                                      QStringLiteral("&keys=") + plan.KeyChecks().join(u',');
                const auto checked = live(request(t, kColumnsScript, query, kTableFolder), &why);
                plan.TakeMisfits(checked ? *checked : TLiveTables{});
            }
        }
    } catch (const ENetError& e) {
        plan = TTablePlan::Unread(e.message(), first);
    }
    deleteQuietly(t.PHPPath + kTableFolder + kColumnsScript);
    return plan;
}

bool TDeployment::tablesStep(const TBTable& t) {
    port_.ProgressSetText(QStringLiteral("Reading the tables on the server"));
    tablePlan_ = readTablePlan(t);
    // The folder stays only for the steps around the new pages.
    bool keepFolder = false;
    const auto clear = qScopeGuard([&] {
        if (!keepFolder)
            clearTableFolder(t);
    });
    if (port_.ProgressCancelled())
        return true;
    const TTablePlan& plan = *tablePlan_;
    tablesChoice_ = port_.AskTables(plan);
    if (tablesChoice_ == TTablesChoice::Create) {
        // The schema script travels with the site's files.
        createDb_ = true;
        return true;
    }
    if (tablesChoice_ == TTablesChoice::Leave)
        return true;
    if (!plan.Choices().contains(TTablesChoice::Update)) {
        QString why = QStringLiteral("they could not be read.");
        if (plan.Readable() && !plan.TablesExist())
            why = QStringLiteral("the site has no tables yet: create them.");
        for (const TTableStep& s : plan.Steps())
            if (!s.Refusal.isEmpty() && plan.Readable()) {
                why = s.Text + u' ' + s.Refusal;
                break;
            }
        port_.ShowWarning(QStringLiteral("The tables cannot be updated: ") + why +
                          QStringLiteral("\rUpload stopped; nothing was changed in the tables."));
        return false;
    }
    if (plan.Steps().empty())
        return true;
    if (!generator_.AlterScript(t, plan.Statements()))
        return false;
    port_.ProgressSetText(QStringLiteral("Uploading alter_db.php"));
    sendTableScript(t, kAlterScript);
    keepFolder = true;
    return true;
}

QString TDeployment::tablesBeforePages(const TBTable& t) {
    // Columns for the new pages come before them, so no page ever names a
    // column the table lacks.
    if (tablesChoice_ != TTablesChoice::Update || !tablePlan_->HasPhase(1))
        return {};
    // The file session would sit idle while the tables change, perhaps past
    // the server's limit: the renames get a fresh one.
    disconnectQuietly();
    port_.ProgressSetText(QStringLiteral("Updating the tables"));
    const QString failure = applyTables(t, 1);
    if (!failure.isEmpty())
        return failure + QStringLiteral("\rUpload stopped before the new pages went live.");
    try {
        connectFtp(t);
    } catch (const ENetError& e) {
        return QStringLiteral("The tables were updated, but the connection to the server was "
                              "lost before the new pages went live (%1). Upload again to put "
                              "them in place.")
            .arg(e.message());
    }
    return {};
}

QString TDeployment::applyTables(const TBTable& t, int phase) {
    const std::vector<TSchemaStatement> statements = tablePlan_->Statements();
    QByteArray body;
    bool answered = true;
    try {
        body = request(t, kAlterScript, QStringLiteral("phase=%1").arg(phase), kTableFolder);
    } catch (const ENetError& e) {
        tablesFailure_ = e.message();
        answered = false;
    }
    // Each statement that ran says so as it ends.
    static const QRegularExpression ran(
        QStringLiteral("<P CLASS=\"corvanta_step\">(\\d+) ([A-Z=, ]+)</P>"));
    for (auto it = ran.globalMatch(QString::fromLatin1(body)); it.hasNext();) {
        const auto m = it.next();
        const size_t n = m.captured(1).toULongLong();
        if (n >= 1 && n <= statements.size())
            tablesRan_ << QStringLiteral("%1 (%2)").arg(statements[n - 1].sql, m.captured(2));
    }
    if (answered && ScriptAnswer::Has(body, "corvanta_ok"))
        return {};
    QString text;
    if (!answered)
        text = QStringLiteral("Updating the tables failed: no answer from alter_db.php (%1). The "
                              "statement that was running may have changed its table: upload "
                              "again to see what is left to do.")
                   .arg(tablesFailure_);
    else
        text = QStringLiteral("Updating the tables failed: ") +
               (tablesFailure_ = scriptError(t, body, kAlterScript));
    text += tablesRan_.isEmpty()
                ? QStringLiteral("\rNo statement ran.")
                : QStringLiteral("\rStatements that ran:\r") + tablesRan_.join(u'\r');
    return text;
}

QString TDeployment::backupRecords(const TBTable& t) {
    QStringList lockless;
    const TBTable backup = tablePlan_->BackupTable(t, &lockless);
    const QString folder = t.LocalPath + QStringLiteral("backups/");
    // The records and the members' passwords: their owner's only.
    if (!QFileInfo(folder).isDir() &&
        !QDir().mkdir(folder,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        port_.ShowWarning(QStringLiteral("Folder \"%1\" for the backup cannot be created; the "
                                         "columns of removed fields were kept.")
                              .arg(folder));
        return {};
    }
    const QString base = folder + t.TableName + u'-' +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                         u'-';
    const QStringList paths = {base + QStringLiteral("records.txt"),
                               SiteHasMembers(t) ? base + QStringLiteral("users.txt") : QString(),
                               base + QStringLiteral("images.txt")};
    if (!generator_.DownloadScript(backup, lockless))
        return {};
    TDownload download{TDownload::Incomplete, {}};
    try {
        port_.ProgressSetText(QStringLiteral("Downloading the records to a backup file"));
        connectFtp(t);
        sendTableScript(t, kImportScript);
        ftp_.Disconnect();
        download = downloadRecords(backup, paths, {}, kTableFolder);
    } catch (const ENetError& e) {
        download.Text = e.message();
    }
    removeScript(t, kTableFolder + kImportScript);
    if (download.Result == TDownload::Done)
        return paths.first();
    const QString why = download.Result == TDownload::FileFailed
                            ? QStringLiteral("File access error to ") + download.Text
                            : download.Text;
    port_.ShowWarning(QStringLiteral("The records could not be downloaded to a backup file%1: the "
                                     "columns of removed fields were kept. Upload again to remove "
                                     "them.")
                          .arg(why.isEmpty() ? QString() : QStringLiteral(" (") + why + u')'));
    return {};
}

void TDeployment::alterStage2() {
    const TBTable t = pending_->table;
    bool updated = false;
    backupPath_ = tablePlan_->Drops() ? backupRecords(t) : QString();
    if (!tablePlan_->Drops() || !backupPath_.isEmpty()) {
        port_.ProgressSetText(QStringLiteral("Removing the columns of removed fields"));
        const QString failure = applyTables(t, 2);
        updated = failure.isEmpty();
        if (!updated)
            port_.ShowWarning(failure);
    }
    // Whatever happened: the script that alters the tables leaves the server.
    try {
        connectFtp(t);
        clearTableFolder(t);
    } catch (const ENetError&) {
    }
    disconnectQuietly();
    port_.ProgressHide();
    port_.SetMainEnabled(true);
    if (updated)
        showUploadReport(t, QStringLiteral("Upload process was successful, the tables were "
                                           "updated and keep their records."));
    finish(updated);
}

void TDeployment::reportTables(TReport& report) const {
    if (!tablePlan_)
        return;
    const QStringList lines = tablePlan_->Lines();
    report.AddLine(lines.first() + u':', true);
    for (const QString& line : lines.mid(1))
        report.AddLine(line);
    report.AddLine(QStringLiteral("Answer: ") + tablePlan_->Caption(tablesChoice_));
    if (!tablesRan_.isEmpty()) {
        report.AddLine(QStringLiteral("Statements that ran:"));
        for (const QString& line : tablesRan_)
            report.AddLine(line);
    }
    if (!backupPath_.isEmpty())
        report.AddLine(QStringLiteral("The records were downloaded to the backup file ") +
                       backupPath_);
    report.AddLine();
}

void TDeployment::PlanTables(const TBTable& t) {
    begin();
    guarded([&] {
        if (!checkProject(t, false) || !makeLocalFolders(t))
            return;
        if (t.URL.isEmpty() || t.Server.isEmpty() || t.User.isEmpty()) {
            refuse(QStringLiteral("Fill in the Connection settings first!"),
                   SettingsPages::Connection);
            return;
        }
        if (!internetAvailable(t)) {
            refuse(QStringLiteral("No internet connection available."));
            return;
        }
        if (!checkWebServer(t, QString())) {
            finish(false);
            return;
        }
        neverUploaded_ = !ProjectStore::ReadUploaded(store_, t.DbName);
        if (!generator_.RuntimeScript(t, false))
            return finish(false);
        try {
            announced_ = false;
            connectFtp(t);
            tablePlan_ = readTablePlan(t);
            clearTableFolder(t);
            ftp_.Disconnect();
        } catch (const ENetError& e) {
            endAfterFailure(e, QStringLiteral("Reading the tables failed. "));
            return;
        }
        TReport report;
        report.Title = QStringLiteral("Table plan");
        const QStringList lines = tablePlan_->Lines();
        report.AddHeading(lines.first());
        for (const QString& line : lines.mid(1))
            report.AddLine(line);
        report.AddLine();
        report.AddLine(QStringLiteral("Upload offers:"), true);
        for (const TTablesChoice choice : tablePlan_->Choices())
            report.AddLine(tablePlan_->Caption(choice) + (choice == tablePlan_->Default()
                                                              ? QStringLiteral(" (the default)")
                                                              : QString()));
        port_.ShowReport(report, {});
        finish(tablePlan_->Readable());
    });
}
