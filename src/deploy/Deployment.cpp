// The frame of the deployment commands: client events, outcome, and the
// steps they share (connecting, quiet deletions, the keyed script requests).
#include "Deployment.h"

#include "model/ProjectJson.h"

#include "Connection.h"
#include "ProblemText.h"
#include "model/ProjectCheck.h"
#include "model/ProjectStore.h"
#include "model/Store.h"
#include "model/TrustedServers.h"
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
        client->OnInvalidHost = [this, client](bool& handled) {
            announced_ = true;
            port_.ShowWarning(QStringLiteral("FTP connection failed! The server name \"%1\" is "
                                             "unknown. Change the FTP server settings.")
                                  .arg(client->Host.trimmed()));
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
    // The web server's failures (unknown name, refused connection) are told
    // by the error that follows, with the command's own words before it.
    http_.OnInvalidHost = [](bool& handled) { handled = false; };
    http_.OnConnectionFailed = [](TSocketLayer*) {};
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
    trustedNow_.clear();
    trustedHostKey_.clear();
    trustDeclined_.clear();
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
        port_.ShowWarning(prefix + e.message() + trustDeclined_);
    finish(false);
}

// --- Checks shared by Generate and Upload

void TDeployment::refuse(const QString& text, int settingsPage, const QStringList& places) {
    port_.ShowSettingRefusal(text, places);
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
        QStringList empty;
        if (t.TableName.isEmpty())
            empty << QStringLiteral("TableName");
        if (t.DatabaseServer.isEmpty())
            empty << QStringLiteral("DatabaseServer");
        refuse(QStringLiteral("Fill in the Database settings first!"), SettingsPages::Database,
               JsonSettingPlaces(empty));
        return false;
    }
    if (t.AdminPassword.isEmpty()) {
        refuse(QStringLiteral("Fill in the password to the Administrator sites!"),
               SettingsPages::Administrator, JsonSettingPlaces({QStringLiteral("AdminPassword")}));
        return false;
    }
    // A definition the server or the record files cannot work with is
    // refused before anything is written or sent.
    if (const TDefinitionCheck problem = CheckProject(t)) {
        refuse(ShownProblem(*problem), problem->Field > 0 ? -1 : settingsPageOf(problem->Setting),
               JsonPlacesOf(t, *problem));
        return false;
    }
    // The pages would link a style sheet that is not there.
    if (!t.Skin.isEmpty() && TPHPGenerator::SkinPath(t).isEmpty()) {
        refuse(QStringLiteral("The skin (style sheet) \"%1\" cannot be found. Choose a skin on "
                              "the Appearance page of the settings, or put the file back.")
                   .arg(t.Skin),
               SettingsPages::Appearance);
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
        refuse(QStringLiteral("Directory \"") + path + QStringLiteral("\" cannot be created."), -1,
               JsonSettingPlaces({QStringLiteral("LocalPath")}));
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
        applyTrust(ftpClient_, t);
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

void TDeployment::applyTrust(TSocketLayer& client, const TBTable& t) const {
    client.TrustedServers = TrustedServers::Parse(t.TrustedCertificates);
    for (auto it = trustedNow_.cbegin(); it != trustedNow_.cend(); ++it)
        client.TrustedServers.insert(it.key(), it.value());
    // The single setting of before names no server: it passes for any
    // server without an entry, and another certificate there is asked about.
    client.TrustedCertificate = t.TrustedCertificate;
    client.TrustedMayDiffer = true;
}

QString TDeployment::trustedHostKey(const TBTable& t) const {
    return trustedHostKey_.isEmpty() ? t.TrustedHostKey : trustedHostKey_;
}

bool TDeployment::trust(const TBTable& t, const ETlsError& refusal) {
    const TCertificateInfo& info = refusal.Info();
    // A changed certificate or key is refused: only the message stands.
    if (info.Changed || info.Fingerprint.isEmpty())
        return false;
    if (!port_.TrustServer(info)) {
        // The refusal that follows says how to get past it next time.
        trustDeclined_ =
            QStringLiteral(" Nothing was sent. To go on, start it again and trust the server "
                           "when asked (\"%1\"), once its fingerprint matches the one your "
                           "provider gives.")
                .arg(info.HostKey ? QStringLiteral("Trust this server")
                                  : QStringLiteral("Trust this certificate"));
        return false;
    }
    QString setting = QStringLiteral("TrustedHostKey");
    QString value = info.Fingerprint;
    if (info.HostKey) {
        trustedHostKey_ = info.Fingerprint;
    } else {
        // One entry per server: FTP and web server may show different ones.
        setting = QStringLiteral("TrustedCertificates");
        trustedNow_.insert(TrustedServers::Key(info.Host, info.Port), info.Fingerprint);
        value = t.TrustedCertificates;
        for (auto it = trustedNow_.cbegin(); it != trustedNow_.cend(); ++it)
            value = TrustedServers::With(value, it.key(), it.value());
    }
    if (!t.DbName.isEmpty() && ProjectStore::Exists(store_, t.DbName))
        ProjectStore::StoreTrust(store_, t.DbName, setting, value);
    if (OnTrustStored)
        OnTrustStored(t.DbName, setting, value);
    return true;
}

bool TDeployment::checkWebServer(const TBTable& t, const QString& prefix) {
    if (!t.URL.trimmed().startsWith(QLatin1String("https:"), Qt::CaseInsensitive))
        return true;
    for (;;) {
        applyTrust(http_, t);
        http_.OverallLimit = httpLimit_;
        try {
            announced_ = false;
            http_.CheckCertificate(t.URL.trimmed());
            return true;
        } catch (const ETlsError& e) {
            if (trust(t, e))
                continue;
            port_.ShowWarning(prefix + e.message() + trustDeclined_);
        } catch (const ENetError& e) {
            port_.ShowWarning(prefix + e.message());
        }
        return false;
    }
}

void TDeployment::requestFailed(const ENetError& e, const QString& usual) {
    port_.ShowWarning(RequestFailure(e, usual));
}

QString TDeployment::RequestFailure(const ENetError& e, const QString& usual) {
    if (dynamic_cast<const ETlsError*>(&e))
        return e.message();
    // The server answered, but wrongly: "no response" would not be true.
    const QString reason = e.message().endsWith(u'.') ? e.message() : e.message() + u'.';
    if (dynamic_cast<const EAnswerError*>(&e)) {
        const qsizetype cut = usual.indexOf(QLatin1String("No response"));
        return (cut > 0 ? usual.left(cut) : QString()) + reason;
    }
    return usual + u' ' + reason;
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

void TDeployment::removeScript(const TBTable& t, const QString& script, bool onOpenSession) {
    try {
        if (onOpenSession) {
            deleteOnSession(t, script);
        } else {
            connectFtp(t);
            deleteQuietly(t.PHPPath + script);
        }
    } catch (const ENetError&) {
    }
    disconnectQuietly();
}

void TDeployment::deleteOnSession(const TBTable& t, const QString& script) {
    onSession(t, [&] {
        try {
            ftp_.Delete(t.PHPPath + script);
        } catch (const FTPException& e) {
            // Usually: the file is not there. 421: the session has ended.
            if (e.message().startsWith(QLatin1String("421")))
                throw;
        }
    });
}

void TDeployment::onSession(const TBTable& t, const std::function<void()>& step) {
    if (ftp_.Connected()) {
        try {
            step();
            return;
        } catch (const FTPException& e) {
            // The server's refusal stands, unless it closes the session
            // (421: it waited too long).
            if (!e.message().startsWith(QLatin1String("421")))
                throw;
        } catch (const ENetError&) {
            // The server ended the session while it was idle (a long
            // question, a long download): once more on a new one.
            if (port_.ProgressCancelled())
                throw;
        }
    }
    connectFtp(t);
    step();
}

bool TDeployment::generateScript(const TBTable& t, const std::function<bool()>& script) {
    // The scripts load the site's runtime layer, so it goes up with them.
    return generator_.RuntimeScript(t, false) && script();
}

void TDeployment::uploadScript(const TBTable& t, const QString& script) {
    // Visitors keep using the site meanwhile: the runtime is replaced only
    // when it changed, and then in one step.
    TPublished published = TPublished::Load(store_, t.DbName, t);
    const TPublisher::TOutcome out =
        publish(t, TPublishPlan::Script(t, script, published), published);
    if (out.Error)
        std::rethrow_exception(out.Error);
}

TPublisher::TOutcome TDeployment::publish(const TBTable& t, const TPublishPlan& plan,
                                          TPublished& published,
                                          const std::function<QString()>& beforeSwitch) {
    TPublisher publisher(ftp_, port_,
                         {[&] { connectFtp(t); },
                          [this](bool allowed) {
                              if (allowed)
                                  installCancelHandler();
                              else
                                  port_.SetCancelHandler({});
                          }});
    TPublisher::TOutcome out = publisher.Send(plan);
    if (!out.Failed() && beforeSwitch) {
        const QString why = beforeSwitch();
        if (!why.isEmpty())
            publisher.Abandon(out, why);
    }
    if (!out.Failed())
        publisher.Switch(plan, out);
    for (const qsizetype i : out.Live)
        if (plan.Files[i].Remembered)
            published.Set(plan.Files[i].Remote, plan.Files[i].Digest);
    if (!out.Failed())
        for (const QString& remote : plan.Deletions)
            published.Drop(remote);
    if (!out.Live.isEmpty() || (!out.Failed() && !plan.Deletions.isEmpty()))
        published.Save(store_, t.DbName);
    return out;
}

QByteArray TDeployment::request(const TBTable& t, const QString& script, const QString& query,
                                const QString& folder) {
    announced_ = false;
    applyTrust(http_, t);
    http_.OverallLimit = httpLimit_;
    http_.Get(t.URL + folder + generator_.KeyedScript(script) +
              (query.isEmpty() ? QString() : u'&' + query));
    checkStatus();
    return http_.Body;
}

void TDeployment::checkStatus() const {
    const int status = http_.ReplyNumber;
    if (status >= 200 && status < 300)
        return;
    // A script's own refusal comes in its paragraph, whatever the status.
    if (!http_.OnBody && http_.Body.contains("<P CLASS=\"corvanta_"))
        return;
    throw EAnswerError(QStringLiteral("%1 answered \"%2\" for %3")
                           .arg(http_.Where(), http_.StatusText(), http_.ShownUrl()));
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
