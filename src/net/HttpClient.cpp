#include "net/HttpClient.h"

#include "net/ChunkDecoder.h"
#include "net/Tls.h"

#include <QSslSocket>

#include <optional>

namespace {

constexpr int kMaxPath = 256;
// A redirect chain longer than this is a loop.
constexpr int kMaxRedirects = 5;
// Interim (1xx) answers taken before the final one.
constexpr int kMaxInterim = 5;
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
    Service = QStringLiteral("the web server");
}

void THttpClient::SplitUrl(const QString& url) {
    if (url.isEmpty())
        throw ENetError(QStringLiteral("The address of the web site is empty"));
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
        port = secure                              ? 443
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
        throw EAnswerError(QStringLiteral("%1 closed the connection after %2 without answering "
                                          "the request for %3")
                               .arg(Where(), Elapsed(), ShownUrl()));
    Header += statusLine;
    // "HTTP/1.1 200 OK": a version, a three-digit status and the words.
    const QString text = LineText(statusLine);
    const qsizetype space = text.indexOf(u' ');
    const QString code = space < 0 ? QString() : text.mid(space + 1, 3);
    bool ok = false;
    const int status = code.toInt(&ok);
    if (!text.startsWith(QLatin1String("HTTP/")) || !ok || code.size() != 3 || status < 100) {
        ReplyNumber = 0;
        throw EAnswerError(QStringLiteral("%1 does not answer in HTTP: it sent \"%2\" for %3")
                               .arg(Where(), Printable(statusLine), ShownUrl()));
    }
    ReplyNumber = status;
    Reason = text.mid(space + 4).trimmed();
    std::optional<qint64> length;
    for (int lines = 0;; ++lines) {
        const QByteArray line = ReadLine();
        if (line.isEmpty())
            throw EAnswerError(QStringLiteral("The server's answer was cut off in its header: %1 "
                                              "closed the connection after %2 for %3")
                                   .arg(Where(), Elapsed(), ShownUrl()));
        if (line == "\r\n" || line == "\n")
            break;
        if (lines >= kMaxHeaderLines || Header.size() + line.size() > kMaxHeaderBytes)
            throw EAnswerError(
                QStringLiteral("The answer of %1 is no web page: its header does not "
                               "end (more than %2 lines or %3 KB) for %4")
                    .arg(Where())
                    .arg(kMaxHeaderLines)
                    .arg(kMaxHeaderBytes / 1024)
                    .arg(ShownUrl()));
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
            // The last coding decides: only a final "chunked" frames the body.
            const QString codings = HeaderValue(line, colon);
            Chunked = codings.section(u',', -1).trimmed().compare(QLatin1String("chunked"),
                                                                  Qt::CaseInsensitive) == 0;
        } else if (name == "CONTENT-LENGTH") {
            // One number, or the same number repeated; anything else leaves
            // the end of the body unknown, which must not pass for whole.
            for (const QString& part : HeaderValue(line, colon).split(u',')) {
                const QString value = part.trimmed();
                bool digits = !value.isEmpty() && value.size() <= 18;
                for (const QChar c : value)
                    digits = digits && c.isDigit();
                const qint64 n = digits ? value.toLongLong() : -1;
                if (n < 0 || (length && *length != n))
                    throw EAnswerError(
                        QStringLiteral("%1 sent an invalid Content-Length (\"%2\") "
                                       "for %3")
                            .arg(Where(), HeaderValue(line, colon).left(40), ShownUrl()));
                length = n;
            }
        }
    }
    HasLength = length.has_value();
    ContentLength = length.value_or(0);
}

QString THttpClient::Printable(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes.left(60)) {
        if (c == '\r' || c == '\n')
            break;
        text += c >= 32 && c < 127 ? QChar::fromLatin1(c) : u'?';
    }
    return text;
}

QString THttpClient::StatusText() const {
    return Reason.isEmpty() ? QString::number(ReplyNumber)
                            : QStringLiteral("%1 %2").arg(ReplyNumber).arg(Reason);
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
    Reason.clear();
    ContentLength = 0;
    HasLength = false;
    Chunked = false;
    ReplyNumber = 0;
    const QByteArray head = RequestHead();
    TSocketCloser closer([this] { CloseSocket(); });
    OpenConnection();
    SendBytes(head);
    // Interim answers (100 Continue and the like) come before the real one.
    for (int interim = 0;; ++interim) {
        ReadHead();
        if (ReplyNumber >= 200 || interim >= kMaxInterim)
            break;
        Header.clear();
    }

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
        if (HasLength && !Chunked)
            Body.reserve(std::min(ContentLength, kMaxReserve));
        sink = [this](const char* data, qint64 size) { Body.append(data, size); };
    }
    if (ReplyNumber < 200 || ReplyNumber == 204 || ReplyNumber == 304)
        return; // no body, whatever the header says

    qint64 received = 0;
    if (Chunked) {
        TChunkDecoder decoder([&](const char* data, qint64 size) {
            received += size;
            sink(data, size);
        });
        decoder.Where = QStringLiteral("%1 for %2").arg(Where(), ShownUrl());
        ReadBlocks([&](const char* data, qint64 size) { decoder.Feed(data, size); },
                   [&] { return decoder.Done(); });
        if (!decoder.Finished())
            throw EAnswerError(QStringLiteral("The server's answer was cut off after %1 bytes, in "
                                              "the middle of its chunked body (%2 for %3, after "
                                              "%4)")
                                   .arg(received)
                                   .arg(Where(), ShownUrl(), Elapsed()));
        return;
    }
    if (HasLength) {
        const qint64 total = ContentLength;
        ReadBlocks(
            [&](const char* data, qint64 size) {
                // Bytes past the announced length belong to no answer.
                const qint64 n = std::min(size, total - received);
                received += n;
                if (n > 0)
                    sink(data, n);
            },
            [&] { return received >= total; });
        if (received < total)
            throw EAnswerError(QStringLiteral("The server's answer was cut off after %1 of %2 "
                                              "bytes (%3 for %4, after %5)")
                                   .arg(received)
                                   .arg(total)
                                   .arg(Where(), ShownUrl(), Elapsed()));
        return;
    }
    // No length: the body ends with the connection. Over TLS only the
    // server's close_notify says it is whole; a bare close may be a cut.
    const TEnd end = ReadBlocks([&](const char* data, qint64 size) {
        received += size;
        sink(data, size);
    });
    if (end == TEnd::Dropped)
        throw EAnswerError(QStringLiteral("The server's answer was cut off after %1 bytes: %2 "
                                          "closed the connection without ending the TLS session "
                                          "(for %3, after %4)")
                               .arg(received)
                               .arg(Where(), ShownUrl(), Elapsed()));
}

void THttpClient::Get(const QString& url) {
    BeginOperation();
    Cookie.clear();
    QString next = url;
    QStringList visited;
    for (int redirects = 0;; ++redirects) {
        const QString previousHost = Host;
        const quint16 previousPort = Port;
        const bool previousSecure = secure_;
        SplitUrl(next);
        // A redirect stays on its server: elsewhere the script's key would
        // go to a stranger, and over plain text after https.
        if (redirects > 0 &&
            (Host.compare(previousHost, Qt::CaseInsensitive) != 0 ||
             (Port != previousPort && secure_ == previousSecure) || (previousSecure && !secure_)))
            throw EAnswerError(QStringLiteral("%1 redirected the request for %2 to another "
                                              "server: %3")
                                   .arg(QStringLiteral("%1:%2").arg(previousHost).arg(previousPort),
                                        visited.constLast(), next));
        visited << ShownUrl();
        Request(false);
        if (ReplyNumber >= 400 && OnFailure)
            OnFailure(GetKind);
        if (!IsRedirect(ReplyNumber) || Location.isEmpty())
            return;
        if (redirects >= kMaxRedirects || visited.size() > kMaxRedirects)
            throw EAnswerError(
                QStringLiteral("%1 redirected the request %2 times without an answer (a redirect "
                               "loop): %3")
                    .arg(Where())
                    .arg(redirects + 1)
                    .arg(visited.mid(0, 3).join(QStringLiteral(" -> "))));
        const QString scheme = secure_ ? QStringLiteral("https") : QStringLiteral("http");
        next = Location.contains(u'/')
                   ? Location
                   : QStringLiteral("%1://%2:%3/%4").arg(scheme, Host).arg(Port).arg(Location);
        if (next.startsWith(u'/') && !next.startsWith(QLatin1String("//")))
            next = QStringLiteral("%1://%2:%3%4").arg(scheme, Host).arg(Port).arg(next);
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
