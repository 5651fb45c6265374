#pragma once

#include "net/FileTransfer.h"

// The file transfer a command uses: FTP (plain or over TLS) or SFTP, as the
// project's Transfer setting says. The commands call it as they would call
// the client itself.
class TTransferSwitch : public TFileTransfer {
public:
    explicit TTransferSwitch(TFileTransfer& initial) : current_(&initial) {}
    void Use(TFileTransfer& transfer) { current_ = &transfer; }
    TFileTransfer& Current() { return *current_; }

    void Connect() override { current_->Connect(); }
    void MakeDirectory(const QString& path) override { current_->MakeDirectory(path); }
    void Delete(const QString& path) override { current_->Delete(path); }
    void RemoveDir(const QString& path) override { current_->RemoveDir(path); }
    void Mode(int type) override { current_->Mode(type); }
    void Upload(const QString& localFile, const QString& remotePath) override {
        current_->Upload(localFile, remotePath);
    }
    void Rename(const QString& from, const QString& to) override { current_->Rename(from, to); }
    void SetPermissions(const QString& path, int mode) override {
        current_->SetPermissions(path, mode);
    }
    void Disconnect() override { current_->Disconnect(); }
    bool Connected() const override { return current_->Connected(); }
    void Cancel() override { current_->Cancel(); }
    QString ReplyText() const override { return current_->ReplyText(); }
    bool Encrypted() const override { return current_->Encrypted(); }
    bool RefusedLogin() const override { return current_->RefusedLogin(); }

private:
    TFileTransfer* current_;
};
