// export_db.php: the records of three local text files as INSERT statements.
// Values travel as exact bytes (\xNN literals, escaped for SQL on the server),
// so quotes, backslashes and dollar signs arrive unchanged.
#include "PHPgenerator.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// Splits a file into its records: text lines when the record delimiter is a
// line feed (CR LF or LF ends a line), otherwise the text between delimiters.
QList<QByteArray> readRecords(const QByteArray& data, const QByteArray& delimiter) {
    QList<QByteArray> records;
    const bool lines = delimiter == "\n";
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = delimiter.isEmpty() ? -1 : data.indexOf(delimiter, start);
        const qsizetype next = end < 0 ? data.size() : end + delimiter.size();
        if (end < 0)
            end = data.size();
        QByteArray record = data.mid(start, end - start);
        if (lines && record.endsWith('\r'))
            record.chop(1);
        records += record;
        start = next;
    }
    return records;
}

// Takes the values of a record one by one, up to each field delimiter.
class TValueReader {
public:
    TValueReader(const QByteArray& record, const QByteArray& delimiter)
        : rest_(record), delimiter_(delimiter) {}
    QByteArray Next() {
        const qsizetype at = delimiter_.isEmpty() ? -1 : rest_.indexOf(delimiter_);
        if (at < 0)
            return std::exchange(rest_, QByteArray());
        QByteArray value = rest_.left(at);
        rest_ = rest_.mid(at + delimiter_.size());
        return value;
    }

private:
    QByteArray rest_;
    QByteArray delimiter_;
};

// A text value inside the double-quoted SQL of $req.
QString textValue(const QByteArray& v) {
    return QStringLiteral("\\\"\".mysql_real_escape_string(\"") + TPHPGenerator::PhpBytes(v) +
           QStringLiteral("\").\"\\\"");
}

bool isNumber(const QByteArray& v) {
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return number.match(QString::fromLatin1(v)).hasMatch();
}

bool isInteger(const QByteArray& v) {
    static const QRegularExpression integer(QStringLiteral("^-?[0-9]+$"));
    return integer.match(QString::fromLatin1(v)).hasMatch();
}

// A number goes in as written; anything else that is not empty cannot be
// spliced into SQL, so it goes in as text for the database to convert.
QString numberValue(const QByteArray& v) {
    if (v.isEmpty())
        return QStringLiteral("NULL");
    return isNumber(v) ? QString::fromLatin1(v) : textValue(v);
}

bool hasSecondColumn(const TBField& f) {
    return f.FieldType == FieldTypes::ImageLink || f.FieldType == FieldTypes::Mailto ||
           f.FieldType == FieldTypes::Hyperlink;
}

// The fields a record line carries: "userid" (when visitors own records) and
// the user's fields.
std::vector<const TBField*> transferredFields(const TBTable& t) {
    std::vector<const TBField*> fields;
    for (size_t i = 1; i < t.Fields.size(); ++i)
        if (i > 1 || t.UserUpdate)
            fields.push_back(&t.Fields[i]);
    return fields;
}

QString columnList(const TBTable& t) {
    QString columns;
    for (size_t i = 1; i < t.Fields.size(); ++i) {
        if (i == 1 && !t.UserUpdate)
            continue;
        const TBField& f = t.Fields[i];
        columns += f.FieldName;
        if (hasSecondColumn(f))
            columns += QStringLiteral(", ") + f.FieldName2;
        if (i + 1 < t.Fields.size())
            columns += QStringLiteral(", ");
    }
    return columns;
}

// The upper-case forms a value may take to mean yes: "YES", and the site's
// own word for yes, which the download writes (so "Ja" comes back as yes).
QList<QByteArray> yesForms(const TBTable& t, TCharsetEncoder& encoder) {
    const QString yes = t.Language.Text(QStringLiteral("Yes"));
    QList<QByteArray> forms = {QByteArrayLiteral("YES")};
    if (!yes.isEmpty()) // an empty value is never yes
        forms << encoder.Encode(yes).toUpper() << encoder.Encode(yes.toUpper()).toUpper();
    return forms;
}

QString recordValues(const TBTable& t, const QByteArray& record, const QByteArray& fd,
                     const QList<QByteArray>& yes) {
    TValueReader reader(record, fd);
    QString values;
    const auto fields = transferredFields(t);
    for (size_t i = 0; i < fields.size(); ++i) {
        const TBField& f = *fields[i];
        const QByteArray v = reader.Next();
        if (f.FieldType == FieldTypes::Integer || f.FieldType == FieldTypes::Real)
            values += numberValue(v);
        else if (f.FieldType == FieldTypes::YesNo)
            values += yes.contains(v.toUpper()) ? QStringLiteral("1") : QStringLiteral("0");
        else
            values += textValue(v);
        if (hasSecondColumn(f))
            values += QStringLiteral(", ") + textValue(reader.Next());
        if (&f != &t.Fields.back())
            values += QStringLiteral(", ");
    }
    return values;
}

} // namespace

bool TPHPGenerator::UploadScript(const TBTable& t, const QString& recordsPath,
                                 const QString& usersPath, bool replace,
                                 const QString& imagesPath) {
    TCharsetEncoder encoder(t.Language.Text(QStringLiteral("CharSet")));
    const QByteArray fd = encoder.Encode(t.FieldDelimiter);
    const QByteArray rd = encoder.Encode(t.RecordDelimiter);
    const QList<QByteArray> yes = yesForms(t, encoder);
    bool complete = true;

    // Reads a whole input file; a file that cannot be opened ends the script.
    const auto readInput = [&](const QString& path, QList<QByteArray>& records) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (warning_)
                warning_(QStringLiteral("File access error to ") + path);
            complete = false;
            return false;
        }
        records = readRecords(file.readAll(), rd);
        return true;
    };
    const auto counted = [&](const QString& success, const QString& fails) {
        Lines(uR"php(
if (mysql_query($req)):
  {success}++;
else: 
  {fails}++;
endif;
)php",
              {{QStringLiteral("success"), success}, {QStringLiteral("fails"), fails}});
    };
    const auto deleteAll = [&](const QString& table, const QString& what) {
        Lines(uR"php(
$req = "DELETE FROM {table};";
$res = mysql_query($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Exporting {what} failed.</P>");
)php",
              {{QStringLiteral("table"), PhpString(table)}, {QStringLiteral("what"), what}});
    };

    const bool written = WriteFile(t, false, QStringLiteral("export_db.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY>
<?php 
)php");
        KeyGate(QStringLiteral("export_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);

        QList<QByteArray> records;
        if (!readInput(recordsPath, records))
            return;
        if (replace)
            deleteAll(t.TableName, QStringLiteral("data"));
        WriteLine(u"$numofsuccess = 0;");
        WriteLine(u"$numoffails = 0;");
        const QString insert = Fill(u"$req = \"INSERT INTO {TableName|php}(") +
                               PhpString(columnList(t)) + QStringLiteral(")  VALUES(%1)\";");
        for (const QByteArray& record : records) {
            WriteLine(insert.arg(recordValues(t, record, fd, yes)));
            counted(QStringLiteral("$numofsuccess"), QStringLiteral("$numoffails"));
        }

        if (t.MembersRule()) {
            QList<QByteArray> members;
            if (!readInput(usersPath, members))
                return;
            if (replace)
                deleteAll(t.TableName + QStringLiteral("_USERS"), QStringLiteral("users"));
            WriteLine(u"$numofusersuccess = 0;");
            WriteLine(u"$numofuserfails = 0;");
            const QString userInsert =
                Fill(u"$req = \"INSERT INTO {TableName|php}_USERS(userid, username, userpassword)  "
                     u"VALUES(%1, %2, %3 )\";");
            for (const QByteArray& member : members) {
                TValueReader reader(member, fd);
                const QByteArray u = reader.Next();
                const QByteArray n = reader.Next();
                const QByteArray p = reader.Next();
                // "0" before the id: an empty id becomes 0, a new member.
                const QString id = (u.isEmpty() || isInteger(u)) && !u.startsWith('-')
                                       ? QStringLiteral("0") + QString::fromLatin1(u)
                                       : textValue(u);
                WriteLine(userInsert.arg(id, textValue(n), textValue(p)));
                counted(QStringLiteral("$numofusersuccess"), QStringLiteral("$numofuserfails"));
            }
        }

        QList<QByteArray> images;
        if (!readInput(imagesPath, images))
            return;
        if (replace)
            deleteAll(t.TableName + QStringLiteral("_IMAGES"), QStringLiteral("images"));
        WriteLine(u"$numofimagesuccess = 0;");
        WriteLine(u"$numofimagefails = 0;");
        const auto id = [](const QByteArray& v) {
            if (v.isEmpty())
                return QStringLiteral("0");
            if (isInteger(v))
                return QString::fromLatin1(v);
            return QStringLiteral("intval(\"") + PhpBytes(v) + QStringLiteral("\")");
        };
        for (const QByteArray& image : images) {
            TValueReader reader(image, fd);
            const QByteArray a = reader.Next();
            const QByteArray b = reader.Next();
            const QByteArray c = reader.Next();
            const QByteArray d = reader.Next();
            Lines(uR"php(
$imageid_value = {a};
$userid_value = {b};
$image_data_value = mysql_escape_string(base64_decode("{c}"));
$image_type_value = mysql_real_escape_string("{d}");
$req = "INSERT INTO {TableName|php}_IMAGES(imageid, userid, image_data, image_type)  VALUES($imageid_value, $userid_value, \"$image_data_value\", \"$image_type_value\")";
)php",
                  {{QStringLiteral("a"), id(a)},
                   {QStringLiteral("b"), id(b)},
                   {QStringLiteral("c"), PhpBytes(c)},
                   {QStringLiteral("d"), PhpBytes(d)}});
            counted(QStringLiteral("$numofimagesuccess"), QStringLiteral("$numofimagefails"));
        }

        Lines(uR"php(
print "<P CLASS=\"corvanta_ok\">";
print "Exporting finished.\n".$numofsuccess.($numofsuccess == 1 ? " record has" : " records have")." been exported. \n".$numoffails.($numoffails == 1 ? " record" : " records")." failed.";
)php");
        if (t.UserUpdate)
            Lines(uR"php(
print "\n".$numofusersuccess.($numofusersuccess == 1 ? " user has" : " users have")." been exported. \n".$numofuserfails.($numofuserfails == 1 ? " user" : " users")." failed.";
)php");
        Lines(uR"php(
print "\n".$numofimagesuccess.($numofimagesuccess == 1 ? " image has" : " images have")." been exported. \n".$numofimagefails.($numofimagefails == 1 ? " image" : " images")." failed.</P>";
)php");
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
</BODY></HTML>
)php");
    });
    return written && complete;
}
