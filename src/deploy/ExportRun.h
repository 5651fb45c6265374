#pragma once

#include "ExportRows.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class TBTable;

// The text files an export sends; Users is empty when the site has no members.
struct TExportFiles {
    QString Records, Users, Images;
};

// Reads the record files once, in bounded memory, checks every line and
// writes the rows into part files of bounded size, each handed on as soon as
// it is complete. Members go first, then pictures, then records, so that a
// record's owner and pictures are known when it is read.
class TExportRun {
public:
    // Transfers and stages one part (the file at `path`, holding `rows`
    // rows); false ends the run.
    using TSendPart = std::function<bool(const QString& path, int part, qint64 rows)>;

    // Parts are written into `folder`; a part holds at most `partBytes`, or
    // one row (at most kMaxRowBytes) with a picture piece after it.
    TExportRun(const TBTable& t, const TExportFiles& files, const QByteArray& dbCharset,
               const QString& run, const QString& folder, qint64 partBytes);

    // The number of lines of every file, for the progress shown meanwhile.
    qint64 CountLines();
    // Sends every part. False when a file could not be read or written
    // (FileError() names it) or when `send` ended the run.
    bool Send(const TSendPart& send);

    QString FileError() const { return fileError_; }
    int Parts() const { return parts_; }
    // Refusals of this side: the first 100, in file and line order, and how
    // many there were.
    const QList<TRefusal>& Refusals() const { return refusals_; }
    qint64 RefusedCount() const { return refused_; }

    static constexpr int kListed = 100;
    // The SQL of one row: larger lines are refused.
    static constexpr qint64 kMaxRowBytes = 4 << 20;

private:
    bool sendFile(int index, const TSendPart& send);
    bool flush(const TSendPart& send);
    void add(const QByteArray& line);
    bool scanPictureNumbers(const QString& path);

    const TBTable& table_;
    QList<TTransferFile> layout_;
    QStringList paths_;
    QByteArray charset_;
    QString run_;
    QString partPath_;
    qint64 partBytes_;

    TTransferRefs refs_;
    QByteArray part_;
    QByteArray kind_;
    qint64 partRows_ = 0;
    int parts_ = 0;
    QList<TRefusal> refusals_;
    qint64 refused_ = 0;
    QString fileError_;
};
