#include "net/FtpClient.h"

#include "net/Tls.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSslSocket>

#include <memory>

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qint64 kBlockSize = 65536;
// Bytes queued on the data socket before the file is read further, so memory
// stays flat whatever the file size.
constexpr qint64 kHighWater = 4 * kBlockSize;
// How long a later command waits for the reply a cancelled one left behind.
constexpr int kPendingReplyWait = 5000;
// How long a closed TLS data connection waits for the server to close it.
constexpr int kServerCloseWait = 10000;
// A reply of more lines than this is a server that never ends its greeting.
constexpr int kMaxReplyLines = 1000;
// What of a long reply goes into messages.
constexpr qsizetype kMaxReplyText = 2000;

bool IsFailure(int code) {
    return code >= 400 && code <= 599;
}

// Port from "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": the fifth and
// sixth fields. The address is ignored: servers behind NAT name a wrong one.
int PassivePort(const QString& reply) {
    const QStringList fields = reply.split(u',');
    if (fields.size() < 6)
        return -1;
    QString sixth = fields.at(5);
    const int close = sixth.indexOf(u')');
    if (close >= 0)
        sixth.truncate(close);
    bool ok1 = false;
    bool ok2 = false;
    const int p1 = fields.at(4).trimmed().toInt(&ok1);
    const int p2 = sixth.trimmed().toInt(&ok2);
    if (!ok1 || !ok2 || p1 < 0 || p1 > 255 || p2 < 0 || p2 > 255 || p1 * 256 + p2 == 0)
        return -1;
    return p1 * 256 + p2;
}

// "123 text" or a bare "123": the line that ends a multi-line reply.
bool IsLastReplyLine(const QByteArray& line) {
    if (line.size() < 3)
        return false;
    for (int i = 0; i < 3; ++i)
        if (line.at(i) < '0' || line.at(i) > '9')
            return false;
    return line.size() == 3 || line.at(3) == ' ' || line.at(3) == '\r' || line.at(3) == '\n';
}

// Bounds the waits of a scope, whatever TimeOut the caller chose (0 = none).
class TTimeOutLimit {
public:
    TTimeOutLimit(TSocketLayer& layer, int ms) : layer_(layer), saved_(layer.TimeOut) {
        if (saved_ <= 0 || saved_ > ms)
            layer_.TimeOut = ms;
    }
    ~TTimeOutLimit() { layer_.TimeOut = saved_; }
    TTimeOutLimit(const TTimeOutLimit&) = delete;
    TTimeOutLimit& operator=(const TTimeOutLimit&) = delete;

private:
    TSocketLayer& layer_;
    int saved_;
};

// Drops a data connection at once: bytes still queued in the system must not
// trickle on to the server after a cancel or a failure.
struct TDataSocketDrop {
    void operator()(QSslSocket* socket) const {
        const qintptr fd = socket->socketDescriptor();
        if (fd >= 0) {
            const linger drop{1, 0};
            ::setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_LINGER, &drop, sizeof drop);
        }
        socket->abort();
        delete socket;
    }
};

} // namespace

TFtpClient::TFtpClient(QObject* parent) : TSocketLayer(parent) {
    Port = 21;
    Service = QStringLiteral("the FTP server");
}

void TFtpClient::RequireConnected() const {
    if (!Connected())
        throw ENetError(QStringLiteral("Not connected to the FTP server %1").arg(Where()));
}

int TFtpClient::ReadReply() {
    const QString awaited =
        doing_.isEmpty() ? QString() : QStringLiteral("waiting for the reply to %1").arg(doing_);
    const QByteArray first = ReadLine(awaited);
    if (first.isEmpty() && !quitting_)
        throw ESockError(ClosedText(doing_.isEmpty() ? QStringLiteral("the login") : doing_));
    ReplyNumber = LeadingNumber(first);
    replyText_ = LineText(first);
    wholeReply_ = replyText_;
    // "123-" opens a reply that ends with a line "123 "; lines in between may
    // say anything, so they are read up to such a line.
    const bool multiLine = first.size() >= 4 && first.at(3) == '-';
    QByteArray line = first;
    for (int lines = 0; !line.isEmpty(); ++lines) {
        const bool continued = line.startsWith(' ') || (line.size() >= 4 && line.at(3) == '-') ||
                               (multiLine && lines > 0 && !IsLastReplyLine(line));
        if (!continued)
            break;
        if (lines >= kMaxReplyLines)
            throw ESockError(QStringLiteral("The reply of the FTP server %1 does not end (more "
                                            "than %2 lines)")
                                 .arg(Where())
                                 .arg(kMaxReplyLines));
        line = ReadLine(awaited);
        // Every line of the reply counts: the reason is often not the first.
        if (!line.isEmpty() && wholeReply_.size() < kMaxReplyText)
            wholeReply_ += u'\n' + LineText(line);
    }
    replyPending_ = ReplyNumber >= 100 && ReplyNumber <= 199;
    return ReplyNumber;
}

int TFtpClient::Transaction(const QString& command) {
    ReplyNumber = 0;
    replyText_.clear();
    wholeReply_.clear();
    replyPending_ = true;
    SendLine(command);
    return ReadReply();
}

void TFtpClient::PrepareCommand() {
    if (replyPending_ && Connected()) {
        // A cancelled command's reply may still be on its way; read it, but
        // no longer than a moment, and never take it for the next reply.
        {
            TTimeOutLimit limit(*this, kPendingReplyWait);
            try {
                while (replyPending_ && Connected())
                    ReadReply();
            } catch (const ESockError&) {
                // Gone or silent: the next command says so.
            }
        }
        // Running out of that moment is no cancel of the command to come.
        if (TimedOut())
            BeginOperation();
        replyPending_ = false;
    }
    DiscardInput();
}

void TFtpClient::Fail(int kind) {
    Refused(kind, wholeReply_);
}

void TFtpClient::LoginRefused() {
    // "530 Non-anonymous sessions must use encryption", "550 SSL/TLS
    // required on the control channel", "421 ... cleartext sessions are not
    // accepted": no wrong password, but a server that wants TLS.
    static const QRegularExpression wantsTls(
        QStringLiteral("\\b(TLS|SSL|encrypt\\w*|cleartext|clear text|secure\\w*|AUTH)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (Security == TSecurity::Plain && wantsTls.match(wholeReply_).hasMatch())
        throw FTPException(QStringLiteral("The FTP server %1 requires FTP over TLS: choose FTP "
                                          "over TLS in Settings. It answered: %2")
                               .arg(Where(), wholeReply_));
    refusedLogin_ = true;
    if (OnConnectionFailed)
        OnConnectionFailed(this);
    throw FTPException(wholeReply_);
}

void TFtpClient::CheckGreeting(const QByteArray& first) {
    // Another protocol on the port: say which, at once, instead of waiting
    // for an FTP reply that never comes.
    if (first.startsWith("SSH-"))
        throw ESockError(QStringLiteral("%1 is an SSH server, not an FTP server (it greeted with "
                                        "\"%2\"): choose SFTP in Settings, or the FTP port")
                             .arg(Where(), LineText(first).left(60)));
    if (first.startsWith("HTTP/") || first.startsWith("<"))
        throw ESockError(QStringLiteral("%1 is a web server, not an FTP server (it answered "
                                        "\"%2\"): check the FTP server setting")
                             .arg(Where(), LineText(first).left(60)));
    if (first.size() > 0 && first.at(0) == '\x16')
        throw ESockError(
            QStringLiteral("%1 speaks TLS from the start (implicit FTPS), which is not "
                           "supported: use the server's FTP port (usually 21) with "
                           "FTP over TLS")
                .arg(Where()));
}

void TFtpClient::Connect() {
    BeginOperation();
    if (Connected())
        return;
    fellBack_ = false;
    refusedLogin_ = false;
    try {
        DiscardInput();
        replyPending_ = false;
        ConnectSocket();
        doing_ = QStringLiteral("the greeting");
        {
            const QByteArray first = PeekLine();
            CheckGreeting(first);
        }
        if (ReadReply() > 400)
            LoginRefused();
        if (ReplyNumber == 0)
            throw ESockError(QStringLiteral("%1 does not speak FTP: it greeted with \"%2\"")
                                 .arg(Where(), replyText_.left(60)));
        doing_ = QStringLiteral("the login");
        if (Security != TSecurity::Plain)
            NegotiateTls();
        const int user = Transaction(QStringLiteral("USER ") + UserID);
        if (user > 400 && user < 600)
            LoginRefused();
        if (user == 331) {
            const int pass = Transaction(QStringLiteral("PASS ") + Password);
            if (pass > 400 && pass < 600)
                LoginRefused();
        }
        if (Encrypted()) {
            // Data connections in TLS as well; a server that will not is refused.
            for (const QString& command : {QStringLiteral("PBSZ 0"), QStringLiteral("PROT P")})
                if (IsFailure(Transaction(command)))
                    throw FTPException(wholeReply_);
        }
    } catch (...) {
        // Leave no half-open session behind; the first error is the one to report.
        try {
            TTimeOutLimit limit(*this, kPendingReplyWait);
            Quit();
        } catch (...) {
            CloseSocket();
        }
        throw;
    }
}

void TFtpClient::NegotiateTls() {
    const int auth = Transaction(QStringLiteral("AUTH TLS"));
    if (auth == 234) {
        StartTls(Socket(), Tls::Configuration());
        return;
    }
    if (Security == TSecurity::Required)
        throw ENetError(QStringLiteral("The FTP server %1 does not offer FTP over TLS (it answered "
                                       "\"%2\"). Nothing was sent: not even the password.")
                            .arg(Where(), wholeReply_));
    fellBack_ = true;
}

void TFtpClient::SimpleCommand(const QString& command, int kind) {
    BeginOperation();
    doing_ = QStringLiteral("\"%1\"").arg(command);
    RequireConnected();
    PrepareCommand();
    if (IsFailure(Transaction(command)))
        Fail(kind);
}

void TFtpClient::MakeDirectory(const QString& path) {
    SimpleCommand(QStringLiteral("MKD ") + path, MakeDirKind);
}

void TFtpClient::Delete(const QString& path) {
    SimpleCommand(QStringLiteral("DELE ") + path, DeleteKind);
}

void TFtpClient::RemoveDir(const QString& path) {
    SimpleCommand(QStringLiteral("RMD ") + path, RemoveDirKind);
}

void TFtpClient::Rename(const QString& from, const QString& to) {
    BeginOperation();
    RequireConnected();
    PrepareCommand();
    // RNFR answers 350 and waits for its RNTO.
    if (Transaction(QStringLiteral("RNFR ") + from) != 350) {
        RequireReply();
        return Fail(RenameKind);
    }
    Transaction(QStringLiteral("RNTO ") + to);
    RequireReply();
    if (IsFailure(ReplyNumber))
        Fail(RenameKind);
}

void TFtpClient::RequireReply() const {
    // A connection that ended gives no reply, which is no success.
    if (ReplyNumber == 0)
        throw ESockError(
            QStringLiteral("The FTP server %1 closed the connection without a reply").arg(Host));
}

void TFtpClient::SetPermissions(const QString& path, int mode) {
    SimpleCommand(QStringLiteral("SITE CHMOD %1 %2").arg(mode, 0, 8).arg(path), PermissionsKind);
}

void TFtpClient::Mode(int type) {
    switch (type) {
    case Ascii:
        SimpleCommand(QStringLiteral("TYPE A"), OtherKind);
        break;
    case Image:
        SimpleCommand(QStringLiteral("TYPE I"), OtherKind);
        break;
    case Local8:
        SimpleCommand(QStringLiteral("TYPE L 8"), OtherKind);
        break;
    default:
        throw ENetError(QStringLiteral("Unknown transfer type %1").arg(type));
    }
}

void TFtpClient::Upload(const QString& localFile, const QString& remotePath) {
    QFile file(localFile);
    // A large file is granted time by its size, a stalled server is not.
    BeginOperation(MinimumRate > 0 ? QFileInfo(localFile).size() * 1000 / MinimumRate : 0);
    doing_ = QStringLiteral("the upload of %1").arg(remotePath);
    RequireConnected();
    if (!file.open(QIODevice::ReadOnly))
        throw ENetError(QStringLiteral("The file \"%1\" cannot be opened: %2")
                            .arg(localFile, file.errorString()));
    PrepareCommand();
    const int pasv = Transaction(QStringLiteral("PASV"));
    const int port = PassivePort(replyText_);
    if (pasv >= 500 || port < 0)
        return Fail(UploadKind);

    // Released on every way out, also after a failure.
    const std::unique_ptr<QSslSocket, TDataSocketDrop> data(new QSslSocket);
    Watch(*data);
    ConnectSecondary(*data, static_cast<quint16>(port));
    // The handshake starts now and ends after STOR: some servers answer it
    // only once the command has come, others only before they reply to it.
    const bool secure = Encrypted();
    if (secure)
        BeginTls(*data, ControlTls());

    const int stor = Transaction(QStringLiteral("STOR ") + remotePath);
    if (stor > 300 && stor < 600)
        return Fail(UploadKind);
    if (secure)
        FinishTls(*data);
    SendFile(file, *data);
    CloseData(*data);
    ReadReply();
    // The server's verdict after the data counts: a full disk, a refused
    // file or a connection gone must not be reported as stored.
    RequireReply();
    if (IsFailure(ReplyNumber))
        Fail(UploadKind);
}

void TFtpClient::SendFile(QFile& file, QSslSocket& data) {
    QByteArray block(kBlockSize, Qt::Uninitialized);
    ArmTimer(-1, true);
    for (;;) {
        if (Aborted())
            break;
        if (data.state() != QAbstractSocket::ConnectedState) {
            DisarmTimer();
            throw ESockError(ClosedText(doing_));
        }
        const auto queued = [&] { return data.bytesToWrite() + data.encryptedBytesToWrite(); };
        if (queued() >= kHighWater) {
            // Let the event loop hand queued bytes to the system.
            WaitUntil([&] {
                return queued() < kHighWater || data.state() != QAbstractSocket::ConnectedState;
            });
            continue;
        }
        const qint64 n = file.read(block.data(), kBlockSize);
        if (n < 0) {
            DisarmTimer();
            throw ENetError(QStringLiteral("The file \"%1\" cannot be read: %2")
                                .arg(file.fileName(), file.errorString()));
        }
        if (n == 0) {
            DisarmTimer();
            return;
        }
        if (data.write(block.constData(), n) != n) {
            DisarmTimer();
            throw ESockError(ClosedText(doing_));
        }
    }
    DisarmTimer();
    throw EAbortError(AbortText(doing_));
}

void TFtpClient::CloseData(QSslSocket& data) {
    bool failed = false;
    const auto onError = connect(&data, &QTcpSocket::errorOccurred, this,
                                 [&](QAbstractSocket::SocketError) { failed = true; });
    ArmTimer(-1, true);
    // Everything out first: a TLS socket asked to close with data still
    // queued may end the stream early.
    WaitUntil([&] {
        return (data.bytesToWrite() == 0 && data.encryptedBytesToWrite() == 0) ||
               data.state() != QAbstractSocket::ConnectedState;
    });
    // A TLS socket closes at once after its close_notify; a reply of the
    // server arriving then (its own close_notify, a session ticket) would be
    // answered with a reset that throws away data the server has not read
    // yet. A second handle keeps the connection open until the server ends it.
    const int keep = data.isEncrypted() && data.state() == QAbstractSocket::ConnectedState
                         ? ::dup(static_cast<int>(data.socketDescriptor()))
                         : -1;
    data.disconnectFromHost();
    const bool closed =
        WaitUntil([&] { return data.state() == QAbstractSocket::UnconnectedState; });
    DisarmTimer();
    disconnect(onError);
    if (keep >= 0)
        AwaitServerClose(keep);
    if (!closed)
        throw EAbortError(AbortText(doing_));
    if (failed || data.bytesToWrite() > 0 || data.encryptedBytesToWrite() > 0)
        throw ESockError(ClosedText(doing_));
}

void TFtpClient::AwaitServerClose(int fd) {
    ::shutdown(fd, SHUT_WR);
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    connect(&notifier, &QSocketNotifier::activated, this, [this] { WakeFromAnyThread(); });
    bool ended = false;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [&] {
        ended = true;
        WakeFromAnyThread();
    });
    limit.start(kServerCloseWait);
    WaitUntil([&] {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0)
                continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                ended = true;
            return ended;
        }
    });
    ::close(fd);
}

void TFtpClient::Quit() {
    if (!Connected()) {
        CloseSocket();
        return;
    }
    DiscardInput();
    // A server may close at once instead of answering QUIT.
    quitting_ = true;
    try {
        Transaction(QStringLiteral("QUIT"));
    } catch (...) {
        quitting_ = false;
        CloseSocket();
        throw;
    }
    quitting_ = false;
    CloseSocket();
    replyPending_ = false;
    if (ReplyNumber > 300 && ReplyNumber < 600)
        throw FTPException(wholeReply_);
}

void TFtpClient::Disconnect() {
    BeginOperation();
    Quit();
}
