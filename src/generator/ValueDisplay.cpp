// The value display snippet: one stored value in human form. As HTML every
// value is escaped (line breaks become <BR> after escaping) and link
// addresses cannot run script; as plain text (the notification mail) values
// stay as stored. Hidden copies carry the stored value unchanged.
#include "RecordParts.h"

using namespace RecordParts;

namespace {

QString imageSize(const TBField& f) {
    QString size;
    if (f.ImageWidth > 0)
        size += QStringLiteral(" WIDTH=\\\"%1\\\" ").arg(f.ImageWidth);
    if (f.ImageHeight > 0)
        size += QStringLiteral(" HEIGHT=\\\"%1\\\" ").arg(f.ImageHeight);
    return size;
}

// The PHP expression of a date in the field's format, from $yyyy ... $ss.
QString dateExpression(const TBField& f) {
    QString expr;
    const QString& format = f.DateTimeFormat;
    qsizetype i = 0;
    while (i < format.size()) {
        if (const TDatePart* p = DatePartOf(format[i])) {
            expr += p->var + u'.';
            i += p->width;
        } else {
            expr += u'"' + TPHPGenerator::PhpString(format.mid(i, 1)) + QStringLiteral("\".");
            ++i;
        }
    }
    return expr;
}

} // namespace

void TPHPGenerator::ValueDisplaySnippet(const QString& indent, const TBField& f, bool render,
                                        bool hiddenCopy, const QString& prefix,
                                        const QString& source) {
    const TTemplateVars vars{{QStringLiteral("I"), indent},
                             {QStringLiteral("P"), prefix},
                             {QStringLiteral("S"), source},
                             {QStringLiteral("size"), imageSize(f)}};
    const auto hidden = [&](const QString& column) {
        if (hiddenCopy)
            Lines(
                uR"php({I}{P|raw}"<INPUT TYPE=\"hidden\" NAME=\"{c}\" VALUE=\"".corvanta_html({S}["{c}"])."\">";)php",
                f, TTemplateVars(vars) << std::pair{QStringLiteral("c"), column});
    };
    const QString& type = f.FieldType;

    if (type == FieldTypes::Text || type == FieldTypes::Integer) {
        if (render)
            Lines(
                uR"php({I}{P|raw}str_replace(chr(13), "<BR>", corvanta_html({S}["{FieldName}"]))."\n";)php",
                f, vars);
        else
            Lines(uR"php({I}{P|raw}{S}["{FieldName}"]."\n";)php", f, vars);
        hidden(f.FieldName);
    } else if (type == FieldTypes::Real) {
        // Without a chosen symbol the point stays.
        const QString symbol = f.DecimalSymbol.isEmpty() ? QStringLiteral(".") : f.DecimalSymbol;
        Lines(uR"php({I}$convertedreal = str_replace(".", "{sym|php}", {S}["{FieldName}"]);)php", f,
              TTemplateVars(vars) << std::pair{QStringLiteral("sym"), symbol});
        if (render)
            Lines(uR"php({I}{P|raw} corvanta_html($convertedreal)."\n";)php", f, vars);
        else
            Lines(uR"php({I}{P|raw} $convertedreal."\n";)php", f, vars);
        hidden(f.FieldName);
    } else if (type == FieldTypes::YesNo) {
        Lines(uR"php(
{I}if ({S}["{FieldName}"] == 0):
{I}  {P|raw}"{msg:No|php}\n";
{I}else:
{I}  {P|raw}"{msg:Yes|php}\n";
{I}endif;
)php",
              f, vars);
        hidden(f.FieldName);
    } else if (type == FieldTypes::DateTime) {
        // A date never entered (stored empty) shows empty, as all zeros do.
        Lines(uR"php(
{I}$yyyy = substr({S}["{FieldName}"], 0, 4);
{I}$mm = substr({S}["{FieldName}"], 4, 2);
{I}$dd = substr({S}["{FieldName}"], 6, 2);
{I}$hh = substr({S}["{FieldName}"], 8, 2);
{I}$m2 = substr({S}["{FieldName}"], 10, 2);
{I}$ss = substr({S}["{FieldName}"], 12, 2);
{I}if ((($yyyy == "0000") and ($mm == "00") and ($dd == "00") and ($hh == "00") and ($m2 == "00") and ($ss == "00")) or ({S}["{FieldName}"] == "")):
{I}{P|raw}"\n";
{I}else:
)php",
              f, vars);
        QString expr = dateExpression(f);
        if (expr.isEmpty())
            expr = QStringLiteral("\"\".");
        expr.chop(1);
        const TTemplateVars exprVars = TTemplateVars(vars) << std::pair{QStringLiteral("e"), expr};
        if (render)
            Lines(uR"php({I}{P|raw}corvanta_html({e|raw})."\n";)php", f, exprVars);
        else
            Lines(uR"php({I}{P|raw}{e|raw}."\n";)php", f, exprVars);
        WriteLine(indent + QStringLiteral("endif;"));
        if (hiddenCopy) {
            hidden(f.FieldName);
            for (const TDatePart& p : DateParts())
                Lines(
                    uR"php({I}{P|raw}"<INPUT TYPE=\"hidden\" NAME=\"{FieldName}{suffix}\" VALUE=\"".corvanta_html({var})."\">";)php",
                    f,
                    TTemplateVars(vars) << std::pair{QStringLiteral("suffix"), p.suffix}
                                        << std::pair{QStringLiteral("var"), p.var});
        }
    } else if (type == FieldTypes::Image) {
        if (render)
            Lines(uR"php(
{I}if ({S}["{FieldName}"] != 0):
{I}  {P|raw}"<A HREF=\"show_image.php?imageid=".corvanta_picture_key({S}["{FieldName}"])."\" TARGET=\"_blank\" REL=\"noopener\"><IMG SRC=\"get_image.php?imageid=".corvanta_picture_key({S}["{FieldName}"])."\" BORDER=\"0\" {size|raw}></A>\n";
{I}endif;
)php",
                  f, vars);
        else
            Lines(uR"php({I}{P|raw}"\n";)php", f, vars);
        hidden(f.FieldName);
    } else if (type == FieldTypes::ImageLink) {
        if (render)
            Lines(
                uR"php({I}{P|raw}"<A HREF=\"show_image.php?imageid=".corvanta_picture_key({S}["{FieldName2}"])."\" TARGET=\"_blank\" REL=\"noopener\">".corvanta_html({S}["{FieldName}"])."</A>\n";)php",
                f, vars);
        else
            Lines(uR"php({I}{P|raw}"\n";)php", f, vars);
        hidden(f.FieldName);
        hidden(f.FieldName2);
    } else if (type == FieldTypes::Mailto || type == FieldTypes::Hyperlink) {
        if (!render)
            Lines(uR"php({I}{P|raw}{S}["{FieldName}"].", ".{S}["{FieldName2}"]."\n";)php", f, vars);
        else if (type == FieldTypes::Mailto)
            Lines(
                uR"php({I}{P|raw}"<A HREF=\"mailto:".corvanta_html({S}["{FieldName2}"])."\">".corvanta_html({S}["{FieldName}"])."</A>\n";)php",
                f, vars);
        else
            Lines(
                uR"php({I}{P|raw}"<A HREF=\"".corvanta_html(corvanta_href({S}["{FieldName2}"]))."\" TARGET=\"_blank\" REL=\"noopener\">".corvanta_html({S}["{FieldName}"])."</A>\n";)php",
                f, vars);
        hidden(f.FieldName);
        hidden(f.FieldName2);
    }
}
