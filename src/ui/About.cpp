#include "About.h"

#include "Centring.h"
#include "Icons.h"
#include "Keyboard.h"
#include "model/Version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutF::TAboutF(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Corvanta"));
    ProductName = new QLabel(QStringLiteral("Corvanta Generator"), this);
    QFont big = ProductName->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 6);
    ProductName->setFont(big);
    Version = new QLabel(this);
    auto* blurb = new QLabel(QStringLiteral("Database web sites in PHP and MySQL, made from a "
                                            "table you define, without writing code."),
                             this);
    blurb->setWordWrap(true);
    License =
        new QLabel(QStringLiteral("Free software under the GNU General Public License, version "
                                  "3 or later (%1), with no warranty.")
                       .arg(ProgramLicense()),
                   this);
    License->setWordWrap(true);
    blurb->setMinimumWidth(320);
    WebLink = new QLabel(QStringLiteral("<a href=\"%1\">Corvanta User Manual</a>").arg(ManualTopic),
                         this);
    connect(WebLink, &QLabel::linkActivated, this, &TAboutF::HelpRequested);
    CloseBtn = new QPushButton(QStringLiteral("&Close"), this);
    CloseBtn->setDefault(true);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* logo = new QLabel(this);
    logo->setPixmap(ToolIcon(TToolIcon::Generate).pixmap(48, 48));
    logo->setAlignment(Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->addWidget(ProductName);
    text->addWidget(Version);
    text->addSpacing(8);
    text->addWidget(blurb);
    text->addWidget(License);
    text->addWidget(WebLink);
    auto* top = new QHBoxLayout;
    top->addWidget(logo);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 12);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setMinimumWidth(400);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Keyboard::GiveMnemonics(*this);
}

void TAboutF::showEvent(QShowEvent* event) {
    Version->setText(QStringLiteral("Version: ") + ProgramVersion());
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
