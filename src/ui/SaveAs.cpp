#include "SaveAs.h"

#include "Centring.h"
#include "EditGuard.h"
#include "Keyboard.h"
#include "TitleFit.h"
#include "deploy/UserPort.h"
#include "model/ProjectCheck.h"
#include "model/ProjectStore.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSaveAsF::TSaveAsF(const TStore& store, TUserPort& port, QWidget* parent)
    : QDialog(parent), store_(store), port_(port) {
    setWindowTitle(QStringLiteral("Create New Database..."));
    auto* label = new QLabel(QStringLiteral("&Name of the database:"), this);
    DbName = new QLineEdit(this);
    DbName->setMinimumWidth(300);
    label->setBuddy(DbName);
    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TSaveAsF::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(DbName);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(*this);
    Keyboard::GiveMnemonics(*this);
}

void TSaveAsF::reject() {
    // The box is empty when the dialog shows: a typed name is an edit.
    if (!DbName->text().isEmpty() && !port_.AskYesNo(EditGuard::DiscardQuestion))
        return;
    QDialog::reject();
}

QString TSaveAsF::EnteredName() const {
    return DbName->text();
}

void TSaveAsF::OKBtnClick() {
    const QString name = EnteredName();
    if (name.trimmed().isEmpty()) {
        // Refused with a word, so the user knows why nothing happens.
        port_.ShowMessage(QStringLiteral("Please enter a name for the database."));
        DbName->setFocus();
        return;
    }
    try {
        if (const TDefinitionCheck problem = CheckProjectName(name, ProjectStore::List(store_))) {
            port_.ShowWarning(problem->Message);
            DbName->setFocus();
            return;
        }
        if (ProjectStore::Exists(store_, name) &&
            port_.Confirm(QStringLiteral("Database already present. Overwrite it?"),
                          TConfirmButtons::OKCancel) != TAnswer::OK)
            return;
    } catch (const TStoreError& e) {
        port_.ShowError(e.message());
        return;
    }
    accept();
}

void TSaveAsF::showEvent(QShowEvent* event) {
    DbName->clear();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    DbName->setFocus();
}
