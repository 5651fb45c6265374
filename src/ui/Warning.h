#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// A question the user must answer with "&Yes" or "&No"; nothing else closes
// it, and "&No" has the focus so a stray Enter answers No.
class TWarningF : public QDialog {
    Q_OBJECT
public:
    explicit TWarningF(QWidget* parent = nullptr);

    QLabel* WarningText;
    QPushButton* YesBtn;
    QPushButton* NoBtn;

    // Shows text modally; true for Yes.
    bool Ask(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}
};
