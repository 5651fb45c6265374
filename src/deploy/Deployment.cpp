// The frame of the deployment commands: client events, outcome, and the
// steps they share (connecting, quiet deletions, the keyed script requests).
#include "Deployment.h"

#include "Connection.h"
#include "model/ProjectCheck.h"
#include "model/ProjectStore.h"
#include "model/Store.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

TDeployment::TDeployment(TUserPort& port, TStore& store, TFtpClient& ftp, THttpClient& http,
                         TPoster postStage2)
    : port_(port), store_(store), ftpClient_(ftp), ftp_(ftp), http_(http),
      postStage2_(std::move(postStage2)),
      generator_([this](const QString& text) { port_.ShowWarning(text); }),
      internet_(InternetAvailable) {
    for (TSocketLayer* client :
         {static_cast<TSocketLayer*>(&ftpClient_), static_cast<TSocketLayer*>(&sftp_)}) {
        client->OnInvalidHost = [this](bool& handled) {
            announced_ = true;
            port_.ShowWarning(
                QStringLiteral("FTP connection failed! Change the FTP server settings."));
            handled = false;
        };
        // Only a refused login: a port that refuses the connection says so
        // in the error that follows.
        client->OnConnectionFailed = [this](TSocketLayer*) {
            if (!ftp_.RefusedLogin())
                return;
            announced_ = true;
            port_.ShowWarning(
                QStringLiteral("FTP connection failed! FTP User name or Password is incorrect."));
        };
    }
    http_.OnInvalidHost = [this](bool& handled) {
        announced_ = true;
        port_.ShowMessage(QStringLiteral("Invalid Host!"));
        handled = false;
    };
    http_.OnConnectionFailed = [this](TSocketLayer*) {
        announced_ = true;
        port_.ShowMessage(QStringLiteral("Connection Failed"));
    };
    http_.OnFailure = [](int) {};
    installCancelHandler();
}

void TDeployment::installCancelHandler() {
    // Cancel ends a network wait at once; the command then stops as after a
    // Cancel between two files.
    port_.SetCancelHandler([this] {
        ftpClient_.Cancel();
        sftp_.Cancel();
        http_.Cancel();
    });
}

TDeployment::~TDeployment() {
    port_.SetCancelHandler({});
    ftpClient_.OnInvalidHost = nullptr;
    ftpClient_.OnConnectionFailed = nullptr;
    http_.OnInvalidHost = nullptr;
    http_.OnConnectionFailed = nullptr;
    http_.OnFailure = nullptr;
}

// --- Outcome

void TDeployment::begin() {
    running_ = false;
    succeeded_ = false;
    announced_ = false;
    trustedCertificate_.clear();
    trustedHostKey_.clear();
    notEncrypted_ = false;
    tablePlan_.reset();
    tablesChoice_ = TTablesChoice::Leave;
    tablesRan_.clear();
    tablesFailure_.clear();
    backupPath_.clear();
}

void TDeployment::finish(bool succeeded) {
    running_ = false;
    succeeded_ = succeeded;
    pending_.reset();
    if (OnFinished)
        OnFinished(succeeded);
}

void TDeployment::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        // Store errors, write errors of the generator and the like.
        QString text = QString::fromUtf8(e.what());
        if (const auto* store = dynamic_cast<const TStoreError*>(&e))
            text = store->message();
        else if (const auto* io = dynamic_cast<const EInOutError*>(&e))
            text = io->Message();
        disconnectQuietly();
        endWindows();
        port_.ShowError(text);
        finish(false);
    }
}

void TDeployment::endWindows() {
    port_.ProgressHide();
    port_.WaitHide();
    port_.SetMainEnabled(true);
    port_.FocusMain();
}

void TDeployment::endAfterFailure(const ENetError& e, const QString& prefix) {
    const bool cancelled = port_.ProgressCancelled();
    disconnectQuietly();
    endWindows();
    if (!announced_ && !cancelled)
        port_.ShowWarning(prefix + e.message());
    finish(false);
}

// --- Checks shared by Generate and Upload

void TDeployment::refuse(const QString& text, int settingsPage) {
    port_.ShowWarning(text);
    port_.FocusMain();
    if (settingsPage >= 0)
        port_.OpenSettings(settingsPage);
    finish(false);
}

bool TDeployment::checkProject(const TBTable& t, bool changed) {
    if (!t.HasFields()) {
        refuse(QStringLiteral("No Database Fields present."));
        return false;
    }
    if (changed) {
        refuse(QStringLiteral("Save the database first."));
        return false;
    }
    if (t.TableName.isEmpty() || t.DatabaseServer.isEmpty()) {
        refuse(QStringLiteral("Fill in the Database settings first!"), SettingsPages::Database);
        return false;
    }
    if (t.AdminPassword.isEmpty()) {
        refuse(QStringLiteral("Fill in the password to the Administrator sites!"),
               SettingsPages::Administrator);
        return false;
    }
    // A definition the server or the record files cannot work with is
    // refused before anything is written or sent.
    if (const TDefinitionCheck problem = CheckProject(t)) {
        refuse(problem->Message, problem->Field > 0 ? -1 : settingsPageOf(problem->Setting));
        return false;
    }
    return true;
}

int TDeployment::settingsPageOf(const QString& setting) {
    static const QHash<QString, int> pages = {
        {QStringLiteral("TableName"), SettingsPages::Database},
        {QStringLiteral("MenuHeight"), SettingsPages::Appearance},
        {QStringLiteral("LinesPerPage"), SettingsPages::Appearance},
        {QStringLiteral("NumOfFilterFields"), SettingsPages::Appearance},
        {QStringLiteral("NumOfSortFields"), SettingsPages::Appearance},
        {QStringLiteral("FieldDelimiter"), SettingsPages::ImportExport},
        {QStringLiteral("RecordDelimiter"), SettingsPages::ImportExport},
        {QStringLiteral("ReplaceDelimiterWith"), SettingsPages::ImportExport},
        {QStringLiteral("URL"), SettingsPages::Connection},
        {QStringLiteral("PHPPath"), SettingsPages::Connection},
        {QStringLiteral("LocalPath"), SettingsPages::Connection},
    };
    return pages.value(setting, -1);
}

bool TDeployment::makeLocalFolders(const TBTable& t) {
    // One level only: a mistyped path must not grow a tree of folders.
    for (const QString& path : {t.LocalPath, t.LocalPath + QStringLiteral("admin")}) {
        if (QFileInfo(path).isDir() || (!path.isEmpty() && QDir().mkdir(path)))
            continue;
        refuse(QStringLiteral("Directory \"") + path + QStringLiteral("\" cannot be created."));
        return false;
    }
    return true;
}

bool TDeployment::internetAvailable(const TBTable& t) {
    QStringList hosts;
    for (const QString& host : {FtpTarget(t.Server).Host, UrlHost(t.URL)})
        if (!host.isEmpty())
            hosts << host;
    return internet_(hosts);
}

// --- Network steps

void TDeployment::connectFtp(const TBTable& t) {
    // A session left over from an earlier failure may be another server's.
    if (ftp_.Connected())
        disconnectQuietly();
    const bool sftp = t.Transfer == TransferModes::Sftp;
    const TFtpTarget target = FtpTarget(t.Server, sftp ? 22 : 21);
    const auto logIn = [&](auto& client) {
        client.Host = target.Host;
        client.Port = target.Port;
        client.UserID = t.User;
        client.Password = t.Password;
        client.TimeOut = ftpTimeOut_;
        client.OverallLimit = transferLimit_;
    };
    if (sftp) {
        logIn(sftp_);
        ftp_.Use(sftp_);
    } else {
        logIn(ftpClient_);
        ftpClient_.Security = t.Transfer == TransferModes::Ftp ? TFtpClient::TSecurity::Plain
                              : t.Transfer == TransferModes::Ftps
                                  ? TFtpClient::TSecurity::Required
                                  : TFtpClient::TSecurity::IfOffered;
        ftp_.Use(ftpClient_);
    }
    for (;;) {
        sftp_.TrustedHostKey = trustedHostKey(t);
        ftpClient_.TrustedCertificate = trustedCertificate(t);
        try {
            ftp_.Connect();
            break;
        } catch (const ETlsError& e) {
            if (!trust(t, e))
                throw;
        }
    }
    if (!sftp && ftpClient_.FellBack())
        notEncrypted_ = true;
}

QString TDeployment::trustedCertificate(const TBTable& t) const {
    return trustedCertificate_.isEmpty() ? t.TrustedCertificate : trustedCertificate_;
}

QString TDeployment::trustedHostKey(const TBTable& t) const {
    return trustedHostKey_.isEmpty() ? t.TrustedHostKey : trustedHostKey_;
}

bool TDeployment::trust(const TBTable& t, const ETlsError& refusal) {
    const TCertificateInfo& info = refusal.Info();
    // A changed certificate or key is refused: only the message stands.
    if (info.Changed || info.Fingerprint.isEmpty() || !port_.TrustServer(info))
        return false;
    const QString setting =
        info.HostKey ? QStringLiteral("TrustedHostKey") : QStringLiteral("TrustedCertificate");
    (info.HostKey ? trustedHostKey_ : trustedCertificate_) = info.Fingerprint;
    if (!t.DbName.isEmpty() && ProjectStore::Exists(store_, t.DbName))
        ProjectStore::StoreTrust(store_, t.DbName, setting, info.Fingerprint);
    if (OnTrustStored)
        OnTrustStored(t.DbName, setting, info.Fingerprint);
    return true;
}

bool TDeployment::checkWebServer(const TBTable& t, const QString& prefix) {
    if (!t.URL.trimmed().startsWith(QLatin1String("https:"), Qt::CaseInsensitive))
        return true;
    for (;;) {
        http_.TrustedCertificate = trustedCertificate(t);
        http_.OverallLimit = httpLimit_;
        try {
            announced_ = false;
            http_.CheckCertificate(t.URL.trimmed());
            return true;
        } catch (const ETlsError& e) {
            if (trust(t, e))
                continue;
            port_.ShowWarning(prefix + e.message());
        } catch (const ENetError& e) {
            if (!announced_)
                port_.ShowWarning(prefix + e.message());
        }
        return false;
    }
}

void TDeployment::requestFailed(const ENetError& e, const QString& usual) {
    if (const auto* tls = dynamic_cast<const ETlsError*>(&e))
        port_.ShowWarning(tls->message());
    else
        port_.ShowWarning(usual);
}

void TDeployment::disconnectQuietly() {
    try {
        ftp_.Disconnect();
    } catch (const ENetError&) {
    }
}

void TDeployment::deleteQuietly(const QString& remotePath) {
    try {
        ftp_.Delete(remotePath);
    } catch (const FTPException&) {
        // Usually: the file is not there.
    }
}

void TDeployment::removeScript(const TBTable& t, const QString& script) {
    try {
        connectFtp(t);
        deleteQuietly(t.PHPPath + script);
    } catch (const ENetError&) {
    }
    disconnectQuietly();
}

bool TDeployment::generateScript(const TBTable& t, const std::function<bool()>& script) {
    // The scripts load the site's runtime layer, so it goes up with them.
    return generator_.RuntimeScript(t, false) && script();
}

void TDeployment::uploadScript(const TBTable& t, const QString& script) {
    ftp_.Upload(TPHPGenerator::OutputPath(t, false, script), t.PHPPath + script);
    ftp_.Upload(TPHPGenerator::OutputPath(t, false, QStringLiteral("runtime.php")),
                t.PHPPath + QStringLiteral("runtime.php"));
}

QByteArray TDeployment::request(const TBTable& t, const QString& script, const QString& query,
                                const QString& folder) {
    announced_ = false;
    http_.TrustedCertificate = trustedCertificate(t);
    http_.OverallLimit = httpLimit_;
    http_.Get(t.URL + folder + generator_.KeyedScript(script) + query);
    return http_.Body;
}

// --- Second stage

void TDeployment::RunStage2(const QString& script) {
    if (!pending_) // nothing queued (a stale event)
        return;
    guarded([&] {
        if (script == QLatin1String("create_db.php"))
            createStage2();
        else if (script == QLatin1String("alter_db.php"))
            alterStage2();
        else if (script == QLatin1String("import_db.php"))
            importStage2();
        else if (script == QLatin1String("export_db_0.php"))
            exportCountStage2();
        else
            exportDataStage2();
    });
}
