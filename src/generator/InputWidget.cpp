// The input widget: the HTML controls of one field, blank or filled from the
// posted values or a stored record (values escaped for HTML).
#include "RecordParts.h"

using namespace RecordParts;

namespace {

// A choice of "Radio" or "Select" inside VALUE="...": a double quote would
// end the attribute and the browser would post a cut value.
QString imagePreviewSize(const TBField& f) {
    QString size;
    if (f.ImageWidth > 0)
        size += QStringLiteral(" WIDTH=\\\"%1\\\" ").arg(f.ImageWidth);
    if (f.ImageHeight > 0)
        size += QStringLiteral(" HEIGHT=\\\"%1\\\" ").arg(f.ImageHeight);
    return size;
}

// What a control says beyond its value: its id (the label's target), that
// it must be filled, the keyboard a phone offers, and a refusal. Hints
// only: the page's own checks decide. Text inside a PHP string literal.
QString controlAttributes(bool required, const QString& inputMode = {}) {
    QString a = QStringLiteral(" ID=\\\"f_{FieldName}\\\"");
    if (required)
        a += QStringLiteral(" REQUIRED");
    if (!inputMode.isEmpty())
        a += QStringLiteral(" INPUTMODE=\\\"%1\\\"").arg(inputMode);
    return a + QStringLiteral("\".corvanta_invalid(\"{FieldName}\").\"");
}

// An owner's text as the value of an attribute, inside a PHP string literal.
QString attributeLabel(const QString& text) {
    return TPHPGenerator::PhpString(text.toHtmlEscaped());
}

// The picture a refused post brought: shown, and sent again with the form.
void keptPicture(TPHPGenerator& g, const QString& column, const TTemplateVars& vars) {
    g.Lines(uR"php(
{I}if (isset($keptpictures["{c}"])) :
{I}  corvanta_keep_picture("{c}", $keptpictures["{c}"]);
{I}  print "<BR><IMG SRC=\"get_image.php?imageid=".corvanta_picture_key($keptpictures["{c}"])."\" ALT=\"\" WIDTH=\"80\">\n";
{I}endif;
)php",
            TTemplateVars(vars) << std::pair{QStringLiteral("c"), column});
}

QString numberMode(const TBField& f) {
    if (f.FieldType == FieldTypes::Integer)
        return QStringLiteral("numeric");
    if (f.FieldType == FieldTypes::Real)
        return QStringLiteral("decimal");
    return {};
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
        const TTemplateVars v = TTemplateVars(vars)
                                << std::pair{QStringLiteral("rest"), rest}
                                << std::pair{
                                       QStringLiteral("attrs"),
                                       Fill(controlAttributes(f.Required, numberMode(f)), &f)};
        if (hasSource)
            Lines(
                uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" VALUE=\"".corvanta_html({S}["{FieldName}"])."\" {rest|raw}{attrs|raw}>\n";)php",
                f, v);
        else
            Lines(
                uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" {rest|raw}{attrs|raw}>\n";)php",
                f, v);
    } else if (input == InputTypes::Radio || input == InputTypes::Select) {
        const bool radio = input == InputTypes::Radio;
        if (!radio)
            Lines(uR"php({I}print "<SELECT NAME=\"{FieldName}\" SIZE=\"1\"{attrs|raw}>\n";)php", f,
                  TTemplateVars(vars)
                      << std::pair{QStringLiteral("attrs"), Fill(controlAttributes(false), &f)});
        else
            Lines(
                uR"php({I}print "<DIV ROLE=\"radiogroup\" ARIA-LABELLEDBY=\"label_{FieldName}\">\n";)php",
                f, vars);
        bool first = true;
        for (const QString& value : f.EnumValues) {
            const TTemplateVars v =
                TTemplateVars(vars)
                << std::pair{QStringLiteral("value"), value}
                << std::pair{QStringLiteral("mark"),
                             radio ? QStringLiteral(" CHECKED") : QStringLiteral(" SELECTED")};
            if (radio)
                Lines(uR"php(
{I}print "<LABEL><INPUT TYPE=\"radio\"";
{I}print " NAME=\"{FieldName}\"";
{I}print " VALUE=\"{value|php}\"";
)php",
                      f, v);
            else
                Lines(uR"php({I}print "<OPTION VALUE=\"{value|php}\"";)php", f, v);
            if (hasSource)
                Lines(uR"php(
{I}if ({S}["{FieldName}"] == "{value|raw|php}") :
{I}  print "{mark|raw}";
{I}endif;
)php",
                      f, v);
            else if (first)
                Lines(uR"php(print "{mark|raw}";)php", f, v);
            first = false;
            if (radio)
                Lines(uR"php({I}print ">{value|php}</LABEL><BR>\n";)php", f, v);
            else
                Lines(uR"php({I}print ">{value|php}\n";)php", f, v);
        }
        Lines(radio ? uR"php({I}print "</DIV>\n";)php" : uR"php({I}print "</SELECT>\n";)php", f,
              vars);
    } else if (input == InputTypes::Checkbox) {
        Lines(uR"php({I}print "<INPUT TYPE=\"checkbox\" NAME=\"{FieldName}\"{attrs|raw}";)php", f,
              TTemplateVars(vars) << std::pair{QStringLiteral("attrs"),
                                               Fill(controlAttributes(false), &f)});
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
        const TTemplateVars v = TTemplateVars(vars)
                                << std::pair{QStringLiteral("attrs"),
                                             Fill(controlAttributes(f.Required), &f)};
        if (hasSource)
            Lines(
                uR"php({I}print "<TEXTAREA NAME=\"{FieldName}\" COLS=\"{TextAreaColumns}\" ROWS=\"{TextAreaLines}\"{attrs|raw}>".corvanta_html({S}["{FieldName}"])."</TEXTAREA>\n";)php",
                f, v);
        else
            Lines(
                uR"php({I}print "<TEXTAREA NAME=\"{FieldName}\" COLS=\"{TextAreaColumns}\" ROWS=\"{TextAreaLines}\"{attrs|raw}></TEXTAREA>\n";)php",
                f, v);
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
        // The label names the first box; the others say which part they hold.
        bool firstPart = true;
        const auto partAttributes = [&](const TDatePart& p) {
            const bool required = f.Required && format.contains(p.requiredBy);
            QString a;
            if (firstPart)
                a = Fill(controlAttributes(required, QStringLiteral("numeric")), &f);
            else
                a = QStringLiteral(" INPUTMODE=\\\"numeric\\\" ARIA-LABEL=\\\"%1\\\"%2")
                        .arg(attributeLabel(f.Name + u' ' + Table().Language.Text(p.labelKey)),
                             required ? QStringLiteral(" REQUIRED") : QString());
            firstPart = false;
            return a;
        };
        qsizetype i = 0;
        while (i < format.size()) {
            const TDatePart* p = DatePartOf(format[i]);
            if (!p) {
                Lines(uR"php({I}print "{c|php}";)php", f,
                      TTemplateVars(vars) << std::pair{QStringLiteral("c"), format.mid(i, 1)});
                ++i;
                continue;
            }
            const TTemplateVars v = TTemplateVars(partVars(*p))
                                    << std::pair{QStringLiteral("attrs"), partAttributes(*p)};
            if (!hasSource)
                Lines(
                    uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}{suffix}\" SIZE=\"{w}\" MAXLENGTH=\"{w}\"{attrs|raw}>";)php",
                    f, v);
            else if (fromPost)
                Lines(
                    uR"php({I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}{suffix}\" SIZE=\"{w}\" MAXLENGTH=\"{w}\" VALUE=\"".corvanta_html($HTTP_POST_VARS["{FieldName}{suffix}"])."\"{attrs|raw}>";)php",
                    f, v);
            else
                Lines(uR"php(
{I}{var} = substr({S}["{FieldName}"], {off}, {w});
{I}if ({var} == "{zero}"):
{I}  {var} = "";
{I}endif;
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}{suffix}\" SIZE=\"{w}\" MAXLENGTH=\"{w}\" VALUE=\"".corvanta_html({var})."\"{attrs|raw}>";
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
                                << std::pair{QStringLiteral("size"), imagePreviewSize(f)}
                                << std::pair{QStringLiteral("attrs"),
                                             Fill(controlAttributes(false), &f)};
        Lines(
            uR"php({I}print "<INPUT TYPE=\"hidden\" NAME=\"MAX_FILE_SIZE\" VALUE=\"".corvanta_picture_limit()."\">";)php",
            f, v);
        Lines(
            uR"php({I}print "<INPUT TYPE=\"file\" NAME=\"{FieldName}\" ACCEPT=\"image/jpeg,image/png,image/gif\"{attrs|raw}> ({msg:PictureSizeLimit|php} ".corvanta_size_text(corvanta_picture_limit()).")";)php",
            f, v);
        if (fromPost)
            keptPicture(*this, f.FieldName, v);
        if (hasSource && !fromPost)
            Lines(uR"php(
{I}if ({S}["{FieldName}"] != 0):
{I}  print "        <BR><A HREF=\"show_image.php?imageid=".corvanta_picture_key($rec["{FieldName}"])."\" TARGET=\"_blank\" REL=\"noopener\"><IMG SRC=\"get_image.php?imageid=".corvanta_picture_key($rec["{FieldName}"])."\" BORDER=\"0\" {size|raw}></A>\n";
{I}endif;
)php",
                  f, v);
    } else if (input == InputTypes::ImageLink) {
        const TTemplateVars v = TTemplateVars(vars)
                                << std::pair{QStringLiteral("attrs"),
                                             Fill(controlAttributes(f.Required), &f)}
                                << std::pair{QStringLiteral("second"), f.Name};
        if (hasSource)
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" VALUE=\"".corvanta_html({S}["{FieldName}"])."\" SIZE=\"{TextLength}\"{attrs|raw}><BR>";
{I}print "<INPUT TYPE=\"hidden\" NAME=\"MAX_FILE_SIZE\" VALUE=\"".corvanta_picture_limit()."\">";
)php",
                  f, v);
        else
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" SIZE=\"{TextLength}\"{attrs|raw}><BR>";
{I}print "<INPUT TYPE=\"hidden\" NAME=\"MAX_FILE_SIZE\" VALUE=\"".corvanta_picture_limit()."\">";
)php",
                  f, v);
        Lines(
            uR"php({I}print "<INPUT TYPE=\"file\" NAME=\"{FieldName2}\" ACCEPT=\"image/jpeg,image/png,image/gif\" ARIA-LABEL=\"{second|php}\"> ({msg:PictureSizeLimit|php} ".corvanta_size_text(corvanta_picture_limit()).")";)php",
            f, v);
        if (fromPost)
            keptPicture(*this, f.FieldName2, v);
        if (hasSource && !fromPost)
            Lines(
                uR"php({I}print "<BR><A HREF=\"show_image.php?imageid=".corvanta_picture_key($rec["{FieldName2}"])."\" TARGET=\"_blank\" REL=\"noopener\">".corvanta_html($rec["{FieldName}"])."</A>\n";)php",
                f, v);
    } else if (input == InputTypes::Mailto || input == InputTypes::Hyperlink) {
        // The address is the second box: a phone offers the keyboard for it.
        const bool mail = input == InputTypes::Mailto;
        const TTemplateVars v = TTemplateVars(vars)
                                << std::pair{QStringLiteral("attrs"),
                                             Fill(controlAttributes(f.Required), &f)}
                                << std::pair{QStringLiteral("mode"),
                                             mail ? QStringLiteral("email") : QStringLiteral("url")}
                                << std::pair{QStringLiteral("second"),
                                             f.Name + u' ' +
                                                 Table().Language.Text(
                                                     mail ? QStringLiteral("MailtoFormat")
                                                          : QStringLiteral("HyperlinkFormat"))};
        if (hasSource)
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" VALUE=\"".corvanta_html({S}["{FieldName}"])."\" SIZE=\"{TextLength}\"{attrs|raw}><BR>";
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName2}\" VALUE=\"".corvanta_html({S}["{FieldName2}"])."\" SIZE=\"{TextLength}\" INPUTMODE=\"{mode}\" ARIA-LABEL=\"{second|php}\">";
)php",
                  f, v);
        else if (mail)
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" SIZE=\"{TextLength}\"{attrs|raw}><BR>";
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName2}\" SIZE=\"{TextLength}\" INPUTMODE=\"{mode}\" ARIA-LABEL=\"{second|php}\">";
)php",
                  f, v);
        else
            Lines(uR"php(
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName}\" SIZE=\"{TextLength}\"{attrs|raw}><BR>";
{I}print "<INPUT TYPE=\"text\" NAME=\"{FieldName2}\" VALUE=\"http://\" SIZE=\"{TextLength}\" INPUTMODE=\"{mode}\" ARIA-LABEL=\"{second|php}\">";
)php",
                  f, v);
    }
}
