#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The explanation window of the "?" buttons: a title panel and a text, both
// set by the caller, and "Close". Created once and shown modally.
class THowTosF : public QDialog {
    Q_OBJECT
public:
    explicit THowTosF(QWidget* parent = nullptr);

    QLabel* HTTitel;
    QLabel* HowtoText;
    QPushButton* CloseBtn;

    // Fills title and text.
    void SetExplanation(const QString& title, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
};
