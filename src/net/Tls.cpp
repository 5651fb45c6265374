#include "net/Tls.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslSocket>

namespace {

QString Names(const QSslCertificate& c, bool issuer) {
    QStringList parts;
    for (const auto attribute :
         {QSslCertificate::CommonName, QSslCertificate::Organization,
          QSslCertificate::OrganizationalUnitName, QSslCertificate::CountryName}) {
        const QStringList values = issuer ? c.issuerInfo(attribute) : c.subjectInfo(attribute);
        for (const QString& v : values)
            parts << v;
    }
    return parts.join(QStringLiteral(", "));
}

QString Problem(const QSslError& error, const QSslCertificate& c, const QString& host) {
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
        return QStringLiteral("it is self-signed");
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("it is issued by an unknown authority");
    case QSslError::CertificateExpired:
        return QStringLiteral("it expired on %1")
            .arg(c.expiryDate().toUTC().toString(QStringLiteral("yyyy-MM-dd")));
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("it is valid only from %1")
            .arg(c.effectiveDate().toUTC().toString(QStringLiteral("yyyy-MM-dd")));
    case QSslError::HostNameMismatch: {
        QStringList names = c.subjectAlternativeNames().values();
        if (names.isEmpty())
            names = c.subjectInfo(QSslCertificate::CommonName);
        return QStringLiteral("it is made out for %1, not for %2")
            .arg(names.join(QStringLiteral(", ")), host);
    }
    case QSslError::CertificateRevoked:
        return QStringLiteral("it has been revoked");
    default:
        return error.errorString();
    }
}

// The system's own bundle, which many set $SSL_CERT_FILE to: its
// certificates are in the hashed folder OpenSSL looks up as needed, and
// reading them all again would cost more than the rest of a request.
bool IsSystemBundle(const QString& path) {
    const QString file = QFileInfo(path).canonicalFilePath();
    for (const char* system : {"/etc/ssl/certs/ca-certificates.crt", "/usr/lib/ssl/cert.pem",
                               "/etc/ssl/cert.pem"})
        if (file == QFileInfo(QString::fromLatin1(system)).canonicalFilePath())
            return true;
    return false;
}

QStringList ExtraAuthorityFiles() {
    QStringList files;
    for (const char* variable : {"CORVANTA_CA_FILE", "SSL_CERT_FILE"}) {
        const QString path = qEnvironmentVariable(variable);
        if (!path.isEmpty() && QFile::exists(path) && !IsSystemBundle(path))
            files << path;
    }
    return files;
}

} // namespace

namespace Tls {

QSslConfiguration Configuration() {
    // The system store is left to OpenSSL, which looks a certificate up in
    // its hashed folder only when a handshake needs it: reading the whole
    // store up front costs more than the rest of a request. Files added by
    // path keep that; a list of certificates would replace it.
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    for (const QString& file : ExtraAuthorityFiles())
        config.addCaCertificates(file, QSsl::Pem);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.setProtocol(QSsl::SecureProtocols);
    // Kept so that FTP data connections can resume the control session.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    return config;
}

bool ClosedByPeer(const QSslSocket& socket) {
    // Qt tells the close_notify only by the text of the error it raises.
    static const QString closed =
        QCoreApplication::translate("QSslSocket", "The TLS/SSL connection has been closed");
    return socket.error() == QAbstractSocket::RemoteHostClosedError &&
           (socket.errorString() == closed ||
            socket.errorString() == QLatin1String("The TLS/SSL connection has been closed"));
}

QString Fingerprint(const QSslCertificate& certificate) {
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex());
}

bool IsFingerprint(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(text).hasMatch();
}

TCertificateInfo Describe(const QSslCertificate& certificate, const QString& host,
                          const QList<QSslError>& errors) {
    TCertificateInfo info;
    info.Host = host;
    info.Subject = Names(certificate, false);
    info.Issuer = Names(certificate, true);
    info.ValidFrom = certificate.effectiveDate().toUTC();
    info.ValidTo = certificate.expiryDate().toUTC();
    info.Fingerprint = certificate.isNull() ? QString() : Fingerprint(certificate);
    for (const QSslError& e : errors) {
        const QString problem = Problem(e, certificate, host);
        if (!info.Problems.contains(problem))
            info.Problems << problem;
    }
    return info;
}

QString Message(const TCertificateInfo& info) {
    QString text;
    if (info.Changed)
        text = QStringLiteral("The certificate of %1 has changed since you trusted it, and it "
                              "cannot be verified: %2. Someone may be impersonating the server.")
                   .arg(info.Named(), info.Problems.join(QStringLiteral("; ")));
    else
        text = QStringLiteral("The certificate of %1 is not trusted: %2.")
                   .arg(info.Named(), info.Problems.join(QStringLiteral("; ")));
    if (!info.Fingerprint.isEmpty())
        text += QStringLiteral(" SHA-256 fingerprint: ") + info.Fingerprint;
    return text;
}

} // namespace Tls
