#pragma once

#include <QMap>
#include <QString>

// The setting TrustedCertificates: one trusted certificate per server, as
// "host:port=sha256" entries separated by commas. Hosts are kept in lower
// case; an IPv6 address keeps its brackets ("[::1]:443").
namespace TrustedServers {

// The entries by "host:port"; malformed entries are left out.
QMap<QString, QString> Parse(const QString& setting);
// The setting with the server's entry set to the fingerprint (added or replaced).
QString With(const QString& setting, const QString& server, const QString& fingerprint);
// "host:port" as the entries name a server.
QString Key(const QString& host, quint16 port);
// Every entry is well formed (an empty setting is).
bool Valid(const QString& setting);

} // namespace TrustedServers
