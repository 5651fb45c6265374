#include "DemoHost.h"

#include "model/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QMap>

QString DemoHostFolder() {
    const QString folder = qEnvironmentVariable("CORVANTA_DEMO_HOST");
    return folder.isEmpty() ? QDir(UserDataFolder()).filePath(QStringLiteral("demo-host")) : folder;
}

std::optional<TDemoHost> ReadDemoHost(const QString& folder) {
    // The host writes this file once all its servers answer, and removes it
    // when it stops.
    QFile file(QDir(folder).filePath(QStringLiteral("env")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QMap<QString, QString> values;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    TDemoHost host;
    host.Url = values.value(QStringLiteral("URL"));
    host.FtpServer = values.value(QStringLiteral("FTP_SERVER"));
    host.FtpUser = values.value(QStringLiteral("FTP_USER"));
    host.FtpPassword = values.value(QStringLiteral("FTP_PASSWORD"));
    host.MySqlServer = values.value(QStringLiteral("MYSQL_SERVER"));
    host.MySqlDatabase = values.value(QStringLiteral("MYSQL_DATABASE"));
    host.MySqlUser = values.value(QStringLiteral("MYSQL_USER"));
    host.MySqlPassword = values.value(QStringLiteral("MYSQL_PASSWORD"));
    host.HttpsUrl = values.value(QStringLiteral("HTTPS_URL"));
    host.FtpsServer = values.value(QStringLiteral("FTPS_SERVER"));
    host.CertificateSha256 = values.value(QStringLiteral("TLS_CERT_SHA256"));
    if (host.HttpsUrl.isEmpty() || host.FtpsServer.isEmpty() || host.CertificateSha256.isEmpty())
        host.HttpsUrl.clear();
    else if (!host.HttpsUrl.endsWith(u'/'))
        host.HttpsUrl += u'/';
    if (host.Url.isEmpty() || host.FtpServer.isEmpty() || host.MySqlServer.isEmpty())
        return std::nullopt;
    if (!host.Url.endsWith(u'/'))
        host.Url += u'/';
    return host;
}

namespace {

QString keep(const QString& name, bool digits) {
    QString result;
    for (QChar c : name.toLower())
        if ((c >= u'a' && c <= u'z') || (digits && c >= u'0' && c <= u'9'))
            result += c;
    return result;
}

} // namespace

QString DemoSiteFolder(const QString& projectName) {
    const QString folder = keep(projectName, true);
    return folder.isEmpty() ? QStringLiteral("site") : folder;
}

QString DemoTableName(const QString& projectName) {
    const QString table = keep(projectName, false);
    return table.isEmpty() ? QStringLiteral("records") : table;
}
