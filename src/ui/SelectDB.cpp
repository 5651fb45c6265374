#include "SelectDB.h"

#include "Centring.h"
#include "Keyboard.h"
#include "deploy/UserPort.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kSelectFirst = QStringLiteral("Please select a Database!");
}

TSelectDBF::TSelectDBF(const QStringList& names, TUserPort& port, QWidget* parent)
    : QDialog(parent), port_(port) {
    setWindowTitle(QStringLiteral("Existing Databases"));
    TableList = new QListWidget(this);
    OKBtn = new QPushButton(QStringLiteral("&OK"), this);
    OpenBtn = new QPushButton(QStringLiteral("O&pen"), this);
    RemoveBtn = new QPushButton(QStringLiteral("&Remove"), this);
    CloseBtn = new QPushButton(QStringLiteral("&Close"), this);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(OpenBtn, &QPushButton::clicked, this, &TSelectDBF::OpenBtnClick);
    connect(RemoveBtn, &QPushButton::clicked, this, &TSelectDBF::RemoveBtnClick);
    // A double click, and Enter on a name, open it.
    connect(TableList, &QListWidget::itemActivated, this, [this] {
        if (!SelectedName().isEmpty())
            accept();
    });

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {OKBtn, OpenBtn, RemoveBtn, CloseBtn})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(TableList, 1);
    layout->addLayout(buttons);
    resize(380, 280);
    SetNames(names);
    Keyboard::GiveMnemonics(*this);
}

void TSelectDBF::SetNames(const QStringList& names) {
    TableList->clear();
    TableList->addItems(names);
    // An empty list has nothing to open or remove.
    for (QPushButton* button : {OKBtn, OpenBtn, RemoveBtn})
        button->setEnabled(!names.isEmpty());
    CloseBtn->setDefault(names.isEmpty());
    // The first name is chosen, so Enter opens it at once.
    if (!names.isEmpty())
        TableList->setCurrentRow(0);
}

QString TSelectDBF::SelectedName() const {
    const QListWidgetItem* item = TableList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void TSelectDBF::OpenBtnClick() {
    if (SelectedName().isEmpty())
        port_.ShowMessage(kSelectFirst);
    else
        accept();
}

void TSelectDBF::RemoveBtnClick() {
    const QString name = SelectedName();
    if (name.isEmpty()) {
        port_.ShowMessage(kSelectFirst);
        return;
    }
    setEnabled(false);
    try {
        if (RemoveDatabase)
            RemoveDatabase(name);
        if (ListDatabases)
            SetNames(ListDatabases());
    } catch (const std::exception& e) {
        port_.ShowError(QString::fromUtf8(e.what()));
    }
    setEnabled(true);
}

void TSelectDBF::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    TableList->setFocus();
}
