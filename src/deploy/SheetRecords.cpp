#include "SheetRecords.h"

#include "model/RecordFiles.h"
#include "model/Table.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

namespace {

constexpr qint64 kMaxPicture = 16777215; // MEDIUMBLOB
constexpr qsizetype kFlushBytes = 1 << 20;

// The picture type of a file's first bytes, or empty when it is none.
QString pictureType(const QByteArray& head) {
    if (head.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (head.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("image/png");
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return QStringLiteral("image/gif");
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP")
        return QStringLiteral("image/webp");
    if (head.startsWith("BM"))
        return QStringLiteral("image/bmp");
    return {};
}

} // namespace

QString TSheetRefusal::Text() const {
    QString text = QStringLiteral("row %1").arg(Row);
    if (!Column.isEmpty())
        text += QStringLiteral(", column \"%1\"").arg(Column);
    if (!Field.isEmpty())
        text += QStringLiteral(" (field \"%1\")").arg(Field);
    return text + QStringLiteral(": ") + Reason;
}

// The record files being written, in blocks.
struct TSheetRecords::TWriter {
    QFile records, users, images;
    QByteArray recordText, imageText;
    TRecordFormat format;

    bool flush(bool all) {
        const auto put = [](QFile& f, QByteArray& text) {
            const bool ok = f.write(text) == text.size();
            text.clear();
            return ok;
        };
        bool ok = true;
        if (all || recordText.size() > kFlushBytes)
            ok = put(records, recordText) && ok;
        if (all || imageText.size() > kFlushBytes)
            ok = put(images, imageText) && ok;
        return ok;
    }
};

TSheetRecords::TSheetRecords(const TBTable& t) : table_(t), records_(TransferLayout(t).back()) {
    siteYes_ = t.Language.Text(QStringLiteral("Yes"));
    siteNo_ = t.Language.Text(QStringLiteral("No"));
    charSet_ = t.Language.Text(QStringLiteral("CharSet")).trimmed();
    const QString upper = charSet_.toUpper();
    utf8Site_ = upper == QLatin1String("UTF-8") || upper == QLatin1String("UTF8");
    latin1Site_ = upper == QLatin1String("ISO-8859-1") || upper == QLatin1String("LATIN1");
    refs_.MembersKnown = SiteHasMembers(t);
}

TSheetRecords::~TSheetRecords() = default;

bool TSheetRecords::Open(const QString& csvPath, const TSheetOptions& options) {
    path_ = csvPath;
    options_ = options;
    error_.clear();
    QFile file(csvPath);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("The spreadsheet %1 cannot be read: %2")
                     .arg(csvPath, file.errorString());
        return false;
    }
    TCsvReader reader(file);
    if (!reader.Open(options.Csv)) {
        error_ = reader.Error();
        return false;
    }
    encoding_ = reader.Encoding();
    delimiter_ = reader.Delimiter();
    decimalComma_ = options.DecimalComma.value_or(delimiter_ == u';');
    firstRow_.clear();
    if (!reader.Next(firstRow_) && !reader.Error().isEmpty()) {
        error_ = reader.Error();
        return false;
    }
    mapping_ = TSheetMapping::Guess(firstRow_, records_);
    error_ = mapping_.Apply(options.Map);
    return error_.isEmpty();
}

QByteArray TSheetRecords::siteText(const QString& text, QString& why) const {
    if (utf8Site_)
        return text.toUtf8();
    if (latin1Site_) {
        for (QChar c : text)
            if (c.unicode() > 0xFF) {
                why = QStringLiteral("characters the site's character set cannot hold");
                return {};
            }
        return text.toLatin1();
    }
    QStringEncoder encoder(charSet_.toLatin1().constData());
    if (!encoder.isValid())
        return text.toUtf8();
    const QByteArray bytes = encoder.encode(text);
    QStringDecoder back(charSet_.toLatin1().constData());
    if (encoder.hasError() || QString(back.decode(bytes)) != text)
        why = QStringLiteral("characters the site's character set cannot hold");
    return bytes;
}

qint64 TSheetRecords::picture(const QString& cell, QString& why) {
    const QString name = cell.trimmed();
    if (name.isEmpty())
        return 0;
    // Only files of the spreadsheet's own folder: a spreadsheet from
    // someone else must not send any other file of this computer.
    const QDir base = QFileInfo(path_).absoluteDir();
    const QString relative = QDir::fromNativeSeparators(name);
    if (QDir::isAbsolutePath(relative) || relative.split(u'/').contains(QStringLiteral(".."))) {
        why = QStringLiteral("not the name of a file in the spreadsheet's folder");
        return 0;
    }
    const QFileInfo info(base.filePath(relative));
    const QString root = base.canonicalPath() + u'/';
    if (!info.isFile()) {
        why = QStringLiteral("there is no picture file of that name in the spreadsheet's folder");
        return 0;
    }
    if (!info.canonicalFilePath().startsWith(root)) {
        why = QStringLiteral("not the name of a file in the spreadsheet's folder");
        return 0;
    }
    if (info.size() > kMaxPicture) {
        why = QStringLiteral("longer than the column allows");
        return 0;
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("the picture file cannot be read");
        return 0;
    }
    const QString type = pictureType(file.peek(16));
    if (type.isEmpty()) {
        why = QStringLiteral("not a picture (JPEG, PNG, GIF, WebP or BMP)");
        return 0;
    }
    const qint64 id = nextPicture_++;
    refs_.Pictures.insert(id, id);
    if (writer_)
        pictureRows_.append({currentRow_, currentValue_});
    if (writer_) {
        const QByteArray data = file.readAll();
        writer_->imageText += writer_->format.JoinRecord(
                                  {QByteArray::number(id), {}, data.toBase64(), type.toLatin1()}) +
                              writer_->format.RecordEnd();
    }
    return id;
}

void TSheetRecords::refuse(qint64 row, int value, const QString& reason) {
    ++refused_;
    if (refusals_.size() >= kListed)
        return;
    const int column = value >= 0 ? mapping_.ColumnOf(value) : -1;
    refusals_.append({row, column >= 0 ? mapping_.Columns()[column] : QString(),
                      value >= 0 ? records_.Values[value].Label : QString(), reason});
}

bool TSheetRecords::convertRow(const QStringList& row, qint64 number, int previewRows) {
    using namespace SheetValues;
    const QList<TTransferValue>& layout = records_.Values;
    QList<QByteArray> values(layout.size());
    // Only the rows of the preview need their values shown.
    const bool shown = preview_.size() < previewRows;
    QList<TSheetCell> cells(shown ? layout.size() : 0);
    QList<bool> refusedValue(layout.size(), false);
    bool refusedHere = false;
    const auto mark = [&](int i, const QString& cell, const QString& why) {
        if (shown)
            cells[i] = {cell, why};
        refusedValue[i] = true;
        refuse(number, i, why);
        refusedHere = true;
    };

    for (int i = 0; i < layout.size(); ++i) {
        const TTransferValue& v = layout[i];
        const int column = mapping_.ColumnOf(i);
        const QString cell = column >= 0 && column < row.size() ? row[column] : QString();
        currentRow_ = number;
        currentValue_ = i;
        QString why;
        switch (v.Kind) {
        case TValueKind::Text: {
            const QString text = TextFromCell(cell);
            values[i] = siteText(text, why);
            // An empty cell is an empty text, as the site's forms store it;
            // a null value would mean no value at all.
            if (values[i].isNull())
                values[i] = QByteArray("");
            if (shown)
                cells[i].Shown = text;
            break;
        }
        case TValueKind::Integer:
        case TValueKind::Real: {
            const auto n =
                NumberFromCell(cell, decimalComma_,
                               v.Kind == TValueKind::Real && v.Field ? v.Field->DecimalSymbol
                                                                     : QStringLiteral("."));
            if (!n)
                why = QStringLiteral("not a number");
            values[i] = n.value_or(QString()).toLatin1();
            if (shown)
                cells[i].Shown = n.value_or(QString());
            break;
        }
        case TValueKind::YesNo: {
            const auto yes = YesNoFromCell(cell, siteYes_, siteNo_);
            if (!yes)
                why = QStringLiteral("neither yes nor no");
            values[i] = yes.value_or(false) ? "1" : "0";
            if (shown)
                cells[i].Shown = yes.value_or(false) ? siteYes_ : siteNo_;
            break;
        }
        case TValueKind::DateTime: {
            const QString format = v.Field ? v.Field->DateTimeFormat : QString();
            const auto digits = DateFromCell(cell, format);
            if (!digits)
                why = format.isEmpty() ? QStringLiteral("not a date (such as 2026-12-08 14:30)")
                                       : QStringLiteral("not a date (such as 2026-12-08 14:30, "
                                                        "or as %1)")
                                             .arg(format);
            values[i] = digits.value_or(QString()).toLatin1();
            if (shown)
                cells[i].Shown = DateToFormat(digits.value_or(QString()), format);
            break;
        }
        case TValueKind::PictureRef: {
            const qint64 id = picture(cell, why);
            values[i] = id > 0 ? QByteArray::number(id) : QByteArray();
            if (shown)
                cells[i].Shown = cell.trimmed();
            break;
        }
        default: // the owner: the records files keep owners, not spreadsheets
            break;
        }
        if (!why.isEmpty())
            mark(i, cell, why);
    }
    // Values past the columns of the first row belong to no field.
    for (qsizetype c = mapping_.Columns().size(); c < row.size(); ++c)
        if (!row[c].isEmpty()) {
            refuse(number, -1,
                   QStringLiteral("more values than the first row has columns (%1 instead of %2)")
                       .arg(row.size())
                       .arg(mapping_.Columns().size()));
            refusedHere = true;
            break;
        }

    // What the records file would refuse, with its reasons.
    TStagedRow staged;
    QList<TRefusal> found;
    encoder_->Encode(number, values, staged, found);
    for (const TRefusal& r : found) {
        int value = -1;
        for (int i = 0; i < layout.size(); ++i)
            if (layout[i].Label == r.Field)
                value = i;
        if (value >= 0 && refusedValue[value])
            continue;
        const int column = value >= 0 ? mapping_.ColumnOf(value) : -1;
        if (value >= 0)
            mark(value, column >= 0 && column < row.size() ? row[column] : QString(), r.Reason);
        else {
            refuse(number, -1, r.Reason);
            refusedHere = true;
        }
    }

    if (shown) {
        QList<TSheetCell> previewed;
        for (int value : mapping_.Fillable())
            previewed << cells[value];
        preview_ << previewed;
        previewRows_ << number;
    }
    if (writer_ && !refusedHere) {
        writer_->recordText += writer_->format.JoinRecord(values) + writer_->format.RecordEnd();
        recordRows_.append(number);
    }
    return !refusedHere;
}

bool TSheetRecords::Convert(const QString& folder, int previewRows) {
    rows_ = 0;
    refused_ = 0;
    nextPicture_ = 1;
    refs_.Pictures.clear();
    preview_.clear();
    previewRows_.clear();
    refusals_.clear();
    recordRows_.clear();
    pictureRows_.clear();
    error_.clear();
    files_ = {};
    encoder_ = std::make_unique<TRowEncoder>(table_, records_, 0, QByteArray("utf8mb4"), refs_);
    writer_.reset();
    if (!folder.isEmpty()) {
        writer_ = std::make_unique<TWriter>();
        writer_->format = TRecordFormat::Of(table_);
        const QDir dir(folder);
        files_.Records = dir.filePath(QStringLiteral("records.txt"));
        files_.Images = dir.filePath(QStringLiteral("images.txt"));
        if (SiteHasMembers(table_))
            files_.Users = dir.filePath(QStringLiteral("users.txt"));
        writer_->records.setFileName(files_.Records);
        writer_->images.setFileName(files_.Images);
        writer_->users.setFileName(
            files_.Users.isEmpty() ? dir.filePath(QStringLiteral("users.txt")) : files_.Users);
        for (QFile* f : {&writer_->records, &writer_->images, &writer_->users})
            if (!f->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                error_ = QStringLiteral("File access error to ") + f->fileName();
                return false;
            }
    }

    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ =
            QStringLiteral("The spreadsheet %1 cannot be read: %2").arg(path_, file.errorString());
        return false;
    }
    TCsvReader reader(file);
    TCsvOptions csv = options_.Csv;
    csv.Encoding = encoding_;
    csv.Delimiter = delimiter_;
    if (!reader.Open(csv)) {
        error_ = reader.Error();
        return false;
    }
    QStringList row;
    bool first = true;
    while (reader.Next(row)) {
        if (first && mapping_.HasHeader()) {
            first = false;
            continue;
        }
        first = false;
        ++rows_;
        convertRow(row, reader.Row(), previewRows);
        if (writer_ && !writer_->flush(false)) {
            error_ = QStringLiteral("File access error to ") + folder;
            return false;
        }
    }
    if (!reader.Error().isEmpty()) {
        error_ = QStringLiteral("The spreadsheet %1 cannot be read: %2").arg(path_, reader.Error());
        return false;
    }
    if (writer_ &&
        (!writer_->flush(true) || !writer_->records.flush() || !writer_->images.flush())) {
        error_ = QStringLiteral("File access error to ") + folder;
        return false;
    }
    return true;
}

std::function<QString(const TRefusal&)> TSheetRecords::RefusalNamer() const {
    QStringList columns; // per value of the records file: its column's name
    for (int i = 0; i < records_.Values.size(); ++i) {
        const int c = mapping_.ColumnOf(i);
        columns << (c >= 0 ? mapping_.Columns()[c] : QString());
    }
    return [records = recordRows_, pictures = pictureRows_, columns,
            values = records_.Values](const TRefusal& r) {
        TSheetRefusal s{0, {}, r.Field, r.Reason};
        const bool picture = r.Title.startsWith(QLatin1String("images"));
        const qsizetype at = qsizetype(r.Line) - 1;
        int value = -1;
        if (picture && at >= 0 && at < pictures.size()) {
            s.Row = pictures[at].first;
            value = pictures[at].second;
            s.Field = values[value].Label;
        } else if (!picture && at >= 0 && at < records.size()) {
            s.Row = records[at];
            for (int i = 0; i < values.size(); ++i)
                if (values[i].Label == r.Field)
                    value = i;
        } else {
            return r.Text();
        }
        if (value >= 0)
            s.Column = columns[value];
        return s.Text();
    };
}

QString TSheetRecords::RefusalReport() const {
    QString text = QStringLiteral("Nothing was sent: %1 %2 of the spreadsheet %3 refused.")
                       .arg(refused_)
                       .arg(refused_ == 1 ? QStringLiteral("value") : QStringLiteral("values"),
                            refused_ == 1 ? QStringLiteral("was") : QStringLiteral("were"));
    for (const TSheetRefusal& r : refusals_)
        text += u'\n' + r.Text();
    if (refused_ > refusals_.size())
        text += QStringLiteral("\n... and %1 more.").arg(refused_ - refusals_.size());
    return text;
}
