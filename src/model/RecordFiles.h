#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;
class TBTable;

// The delimited text of the record files (records, members, pictures) that
// Import writes and Export reads.
//
// A value that holds the field delimiter, the record delimiter, a line break
// (when records are lines) or the escape character is written with escapes,
// so it comes back exactly; a value without them is written as it is, so a
// file without such values looks as it always did. Escapes, with E the escape
// character (a backslash unless a delimiter uses it):
//   E E -> E    E FD -> FD    E RD -> RD (records not lines)
//   E n -> LF   E r -> CR     (records are lines)
//   E < -> <    (only needed first on a line: no line can begin like the
//                markers of the download answer)
// An E followed by anything else stands for itself, so a backslash in
// ordinary text ("C:\Data") needs no escape.
//
// A field that is exactly E N has no value (SQL NULL); the value E N itself
// is written E E N. In the lists of values below, a null QByteArray is NULL
// and an empty one is empty.
struct TRecordFormat {
    QByteArray FieldDelimiter;  // bytes in the site's character set
    QByteArray RecordDelimiter; // a line feed: records are text lines
    char Escape = '\\';

    // The delimiters of t, encoded in the site's character set.
    static TRecordFormat Of(const TBTable& t);
    static TRecordFormat Make(const QByteArray& fieldDelimiter, const QByteArray& recordDelimiter);

    // Records end with a line feed (written CR LF, read with or without CR).
    bool LineRecords() const { return RecordDelimiter == "\n"; }
    // The bytes a record ends with in a download.
    QByteArray RecordEnd() const { return LineRecords() ? QByteArray("\r\n") : RecordDelimiter; }
    // Why these delimiters cannot carry every value exactly, or empty; with
    // `setting` the delimiter concerned ("FieldDelimiter", "RecordDelimiter").
    QString Problem(QString* setting = nullptr) const;
    // The text of a field without a value.
    QByteArray NullText() const { return QByteArray(1, Escape) + 'N'; }

    QByteArray EscapeValue(const QByteArray& value) const;
    QByteArray UnescapeValue(const QByteArray& text) const;
    // The values of a record, joined, without the record delimiter.
    QByteArray JoinRecord(const QList<QByteArray>& values) const;
    // The values of one record (as TRecordReader gives it), unescaped.
    QList<QByteArray> SplitRecord(const QByteArray& record) const;

private:
    QByteArray fieldValue(const QByteArray& text, bool escaped) const;
};

// Reads the records of a file one by one, in bounded memory.
class TRecordReader {
public:
    TRecordReader(QIODevice& in, const TRecordFormat& format);
    // The next record without its delimiter (and without the CR of a CR LF
    // line end); false at the end of the file, or when reading failed.
    bool Next(QByteArray& record);
    // Number of the record Next gave last, from 1 (the line number when
    // records are lines).
    qint64 Line() const { return line_; }
    bool Failed() const { return failed_; }

private:
    bool fill();

    QIODevice& in_;
    TRecordFormat format_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    qint64 line_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
};

// Where the record that begins at lineStart ends: the first record
// delimiter at or after `from` that is not escaped; -1 when there is none yet.
// `carried`: escape characters that came right before lineStart in the same
// record (read earlier).
qsizetype FindRecordEnd(const TRecordFormat& format, const QByteArray& text, qsizetype from,
                        qsizetype lineStart, qsizetype carried = 0);

// The number of records in a file (as TRecordReader would give them).
qint64 CountRecords(QIODevice& in, const TRecordFormat& format);

// Strict RFC 4648 Base64 (standard alphabet, padding, no line breaks) in its
// one canonical spelling; `bytes` receives the decoded data.
bool DecodeCanonicalBase64(const QByteArray& text, QByteArray& bytes);
// Well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsValidUtf8(const QByteArray& bytes);
