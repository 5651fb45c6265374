#include "CsvReader.h"

#include <QIODevice>
#include <QStringDecoder>

#include <array>

namespace {

constexpr qint64 kBlock = 64 * 1024;

// Windows-1252 differs from Latin-1 in 0x80..0x9F; the five bytes it leaves
// undefined are read as the C1 controls Latin-1 has there.
constexpr std::array<char16_t, 32> kCp1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252[b - 0x80] : char16_t(b));
    }
    return text;
}

QStringConverter::Encoding qtEncoding(TCsvEncoding e) {
    switch (e) {
    case TCsvEncoding::Utf16LE:
        return QStringConverter::Utf16LE;
    case TCsvEncoding::Utf16BE:
        return QStringConverter::Utf16BE;
    default:
        return QStringConverter::Utf8;
    }
}

// The bytes of a UTF-16 file without a byte order mark show as many zero
// bytes on one side of each pair.
std::optional<TCsvEncoding> utf16WithoutBom(const QByteArray& sample) {
    qsizetype even = 0, odd = 0;
    const qsizetype pairs = sample.size() / 2;
    for (qsizetype i = 0; i + 1 < sample.size(); i += 2) {
        even += sample[i] == 0;
        odd += sample[i + 1] == 0;
    }
    if (pairs == 0)
        return std::nullopt;
    if (odd * 3 > pairs && even * 10 < pairs)
        return TCsvEncoding::Utf16LE;
    if (even * 3 > pairs && odd * 10 < pairs)
        return TCsvEncoding::Utf16BE;
    return std::nullopt;
}

// Counts the values of the first records as `delimiter` splits them.
QList<int> valuesPerRecord(const QString& sample, QChar delimiter) {
    QList<int> counts;
    int values = 1;
    bool quoted = false;
    bool blank = true;
    for (qsizetype i = 0; i < sample.size() && counts.size() < 50; ++i) {
        const QChar c = sample[i];
        if (c == u'"') {
            quoted = !quoted;
            blank = false;
        } else if (quoted) {
            continue;
        } else if (c == delimiter) {
            ++values;
            blank = false;
        } else if (c == u'\n' || c == u'\r') {
            if (!blank)
                counts.append(values);
            values = 1;
            blank = true;
        } else {
            blank = false;
        }
    }
    // The last record may be cut short by the sample's end; it counts only
    // when it is the whole file's last.
    if (!blank && !quoted)
        counts.append(values);
    return counts;
}

} // namespace

QString CsvEncodingName(TCsvEncoding encoding) {
    switch (encoding) {
    case TCsvEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TCsvEncoding::Utf16LE:
        return QStringLiteral("UTF-16LE");
    case TCsvEncoding::Utf16BE:
        return QStringLiteral("UTF-16BE");
    case TCsvEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    }
    return {};
}

std::optional<TCsvEncoding> CsvEncodingNamed(const QString& name) {
    const QString n = name.trimmed().toLower().remove(u'-').remove(u'_');
    if (n == QLatin1String("utf8"))
        return TCsvEncoding::Utf8;
    if (n == QLatin1String("utf16") || n == QLatin1String("utf16le"))
        return TCsvEncoding::Utf16LE;
    if (n == QLatin1String("utf16be"))
        return TCsvEncoding::Utf16BE;
    if (n == QLatin1String("windows1252") || n == QLatin1String("cp1252") ||
        n == QLatin1String("latin1") || n == QLatin1String("iso88591"))
        return TCsvEncoding::Windows1252;
    return std::nullopt;
}

TCsvReader::TCsvReader(QIODevice& in) : in_(in) {}

QChar TCsvReader::GuessDelimiter(const QString& sample) {
    // When none splits the first row, one that splits nothing at all.
    QChar best = u',';
    for (QChar candidate : {QChar(u'\t'), QChar(u';'), QChar(u',')})
        if (!sample.contains(candidate))
            best = candidate;
    long bestScore = -1;
    for (QChar candidate : {QChar(u','), QChar(u';'), QChar(u'\t')}) {
        const QList<int> counts = valuesPerRecord(sample, candidate);
        if (counts.isEmpty() || counts.first() < 2)
            continue;
        // Records that agree with the first count most; then more values.
        long agreeing = 0;
        for (int n : counts)
            agreeing += n == counts.first();
        const long score = agreeing * 1000 + counts.first();
        if (score > bestScore) {
            bestScore = score;
            best = candidate;
        }
    }
    return best;
}

bool TCsvReader::Open(const TCsvOptions& options) {
    if (!in_.seek(0)) {
        error_ = QStringLiteral("The file cannot be read.");
        return false;
    }
    const QByteArray head = in_.peek(4096);
    qint64 skip = 0;
    std::optional<TCsvEncoding> found;
    if (head.startsWith("\xEF\xBB\xBF")) {
        found = TCsvEncoding::Utf8;
        skip = 3;
    } else if (head.startsWith("\xFF\xFE")) {
        found = TCsvEncoding::Utf16LE;
        skip = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        found = TCsvEncoding::Utf16BE;
        skip = 2;
    } else {
        found = utf16WithoutBom(head);
    }
    bom_ = skip > 0;
    if (options.Encoding) {
        // A mark of another encoding is text of the one chosen.
        if (found != options.Encoding) {
            skip = 0;
            bom_ = false;
        }
        encoding_ = *options.Encoding;
    } else if (found) {
        encoding_ = *found;
    } else {
        // UTF-8 when every byte of the file is, else what Windows writes.
        QStringDecoder utf8(QStringConverter::Utf8);
        QByteArray block;
        while (!(block = in_.read(kBlock)).isEmpty() && !utf8.hasError())
            QString(utf8.decode(block)); // decodes only when converted
        encoding_ = utf8.hasError() ? TCsvEncoding::Windows1252 : TCsvEncoding::Utf8;
    }
    if (!in_.seek(skip)) {
        error_ = QStringLiteral("The file cannot be read.");
        return false;
    }
    text_.clear();
    pos_ = 0;
    eof_ = false;
    pendingBytes_.clear();
    line_ = 1;
    rowLine_ = 0;
    row_ = 0;
    error_.clear();

    delimiter_ = options.Delimiter;
    if (delimiter_.isNull()) {
        while (text_.size() < kBlock && fill()) {
        }
        delimiter_ = GuessDelimiter(text_.left(kBlock));
    }
    return true;
}

void TCsvReader::decode(const QByteArray& bytes, bool last) {
    if (encoding_ == TCsvEncoding::Windows1252) {
        text_ += fromCp1252(bytes);
        return;
    }
    // Characters cut by a block end wait for the rest.
    QByteArray data = pendingBytes_ + bytes;
    pendingBytes_.clear();
    qsizetype whole = data.size();
    if (!last) {
        if (encoding_ == TCsvEncoding::Utf8) {
            qsizetype i = data.size();
            int back = 0;
            while (i > 0 && back < 4 && (static_cast<unsigned char>(data[i - 1]) & 0xC0) == 0x80)
                --i, ++back;
            if (i > 0 && static_cast<unsigned char>(data[i - 1]) >= 0xC0)
                whole = i - 1;
        } else {
            whole = data.size() & ~qsizetype(1);
            // A high surrogate waits for its low half.
            if (whole >= 2) {
                const auto hi = static_cast<unsigned char>(
                    encoding_ == TCsvEncoding::Utf16LE ? data[whole - 1] : data[whole - 2]);
                if (hi >= 0xD8 && hi <= 0xDB)
                    whole -= 2;
            }
        }
        pendingBytes_ = data.mid(whole);
        data.truncate(whole);
    }
    QStringDecoder decoder(qtEncoding(encoding_), QStringConverter::Flag::Stateless);
    text_ += decoder.decode(data);
    if (decoder.hasError() && error_.isEmpty())
        error_ = QStringLiteral("The file holds bytes that are not %1: choose its encoding.")
                     .arg(CsvEncodingName(encoding_));
}

bool TCsvReader::fill() {
    if (eof_)
        return false;
    if (pos_ > 0) {
        text_.remove(0, pos_);
        pos_ = 0;
    }
    const QByteArray block = in_.read(kBlock);
    if (block.isEmpty()) {
        eof_ = true;
        if (!pendingBytes_.isEmpty())
            decode({}, true);
        return pos_ < text_.size();
    }
    const qsizetype before = text_.size();
    decode(block, false);
    return text_.size() > before || fill();
}

bool TCsvReader::atEnd() {
    return pos_ >= text_.size() && !fill();
}

bool TCsvReader::Next(QStringList& row) {
    row.clear();
    if (!error_.isEmpty())
        return false;
    // Blank lines between rows carry nothing.
    for (;;) {
        if (atEnd())
            return false;
        const QChar c = text_[pos_];
        if (c != u'\r' && c != u'\n')
            break;
        ++pos_;
        if (c == u'\r' && !atEnd() && text_[pos_] == u'\n')
            ++pos_;
        ++line_;
        ++row_;
    }
    rowLine_ = line_;
    ++row_;
    QString value;
    bool quoted = false;
    bool started = false; // the value has begun (a quote now is a literal)
    for (;;) {
        if (atEnd()) {
            if (quoted) {
                error_ = QStringLiteral("The quoted value that begins on line %1 has no "
                                        "closing quote.")
                             .arg(rowLine_);
                return false;
            }
            break;
        }
        if (quoted) {
            // The run of plain characters up to the next quote or line break.
            qsizetype end = pos_;
            while (end < text_.size() && text_[end] != u'"' && text_[end] != u'\r' &&
                   text_[end] != u'\n')
                ++end;
            value += QStringView(text_).mid(pos_, end - pos_);
            pos_ = end;
            if (pos_ >= text_.size())
                continue;
            const QChar c = text_[pos_++];
            if (c == u'"') {
                if (!atEnd() && text_[pos_] == u'"') {
                    value += u'"';
                    ++pos_;
                } else {
                    quoted = false;
                }
            } else {
                value += c;
                if (c == u'\r' && !atEnd() && text_[pos_] == u'\n') {
                    value += u'\n';
                    ++pos_;
                }
                ++line_;
            }
            continue;
        }
        qsizetype end = pos_;
        while (end < text_.size() && text_[end] != delimiter_ && text_[end] != u'"' &&
               text_[end] != u'\r' && text_[end] != u'\n')
            ++end;
        if (end > pos_) {
            value += QStringView(text_).mid(pos_, end - pos_);
            started = true;
            pos_ = end;
        }
        if (pos_ >= text_.size())
            continue;
        const QChar c = text_[pos_++];
        if (c == delimiter_) {
            row.append(value);
            value.clear();
            started = false;
        } else if (c == u'"') {
            if (started)
                value += c;
            else
                quoted = started = true;
        } else {
            if (c == u'\r' && !atEnd() && text_[pos_] == u'\n')
                ++pos_;
            ++line_;
            break;
        }
    }
    row.append(value);
    return true;
}
