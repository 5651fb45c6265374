#pragma once

#include "net/NetErrors.h"

#include <QDateTime>
#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

class QSslCertificate;
class QSslSocket;

// What the user is shown about a server certificate that failed the checks,
// and what is stored when the user decides to trust it anyway.
struct TCertificateInfo {
    QString Host; // the name the program connected to
    quint16 Port = 0;
    QString Service; // what the server is to the program: "web server", "FTP server"
    QString Subject; // "CN=..., O=..."
    QString Issuer;
    QDateTime ValidFrom; // UTC
    QDateTime ValidTo;
    QString Fingerprint;  // SHA-256, lower-case hex without separators
    QStringList Problems; // why the checks failed, in the user's words
    // Another certificate than this was trusted for the project before.
    bool Changed = false;
    // An SSH host key, not a certificate: KeyType says which ("ssh-ed25519").
    bool HostKey = false;
    QString KeyType;

    // "host:port" (or the host alone when the port is not known).
    QString Server() const { return Port ? QStringLiteral("%1:%2").arg(Host).arg(Port) : Host; }
    // "the web server 127.0.0.1:8443", as messages name it.
    QString Named() const { return Service.isEmpty() ? Server() : Service + u' ' + Server(); }
};

// A certificate (or SSH host key) was not accepted. The message names the
// reasons and the fingerprint; Info carries the rest for a trust question.
class ETlsError : public ESockError {
public:
    ETlsError(const QString& message, TCertificateInfo info)
        : ESockError(message), info_(std::move(info)) {}
    const TCertificateInfo& Info() const { return info_; }

private:
    TCertificateInfo info_;
};

namespace Tls {

// The settings every encrypted connection starts from: the system's
// certificate store (looked up as needed, never read whole) plus the
// authorities of the files named by $CORVANTA_CA_FILE and $SSL_CERT_FILE (a
// company or test authority).
QSslConfiguration Configuration();

// The server ended the TLS session properly, with its close_notify.
bool ClosedByPeer(const QSslSocket& socket);

// SHA-256 of the certificate, lower-case hex.
QString Fingerprint(const QSslCertificate& certificate);

// A fingerprint as stored: lower-case hex of 64 digits, or empty.
bool IsFingerprint(const QString& text);

TCertificateInfo Describe(const QSslCertificate& certificate, const QString& host,
                          const QList<QSslError>& errors);

// "The certificate of HOST is not trusted: ... SHA-256 fingerprint: ..."
QString Message(const TCertificateInfo& info);

} // namespace Tls
