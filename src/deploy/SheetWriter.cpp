#include "SheetWriter.h"

#include "model/RecordFiles.h"
#include "model/RecordLayout.h"
#include "model/SheetValues.h"
#include "model/Table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <xlsxwriter.h>

#include <memory>

namespace {

constexpr qsizetype kMaxCellText = 32767; // what one cell of a workbook holds
constexpr qint64 kMaxSheetRows = 1048576;

quint64 cellKey(qint64 line, int value) {
    return (quint64(line) << 16) | quint64(value);
}

QString extensionOf(const QByteArray& type, const QByteArray& data) {
    if (type == "image/jpeg" || type == "image/pjpeg" || data.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("jpg");
    if (type == "image/png" || data.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (type == "image/gif" || data.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (type == "image/webp")
        return QStringLiteral("webp");
    if (type == "image/bmp" || data.startsWith("BM"))
        return QStringLiteral("bmp");
    return QStringLiteral("bin");
}

// The cell of a CSV file: quoted when it holds what would end it.
QByteArray csvCell(const QString& value) {
    const bool quote = value.contains(u',') || value.contains(u'"') || value.contains(u'\n') ||
                       value.contains(u'\r') || value.startsWith(u' ') || value.endsWith(u' ');
    if (!quote)
        return value.toUtf8();
    return '"' + QString(value).replace(u'"', QStringLiteral("\"\"")).toUtf8() + '"';
}

// A field's date format as a workbook writes it ("DD/MM/YYYY hh:mm" ->
// "dd/mm/yyyy hh:mm").
QByteArray workbookDateFormat(const QString& format) {
    return format.isEmpty() ? QByteArray("yyyy-mm-dd hh:mm:ss") : format.toLower().toLatin1();
}

// One pass over a record file.
template <typename F> bool eachRecord(const QString& path, const TRecordFormat& format, F&& take) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    TRecordReader reader(file, format);
    QByteArray record;
    while (reader.Next(record))
        take(reader.Line(), format.SplitRecord(record));
    return !reader.Failed();
}

struct TWorkbookCloser {
    void operator()(lxw_workbook* w) const {
        if (w)
            workbook_close(w);
    }
};

} // namespace

TSheetFormat SheetFormatOf(const QString& path) {
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? TSheetFormat::Xlsx
                                                                      : TSheetFormat::Csv;
}

TSheetWriter::TSheetWriter(const TBTable& t, const TExportFiles& downloaded)
    : table_(t), files_(downloaded) {}

QString TSheetWriter::PictureFolder(const QString& sheetPath) {
    return QFileInfo(sheetPath).completeBaseName() + QStringLiteral("-pictures");
}

bool TSheetWriter::writePictures(const QString& sheetPath) {
    const TRecordFormat format = TRecordFormat::Of(table_);
    const TTransferFile layout = TransferLayout(table_).back();
    // Which records show which picture: pictures are many times larger than
    // records, so only the numbers are held.
    QHash<qint64, QList<std::pair<qint64, int>>> wanted;
    const bool read =
        eachRecord(files_.Records, format, [&](qint64 line, const QList<QByteArray>& v) {
            for (int i = 0; i < layout.Values.size() && i < v.size(); ++i)
                if (layout.Values[i].Kind == TValueKind::PictureRef && v[i].toLongLong() > 0)
                    wanted[v[i].toLongLong()].append({line, i});
        });
    if (!read) {
        error_ = QStringLiteral("File access error to ") + files_.Records;
        return false;
    }
    if (wanted.isEmpty())
        return true;
    const QString folderName = PictureFolder(sheetPath);
    QDir dir = QFileInfo(sheetPath).absoluteDir();
    if (!dir.exists(folderName) && !dir.mkdir(folderName)) {
        error_ = QStringLiteral("The folder %1 cannot be created.").arg(dir.filePath(folderName));
        return false;
    }
    dir.cd(folderName);
    bool written = true;
    const bool readImages =
        eachRecord(files_.Images, format, [&](qint64, const QList<QByteArray>& v) {
            const qint64 id = v.value(0).toLongLong();
            if (!written || !wanted.contains(id))
                return;
            const QByteArray data = QByteArray::fromBase64(v.value(2));
            const QString extension = extensionOf(v.value(3), data);
            for (const auto& [line, value] : wanted.value(id)) {
                const QString name = QStringLiteral("%1-%2.%3")
                                         .arg(line)
                                         .arg(layout.Values[value].Column, extension);
                QSaveFile file(dir.filePath(name));
                if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() ||
                    !file.commit()) {
                    error_ = QStringLiteral("File access error to ") + dir.filePath(name);
                    written = false;
                    return;
                }
                pictureCells_.insert(cellKey(line, value), folderName + u'/' + name);
                ++pictures_;
            }
        });
    if (!readImages && written)
        error_ = QStringLiteral("File access error to ") + files_.Images;
    return readImages && written;
}

bool TSheetWriter::Write(const QString& path, TSheetFormat format) {
    error_.clear();
    rows_ = 0;
    pictures_ = 0;
    pictureCells_.clear();
    if (!writePictures(path))
        return false;

    const TRecordFormat recordFormat = TRecordFormat::Of(table_);
    const TTransferFile layout = TransferLayout(table_).back();
    const QString charSet = table_.Language.Text(QStringLiteral("CharSet")).trimmed();
    QStringDecoder probe(charSet.toLatin1().constData());
    const bool known = probe.isValid();
    const auto text = [&](const QByteArray& bytes) {
        if (!known)
            return QString::fromLatin1(bytes);
        QStringDecoder decoder(charSet.toLatin1().constData());
        return QString(decoder.decode(bytes));
    };
    const QString yes = table_.Language.Text(QStringLiteral("Yes")).trimmed();
    const QString no = table_.Language.Text(QStringLiteral("No")).trimmed();
    QList<int> shown; // the values a spreadsheet holds: all but the owner
    for (int i = 0; i < layout.Values.size(); ++i)
        if (layout.Values[i].Kind != TValueKind::Owner)
            shown << i;

    if (format == TSheetFormat::Csv) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            error_ = QStringLiteral("File access error to ") + path;
            return false;
        }
        QByteArray out = "\xEF\xBB\xBF";
        for (qsizetype k = 0; k < shown.size(); ++k)
            out += (k ? "," : "") + csvCell(SheetValues::TextToCell(layout.Values[shown[k]].Label));
        out += "\r\n";
        bool ok =
            eachRecord(files_.Records, recordFormat, [&](qint64 line, const QList<QByteArray>& v) {
                ++rows_;
                for (qsizetype k = 0; k < shown.size(); ++k) {
                    const TTransferValue& value = layout.Values[shown[k]];
                    const QString raw = text(v.value(shown[k]));
                    QString cell;
                    switch (value.Kind) {
                    case TValueKind::Text:
                        cell = SheetValues::TextToCell(raw);
                        break;
                    case TValueKind::DateTime:
                        cell = SheetValues::DateToIso(raw, value.Field ? value.Field->DateTimeFormat
                                                                       : QString());
                        break;
                    case TValueKind::PictureRef:
                        cell = pictureCells_.value(cellKey(line, shown[k]));
                        break;
                    default:
                        cell = raw;
                    }
                    out += (k ? "," : "") + csvCell(cell);
                }
                out += "\r\n";
                if (out.size() > (1 << 20)) {
                    file.write(out);
                    out.clear();
                }
            });
        file.write(out);
        if (!ok) {
            error_ = QStringLiteral("File access error to ") + files_.Records;
            return false;
        }
        if (!file.commit()) {
            error_ = QStringLiteral("File access error to ") + path;
            return false;
        }
        return true;
    }

    // XLSX, written row by row as the records come.
    const QString temporary = path + QStringLiteral(".part");
    const QByteArray temporaryName = QFile::encodeName(temporary);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    const QByteArray tmpdir = QFile::encodeName(QDir::tempPath());
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    std::unique_ptr<lxw_workbook, TWorkbookCloser> book(
        workbook_new_opt(temporaryName.constData(), &options));
    lxw_worksheet* sheet = book ? workbook_add_worksheet(book.get(), "Records") : nullptr;
    if (!sheet) {
        error_ = QStringLiteral("File access error to ") + path;
        return false;
    }
    lxw_format* bold = workbook_add_format(book.get());
    format_set_bold(bold);
    QHash<int, lxw_format*> dateFormats;
    for (int i : shown) {
        const TTransferValue& value = layout.Values[i];
        if (value.Kind != TValueKind::DateTime)
            continue;
        lxw_format* f = workbook_add_format(book.get());
        format_set_num_format(
            f,
            workbookDateFormat(value.Field ? value.Field->DateTimeFormat : QString()).constData());
        dateFormats.insert(i, f);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    for (qsizetype k = 0; k < shown.size(); ++k) {
        worksheet_set_column(sheet, lxw_col_t(k), lxw_col_t(k),
                             dateFormats.contains(shown[k]) ? 20 : 16, nullptr);
        worksheet_write_string(sheet, 0, lxw_col_t(k),
                               layout.Values[shown[k]].Label.toUtf8().constData(), bold);
    }

    bool fits = true;
    const auto put = [&](lxw_row_t row, lxw_col_t col, const QString& s) {
        if (s.isEmpty())
            return;
        if (s.size() > kMaxCellText && fits) {
            error_ = QStringLiteral("Record %1, field \"%2\": the value is longer than a workbook "
                                    "cell can hold (32767 characters). Take the records out as "
                                    "CSV instead.")
                         .arg(row)
                         .arg(layout.Values[shown[col]].Label);
            fits = false;
            return;
        }
        worksheet_write_string(sheet, row, col, s.toUtf8().constData(), nullptr);
    };
    const bool ok =
        eachRecord(files_.Records, recordFormat, [&](qint64 line, const QList<QByteArray>& v) {
            if (!fits)
                return;
            if (line >= kMaxSheetRows) {
                error_ =
                    QStringLiteral("The site holds more records than a workbook sheet can (%1). "
                                   "Take the records out as CSV instead.")
                        .arg(kMaxSheetRows - 1);
                fits = false;
                return;
            }
            ++rows_;
            const auto row = lxw_row_t(line);
            for (qsizetype k = 0; k < shown.size(); ++k) {
                const auto col = lxw_col_t(k);
                const TTransferValue& value = layout.Values[shown[k]];
                const QString raw = text(v.value(shown[k]));
                bool number = false;
                const double d = raw.toDouble(&number);
                int p[6];
                bool timeOnly = false;
                switch (value.Kind) {
                case TValueKind::Integer:
                case TValueKind::Real:
                    if (number)
                        worksheet_write_number(sheet, row, col, d, nullptr);
                    else
                        put(row, col, raw);
                    break;
                case TValueKind::YesNo:
                    if (!raw.isEmpty() && raw.trimmed().compare(yes, Qt::CaseInsensitive) == 0)
                        worksheet_write_boolean(sheet, row, col, 1, nullptr);
                    else if (!raw.isEmpty() && raw.trimmed().compare(no, Qt::CaseInsensitive) == 0)
                        worksheet_write_boolean(sheet, row, col, 0, nullptr);
                    else
                        put(row, col, raw);
                    break;
                case TValueKind::DateTime:
                    if (SheetValues::DateParts(raw, p, &timeOnly) && (timeOnly || p[0] >= 1900)) {
                        double serial = (p[3] * 3600 + p[4] * 60 + p[5]) / 86400.0;
                        if (!timeOnly) {
                            lxw_datetime when{p[0], p[1], p[2], p[3], p[4], double(p[5])};
                            serial = lxw_datetime_to_excel_datetime(&when);
                        }
                        worksheet_write_number(sheet, row, col, serial,
                                               dateFormats.value(shown[k]));
                    } else {
                        put(row, col, raw == QString(14, u'0') ? QString() : raw);
                    }
                    break;
                case TValueKind::PictureRef:
                    put(row, col, pictureCells_.value(cellKey(line, shown[k])));
                    break;
                default:
                    put(row, col, raw);
                }
            }
        });
    if (shown.size() > 0)
        worksheet_autofilter(sheet, 0, 0, lxw_row_t(rows_), lxw_col_t(shown.size() - 1));
    const lxw_error closed = workbook_close(book.release());
    if (!ok || !fits || closed != LXW_NO_ERROR) {
        QFile::remove(temporary);
        if (!ok)
            error_ = QStringLiteral("File access error to ") + files_.Records;
        else if (fits)
            error_ = QStringLiteral("The workbook %1 cannot be written: %2")
                         .arg(path, QString::fromUtf8(lxw_strerror(closed)));
        return false;
    }
    QFile::remove(path);
    if (!QFile::rename(temporary, path)) {
        QFile::remove(temporary);
        error_ = QStringLiteral("File access error to ") + path;
        return false;
    }
    return true;
}
