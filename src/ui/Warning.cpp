#include "Warning.h"

#include "Centring.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

TWarningF::TWarningF(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Warning"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    WarningText = new QLabel(this);
    WarningText->setWordWrap(true);
    WarningText->setMinimumWidth(340);
    YesBtn = new QPushButton(QStringLiteral("&Yes"), this);
    NoBtn = new QPushButton(QStringLiteral("&No"), this);
    YesBtn->setAutoDefault(false);
    NoBtn->setDefault(true);
    connect(YesBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(NoBtn, &QPushButton::clicked, this, [this] { done(Rejected); });

    auto* text = new QHBoxLayout;
    text->addWidget(icon);
    text->addSpacing(8);
    text->addWidget(WarningText, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(YesBtn);
    buttons->addWidget(NoBtn);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(text);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

bool TWarningF::Ask(const QString& text, bool yesByDefault) {
    yesByDefault_ = yesByDefault;
    QPushButton* preferred = yesByDefault ? YesBtn : NoBtn;
    QPushButton* other = yesByDefault ? NoBtn : YesBtn;
    other->setDefault(false);
    other->setAutoDefault(false);
    preferred->setAutoDefault(true);
    preferred->setDefault(true);
    WarningText->setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    adjustSize();
    return exec() == Accepted;
}

void TWarningF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    (yesByDefault_ ? YesBtn : NoBtn)->setFocus();
}

void TWarningF::closeEvent(QCloseEvent* event) {
    event->ignore();
}
