// The input widget: the HTML controls of one field, blank or filled from the
// posted values or a stored record (values escaped for HTML).
#include "RecordParts.h"

using namespace RecordParts;

namespace {

// A choice of "Radio" or "Select" inside VALUE="...": a double quote would
// end the attribute and the browser would post a cut value.
QString attributeText(const QString& value) {
    return QString(value).replace(u'"', QStringLiteral("&quot;"));
}

QString imagePreviewSize(const TBField& f) {
    QString size;
    if (f.ImageWidth > 0)
        size += QStringLiteral(" WIDTH=\\\"%1\\\" ").arg(f.ImageWidth);
    if (f.ImageHeight > 0)
        size += QStringLiteral(" HEIGHT=\\\"%1\\\" ").arg(f.ImageHeight);
    return size;
}

} // namespace

void TPHPGenerator::InputWidget(const QString& indent, const TBField& f, const QString& source) {
    const bool hasSource = !source.isEmpty();
    const bool fromPost = source == QLatin1String("$HTTP_POST_VARS");
    const TTemplateVars vars{{QStringLiteral("I"), indent}, {QStringLiteral("S"), source}};
    const QString& input = f.InputType;

    if (input == InputTypes::Text) {
        QString rest;
        if (f.TextLength != 0)
            rest += QStringLiteral("SIZE=\\\"%1\\\" ").arg(f.TextLength);
        if (f.MaxLength != 0)
            rest += QStringLiteral("MAXLENGTH=\\\"%1\\\"").arg(f.MaxLength);
        const TTemplateVars v = TTemplateVars(vars) << std::pair{QStringLiteral("rest"), rest};
        if (hasSource)
            Lines(
                uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" VALUE=\"".corvanta_html({S}["{FieldName}"])."\" {rest}>\n";)php",
                f, v);
        else
            Lines(uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" {rest}>\n";)php", f,
                  v);
    } else if (input == InputTypes::Radio || input == InputTypes::Select) {
        const bool radio = input == InputTypes::Radio;
        if (!radio)
            Lines(uR"php({I}print "<SELECT NAME=\"{FieldName}\" SIZE=\"1\">\n";)php", f, vars);
        bool first = true;
        for (const QString& value : f.EnumValues) {
            const TTemplateVars v =
                TTemplateVars(vars)
                << std::pair{QStringLiteral("value"), value}
                << std::pair{QStringLiteral("attr"), attributeText(value)}
                << std::pair{QStringLiteral("mark"),
                             radio ? QStringLiteral(" CHECKED") : QStringLiteral(" SELECTED")};
            if (radio)
                Lines(uR"php(
{I}print "<INPUT TYPE=\"radio\"";
{I}print " NAME=\"{FieldName}\"";
{I}print " VALUE=\"{attr|php}\"";
)php",
                      f, v);
            else
                Lines(uR"php({I}print "<OPTION VALUE=\"{attr|php}\"";)php", f, v);
            if (hasSource)
                Lines(uR"php(
{I}if ({S}["{FieldName}"] == "{value|php}") :
{I}  print "{mark}";
{I}endif;
)php",
                      f, v);
            else if (first)
                Lines(uR"php(print "{mark}";)php", f, v);
            first = false;
            if (radio)
                Lines(uR"php({I}print ">{value|php}<BR>\n";)php", f, v);
            else
                Lines(uR"php({I}print ">{value|php}\n";)php", f, v);
        }
        if (!radio)
            Lines(uR"php({I}print "</SELECT>\n";)php", f, vars);
    } else if (input == InputTypes::Checkbox) {
        Lines(uR"php({I}print "<INPUT TYPE=\"checkbox\" NAME=\"{FieldName}\"";)php", f, vars);
        if (hasSource) {
            if (fromPost)
                Lines(uR"php({I}if (array_key_exists("{FieldName}", $HTTP_POST_VARS)) :)php", f,
                      vars);
            else
                Lines(uR"php({I}if ({S}["{FieldName}"] != 0) :)php", f, vars);
            Lines(uR"php(
{I}  print " CHECKED";
{I}endif;
)php",
                  f, vars);
        }
        Lines(uR"php({I}print ">\n";)php", f, vars);
    } else if (input == InputTypes::TextArea) {
        if (hasSource)
            Lines(
                uR"php({I}print "<TEXTAREA NAME=\"{FieldName}\" COLS=\"{TextAreaColumns}\" ROWS=\"{TextAreaLines}\">".corvanta_html({S}["{FieldName}"])."</TEXTAREA>\n";)php",
                f, vars);
        else
            Lines(
                uR"php({I}print "<TEXTAREA NAME=\"{FieldName}\" COLS=\"{TextAreaColumns}\" ROWS=\"{TextAreaLines}\"></TEXTAREA>\n";)php",
                f, vars);
    } else if (input == InputTypes::DateTime) {
        const auto partVars = [&](const TDatePart& p) {
            return TTemplateVars(vars)
                   << std::pair{QStringLiteral("suffix"), p.suffix}
                   << std::pair{QStringLiteral("var"), p.var}
                   << std::pair{QStringLiteral("w"), QString::number(p.width)}
                   << std::pair{QStringLiteral("off"), QString::number(p.offset)}
                   << std::pair{QStringLiteral("zero"), p.zero};
        };
        const QString& format = f.DateTimeFormat;
        qsizetype i = 0;
        while (i < format.size()) {
            const TDatePart* p = DatePartOf(format[i]);
            if (!p) {
                Lines(uR"php({I}print "{c|php}";)php", f,
                      TTemplateVars(vars) << std::pair{QStringLiteral("c"), format.mid(i, 1)});
                ++i;
                continue;
            }
            const TTemplateVars v = partVars(*p);
            if (!hasSource)
                Lines(
                    uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}{suffix}\" SIZE=\"{w}\" MAXLENGTH=\"{w}\">";)php",
                    f, v);
            else if (fromPost)
                Lines(
                    uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}{suffix}\" SIZE=\"{w}\" MAXLENGTH=\"{w}\" VALUE=\"".corvanta_html($HTTP_POST_VARS["{FieldName}{suffix}"])."\">";)php",
                    f, v);
            else
                Lines(uR"php(
{I}{var} = substr({S}["{FieldName}"], {off}, {w});
{I}if ({var} == "{zero}"):
{I}  {var} = "";
{I}endif;
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}{suffix}\" SIZE=\"{w}\" MAXLENGTH=\"{w}\" VALUE=\"".corvanta_html({var})."\">";
)php",
                      f, v);
            i += p->width;
        }
        // Every part is posted, also those the format does not show.
        for (const TDatePart& p : DateParts()) {
            if (format.contains(p.pattern))
                continue;
            const TTemplateVars v = partVars(p);
            if (!hasSource)
                Lines(
                    uR"php({I}print "<INPUT TYPE=\"hidden\" NAME=\"{FieldName}{suffix}\" VALUE=\"{zero}\">";)php",
                    f, v);
            else if (fromPost)
                Lines(
                    uR"php({I}print "<INPUT TYPE=\"hidden\" NAME=\"{FieldName}{suffix}\" VALUE=\"".corvanta_html($HTTP_POST_VARS["{FieldName}{suffix}"])."\">";)php",
                    f, v);
            else
                Lines(uR"php(
{I}{var} = substr({S}["{FieldName}"], {off}, {w});
{I}print "<INPUT TYPE=\"hidden\" NAME=\"{FieldName}{suffix}\" VALUE=\"".corvanta_html({var})."\">";
)php",
                      f, v);
        }
    } else if (input == InputTypes::Image) {
        const TTemplateVars v = TTemplateVars(vars)
                                << std::pair{QStringLiteral("size"), imagePreviewSize(f)};
        Lines(
            uR"php({I}print "<INPUT TYPE=\"hidden\" NAME=\"MAX_FILE_SIZE\" VALUE=\"".corvanta_picture_limit()."\">";)php",
            f, v);
        if (fromPost)
            Lines(
                uR"php({I}print "<INPUT TYPE=\"file\" NAME=\"{FieldName}\" VALUE=\"".corvanta_html($HTTP_POST_FILES["{FieldName}"]["name"])."\"> ({msg:PictureSizeLimit|php} ".corvanta_size_text(corvanta_picture_limit()).")";)php",
                f, v);
        else
            Lines(
                uR"php({I}print "<INPUT TYPE=\"file\" NAME=\"{FieldName}\"> ({msg:PictureSizeLimit|php} ".corvanta_size_text(corvanta_picture_limit()).")";)php",
                f, v);
        if (hasSource && !fromPost)
            Lines(uR"php(
{I}if ({S}["{FieldName}"] != 0):
{I}  print "        <BR><A HREF=\"show_image.php?imageid=".intval($rec["{FieldName}"])."\" TARGET=\"_blank\" REL=\"noopener\"><IMG SRC=\"get_image.php?imageid=".intval($rec["{FieldName}"])."\" BORDER=\"0\" {size}></A>\n";
{I}endif;
)php",
                  f, v);
    } else if (input == InputTypes::ImageLink) {
        if (hasSource) {
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" VALUE=\"".corvanta_html({S}["{FieldName}"])."\" SIZE=\"{TextLength}\"><BR>";
{I}print "<INPUT TYPE=\"hidden\" NAME=\"MAX_FILE_SIZE\" VALUE=\"".corvanta_picture_limit()."\">";
)php",
                  f, vars);
            if (fromPost)
                Lines(
                    uR"php({I}print "<INPUT TYPE=\"file\" NAME=\"{FieldName2}\" VALUE=\"".corvanta_html($HTTP_POST_FILES["{FieldName2}"]["name"])."\"> ({msg:PictureSizeLimit|php} ".corvanta_size_text(corvanta_picture_limit()).")";)php",
                    f, vars);
            else
                Lines(uR"php(
{I}print "<INPUT TYPE=\"file\" NAME=\"{FieldName2}\"> ({msg:PictureSizeLimit|php} ".corvanta_size_text(corvanta_picture_limit()).")";
{I}print "<BR><A HREF=\"show_image.php?imageid=".intval($rec["{FieldName2}"])."\" TARGET=\"_blank\" REL=\"noopener\">".corvanta_html($rec["{FieldName}"])."</A>\n";
)php",
                      f, vars);
        } else {
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" SIZE=\"{TextLength}\"><BR>";
{I}print "<INPUT TYPE=\"hidden\" NAME=\"MAX_FILE_SIZE\" VALUE=\"".corvanta_picture_limit()."\">";
{I}print "<INPUT TYPE=\"file\" NAME=\"{FieldName2}\"> ({msg:PictureSizeLimit|php} ".corvanta_size_text(corvanta_picture_limit()).")";
)php",
                  f, vars);
        }
    } else if (input == InputTypes::Mailto || input == InputTypes::Hyperlink) {
        if (hasSource)
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" VALUE=\"".corvanta_html({S}["{FieldName}"])."\" SIZE=\"{TextLength}\"><BR>";
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName2}\" VALUE=\"".corvanta_html({S}["{FieldName2}"])."\" SIZE=\"{TextLength}\">";
)php",
                  f, vars);
        else if (input == InputTypes::Mailto)
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" SIZE=\"{TextLength}\"><BR>";
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName2}\" SIZE=\"{TextLength}\">";
)php",
                  f, vars);
        else
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" SIZE=\"{TextLength}\"><BR>";
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName2}\" VALUE=\"http://\" SIZE=\"{TextLength}\">";
)php",
                  f, vars);
    }
}
