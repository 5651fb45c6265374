#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Export to spreadsheet": where the records go, as CSV or as a workbook.
// It says what a spreadsheet leaves out (members, owners, field locks).
class TSheetExportF : public QDialog {
    Q_OBJECT
public:
    explicit TSheetExportF(QWidget* parent = nullptr);

    // The file chosen, its name ending as its format asks.
    QString Path() const;

    QLineEdit* FileEdit;
    QPushButton* BrowseBtn;
    QRadioButton* CsvRadio;
    QRadioButton* XlsxRadio;
    QLabel* NoticeLabel;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

signals:
    void HelpRequested(const QString& topic);

public slots:
    void BrowseBtnClick();
    void OKBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
};
