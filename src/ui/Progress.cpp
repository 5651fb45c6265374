#include "Progress.h"

#include "Centring.h"
#include "Keyboard.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TProgressF::TProgressF(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Status"));
    G1 = new QProgressBar(this);
    G1->setTextVisible(false);
    InfoLabel = new QLabel(this);
    InfoLabel->setMinimumWidth(380);
    CanceledLabel = new QLabel(QStringLiteral("Process canceled, please wait..."), this);
    QFont bold = CanceledLabel->font();
    bold.setBold(true);
    CanceledLabel->setFont(bold);
    CanceledLabel->hide();
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    connect(CancelBtn, &QPushButton::clicked, this, &TProgressF::CancelBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CanceledLabel);
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addWidget(G1);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Keyboard::GiveMnemonics(*this);
}

void TProgressF::CancelBtnClick() {
    cancelled_ = true;
    CanceledLabel->show();
}

void TProgressF::showEvent(QShowEvent* event) {
    cancelled_ = false;
    CanceledLabel->hide();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

void TProgressF::closeEvent(QCloseEvent* event) {
    event->ignore();
}
