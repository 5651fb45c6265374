#include "HowTos.h"

#include "Centring.h"
#include "Keyboard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

THowTosF::THowTosF(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("How to"));
    HTTitel = new QLabel(this);
    HTTitel->setObjectName(QStringLiteral("HTTitel"));
    QFont bold = HTTitel->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 1);
    HTTitel->setFont(bold);
    HTTitel->setAutoFillBackground(true);
    HTTitel->setContentsMargins(10, 8, 10, 8);
    QPalette colours = HTTitel->palette();
    colours.setColor(QPalette::Window, QColor(0x00, 0x00, 0x80));
    colours.setColor(QPalette::WindowText, palette().color(QPalette::ToolTipBase));
    HTTitel->setPalette(colours);

    HowtoText = new QLabel(this);
    HowtoText->setObjectName(QStringLiteral("HowtoText"));
    HowtoText->setWordWrap(true);
    HowtoText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    HowtoText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    HowtoText->setContentsMargins(10, 10, 10, 10);
    HowtoText->setMinimumWidth(380);

    CloseBtn = new QPushButton(QStringLiteral("&Close"), this);
    CloseBtn->setDefault(true);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(HTTitel);
    layout->addWidget(HowtoText, 1);
    buttons->setContentsMargins(10, 0, 10, 0);
    layout->addLayout(buttons);
    Keyboard::GiveMnemonics(*this);
}

void THowTosF::SetExplanation(const QString& title, const QString& text) {
    HTTitel->setText(title);
    HowtoText->setText(text);
}

void THowTosF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
