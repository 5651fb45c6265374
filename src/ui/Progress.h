#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of the long commands: a gauge, an information line and
// Cancel. Cancel only raises the cancel flag; the command looks at it between
// two steps.
class TProgressF : public QDialog {
    Q_OBJECT
public:
    explicit TProgressF(QWidget* parent = nullptr);

    QProgressBar* G1;
    QLabel* InfoLabel;
    QLabel* CanceledLabel; // "Process canceled, please wait..."
    QPushButton* CancelBtn;

    bool Cancelled() const { return cancelled_; }

public slots:
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {} // no Esc: only the command hides the window

private:
    bool cancelled_ = false;
};
