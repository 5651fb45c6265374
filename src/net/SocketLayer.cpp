#include "net/SocketLayer.h"

#include "model/TrustedServers.h"
#include "net/Tls.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QSslSocket>

#include <limits>
#include <memory>
#include <utility>

namespace {

constexpr qint64 kBufferSize = 65536;
// What the TLS socket decrypts ahead of the reader: a streamed body stays
// flat in memory however fast the server sends.
constexpr qint64 kReadAhead = 256 * 1024;

QString Seconds(qint64 ms) {
    if (ms < 10000)
        return QStringLiteral("%1 s").arg(QString::number(double(ms) / 1000.0, 'f', 1));
    return QStringLiteral("%1 s").arg((ms + 500) / 1000);
}

} // namespace

TSocketLayer::TSocketLayer(QObject* parent) : QObject(parent), socket_(new QSslSocket(this)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &TSocketLayer::Expire);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &TSocketLayer::ExpireOverall);
    socket_->setReadBufferSize(kReadAhead);
    Watch(*socket_);
    started_.start();
}

TSocketLayer::~TSocketLayer() {
    if (loop_)
        loop_->quit();
}

bool TSocketLayer::Connected() const {
    return socket_->state() == QAbstractSocket::ConnectedState;
}

bool TSocketLayer::Encrypted() const {
    return Connected() && socket_->isEncrypted();
}

QString TSocketLayer::Where() const {
    return QStringLiteral("%1:%2").arg(Host.trimmed()).arg(Port);
}

QString TSocketLayer::Elapsed() const {
    return Seconds(started_.elapsed());
}

void TSocketLayer::Cancel() {
    aborted_ = true;
    Wake();
}

int TSocketLayer::LeadingNumber(const QByteArray& line) {
    qint64 number = 0;
    for (int i = 0; i < line.size() && i < 10; ++i) {
        const char c = line.at(i);
        if (c < '0' || c > '9')
            break;
        number = number * 10 + (c - '0');
    }
    return number > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                    : static_cast<int>(number);
}

QString TSocketLayer::LineText(const QByteArray& line) {
    QByteArray bytes = line;
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    // Servers answer in UTF-8 or in an 8-bit code page; keep both readable.
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        text = QString::fromLatin1(bytes);
    return text;
}

void TSocketLayer::BeginOperation(qint64 extraMs) {
    aborted_ = false;
    timedOut_ = false;
    overall_ = false;
    started_.start();
    deadline_.stop();
    if (OverallLimit > 0) {
        const qint64 ms = std::min<qint64>(OverallLimit + std::max<qint64>(extraMs, 0),
                                           std::numeric_limits<int>::max());
        deadlineMs_ = static_cast<int>(ms);
        deadline_.start(deadlineMs_);
    }
}

void TSocketLayer::ExpireOverall() {
    overall_ = true;
    Expire();
}

QString TSocketLayer::AbortText(const QString& awaited) const {
    if (overall_)
        return QStringLiteral("%1 did not finish its answer within %2 seconds")
            .arg(Where())
            .arg((deadlineMs_ + 999) / 1000);
    const QString suffix = awaited.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(awaited);
    if (timedOut_)
        return QStringLiteral("No answer from %1 within %2%3")
            .arg(Where(), Seconds(TimeOut), suffix);
    return QStringLiteral("Cancelled after %1 while waiting for %2%3")
        .arg(Elapsed(), Where(), suffix);
}

QString TSocketLayer::ClosedText(const QString& during) const {
    return QStringLiteral("The server %1 closed the connection during %2, after %3")
        .arg(Where(), during, Elapsed());
}

void TSocketLayer::Watch(QTcpSocket& socket) {
    socket.setProxy(QNetworkProxy::NoProxy);
    connect(&socket, &QTcpSocket::readyRead, this, &TSocketLayer::Progress);
    connect(&socket, &QTcpSocket::bytesWritten, this, &TSocketLayer::Progress);
    if (auto* ssl = qobject_cast<QSslSocket*>(&socket)) {
        connect(ssl, &QSslSocket::encryptedBytesWritten, this, &TSocketLayer::Progress);
        connect(ssl, &QSslSocket::encrypted, this, &TSocketLayer::Wake);
        if (ssl == socket_)
            // The server's close_notify ends the session although the TCP
            // connection may stay open until this side closes it too.
            connect(ssl, &QSslSocket::errorOccurred, this,
                    [this](QAbstractSocket::SocketError error) {
                        if (error == QAbstractSocket::RemoteHostClosedError &&
                            socket_->isEncrypted() && Tls::ClosedByPeer(*socket_))
                            notified_ = true;
                    });
    }
    connect(&socket, &QTcpSocket::connected, this, &TSocketLayer::Wake);
    connect(&socket, &QTcpSocket::disconnected, this, &TSocketLayer::Wake);
    connect(&socket, &QTcpSocket::stateChanged, this, &TSocketLayer::Wake);
    connect(&socket, &QTcpSocket::errorOccurred, this, &TSocketLayer::Wake);
}

void TSocketLayer::Wake() {
    if (loop_)
        loop_->quit();
}

void TSocketLayer::WakeFromAnyThread() {
    QMetaObject::invokeMethod(
        this, [this] { Wake(); }, Qt::QueuedConnection);
}

void TSocketLayer::ProgressFromAnyThread() {
    QMetaObject::invokeMethod(
        this, [this] { Progress(); }, Qt::QueuedConnection);
}

void TSocketLayer::Progress() {
    if (restartOnProgress_ && timer_.isActive())
        timer_.start();
    Wake();
}

void TSocketLayer::Expire() {
    aborted_ = true;
    timedOut_ = true;
    Wake();
}

bool TSocketLayer::WaitUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (aborted_)
            return false;
        // A wait begun by an event handler meanwhile nests inside this one;
        // when it ends, this one looks at its own condition again.
        QEventLoop loop;
        QEventLoop* const outer = std::exchange(loop_, &loop);
        loop.exec();
        loop_ = outer;
        if (outer)
            outer->quit();
    }
    return true;
}

void TSocketLayer::ArmTimer(int ms, bool restartOnProgress) {
    const int limit = ms < 0 ? TimeOut : ms;
    restartOnProgress_ = restartOnProgress;
    if (limit > 0)
        timer_.start(limit);
    else
        timer_.stop();
}

void TSocketLayer::DisarmTimer() {
    timer_.stop();
    restartOnProgress_ = false;
}

bool TSocketLayer::LookUp(const QString& name, QHostAddress& address) {
    // The answer may still arrive after a cancel, when this call has returned.
    struct TAnswer {
        bool done = false;
        QList<QHostAddress> found;
    };
    const auto answer = std::make_shared<TAnswer>();
    const int id = QHostInfo::lookupHost(name, this, [this, answer](const QHostInfo& info) {
        answer->found = info.addresses();
        answer->done = true;
        Wake();
    });
    ArmTimer();
    const bool finished = WaitUntil([&] { return answer->done; });
    DisarmTimer();
    if (!finished) {
        QHostInfo::abortHostLookup(id);
        throw ESockError(AbortText(QStringLiteral("looking up the name %1").arg(name)));
    }
    // IPv4 first: servers often listen on it alone.
    const QList<QHostAddress>& found = answer->found;
    for (const QHostAddress& a : found)
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            address = a;
            return true;
        }
    if (found.isEmpty())
        return false;
    address = found.first();
    return true;
}

QHostAddress TSocketLayer::Resolve() {
    QHostAddress address;
    if (address.setAddress(Host.trimmed()))
        return address;
    if (LookUp(Host.trimmed(), address))
        return address;
    bool handled = false;
    if (OnInvalidHost)
        OnInvalidHost(handled);
    if (handled && LookUp(Host.trimmed(), address))
        return address;
    throw ESockError(QStringLiteral("Could not find the server %1: unknown host name").arg(Host));
}

void TSocketLayer::ConnectSocket() {
    if (Connected())
        throw ESockError(QStringLiteral("Already connected to %1").arg(Where()));
    socket_->abort();
    notified_ = false;
    address_ = Resolve();
    ConnectTo(*socket_, address_, Port, true);
}

void TSocketLayer::ConnectSecondary(QTcpSocket& socket, quint16 port) {
    ConnectTo(socket, address_, port, false);
}

void TSocketLayer::ConnectTo(QTcpSocket& socket, const QHostAddress& address, quint16 port,
                             bool reportFailure) {
    socket.connectToHost(address, port);
    ArmTimer();
    WaitUntil([&] {
        return socket.state() == QAbstractSocket::ConnectedState ||
               socket.state() == QAbstractSocket::UnconnectedState;
    });
    DisarmTimer();
    if (socket.state() == QAbstractSocket::ConnectedState)
        return;
    const QAbstractSocket::SocketError error = socket.error();
    socket.abort();
    if (reportFailure && OnConnectionFailed)
        OnConnectionFailed(this);
    const QString where = QStringLiteral("Could not connect to %1:%2: ").arg(Host).arg(port);
    if (timedOut_ && overall_)
        throw ESockError(AbortText({}));
    if (timedOut_)
        throw ESockError(where +
                         QStringLiteral("no answer within %1 seconds").arg((TimeOut + 999) / 1000));
    if (aborted_)
        throw ESockError(QStringLiteral("The connection to %1:%2 was cancelled after %3")
                             .arg(Host.trimmed())
                             .arg(port)
                             .arg(Elapsed()));
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        throw ESockError(where + QStringLiteral("connection refused"));
    case QAbstractSocket::NetworkError:
        throw ESockError(where + QStringLiteral("the network or the server is unreachable"));
    case QAbstractSocket::SocketTimeoutError:
        throw ESockError(where + QStringLiteral("no answer"));
    default:
        throw ESockError(where + socket.errorString());
    }
}

void TSocketLayer::StartTls(QSslSocket& socket, const QSslConfiguration& config) {
    BeginTls(socket, config);
    FinishTls(socket);
}

void TSocketLayer::BeginTls(QSslSocket& socket, const QSslConfiguration& config) {
    socket.setSslConfiguration(config);
    socket.setPeerVerifyName(Host.trimmed());
    refused_.clear();
    disconnect(tlsErrors_);
    // A certificate that fails the checks passes only as the trusted one.
    tlsErrors_ = connect(&socket, &QSslSocket::sslErrors, this,
                         [this, &socket](const QList<QSslError>& errors) {
                             if (Trusts(Tls::Fingerprint(socket.peerCertificate())))
                                 socket.ignoreSslErrors(errors);
                             else
                                 refused_ = errors;
                         });
    socket.startClientEncryption();
}

bool TSocketLayer::Trusts(const QString& fingerprint) const {
    if (fingerprint.isEmpty())
        return false;
    const QString own = TrustedServers.value(::TrustedServers::Key(Host, Port));
    if (!own.isEmpty())
        return fingerprint == own.toLower();
    // A server without its own entry may show a certificate trusted for
    // another server of the project: the same certificate, the same holder.
    for (const QString& trusted : TrustedServers)
        if (fingerprint == trusted.toLower())
            return true;
    return fingerprint == TrustedCertificate.toLower();
}

void TSocketLayer::FinishTls(QSslSocket& socket) {
    ArmTimer();
    WaitUntil(
        [&] { return socket.isEncrypted() || socket.state() != QAbstractSocket::ConnectedState; });
    DisarmTimer();
    disconnect(tlsErrors_);
    if (socket.isEncrypted())
        return;
    const QSslCertificate peer = socket.peerCertificate();
    const QString error = socket.errorString();
    socket.abort();
    if (!refused_.isEmpty()) {
        TCertificateInfo info = Tls::Describe(peer, Host.trimmed(), refused_);
        info.Port = Port;
        info.Service = Service;
        const bool own = TrustedServers.contains(::TrustedServers::Key(Host, Port));
        info.Changed = own || (!TrustedCertificate.isEmpty() && !TrustedMayDiffer);
        throw ETlsError(Tls::Message(info), info);
    }
    if (aborted_)
        throw EAbortError(AbortText(QStringLiteral("the TLS handshake")));
    throw ESockError(QStringLiteral("The encrypted connection to %1 failed after %2: %3")
                         .arg(Where(), Elapsed(), error));
}

QSslConfiguration TSocketLayer::ControlTls() const {
    // The usual settings (the system store looked up as needed) with the
    // control connection's session, which the data connection resumes.
    QSslConfiguration config = Tls::Configuration();
    config.setSessionTicket(socket_->sslConfiguration().sessionTicket());
    return config;
}

void TSocketLayer::CloseSocket() {
    socket_->abort();
    // The next connection starts in plain text again.
    socket_->setSslConfiguration(QSslConfiguration::defaultConfiguration());
}

void TSocketLayer::DiscardInput() {
    if (socket_->isOpen())
        socket_->readAll();
}

void TSocketLayer::SendLine(const QString& text) {
    // A line break would let a path or name smuggle in another command.
    if (text.contains(u'\r') || text.contains(u'\n'))
        throw ENetError(QStringLiteral("A line break in \"%1\" cannot be sent to %2")
                            .arg(QString(text).replace(u'\r', u' ').replace(u'\n', u' '), Where()));
    QByteArray bytes = text.toUtf8();
    if (bytes.size() > kBufferSize - 2)
        bytes.truncate(kBufferSize - 2);
    bytes += "\r\n";
    SendBytes(bytes);
}

void TSocketLayer::SendBytes(const QByteArray& bytes) {
    if (!Connected())
        throw ESockError(QStringLiteral("Not connected to %1").arg(Where()));
    socket_->write(bytes);
    ArmTimer(-1, true);
    const bool sent = WaitUntil([&] {
        return (socket_->bytesToWrite() == 0 && socket_->encryptedBytesToWrite() == 0) ||
               !Connected();
    });
    DisarmTimer();
    if (!sent)
        throw EAbortError(AbortText(QStringLiteral("sending to it")));
    if (socket_->bytesToWrite() > 0 || !Connected()) {
        if (socket_->error() == QAbstractSocket::RemoteHostClosedError &&
            socket_->bytesToWrite() == 0)
            return; // all sent; the server closed right after, as it may
        throw ESockError(ClosedText(QStringLiteral("sending")));
    }
}

QByteArray TSocketLayer::ReadLine(const QString& awaited) {
    const auto ready = [&] {
        return socket_->canReadLine() || socket_->bytesAvailable() >= kBufferSize || !Connected() ||
               notified_;
    };
    ArmTimer();
    const bool done = WaitUntil(ready);
    DisarmTimer();
    if (!done)
        throw EAbortError(AbortText(awaited));
    if (!socket_->isOpen())
        return {};
    if (socket_->canReadLine())
        return socket_->readLine(kBufferSize + 1);
    // A line longer than the buffer comes in pieces; a closed connection
    // gives what is left, which is empty when the line had ended.
    return socket_->read(kBufferSize);
}

QByteArray TSocketLayer::PeekLine() {
    ArmTimer();
    const bool done = WaitUntil(
        [&] { return socket_->canReadLine() || socket_->bytesAvailable() >= 256 || !Connected(); });
    DisarmTimer();
    if (!done)
        throw EAbortError(AbortText());
    return socket_->isOpen() ? socket_->peek(256) : QByteArray();
}

TSocketLayer::TEnd TSocketLayer::ReadToEnd(QByteArray& out) {
    return ReadBlocks([&](const char* data, qint64 size) { out.append(data, size); });
}

TSocketLayer::TEnd TSocketLayer::ReadBlocks(const std::function<void(const char*, qint64)>& sink,
                                            const std::function<bool()>& finished) {
    QByteArray block;
    const auto take = [&] {
        for (;;) {
            if (finished && finished())
                return;
            const qint64 available = socket_->isOpen() ? socket_->bytesAvailable() : 0;
            if (available <= 0)
                return;
            block.resize(std::min<qint64>(available, 1 << 20));
            const qint64 got = socket_->read(block.data(), block.size());
            if (got <= 0)
                return;
            sink(block.constData(), got);
        }
    };
    const bool tls = socket_->isEncrypted();
    ArmTimer(-1, true);
    for (;;) {
        take();
        if (finished && finished()) {
            DisarmTimer();
            return TEnd::Finished;
        }
        if (!Connected() || notified_)
            break;
        if (!WaitUntil(
                [&] { return socket_->bytesAvailable() > 0 || !Connected() || notified_; })) {
            DisarmTimer();
            throw EAbortError(AbortText(QStringLiteral("reading the answer")));
        }
    }
    DisarmTimer();
    take();
    if (finished && finished())
        return TEnd::Finished;
    if (!tls)
        return TEnd::Closed;
    return notified_ || Tls::ClosedByPeer(*socket_) ? TEnd::Notified : TEnd::Dropped;
}
