#pragma once

#include "net/SocketLayer.h"

#include <QByteArray>
#include <QString>

#include <functional>

// HTTP/1.0 GET client with which the maintenance scripts of a site are called,
// over plain HTTP or HTTPS. Each request opens and closes its own connection;
// the answer is kept in memory or handed on block by block.
class THttpClient : public TSocketLayer {
    Q_OBJECT
public:
    enum Kind { GetKind = 0 };

    explicit THttpClient(QObject* parent = nullptr);

    QByteArray Body;          // body of the last answer, byte for byte
    QByteArray Header;        // its status line and header lines, each with CR LF
    QString RequestUrl;       // URL of the current request
    QString RequestPath;      // from the first "/" after the host on
    QString Cookie;           // from the last "Set-Cookie:" of this Get
    QString Location;         // from the last "Location:"
    qint64 ContentLength = 0; // as announced, 0 when absent
    bool HasLength = false;   // the answer announced its Content-Length
    bool Chunked = false;     // the answer came with "Transfer-Encoding: chunked"
    QString Reason;           // the words of the status line ("Not Found")

    // When set, the body of the final answer (chunks decoded) is handed to it
    // block by block as it arrives, and Body stays empty. ReplyNumber and
    // Header are already set for the first block; a redirect that is
    // followed hands nothing on.
    std::function<void(const QByteArray& block)> OnBody;

    // Called after an answer whose status is 400 or more, with GetKind.
    std::function<void(int Kind)> OnFailure;

    // Requests the URL, following redirects (a few, on the same server), and
    // returns once the answer has been read and the connection closed. HTTP
    // error statuses do not raise; an answer that is no HTTP, is cut off
    // before its announced end, or redirects without end raises EAnswerError.
    void Get(const QString& url);
    void Disconnect();

    // Connects to the server of the URL and checks its certificate (https
    // only; nothing is requested): a problem raises ETlsError before any
    // other step of a command has changed something on the server.
    void CheckCertificate(const QString& url);

    // Takes the URL apart into Host, Port, RequestPath and RequestUrl.
    void SplitUrl(const QString& url);
    // The last URL split was an https one.
    bool Secure() const { return secure_; }
    // The request head for the current RequestPath, Host and Cookie.
    QByteArray RequestHead() const;
    // RequestUrl without its query (which may carry a script's key), for messages.
    QString ShownUrl() const { return RequestUrl.section(u'?', 0, 0); }
    // "500 Internal Server Error", as messages show the last answer's status.
    QString StatusText() const;

private:
    void Request(bool lastAllowed);
    void ReadHead();
    void OpenConnection();
    // The start of a line a server sent, safe to show in a message.
    static QString Printable(const QByteArray& bytes);

    bool secure_ = false;
};
