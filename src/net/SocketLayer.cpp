#include "net/SocketLayer.h"

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

} // namespace

TSocketLayer::TSocketLayer(QObject* parent) : QObject(parent), socket_(new QSslSocket(this)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &TSocketLayer::Expire);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &TSocketLayer::ExpireOverall);
    Watch(*socket_);
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

QString TSocketLayer::AbortText(const QString& usual) const {
    if (!overall_)
        return usual;
    return QStringLiteral("%1 did not finish its answer within %2 seconds")
        .arg(Host)
        .arg((deadlineMs_ + 999) / 1000);
}

void TSocketLayer::Watch(QTcpSocket& socket) {
    socket.setProxy(QNetworkProxy::NoProxy);
    connect(&socket, &QTcpSocket::readyRead, this, &TSocketLayer::Progress);
    connect(&socket, &QTcpSocket::bytesWritten, this, &TSocketLayer::Progress);
    if (auto* ssl = qobject_cast<QSslSocket*>(&socket)) {
        connect(ssl, &QSslSocket::encryptedBytesWritten, this, &TSocketLayer::Progress);
        connect(ssl, &QSslSocket::encrypted, this, &TSocketLayer::Wake);
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
    QMetaObject::invokeMethod(this, [this] { Wake(); }, Qt::QueuedConnection);
}

void TSocketLayer::ProgressFromAnyThread() {
    QMetaObject::invokeMethod(this, [this] { Progress(); }, Qt::QueuedConnection);
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
        throw ESockError(timedOut_ ? AbortText(QStringLiteral("Zeitüberschreitung bei Host-Lookup"))
                                   : QStringLiteral("Host-Lookup abgebrochen"));
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
        throw ESockError(QStringLiteral("Bereits verbunden"));
    socket_->abort();
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
        throw ESockError(where + QStringLiteral("no answer within %1 seconds")
                                     .arg((TimeOut + 999) / 1000));
    if (aborted_)
        throw ESockError(QStringLiteral("Verbindung abgebrochen"));
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
                             const QString trusted = TrustedCertificate.toLower();
                             if (!trusted.isEmpty() &&
                                 Tls::Fingerprint(socket.peerCertificate()) == trusted)
                                 socket.ignoreSslErrors(errors);
                             else
                                 refused_ = errors;
                         });
    socket.startClientEncryption();
}

void TSocketLayer::FinishTls(QSslSocket& socket) {
    ArmTimer();
    WaitUntil([&] {
        return socket.isEncrypted() || socket.state() != QAbstractSocket::ConnectedState;
    });
    DisarmTimer();
    disconnect(tlsErrors_);
    if (socket.isEncrypted())
        return;
    const QSslCertificate peer = socket.peerCertificate();
    const QString error = socket.errorString();
    socket.abort();
    if (!refused_.isEmpty()) {
        TCertificateInfo info = Tls::Describe(peer, Host.trimmed(), refused_);
        info.Changed = !TrustedCertificate.isEmpty();
        throw ETlsError(Tls::Message(info), info);
    }
    if (timedOut_)
        throw EAbortError(AbortText(QStringLiteral("No TLS answer from %1").arg(Host)));
    if (aborted_)
        throw EAbortError(QStringLiteral("Verbindung abgebrochen"));
    throw ESockError(QStringLiteral("The encrypted connection to %1 failed: %2").arg(Host, error));
}

QSslConfiguration TSocketLayer::ControlTls() const {
    return socket_->sslConfiguration();
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
        throw ENetError(QStringLiteral("Ungültiges Zeichen (Zeilenumbruch) in \"%1\"")
                            .arg(QString(text).replace(u'\r', u' ').replace(u'\n', u' ')));
    QByteArray bytes = text.toUtf8();
    if (bytes.size() > kBufferSize - 2)
        bytes.truncate(kBufferSize - 2);
    bytes += "\r\n";
    SendBytes(bytes);
}

void TSocketLayer::SendBytes(const QByteArray& bytes) {
    if (!Connected())
        throw ESockError(SocketErrorText(QAbstractSocket::OperationError));
    socket_->write(bytes);
    ArmTimer(-1, true);
    const bool sent = WaitUntil([&] {
        return (socket_->bytesToWrite() == 0 && socket_->encryptedBytesToWrite() == 0) ||
               !Connected();
    });
    DisarmTimer();
    if (!sent)
        throw EAbortError(AbortText(QStringLiteral("Socket-send abgebrochen")));
    if (socket_->bytesToWrite() > 0 || !Connected()) {
        if (socket_->error() == QAbstractSocket::RemoteHostClosedError &&
            socket_->bytesToWrite() == 0)
            return; // all sent; the server closed right after, as it may
        throw ESockError(SocketErrorText(socket_->error()));
    }
}

QByteArray TSocketLayer::ReadLine() {
    const auto ready = [&] {
        return socket_->canReadLine() || socket_->bytesAvailable() >= kBufferSize || !Connected();
    };
    ArmTimer();
    const bool done = WaitUntil(ready);
    DisarmTimer();
    if (!done)
        throw EAbortError(AbortText(QStringLiteral("Socket-readln abgebrochen")));
    if (!socket_->isOpen())
        return {};
    if (socket_->canReadLine())
        return socket_->readLine(kBufferSize + 1);
    // A line longer than the buffer comes in pieces; a closed connection
    // gives what is left, which is empty when the line had ended.
    return socket_->read(kBufferSize);
}

void TSocketLayer::ReadToEnd(QByteArray& out) {
    ReadBlocks([&](const char* data, qint64 size) { out.append(data, size); });
}

void TSocketLayer::ReadBlocks(const std::function<void(const char*, qint64)>& sink) {
    QByteArray block;
    const auto take = [&] {
        for (;;) {
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
    ArmTimer(-1, true);
    for (;;) {
        take();
        if (!Connected())
            break;
        if (!WaitUntil([&] { return socket_->bytesAvailable() > 0 || !Connected(); })) {
            DisarmTimer();
            throw EAbortError(AbortText(QStringLiteral("Socket-Capture abgebrochen")));
        }
    }
    DisarmTimer();
    take();
}
