#include "RemoveDB.h"

#include "Centring.h"
#include "deploy/UserPort.h"

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

    BothBtn = new QPushButton(QStringLiteral("Setting && Server"), this);
    SettingsBtn = new QPushButton(QStringLiteral("Settings Only"), this);
    ServerBtn = new QPushButton(QStringLiteral("Server Only"), this);
    DownloadBtn =
        new QPushButton(QStringLiteral("Download records from server to my PC now !"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
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

    auto* attention = new QLabel(QStringLiteral("Attantion !"), this);
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
}

void TRemoveDBF::SetServerRemovalPossible(bool possible) {
    serverPossible_ = possible;
    BothBtn->setEnabled(possible);
    ServerBtn->setEnabled(possible);
}

void TRemoveDBF::choose(const QString& text, bool settings, bool server) {
    if (!port_.AskQuestion(text))
        return;
    removeSettings_ = settings;
    removeServer_ = server;
    downloadFirst_ = false;
    accept();
}

void TRemoveDBF::BothBtnClick() {
    if (!serverPossible_)
        return;
    choose(QStringLiteral("Do you really want remove all settings from your PC and all sites "
                          "and records from the server? All data will be lost !"),
           true, true);
}

void TRemoveDBF::SettingsBtnClick() {
    choose(QStringLiteral("Do you really want remove the Database from your PC ?"), true, false);
}

void TRemoveDBF::ServerBtnClick() {
    if (!serverPossible_)
        return;
    choose(QStringLiteral("Do you really want remove the Database from Server ? All sites and "
                          "all records will be removed!"),
           false, true);
}

void TRemoveDBF::DownloadBtnClick() {
    removeSettings_ = false;
    removeServer_ = false;
    downloadFirst_ = true;
    accept();
}

void TRemoveDBF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
