#pragma once

#include "net/NetErrors.h"

#include <QString>

#include <functional>

// What the deployment commands do with a server's files, whatever the
// protocol: plain FTP, FTP over TLS (TFtpClient) or SFTP (TSftpClient).
// Failures raise the errors of NetErrors.h; a login the server refuses
// raises FTPException after OnConnectionFailed of the client.
class TFileTransfer {
public:
    // Kinds of command handed to OnFailure.
    enum Kind {
        ChangeDirKind = 0,
        MakeDirKind = 1,
        DeleteKind = 2,
        RemoveDirKind = 3,
        RenameKind = 4,
        UploadKind = 9,
        OtherKind = 14,
        CurrentDirKind = 15,
        PermissionsKind = 16,
    };
    // Transfer types for Mode().
    enum TransferType { Ascii = 1, Image = 2, Local8 = 3 };

    virtual ~TFileTransfer() = default;

    // When assigned, a command the server refuses calls it first; setting
    // Handled makes the command return instead of raising FTPException.
    std::function<void(bool& Handled, int Kind)> OnFailure;

    // Connects and logs in; does nothing when already connected.
    virtual void Connect() = 0;
    virtual void MakeDirectory(const QString& path) = 0;
    virtual void Delete(const QString& path) = 0;
    virtual void RemoveDir(const QString& path) = 0;
    virtual void Mode(int type) = 0;
    // Stores the local file under the remote path.
    virtual void Upload(const QString& localFile, const QString& remotePath) = 0;
    // Renames a remote file, replacing a file of the new name in one step
    // where the server can (FTP servers on POSIX systems, SFTP with
    // posix-rename); elsewhere the old file is deleted first.
    virtual void Rename(const QString& from, const QString& to) = 0;
    // Sets a remote file's permission bits (octal, as chmod takes them).
    virtual void SetPermissions(const QString& path, int mode) = 0;
    // Ends the session; does nothing when not connected.
    virtual void Disconnect() = 0;

    virtual bool Connected() const = 0;
    // Ends the running wait with its abort error.
    virtual void Cancel() = 0;
    // The server's text of the last reply (FTP: its first line).
    virtual QString ReplyText() const = 0;
    // The session is encrypted (FTP over TLS or SFTP).
    virtual bool Encrypted() const = 0;
    // The server refused the user name or password at the last Connect (as
    // against a connection that could not be made at all).
    virtual bool RefusedLogin() const = 0;

protected:
    // A command the server refused with `reply`: OnFailure may handle it,
    // else it raises FTPException.
    void Refused(int kind, const QString& reply) {
        if (OnFailure) {
            bool handled = false;
            OnFailure(handled, kind);
            if (handled)
                return;
        }
        throw FTPException(reply);
    }
};
