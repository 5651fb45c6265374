#pragma once

#include "ExportRun.h"

#include <QString>

class TBTable;

enum class TSheetFormat { Csv, Xlsx };

// The format a spreadsheet's file name asks for ("*.xlsx": XLSX, else CSV).
TSheetFormat SheetFormatOf(const QString& path);

// Writes the records of downloaded record files as a spreadsheet: a header
// row of the field names, then one row per record. CSV is UTF-8 with a byte
// order mark, dates in ISO 8601; XLSX keeps numbers as numbers, dates as
// dates in the field's format and Yes/No as booleans, its header row frozen
// and filtered. Pictures become files in a folder beside the spreadsheet
// (NAME-pictures/ROW-FIELD.jpg), the cell holding that name. Members,
// owners and field locks stay in the record files.
class TSheetWriter {
public:
    TSheetWriter(const TBTable& t, const TExportFiles& downloaded);

    // False with Error() when a file could not be read or written, or a
    // value does not fit the format.
    bool Write(const QString& path, TSheetFormat format);
    QString Error() const { return error_; }
    qint64 Rows() const { return rows_; }
    int Pictures() const { return pictures_; }
    // The folder of the pictures, relative to the spreadsheet's.
    static QString PictureFolder(const QString& sheetPath);

private:
    bool writePictures(const QString& sheetPath);

    const TBTable& table_;
    TExportFiles files_;
    QString error_;
    qint64 rows_ = 0;
    int pictures_ = 0;
    // Per record line and picture value: the cell's file name.
    QHash<quint64, QString> pictureCells_;
};
