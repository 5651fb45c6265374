#pragma once

#include "deploy/ExportRun.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTemporaryDir;
class TBTable;
class TSheetRecords;
class TUserPort;

// "Import from spreadsheet": a CSV file, how its columns fill the fields,
// and its first rows as the site will store them, every refused value
// marked on its cell. Send is offered only for a file without refusals; it
// writes the record files that Export then sends (Files(), Hold()).
class TSheetImportF : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPreviewRows = 200;

    TSheetImportF(const TBTable& t, TUserPort& port, QWidget* parent = nullptr);
    ~TSheetImportF() override;

    // Reads the file with the options shown (the mapping guessed anew).
    void Load(const QString& path);
    // The record files written by Send, and what keeps them.
    TExportFiles Files() const;
    std::shared_ptr<const void> Hold() const;
    const TSheetRecords* Sheet() const { return sheet_.get(); }

    QLineEdit* FileEdit;
    QPushButton* BrowseBtn;
    QComboBox* EncodingCombo;
    QComboBox* DelimiterCombo;
    QCheckBox* DecimalCommaCh;
    QTableWidget* MappingGrid;
    QTableWidget* PreviewGrid;
    QLabel* SummaryLabel;
    QPlainTextEdit* RefusalsMemo;
    QPushButton* SendBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

signals:
    void HelpRequested(const QString& topic);

public slots:
    void BrowseBtnClick();
    void SendBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Reads the file again: with the mapping shown when keepMapping.
    void reload(bool keepMapping);
    void showMapping();
    void showPreview();

    const TBTable& table_;
    TUserPort& port_;
    std::unique_ptr<TSheetRecords> sheet_;
    std::shared_ptr<QTemporaryDir> folder_;
    bool filling_ = false;
};
