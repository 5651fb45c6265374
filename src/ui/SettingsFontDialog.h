#pragma once

#include "Settings.h"

#include <QDialog>
#include <QFont>

class QFontDialog;
class QPushButton;

// A font chooser that also picks the font's colour, as the counter fonts
// need both.
class TCounterFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCounterFontDialog(const TCounterFont& font, QWidget* parent = nullptr);

    TCounterFont Font() const;

    // Shows the chooser on `font`; on OK `font` takes the choice and true is
    // returned.
    static bool Choose(QWidget* parent, TCounterFont& font);

public slots:
    // Escape, Cancel and the close button ask before a choice is lost.
    void reject() override;

private:
    void ShowColour();

    QFontDialog* fonts_;
    QPushButton* colourBtn_;
    qint32 colour_;
    TCounterFont initial_; // the font as the project stores it
    QFont shown_;          // how the chooser first showed it
};
