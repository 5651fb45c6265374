#include "net/SocketLayer.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <limits>
#include <memory>
#include <utility>

namespace {

constexpr qint64 kBufferSize = 65536;

} // namespace

TSocketLayer::TSocketLayer(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &TSocketLayer::Expire);
    Watch(*socket_);
}

TSocketLayer::~TSocketLayer() {
    if (loop_)
        loop_->quit();
}

bool TSocketLayer::Connected() const {
    return socket_->state() == QAbstractSocket::ConnectedState;
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

void TSocketLayer::BeginOperation() {
    aborted_ = false;
    timedOut_ = false;
}

void TSocketLayer::Watch(QTcpSocket& socket) {
    socket.setProxy(QNetworkProxy::NoProxy);
    connect(&socket, &QTcpSocket::readyRead, this, &TSocketLayer::Progress);
    connect(&socket, &QTcpSocket::bytesWritten, this, &TSocketLayer::Progress);
    connect(&socket, &QTcpSocket::connected, this, &TSocketLayer::Wake);
    connect(&socket, &QTcpSocket::disconnected, this, &TSocketLayer::Wake);
    connect(&socket, &QTcpSocket::stateChanged, this, &TSocketLayer::Wake);
    connect(&socket, &QTcpSocket::errorOccurred, this, &TSocketLayer::Wake);
}

void TSocketLayer::Wake() {
    if (loop_)
        loop_->quit();
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
        throw ESockError(timedOut_ ? QStringLiteral("Zeitüberschreitung bei Host-Lookup")
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
    throw ESockError(QStringLiteral("Null Externe Adresse"));
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
    socket.abort();
    if (reportFailure && OnConnectionFailed)
        OnConnectionFailed(this);
    if (timedOut_)
        throw ESockError(QStringLiteral("Zeitüberschreitung bei Verbindung"));
    if (aborted_)
        throw ESockError(QStringLiteral("Verbindung abgebrochen"));
    throw ESockError(QStringLiteral("Verbindung fehlgeschlagen"));
}

void TSocketLayer::CloseSocket() {
    socket_->abort();
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
    const bool sent = WaitUntil([&] { return socket_->bytesToWrite() == 0 || !Connected(); });
    DisarmTimer();
    if (!sent)
        throw EAbortError(QStringLiteral("Socket-send abgebrochen"));
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
        throw EAbortError(QStringLiteral("Socket-readln abgebrochen"));
    if (!socket_->isOpen())
        return {};
    if (socket_->canReadLine())
        return socket_->readLine(kBufferSize + 1);
    // A line longer than the buffer comes in pieces; a closed connection
    // gives what is left, which is empty when the line had ended.
    return socket_->read(kBufferSize);
}

void TSocketLayer::ReadToEnd(QByteArray& out) {
    // Straight into `out`, without a block in between: bodies may be large.
    const auto take = [&] {
        const qint64 available = socket_->isOpen() ? socket_->bytesAvailable() : 0;
        if (available <= 0)
            return;
        const qsizetype old = out.size();
        out.resize(old + available);
        const qint64 got = socket_->read(out.data() + old, available);
        out.resize(old + std::max<qint64>(got, 0));
    };
    ArmTimer(-1, true);
    for (;;) {
        take();
        if (!Connected())
            break;
        if (!WaitUntil([&] { return socket_->bytesAvailable() > 0 || !Connected(); })) {
            DisarmTimer();
            throw EAbortError(QStringLiteral("Socket-Capture abgebrochen"));
        }
    }
    DisarmTimer();
    take();
}
