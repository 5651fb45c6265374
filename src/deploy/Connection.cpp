#include "Connection.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QUrl>

TFtpTarget FtpTarget(const QString& server, std::uint16_t defaultPort) {
    TFtpTarget target;
    target.Port = defaultPort;
    QString host = server.trimmed();
    QString port;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close > 0) {
            if (host.mid(close + 1).startsWith(u':'))
                port = host.mid(close + 2);
            host = host.mid(1, close - 1);
        }
    } else if (host.count(u':') == 1) {
        port = host.section(u':', 1);
        host = host.section(u':', 0, 0);
    }
    bool ok = false;
    const uint number = port.toUInt(&ok);
    if (ok && number > 0 && number <= 65535)
        target.Port = static_cast<std::uint16_t>(number);
    target.Host = host;
    return target;
}

QString UrlHost(const QString& url) {
    return QUrl(url.trimmed()).host();
}

namespace {

bool isLoopback(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

bool InternetAvailable(const QStringList& hosts) {
    bool allLoopback = !hosts.isEmpty();
    for (const QString& host : hosts)
        allLoopback = allLoopback && isLoopback(host);
    if (allLoopback)
        return true;
    const auto wanted = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
        if ((i.flags() & wanted) == wanted && !(i.flags() & QNetworkInterface::IsLoopBack))
            return true;
    return false;
}
