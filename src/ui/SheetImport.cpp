#include "SheetImport.h"

#include "Centring.h"
#include "deploy/SheetRecords.h"
#include "deploy/UserPort.h"
#include "model/Table.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

const QColor kRefused(255, 205, 205);

} // namespace

TSheetImportF::TSheetImportF(const TBTable& t, TUserPort& port, QWidget* parent)
    : QDialog(parent), table_(t), port_(port) {
    setWindowTitle(QStringLiteral("Import from spreadsheet"));
    FileEdit = new QLineEdit(this);
    BrowseBtn = new QPushButton(QStringLiteral("&Browse..."), this);
    EncodingCombo = new QComboBox(this);
    EncodingCombo->addItems({QStringLiteral("Found by itself"), QStringLiteral("UTF-8"),
                             QStringLiteral("UTF-16LE"), QStringLiteral("UTF-16BE"),
                             QStringLiteral("Windows-1252")});
    DelimiterCombo = new QComboBox(this);
    DelimiterCombo->addItems({QStringLiteral("Found by itself"), QStringLiteral("Comma"),
                              QStringLiteral("Semicolon"), QStringLiteral("Tab")});
    DecimalCommaCh = new QCheckBox(QStringLiteral("Numbers have a decimal &comma"), this);
    MappingGrid = new QTableWidget(0, 2, this);
    MappingGrid->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("Field")});
    MappingGrid->horizontalHeader()->setStretchLastSection(true);
    MappingGrid->verticalHeader()->hide();
    MappingGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MappingGrid->setMaximumWidth(340);
    PreviewGrid = new QTableWidget(this);
    PreviewGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SummaryLabel = new QLabel(this);
    SummaryLabel->setWordWrap(true);
    RefusalsMemo = new QPlainTextEdit(this);
    RefusalsMemo->setReadOnly(true);
    RefusalsMemo->setMaximumHeight(90);
    auto* notice = new QLabel(
        QStringLiteral("A spreadsheet holds the records' values only. Sent records have no "
                       "owner and every field open to its member; the site's members stay as "
                       "they are. Records files keep owners and field locks."),
        this);
    notice->setWordWrap(true);
    SendBtn = new QPushButton(QStringLiteral("&Send to the site..."), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    SendBtn->setEnabled(false);
    SendBtn->setDefault(true);

    connect(BrowseBtn, &QPushButton::clicked, this, &TSheetImportF::BrowseBtnClick);
    connect(FileEdit, &QLineEdit::editingFinished, this, [this] {
        if (!sheet_ || FileEdit->text() != windowFilePath())
            reload(false);
    });
    for (QComboBox* combo : {EncodingCombo, DelimiterCombo})
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { reload(false); });
    connect(DecimalCommaCh, &QCheckBox::toggled, this, [this] {
        if (filling_)
            return;
        DecimalCommaCh->setProperty("set", true);
        reload(false);
    });
    connect(SendBtn, &QPushButton::clicked, this, &TSheetImportF::SendBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this,
            [this] { emit HelpRequested(QStringLiteral("Spreadsheets.htm")); });

    auto* file = new QHBoxLayout;
    file->addWidget(new QLabel(QStringLiteral("Spreadsheet (CSV):"), this));
    file->addWidget(FileEdit, 1);
    file->addWidget(BrowseBtn);
    auto* options = new QHBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("Encoding:"), this));
    options->addWidget(EncodingCombo);
    options->addSpacing(12);
    options->addWidget(new QLabel(QStringLiteral("Values separated by:"), this));
    options->addWidget(DelimiterCombo);
    options->addSpacing(12);
    options->addWidget(DecimalCommaCh);
    options->addStretch();
    auto* grids = new QHBoxLayout;
    grids->addWidget(MappingGrid);
    grids->addWidget(PreviewGrid, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch();
    buttons->addWidget(SendBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(file);
    layout->addLayout(options);
    layout->addWidget(notice);
    layout->addLayout(grids, 1);
    layout->addWidget(SummaryLabel);
    layout->addWidget(RefusalsMemo);
    layout->addLayout(buttons);
    resize(960, 600);
}

TSheetImportF::~TSheetImportF() = default;

void TSheetImportF::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

void TSheetImportF::BrowseBtnClick() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open spreadsheet"), FileEdit->text(),
        QStringLiteral("CSV files (*.csv *.txt *.tsv);;All files (*)"));
    if (!path.isEmpty())
        Load(path);
}

void TSheetImportF::Load(const QString& path) {
    FileEdit->setText(path);
    reload(false);
}

void TSheetImportF::reload(bool keepMapping) {
    if (filling_)
        return;
    const QString path = FileEdit->text().trimmed();
    setWindowFilePath(path);
    SendBtn->setEnabled(false);
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    if (!keepMapping || !sheet_) {
        TSheetOptions options;
        const int encoding = EncodingCombo->currentIndex();
        if (encoding > 0)
            options.Csv.Encoding =
                std::array{TCsvEncoding::Utf8, TCsvEncoding::Utf16LE, TCsvEncoding::Utf16BE,
                           TCsvEncoding::Windows1252}[encoding - 1];
        const int delimiter = DelimiterCombo->currentIndex();
        if (delimiter > 0)
            options.Csv.Delimiter = QStringLiteral(",;\t")[delimiter - 1];
        // The box follows the file until the user sets it.
        if (DecimalCommaCh->property("set").toBool())
            options.DecimalComma = DecimalCommaCh->isChecked();
        auto sheet = std::make_unique<TSheetRecords>(table_);
        if (sheet->Open(path, options))
            sheet_ = std::move(sheet);
        else
            error = sheet->Error();
    }
    if (error.isEmpty() && !sheet_->Convert({}, kPreviewRows))
        error = sheet_->Error();
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty()) {
        sheet_.reset();
        MappingGrid->setRowCount(0);
        PreviewGrid->clear();
        PreviewGrid->setRowCount(0);
        PreviewGrid->setColumnCount(0);
        SummaryLabel->setText(error);
        RefusalsMemo->clear();
        return;
    }
    filling_ = true;
    DecimalCommaCh->setChecked(sheet_->DecimalComma());
    filling_ = false;
    showMapping();
    showPreview();
}

void TSheetImportF::showMapping() {
    const TSheetMapping& m = sheet_->Mapping();
    MappingGrid->setRowCount(int(m.Columns().size()));
    for (int c = 0; c < m.Columns().size(); ++c) {
        MappingGrid->setItem(c, 0, new QTableWidgetItem(m.Columns()[c]));
        auto* combo = new QComboBox(MappingGrid);
        combo->addItem(QStringLiteral("(not sent)"), -1);
        for (int value : m.Fillable())
            combo->addItem(m.ValueLabel(value), value);
        combo->setCurrentIndex(combo->findData(m.ValueOf(c)));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, c, combo] {
            sheet_->Mapping().Set(c, combo->currentData().toInt());
            reload(true);
        });
        MappingGrid->setCellWidget(c, 1, combo);
    }
    MappingGrid->resizeColumnToContents(0);
}

void TSheetImportF::showPreview() {
    const TSheetMapping& m = sheet_->Mapping();
    // A change of mapping moves values between fields: the boxes follow.
    for (int c = 0; c < MappingGrid->rowCount(); ++c)
        if (auto* combo = qobject_cast<QComboBox*>(MappingGrid->cellWidget(c, 1))) {
            const QSignalBlocker quiet(combo);
            combo->setCurrentIndex(combo->findData(m.ValueOf(c)));
        }
    QStringList headers;
    for (int value : m.Fillable()) {
        const int column = m.ColumnOf(value);
        headers << m.ValueLabel(value) + (column >= 0
                                              ? QStringLiteral("\n<- ") + m.Columns()[column]
                                              : QStringLiteral("\n(left empty)"));
    }
    PreviewGrid->clear();
    PreviewGrid->setColumnCount(int(headers.size()));
    PreviewGrid->setHorizontalHeaderLabels(headers);
    const auto& rows = sheet_->Preview();
    PreviewGrid->setRowCount(int(rows.size()));
    QStringList numbers;
    for (int r = 0; r < rows.size(); ++r) {
        numbers << QString::number(sheet_->PreviewRows()[r]);
        for (int c = 0; c < rows[r].size(); ++c) {
            const TSheetCell& cell = rows[r][c];
            auto* item = new QTableWidgetItem(
                cell.Refusal.isEmpty() ? cell.Shown
                                       : cell.Shown + QStringLiteral("  (") + cell.Refusal + u')');
            if (!cell.Refusal.isEmpty()) {
                item->setBackground(kRefused);
                item->setToolTip(cell.Refusal);
            }
            PreviewGrid->setItem(r, c, item);
        }
    }
    PreviewGrid->setVerticalHeaderLabels(numbers);
    PreviewGrid->resizeColumnsToContents();
    for (int c = 0; c < PreviewGrid->columnCount(); ++c)
        PreviewGrid->setColumnWidth(c, std::min(PreviewGrid->columnWidth(c), 260));

    QString summary =
        QStringLiteral("%1 rows (%2, %3). The first %4 are shown as the site will store them.")
            .arg(sheet_->Rows())
            .arg(CsvEncodingName(sheet_->Encoding()),
                 sheet_->Delimiter() == u'\t'
                     ? QStringLiteral("values separated by tabs")
                     : QStringLiteral("values separated by \"%1\"").arg(sheet_->Delimiter()))
            .arg(std::min<qint64>(sheet_->Rows(), kPreviewRows));
    if (!m.UnmappedColumns().isEmpty())
        summary += QStringLiteral(" Columns not sent: ") + m.UnmappedColumns().join(u", ") + u'.';
    if (!m.EmptyValues().isEmpty())
        summary += QStringLiteral(" Fields left empty: ") + m.EmptyValues().join(u", ") + u'.';
    if (sheet_->RefusedCount() > 0)
        summary += QStringLiteral(" %1 %2 refused: nothing can be sent until the spreadsheet is "
                                  "corrected.")
                       .arg(sheet_->RefusedCount())
                       .arg(sheet_->RefusedCount() == 1 ? QStringLiteral("value is")
                                                        : QStringLiteral("values are"));
    SummaryLabel->setText(summary);
    QStringList refusals;
    for (const TSheetRefusal& r : sheet_->Refusals())
        refusals << r.Text();
    if (sheet_->RefusedCount() > sheet_->Refusals().size())
        refusals << QStringLiteral("... and %1 more.")
                        .arg(sheet_->RefusedCount() - sheet_->Refusals().size());
    RefusalsMemo->setPlainText(refusals.join(u'\n'));
    SendBtn->setEnabled(sheet_->RefusedCount() == 0 && sheet_->Rows() > 0);
}

void TSheetImportF::SendBtnClick() {
    if (!sheet_ || sheet_->RefusedCount() > 0)
        return;
    folder_ = std::make_shared<QTemporaryDir>();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = folder_->isValid() && sheet_->Convert(folder_->path(), kPreviewRows);
    QApplication::restoreOverrideCursor();
    if (!written) {
        port_.ShowWarning(sheet_->Error().isEmpty()
                              ? QStringLiteral("No folder for the records files can be made.")
                              : sheet_->Error());
        return;
    }
    // The file may have changed since it was shown.
    if (sheet_->RefusedCount() > 0) {
        showPreview();
        port_.ShowWarning(sheet_->RefusalReport());
        return;
    }
    accept();
}

TExportFiles TSheetImportF::Files() const {
    return sheet_ ? sheet_->Files() : TExportFiles();
}

std::shared_ptr<const void> TSheetImportF::Hold() const {
    return folder_;
}
