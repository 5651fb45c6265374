#include "SheetValues.h"

#include "Field.h"

#include <QDate>
#include <QRegularExpression>

namespace {

// Y M D h m s: the positions of the parts in the 14 stored digits.
constexpr int kOffset[6] = {0, 4, 6, 8, 10, 12};
constexpr int kWidth[6] = {4, 2, 2, 2, 2, 2};
const QString kLetters = QStringLiteral("YMDhms");

bool allDigits(const QString& s) {
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return !s.isEmpty();
}

QString stored(const int p[6]) {
    QString s(14, u'0');
    for (int i = 0; i < 6; ++i)
        for (int k = kWidth[i] - 1, v = p[i]; k >= 0; --k, v /= 10)
            s[kOffset[i] + k] = QChar(u'0' + v % 10);
    return s;
}

bool validParts(const int p[6], bool dateGiven) {
    if (p[3] > 23 || p[4] > 59 || p[5] > 59)
        return false;
    if (!dateGiven)
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    return QDate(p[0], p[1], p[2]).isValid() && p[0] > 0;
}

// A regular expression of the field's format: each part of one or two
// digits (the year four), literals as they are, spaces any number of.
QRegularExpression formatPattern(const QString& format, QList<int>& order) {
    QString pattern = QStringLiteral("^");
    qsizetype i = 0;
    while (i < format.size()) {
        const int part = int(kLetters.indexOf(format[i]));
        if (part >= 0 && format.mid(i, kWidth[part]) == QString(kWidth[part], format[i])) {
            pattern += part == 0 ? QStringLiteral("(\\d{4})") : QStringLiteral("(\\d{1,2})");
            order.append(part);
            i += kWidth[part];
        } else if (format[i].isSpace()) {
            pattern += QStringLiteral("\\s+");
            ++i;
        } else {
            pattern += QRegularExpression::escape(format.mid(i, 1));
            ++i;
        }
    }
    return QRegularExpression(pattern + u'$');
}

std::optional<QString> byFormat(const QString& cell, const QString& format) {
    QList<int> order;
    const QRegularExpressionMatch m = formatPattern(format, order).match(cell);
    if (!m.hasMatch())
        return std::nullopt;
    int p[6] = {0, 0, 0, 0, 0, 0};
    for (qsizetype k = 0; k < order.size(); ++k)
        p[order[k]] = m.captured(int(k + 1)).toInt();
    const bool dateGiven = order.contains(0) || order.contains(1) || order.contains(2);
    if (!validParts(p, dateGiven))
        return std::nullopt;
    return stored(p);
}

QString normalName(const QString& name) {
    QString n;
    for (QChar c : name)
        if (!c.isSpace())
            n += c.toCaseFolded();
    return n;
}

} // namespace

namespace SheetValues {

bool DateParts(const QString& digits, int parts[6], bool* timeOnly) {
    if (digits.size() != 14 || !allDigits(digits))
        return false;
    for (int i = 0; i < 6; ++i)
        parts[i] = digits.mid(kOffset[i], kWidth[i]).toInt();
    const bool noDate = parts[0] == 0 && parts[1] == 0 && parts[2] == 0;
    if (timeOnly)
        *timeOnly = noDate;
    if (noDate && parts[3] == 0 && parts[4] == 0 && parts[5] == 0)
        return false;
    return validParts(parts, !noDate);
}

std::optional<QString> DateFromCell(const QString& cell, const QString& fieldFormat) {
    const QString c = cell.trimmed();
    if (c.isEmpty())
        return QString();
    if (c.size() == 14 && allDigits(c))
        return c;
    static const QRegularExpression iso(QStringLiteral(
        "^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[T ]+(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?)?$"));
    static const QRegularExpression time(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?$"));
    int p[6] = {0, 0, 0, 0, 0, 0};
    if (const QRegularExpressionMatch m = iso.match(c); m.hasMatch()) {
        for (int i = 0; i < 6; ++i)
            p[i] = m.captured(i + 1).toInt();
        if (validParts(p, true))
            return stored(p);
        return std::nullopt;
    }
    if (const QRegularExpressionMatch m = time.match(c); m.hasMatch()) {
        for (int i = 0; i < 3; ++i)
            p[3 + i] = m.captured(i + 1).toInt();
        if (validParts(p, false))
            return stored(p);
        return std::nullopt;
    }
    if (fieldFormat.isEmpty())
        return std::nullopt;
    if (const auto v = byFormat(c, fieldFormat))
        return v;
    // The format's date without its time: a spreadsheet drops a midnight.
    const qsizetype hour = fieldFormat.indexOf(u'h');
    if (hour > 0)
        return byFormat(c, fieldFormat.left(hour).trimmed());
    return std::nullopt;
}

QString DateToIso(const QString& digits, const QString& fieldFormat) {
    int p[6];
    bool timeOnly = false;
    if (digits.isEmpty() || digits == QString(14, u'0'))
        return {};
    if (!DateParts(digits, p, &timeOnly))
        return digits;
    const bool seconds = p[5] != 0 || fieldFormat.contains(QLatin1String("ss"));
    const bool time = timeOnly || p[3] != 0 || p[4] != 0 || seconds || fieldFormat.contains(u'h');
    QString text;
    if (!timeOnly)
        text = QStringLiteral("%1-%2-%3")
                   .arg(p[0], 4, 10, QChar(u'0'))
                   .arg(p[1], 2, 10, QChar(u'0'))
                   .arg(p[2], 2, 10, QChar(u'0'));
    if (time) {
        if (!text.isEmpty())
            text += u' ';
        text += QStringLiteral("%1:%2").arg(p[3], 2, 10, QChar(u'0')).arg(p[4], 2, 10, QChar(u'0'));
        if (seconds)
            text += QStringLiteral(":%1").arg(p[5], 2, 10, QChar(u'0'));
    }
    return text;
}

QString DateToFormat(const QString& digits, const QString& fieldFormat) {
    int p[6];
    if (fieldFormat.isEmpty() || !DateParts(digits, p))
        return DateToIso(digits, fieldFormat);
    QString text;
    qsizetype i = 0;
    while (i < fieldFormat.size()) {
        const int part = int(kLetters.indexOf(fieldFormat[i]));
        if (part >= 0 &&
            fieldFormat.mid(i, kWidth[part]) == QString(kWidth[part], fieldFormat[i])) {
            text += QStringLiteral("%1").arg(p[part], kWidth[part], 10, QChar(u'0'));
            i += kWidth[part];
        } else {
            text += fieldFormat[i++];
        }
    }
    return text;
}

std::optional<bool> YesNoFromCell(const QString& cell, const QString& siteYes,
                                  const QString& siteNo) {
    const QString c = cell.trimmed().toCaseFolded();
    static const QStringList yes = {QStringLiteral("yes"), QStringLiteral("true"),
                                    QStringLiteral("1"), QStringLiteral("x")};
    static const QStringList no = {QStringLiteral("no"), QStringLiteral("false"),
                                   QStringLiteral("0"), QString()};
    if (yes.contains(c) || (!siteYes.trimmed().isEmpty() && c == siteYes.trimmed().toCaseFolded()))
        return true;
    if (no.contains(c) || (!siteNo.trimmed().isEmpty() && c == siteNo.trimmed().toCaseFolded()))
        return false;
    return std::nullopt;
}

std::optional<QString> NumberFromCell(const QString& cell, bool decimalComma,
                                      const QString& fieldSymbol) {
    QString c = cell.trimmed();
    if (c.contains(decimalComma ? u'.' : u','))
        return std::nullopt;
    const QChar symbol = fieldSymbol == QLatin1String(",") ? u',' : u'.';
    c.replace(decimalComma ? u',' : u'.', symbol);
    return c;
}

QString TextToCell(const QString& value) {
    qsizetype i = 0;
    while (i < value.size() && value[i] == u'\'')
        ++i;
    if (i < value.size() && QStringLiteral("=+-@\t\r").contains(value[i]))
        return u'\'' + value;
    return value;
}

QString TextFromCell(const QString& cell) {
    QString text = cell.startsWith(u'\'') && TextToCell(cell.mid(1)) == cell ? cell.mid(1) : cell;
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    // Spreadsheets keep a line break as LF; the site's forms send CR LF,
    // and the site shows a line break only where a CR is.
    QString lines;
    lines.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        if (text[i] == u'\r' || text[i] == u'\n')
            lines += QStringLiteral("\r\n");
        else
            lines += text[i];
    }
    return lines;
}

} // namespace SheetValues

TSheetMapping TSheetMapping::Guess(const QStringList& firstRow, const TTransferFile& records) {
    TSheetMapping m;
    for (qsizetype i = 0; i < records.Values.size(); ++i) {
        const TTransferValue& v = records.Values[i];
        m.labels_ << v.Label;
        QStringList names = {normalName(v.Label), normalName(v.Column)};
        if (v.Field && v.Column == v.Field->FieldName)
            names << normalName(v.Field->Name);
        m.names_ << names;
        if (v.Kind != TValueKind::Owner)
            m.fillable_ << int(i);
    }
    bool named = false;
    for (const QString& cell : firstRow)
        named = named || m.valueNamed(cell) >= 0;
    m.header_ = named;
    for (qsizetype c = 0; c < firstRow.size(); ++c) {
        m.columns_ << (named ? firstRow[c] : QStringLiteral("Column %1").arg(c + 1));
        int value = named ? m.valueNamed(firstRow[c]) : int(m.fillable_.value(c, -1));
        // A second column of the same name stays out.
        if (value >= 0 && m.target_.contains(value))
            value = -1;
        m.target_ << value;
    }
    return m;
}

int TSheetMapping::valueNamed(const QString& name) const {
    const QString n = normalName(name);
    if (n.isEmpty())
        return -1;
    for (int value : fillable_)
        if (names_[value].contains(n))
            return value;
    return -1;
}

int TSheetMapping::columnNamed(const QString& name) const {
    const QString n = normalName(name);
    for (qsizetype c = 0; c < columns_.size(); ++c)
        if (normalName(columns_[c]) == n)
            return int(c);
    bool number = false;
    const int c = QString(n).remove(u'#').toInt(&number);
    return number && c >= 1 && c <= columns_.size() ? c - 1 : -1;
}

void TSheetMapping::Set(int column, int value) {
    if (column < 0 || column >= target_.size())
        return;
    // A value is filled from one column only.
    if (const qsizetype held = value >= 0 ? target_.indexOf(value) : -1; held >= 0)
        target_[held] = -1;
    target_[column] = value;
}

QString TSheetMapping::Apply(const QString& spec) {
    for (const QString& pair : spec.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq < 0)
            return QStringLiteral("\"%1\" is not Column=Field: name a column of the spreadsheet, "
                                  "an equals sign and a field.")
                .arg(pair.trimmed());
        const int column = columnNamed(pair.left(eq));
        if (column < 0)
            return QStringLiteral("The spreadsheet has no column \"%1\"; its columns are: %2.")
                .arg(pair.left(eq).trimmed(), columns_.join(QStringLiteral(", ")));
        const QString field = pair.mid(eq + 1).trimmed();
        const int value = field.isEmpty() ? -1 : valueNamed(field);
        if (!field.isEmpty() && value < 0) {
            QStringList fields;
            for (int v : fillable_)
                fields << labels_[v];
            return QStringLiteral("There is no field \"%1\" to fill; the fields are: %2.")
                .arg(field, fields.join(QStringLiteral(", ")));
        }
        Set(column, value);
    }
    return {};
}

QStringList TSheetMapping::UnmappedColumns() const {
    QStringList unmapped;
    for (qsizetype c = 0; c < columns_.size(); ++c)
        if (target_[c] < 0)
            unmapped << columns_[c];
    return unmapped;
}

QStringList TSheetMapping::EmptyValues() const {
    QStringList empty;
    for (int v : fillable_)
        if (!target_.contains(v))
            empty << labels_[v];
    return empty;
}

QString TSheetMapping::Describe() const {
    QStringList pairs;
    for (int v : fillable_)
        if (const int c = ColumnOf(v); c >= 0)
            pairs << labels_[v] + QStringLiteral(" <- ") + columns_[c];
    return pairs.join(QStringLiteral(", "));
}
