#pragma once

#include "deploy/UserPort.h"

#include <QDialog>

class QLabel;
class QPushButton;

// Asks how a project is to be removed: from this computer, from the server,
// or both, each after a confirmation in the warning window; or whether the
// records are to be downloaded first. The choices that touch the server are
// offered only for a project that was uploaded.
class TRemoveDBF : public QDialog {
    Q_OBJECT
public:
    explicit TRemoveDBF(TUserPort& port, QWidget* parent = nullptr);

    // Set before showing: the project's name and its Uploaded value.
    void SetDatabaseName(const QString& name);
    void SetServerRemovalPossible(bool possible);
    bool ServerRemovalPossible() const { return serverPossible_; }

    // The choice: Cancel unless the dialog closed with OK.
    TRemoveChoice Choice() const { return result() == Accepted ? choice_ : TRemoveChoice::Cancel; }
    bool RemoveSettings() const;
    bool RemoveServer() const;
    bool DownloadFirst() const { return Choice() == TRemoveChoice::DownloadFirst; }

    // Shows the dialog for a project and returns the confirmed choice.
    static TRemoveChoice Ask(TUserPort& port, QWidget* parent, const QString& name,
                             bool serverPossible);

    QLabel* DatabaseName;
    QPushButton* BothBtn;     // "Setting && Server"
    QPushButton* SettingsBtn; // "Settings Only"
    QPushButton* ServerBtn;   // "Server Only"
    QPushButton* DownloadBtn; // "Download records from server to my PC now!"
    QPushButton* CancelBtn;

public slots:
    void BothBtnClick();
    void SettingsBtnClick();
    void ServerBtnClick();
    void DownloadBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Asks the choice's confirmation in the warning window (none for the
    // download); on Yes keeps the choice and closes with OK.
    void choose(TRemoveChoice choice);

    TUserPort& port_;
    bool serverPossible_ = false;
    TRemoveChoice choice_ = TRemoveChoice::Cancel;
};
