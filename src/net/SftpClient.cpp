#include "net/SftpClient.h"

#include "model/DataFiles.h"
#include "net/Tls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSslSocket>

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <exception>
#include <thread>
#include <utility>

namespace {

// One SFTP write; OpenSSH's server takes up to 256 KiB a message.
constexpr qint64 kBlockSize = 128 * 1024;

QByteArray Path(const QString& path) {
    return path.toUtf8();
}

QString KeyTypeName(ssh_key key) {
    const char* name = ssh_key_type_to_char(ssh_key_type(key));
    return name ? QString::fromLatin1(name) : QStringLiteral("unknown");
}

} // namespace

TSftpClient::TSftpClient(QObject* parent) : TSocketLayer(parent) {
    Port = 22;
    Service = QStringLiteral("the SFTP server");
    KnownHostsFile = DefaultKnownHostsFile();
}

QString TSftpClient::DefaultKnownHostsFile() {
    return QDir(UserDataFolder()).filePath(QStringLiteral("known_hosts"));
}

void TSftpClient::ForgetHost(const QString& knownHostsFile, const QString& host, quint16 port) {
    QFile file(knownHostsFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray name =
        port == 22 ? host.toUtf8() : QStringLiteral("[%1]:%2").arg(host).arg(port).toUtf8();
    QByteArray kept;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> hosts = line.split(' ').value(0).split(',');
        if (!line.isEmpty() && !hosts.contains(name))
            kept += line + '\n';
    }
    file.close();
    QSaveFile out(knownHostsFile);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(kept);
        out.commit();
    }
}

TSftpClient::~TSftpClient() {
    Drop();
}

QString TSftpClient::SshError() const {
    return session_ ? QString::fromUtf8(ssh_get_error(session_)) : QString();
}

QString TSftpClient::SftpError(const QString& what) const {
    // A connection that broke leaves the last status of the server behind;
    // it tells nothing of this command.
    if (session_ && (!ssh_is_connected(session_) || ssh_get_error_code(session_) == SSH_FATAL))
        return ClosedText(doing_.isEmpty() ? what : doing_) +
               QStringLiteral(" (%1)").arg(SshError());
    QString reason;
    switch (sftp_ ? sftp_get_error(sftp_) : -1) {
    case SSH_FX_NO_SUCH_FILE:
        reason = QStringLiteral("no such file or folder");
        break;
    case SSH_FX_PERMISSION_DENIED:
        reason = QStringLiteral("permission denied");
        break;
    case SSH_FX_FILE_ALREADY_EXISTS:
        reason = QStringLiteral("it already exists");
        break;
    case SSH_FX_FAILURE:
        reason = QStringLiteral("the server refused it");
        break;
    default:
        reason = SshError();
    }
    return QStringLiteral("SFTP %1: %2").arg(what, reason);
}

void TSftpClient::Drop() {
    if (sftp_)
        sftp_free(sftp_);
    sftp_ = nullptr;
    if (session_) {
        ssh_disconnect(session_);
        ssh_free(session_);
        fd_ = -1; // closed with the session
    }
    session_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void TSftpClient::Run(const std::function<void()>& work) {
    stop_ = false;
    std::exception_ptr error;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
        WakeFromAnyThread();
    });
    ArmTimer(-1, true);
    const bool finished = WaitUntil([&] { return done.load(); });
    DisarmTimer();
    if (!finished) {
        // libssh waits in the kernel: cutting the connection ends the wait.
        stop_ = true;
        if (fd_ >= 0)
            ::shutdown(fd_, SHUT_RDWR);
    }
    worker.join();
    if (!finished) {
        Drop();
        throw EAbortError(AbortText(doing_));
    }
    if (error)
        std::rethrow_exception(error);
}

void TSftpClient::Connect() {
    BeginOperation();
    if (Connected())
        return;
    refusedLogin_ = false;
    replyText_.clear();
    Drop();
    try {
        // The socket layer connects: one place for host lookup, time-out,
        // events and messages. libssh then takes over a handle of its own.
        ConnectSocket();
        fd_ = ::dup(static_cast<int>(Socket().socketDescriptor()));
        Socket().abort();
        if (fd_ < 0)
            throw ESockError(QStringLiteral("Could not connect to %1").arg(Where()));
        doing_ = QStringLiteral("the SSH greeting");
        CheckGreeting();
        doing_ = QStringLiteral("the login");

        session_ = ssh_new();
        if (!session_)
            throw ENetError(QStringLiteral("SFTP: out of memory"));
        const QByteArray host = Host.trimmed().toUtf8();
        const QByteArray user = UserID.toUtf8();
        const QByteArray known = QFile::encodeName(KnownHostsFile);
        const unsigned int port = Port;
        const long timeout = 3600; // the waits here are bounded by the event loop
        const int noConfig = 0;
        socket_t fd = fd_;
        ssh_options_set(session_, SSH_OPTIONS_HOST, host.constData());
        ssh_options_set(session_, SSH_OPTIONS_PORT, &port);
        ssh_options_set(session_, SSH_OPTIONS_USER, user.constData());
        ssh_options_set(session_, SSH_OPTIONS_PROCESS_CONFIG, &noConfig);
        ssh_options_set(session_, SSH_OPTIONS_KNOWNHOSTS, known.constData());
        ssh_options_set(session_, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, "/dev/null");
        ssh_options_set(session_, SSH_OPTIONS_TIMEOUT, &timeout);
        ssh_options_set(session_, SSH_OPTIONS_FD, &fd);

        Run([&] {
            if (ssh_connect(session_) != SSH_OK)
                throw ESockError(QStringLiteral("The SSH connection to %1 failed after %2: %3")
                                     .arg(Where(), Elapsed(), SshError()));
        });
        CheckHostKey();

        Run([&] {
            const QByteArray password = Password.toUtf8();
            const int result = ssh_userauth_password(session_, nullptr, password.constData());
            if (result == SSH_AUTH_SUCCESS)
                return;
            if (result == SSH_AUTH_ERROR)
                throw ESockError(
                    QStringLiteral("SFTP login at %1 failed: %2").arg(Host, SshError()));
            refusedLogin_ = true;
        });
        if (refusedLogin_) {
            replyText_ = QStringLiteral("SFTP login refused: user name or password is incorrect");
            if (OnConnectionFailed)
                OnConnectionFailed(this);
            throw FTPException(replyText_);
        }
        Run([&] {
            sftp_session sftp = sftp_new(session_);
            if (!sftp)
                throw ESockError(QStringLiteral("SFTP at %1: %2").arg(Host, SshError()));
            if (sftp_init(sftp) != SSH_OK) {
                sftp_free(sftp);
                throw ESockError(
                    QStringLiteral("SFTP at %1: the server offers no file transfer (%2)")
                        .arg(Host, SshError()));
            }
            sftp_ = sftp;
        });
    } catch (...) {
        Drop();
        throw;
    }
}

void TSftpClient::CheckGreeting() {
    // The server's first line, looked at without taking it from libssh: an
    // FTP server's "220" is told at once, not after libssh's long wait.
    QByteArray first;
    Run([&] {
        char buffer[256];
        for (;;) {
            if (stop_)
                return;
            pollfd poll{fd_, POLLIN, 0};
            if (::poll(&poll, 1, 100) <= 0)
                continue;
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_PEEK);
            if (n <= 0)
                return;
            first = QByteArray(buffer, n);
            if (first.contains('\n') || n == sizeof buffer)
                return;
            // Wait for the rest of the line (a short sleep: data is on its way).
            ::usleep(20000);
        }
    });
    if (first.isEmpty())
        throw ESockError(ClosedText(doing_));
    if (first.startsWith("SSH-"))
        return;
    const QString line = LineText(first.left(first.indexOf('\n') + 1)).left(60);
    if (first.size() >= 4 && std::isdigit(static_cast<unsigned char>(first.at(0))) &&
        std::isdigit(static_cast<unsigned char>(first.at(1))) &&
        std::isdigit(static_cast<unsigned char>(first.at(2))) &&
        (first.at(3) == ' ' || first.at(3) == '-'))
        throw ESockError(QStringLiteral("%1 is an FTP server, not an SFTP server (it greeted with "
                                        "\"%2\"): choose FTP over TLS in Settings, or the SSH port "
                                        "(usually 22)")
                             .arg(Where(), line));
    if (first.startsWith("HTTP/"))
        throw ESockError(QStringLiteral("%1 is a web server, not an SFTP server (it answered "
                                        "\"%2\")")
                             .arg(Where(), line));
}

void TSftpClient::CheckHostKey() {
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(session_, &key) != SSH_OK)
        throw ESockError(QStringLiteral("The SSH server %1 shows no host key").arg(Host));
    unsigned char* hash = nullptr;
    size_t length = 0;
    const int hashed = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length);
    TCertificateInfo info;
    info.HostKey = true;
    info.Host = Host.trimmed();
    info.Port = Port;
    info.Service = Service;
    info.KeyType = KeyTypeName(key);
    info.Subject = info.KeyType;
    ssh_key_free(key);
    if (hashed != 0)
        throw ESockError(QStringLiteral("The host key of %1 cannot be read").arg(Host));
    info.Fingerprint = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(hash), static_cast<qsizetype>(length)).toHex());
    ssh_clean_pubkey_hash(&hash);

    const QString trusted = TrustedHostKey.toLower();
    const ssh_known_hosts_e state = ssh_session_is_known_server(session_);
    const bool accepted = !trusted.isEmpty() && trusted == info.Fingerprint;
    const auto remember = [&] {
        QDir().mkpath(QFileInfo(KnownHostsFile).path());
        ssh_session_update_known_hosts(session_);
    };
    const QString key_ =
        QStringLiteral("%1 key, SHA-256 fingerprint: %2").arg(info.KeyType, info.Fingerprint);
    switch (state) {
    case SSH_KNOWN_HOSTS_OK:
        if (trusted.isEmpty() || accepted)
            return;
        break; // known here, yet not the key trusted for this project
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
        if (accepted) {
            remember();
            return;
        }
        break;
    case SSH_KNOWN_HOSTS_NOT_FOUND:
    case SSH_KNOWN_HOSTS_UNKNOWN:
        if (accepted) {
            remember();
            return;
        }
        if (trusted.isEmpty()) {
            info.Problems << QStringLiteral("the server is not known yet");
            throw ETlsError(
                QStringLiteral("The SSH host key of %1 is not known yet: %2.").arg(info.Host, key_),
                info);
        }
        break;
    default:
        throw ESockError(QStringLiteral("The known hosts file %1 cannot be read: %2")
                             .arg(KnownHostsFile, SshError()));
    }
    info.Changed = true;
    info.Problems << QStringLiteral("the host key has changed");
    throw ETlsError(QStringLiteral("Warning: the SSH host key of %1 has changed since it was "
                                   "trusted: %2. Someone may be impersonating the server; "
                                   "nothing was sent.")
                        .arg(info.Host, key_),
                    info);
}

void TSftpClient::SimpleCommand(const std::function<int()>& call, const QString& what, int kind) {
    BeginOperation();
    doing_ = what;
    if (!Connected())
        throw ENetError(QStringLiteral("Not connected to the SFTP server %1").arg(Where()));
    bool failed = false;
    Run([&] { failed = call() < 0; });
    if (!failed) {
        replyText_.clear();
        return;
    }
    replyText_ = SftpError(what);
    Refused(kind, replyText_);
}

void TSftpClient::MakeDirectory(const QString& path) {
    const QByteArray p = Path(path);
    SimpleCommand([&] { return sftp_mkdir(sftp_, p.constData(), 0755); },
                  QStringLiteral("mkdir ") + path, MakeDirKind);
}

void TSftpClient::Delete(const QString& path) {
    const QByteArray p = Path(path);
    SimpleCommand([&] { return sftp_unlink(sftp_, p.constData()); },
                  QStringLiteral("delete ") + path, DeleteKind);
}

void TSftpClient::RemoveDir(const QString& path) {
    const QByteArray p = Path(path);
    SimpleCommand([&] { return sftp_rmdir(sftp_, p.constData()); }, QStringLiteral("rmdir ") + path,
                  RemoveDirKind);
}

void TSftpClient::Rename(const QString& from, const QString& to) {
    const QByteArray f = Path(from), t = Path(to);
    const QString what = QStringLiteral("rename %1 to %2").arg(from, to);
    if (Connected() && sftp_extension_supported(sftp_, "posix-rename@openssh.com", "1"))
        return SimpleCommand([&] { return PosixRename(f, t); }, what, RenameKind);
    // Version 4 and later replace by themselves; version 3 must delete first.
    if (Connected() && sftp_->version < 4) {
        const auto keep = std::exchange(OnFailure, nullptr);
        const auto restore = qScopeGuard([&] { OnFailure = keep; });
        try {
            Delete(to);
        } catch (const FTPException&) {
            // Usually: there was no such file yet.
        }
    }
    SimpleCommand([&] { return sftp_rename(sftp_, f.constData(), t.constData()); }, what,
                  RenameKind);
}

int TSftpClient::PosixRename(const QByteArray& from, const QByteArray& to) {
    // libssh has no call for it: the request goes on the SFTP channel
    // between two of its own, which are never in flight at the same time.
    const auto u32 = [](QByteArray& b, quint32 v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            b.append(char((v >> shift) & 0xff));
    };
    const auto text = [&](QByteArray& b, const QByteArray& s) {
        u32(b, quint32(s.size()));
        b.append(s);
    };
    const quint32 id = ++sftp_->id_counter;
    QByteArray body;
    body.append(char(SSH_FXP_EXTENDED));
    u32(body, id);
    text(body, "posix-rename@openssh.com");
    text(body, from);
    text(body, to);
    QByteArray packet;
    u32(packet, quint32(body.size()));
    packet.append(body);
    if (ssh_channel_write(sftp_->channel, packet.constData(), uint32_t(packet.size())) !=
        packet.size())
        throw ESockError(QStringLiteral("SFTP at %1: %2").arg(Host, SshError()));
    const auto readExactly = [&](qsizetype n) {
        QByteArray b(n, Qt::Uninitialized);
        for (qsizetype got = 0; got < n;) {
            const int r = ssh_channel_read(sftp_->channel, b.data() + got, uint32_t(n - got), 0);
            if (r <= 0)
                throw ESockError(
                    QStringLiteral("SFTP at %1: the connection ended (%2)").arg(Host, SshError()));
            got += r;
        }
        return b;
    };
    const auto be32 = [](const QByteArray& b, qsizetype at) {
        quint32 v = 0;
        for (qsizetype i = 0; i < 4; ++i)
            v = (v << 8) | quint8(b.at(at + i));
        return v;
    };
    const quint32 length = be32(readExactly(4), 0);
    if (length < 9 || length > 256 * 1024)
        throw ESockError(QStringLiteral("SFTP at %1: a reply of %2 bytes").arg(Host).arg(length));
    const QByteArray reply = readExactly(length);
    if (quint8(reply.at(0)) != SSH_FXP_STATUS || be32(reply, 1) != id)
        throw ESockError(QStringLiteral("SFTP at %1: an unexpected reply to a rename").arg(Host));
    const quint32 status = be32(reply, 5);
    sftp_->errnum = int(status);
    return status == SSH_FX_OK ? 0 : -1;
}

void TSftpClient::SetPermissions(const QString& path, int mode) {
    const QByteArray p = Path(path);
    SimpleCommand([&] { return sftp_chmod(sftp_, p.constData(), mode_t(mode)); },
                  QStringLiteral("chmod %1").arg(path), PermissionsKind);
}

void TSftpClient::Mode(int type) {
    BeginOperation();
    if (type < Ascii || type > Local8)
        throw ENetError(QStringLiteral("Unknown transfer type %1").arg(type));
    if (!Connected())
        throw ENetError(QStringLiteral("Not connected to the SFTP server %1").arg(Where()));
}

void TSftpClient::Upload(const QString& localFile, const QString& remotePath) {
    QFile file(localFile);
    BeginOperation(MinimumRate > 0 ? QFileInfo(localFile).size() * 1000 / MinimumRate : 0);
    doing_ = QStringLiteral("the upload of %1").arg(remotePath);
    if (!Connected())
        throw ENetError(QStringLiteral("Not connected to the SFTP server %1").arg(Where()));
    if (!file.open(QIODevice::ReadOnly))
        throw ENetError(QStringLiteral("The file \"%1\" cannot be opened: %2")
                            .arg(localFile, file.errorString()));
    const QByteArray remote = Path(remotePath);
    QString failure;
    Run([&] {
        sftp_file target = sftp_open(sftp_, remote.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (!target) {
            failure = SftpError(QStringLiteral("upload ") + remotePath);
            return;
        }
        QByteArray block(kBlockSize, Qt::Uninitialized);
        for (;;) {
            if (stop_)
                break;
            const qint64 n = file.read(block.data(), kBlockSize);
            if (n < 0) {
                sftp_close(target);
                throw ENetError(QStringLiteral("The file \"%1\" cannot be read: %2")
                                    .arg(localFile, file.errorString()));
            }
            if (n == 0)
                break;
            if (sftp_write(target, block.constData(), static_cast<size_t>(n)) != n) {
                failure = SftpError(QStringLiteral("upload ") + remotePath);
                break;
            }
            ProgressFromAnyThread();
        }
        // Closing tells whether the server kept every byte (a full disk).
        if (sftp_close(target) != SSH_NO_ERROR && failure.isEmpty())
            failure = SftpError(QStringLiteral("upload ") + remotePath);
    });
    if (failure.isEmpty())
        return;
    replyText_ = failure;
    Refused(UploadKind, replyText_);
}

void TSftpClient::Disconnect() {
    BeginOperation();
    if (!session_)
        return;
    Run([&] {
        if (sftp_)
            sftp_free(sftp_);
        sftp_ = nullptr;
        ssh_disconnect(session_);
    });
    ssh_free(session_);
    session_ = nullptr;
    fd_ = -1;
}
