#include "SettingsFontDialog.h"

#include "EditGuard.h"
#include "Keyboard.h"
#include "SettingsColors.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QFontDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

using namespace SettingsUi;

TCounterFontDialog::TCounterFontDialog(const TCounterFont& font, QWidget* parent)
    : QDialog(parent), colour_(font.Color), initial_(font) {
    setWindowTitle(QStringLiteral("Font"));

    QFont initial = this->font();
    if (!font.Name.isEmpty())
        initial.setFamily(font.Name);
    if (font.Size > 0)
        initial.setPointSize(font.Size);
    initial.setBold(font.Bold);
    initial.setItalic(font.Italic);
    initial.setUnderline(font.Underline);
    initial.setStrikeOut(font.StrikeOut);

    // The toolkit's font chooser, embedded without its own buttons.
    fonts_ = new QFontDialog(this);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setSizeGripEnabled(false);
    fonts_->setCurrentFont(initial);
    shown_ = fonts_->currentFont();

    colourBtn_ = new QPushButton(QStringLiteral("&Color..."), this);
    connect(colourBtn_, &QPushButton::clicked, this, [this] {
        const QColor chosen =
            QColorDialog::getColor(ToQColor(colour_), this, QStringLiteral("Color"));
        if (chosen.isValid()) {
            colour_ = FromQColor(chosen);
            ShowColour();
        }
    });
    ShowColour();

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("C&ancel"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    auto* colourCaption = new QLabel(QStringLiteral("Color:"), this);
    colourCaption->setBuddy(colourBtn_);
    bottom->addWidget(colourCaption);
    bottom->addWidget(colourBtn_);
    bottom->addStretch(1);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_, 1);
    layout->addLayout(bottom);
    Keyboard::GiveMnemonics(*this);
}

void TCounterFontDialog::reject() {
    if (!(Font() == initial_) && !EditGuard::ConfirmDiscard(*this))
        return;
    QDialog::reject();
}

void TCounterFontDialog::ShowColour() {
    QPixmap swatch(16, 16);
    swatch.fill(ToQColor(colour_));
    colourBtn_->setIcon(QIcon(swatch));
}

TCounterFont TCounterFontDialog::Font() const {
    const QFont chosen = fonts_->currentFont();
    // A face or style this desktop lacks is shown as a substitute: when
    // nothing else was picked, the site keeps the font it names.
    if (chosen == shown_) {
        TCounterFont font = initial_;
        font.Color = colour_;
        return font;
    }
    TCounterFont font;
    font.Color = colour_;
    font.Name = chosen.family();
    font.Size = qRound(chosen.pointSizeF());
    font.Bold = chosen.bold();
    font.Italic = chosen.italic();
    font.Underline = chosen.underline();
    font.StrikeOut = chosen.strikeOut();
    return font;
}

bool TCounterFontDialog::Choose(QWidget* parent, TCounterFont& font) {
    TCounterFontDialog dialog(font, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = dialog.Font();
    return true;
}
