#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

class TBTable;

// An HTTP answer. status is 0 when no answer came (error says why).
struct THttpReply {
    int status = 0;
    QByteArray body;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArrayList setCookies;            // each Set-Cookie header whole
    QString error;

    // The Set-Cookie header of the cookie `name`, or a null array.
    QByteArray SetCookieLine(const QByteArray& name) const;
    // The value that header gives the cookie (empty when it deletes it), or
    // a null array when the answer sets no such cookie.
    QByteArray SetCookie(const QByteArray& name) const;
};

// Headers a request sends besides its own: Cookie, Origin, ...
using THttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// One part of a multipart/form-data POST: a field, or a file when fileName
// is set.
struct TFormPart {
    QByteArray name;
    QByteArray value;
    QString fileName = {};
    QByteArray contentType = {};
};

// The local web host (scripts/webhost: MariaDB, PHP, FTP on loopback) for a
// test executable: started on first use in a temporary folder, stopped when
// the application ends (or, after a crash, by the script's own watchdog).
//
//     TWebHost& host = TWebHost::Instance();
//     QVERIFY2(host.Running(), qPrintable(host.Error()));
//     TBTable t = ...;
//     host.ApplyTo(t, "site1");            // the site lives in <docroot>/site1/
//     ... generate into t.LocalPath ...
//     THttpReply r = host.Get("site1/create_db.php?key=...");
//     QList<QByteArrayList> rows = host.Query("SELECT HEX(name) FROM t");
class TWebHost {
public:
    static TWebHost& Instance();
    // A second host started with --secure: also HTTPS, FTP over TLS
    // (pyftpdlib and vsftpd) and SFTP, with the settings HTTPS_URL,
    // REDIRECT_URL, FTPS_SERVER, VSFTPD_SERVER, VSFTPD_USER, VSFTPD_PASSWORD,
    // VSFTPD_PLAIN_SERVER (the same without TLS), SFTP_SERVER, SFTP_USER,
    // SFTP_PASSWORD, CA_FILE, TLS_CERT_SHA256 and SSH_HOST_KEY_SHA256.
    static TWebHost& SecureInstance();
    ~TWebHost();
    TWebHost(const TWebHost&) = delete;
    TWebHost& operator=(const TWebHost&) = delete;

    bool Running() const { return running_; }
    QString Error() const { return error_; }
    void Stop();

    // A value of `webhost env`: URL, FTP_HOST, FTP_PORT, FTP_SERVER, FTP_USER,
    // FTP_PASSWORD, DOCUMENT_ROOT, MYSQL_SERVER ("127.0.0.1:port"),
    // MYSQL_HOST, MYSQL_PORT, MYSQL_DATABASE, MYSQL_USER, MYSQL_PASSWORD,
    // MYSQL_SOCKET, MAIL_DIR, PHP_ERROR_LOG.
    QString Setting(const QString& key) const { return settings_.value(key); }
    QString Url() const { return Setting(QStringLiteral("URL")); } // ends with "/"
    QString DocumentRoot() const { return Setting(QStringLiteral("DOCUMENT_ROOT")); }

    // The connection settings of a project whose site is the folder `site`
    // of the document root: LocalPath (that folder, so generating publishes),
    // URL, PHPPath, Server ("host:port"), User, Password and the MySQL values.
    void ApplyTo(TBTable& t, const QString& site) const;

    // `target` is a full URL or a path below Url().
    THttpReply Get(const QString& target, int timeoutMs = 120000) const;
    THttpReply Post(const QString& target, const QList<QPair<QByteArray, QByteArray>>& form,
                    int timeoutMs = 120000) const;
    THttpReply PostMultipart(const QString& target, const QList<TFormPart>& parts,
                             int timeoutMs = 120000) const;
    // The same with further request headers.
    THttpReply Get(const QString& target, const THttpHeaders& headers,
                   int timeoutMs = 120000) const;
    THttpReply Post(const QString& target, const QList<QPair<QByteArray, QByteArray>>& form,
                    const THttpHeaders& headers, int timeoutMs = 120000) const;
    THttpReply PostMultipart(const QString& target, const QList<TFormPart>& parts,
                             const THttpHeaders& headers, int timeoutMs = 120000) const;

    // SQL through the mariadb client as the site's database user, in the
    // site's database. Rows of tab-separated values as the client prints them
    // (NULL as "NULL"); select HEX(...) for exact bytes. An error gives an
    // empty list and fills *error.
    QList<QByteArrayList> Query(const QString& sql, QString* error = nullptr) const;
    bool Exec(const QString& sql, QString* error = nullptr) const;

    // Mails the sites sent, oldest first, each as the raw message.
    QList<QByteArray> Mails() const;
    void ClearMails() const;
    // What PHP logged (notices, warnings, errors) since the last clear.
    QByteArray PhpErrors() const;
    void ClearPhpErrors() const;

    // One server ("php" or "ftp") goes away or comes back on its port, as a
    // host that fails mid-way. Stop returns at once and the server ends
    // meanwhile; Start first waits for a stop still under way.
    void StopServer(const QString& name);
    bool StartServer(const QString& name);

    // `php -l` of a file; the output tells what is wrong.
    static bool PhpLint(const QString& file, QString* output = nullptr);

private:
    explicit TWebHost(bool secure = false);
    void start(bool secure);

    bool running_ = false;
    std::unique_ptr<QProcess> stopping_;
    QString error_;
    QString folder_;
    QMap<QString, QString> settings_;
};
