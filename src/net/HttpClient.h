#pragma once

#include "net/SocketLayer.h"

#include <QByteArray>
#include <QString>

#include <functional>

// HTTP/1.0 GET client with which the maintenance scripts of a site are called.
// Each request opens and closes its own connection; the answer is kept in memory.
class THttpClient : public TSocketLayer {
    Q_OBJECT
public:
    enum Kind { GetKind = 0 };

    explicit THttpClient(QObject* parent = nullptr);

    QByteArray Body;     // body of the last answer, byte for byte
    QByteArray Header;   // its status line and header lines, each with CR LF
    QString RequestUrl;  // URL of the current request
    QString RequestPath; // from the first "/" after the host on
    QString Cookie;      // from the last "Set-Cookie:" of this Get
    QString Location;    // from the last "Location:"
    qint64 ContentLength = 0;

    // Called after an answer whose status is 400 or more, with GetKind.
    std::function<void(int Kind)> OnFailure;

    // Requests the URL, following redirects, and returns once the answer has
    // been read and the connection closed. HTTP error statuses do not raise.
    void Get(const QString& url);
    void Disconnect();

    // Takes the URL apart into Host, Port, RequestPath and RequestUrl.
    void SplitUrl(const QString& url);
    // The request head for the current RequestPath, Host and Cookie.
    QByteArray RequestHead() const;

private:
    void Request();
    void ReadHead();
};
