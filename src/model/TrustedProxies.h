#pragma once

#include <QString>
#include <QStringList>

// The setting TrustedProxies: the addresses or networks of the owner's
// proxies and load balancers ("10.0.0.5, 192.168.1.0/24, 2001:db8::/32"),
// whose X-Forwarded-For the generated site believes. Empty: it believes none.
namespace TrustedProxies {

// The entries, trimmed, empty ones left out.
QStringList Entries(const QString& setting);
// The first entry that is no IPv4 or IPv6 address or network, or empty when
// every entry is one.
QString FirstInvalid(const QString& setting);

} // namespace TrustedProxies
