#include "ExportRun.h"

#include "model/RecordFiles.h"
#include "model/Table.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray partHead(const QString& run, int part) {
    return "<?php exit; __halt_compiler();\ncorvanta-part " + run.toLatin1() + ' ' +
           QByteArray::number(part) + '\n';
}

} // namespace

TExportRun::TExportRun(const TBTable& t, const TExportFiles& files, const QByteArray& dbCharset,
                       const QString& run, const QString& folder, qint64 partBytes)
    : table_(t), layout_(TransferLayout(t)), charset_(dbCharset), run_(run),
      partPath_(QDir(folder).filePath(QStringLiteral("part.php"))), partBytes_(partBytes) {
    for (const TTransferFile& file : layout_)
        paths_ << (file.Kind == QLatin1String("users")    ? files.Users
                   : file.Kind == QLatin1String("images") ? files.Images
                                                          : files.Records);
    refs_.MembersKnown = SiteHasMembers(t);
}

qint64 TExportRun::CountLines() {
    const TRecordFormat format = TRecordFormat::Of(table_);
    qint64 total = 0;
    for (const QString& path : paths_) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            total += CountRecords(file, format);
    }
    return total;
}

bool TExportRun::scanPictureNumbers(const QString& path) {
    // Pictures without a number get one above every number the file uses.
    const TRecordFormat format = TRecordFormat::Of(table_);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    TRecordReader reader(file, format);
    QByteArray record;
    while (reader.Next(record)) {
        bool ok = false;
        const qint64 n = format.SplitRecord(record).value(0).toLongLong(&ok);
        if (ok && n >= refs_.NextPicture && n < 2147483647)
            refs_.NextPicture = n + 1;
    }
    return !reader.Failed();
}

void TExportRun::add(const QByteArray& line) {
    if (part_.isEmpty()) {
        // Room for a whole part at once: memory stays the same however many
        // parts follow.
        part_.reserve(partBytes_ + 640 * 1024);
        part_ += partHead(run_, parts_ + 1);
        if (!kind_.isEmpty())
            part_ += "T " + kind_ + '\n';
    }
    part_ += line;
    part_ += '\n';
}

bool TExportRun::flush(const TSendPart& send) {
    if (part_.isEmpty())
        return true;
    part_ += "corvanta-end\n";
    QFile file(partPath_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(part_) != part_.size() || !file.flush()) {
        fileError_ = partPath_;
        return false;
    }
    file.close();
    ++parts_;
    part_.clear();
    const qint64 rows = std::exchange(partRows_, 0);
    return send(partPath_, parts_, rows);
}

bool TExportRun::sendFile(int index, const TSendPart& send) {
    const TTransferFile& layout = layout_[index];
    const TRecordFormat format = TRecordFormat::Of(table_);
    QFile file(paths_[index]);
    if (!file.open(QIODevice::ReadOnly)) {
        fileError_ = paths_[index];
        return false;
    }
    TRowEncoder encoder(table_, layout, index, charset_, refs_);
    kind_ = layout.Kind.toLatin1();
    if (!part_.isEmpty())
        add("T " + kind_);
    TRecordReader reader(file, format);
    QByteArray record;
    TStagedRow row;
    QList<TRefusal> refusals;
    while (reader.Next(record)) {
        refusals.clear();
        const bool valid = encoder.Encode(reader.Line(), format.SplitRecord(record), row, refusals);
        refused_ += refusals.size();
        for (const TRefusal& r : refusals)
            if (refusals_.size() < kListed)
                refusals_.append(r);
        // A row must fit a part that the script can read within a hosting
        // account's memory (pictures come in pieces of their own).
        if (valid && row.Values.size() > kMaxRowBytes) {
            ++refused_;
            if (refusals_.size() < kListed)
                refusals_.append({index, layout.Title, reader.Line(), QString(),
                                  QStringLiteral("the line is too large to send (%1 MB; a line "
                                                 "may make at most %2 MB): shorten its texts")
                                      .arg(double(row.Values.size()) / (1 << 20), 0, 'f', 1)
                                      .arg(kMaxRowBytes >> 20)});
            continue;
        }
        // A refused line is not sent; the rest still is, so the server can
        // name what it refuses too.
        if (!valid)
            continue;
        // Parts stay within their size: a row that would overflow one starts the next.
        if (!part_.isEmpty() && part_.size() + row.Values.size() > partBytes_ && !flush(send))
            return false;
        add("R " + QByteArray::number(reader.Line()) + ' ' + row.Values);
        ++partRows_;
        for (const QByteArray& piece : row.MorePicture) {
            if (part_.size() >= partBytes_ && !flush(send))
                return false;
            add("A " + QByteArray::number(reader.Line()) + ' ' + QByteArray::number(row.PictureId) +
                ' ' + piece);
        }
        if (row.PictureBytes >= 0)
            add("L " + QByteArray::number(reader.Line()) + ' ' + QByteArray::number(row.PictureId) +
                ' ' + QByteArray::number(row.PictureBytes));
        if (part_.size() >= partBytes_ && !flush(send))
            return false;
    }
    if (reader.Failed()) {
        fileError_ = paths_[index];
        return false;
    }
    return true;
}

bool TExportRun::Send(const TSendPart& send) {
    for (int i = 0; i < layout_.size(); ++i)
        if (layout_[i].Kind == QLatin1String("images") && !scanPictureNumbers(paths_[i])) {
            fileError_ = paths_[i];
            return false;
        }
    for (int i = 0; i < layout_.size(); ++i)
        if (!sendFile(i, send))
            return false;
    return flush(send);
}
