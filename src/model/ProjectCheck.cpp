#include "ProjectCheck.h"

#include "RecordFiles.h"
#include "SqlNames.h"
#include "TrustedProxies.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>

#include <algorithm>
#include <tuple>

namespace {

// Each auxiliary table adds at most this suffix ("_SESSIONS"), each field's
// lock column "_USEREDIT": both must stay within the 64 characters of a name.
constexpr int kMaxTableName = 64 - 9;
constexpr int kMaxColumnName = 64 - 9;

TDefinitionProblem settingProblem(const QString& setting, const QString& label,
                                  const QString& what) {
    return {setting, 0, QStringLiteral("%1 (%2): %3").arg(label, setting, what)};
}

QString quoted(const QString& text) {
    QString shown = text;
    shown.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
    return u'"' + shown + u'"';
}

TDefinitionCheck checkRange(const QString& setting, const QString& label, qint32 value, int low,
                            int high, const QString& unit) {
    if (value >= low && value <= high)
        return std::nullopt;
    return settingProblem(
        setting, label,
        QStringLiteral("%1 is not allowed; use a whole number of %2 from %3 to %4.")
            .arg(value)
            .arg(unit)
            .arg(low)
            .arg(high));
}

TDefinitionCheck checkTableName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[a-z][a-z0-9_]*$"));
    if (name.isEmpty())
        return std::nullopt; // asked for where it is needed
    const QString label = QStringLiteral("Table name");
    const QString allowed =
        QStringLiteral("use lower-case letters a-z, digits and \"_\", beginning with a letter, "
                       "at most %1 characters.")
            .arg(kMaxTableName);
    if (!pattern.match(name).hasMatch() || name.size() > kMaxTableName)
        return settingProblem(QStringLiteral("TableName"), label,
                              quoted(name) + QStringLiteral(" is not allowed; ") + allowed);
    if (IsReservedSqlWord(name))
        return settingProblem(QStringLiteral("TableName"), label,
                              quoted(name) +
                                  QStringLiteral(" is a reserved word of the database; choose "
                                                 "another name."));
    return std::nullopt;
}

// Text the site's character set can hold (a set Qt does not know is taken
// as ISO-8859-1, as the pages are then written).
bool fitsCharSet(const QString& text, const QString& charSet) {
    QStringEncoder encoder(charSet.trimmed().toLatin1().constData());
    if (!encoder.isValid())
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; });
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && !bytes.isNull();
}

TDefinitionCheck checkPaths(const TBTable& t) {
    const auto endsRight = [](const QString& path) {
        return path.isEmpty() || (path.endsWith(u'/') && !path.contains(u'\\'));
    };
    if (!endsRight(t.URL))
        return settingProblem(QStringLiteral("URL"), QStringLiteral("URL"),
                              quoted(t.URL) +
                                  QStringLiteral(" must use \"/\" and end with \"/\"."));
    if (!endsRight(t.PHPPath))
        return settingProblem(QStringLiteral("PHPPath"), QStringLiteral("Remote path"),
                              quoted(t.PHPPath) +
                                  QStringLiteral(" must use \"/\" and end with \"/\"."));
    if (!t.LocalPath.isEmpty() && !t.LocalPath.endsWith(u'/'))
        return settingProblem(QStringLiteral("LocalPath"), QStringLiteral("Local path"),
                              quoted(t.LocalPath) + QStringLiteral(" must end with \"/\"."));
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Fields

QString fieldLabel(const TBField& f) {
    return f.Name.trimmed().isEmpty()
               ? QStringLiteral("Field %1").arg(f.SeqNo)
               : QStringLiteral("Field %1 %2").arg(f.SeqNo).arg(quoted(f.Name));
}

TDefinitionProblem fieldProblem(const TBField& f, const QString& value, const QString& what) {
    return {value, f.SeqNo, fieldLabel(f) + QStringLiteral(": ") + what};
}

// The input types the generated forms offer for a field type.
QStringList inputTypesFor(const QString& fieldType) {
    using namespace InputTypes;
    if (fieldType == FieldTypes::Text)
        return {Text, Radio, Select, TextArea};
    if (fieldType == FieldTypes::Integer || fieldType == FieldTypes::Real)
        return {Text, Radio, Select};
    if (fieldType == FieldTypes::YesNo)
        return {Checkbox};
    if (fieldType == FieldTypes::DateTime)
        return {DateTime};
    if (fieldType == FieldTypes::Image)
        return {Image};
    if (fieldType == FieldTypes::ImageLink)
        return {ImageLink};
    if (fieldType == FieldTypes::Mailto)
        return {Mailto};
    if (fieldType == FieldTypes::Hyperlink)
        return {Hyperlink};
    return {};
}

TDefinitionCheck checkFieldNumbers(const TBField& f) {
    const struct {
        const char* value;
        const char* label;
        qint32 number;
    } numbers[] = {
        {"MaxLength", "Max length", f.MaxLength},
        {"TextLength", "Default length", f.TextLength},
        {"ImageWidth", "Image width", f.ImageWidth},
        {"ImageHeight", "Image height", f.ImageHeight},
        {"TextAreaColumns", "Textarea columns", f.TextAreaColumns},
        {"TextAreaLines", "Textarea lines", f.TextAreaLines},
    };
    for (const auto& n : numbers)
        if (n.number < 0)
            return fieldProblem(f, QString::fromLatin1(n.value),
                                QStringLiteral("%1 (%2) %3 is not allowed; use 0 or more.")
                                    .arg(QString::fromLatin1(n.label), QString::fromLatin1(n.value))
                                    .arg(n.number));
    const bool unique = f.NoDuplicates || f.Key;
    if (f.FieldType == FieldTypes::Text && unique && (f.MaxLength < 1 || f.MaxLength > 255))
        return fieldProblem(f, QStringLiteral("MaxLength"),
                            QStringLiteral("Max length (MaxLength) %1 is not allowed for a field "
                                           "with No duplicates or Key; use 1 to 255.")
                                .arg(f.MaxLength));
    // What a TEXT column holds.
    if (f.FieldType == FieldTypes::Text && f.MaxLength > 65535)
        return fieldProblem(f, QStringLiteral("MaxLength"),
                            QStringLiteral("Max length (MaxLength) %1 is more than a text field "
                                           "holds; use 0 (no limit) to 65535.")
                                .arg(f.MaxLength));
    return std::nullopt;
}

} // namespace

TDefinitionCheck CheckSettings(const TBTable& t) {
    if (auto p = checkTableName(t.TableName))
        return p;
    if (auto p = checkRange(QStringLiteral("MenuHeight"), QStringLiteral("Menu height"),
                            t.MenuHeight, 1, 9999, QStringLiteral("pixels")))
        return p;
    if (auto p = checkRange(QStringLiteral("LinesPerPage"), QStringLiteral("Records per page"),
                            t.LinesPerPage, 1, 1000, QStringLiteral("records")))
        return p;
    if (auto p =
            checkRange(QStringLiteral("NumOfFilterFields"), QStringLiteral("Number of filters"),
                       t.NumOfFilterFields, 0, 20, QStringLiteral("rows")))
        return p;
    if (auto p =
            checkRange(QStringLiteral("NumOfSortFields"), QStringLiteral("Number of sort fields"),
                       t.NumOfSortFields, 0, 20, QStringLiteral("rows")))
        return p;
    if (auto p = CheckDelimiters(t))
        return p;
    if (const QString wrong = TrustedProxies::FirstInvalid(t.TrustedProxies); !wrong.isEmpty())
        return settingProblem(QStringLiteral("TrustedProxies"), QStringLiteral("Trusted proxies"),
                              quoted(wrong) +
                                  QStringLiteral(" is no address or network; give IPv4 or IPv6 "
                                                 "addresses (10.0.0.5, 2001:db8::1) or networks "
                                                 "(192.168.0.0/16), separated by commas."));
    return checkPaths(t);
}

TDefinitionCheck CheckDelimiters(const TBTable& t) {
    const QString charSet = t.Language.Text(QStringLiteral("CharSet"));
    const QString fieldLabel = QStringLiteral("Delimiter of fields");
    const QString recordLabel = QStringLiteral("Delimiter of records");
    for (const auto& [setting, label, text] :
         {std::tuple{QStringLiteral("FieldDelimiter"), fieldLabel, &t.FieldDelimiter},
          std::tuple{QStringLiteral("RecordDelimiter"), recordLabel, &t.RecordDelimiter}})
        if (!fitsCharSet(*text, charSet))
            return settingProblem(setting, label,
                                  quoted(*text) +
                                      QStringLiteral(" has characters the site's character set "
                                                     "%1 cannot hold; use characters of that "
                                                     "set.")
                                          .arg(charSet.trimmed()));
    // What the record files can carry exactly: the same check as Export and
    // Import make.
    QString setting;
    const QString why = TRecordFormat::Of(t).Problem(&setting);
    if (!why.isEmpty())
        return settingProblem(
            setting, setting == QLatin1String("FieldDelimiter") ? fieldLabel : recordLabel,
            quoted(setting == QLatin1String("FieldDelimiter") ? t.FieldDelimiter
                                                              : t.RecordDelimiter) +
                QStringLiteral(" cannot be used: ") + why);
    if (!t.ReplaceDelimiterWith.isEmpty() && (t.ReplaceDelimiterWith.contains(t.FieldDelimiter) ||
                                              t.ReplaceDelimiterWith.contains(t.RecordDelimiter)))
        return settingProblem(QStringLiteral("ReplaceDelimiterWith"),
                              QStringLiteral("Replace delimiter with"),
                              quoted(t.ReplaceDelimiterWith) +
                                  QStringLiteral(" contains a delimiter, so the downloaded "
                                                 "file could not be read back; use characters "
                                                 "that are no delimiter."));
    return std::nullopt;
}

TDefinitionCheck CheckField(const TBField& f) {
    if (f.Name.trimmed().isEmpty())
        return fieldProblem(f, QStringLiteral("Name"),
                            QStringLiteral("the Name (Name) is empty; every field needs one."));
    if (!FieldTypes::All().contains(f.FieldType))
        return fieldProblem(
            f, QStringLiteral("FieldType"),
            QStringLiteral("the Field Type (FieldType) %1 is not allowed; use one of %2.")
                .arg(quoted(f.FieldType), FieldTypes::All().join(QStringLiteral(", "))));
    const QStringList inputs = inputTypesFor(f.FieldType);
    if (f.InputType.isEmpty() && f.Required)
        return fieldProblem(f, QStringLiteral("InputType"),
                            QStringLiteral("a Required field needs an Input Type (InputType), "
                                           "or no record could be added; use %1.")
                                .arg(inputs.join(QStringLiteral(", "))));
    if (!f.InputType.isEmpty() && !inputs.contains(f.InputType))
        return fieldProblem(
            f, QStringLiteral("InputType"),
            QStringLiteral("the Field Type %1 cannot have the Input Type (InputType) "
                           "%2; use %3.")
                .arg(f.FieldType, quoted(f.InputType), inputs.join(QStringLiteral(", "))));
    if (f.InputType == InputTypes::DateTime && !DateTimeFormats().contains(f.DateTimeFormat))
        return fieldProblem(
            f, QStringLiteral("DateTimeFormat"),
            QStringLiteral("the Date & time format (DateTimeFormat) %1 is not "
                           "allowed; use one of %2.")
                .arg(quoted(f.DateTimeFormat), DateTimeFormats().join(QStringLiteral(", "))));
    if (f.FieldType == FieldTypes::Real && !f.DecimalSymbol.isEmpty() &&
        f.DecimalSymbol != QLatin1String(".") && f.DecimalSymbol != QLatin1String(","))
        return fieldProblem(
            f, QStringLiteral("DecimalSymbol"),
            QStringLiteral("the Decimal Symbol (DecimalSymbol) %1 is not allowed; use "
                           "\".\" or \",\".")
                .arg(quoted(f.DecimalSymbol)));
    // Every record without a picture holds 0, so a unique picture column
    // would take one such record only.
    if (f.FieldType == FieldTypes::Image && (f.NoDuplicates || f.Key))
        return fieldProblem(f, f.Key ? QStringLiteral("Key") : QStringLiteral("NoDuplicates"),
                            QStringLiteral("an Image field cannot have No duplicates "
                                           "(NoDuplicates) or Key (Key)."));
    return checkFieldNumbers(f);
}

TDefinitionCheck CheckColumnNames(const TBTable& t) {
    static const QRegularExpression pattern(QStringLiteral("^[a-z]+[0-9]*$"));
    static const QSet<QString> builtIn = {QStringLiteral("recordid"), QStringLiteral("userid"),
                                          QStringLiteral("username"), QStringLiteral("email"),
                                          QStringLiteral("password")};
    QSet<QString> seen = {QStringLiteral("recordid"), QStringLiteral("userid")};
    for (const TBField& f : t.Fields) {
        if (f.SeqNo <= 0)
            continue;
        for (const QString& value : {QStringLiteral("FieldName"), QStringLiteral("FieldName2")}) {
            const QString& column =
                value == QLatin1String("FieldName") ? f.FieldName : f.FieldName2;
            if (!pattern.match(column).hasMatch() || column.size() > kMaxColumnName)
                return fieldProblem(
                    f, value,
                    QStringLiteral("%1 (%2) cannot be a column name; use lower-case "
                                   "letters a-z followed by digits, at most %3 "
                                   "characters.")
                        .arg(quoted(column), value)
                        .arg(kMaxColumnName));
            if (builtIn.contains(column) || IsReservedSqlWord(column))
                return fieldProblem(f, value,
                                    QStringLiteral("%1 (%2) is a reserved name; choose another "
                                                   "column name.")
                                        .arg(quoted(column), value));
            if (seen.contains(column))
                return fieldProblem(f, value,
                                    QStringLiteral("the column name %1 (%2) is used twice.")
                                        .arg(quoted(column), value));
            seen.insert(column);
        }
    }
    return std::nullopt;
}

TDefinitionCheck CheckProject(const TBTable& t) {
    if (auto p = CheckSettings(t))
        return p;
    for (const TBField& f : t.Fields)
        if (f.SeqNo > 0)
            if (auto p = CheckField(f))
                return p;
    if (auto p = CheckColumnNames(t))
        return p;
    return CheckTableLimits(t);
}

TDefinitionCheck CheckFieldInTable(const TBTable& t, const TBField& entered, qint32 n) {
    TBTable candidate = t;
    TBField field = entered;
    if (n > 0 && candidate.ModifyField(n, entered)) {
        field = *candidate.FieldBySeqNo(n);
    } else {
        candidate.AddField(entered);
        field = candidate.Fields.back();
    }
    if (auto p = CheckField(field))
        return p;
    return CheckTableLimits(candidate);
}

TDefinitionCheck CheckProjectName(const QString& name, const QStringList& storedProjects) {
    for (const QString& stored : storedProjects)
        if (stored != name && stored.compare(name, Qt::CaseInsensitive) == 0)
            return TDefinitionProblem{
                QStringLiteral("DbName"), 0,
                QStringLiteral("The project name %1 is taken by the project %2: names that differ "
                               "only in case name the same project. Choose another name.")
                    .arg(quoted(name), quoted(stored))};
    return std::nullopt;
}

QString WebPath(const QString& text) {
    QString path = text;
    path.replace(u'\\', u'/');
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString LocalFolderPath(const QString& text) {
    return text.isEmpty() || text.endsWith(u'/') ? text : text + u'/';
}
