#include "RemoveDB.h"

#include "Centring.h"
#include "Keyboard.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* explanation(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setMinimumWidth(300);
    return label;
}

} // namespace

TRemoveDBF::TRemoveDBF(TUserPort& port, QWidget* parent) : QDialog(parent), port_(port) {
    setWindowTitle(QStringLiteral("Remove Database"));
    auto* heading = new QLabel(QStringLiteral("Remove Database from"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    heading->setFont(bold);
    DatabaseName = new QLabel(this);
    DatabaseName->setObjectName(QStringLiteral("DatabaseName"));

    BothBtn = new QPushButton(RemoveChoiceCaption(TRemoveChoice::SettingsAndServer), this);
    SettingsBtn = new QPushButton(RemoveChoiceCaption(TRemoveChoice::SettingsOnly), this);
    ServerBtn = new QPushButton(RemoveChoiceCaption(TRemoveChoice::ServerOnly), this);
    DownloadBtn = new QPushButton(RemoveChoiceCaption(TRemoveChoice::DownloadFirst), this);
    CancelBtn = new QPushButton(RemoveChoiceCaption(TRemoveChoice::Cancel), this);
    for (QPushButton* button : {BothBtn, SettingsBtn, ServerBtn, DownloadBtn, CancelBtn})
        button->setAutoDefault(false);
    CancelBtn->setDefault(true);

    auto* choices = new QGridLayout;
    choices->setHorizontalSpacing(14);
    choices->setVerticalSpacing(10);
    choices->addWidget(BothBtn, 0, 0);
    choices->addWidget(
        explanation(QStringLiteral("Removes the project from this computer, and the site with "
                                   "its tables and records from the server."),
                    this),
        0, 1);
    choices->addWidget(SettingsBtn, 1, 0);
    choices->addWidget(
        explanation(QStringLiteral("Removes the project and its generated files from this "
                                   "computer. The site on the server keeps working."),
                    this),
        1, 1);
    choices->addWidget(ServerBtn, 2, 0);
    choices->addWidget(
        explanation(QStringLiteral("Removes the site, its tables and records from the server. "
                                   "The project stays on this computer."),
                    this),
        2, 1);
    choices->setColumnStretch(1, 1);

    auto* attention = new QLabel(QStringLiteral("Attention!"), this);
    attention->setFont(bold);
    QPalette red = attention->palette();
    red.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
    attention->setPalette(red);
    auto* reminder = explanation(QStringLiteral("Records removed from the server are lost. "
                                                "Download them to your computer first."),
                                 this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(DownloadBtn);
    bottom->addStretch();
    bottom->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addWidget(heading);
    layout->addWidget(DatabaseName);
    layout->addSpacing(6);
    layout->addLayout(choices);
    layout->addSpacing(10);
    layout->addWidget(attention);
    layout->addWidget(reminder);
    layout->addSpacing(8);
    layout->addLayout(bottom);

    connect(BothBtn, &QPushButton::clicked, this, &TRemoveDBF::BothBtnClick);
    connect(SettingsBtn, &QPushButton::clicked, this, &TRemoveDBF::SettingsBtnClick);
    connect(ServerBtn, &QPushButton::clicked, this, &TRemoveDBF::ServerBtnClick);
    connect(DownloadBtn, &QPushButton::clicked, this, &TRemoveDBF::DownloadBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    SetServerRemovalPossible(false);
    Keyboard::GiveMnemonics(*this);
}

void TRemoveDBF::SetServerRemovalPossible(bool possible) {
    serverPossible_ = possible;
    BothBtn->setEnabled(possible);
    ServerBtn->setEnabled(possible);
}

void TRemoveDBF::SetDatabaseName(const QString& name) {
    DatabaseName->setText(QStringLiteral("Database: ") + name);
}

bool TRemoveDBF::RemoveSettings() const {
    const TRemoveChoice c = Choice();
    return c == TRemoveChoice::SettingsAndServer || c == TRemoveChoice::SettingsOnly;
}

bool TRemoveDBF::RemoveServer() const {
    const TRemoveChoice c = Choice();
    return c == TRemoveChoice::SettingsAndServer || c == TRemoveChoice::ServerOnly;
}

void TRemoveDBF::choose(TRemoveChoice choice) {
    const QString confirmation = RemoveConfirmation(choice);
    if (!confirmation.isEmpty() && !port_.AskQuestion(confirmation))
        return;
    choice_ = choice;
    accept();
}

void TRemoveDBF::BothBtnClick() {
    if (serverPossible_)
        choose(TRemoveChoice::SettingsAndServer);
}

void TRemoveDBF::SettingsBtnClick() {
    choose(TRemoveChoice::SettingsOnly);
}

void TRemoveDBF::ServerBtnClick() {
    if (serverPossible_)
        choose(TRemoveChoice::ServerOnly);
}

void TRemoveDBF::DownloadBtnClick() {
    choose(TRemoveChoice::DownloadFirst);
}

TRemoveChoice TRemoveDBF::Ask(TUserPort& port, QWidget* parent, const QString& name,
                              bool serverPossible) {
    TRemoveDBF dialog(port, parent);
    dialog.SetDatabaseName(name);
    dialog.SetServerRemovalPossible(serverPossible);
    dialog.exec();
    return dialog.Choice();
}

void TRemoveDBF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
