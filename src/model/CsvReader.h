#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

// The character encodings a spreadsheet program saves CSV in.
enum class TCsvEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

QString CsvEncodingName(TCsvEncoding encoding);
// "utf-8", "UTF-16", "windows-1252", "cp1252", "latin1", ...; nullopt for any other.
std::optional<TCsvEncoding> CsvEncodingNamed(const QString& name);

struct TCsvOptions {
    std::optional<TCsvEncoding> Encoding; // detected when not given
    QChar Delimiter;                      // detected when null: comma, semicolon or tab
};

// Reads the rows of a CSV file as RFC 4180 writes them: values separated by
// the delimiter, records ended by CR LF (LF or CR alone are taken too), a
// value in double quotes may hold delimiters, line breaks and doubled
// quotes. What spreadsheet programs also write is taken as they mean it: a
// quote inside an unquoted value stands for itself, blank lines carry no row.
// Reads in blocks, so a large file never has to fit into memory.
class TCsvReader {
public:
    // `in` must be open for reading and seekable: detection reads ahead.
    explicit TCsvReader(QIODevice& in);

    // Detects what the options leave open and positions at the first row;
    // false when the file cannot be read (Error()).
    bool Open(const TCsvOptions& options = {});
    TCsvEncoding Encoding() const { return encoding_; }
    QChar Delimiter() const { return delimiter_; }
    bool HadBom() const { return bom_; }

    // The next row's values; false at the end of the file, or when the file
    // is damaged: Error() then says where (ask it after the last row too).
    bool Next(QStringList& row);
    // The line the row that Next gave began on, from 1.
    qint64 Line() const { return rowLine_; }
    // Its number as a spreadsheet shows it: blank lines count as rows.
    qint64 Row() const { return row_; }
    QString Error() const { return error_; }

    // The delimiter that splits these lines most evenly.
    static QChar GuessDelimiter(const QString& sample);

private:
    bool fill();
    bool atEnd();
    void decode(const QByteArray& bytes, bool last);

    QIODevice& in_;
    TCsvEncoding encoding_ = TCsvEncoding::Utf8;
    QChar delimiter_ = u',';
    bool bom_ = false;
    bool eof_ = false;
    QString text_;
    qsizetype pos_ = 0;
    QByteArray pendingBytes_; // the start of a character cut by a block end
    qint64 line_ = 1;
    qint64 rowLine_ = 0;
    qint64 row_ = 0;
    QString error_;
};
