// The main window's file, field, settings and help commands.
#include "Main.h"

#include "FieldDetails.h"
#include "FieldGrid.h"
#include "SaveAs.h"
#include "SelectDB.h"
#include "Settings.h"
#include "Steps.h"
#include "deploy/UserPort.h"
#include "model/Convert.h"
#include "model/ProjectStore.h"

#include <QAction>
#include <QPushButton>

void TMainF::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const EConvertError& e) {
        port_->ShowError(e.message());
    } catch (const TStoreError& e) {
        port_->ShowError(e.message());
    } catch (const std::exception& e) {
        port_->ShowError(QString::fromLocal8Bit(e.what()));
    }
}

// --- Fields

void TMainF::FieldCreateAExecute() {
    guarded([this] {
        TFieldDetailsF dialog(*port_, this);
        dialog.setWindowTitle(QStringLiteral("Create new field"));
        dialog.SetProject(table_, 0);
        if (RunDialog(dialog) != QDialog::Accepted)
            return;
        if (table_.AddField(dialog.Field())) {
            fillGrid();
            SetChanged(true);
        }
    });
}

void TMainF::FieldModifyAExecute() {
    guarded([this] {
        const int n = FieldGrid->Row();
        const TBField* field = table_.FieldBySeqNo(n);
        if (!field)
            return;
        TFieldDetailsF dialog(*port_, this);
        dialog.setWindowTitle(QStringLiteral("Modify field"));
        dialog.SetField(*field);
        dialog.SetProject(table_, n);
        if (RunDialog(dialog) != QDialog::Accepted || !dialog.Changed())
            return;
        if (table_.ModifyField(n, dialog.Field())) {
            fillGrid();
            SetChanged(true);
        }
    });
}

void TMainF::FieldDeleteAExecute() {
    guarded([this] {
        const int n = FieldGrid->Row();
        const TBField* field = table_.FieldBySeqNo(n);
        const QString name = field ? field->Name : QString();
        // No is the default: a stray Enter keeps the field.
        const bool deleted = table_.DeleteField(n, [this, &name] {
            return port_->AskYesNo(
                QStringLiteral("Are you sure you want to delete the field \"%1\"?").arg(name));
        });
        if (deleted) {
            fillGrid();
            SetChanged(true);
        }
    });
}

void TMainF::FieldUpAExecute() {
    const int n = FieldGrid->Row();
    if (table_.FieldUp(n)) {
        fillGrid();
        SetChanged(true);
        FieldGrid->SetRow(n - 1);
    }
}

void TMainF::FieldDownAExecute() {
    const int n = FieldGrid->Row();
    if (table_.FieldDown(n)) {
        fillGrid();
        SetChanged(true);
        FieldGrid->SetRow(n + 1);
    }
}

// --- Projects

bool TMainF::saveProject() {
    if (table_.DbName.isEmpty()) {
        TSaveAsF dialog(store_, *port_, this);
        if (RunDialog(dialog) != QDialog::Accepted)
            return false;
        table_.DbName = dialog.EnteredName();
        showProjectName();
    }
    ProjectStore::Save(store_, table_);
    SetChanged(false);
    return true;
}

bool TMainF::saveChangesFirst(bool* declined) {
    if (!Changed())
        return true;
    const TAnswer answer = port_->Confirm(QStringLiteral("Save changes of current Database?"));
    if (answer == TAnswer::Cancel)
        return false;
    if (answer == TAnswer::Yes) {
        SaveAExecute();
        // Going on after a save that did not happen would drop the changes.
        return !Changed();
    }
    if (declined)
        *declined = true;
    return true;
}

void TMainF::SaveAExecute() {
    guarded([this] { saveProject(); });
}

void TMainF::SaveAsAExecute() {
    guarded([this] {
        TSaveAsF dialog(store_, *port_, this);
        if (RunDialog(dialog) != QDialog::Accepted)
            return;
        table_.DbName = dialog.EnteredName();
        showProjectName();
        ProjectStore::Save(store_, table_);
        SetChanged(false);
    });
}

void TMainF::NewAExecute() {
    guarded([this] {
        if (!saveChangesFirst())
            return;
        table_ = TBTable::New();
        SetChanged(false);
        fillGrid();
        showProjectName();
    });
}

void TMainF::OpenAExecute() {
    guarded([this] {
        const QStringList names = ProjectStore::List(store_);
        if (names.isEmpty()) {
            port_->ShowInformation(QStringLiteral("No Database found."));
            return;
        }
        TSelectDBF dialog(names, *port_, this);
        dialog.OpenBtn->hide();
        dialog.RemoveBtn->hide();
        if (RunDialog(dialog) != QDialog::Accepted)
            return;
        const QString name = dialog.SelectedName();
        if (name.isEmpty() || !saveChangesFirst())
            return;
        TBTable loaded = ProjectStore::Load(store_, name);
        table_ = std::move(loaded);
        SetChanged(false);
        fillGrid();
        showProjectName();
    });
}

void TMainF::BackAExecute() {
    result_ = ResultBack;
    close();
}

void TMainF::ExitAExecute() {
    result_ = ResultExit;
    if (!close())
        result_ = ResultBack;
}

// --- Settings

void TMainF::SettingsAExecute() {
    OpenSettingsOnPage(-1);
}

bool TMainF::OpenSettingsOnPage(int page) {
    bool changed = false;
    try {
        if (page >= 0)
            Settings->SelectPage(page);
        changed = EditSettings(*Settings, table_);
    } catch (const EConvertError& e) {
        // The values taken back before the bad number keep their new values,
        // so the project has changed all the same.
        changed = true;
        port_->ShowError(e.message());
    }
    if (changed)
        SetChanged(true);
    return changed;
}
