#pragma once

#include "net/FileTransfer.h"
#include "net/SocketLayer.h"

#include <QString>

#include <atomic>
#include <functional>

struct ssh_session_struct;
struct sftp_session_struct;

// SFTP (SSH file transfer) through libssh: password login, folders, files.
// The TCP connection is made by the socket layer (same host lookup, events
// and messages as FTP) and then handed to libssh. libssh blocks, so every
// call runs on a worker thread while this thread waits in its event loop:
// windows paint, and Cancel or a time-out cuts the connection at once.
//
// The server's host key is checked against a known-hosts file of the
// program's own: a key seen before passes; a new key passes only when it is
// TrustedHostKey, else ETlsError (HostKey set) asks for a decision; a key
// that differs from the known or trusted one is refused as changed.
class TSftpClient : public TSocketLayer, public TFileTransfer {
    Q_OBJECT
public:
    explicit TSftpClient(QObject* parent = nullptr);
    ~TSftpClient() override;

    QString UserID;
    QString Password;
    // SHA-256 (lower-case hex) of a host key the user accepted.
    QString TrustedHostKey;
    // Known hosts, in OpenSSH's format; default: "known_hosts" in the
    // per-user data folder.
    QString KnownHostsFile;
    // Bytes per second an upload is granted beyond OverallLimit.
    qint64 MinimumRate = 16 * 1024;

    // Removes the keys recorded for host and port from the known-hosts
    // file, so that the next connection asks again.
    static void ForgetHost(const QString& knownHostsFile, const QString& host, quint16 port);
    static QString DefaultKnownHostsFile();

    void Connect() override;
    void MakeDirectory(const QString& path) override;
    void Delete(const QString& path) override;
    void RemoveDir(const QString& path) override;
    // SFTP transfers bytes as they are; there is no text mode to choose.
    void Mode(int type) override;
    void Upload(const QString& localFile, const QString& remotePath) override;
    // posix-rename@openssh.com where the server offers it: the new name is
    // replaced in one step. SFTP's own rename refuses an existing name.
    void Rename(const QString& from, const QString& to) override;
    void SetPermissions(const QString& path, int mode) override;
    void Disconnect() override;
    bool Connected() const override { return sftp_ != nullptr; }
    void Cancel() override { TSocketLayer::Cancel(); }
    QString ReplyText() const override { return replyText_; }
    bool Encrypted() const override { return Connected(); }
    bool RefusedLogin() const override { return refusedLogin_; }

private:
    // Runs work on a worker thread and waits for it; a cancel or time-out
    // cuts the connection, and the session is gone afterwards.
    void Run(const std::function<void()>& work);
    void CheckHostKey();
    // Refuses a server that is no SSH server (FTP's "220" on the port).
    void CheckGreeting();
    void SimpleCommand(const std::function<int()>& call, const QString& what, int kind);
    // The extension's request and its status reply, on the worker thread.
    int PosixRename(const QByteArray& from, const QByteArray& to);
    void Drop();
    QString SshError() const;
    QString SftpError(const QString& what) const;

    ssh_session_struct* session_ = nullptr;
    sftp_session_struct* sftp_ = nullptr;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    QString replyText_;
    // What the running operation is, for messages ("the upload of x.php").
    QString doing_;
    bool refusedLogin_ = false;
};
