// The frame of the deployment commands: client events, outcome, and the
// steps they share (connecting, quiet deletions, the keyed script requests).
#include "Deployment.h"

#include "Connection.h"
#include "model/Store.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QDir>
#include <QFileInfo>

TDeployment::TDeployment(TUserPort& port, TStore& store, TFtpClient& ftp, THttpClient& http,
                         TPoster postStage2)
    : port_(port), store_(store), ftp_(ftp), http_(http), postStage2_(std::move(postStage2)),
      generator_([this](const QString& text) { port_.ShowWarning(text); }),
      internet_(InternetAvailable) {
    ftp_.OnInvalidHost = [this](bool& handled) {
        announced_ = true;
        port_.ShowWarning(QStringLiteral("FTP connection failed! Change the FTP server settings."));
        handled = false;
    };
    ftp_.OnConnectionFailed = [this](TSocketLayer*) {
        announced_ = true;
        port_.ShowWarning(
            QStringLiteral("FTP connection failed! FTP User name or Password is incorrect."));
    };
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
        ftp_.Cancel();
        http_.Cancel();
    });
}

TDeployment::~TDeployment() {
    port_.SetCancelHandler({});
    ftp_.OnInvalidHost = nullptr;
    ftp_.OnConnectionFailed = nullptr;
    http_.OnInvalidHost = nullptr;
    http_.OnConnectionFailed = nullptr;
    http_.OnFailure = nullptr;
}

// --- Outcome

void TDeployment::begin() {
    running_ = false;
    succeeded_ = false;
    announced_ = false;
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
    return true;
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
    const TFtpTarget target = FtpTarget(t.Server);
    ftp_.Host = target.Host;
    ftp_.Port = target.Port;
    ftp_.UserID = t.User;
    ftp_.Password = t.Password;
    ftp_.TimeOut = ftpTimeOut_;
    ftp_.Connect();
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

QByteArray TDeployment::request(const TBTable& t, const QString& script) {
    announced_ = false;
    http_.Get(t.URL + generator_.KeyedScript(script));
    return http_.Body;
}

// --- Second stage

void TDeployment::RunStage2(const QString& script) {
    if (!pending_) // nothing queued (a stale event)
        return;
    guarded([&] {
        if (script == QLatin1String("create_db.php"))
            createStage2();
        else if (script == QLatin1String("import_db.php"))
            importStage2();
        else if (script == QLatin1String("export_db_0.php"))
            exportCountStage2();
        else
            exportDataStage2();
    });
}
