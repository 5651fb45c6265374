#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether an export replaces the records on the server or appends to
// them. "Append records" is the default and also what closing the window
// means: it never destroys records the user did not choose to replace.
class TExportMsgF : public QDialog {
    Q_OBJECT
public:
    explicit TExportMsgF(QWidget* parent = nullptr);

    QLabel* Msg;
    QPushButton* ReplaceBtn; // result Accepted
    QPushButton* AppendBtn;  // result Rejected

protected:
    void showEvent(QShowEvent* event) override;
};
