#pragma once

#include "net/FileTransfer.h"
#include "net/SocketLayer.h"

#include <QString>

#include <functional>

class QFile;

// FTP client for putting a site on a web server and taking it away again:
// login, directories, deleting, transfer type, passive STOR and QUIT, in
// plain text or over TLS (explicit "AUTH TLS", every data connection
// encrypted and resuming the control connection's session).
class TFtpClient : public TSocketLayer, public TFileTransfer {
    Q_OBJECT
public:
    // Plain: never asks for TLS. IfOffered: TLS when the server agrees to
    // "AUTH TLS", else plain. Required: refuses, before the password is
    // sent, a server that does not agree.
    enum class TSecurity { Plain, IfOffered, Required };

    explicit TFtpClient(QObject* parent = nullptr);

    QString UserID;
    QString Password;
    TSecurity Security = TSecurity::Plain;
    // Bytes per second an upload is granted beyond OverallLimit.
    qint64 MinimumRate = 16 * 1024;

    // The last reply, every line of it (joined by line feeds), without line ends.
    QString ReplyText() const override { return wholeReply_; }
    // IfOffered fell back to plain text at the last Connect.
    bool FellBack() const { return fellBack_; }

    void Connect() override;
    void MakeDirectory(const QString& path) override;
    void Delete(const QString& path) override;
    void RemoveDir(const QString& path) override;
    void Mode(int type) override;
    // Stores the local file under the remote path over a passive data connection.
    void Upload(const QString& localFile, const QString& remotePath) override;
    // RNFR and RNTO.
    void Rename(const QString& from, const QString& to) override;
    // SITE CHMOD, which many servers refuse.
    void SetPermissions(const QString& path, int mode) override;
    // Sends QUIT and closes; does nothing when not connected.
    void Disconnect() override;
    bool Connected() const override { return TSocketLayer::Connected(); }
    void Cancel() override { TSocketLayer::Cancel(); }
    bool Encrypted() const override { return TSocketLayer::Encrypted(); }
    bool RefusedLogin() const override { return refusedLogin_; }

private:
    void SimpleCommand(const QString& command, int kind);
    void RequireConnected() const;
    void PrepareCommand();
    int Transaction(const QString& command);
    int ReadReply();
    void Fail(int kind);
    void RequireReply() const;
    void Quit();
    void LoginRefused();
    // Refuses a greeting of another protocol (SSH, HTTP, TLS) at once.
    void CheckGreeting(const QByteArray& first);
    void NegotiateTls();
    void SendFile(QFile& file, QSslSocket& data);
    void CloseData(QSslSocket& data);
    void AwaitServerClose(int fd);

    QString replyText_; // the first line of the last reply
    QString wholeReply_;
    // What the running operation is, for messages ("the upload of x.php").
    QString doing_;
    bool quitting_ = false;
    bool fellBack_ = false;
    bool refusedLogin_ = false;
    // A command was sent whose final reply has not been read (a cancel came
    // first); the next command must not take that reply for its own.
    bool replyPending_ = false;
};
