// The demo button of the "Connection" page: the settings of the local demo
// web host, so a first site can be tried on this computer.
#include "Settings.h"

#include "deploy/DemoHost.h"
#include "model/DataFiles.h"
#include "model/TableFields.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <algorithm>

namespace {

// Letters and digits that cannot be mistaken for each other when read off
// the screen.
QString DemoAdminPassword() {
    const QString alphabet = QStringLiteral("abcdefghjkmnpqrstuvwxyz23456789");
    QString password = QStringLiteral("demo-");
    for (int i = 0; i < 8; ++i)
        password += alphabet.at(QRandomGenerator::system()->bounded(int(alphabet.size())));
    return password;
}

} // namespace

void TSettingsF::DefClick() {
    const QString folder = DemoHostFolder();
    const std::optional<TDemoHost> host = ReadDemoHost(folder);
    if (!host) {
        ShowMessage(QStringLiteral("The demo web host is not running.\n"
                                   "Start Corvanta with ./run, which starts it, or start it "
                                   "with:\nscripts/webhost start %1")
                        .arg(folder));
        return;
    }
    const QString name = projectName_.isEmpty() ? DatabaseDisplayNameEdit->text() : projectName_;
    const QString site = DemoSiteFolder(name);
    // The files go by FTP over TLS where the host offers it, as with a
    // hosting account today; its certificate comes from the host's own test
    // authority, so it is trusted for this project by its fingerprint. The
    // pages are served over plain http on 127.0.0.1, which browsers count as
    // secure, so the site opens without a certificate warning.
    const bool secure = !host->FtpsServer.isEmpty() && !host->CertificateSha256.isEmpty();
    const QString url = host->Url + site + u'/';

    // Settings of a real provider are not overwritten unasked.
    const QList<QLineEdit*> own{URL, Server, User, Password, PHPPath};
    const bool filled = std::any_of(own.begin(), own.end(),
                                    [](const QLineEdit* edit) { return !edit->text().isEmpty(); });
    if (filled && !UsesDemoHost(Server->text(), URL->text()) &&
        !ConfirmWarning(QStringLiteral("Replace the connection and MySQL settings with those "
                                       "of the demo web host?")))
        return;

    URL->setText(url);
    Server->setText(secure ? host->FtpsServer : host->FtpServer);
    SetTransfer(secure ? TransferModes::Ftps : TransferModes::IfOffered);
    if (secure) {
        trustedCertificate_ = host->CertificateSha256;
        ShowTrust();
    }
    User->setText(host->FtpUser);
    Password->setText(host->FtpPassword);
    PHPPath->setText(site + u'/');
    DatabaseServer->setText(host->MySqlServer);
    DatabaseName->setText(host->MySqlDatabase);
    DatabaseUser->setText(host->MySqlUser);
    DatabasePassword->setText(host->MySqlPassword);
    if (TableName->text().isEmpty())
        TableName->setText(DemoTableName(name));
    // Generate needs an administrator password; the demo site gets one of
    // its own, shown on the Administrator page and in the upload report.
    if (AdminPasswordEdit->text().isEmpty())
        AdminPasswordEdit->setText(DemoAdminPassword());
    if (localPath_.isEmpty() || !QFileInfo(localPath_).isDir()) {
        const QString local = QDir(UserDataFolder()).filePath(QStringLiteral("sites/") + site);
        if (QDir().mkpath(local))
            SetLocalPath(local + u'/');
    }
    URLNote->hide();
    SetConnectionLocked(true);
    ShowMessage(QStringLiteral("The settings of the demo web host are filled in.\n\n"
                               "The demo web host runs on this computer only (started by ./run): a "
                               "web server with PHP, a MySQL server and an FTP server, standing in "
                               "for a hosting provider. %1"
                               "Nobody else can reach your site there.\n\n"
                               "After Generate and Upload your site is at\n%2\n"
                               "The administrator password is %3.")
                    .arg(secure
                             ? QStringLiteral("The files go to it by FTP over TLS; its pages come "
                                              "over plain http from 127.0.0.1, which your browser "
                                              "trusts without a certificate. ")
                             : QString(),
                         url, AdminPasswordEdit->text()));
    // Enter now confirms the settings instead of filling them in again.
    OKBtn->setFocus();
}

bool TSettingsF::UsesDemoHost(const QString& server, const QString& url) {
    if (server.isEmpty())
        return false;
    const std::optional<TDemoHost> host = ReadDemoHost(DemoHostFolder());
    if (!host)
        return false;
    // Either of its file servers, and its pages over http or https.
    const bool files =
        server == host->FtpServer || (!host->FtpsServer.isEmpty() && server == host->FtpsServer);
    const bool pages =
        url.startsWith(host->Url) || (!host->HttpsUrl.isEmpty() && url.startsWith(host->HttpsUrl));
    return files && pages;
}
