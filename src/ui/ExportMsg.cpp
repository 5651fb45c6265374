#include "ExportMsg.h"

#include "Centring.h"
#include "Keyboard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

TExportMsgF::TExportMsgF(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    Msg = new QLabel(this);
    Msg->setWordWrap(true);
    Msg->setMinimumWidth(380);
    ReplaceBtn = new QPushButton(QStringLiteral("Replace all records"), this);
    AppendBtn = new QPushButton(QStringLiteral("Append records"), this);
    ReplaceBtn->setAutoDefault(false);
    AppendBtn->setDefault(true);
    connect(ReplaceBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(AppendBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* text = new QHBoxLayout;
    text->addWidget(icon);
    text->addSpacing(8);
    text->addWidget(Msg, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ReplaceBtn);
    buttons->addWidget(AppendBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(text);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    Keyboard::GiveMnemonics(*this);
}

void TExportMsgF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    AppendBtn->setFocus();
}
