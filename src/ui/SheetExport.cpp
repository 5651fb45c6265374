#include "SheetExport.h"

#include "Centring.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TSheetExportF::TSheetExportF(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export to spreadsheet"));
    FileEdit = new QLineEdit(this);
    FileEdit->setMinimumWidth(320);
    BrowseBtn = new QPushButton(QStringLiteral("&Browse..."), this);
    XlsxRadio = new QRadioButton(
        QStringLiteral("&Workbook (XLSX): numbers, dates and Yes/No as the spreadsheet's own"),
        this);
    CsvRadio = new QRadioButton(
        QStringLiteral("&CSV (UTF-8): for sending back after editing, dates as 2026-12-08"), this);
    XlsxRadio->setChecked(true);
    NoticeLabel = new QLabel(
        QStringLiteral("The spreadsheet holds the records' values only. Members, record owners "
                       "and field locks are not in it: Import from Database keeps them in the "
                       "records files. Pictures are saved as files in a folder beside the "
                       "spreadsheet, named by record number and field."),
        this);
    NoticeLabel->setWordWrap(true);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    OKBtn->setDefault(true);
    connect(BrowseBtn, &QPushButton::clicked, this, &TSheetExportF::BrowseBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TSheetExportF::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this,
            [this] { emit HelpRequested(QStringLiteral("Spreadsheets.htm")); });
    // The name follows the format chosen.
    connect(XlsxRadio, &QRadioButton::toggled, this, [this] {
        if (!FileEdit->text().trimmed().isEmpty())
            FileEdit->setText(Path());
    });

    auto* file = new QHBoxLayout;
    auto* fileLabel = new QLabel(QStringLiteral("&File:"), this);
    fileLabel->setBuddy(FileEdit);
    file->addWidget(fileLabel);
    file->addWidget(FileEdit, 1);
    file->addWidget(BrowseBtn);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(file);
    layout->addWidget(XlsxRadio);
    layout->addWidget(CsvRadio);
    layout->addSpacing(8);
    layout->addWidget(NoticeLabel);
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

void TSheetExportF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

QString TSheetExportF::Path() const {
    QString path = FileEdit->text().trimmed();
    if (path.isEmpty())
        return path;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QString wanted = XlsxRadio->isChecked() ? QStringLiteral("xlsx") : QStringLiteral("csv");
    if (suffix == wanted)
        return path;
    if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("csv"))
        path.chop(suffix.size() + 1);
    return path + u'.' + wanted;
}

void TSheetExportF::BrowseBtnClick() {
    const bool xlsx = XlsxRadio->isChecked();
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save spreadsheet"), Path(),
        xlsx ? QStringLiteral("Workbooks (*.xlsx)") : QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        FileEdit->setText(path);
    FileEdit->setText(Path());
}

void TSheetExportF::OKBtnClick() {
    if (Path().isEmpty()) {
        FileEdit->setFocus();
        return;
    }
    FileEdit->setText(Path());
    accept();
}
