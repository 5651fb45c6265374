#include "model/TrustedServers.h"

#include <QRegularExpression>
#include <QStringList>

namespace TrustedServers {

namespace {

const QRegularExpression& EntryPattern() {
    static const QRegularExpression entry(
        QStringLiteral("^(\\[[0-9A-Fa-f:.]+\\]|[^\\s,=:\\[\\]]+):([0-9]{1,5})=([0-9a-f]{64})$"));
    return entry;
}

QStringList Entries(const QString& setting) {
    QStringList entries;
    for (const QString& part : setting.split(u',', Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty())
            entries << part.trimmed();
    return entries;
}

} // namespace

QString Key(const QString& host, quint16 port) {
    QString name = host.trimmed().toLower();
    if (name.contains(u':') && !name.startsWith(u'['))
        name = u'[' + name + u']';
    return QStringLiteral("%1:%2").arg(name).arg(port);
}

QMap<QString, QString> Parse(const QString& setting) {
    QMap<QString, QString> servers;
    for (const QString& entry : Entries(setting)) {
        const QRegularExpressionMatch m = EntryPattern().match(entry);
        const uint port = m.captured(2).toUInt();
        if (m.hasMatch() && port > 0 && port <= 65535)
            servers.insert(m.captured(1).toLower() + u':' + QString::number(port), m.captured(3));
    }
    return servers;
}

QString With(const QString& setting, const QString& server, const QString& fingerprint) {
    QMap<QString, QString> servers = Parse(setting);
    servers.insert(server.toLower(), fingerprint.toLower());
    QStringList entries;
    for (auto it = servers.cbegin(); it != servers.cend(); ++it)
        entries << it.key() + u'=' + it.value();
    return entries.join(u',');
}

bool Valid(const QString& setting) {
    const QStringList entries = Entries(setting);
    return Parse(setting).size() == entries.size() || [&] {
        for (const QString& e : entries)
            if (!EntryPattern().match(e).hasMatch())
                return false;
        return true; // only repeated servers, the last one counts
    }();
}

} // namespace TrustedServers
