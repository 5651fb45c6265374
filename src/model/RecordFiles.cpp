#include "RecordFiles.h"

#include "Table.h"

#include <QIODevice>
#include <QStringEncoder>

#include <cstring>

namespace {

constexpr qsizetype kReadBlock = 256 * 1024;

// Text in the bytes of the site's character set; a set Qt does not know is
// taken as ISO-8859-1, as the generated pages are written then.
QByteArray encodeIn(const QString& charSet, const QString& text) {
    QStringEncoder encoder(charSet.trimmed().toLatin1().constData());
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

bool startsAt(const QByteArray& text, qsizetype at, const QByteArray& part) {
    return !part.isEmpty() && at + part.size() <= text.size() &&
           std::memcmp(text.constData() + at, part.constData(), size_t(part.size())) == 0;
}

// The longest proper end of `a` that `b` begins with (0: none).
qsizetype overlap(const QByteArray& a, const QByteArray& b) {
    for (qsizetype k = std::min(a.size() - 1, b.size()); k > 0; --k)
        if (a.endsWith(b.left(k)))
            return k;
    return 0;
}

} // namespace

TRecordFormat TRecordFormat::Of(const TBTable& t) {
    const QString charSet = t.Language.Text(QStringLiteral("CharSet"));
    return Make(encodeIn(charSet, t.FieldDelimiter), encodeIn(charSet, t.RecordDelimiter));
}

TRecordFormat TRecordFormat::Make(const QByteArray& fieldDelimiter,
                                  const QByteArray& recordDelimiter) {
    TRecordFormat f;
    f.FieldDelimiter = fieldDelimiter;
    f.RecordDelimiter = recordDelimiter;
    // The escape must not be part of a delimiter.
    for (char candidate : {'\\', '^', '~'}) {
        if (!fieldDelimiter.contains(candidate) && !recordDelimiter.contains(candidate)) {
            f.Escape = candidate;
            break;
        }
    }
    return f;
}

QString TRecordFormat::Problem(QString* setting) const {
    const auto refuse = [&](const char* which, const QString& why) {
        if (setting)
            *setting = QString::fromLatin1(which);
        return why;
    };
    const char* fd = "FieldDelimiter";
    const char* rd = "RecordDelimiter";
    if (FieldDelimiter.isEmpty())
        return refuse(fd, QStringLiteral("the delimiter of fields is empty; give one or more "
                                         "characters."));
    if (RecordDelimiter.isEmpty())
        return refuse(rd, QStringLiteral("the delimiter of records is empty; choose End of Line "
                                         "or give one or more characters."));
    const QByteArray end = RecordEnd();
    if (FieldDelimiter.contains('\n') || FieldDelimiter.contains('\r'))
        return refuse(fd, QStringLiteral("the delimiter of fields holds a line break; use other "
                                         "characters."));
    if (FieldDelimiter.contains(end) || end.contains(FieldDelimiter))
        return refuse(fd, QStringLiteral("the delimiters of fields and records must differ, and "
                                         "neither may contain the other."));
    if (FieldDelimiter.contains(Escape) || RecordDelimiter.contains(Escape))
        return refuse(FieldDelimiter.contains(Escape) ? fd : rd,
                      QStringLiteral("together the delimiters use each of the characters \\ ^ ~, "
                                     "one of which must stay free to mark escapes."));
    for (const char* which : {fd, rd}) {
        const QByteArray& d = which == fd ? FieldDelimiter : RecordDelimiter;
        const QString name = which == fd ? QStringLiteral("fields") : QStringLiteral("records");
        if (d.contains('<'))
            return refuse(which, QStringLiteral("the delimiter of %1 holds \"<\", which begins "
                                                "the markers of a download; use other "
                                                "characters.")
                                     .arg(name));
        if (d.startsWith('N'))
            return refuse(which, QStringLiteral("the delimiter of %1 begins with the letter N, "
                                                "which after the escape character marks a field "
                                                "without a value; use other characters.")
                                     .arg(name));
    }
    if (LineRecords() && (FieldDelimiter.startsWith('n') || FieldDelimiter.startsWith('r')))
        return refuse(fd, QStringLiteral("with records ending at the end of a line, the "
                                         "delimiter of fields cannot begin with the letter n or "
                                         "r, which after the escape character mark line "
                                         "breaks."));
    // A value may end with what begins a delimiter: a delimiter that ends
    // the way it or the other begins would then be found too early.
    const int count = LineRecords() ? 1 : 2;
    const QByteArray* delimiters[] = {&FieldDelimiter, &RecordDelimiter};
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < count; ++j) {
            const qsizetype k = overlap(*delimiters[i], *delimiters[j]);
            if (k == 0)
                continue;
            const QString part = QString::fromUtf8(delimiters[j]->left(k));
            if (i == j)
                return refuse(
                    i == 0 ? fd : rd,
                    QStringLiteral("the delimiter of %1 ends with its own beginning "
                                   "\"%2\", so a value ending in it could not be told "
                                   "from the delimiter; use characters that do not "
                                   "repeat at both ends.")
                        .arg(i == 0 ? QStringLiteral("fields") : QStringLiteral("records"), part));
            return refuse(fd, QStringLiteral("the end of one delimiter is the beginning \"%1\" "
                                             "of the other, so they could not be told apart; use "
                                             "characters the other does not begin with.")
                                  .arg(part));
        }
    return {};
}

QByteArray TRecordFormat::EscapeValue(const QByteArray& value) const {
    const bool lines = LineRecords();
    const char fd = FieldDelimiter.isEmpty() ? Escape : FieldDelimiter.front();
    const char rd = lines || RecordDelimiter.isEmpty() ? Escape : RecordDelimiter.front();
    const auto special = [&](char c) {
        return c == Escape || c == fd || c == rd || (lines && (c == '\n' || c == '\r'));
    };
    qsizetype first = 0;
    while (first < value.size() && !special(value[first]))
        ++first;
    if (first == value.size())
        return value;

    QByteArray out = value.left(first);
    out.reserve(value.size() + 8);
    for (qsizetype i = first; i < value.size();) {
        const char c = value[i];
        if (startsAt(value, i, FieldDelimiter)) {
            out += Escape;
            out += FieldDelimiter;
            i += FieldDelimiter.size();
        } else if (!lines && startsAt(value, i, RecordDelimiter)) {
            out += Escape;
            out += RecordDelimiter;
            i += RecordDelimiter.size();
        } else if (lines && c == '\n') {
            out += Escape;
            out += 'n';
            ++i;
        } else if (lines && c == '\r') {
            out += Escape;
            out += 'r';
            ++i;
        } else if (c == Escape) {
            // Doubled only where the next byte would make it an escape, and
            // at the end, where a delimiter follows.
            const qsizetype next = i + 1;
            const char n = next < value.size() ? value[next] : 0;
            const bool ambiguous = next == value.size() || n == Escape || n == '<' ||
                                   (value.size() == 2 && n == 'N') || // not the NULL text
                                   startsAt(value, next, FieldDelimiter) ||
                                   (!lines && startsAt(value, next, RecordDelimiter)) ||
                                   (lines && (n == 'n' || n == 'r' || n == '\n' || n == '\r'));
            out += Escape;
            if (ambiguous)
                out += Escape;
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

QByteArray TRecordFormat::UnescapeValue(const QByteArray& text) const {
    if (!text.contains(Escape))
        return text;
    QByteArray out;
    out.reserve(text.size());
    const bool lines = LineRecords();
    for (qsizetype i = 0; i < text.size();) {
        const char c = text[i];
        if (c != Escape || i + 1 == text.size()) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype next = i + 1;
        if (text[next] == Escape) {
            out += Escape;
            i += 2;
        } else if (startsAt(text, next, FieldDelimiter)) {
            out += FieldDelimiter;
            i = next + FieldDelimiter.size();
        } else if (!lines && startsAt(text, next, RecordDelimiter)) {
            out += RecordDelimiter;
            i = next + RecordDelimiter.size();
        } else if (lines && text[next] == 'n') {
            out += '\n';
            i += 2;
        } else if (lines && text[next] == 'r') {
            out += '\r';
            i += 2;
        } else if (text[next] == '<') {
            out += '<';
            i += 2;
        } else {
            out += c; // stands for itself
            ++i;
        }
    }
    return out;
}

QByteArray TRecordFormat::JoinRecord(const QList<QByteArray>& values) const {
    QByteArray record;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            record += FieldDelimiter;
        record += values[i].isNull() ? NullText() : EscapeValue(values[i]);
    }
    // No line may begin like a marker of the download answer.
    if (record.startsWith('<'))
        record.prepend(Escape);
    return record;
}

QByteArray TRecordFormat::fieldValue(const QByteArray& text, bool escaped) const {
    if (!escaped)
        return text.isNull() ? QByteArray("", 0) : text; // empty, not NULL
    return text == NullText() ? QByteArray() : UnescapeValue(text);
}

QList<QByteArray> TRecordFormat::SplitRecord(const QByteArray& record) const {
    QList<QByteArray> values;
    if (FieldDelimiter.isEmpty())
        return {fieldValue(record, true)};
    qsizetype start = 0;
    bool escaped = false;
    const bool lines = LineRecords();
    for (qsizetype i = 0; i < record.size();) {
        if (record[i] == Escape && i + 1 < record.size()) {
            const qsizetype next = i + 1;
            escaped = true;
            if (record[next] == Escape || record[next] == '<' ||
                (lines && (record[next] == 'n' || record[next] == 'r')))
                i += 2;
            else if (startsAt(record, next, FieldDelimiter))
                i = next + FieldDelimiter.size();
            else if (!lines && startsAt(record, next, RecordDelimiter))
                i = next + RecordDelimiter.size();
            else
                ++i;
        } else if (startsAt(record, i, FieldDelimiter)) {
            values += fieldValue(record.mid(start, i - start), escaped);
            escaped = false;
            i += FieldDelimiter.size();
            start = i;
        } else {
            ++i;
        }
    }
    values += fieldValue(record.mid(start), escaped);
    return values;
}

TRecordReader::TRecordReader(QIODevice& in, const TRecordFormat& format)
    : in_(in), format_(format) {}

bool TRecordReader::fill() {
    if (atEnd_)
        return false;
    if (pos_ > 0) {
        buffer_.remove(0, pos_);
        pos_ = 0;
    }
    const qsizetype old = buffer_.size();
    buffer_.resize(old + kReadBlock);
    const qint64 got = in_.read(buffer_.data() + old, kReadBlock);
    if (got < 0)
        failed_ = true;
    buffer_.resize(old + std::max<qint64>(got, 0));
    if (got <= 0)
        atEnd_ = true;
    return got > 0;
}

qsizetype FindRecordEnd(const TRecordFormat& format, const QByteArray& text, qsizetype from,
                        qsizetype lineStart, qsizetype carried) {
    const QByteArray& rd = format.RecordDelimiter;
    for (qsizetype at = text.indexOf(rd, from); at >= 0; at = text.indexOf(rd, at + 1)) {
        if (format.LineRecords())
            return at; // line breaks in values are letters
        // A delimiter after an odd number of escapes belongs to a value.
        qsizetype escapes = 0;
        while (at - escapes > lineStart && text[at - escapes - 1] == format.Escape)
            ++escapes;
        if (at - escapes == lineStart)
            escapes += carried;
        if (escapes % 2 == 0)
            return at;
    }
    return -1;
}

bool TRecordReader::Next(QByteArray& record) {
    const QByteArray& rd = format_.RecordDelimiter;
    if (rd.isEmpty() || failed_)
        return false;
    qsizetype searchFrom = pos_;
    for (;;) {
        const qsizetype end = FindRecordEnd(format_, buffer_, searchFrom, pos_);
        if (end >= 0) {
            record = buffer_.mid(pos_, end - pos_);
            pos_ = end + rd.size();
            break;
        }
        if (atEnd_) {
            if (pos_ >= buffer_.size())
                return false;
            record = buffer_.mid(pos_);
            pos_ = buffer_.size();
            break;
        }
        // Only a delimiter cut by the block boundary needs a second look.
        const qsizetype scanned = buffer_.size() - pos_;
        fill();
        if (failed_)
            return false;
        searchFrom = std::max<qsizetype>(pos_, pos_ + scanned - rd.size() + 1);
    }
    if (format_.LineRecords() && record.endsWith('\r'))
        record.chop(1);
    ++line_;
    return true;
}

qint64 CountRecords(QIODevice& in, const TRecordFormat& format) {
    const QByteArray& rd = format.RecordDelimiter;
    if (!format.LineRecords()) {
        TRecordReader reader(in, format);
        QByteArray record;
        qint64 n = 0;
        while (reader.Next(record))
            ++n;
        return n;
    }
    qint64 n = 0;
    char last = 0;
    bool any = false;
    QByteArray block;
    for (;;) {
        block = in.read(kReadBlock);
        if (block.isEmpty())
            break;
        n += block.count(rd.front());
        last = block.back();
        any = true;
    }
    if (any && last != rd.front())
        ++n;
    return n;
}

bool DecodeCanonicalBase64(const QByteArray& text, QByteArray& bytes) {
    if (text.size() % 4 != 0)
        return false;
    auto decoded = QByteArray::fromBase64Encoding(
        text, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    // One spelling only: padding bits zero, "=" only where it must be.
    if (decoded.decoded.toBase64() != text)
        return false;
    bytes = std::move(decoded.decoded);
    return true;
}

bool IsValidUtf8(const QByteArray& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                lo = 0xA0; // no overlong forms
            else if (c == 0xED)
                hi = 0x9F; // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F; // nothing past U+10FFFF
        } else {
            return false;
        }
        if (i + more >= n)
            return false;
        if (s[i + 1] < lo || s[i + 1] > hi)
            return false;
        for (int k = 2; k <= more; ++k)
            if (s[i + k] < 0x80 || s[i + k] > 0xBF)
                return false;
        i += more + 1;
    }
    return true;
}
