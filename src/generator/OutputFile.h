#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringEncoder>

#include <stdexcept>

// A write to a generated file failed after the file had been opened (a full
// disk, a vanished device). It ends the generator operation and is reported
// by the calling command as an unexpected error.
class EInOutError : public std::runtime_error {
public:
    EInOutError(const QString& path, const QString& reason);
    const QString& Path() const { return path_; }
    // "Cannot write <path>: <reason>"
    QString Message() const;

private:
    QString path_;
    QString reason_;
};

// Turns text into the bytes of the character set the generated pages declare.
// A character that set cannot hold becomes an HTML numeric character
// reference, so the page still shows it. An unknown set name falls back to
// ISO-8859-1.
class TCharsetEncoder {
public:
    explicit TCharsetEncoder(const QString& charSet);
    void Append(QStringView text, QByteArray& out);
    QByteArray Encode(QStringView text);
    bool IsLatin1() const { return latin1_; }

private:
    void appendCodePoint(char32_t c, QByteArray& out);

    bool latin1_ = true;
    QByteArray name_;
    QHash<char32_t, QByteArray> cache_;
};

// The one output file a generator operation writes: text in the pages'
// character set, verified writes. Open() reports a failed open by its result;
// every later failure raises EInOutError. The destructor closes quietly.
// A file that already holds the same bytes is left untouched (Unchanged()).
class TOutputFile {
public:
    // A private file (one that holds passwords) is readable by its owner only,
    // also when it existed before.
    TOutputFile(const QString& path, const QString& charSet, bool isPrivate = false);
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    bool Open();
    const QString& Path() const { return path_; }

    void Write(QStringView text);
    void WriteBytes(const QByteArray& bytes);
    void Close();
    // After Close(): the file held these bytes already and was not written.
    bool Unchanged() const { return unchanged_; }

private:
    void flushBuffer();
    [[noreturn]] void fail();

    QString path_;
    QFile file_;
    TCharsetEncoder encoder_;
    QByteArray buffer_;
    bool private_ = false;
    bool comparing_ = false; // the bytes so far equal the old file's
    bool unchanged_ = false;
    qint64 done_ = 0; // bytes compared or written
};
