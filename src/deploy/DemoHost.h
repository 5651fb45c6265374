#pragma once

#include <QString>

#include <optional>

// The local demo web host that ./run starts (scripts/webhost): FTP, PHP and
// MariaDB on this computer, standing in for a hosting provider, so a first
// site can be built and tried without an account anywhere.
struct TDemoHost {
    QString Url;       // the document root's address, ending with "/"
    QString FtpServer; // "host:port"; the FTP home is the document root
    QString FtpUser;
    QString FtpPassword;
    QString MySqlServer; // "host:port"
    QString MySqlDatabase;
    QString MySqlUser;
    QString MySqlPassword;
    // The encrypted servers, when the host was started with them (empty
    // otherwise): the site's https address, FTP over TLS, and the SHA-256
    // of the certificate both show (made by the host's own test authority,
    // which no system trusts).
    QString HttpsUrl;
    QString FtpsServer;
    QString CertificateSha256;
};

// The demo host's folder: $CORVANTA_DEMO_HOST, else "demo-host" in the
// per-user data folder.
QString DemoHostFolder();

// The settings of the host running in folder (what `webhost env` prints);
// nullopt when it is not running there.
std::optional<TDemoHost> ReadDemoHost(const QString& folder = DemoHostFolder());

// The folder of the document root a project's site gets on the demo host:
// its name in lower-case letters and digits ("site" when nothing is left).
QString DemoSiteFolder(const QString& projectName);
// A table name made of the project's name: lower-case letters only.
QString DemoTableName(const QString& projectName);
