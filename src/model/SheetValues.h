#pragma once

#include "RecordLayout.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Values as spreadsheet programs write them, and the record files' forms of
// them; which spreadsheet column fills which value of a record.
namespace SheetValues {

// A date as a spreadsheet writes it: ISO 8601 ("2026-12-08",
// "2026-12-08 14:30", "2026-12-08T14:30:05", "14:30"), the field's own
// format ("08/12/2026 14:30"), or the 14 stored digits; empty stays empty.
// The 14 digits, or nullopt when it is no date.
std::optional<QString> DateFromCell(const QString& cell, const QString& fieldFormat);
// Stored digits as ISO 8601, with the time when the format shows it or it
// is not midnight; a value that is no date is given back as it is.
QString DateToIso(const QString& stored, const QString& fieldFormat);
// Stored digits in the field's format (ISO 8601 without one).
QString DateToFormat(const QString& stored, const QString& fieldFormat);
// The date and time of stored digits; false when they are no date (all
// zeros included). timeOnly: the date part is zero.
bool DateParts(const QString& stored, int parts[6], bool* timeOnly = nullptr);

// yes/no, true/false, 1/0, x/empty and the site's own words, any case.
std::optional<bool> YesNoFromCell(const QString& cell, const QString& siteYes,
                                  const QString& siteNo);

// A number with a point, or with a decimal comma when the user writes them
// so, in the form the record files take for a field with `fieldSymbol`
// ("," or "."); nullopt when the other decimal mark is in it.
std::optional<QString> NumberFromCell(const QString& cell, bool decimalComma,
                                      const QString& fieldSymbol);

// A text cell that a spreadsheet would take for a formula is written with
// an apostrophe before it (as spreadsheets mark text); reading takes one off
// and writes line breaks as CR LF, as the site's forms do.
QString TextToCell(const QString& value);
QString TextFromCell(const QString& cell);

} // namespace SheetValues

// Which column of a spreadsheet fills which value of the records file.
class TSheetMapping {
public:
    // From the first row: by header name (case and spacing ignored) when a
    // cell names a value, else by position (the first row is then data).
    static TSheetMapping Guess(const QStringList& firstRow, const TTransferFile& records);

    // "Column=Field,...": a column by its header or number (from 1), a
    // field by its name or column; "Column=" leaves a column out. An error
    // text, or empty.
    QString Apply(const QString& spec);
    // Column `column` fills value `value` (-1: none).
    void Set(int column, int value);

    bool HasHeader() const { return header_; }
    // The columns' names: their headers, or "Column 1", ...
    const QStringList& Columns() const { return columns_; }
    // The value of the records file a column fills, or -1.
    int ValueOf(int column) const { return column < target_.size() ? target_[column] : -1; }
    int ColumnOf(int value) const { return target_.indexOf(value); }
    // The values a spreadsheet may fill (all but the owner), as indexes into
    // the records file's values.
    const QList<int>& Fillable() const { return fillable_; }
    QString ValueLabel(int value) const { return labels_.value(value); }
    QStringList UnmappedColumns() const;
    QStringList EmptyValues() const;
    // "Title <- Name, Price <- Cost": what goes where, for a message.
    QString Describe() const;

private:
    int valueNamed(const QString& name) const;
    int columnNamed(const QString& name) const;

    bool header_ = false;
    QStringList columns_;
    QList<int> target_;
    QList<int> fillable_;
    QStringList labels_;
    QList<QStringList> names_; // per value: the names that match it
};
