#include "WebHost.h"

#include "TestSupport.h"
#include "model/TableFields.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QTimer>
#include <QUrlQuery>

#include <cstdlib>
#include <unistd.h>

namespace {

bool secureStarted = false;

void stopAtExit() {
    TWebHost::Instance().Stop();
}

void stopSecureAtExit() {
    if (secureStarted)
        TWebHost::SecureInstance().Stop();
}

QString webhostScript() {
    return QDir(SourceDir()).filePath(QStringLiteral("scripts/webhost"));
}

THttpReply
send(const QUrl& url,
     const std::function<QNetworkReply*(QNetworkAccessManager&, const QNetworkRequest&)>& op,
     int timeoutMs, const THttpHeaders& headers = {}) {
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = op(manager, request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    THttpReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    for (const auto& [name, value] : reply->rawHeaderPairs()) {
        result.headers.insert(name.toLower(), value);
        // Qt joins repeated Set-Cookie headers with line breaks.
        if (name.compare("set-cookie", Qt::CaseInsensitive) == 0)
            for (const QByteArray& line : value.split('\n'))
                if (!line.trimmed().isEmpty())
                    result.setCookies += line.trimmed();
    }
    if (result.status == 0)
        result.error = reply->errorString();
    reply->deleteLater();
    return result;
}

} // namespace

QByteArray THttpReply::SetCookieLine(const QByteArray& name) const {
    // The last one counts, as in a browser.
    for (auto line = setCookies.crbegin(); line != setCookies.crend(); ++line)
        if (line->startsWith(name + '='))
            return *line;
    return {};
}

QByteArray THttpReply::SetCookie(const QByteArray& name) const {
    const QByteArray line = SetCookieLine(name);
    if (line.isNull())
        return {};
    QByteArray value = line.mid(name.size() + 1);
    const qsizetype end = value.indexOf(';');
    value = (end < 0 ? value : value.left(end)).trimmed();
    return value.isEmpty() ? QByteArray("") : value;
}

TWebHost& TWebHost::Instance() {
    static TWebHost host;
    return host;
}

TWebHost& TWebHost::SecureInstance() {
    static TWebHost host(true);
    return host;
}

TWebHost::TWebHost(bool secure) {
    start(secure);
    secureStarted = secureStarted || secure;
    if (running_)
        qAddPostRoutine(secure ? stopSecureAtExit : stopAtExit);
}

TWebHost::~TWebHost() {
    Stop();
}

void TWebHost::start(bool secure) {
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/corvanta-webhost-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        error_ = QStringLiteral("cannot make a temporary folder");
        return;
    }
    folder_ = QString::fromLocal8Bit(pattern);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{QStringLiteral("start"), folder_, QStringLiteral("--owner"),
                          QString::number(QCoreApplication::applicationPid())};
    if (secure)
        arguments << QStringLiteral("--secure");
    process.start(webhostScript(), arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        error_ =
            QStringLiteral("webhost start failed: ") + QString::fromLocal8Bit(process.readAll());
        Stop();
        return;
    }
    QProcess env;
    env.start(webhostScript(), {QStringLiteral("env"), folder_});
    env.waitForFinished(60000);
    for (const QByteArray& line : env.readAllStandardOutput().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            settings_.insert(QString::fromLocal8Bit(line.left(eq)),
                             QString::fromLocal8Bit(line.mid(eq + 1)));
    }
    running_ = settings_.contains(QStringLiteral("URL"));
    if (!running_) {
        error_ = QStringLiteral("webhost env printed no settings");
        Stop();
    }
}

void TWebHost::Stop() {
    if (folder_.isEmpty())
        return;
    // Plain system(): this also runs after the application object is gone.
    const QByteArray command = "'" + webhostScript().toLocal8Bit() + "' stop '" +
                               folder_.toLocal8Bit() + "' >/dev/null 2>&1";
    if (std::system(command.constData()) != 0)
        qWarning("webhost stop failed for %s", qPrintable(folder_));
    QDir(folder_).removeRecursively();
    folder_.clear();
    running_ = false;
}

void TWebHost::StopServer(const QString& name) {
    stopping_ = std::make_unique<QProcess>();
    stopping_->start(webhostScript(), {QStringLiteral("stop-server"), folder_, name});
    stopping_->waitForStarted();
}

bool TWebHost::StartServer(const QString& name) {
    if (stopping_) {
        stopping_->waitForFinished(60000);
        stopping_.reset();
    }
    QProcess process;
    process.start(webhostScript(), {QStringLiteral("start-server"), folder_, name});
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

void TWebHost::ApplyTo(TBTable& t, const QString& site) const {
    t.LocalPath = QDir(DocumentRoot()).filePath(site) + QLatin1Char('/');
    t.URL = Url() + site + QLatin1Char('/');
    t.PHPPath = site + QLatin1Char('/');
    t.Server = Setting(QStringLiteral("FTP_SERVER"));
    t.User = Setting(QStringLiteral("FTP_USER"));
    t.Password = Setting(QStringLiteral("FTP_PASSWORD"));
    t.DatabaseServer = Setting(QStringLiteral("MYSQL_SERVER"));
    t.DatabaseName = Setting(QStringLiteral("MYSQL_DATABASE"));
    t.DatabaseUser = Setting(QStringLiteral("MYSQL_USER"));
    t.DatabasePassword = Setting(QStringLiteral("MYSQL_PASSWORD"));
}

static QUrl targetUrl(const TWebHost& host, const QString& target) {
    if (target.startsWith(QLatin1String("http://")) || target.startsWith(QLatin1String("https://")))
        return QUrl(target);
    return QUrl(host.Url() + target);
}

THttpReply TWebHost::Get(const QString& target, int timeoutMs) const {
    return Get(target, THttpHeaders{}, timeoutMs);
}

THttpReply TWebHost::Post(const QString& target, const QList<QPair<QByteArray, QByteArray>>& form,
                          int timeoutMs) const {
    return Post(target, form, THttpHeaders{}, timeoutMs);
}

THttpReply TWebHost::PostMultipart(const QString& target, const QList<TFormPart>& parts,
                                   int timeoutMs) const {
    return PostMultipart(target, parts, THttpHeaders{}, timeoutMs);
}

THttpReply TWebHost::Get(const QString& target, const THttpHeaders& headers, int timeoutMs) const {
    return send(
        targetUrl(*this, target),
        [](QNetworkAccessManager& m, const QNetworkRequest& r) { return m.get(r); }, timeoutMs,
        headers);
}

THttpReply TWebHost::Post(const QString& target, const QList<QPair<QByteArray, QByteArray>>& form,
                          const THttpHeaders& headers, int timeoutMs) const {
    QByteArray body;
    for (const auto& [name, value] : form) {
        if (!body.isEmpty())
            body += '&';
        body += name.toPercentEncoding() + '=' + value.toPercentEncoding();
    }
    return send(
        targetUrl(*this, target),
        [&](QNetworkAccessManager& m, QNetworkRequest r) {
            r.setHeader(QNetworkRequest::ContentTypeHeader,
                        QByteArrayLiteral("application/x-www-form-urlencoded"));
            return m.post(r, body);
        },
        timeoutMs, headers);
}

THttpReply TWebHost::PostMultipart(const QString& target, const QList<TFormPart>& parts,
                                   const THttpHeaders& headers, int timeoutMs) const {
    return send(
        targetUrl(*this, target),
        [&](QNetworkAccessManager& m, const QNetworkRequest& r) {
            auto* multi = new QHttpMultiPart(QHttpMultiPart::FormDataType);
            for (const TFormPart& p : parts) {
                QHttpPart part;
                QByteArray disposition = "form-data; name=\"" + p.name + "\"";
                if (!p.fileName.isEmpty())
                    disposition += "; filename=\"" + p.fileName.toUtf8() + "\"";
                part.setRawHeader("Content-Disposition", disposition);
                if (!p.contentType.isEmpty())
                    part.setRawHeader("Content-Type", p.contentType);
                part.setBody(p.value);
                multi->append(part);
            }
            QNetworkReply* reply = m.post(r, multi);
            multi->setParent(reply);
            return reply;
        },
        timeoutMs, headers);
}

QList<QByteArrayList> TWebHost::Query(const QString& sql, QString* error) const {
    QProcess client;
    client.start(QStringLiteral("mariadb"),
                 {QStringLiteral("--no-defaults"), QStringLiteral("--batch"),
                  QStringLiteral("--raw"), QStringLiteral("--skip-column-names"),
                  QStringLiteral("--default-character-set=utf8mb4"),
                  QStringLiteral("--host=") + Setting(QStringLiteral("MYSQL_HOST")),
                  QStringLiteral("--port=") + Setting(QStringLiteral("MYSQL_PORT")),
                  QStringLiteral("--user=") + Setting(QStringLiteral("MYSQL_USER")),
                  QStringLiteral("--password=") + Setting(QStringLiteral("MYSQL_PASSWORD")),
                  Setting(QStringLiteral("MYSQL_DATABASE"))});
    client.write(sql.toUtf8());
    client.closeWriteChannel();
    client.waitForFinished(120000);
    QList<QByteArrayList> rows;
    if (client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(client.readAllStandardError());
        return rows;
    }
    if (error)
        error->clear();
    for (const QByteArray& line : client.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            rows += line.split('\t');
    return rows;
}

bool TWebHost::Exec(const QString& sql, QString* error) const {
    QString message;
    Query(sql, &message);
    if (error)
        *error = message;
    return message.isEmpty();
}

QList<QByteArray> TWebHost::Mails() const {
    QDir dir(Setting(QStringLiteral("MAIL_DIR")));
    QList<QByteArray> mails;
    for (const QString& name : dir.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
        mails += ReadFileBytes(dir.filePath(name));
    return mails;
}

void TWebHost::ClearMails() const {
    QDir dir(Setting(QStringLiteral("MAIL_DIR")));
    for (const QString& name : dir.entryList({QStringLiteral("*.eml")}, QDir::Files))
        dir.remove(name);
}

QByteArray TWebHost::PhpErrors() const {
    return ReadFileBytes(Setting(QStringLiteral("PHP_ERROR_LOG")));
}

void TWebHost::ClearPhpErrors() const {
    QFile::resize(Setting(QStringLiteral("PHP_ERROR_LOG")), 0);
}

bool TWebHost::PhpLint(const QString& file, QString* output) {
    QProcess php;
    php.setProcessChannelMode(QProcess::MergedChannels);
    php.start(QStringLiteral("php"), {QStringLiteral("-l"), file});
    php.waitForFinished(60000);
    if (output)
        *output = QString::fromLocal8Bit(php.readAll());
    return php.exitStatus() == QProcess::NormalExit && php.exitCode() == 0;
}
