#include "ExportRows.h"

#include "model/RecordFiles.h"
#include "model/Table.h"

#include <QDate>
#include <QLocale>
#include <QStringDecoder>

#include <cmath>

namespace {

constexpr qint64 kMaxInt = 2147483647;
// Longer than any text column can hold in any character set: refused here,
// so no line grows without bound. The exact limit is the database's.
constexpr qsizetype kMaxText = 4 * 65535;
constexpr qsizetype kMaxPicture = 16777215; // MEDIUMBLOB

bool isDigits(const QByteArray& v) {
    if (v.isEmpty())
        return false;
    for (char c : v)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// A whole number as written (optional sign); false when it is none.
bool parseInteger(const QByteArray& v, qint64& n, bool& tooLarge) {
    qsizetype i = (v.startsWith('-') || v.startsWith('+')) ? 1 : 0;
    const QByteArray digits = v.mid(i);
    if (!isDigits(digits))
        return false;
    tooLarge = false;
    n = 0;
    for (char c : digits) {
        n = n * 10 + (c - '0');
        if (n > kMaxInt + 1) {
            tooLarge = true;
            break;
        }
    }
    if (v.startsWith('-'))
        n = -n;
    return true;
}

// A decimal number: digits with at most one decimal symbol, an optional
// exponent.
bool isDecimal(const QByteArray& v, char point) {
    qsizetype i = 0;
    if (i < v.size() && (v[i] == '-' || v[i] == '+'))
        ++i;
    qsizetype digits = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9')
        ++i, ++digits;
    if (i < v.size() && v[i] == point) {
        ++i;
        while (i < v.size() && v[i] >= '0' && v[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < v.size() && (v[i] == '-' || v[i] == '+'))
            ++i;
        qsizetype exponent = 0;
        while (i < v.size() && v[i] >= '0' && v[i] <= '9')
            ++i, ++exponent;
        if (exponent == 0)
            return false;
    }
    return i == v.size();
}

// A decimal number as its digits without leading or trailing zeros and the
// power of ten of the last one: "0012.50" and "1.25e1" give ("125", -1).
// Zero gives ("", 0), whatever its sign.
struct TDecimal {
    bool negative = false;
    QByteArray digits;
    qint64 exponent = 0;
    bool operator==(const TDecimal&) const = default;
};

TDecimal decimalOf(const QByteArray& v, char point) {
    TDecimal d;
    qsizetype i = 0;
    if (i < v.size() && (v[i] == '-' || v[i] == '+'))
        d.negative = v[i++] == '-';
    qint64 shift = 0; // digits after the point
    bool after = false;
    for (; i < v.size() && v[i] != 'e' && v[i] != 'E'; ++i) {
        if (v[i] == point) {
            after = true;
            continue;
        }
        d.digits += v[i];
        shift += after ? 1 : 0;
    }
    const qint64 written = i < v.size() ? v.mid(i + 1).toLongLong() : 0;
    qsizetype lead = 0;
    while (lead < d.digits.size() && d.digits[lead] == '0')
        ++lead;
    d.digits.remove(0, lead);
    qsizetype trail = 0;
    while (trail < d.digits.size() && d.digits[d.digits.size() - 1 - trail] == '0')
        ++trail;
    d.digits.chop(trail);
    d.exponent = written - shift + trail;
    if (d.digits.isEmpty())
        return {};
    return d;
}

// A 14-digit date and time the site can hold: each part within its range,
// a part the field's format does not show (and a date never entered) all
// zeros, and a day that the month has.
bool isSiteDate(const QByteArray& v) {
    if (v.size() != 14 || !isDigits(v))
        return false;
    const auto part = [&](int at, int n) { return v.mid(at, n).toInt(); };
    const int year = part(0, 4), month = part(4, 2), day = part(6, 2);
    if (month > 12 || day > 31 || part(8, 2) > 23 || part(10, 2) > 59 || part(12, 2) > 59)
        return false;
    if (month == 0 || day == 0)
        return true;
    return QDate(year == 0 ? 2000 : year, month, day).isValid();
}

bool mantissaIsZero(const QByteArray& v) {
    for (char c : v) {
        if (c == 'e' || c == 'E')
            break;
        if (c >= '1' && c <= '9')
            return false;
    }
    return true;
}

QString upperWord(const QString& word) {
    return word.trimmed().toUpper();
}

} // namespace

QString TRefusal::Text() const {
    QString text = Title + QStringLiteral(", line ") + QString::number(Line);
    if (!Field.isEmpty())
        text += QStringLiteral(", field \"") + Field + u'"';
    return text + QStringLiteral(": ") + Reason;
}

TRowEncoder::TRowEncoder(const TBTable& t, const TTransferFile& file, int fileIndex,
                         const QByteArray& dbCharset, TTransferRefs& refs)
    : file_(file), fileIndex_(fileIndex), charset_(dbCharset), refs_(refs) {
    siteCharSet_ = t.Language.Text(QStringLiteral("CharSet")).trimmed();
    const QString upper = siteCharSet_.toUpper();
    utf8_ = upper == QLatin1String("UTF-8") || upper == QLatin1String("UTF8");
    yes_ = {QStringLiteral("YES"), QStringLiteral("1"),
            upperWord(t.Language.Text(QStringLiteral("Yes")))};
    no_ = {QStringLiteral("NO"), QStringLiteral("0"), QString(),
           upperWord(t.Language.Text(QStringLiteral("No")))};
    yes_.removeAll(QString());
}

QByteArray TRowEncoder::TextLiteral(const QByteArray& value) const {
    bool plain = true;
    for (char c : value)
        if (c < 0x20 || c > 0x7E || c == '\'' || c == '\\') {
            plain = false;
            break;
        }
    if (plain)
        return '\'' + value + '\'';
    // Exact bytes, read in the connection's character set: nothing to escape.
    return '_' + charset_ + " X'" + value.toHex() + '\'';
}

QByteArray TRowEncoder::yesNo(const QByteArray& text, QString& why) const {
    QStringDecoder decoder(siteCharSet_.toLatin1().constData());
    const QString word =
        upperWord(decoder.isValid() ? decoder.decode(text) : QString::fromLatin1(text));
    if (yes_.contains(word))
        return "1";
    if (no_.contains(word))
        return "0";
    why = QStringLiteral("neither yes nor no");
    return {};
}

QByteArray TRowEncoder::value(const TTransferValue& v, qint64 line, const QByteArray& text,
                              TStagedRow& row, QString& why) {
    qint64 n = 0;
    bool tooLarge = false;
    // A field without a value (the NULL text of the files) stays NULL; the
    // database refuses it where a value is required.
    if (text.isNull() && v.Kind != TValueKind::Id && v.Kind != TValueKind::PictureData)
        return "NULL";
    if (text.isNull()) {
        why = QStringLiteral("a value is required");
        return {};
    }
    switch (v.Kind) {
    case TValueKind::Text:
        if (text.size() > kMaxText)
            why = QStringLiteral("longer than the column allows");
        else if (utf8_ && !IsValidUtf8(text))
            why = QStringLiteral("bytes not valid in the site's character set");
        return TextLiteral(text);
    case TValueKind::Integer:
        if (text.isEmpty())
            return "NULL";
        if (!parseInteger(text, n, tooLarge)) {
            why = isDecimal(text, '.') ? QStringLiteral("not a whole number")
                                       : QStringLiteral("not a number");
            return {};
        }
        if (tooLarge || n > kMaxInt || n < -kMaxInt - 1)
            why = QStringLiteral("out of range");
        return QByteArray::number(n);
    case TValueKind::Real: {
        if (text.isEmpty())
            return "NULL";
        // A decimal-comma field takes the point as well: files written by
        // earlier versions and by other programs use it.
        const bool comma = v.Field && v.Field->DecimalSymbol == QLatin1String(",");
        if (!isDecimal(text, '.') && !(comma && isDecimal(text, ','))) {
            why = QStringLiteral("not a number");
            return {};
        }
        QByteArray plain = text;
        plain.replace(',', '.');
        bool ok = false;
        const double d = plain.toDouble(&ok);
        if (!ok || !std::isfinite(d) || (d == 0 && !mantissaIsZero(text))) {
            why = QStringLiteral("out of range");
            return {};
        }
        // The column is a DOUBLE: it keeps about 16 significant digits, and
        // a number is stored only when it comes back as written.
        const QByteArray stored = QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
        if (!(decimalOf(stored, '.') == decimalOf(plain, '.')))
            why = QStringLiteral("more digits than the column keeps (it would come back as %1)")
                      .arg(QString::fromLatin1(stored));
        return stored;
    }
    case TValueKind::YesNo:
        return yesNo(text, why);
    case TValueKind::DateTime:
        if (!text.isEmpty() && text.size() == 14 && isDigits(text) && !isSiteDate(text))
            why = QStringLiteral("not a date of the calendar");
        else if (!text.isEmpty() && (text.size() != 14 || !isDigits(text)))
            why = QStringLiteral("not a date of 14 digits");
        return '\'' + text + '\'';
    case TValueKind::Owner:
    case TValueKind::PictureRef: {
        // A record without owner (an administrator's) has none again.
        if (text.isEmpty())
            return v.Kind == TValueKind::Owner ? "NULL" : "0";
        if (!isDigits(text) || !parseInteger(text, n, tooLarge) || tooLarge || n > kMaxInt) {
            why = isDigits(text) ? QStringLiteral("out of range") : QStringLiteral("not a number");
            return {};
        }
        const bool owner = v.Kind == TValueKind::Owner;
        if (n != 0 && owner && refs_.MembersKnown && !refs_.Members.contains(n))
            why = QStringLiteral("member %1 is not in the users file").arg(n);
        if (n != 0 && !owner && !refs_.Pictures.contains(n))
            why = QStringLiteral("picture %1 is not in the images file").arg(n);
        return QByteArray::number(n);
    }
    case TValueKind::Id: {
        const bool picture = file_.Kind == QLatin1String("images");
        if (!text.isEmpty() &&
            (!isDigits(text) || !parseInteger(text, n, tooLarge) || tooLarge || n > kMaxInt)) {
            why = isDigits(text) ? QStringLiteral("out of range") : QStringLiteral("not a number");
            return {};
        }
        QHash<qint64, qint64>& seen = picture ? refs_.Pictures : refs_.Members;
        if (n == 0) {
            // A new member gets his number from the database; a new picture
            // one here, so its pieces can find it.
            if (!picture)
                return "NULL";
            n = refs_.NextPicture++;
        } else if (seen.contains(n) && seen.value(n) != line) {
            why = QStringLiteral("the same number as line %1").arg(seen.value(n));
        }
        seen.insert(n, line);
        row.PictureId = n;
        return QByteArray::number(n);
    }
    case TValueKind::PictureData: {
        if (text.isEmpty())
            return "''";
        QByteArray bytes;
        if (!DecodeCanonicalBase64(text, bytes)) {
            why = QStringLiteral("invalid picture data");
            return {};
        }
        if (bytes.size() > kMaxPicture) {
            why = QStringLiteral("longer than the column allows");
            return {};
        }
        if (text.size() <= kPictureChunk)
            return "FROM_BASE64('" + text + "')";
        for (qsizetype at = kPictureChunk; at < text.size(); at += kPictureChunk)
            row.MorePicture.append(text.mid(at, kPictureChunk));
        row.PictureBytes = bytes.size();
        return "FROM_BASE64('" + text.left(kPictureChunk) + "')";
    }
    }
    return {};
}

bool TRowEncoder::Encode(qint64 line, const QList<QByteArray>& values, TStagedRow& row,
                         QList<TRefusal>& refusals) {
    row = TStagedRow();
    const qsizetype expected = file_.Values.size();
    const bool locks = !file_.LockColumns.isEmpty();
    const qsizetype refusedBefore = refusals.size();
    const auto refuse = [&](const QString& field, const QString& reason) {
        refusals.append({fileIndex_, file_.Title, line, field, reason});
    };
    if (values.size() != expected && !(locks && values.size() == expected + 1)) {
        refuse({}, QStringLiteral("wrong number of values (%1 instead of %2)")
                       .arg(values.size())
                       .arg(locks ? QStringLiteral("%1 or %2").arg(expected).arg(expected + 1)
                                  : QString::number(expected)));
        return false;
    }

    QByteArray sql = "(";
    if (file_.Kind == QLatin1String("records"))
        sql += QByteArray::number(line) + ", ";
    for (qsizetype i = 0; i < expected; ++i) {
        QString why;
        const QByteArray literal = value(file_.Values[i], line, values[i], row, why);
        if (!why.isEmpty())
            refuse(file_.Values[i].Label, why);
        if (i > 0)
            sql += ", ";
        sql += literal;
    }
    if (locks) {
        const QByteArray flags =
            values.size() > expected ? values[expected] : QByteArray(file_.LockColumns.size(), '1');
        const bool valid = flags.size() == file_.LockColumns.size() &&
                           flags.count('0') + flags.count('1') == flags.size();
        if (!valid)
            refuse(QStringLiteral("field locks"),
                   QStringLiteral("not one 1 or 0 for each of the %1 fields")
                       .arg(file_.LockColumns.size()));
        for (char c : flags)
            sql += c == '0' ? ", 0" : ", 1";
    }
    sql += ')';
    row.Values = sql;
    return refusals.size() == refusedBefore;
}
