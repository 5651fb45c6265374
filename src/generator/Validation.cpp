// The validation snippet: the checks of a posted record before it is stored.
// Values reach SQL escaped or as numbers; dates are compared as they are
// stored, every part padded. The key and duplicate checks compare as the
// database's unique keys do (its collation: case, trailing blanks), with "="
// and never LIKE, whose "%" and "_" would match other values.
#include "RecordParts.h"

using namespace RecordParts;

namespace {

// The condition lines of a key or duplicates check on `var` ("$keystr" or
// "$duplstr"); false for a type that has none.
bool conditionLines(TPHPGenerator& g, const TBField& f, const TTemplateVars& vars) {
    const QString& type = f.FieldType;
    if (type == FieldTypes::Text) {
        g.Lines(
            uR"php({I}{var|raw} .= "({FieldName} = \"".mysql_real_escape_string($HTTP_POST_VARS["{FieldName}"])."\")";)php",
            f, vars);
    } else if (type == FieldTypes::YesNo) {
        g.Lines(uR"php(
{I}if (array_key_exists("{FieldName}", $HTTP_POST_VARS)) :
{I}  {var|raw} .= "({FieldName} = 1)";
{I}else:
{I}  {var|raw} .= "({FieldName} = 0)";
{I}endif;
)php",
                f, vars);
    } else if (type == FieldTypes::DateTime) {
        TTemplateVars v = vars;
        v.append({QStringLiteral("date"), PostedDate(f)});
        g.Lines(
            uR"php({I}{var|raw} .= "({FieldName} = \"".mysql_real_escape_string({date|raw})."\")";)php",
            f, v);
    } else if (type == FieldTypes::Integer) {
        g.Lines(
            uR"php({I}{var|raw} .= "({FieldName} = ".intval($HTTP_POST_VARS["{FieldName}"]).")";)php",
            f, vars);
    } else if (type == FieldTypes::Real) {
        g.Lines(uR"php(
{I}$convertedreal = str_replace(",", ".", $HTTP_POST_VARS["{FieldName}"]);
{I}{var|raw} .= "({FieldName} = ".corvanta_real($convertedreal).")";
)php",
                f, vars);
    } else if (type == FieldTypes::Mailto || type == FieldTypes::Hyperlink) {
        g.Lines(
            uR"php({I}{var|raw} .= "({FieldName2} = \"".mysql_real_escape_string($HTTP_POST_VARS["{FieldName2}"])."\")";)php",
            f, vars);
    } else {
        return false;
    }
    return true;
}

bool hasConditionLines(const TBField& f) {
    const QString& type = f.FieldType;
    return type == FieldTypes::Text || type == FieldTypes::YesNo || type == FieldTypes::DateTime ||
           type == FieldTypes::Integer || type == FieldTypes::Real || type == FieldTypes::Mailto ||
           type == FieldTypes::Hyperlink;
}

// The group that refuses the record with `message` when `condition` holds.
void refusal(TPHPGenerator& g, const QString& indent, const TBField& f, const QString& condition,
             const QString& message) {
    g.Lines(uR"php(
{I}if (!isset($fielderrors["{FieldName}"]) and {cond|raw}) :
{I}  $fielderrors["{FieldName}"] = "{m|raw|php}";
{I}endif;
)php",
            f,
            {{QStringLiteral("I"), indent},
             {QStringLiteral("cond"), g.Fill(condition, &f)},
             {QStringLiteral("m"), message}});
}

} // namespace

void TPHPGenerator::ValidationSnippet(const QString& indent, const QString& extra, bool admin,
                                      bool modify) {
    const TBTable& t = Table();
    const TTemplateVars vars{{QStringLiteral("I"), indent}, {QStringLiteral("extra"), extra}};
    // Every check runs: the form shows all refusals at once, each beside its
    // field ($fielderrors), the others above it ($formerrors).
    WriteLine(u"    $fieldsarevalid = TRUE;");
    Lines(uR"php(
{I}$fielderrors = array();
{I}$formerrors = array();
)php",
          vars);

    // Pictures that refused forms kept and no record took go an hour on.
    for (const TBField& f : UserFields(t))
        if (!Left(f, admin) && !PictureColumn(f).isEmpty()) {
            Lines(u"{I}corvanta_sweep_pictures();", vars);
            break;
        }

    // A choice takes only the values its list offers; a form that sends
    // another was not made by this site.
    for (const TBField& f : UserFields(t)) {
        if (Left(f, admin) || f.EnumValues.isEmpty() ||
            (f.InputType != InputTypes::Radio && f.InputType != InputTypes::Select))
            continue;
        QStringList values;
        for (const QString& v : f.EnumValues)
            values += u'"' + PhpString(v) + u'"';
        Lines(uR"php(
{I}if (!isset($fielderrors["{FieldName}"]) and (corvanta_posted("{FieldName}") !== "") and !in_array(corvanta_posted("{FieldName}"), array({values|raw}), true)) :
{I}  $fielderrors["{FieldName}"] = "{m|raw|php}";
{I}endif;
)php",
              f,
              TTemplateVars(vars) << std::pair{QStringLiteral("values"),
                                               values.join(QStringLiteral(", "))}
                                  << std::pair{QStringLiteral("m"),
                                               FieldMessage(t, QStringLiteral("ChoiceCheck"), f)});
    }

    // The visitor cannot enter a hidden field: the page stores a fixed value
    // for it, so its number and required checks would refuse every record.
    for (const TBField& f : UserFields(t)) {
        if (Left(f, admin))
            continue;
        const QString message = FieldMessage(t, QStringLiteral("NumberCheck"), f);
        if (f.FieldType == FieldTypes::Integer) {
            refusal(*this, indent, f,
                    QStringLiteral("($HTTP_POST_VARS[\"{FieldName}\"] != \"\") and "
                                   "!is_numeric($HTTP_POST_VARS[\"{FieldName}\"])"),
                    message);
        } else if (f.FieldType == FieldTypes::Real) {
            Lines(u"{I}$convertedreal = str_replace(\",\", \".\", "
                  u"$HTTP_POST_VARS[\"{FieldName}\"]);",
                  f, vars);
            refusal(*this, indent, f,
                    QStringLiteral("($HTTP_POST_VARS[\"{FieldName}\"] != \"\") and "
                                   "!is_numeric($convertedreal)"),
                    message);
        } else if (f.FieldType == FieldTypes::DateTime) {
            for (const TDatePart& p : DateParts())
                refusal(*this, indent, f,
                        QStringLiteral("($HTTP_POST_VARS[\"{FieldName}%1\"] != \"\") and "
                                       "!is_numeric($HTTP_POST_VARS[\"{FieldName}%1\"])")
                            .arg(p.suffix),
                        message);
        }
    }

    // Dates of the calendar: no 31 February, no month 13.
    for (const TBField& f : UserFields(t)) {
        if (f.FieldType != FieldTypes::DateTime || Left(f, admin))
            continue;
        refusal(*this, indent, f,
                QStringLiteral("!corvanta_date_ok($HTTP_POST_VARS, \"{FieldName}\", \"%1\")")
                    .arg(ShownDateParts(f)),
                FieldMessage(t, QStringLiteral("DateCheck"), f));
    }

    for (const TBField& f : UserFields(t)) {
        if (!f.Required || Left(f, admin))
            continue;
        const QString message = FieldMessage(t, QStringLiteral("FieldRequired"), f);
        if (f.FieldType == FieldTypes::DateTime) {
            for (const TDatePart& p : DateParts())
                if (f.DateTimeFormat.contains(p.requiredBy))
                    refusal(*this, indent, f,
                            QStringLiteral("($HTTP_POST_VARS[\"{FieldName}%1\"] == \"\")")
                                .arg(p.suffix),
                            message);
        } else if (f.FieldType == FieldTypes::Image) {
            // A picture arrives as an upload, not as a form value. A record
            // being modified keeps its stored picture.
            if (!modify)
                refusal(*this, indent, f,
                        QStringLiteral("(corvanta_picture_type(\"{FieldName}\") == \"\") and "
                                       "(corvanta_kept_picture(\"{FieldName}\") == 0)"),
                        message);
        } else {
            refusal(*this, indent, f, QStringLiteral("($HTTP_POST_VARS[\"{FieldName}\"] == \"\")"),
                    message);
        }
    }

    // A picture that cannot be stored says why, before anything is stored.
    for (const TBField& f : UserFields(t)) {
        if (Left(f, admin))
            continue;
        const QString column = PictureColumn(f);
        if (column.isEmpty())
            continue;
        Lines(u"{I}$pictureproblem = corvanta_picture_problem(\"{c}\");",
              TTemplateVars(vars) << std::pair{QStringLiteral("c"), column});
        refusal(*this, indent, f, QStringLiteral("($pictureproblem == \"large\")"),
                FieldMessage(t, QStringLiteral("PictureTooLarge"), f));
        refusal(*this, indent, f, QStringLiteral("($pictureproblem == \"type\")"),
                FieldMessage(t, QStringLiteral("PictureNotImage"), f));
        refusal(*this, indent, f, QStringLiteral("($pictureproblem == \"lost\")"),
                FieldMessage(t, QStringLiteral("PictureNotReceived"), f));
    }

    // Key check: the key fields together form one key.
    TTemplateVars keyVars = vars;
    keyVars.append({QStringLiteral("var"), QStringLiteral("$keystr")});
    Lines(u"{I}$keystr = \"\";", vars);
    for (const TBField& f : UserFields(t)) {
        if (!f.Key || !hasConditionLines(f))
            continue;
        Lines(uR"php(
{I}if ($keystr != ""):
{I}  $keystr .= " and ";
{I}endif;
)php",
              vars);
        conditionLines(*this, f, keyVars);
    }
    Lines(uR"php(
{I}if ($keystr != ""):
{I}  $req = "SELECT * FROM {TableName|php} WHERE ".$keystr."{extra|raw};";
{I}  $res = mysql_query($req) or die ("{msg:QueryError10|php}");
{I}  if (mysql_num_rows($res) > 0) :
{I}    $formerrors[] = "{msg:KeyExists|php}";
{I}  endif;
{I}endif;
)php",
          vars);

    // No-duplicates check: a query per field; a value already present is
    // refused beside its field.
    for (const TBField& f : UserFields(t)) {
        if (!f.NoDuplicates || !hasConditionLines(f))
            continue;
        TTemplateVars v = vars;
        v.append({QStringLiteral("var"), QStringLiteral("$duplstr")});
        v.append({QStringLiteral("m"), FieldMessage(t, QStringLiteral("FieldValueExists"), f)});
        Lines(uR"php(
{I}if (!isset($fielderrors["{FieldName}"])) :
{I}  $duplstr = "";
)php",
              f, v);
        TTemplateVars inner = v;
        inner[0].second = indent + QStringLiteral("  ");
        conditionLines(*this, f, inner);
        Lines(uR"php(
{I}  $req = "SELECT * FROM {TableName|php} WHERE (".$duplstr."){extra|raw};";
{I}  $res = mysql_query($req) or die ("{msg:QueryError11|php}");
{I}  if (mysql_num_rows($res) > 0) :
{I}    $fielderrors["{FieldName}"] = "{m|raw|php}";
{I}  endif;
{I}endif;
)php",
              f, v);
    }
    Lines(uR"php(
{I}$fieldsarevalid = ((count($fielderrors) == 0) and (count($formerrors) == 0));
{I}if (!$fieldsarevalid) :
{I}  print "<P CLASS=\"corvanta_error\" ROLE=\"alert\">{msg:CorrectFields|php}";
{I}  foreach ($formerrors as $formerror) { print "<BR>".$formerror; }
{I}  print "</P>\n";
{I}endif;
)php",
          vars);
}
