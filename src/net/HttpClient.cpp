#include "net/HttpClient.h"

#include "net/ChunkDecoder.h"
#include "net/Tls.h"

#include <QSslSocket>

namespace {

constexpr int kMaxPath = 256;
// A redirect chain longer than this is a loop; the last answer stands.
constexpr int kMaxRedirects = 10;
// Memory set aside at once for an announced body; more still grows as it comes.
constexpr qint64 kMaxReserve = qint64(1) << 30;
// A head longer than this is no answer of a web server but an endless stream.
constexpr int kMaxHeaderLines = 500;
constexpr qint64 kMaxHeaderBytes = 256 * 1024;

bool IsRedirect(int status) {
    return (status >= 300 && status <= 303) || status == 307 || status == 308;
}

// Position of the n-th "/" (1-based), or -1.
qsizetype NthSlash(const QString& text, int n) {
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(u'/', at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

QString HeaderValue(const QByteArray& line, qsizetype colon) {
    QByteArray value = line.mid(colon + 1);
    while (value.endsWith('\n') || value.endsWith('\r'))
        value.chop(1);
    return TSocketLayer::LineText(value.trimmed());
}

} // namespace

THttpClient::THttpClient(QObject* parent) : TSocketLayer(parent) {
    Port = 80;
    TimeOut = 10000;
}

void THttpClient::SplitUrl(const QString& url) {
    if (url.isEmpty())
        throw ENetError(QStringLiteral("Leere URL"));
    if (Port == 0)
        Port = 80;

    QString path;
    if (url.contains(QStringLiteral("//"))) {
        const qsizetype third = NthSlash(url, 3);
        if (third >= 0)
            path = url.mid(third);
    } else if (url.contains(u'/')) {
        path = url.mid(url.indexOf(u'/'));
    }
    path.truncate(kMaxPath);

    quint16 port = Port;
    // A location of a path only stays on the server and scheme it came from.
    bool secure = url.startsWith(u'/') && secure_;
    const qsizetype colon = url.indexOf(u':');
    if (colon >= 0) {
        const QString scheme = url.left(colon).toLower();
        secure = scheme == QLatin1String("https");
        port = secure                                ? 443
               : scheme == QLatin1String("gopher") ? 70
               : scheme == QLatin1String("ftp")    ? 21
                                                   : 80;
    }

    QString host;
    if (url.contains(QStringLiteral("//"))) {
        const qsizetype second = NthSlash(url, 2);
        const qsizetype third = NthSlash(url, 3);
        host = third < 0 ? url.mid(second + 1) : url.mid(second + 1, third - second - 1);
    } else if (!url.startsWith(u'/')) {
        host = url.left(url.indexOf(u'/'));
    }
    const qsizetype hostColon = host.indexOf(u':');
    if (hostColon >= 0) {
        bool ok = false;
        const uint named = host.mid(hostColon + 1).toUInt(&ok);
        if (ok && named > 0 && named <= 65535)
            port = static_cast<quint16>(named);
        host.truncate(hostColon);
    }

    Port = port;
    secure_ = secure;
    if (!host.isEmpty())
        Host = host;
    RequestUrl = url;
    if (path.isEmpty()) {
        path = QStringLiteral("/");
        RequestUrl += u'/';
    }
    RequestPath = path;
}

QByteArray THttpClient::RequestHead() const {
    // Line breaks in a path or cookie would forge header lines.
    const auto clean = [](QString text) { return text.remove(u'\r').remove(u'\n').toUtf8(); };
    QByteArray head;
    head += "GET " + clean(RequestPath) + " HTTP/1.0\r\n";
    head += "Host: " + clean(Host) + "\r\n";
    head += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
    head += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
    if (!Cookie.isEmpty())
        head += "Cookie: " + clean(Cookie) + "\r\n";
    head += "Content-type: application/x-www-form-urlencoded\r\n";
    head += "\r\n";
    return head;
}

void THttpClient::ReadHead() {
    const QByteArray statusLine = ReadLine();
    if (statusLine.isEmpty())
        return;
    Header += statusLine;
    const QList<QByteArray> fields = statusLine.trimmed().split(' ');
    bool ok = false;
    const int status = fields.size() > 1 ? fields.at(1).toInt(&ok) : 0;
    ReplyNumber = ok ? status : 0;
    for (int lines = 0;; ++lines) {
        const QByteArray line = ReadLine();
        if (line.isEmpty() || line == "\r\n" || line == "\n")
            break;
        if (lines >= kMaxHeaderLines || Header.size() + line.size() > kMaxHeaderBytes)
            throw ESockError(
                QStringLiteral("The answer of %1 is no web page: its header does not end").arg(Host));
        Header += line;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toUpper();
        if (name == "SET-COOKIE") {
            // Only "name=value" goes back; the attributes are for the client.
            const QString value = HeaderValue(line, colon);
            Cookie = value.left(value.indexOf(u';')).trimmed();
        } else if (name == "LOCATION") {
            Location = HeaderValue(line, colon);
        } else if (name == "TRANSFER-ENCODING") {
            Chunked = HeaderValue(line, colon).contains(QLatin1String("chunked"), Qt::CaseInsensitive);
        } else if (name == "CONTENT-LENGTH") {
            const QString value = HeaderValue(line, colon);
            qsizetype digits = 0;
            while (digits < value.size() && value.at(digits).isDigit())
                ++digits;
            ContentLength = value.left(digits).toLongLong();
        }
    }
}

void THttpClient::OpenConnection() {
    ConnectSocket();
    if (secure_)
        StartTls(Socket(), Tls::Configuration());
}

void THttpClient::Request(bool lastAllowed) {
    Body.clear();
    Header.clear();
    Location.clear();
    ContentLength = 0;
    Chunked = false;
    ReplyNumber = 0;
    const QByteArray head = RequestHead();
    TSocketCloser closer([this] { CloseSocket(); });
    OpenConnection();
    SendBytes(head);
    ReadHead();

    // The body of a redirect that is followed goes nowhere.
    const bool followed = !lastAllowed && IsRedirect(ReplyNumber) && !Location.isEmpty();
    std::function<void(const char*, qint64)> sink;
    if (followed) {
        sink = [](const char*, qint64) {};
    } else if (OnBody) {
        sink = [this](const char* data, qint64 size) {
            OnBody(QByteArray::fromRawData(data, static_cast<qsizetype>(size)));
        };
    } else {
        if (ContentLength > 0 && !Chunked)
            Body.reserve(std::min(ContentLength, kMaxReserve));
        sink = [this](const char* data, qint64 size) { Body.append(data, size); };
    }
    if (!Chunked) {
        ReadBlocks(sink);
        return;
    }
    TChunkDecoder decoder(sink);
    ReadBlocks([&](const char* data, qint64 size) { decoder.Feed(data, size); });
    if (!decoder.Finished())
        throw ESockError(
            QStringLiteral("The answer of %1 ended in the middle of a chunk").arg(Host));
}

void THttpClient::Get(const QString& url) {
    BeginOperation();
    Cookie.clear();
    QString next = url;
    for (int redirects = 0;; ++redirects) {
        SplitUrl(next);
        Request(redirects >= kMaxRedirects);
        if (ReplyNumber >= 400 && OnFailure)
            OnFailure(GetKind);
        if (!IsRedirect(ReplyNumber) || Location.isEmpty() || redirects >= kMaxRedirects)
            return;
        const QString scheme = secure_ ? QStringLiteral("https") : QStringLiteral("http");
        next = Location.contains(u'/') ? Location
                                       : QStringLiteral("%1://%2/%3").arg(scheme, Host, Location);
    }
}

void THttpClient::CheckCertificate(const QString& url) {
    BeginOperation();
    SplitUrl(url);
    if (!secure_)
        return;
    TSocketCloser closer([this] { CloseSocket(); });
    OpenConnection();
}

void THttpClient::Disconnect() {
    CloseSocket();
}
