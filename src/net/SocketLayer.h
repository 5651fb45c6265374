#pragma once

#include "net/NetErrors.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QTimer>

#include <functional>

class QEventLoop;
class QSslConfiguration;
class QSslSocket;
class QTcpSocket;

// The TCP socket shared by the FTP and HTTP clients. Every wait (host lookup,
// connect, reading a line, reading to the end, sending) runs a local event
// loop, so windows keep painting and a Cancel pressed meanwhile takes effect.
class TSocketLayer : public QObject {
    Q_OBJECT
public:
    explicit TSocketLayer(QObject* parent = nullptr);
    ~TSocketLayer() override;

    QString Host;     // server name or dotted address
    quint16 Port = 0; // server port
    int TimeOut = 0;  // milliseconds, 0 = none: host lookup, connect, one line, each pause
    // Milliseconds one whole operation may take, 0 = none: a server that
    // trickles a byte now and then still ends within it.
    int OverallLimit = 0;
    int ReplyNumber = 0;
    // SHA-256 (lower-case hex) of a server certificate the user trusts
    // although it fails the checks; any other failing certificate is refused.
    QString TrustedCertificate;
    // TrustedCertificate may be another server's (a setting older than
    // trust per server): a different certificate is asked about, not
    // refused as changed.
    bool TrustedMayDiffer = false;
    // Trust per server, by "host:port" (lower case): ahead of
    // TrustedCertificate for the server it names.
    QMap<QString, QString> TrustedServers;
    // What the server is to the program, for messages ("web server").
    QString Service;

    // The host cannot be resolved. Setting Handled asks for one more lookup.
    std::function<void(bool& Handled)> OnInvalidHost;
    // The TCP connection cannot be made (FTP also: the server refused the login).
    std::function<void(TSocketLayer* Sender)> OnConnectionFailed;

    bool Connected() const;
    bool TimedOut() const { return timedOut_; }
    // The control connection is encrypted (TLS).
    bool Encrypted() const;

    // Ends the running wait with its abort error. A cancel outside any
    // operation is forgotten when the next operation starts.
    void Cancel();

    // "host:port", as messages name the server.
    QString Where() const;
    // Seconds since the running operation began, for messages ("2.5 s").
    QString Elapsed() const;

    // Leading decimal digits of a reply line (at most 10), 0 when there are none.
    static int LeadingNumber(const QByteArray& line);
    // A reply line as text for messages: decoded, without its line end.
    static QString LineText(const QByteArray& line);

protected:
    // Start of every public operation: clears the abort and timed-out flags
    // and starts the overall limit, `extraMs` longer for a large transfer.
    void BeginOperation(qint64 extraMs = 0);
    // Resolves Host and connects the control socket to it and Port.
    void ConnectSocket();
    // Connects another socket to the address the control socket uses.
    void ConnectSecondary(QTcpSocket& socket, quint16 port);
    // Starts TLS on the socket and waits for the handshake; the certificate
    // must be valid for Host or be the trusted one (else ETlsError).
    void StartTls(QSslSocket& socket, const QSslConfiguration& config);
    // The same in two steps, for a handshake that runs while other things
    // are said: BeginTls returns at once, FinishTls waits for the end.
    void BeginTls(QSslSocket& socket, const QSslConfiguration& config);
    void FinishTls(QSslSocket& socket);
    // The certificate with this fingerprint is trusted for Host and Port.
    bool Trusts(const QString& fingerprint) const;
    // The configuration of the encrypted control connection, with its session.
    QSslConfiguration ControlTls() const;
    void CloseSocket();
    void DiscardInput();
    // Sends the text and CR LF; refuses line breaks inside the text.
    void SendLine(const QString& text);
    void SendBytes(const QByteArray& bytes);
    // The next line with its line end; empty once the server has closed.
    // `awaited` names what the line is for in a time-out's message.
    QByteArray ReadLine(const QString& awaited = {});
    // The first line to come (or its first bytes), left to be read.
    QByteArray PeekLine();
    // How a read to the end ended.
    enum class TEnd {
        Finished, // `finished` said so; the connection may still be open
        Closed,   // plain TCP: the server closed (or reset) the connection
        Notified, // TLS: the server ended the session with its close_notify
        Dropped,  // TLS: the connection ended without close_notify
    };
    // Reads until the server closes, appending to `out`; each block restarts the time-out.
    TEnd ReadToEnd(QByteArray& out);
    // Reads until the server closes or `finished` holds, handing each block
    // received to `sink`.
    TEnd ReadBlocks(const std::function<void(const char* data, qint64 size)>& sink,
                    const std::function<bool()>& finished = {});
    // The message of an aborted wait: the overall limit's, the time-out's
    // ("No answer from host:port within 30 s", with what was awaited) or the
    // cancel's.
    QString AbortText(const QString& awaited = {}) const;
    // The message of a connection the server ended during `during`.
    QString ClosedText(const QString& during) const;

    QSslSocket& Socket() { return *socket_; }
    // Wakes the waits on this socket's events.
    void Watch(QTcpSocket& socket);
    // Runs the event loop until done() holds; false when aborted first.
    bool WaitUntil(const std::function<bool()>& done);
    // Starts the time-out (TimeOut when ms < 0); with restartOnProgress every
    // block sent or received starts it again.
    void ArmTimer(int ms = -1, bool restartOnProgress = false);
    void DisarmTimer();
    bool Aborted() const { return aborted_; }
    // Ends the running wait so that its condition is looked at again; may
    // be called from any thread.
    void WakeFromAnyThread();
    // Counts as progress of the running wait (restarts a per-read time-out);
    // may be called from any thread.
    void ProgressFromAnyThread();

private:
    QHostAddress Resolve();
    bool LookUp(const QString& name, QHostAddress& address);
    void ConnectTo(QTcpSocket& socket, const QHostAddress& address, quint16 port,
                   bool reportFailure);
    void Wake();
    void Progress();
    void Expire();
    void ExpireOverall();

    QSslSocket* socket_;
    QList<QSslError> refused_; // of the handshake under way
    QMetaObject::Connection tlsErrors_;
    QHostAddress address_;
    QElapsedTimer started_;
    // The TLS session was ended by the server's close_notify.
    bool notified_ = false;
    QTimer timer_;
    QTimer deadline_;
    int deadlineMs_ = 0;
    QEventLoop* loop_ = nullptr;
    bool aborted_ = false;
    bool timedOut_ = false;
    bool overall_ = false;
    bool restartOnProgress_ = false;
};

// Closes a socket when a scope ends, also when an error leaves it.
class TSocketCloser {
public:
    explicit TSocketCloser(std::function<void()> close) : close_(std::move(close)) {}
    ~TSocketCloser() {
        if (close_)
            close_();
    }
    void Release() { close_ = nullptr; }
    TSocketCloser(const TSocketCloser&) = delete;
    TSocketCloser& operator=(const TSocketCloser&) = delete;

private:
    std::function<void()> close_;
};
