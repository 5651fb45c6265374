#pragma once

#include <QDialog>

class QPushButton;
class TUserPort;

// Asks how a project is to be removed: from this computer, from the server,
// or both, each after a confirmation in the warning window; or whether the
// records are to be downloaded first. The choices that touch the server are
// offered only for a project that was uploaded.
class TRemoveDBF : public QDialog {
    Q_OBJECT
public:
    explicit TRemoveDBF(TUserPort& port, QWidget* parent = nullptr);

    // Set before showing: the project's Uploaded value.
    void SetServerRemovalPossible(bool possible);
    bool ServerRemovalPossible() const { return serverPossible_; }

    // The choice, valid after the dialog closed with OK.
    bool RemoveSettings() const { return removeSettings_; }
    bool RemoveServer() const { return removeServer_; }
    bool DownloadFirst() const { return downloadFirst_; }

    QPushButton* BothBtn;     // "Setting && Server"
    QPushButton* SettingsBtn; // "Settings Only"
    QPushButton* ServerBtn;   // "Server Only"
    QPushButton* DownloadBtn; // "Download records from server to my PC now !"
    QPushButton* CancelBtn;

public slots:
    void BothBtnClick();
    void SettingsBtnClick();
    void ServerBtnClick();
    void DownloadBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Asks text in the warning window; on Yes keeps the flags and closes with OK.
    void choose(const QString& text, bool settings, bool server);

    TUserPort& port_;
    bool serverPossible_ = false;
    bool removeSettings_ = false;
    bool removeServer_ = false;
    bool downloadFirst_ = false;
};
