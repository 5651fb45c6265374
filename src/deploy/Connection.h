#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Where the FTP setting `Server` points: a host name or address, optionally
// followed by ":port" ("[v6 address]:port" for IPv6); defaultPort otherwise
// (21 for FTP, 22 for SFTP).
struct TFtpTarget {
    QString Host;
    std::uint16_t Port = 21;
};
TFtpTarget FtpTarget(const QString& server, std::uint16_t defaultPort = 21);

// The host of a web address ("http://host:port/folder/" gives "host").
QString UrlHost(const QString& url);

// Whether the commands may go on the network: yes when every named host is a
// loopback host (a local test server needs no network), or when some network
// interface other than loopback is up and running.
bool InternetAvailable(const QStringList& hosts);
