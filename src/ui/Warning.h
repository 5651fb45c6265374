#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// A question the user must answer with "&Yes" or "&No"; nothing else closes
// it. "&No" has the focus so a stray Enter answers No, unless the caller
// knows Yes is the safe answer (nothing can be lost by it).
class TWarningF : public QDialog {
    Q_OBJECT
public:
    explicit TWarningF(QWidget* parent = nullptr);

    QLabel* WarningText;
    QPushButton* YesBtn;
    QPushButton* NoBtn;

    // Shows text modally; true for Yes. Enter answers Yes when yesByDefault.
    bool Ask(const QString& text, bool yesByDefault = false);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    bool yesByDefault_ = false;
};
