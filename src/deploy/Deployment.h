#pragma once

#include "ExportRun.h"
#include "Publisher.h"
#include "TablePlan.h"
#include "TransferSwitch.h"
#include "UserPort.h"
#include "generator/PHPgenerator.h"
#include "model/ProjectCheck.h"
#include "model/TableFields.h"
#include "net/SftpClient.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ENetError;
class TFtpClient;
class THttpClient;
class TStore;

// The deployment commands: Generate, Upload, record Import and Export, and
// Remove. Each is a fixed sequence of checks, generator calls, FTP transfers
// and HTTP requests that talks to the user only through the port, so the
// desktop program and corvanta-cli run the same code.
//
// A command whose maintenance script must run over HTTP ends its first stage
// by handing the script's name to `postStage2`, which must call RunStage2
// with it later from the event loop (the main window posts an event; the
// command line queues a call). The command has ended when OnFinished is
// called; Succeeded() then tells whether it did what it set out to do.
class TDeployment {
public:
    using TPoster = std::function<void(const QString& script)>;
    // True when the hosts (FTP server, web site) can be reached.
    using TInternetCheck = std::function<bool(const QStringList& hosts)>;

    // The clients get their event handlers (the messages of a failed
    // connection) from here.
    TDeployment(TUserPort& port, TStore& store, TFtpClient& ftp, THttpClient& http,
                TPoster postStage2);
    ~TDeployment();
    TDeployment(const TDeployment&) = delete;
    TDeployment& operator=(const TDeployment&) = delete;

    // --- Commands on the open project; `changed`: it has unsaved changes.
    void Generate(const TBTable& t, bool changed);
    void Upload(const TBTable& t, bool changed);
    void Import(const TBTable& t, bool changed);
    void Export(const TBTable& t, bool changed);
    // Export of record files made from a spreadsheet (TSheetRecords): no
    // file is asked for, and the site's members stay as they are, also
    // when every record is replaced. `hold` is kept until the command ends
    // (the folder of the files).
    // `describe` names a refusal of the server as the spreadsheet's row and
    // column.
    void ExportSheet(const TBTable& t, bool changed, const TExportFiles& files,
                     std::shared_ptr<const void> hold,
                     std::function<QString(const TRefusal&)> describe);
    // Import into a spreadsheet (TSheetWriter) at `path`, CSV or XLSX by its
    // name, with its pictures beside it.
    void ImportSheet(const TBTable& t, bool changed, const QString& path);
    // Reads the site's tables and shows what Upload would do to them, as
    // the plan window shows it; changes nothing (corvanta-cli upload --plan).
    void PlanTables(const TBTable& t);
    // The second stage for the pending script: "create_db.php" and
    // "alter_db.php" (upload), "import_db.php", "export_db_0.php", otherwise
    // the export's data stage.
    void RunStage2(const QString& script);
    // Removes the stored project `name` (never the open one) as the user
    // chooses in the remove dialog: settings, server, or both.
    void RemoveDatabase(const QString& name);
    // The reports' warnings about a site visitors can hardly use: no field
    // to search, no field shown in the results. Empty when all is well.
    static QStringList SiteUseWarnings(const TBTable& t);

    // --- Outcome
    // A second stage is queued and has not ended yet.
    bool Running() const { return running_; }
    bool Succeeded() const { return succeeded_; }
    std::function<void(bool succeeded)> OnFinished;

    TPHPGenerator& Generator() { return generator_; }
    // What a failed request of a script tells: `usual` ("X failed. No
    // response from the specified URL.") with the reason, or the reason in
    // place of "No response" when the server did answer.
    static QString RequestFailure(const ENetError& e, const QString& usual);
    void SetInternetCheck(TInternetCheck check) { internet_ = std::move(check); }
    // Milliseconds an FTP server may stay silent before a command fails.
    void SetFtpTimeOut(int ms) { ftpTimeOut_ = ms; }
    // Milliseconds one request or one FTP command may take in all (uploads
    // get more by their size); a server that trickles still ends in time.
    void SetOverallLimits(int httpMs, int transferMs) {
        httpLimit_ = httpMs;
        transferLimit_ = transferMs;
    }
    // A fingerprint the user chose to trust was stored with the project
    // (setting "TrustedCertificates" or "TrustedHostKey", with its whole new
    // value): the open project takes it too.
    std::function<void(const QString& project, const QString& setting, const QString& value)>
        OnTrustStored;
    // The SFTP client, for its known-hosts file.
    TSftpClient& Sftp() { return sftp_; }
    // The size an export's parts grow to before they are sent.
    void SetExportPartBytes(qint64 bytes) { partBytes_ = bytes; }

private:
    struct TPending {
        TBTable table;
        QString records, users, images;
        bool replace = false;
        bool keepMembers = false; // a spreadsheet: the site's members stay
        QString sheet{};          // import into this spreadsheet
        std::shared_ptr<const void> hold{};
        std::function<QString(const TRefusal&)> describe{};
    };

    // Commands (one source each).
    bool checkProject(const TBTable& t, bool changed);
    bool makeLocalFolders(const TBTable& t);
    bool generateSite(const TBTable& t, bool uploadOrder);
    bool uploadStage1(const TBTable& t);
    // Tells how the upload ended and in which state it left the site.
    void uploadFailed(const TBTable& t, const TPublisher::TOutcome& out, const TPublishPlan& plan);
    void createStage2();
    // Upload's question about the tables: reads them, asks with the plan and
    // runs what must happen before the new pages go live. False when the
    // upload stops (the reason has been shown).
    bool tablesStep(const TBTable& t);
    TTablePlan readTablePlan(const TBTable& t);
    // The plan's steps the new pages need, once their files have arrived
    // and before they go live; why the upload stops, or empty.
    QString tablesBeforePages(const TBTable& t);
    // Runs the plan's statements of `phase` through alter_db.php; why it
    // failed, with the statements that ran, or empty.
    QString applyTables(const TBTable& t, int phase);
    // The plan's second phase: the backup download, then the columns dropped.
    void alterStage2();
    // Downloads the records into backup files beside the project; the path
    // of the records file, or empty after the failure has been shown.
    QString backupRecords(const TBTable& t);
    // The plan and what became of it, for the upload report.
    void reportTables(TReport& report) const;
    // warning: a line below the result, or none.
    void showUploadReport(const TBTable& t, const QString& result, const QString& warning = {});
    // The download of import_db.php (already on the server, in `folder` of
    // the site's; `query` as for request) into the files of records, users
    // (or none) and images, each whole or not at all.
    struct TDownload {
        enum { Done, ScriptError, Incomplete, FileFailed } Result;
        QString Text; // the script's error, or the file that failed
    };
    TDownload downloadRecords(const TBTable& t, const QStringList& paths, const QString& query = {},
                              const QString& folder = {});
    void importStage2();
    void importFileFailed(const QString& path);
    // Export of the pending files, asking for them unless given.
    void exportFiles(const TBTable& t, bool changed, TPending* given);
    void importFiles(const TBTable& t, bool changed, TPending* given);
    // The downloaded files into the pending spreadsheet; false after telling why.
    bool writeSheet(const TPending& p);
    void exportCountStage2();
    void exportDataStage2();
    // A step of the export's data script (query after its key).
    QByteArray requestJob(const TBTable& t, const QString& query);
    // Notes in the store the export runs that may have left staged tables
    // behind ("run,run"; empty: none), and reads them.
    void rememberTransferRun(const TBTable& t, const QString& runs);
    QStringList transferRuns(const TBTable& t);
    enum class TServerRemoval { Aborted, Failed, Removed };
    TServerRemoval removeFromServer(const TBTable& t, const QString& name);
    void removeLocalFiles(const TBTable& t);

    // Shared steps.
    void begin();
    void finish(bool succeeded);
    // Runs a command; a failure it raises unexpectedly is shown, and the
    // windows are put back so the program stays usable.
    void guarded(const std::function<void()>& command);
    bool internetAvailable(const TBTable& t);
    // places: the settings concerned (store names, "Settings.X" in the
    // project JSON) or a field's value ("Fields[i].X").
    void refuse(const QString& text, int settingsPage = -1, const QStringList& places = {});

    // The settings page of a setting (its store name), or -1.
    static int settingsPageOf(const QString& setting);
    void connectFtp(const TBTable& t);
    // https only: the web server's certificate is settled (asking the user
    // when it fails the checks) before anything changes on the server.
    // False after the refusal has been shown.
    bool checkWebServer(const TBTable& t, const QString& prefix);
    // Asks whether to trust what the refusal shows and stores the answer;
    // false when the refusal stands.
    bool trust(const TBTable& t, const ETlsError& refusal);
    // The client trusts what the project and the running command trust.
    void applyTrust(TSocketLayer& client, const TBTable& t) const;
    QString trustedHostKey(const TBTable& t) const;
    // The message of a failed script request: why, when the reason is a
    // certificate, else the usual text.
    void requestFailed(const ENetError& e, const QString& usual);
    // An answer that is no success raises EAnswerError with its status.
    void checkStatus() const;
    void disconnectQuietly();
    void deleteQuietly(const QString& remotePath);
    // Connect, delete the script from the server, disconnect; failures ignored.
    // onOpenSession: on the session the command holds open, when it still is.
    void removeScript(const TBTable& t, const QString& script, bool onOpenSession = false);
    // Runs an FTP step on the session the command holds open; a session the
    // server has ended meanwhile is opened again and the step repeated once.
    void onSession(const TBTable& t, const std::function<void()>& step);
    // Deletes the script on that session; a file that is not there is no failure.
    void deleteOnSession(const TBTable& t, const QString& script);
    // Generates runtime.php and the script; false after a failure was shown.
    bool generateScript(const TBTable& t, const std::function<bool()>& script);
    // The checks Import and Export begin with: saved project, the notice,
    // a connection. False after the refusal has been shown.
    bool transferMayStart(const TBTable& t, bool changed, const QString& notice);
    // The text files of Import (saving) or Export: records, users, images.
    // False when the user cancelled a choice.
    bool chooseTextFiles(const TBTable& t, bool saving, TPending& pending);
    // Uploads the script with the runtime it needs (when the server does
    // not hold that runtime already); raises what made it fail.
    void uploadScript(const TBTable& t, const QString& script);
    // Applies a publish plan on the connected server, removing what a
    // failure leaves, and remembers which files went live. `beforeSwitch`
    // runs once every file has arrived and before any goes live; a text it
    // returns stops the upload with the site as it was.
    TPublisher::TOutcome publish(const TBTable& t, const TPublishPlan& plan, TPublished& published,
                                 const std::function<QString()>& beforeSwitch = {});
    // The answer body of the keyed script; raises when no answer came.
    // `query` ("name=value&...") is added to the script's key; `folder` is
    // the script's folder below the site's.
    QByteArray request(const TBTable& t, const QString& script, const QString& query = {},
                       const QString& folder = {});
    // The table scripts run from a folder of their own, beside their own copy
    // of the runtime layer.
    void sendTableScript(const TBTable& t, const QString& script);
    // Deletes that folder; failures ignored, it never raises.
    void clearTableFolder(const TBTable& t);
    // After a failure raised in a first stage: windows back, and the failure
    // told unless a client event or the user's Cancel already explains it.
    void endAfterFailure(const ENetError& e, const QString& prefix);
    void endWindows();
    // Cancel ends the network wait in progress at once.
    void installCancelHandler();

    TUserPort& port_;
    TStore& store_;
    TFtpClient& ftpClient_;
    TSftpClient sftp_;
    TTransferSwitch ftp_; // the client the project's Transfer setting names
    THttpClient& http_;
    TPoster postStage2_;
    TPHPGenerator generator_;
    TInternetCheck internet_;
    int ftpTimeOut_ = 30000;
    int httpLimit_ = 15 * 60 * 1000;
    int transferLimit_ = 2 * 60 * 1000;
    // Trust given during the running command (by "host:port"), ahead of
    // the stored table's.
    QMap<QString, QString> trustedNow_;
    // Said after a refusal when the user declined to trust the server.
    QString trustDeclined_;
    QString trustedHostKey_;
    // "If offered" went on without encryption.
    bool notEncrypted_ = false;
    // What the upload report says of the files published.
    QStringList publishLines_;
    qint64 partBytes_ = 2 * 1024 * 1024;

    std::optional<TPending> pending_;
    bool running_ = false;
    bool succeeded_ = false;
    bool createDb_ = false;
    // The running upload is the project's first: it has no tables yet.
    bool neverUploaded_ = false;
    // Upload's table plan, the answer, and what ran of it.
    std::optional<TTablePlan> tablePlan_;
    TTablesChoice tablesChoice_ = TTablesChoice::Leave;
    QStringList tablesRan_; // "step N: how", in order
    QString tablesFailure_; // why applying stopped; empty when it did not
    QString backupPath_;
    // The table scripts' folder is on the server and must be cleared.
    bool tableFolder_ = false;
    // A client event has shown why the running network step failed.
    bool announced_ = false;
};
