#pragma once

#include "ExportRows.h"
#include "ExportRun.h"
#include "model/CsvReader.h"
#include "model/SheetValues.h"

#include <QFile>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class TBTable;

// A value of a spreadsheet row that the site would not store as written.
struct TSheetRefusal {
    qint64 Row = 0; // as the spreadsheet numbers it, the first row 1
    QString Column; // its column's name; empty for the whole row
    QString Field;  // the field it would fill
    QString Reason; // the reasons of the records file where they are the same

    // row 3, column "Cost" (field "Price"): not a number
    QString Text() const;
};

struct TSheetOptions {
    TCsvOptions Csv;
    // Numbers are written with a decimal comma; unset: so when the values
    // are separated by semicolons, as spreadsheets of such languages write.
    std::optional<bool> DecimalComma;
    // "Column=Field,...", applied over the guessed mapping.
    QString Map;
};

// One value of the preview: as the site will keep it, or why it will not.
struct TSheetCell {
    QString Shown;
    QString Refusal;
};

// A CSV file turned into the record files that Export sends: each row is
// mapped onto the fields, its values converted as a spreadsheet writes
// them and checked as the records file's are, and pictures named in it are
// taken from the CSV's folder. A file with any refusal is sent not at all.
class TSheetRecords {
public:
    explicit TSheetRecords(const TBTable& t);
    ~TSheetRecords();

    // Reads the first row and guesses the mapping (then applies the
    // options' map). False when the file cannot be read or the map is
    // wrong: Error() says why.
    bool Open(const QString& csvPath, const TSheetOptions& options);
    TSheetMapping& Mapping() { return mapping_; }
    const TSheetMapping& Mapping() const { return mapping_; }
    TCsvEncoding Encoding() const { return encoding_; }
    QChar Delimiter() const { return delimiter_; }
    bool DecimalComma() const { return decimalComma_; }

    // Reads and checks every row, keeping the first `previewRows` for
    // Preview(). With a folder, writes the record files there (Files()).
    // False when a file could not be read or written (Error()); refusals
    // are no failure: see RefusedCount().
    bool Convert(const QString& folder = {}, int previewRows = 200);

    QString Error() const { return error_; }
    qint64 Rows() const { return rows_; }
    // The values of the preview's rows, one per fillable value of the
    // mapping (Mapping().Fillable()), and the rows' numbers.
    const QList<QList<TSheetCell>>& Preview() const { return preview_; }
    const QList<qint64>& PreviewRows() const { return previewRows_; }
    // The first refusals in row order, and how many there were.
    const QList<TSheetRefusal>& Refusals() const { return refusals_; }
    qint64 RefusedCount() const { return refused_; }
    // The report of a refused file, as the records file's refusals read.
    QString RefusalReport() const;
    const TExportFiles& Files() const { return files_; }
    // Names a refusal of the written record files (the server's) by the
    // spreadsheet's row and column; it keeps what it needs.
    std::function<QString(const TRefusal&)> RefusalNamer() const;

    static constexpr int kListed = 100;

private:
    struct TWriter;
    bool convertRow(const QStringList& row, qint64 number, int previewRows);
    QByteArray siteText(const QString& text, QString& why) const;
    qint64 picture(const QString& cell, QString& why);
    void refuse(qint64 row, int value, const QString& reason);

    const TBTable& table_;
    TTransferFile records_;
    QString siteYes_, siteNo_;
    bool utf8Site_ = true, latin1Site_ = false;
    QString charSet_;
    QString path_, folder_;
    TSheetOptions options_;
    TCsvEncoding encoding_ = TCsvEncoding::Utf8;
    QChar delimiter_ = u',';
    bool decimalComma_ = false;
    TSheetMapping mapping_;
    QStringList firstRow_;

    TTransferRefs refs_;
    std::unique_ptr<TRowEncoder> encoder_;
    std::unique_ptr<TWriter> writer_;
    qint64 rows_ = 0;
    qint64 nextPicture_ = 1;
    QList<QList<TSheetCell>> preview_;
    QList<qint64> previewRows_;
    QList<TSheetRefusal> refusals_;
    // Where the lines of the written files came from: the row of each
    // record, the row and value of each picture.
    QList<qint64> recordRows_;
    QList<std::pair<qint64, int>> pictureRows_;
    qint64 currentRow_ = 0;
    int currentValue_ = -1;
    qint64 refused_ = 0;
    QString error_;
    TExportFiles files_;
};
