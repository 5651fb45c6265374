#pragma once

#include "net/SocketLayer.h"

#include <QString>

#include <functional>

class QFile;

// FTP client for putting a site on a web server and taking it away again:
// login, directories, deleting, transfer type, passive STOR and QUIT.
class TFtpClient : public TSocketLayer {
    Q_OBJECT
public:
    // Kinds of command handed to OnFailure.
    enum Kind {
        ChangeDirKind = 0,
        MakeDirKind = 1,
        DeleteKind = 2,
        RemoveDirKind = 3,
        UploadKind = 9,
        OtherKind = 14,
        CurrentDirKind = 15,
    };
    // Transfer types for Mode().
    enum TransferType { Ascii = 1, Image = 2, Local8 = 3 };

    explicit TFtpClient(QObject* parent = nullptr);

    QString UserID;
    QString Password;

    // When assigned, a command the server refuses calls it first; setting
    // Handled makes the command return instead of raising FTPException.
    std::function<void(bool& Handled, int Kind)> OnFailure;

    // The first line of the last reply, without its line end.
    const QString& ReplyText() const { return replyText_; }

    // Connects and logs in; does nothing when already connected.
    void Connect();
    void MakeDirectory(const QString& path);
    void Delete(const QString& path);
    void RemoveDir(const QString& path);
    void Mode(int type);
    // Stores the local file under the remote path over a passive data connection.
    void Upload(const QString& localFile, const QString& remotePath);
    // Sends QUIT and closes; does nothing when not connected.
    void Disconnect();

private:
    void SimpleCommand(const QString& command, int kind);
    void RequireConnected() const;
    void PrepareCommand();
    int Transaction(const QString& command);
    int ReadReply();
    void Fail(int kind);
    void Quit();
    void LoginRefused();
    void SendFile(QFile& file, QTcpSocket& data);
    void CloseData(QTcpSocket& data);

    QString replyText_;
    // A command was sent whose final reply has not been read (a cancel came
    // first); the next command must not take that reply for its own.
    bool replyPending_ = false;
};
