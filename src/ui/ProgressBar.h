#pragma once

#include <QDialog>

class QLabel;

// The wait window: one line of text, shown without a modal loop while a long
// step runs, hidden afterwards. It has no title-bar buttons.
class TProgressBarF : public QDialog {
    Q_OBJECT
public:
    explicit TProgressBarF(QWidget* parent = nullptr);

    QLabel* ProgressLabel;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}
};
