#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The user mode and the six visitor permissions, as the settings dialog
// keeps them while it is open.
struct TVisitorOptions {
    QString UserMode; // "Join", "Login" or empty
    bool AllowSearch = false;
    bool AllowAddModify = false;
    bool OnlyMembersCanAdd = false;
    bool AllowDelete = false;
    bool AllowChangePassword = false;
    bool AllowSendPassword = false;

    bool operator==(const TVisitorOptions&) const = default;
};

// "Update User Options": how visitors of the generated site may work with
// records. Works on the settings dialog's working values, never on the
// project itself.
class TVisitorOptionsF : public QDialog {
    Q_OBJECT
public:
    explicit TVisitorOptionsF(QWidget* parent = nullptr);

    // Radio group indexes.
    enum Mode { JoinMode = 0, LoginMode = 1 };

    // Sets the radio group ("Login" selects Login Mode, anything else Join
    // Mode) and the six check boxes; the mode rules apply when shown.
    void SetOptions(const TVisitorOptions& options);
    // The mode and permissions the controls show.
    TVisitorOptions Options() const;
    // Shows the dialog modally on `options` and takes the controls back on
    // OK. Returns true on OK; on Cancel `options` is untouched.
    bool Edit(TVisitorOptions& options);

    QButtonGroup* VisitorsOptionsR;
    QRadioButton* JoinModeRadio;
    QRadioButton* LoginModeRadio;
    QCheckBox* AllowSearchCh;
    QCheckBox* AllowAddModifyCh;
    QCheckBox* AllowDeleteCh;
    QCheckBox* AllowChangePasswordCh;
    QCheckBox* AllowSendPasswordCh;
    QCheckBox* OnlyMembersCanAddCh;
    QGroupBox* ExplBox;
    QPlainTextEdit* ExplainMemo;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

signals:
    // The mode the dialog shows, "Join" or "Login"; the settings dialog's
    // mode label follows it.
    void ModeShown(const QString& mode);

public slots:
    // Fixes and frees the permissions the selected mode rules over.
    void VisitorsOptionsRClick();
    // Escape, Cancel and the close button ask before changes are lost.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStringList shownState_; // the controls as the mode rules left them when shown
};
