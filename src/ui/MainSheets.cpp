// Tools -> Import from spreadsheet / Export to spreadsheet: the windows
// choose the file and show what will be sent; the record Import and Export
// commands do the rest.
#include "Main.h"

#include "SheetExport.h"
#include "SheetImport.h"
#include "deploy/SheetRecords.h"
#include "deploy/Deployment.h"
#include "deploy/UserPort.h"

#include <QAction>

void TMainF::createSheetActions() {
    SheetImportA = new QAction(QStringLiteral("Import from s&preadsheet..."), this);
    SheetImportA->setStatusTip(QStringLiteral("Send the rows of a CSV spreadsheet to the site"));
    connect(SheetImportA, &QAction::triggered, this, &TMainF::SheetImportAExecute);
    SheetExportA = new QAction(QStringLiteral("Export to sp&readsheet..."), this);
    SheetExportA->setStatusTip(
        QStringLiteral("Take the site's records out as a CSV file or a workbook"));
    connect(SheetExportA, &QAction::triggered, this, &TMainF::SheetExportAExecute);
}

void TMainF::SheetImportAExecute() {
    guarded([this] {
        if (Changed()) {
            port_->ShowWarning(QStringLiteral("Save the database first."));
            return;
        }
        TSheetImportF dialog(table_, *port_, this);
        connect(&dialog, &TSheetImportF::HelpRequested, this, &TMainF::ShowHelp);
        if (RunDialog(dialog) != QDialog::Accepted)
            return;
        deploy_->ExportSheet(table_, Changed(), dialog.Files(), dialog.Hold(),
                             dialog.Sheet()->RefusalNamer());
    });
}

void TMainF::SheetExportAExecute() {
    guarded([this] {
        if (Changed()) {
            port_->ShowWarning(QStringLiteral("Save the database first."));
            return;
        }
        TSheetExportF dialog(this);
        connect(&dialog, &TSheetExportF::HelpRequested, this, &TMainF::ShowHelp);
        if (RunDialog(dialog) != QDialog::Accepted || dialog.Path().isEmpty())
            return;
        deploy_->ImportSheet(table_, Changed(), dialog.Path());
    });
}
