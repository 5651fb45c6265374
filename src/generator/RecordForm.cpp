// The record form: one record as a read-only table, a create form or a
// modify form, with the owner row and the editable flags where they apply.
#include "RecordParts.h"

using namespace RecordParts;

namespace {

// The hint after a date field's label: "DD/MM/YYYY" in the site's words.
QString dateHint(const TBTable& t, const TBField& f) {
    QString hint;
    const QString& format = f.DateTimeFormat;
    qsizetype i = 0;
    while (i < format.size()) {
        if (const TDatePart* p = DatePartOf(format[i])) {
            hint += t.Language.Text(p->labelKey);
            i += p->width;
        } else {
            hint += format[i];
            ++i;
        }
    }
    return hint;
}

bool loginMembers(const TBTable& t) {
    return t.UserUpdate && t.UserMode == QLatin1String("Login");
}

} // namespace

void TPHPGenerator::RecordForm(const QString& indent, bool admin, const QString& action,
                               const QString& source, TFormMode mode) {
    const TBTable& t = Table();
    const bool entry = mode != TFormMode::Display;
    const bool fromPost = source == QLatin1String("$HTTP_POST_VARS");
    const QString inner = indent + QStringLiteral("  ");
    const TTemplateVars vars{{QStringLiteral("I"), indent},
                             {QStringLiteral("S"), source},
                             {QStringLiteral("action"), action}};

    if (mode == TFormMode::Create)
        Lines(uR"php({I}print "<H3>{msg:AddRecordLabel|php}</H3>\n";)php", vars);
    else if (mode == TFormMode::Modify)
        Lines(uR"php({I}print "<H3>{msg:ModifyRecordLabel|php}</H3>\n";)php", vars);
    if (entry) {
        Lines(uR"php(
{I}print "<B>*</B> {msg:RequiredDescription|php}\n";
{I}print "<FORM ENCTYPE=\"multipart/form-data\" NAME=\"RecordDetails\" METHOD=\"POST\" ACTION=\"{action|php}\">".corvanta_form_field()."\n";
)php",
              vars);
        if (!source.isEmpty())
            Lines(uR"php(
{I}if (array_key_exists("recordid", {S})) :
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"recordid\" VALUE=\"".intval({S}["recordid"])."\">\n";
{I}endif;
)php",
                  vars);
    }
    Lines(uR"php({I}print "<TABLE CLASS=\"createform\" CELLPADDING=\"2\">\n";)php", vars);

    bool odd = true;
    for (const TBField& f : UserFields(t)) {
        if (Left(f, admin))
            continue;
        TTemplateVars row = vars;
        row.append({QStringLiteral("rowclass"),
                    odd ? QStringLiteral("createform_odd") : QStringLiteral("createform_even")});
        odd = !odd;
        // In a form the label names its control; radio buttons are named
        // as a group.
        const bool group = f.InputType == InputTypes::Radio;
        if (!entry)
            Lines(uR"php(
{I}print "<TR CLASS=\"{rowclass}\">\n";
{I}print "<TD CLASS=\"createform_label\">{Name|php}";
)php",
                  f, row);
        else if (group)
            Lines(uR"php(
{I}print "<TR CLASS=\"{rowclass}".corvanta_invalid_row("{FieldName}")."\">\n";
{I}print "<TD CLASS=\"createform_label\"><SPAN ID=\"label_{FieldName}\">{Name|php}";
)php",
                  f, row);
        else
            Lines(uR"php(
{I}print "<TR CLASS=\"{rowclass}".corvanta_invalid_row("{FieldName}")."\">\n";
{I}print "<TD CLASS=\"createform_label\"><LABEL FOR=\"f_{FieldName}\">{Name|php}";
)php",
                  f, row);
        if (f.FieldType == FieldTypes::DateTime)
            Lines(uR"php({I}print " ({hint|raw|php})";)php", f,
                  TTemplateVars(row) << std::pair{QStringLiteral("hint"), dateHint(t, f)});
        else if (f.FieldType == FieldTypes::ImageLink)
            Lines(uR"php({I}print " {msg:ImageLinkFormat|php}";)php", f, row);
        else if (f.FieldType == FieldTypes::Mailto)
            Lines(uR"php({I}print " {msg:MailtoFormat|php}";)php", f, row);
        else if (f.FieldType == FieldTypes::Hyperlink)
            Lines(uR"php({I}print " {msg:HyperlinkFormat|php}";)php", f, row);
        if (entry)
            Lines(group ? uR"php({I}print "</SPAN>";)php" : uR"php({I}print "</LABEL>";)php", f,
                  row);
        if (entry && f.Required)
            Lines(uR"php({I}print "<B>*</B>";)php", f, row);
        Lines(uR"php(
{I}print "</TD>\n";
{I}print "<TD CLASS=\"createform_value\">\n";
)php",
              f, row);

        if (mode == TFormMode::Display) {
            ValueDisplaySnippet(inner, f, true, true, QStringLiteral("print "), source);
        } else if (mode == TFormMode::Create) {
            InputWidget(inner, f, source);
        } else {
            // A member in Login mode sees the fields he may not change read-only.
            if (admin || !loginMembers(t)) {
                Lines(u"{I}if (TRUE):", f, row);
            } else {
                if (fromPost)
                    Lines(u"{I}if (!array_key_exists(\"{FieldName}_USEREDIT\", $HTTP_POST_VARS)) :",
                          f, row);
                else
                    Lines(u"{I}if ({S}[\"{FieldName}_USEREDIT\"] == 0) :", f, row);
                ValueDisplaySnippet(inner, f, true, true, QStringLiteral("print "), source);
                Lines(u"{I}else:", f, row);
            }
            InputWidget(inner, f, source);
            Lines(u"{I}endif;", f, row);
        }

        const QString flagTest =
            fromPost ? QStringLiteral("{I}if (array_key_exists(\"{FieldName}_USEREDIT\", "
                                      "$HTTP_POST_VARS)) :")
                     : QStringLiteral("{I}if ({S}[\"{FieldName}_USEREDIT\"] != 0) :");
        if (entry && !admin && !source.isEmpty()) {
            Lines(flagTest, f, row);
            Lines(uR"php(
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"{FieldName}_USEREDIT\" VALUE=\"".corvanta_html({S}["{FieldName}_USEREDIT"])."\">";
{I}endif;
)php",
                  f, row);
        }
        if (entry)
            Lines(uR"php({I}corvanta_field_error("{FieldName}");)php", f, row);
        WriteLine(Fill(uR"php({I}print "</TD>\n";)php", &f, row));
        if (entry && admin && loginMembers(t)) {
            // An attribute holds text, not markup.
            row.append({QStringLiteral("edit"),
                        t.Language.Text(QStringLiteral("UserEditLabel")).replace(u'#', f.Name)});
            Lines(uR"php(
{I}print "<TD>\n";
{I}print "<INPUT TYPE=\"checkbox\" NAME=\"{FieldName}_USEREDIT\" ARIA-LABEL=\"{edit|php}\"";
)php",
                  f, row);
            if (!source.isEmpty()) {
                Lines(flagTest, f, row);
                Lines(uR"php(
{I}  print " CHECKED";
{I}endif;
)php",
                      f, row);
            } else if (mode == TFormMode::Create && f.Editable) {
                Lines(uR"php({I}  print " CHECKED";)php", f, row);
            }
            Lines(uR"php(
{I}print ">\n";
{I}print "</TD>\n";
)php",
                  f, row);
        }
        Lines(uR"php({I}print "</TR>\n";)php", f, row);
    }

    if (entry) {
        if (!admin && mode == TFormMode::Create && !t.OnlyMembersCanAdd)
            CredentialRows(false, true);
        if (admin && t.MembersRule()) {
            Lines(uR"php(
{I}print "<TR CLASS=\"user_email\">\n";
{I}print "<TD CLASS=\"user_email_label\"><LABEL FOR=\"usercombo\">{msg:UserNameLabel|php}</LABEL></TD>\n";
{I}print "<TD CLASS=\"user_email_value\">\n";
)php",
                  vars);
            if (mode == TFormMode::Modify) {
                // The owner travels with a refused form, so it is shown again.
                Lines(uR"php(
{I}$requser = "SELECT * FROM {TableName|php}_USERS WHERE userid=".intval({S}["userid"]);
{I}$resuser = mysql_query($requser) or die ("{msg:QueryError2|php}");
{I}$recuser = mysql_fetch_array($resuser, MYSQL_ASSOC);
{I}print corvanta_html($recuser["username"]);
{I}print "<INPUT TYPE=\"hidden\" NAME=\"userid\" VALUE=\"".intval({S}["userid"])."\">";
)php",
                      vars);
            } else {
                Lines(uR"php(
{I}print "<SELECT NAME=\"usercombo\" ID=\"usercombo\" SIZE=\"1\">\n";
{I}$requser = "SELECT * FROM {TableName|php}_USERS ORDER BY username;";
{I}$resuser = mysql_query($requser) or die ("{msg:QueryError2|php}");
{I}while ($recuser = mysql_fetch_array($resuser, MYSQL_ASSOC)) {
{I}  print "<OPTION VALUE=\"".corvanta_html($recuser["username"])."\">".corvanta_html($recuser["username"])."\n";
{I}}
{I}print "</SELECT>\n";
{I}print "<INPUT TYPE=\"button\" VALUE=\"{msg:UserLookupButton|php}\" DATA-LOOKUP=\"{msg:EnterSearchUsername|php}\">\n";
)php",
                      vars);
            }
            Lines(uR"php(
{I}print "</TD>\n";
{I}print "</TR>\n";
)php",
                  vars);
        }
        if (!admin && loginMembers(t))
            WriteLine(u"            print \"<INPUT TYPE=\\\"hidden\\\" NAME=\\\"userid\\\" "
                      u"VALUE=\\\"\".intval($userid).\"\\\">\\n\";");
    }
    Lines(uR"php(
{I}print "</TABLE>\n";
{I}print "<BR>\n";
)php",
          vars);
    if (!entry)
        return;
    Lines(uR"php(
{I}if (array_key_exists("historyindex", $HTTP_POST_VARS)) :
{I}  $historyback = intval($HTTP_POST_VARS["historyindex"]) + 1;
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"historyindex\" VALUE=\"".$historyback."\">\n";
{I}endif;
)php",
          vars);
    if (mode == TFormMode::Modify)
        Lines(uR"php(
{I}print "<INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"modifyaction\">\n";
{I}print "<INPUT TYPE=\"submit\" VALUE=\"{msg:ModifyRecordButton|php}\">\n";
)php",
              vars);
    else
        Lines(uR"php(
{I}print "<INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"createaction\">\n";
{I}print "<INPUT TYPE=\"submit\" VALUE=\"{msg:AddRecordButton|php}\">\n";
)php",
              vars);
    Lines(uR"php(
{I}print "<INPUT TYPE=\"reset\" VALUE=\"{msg:ResetButton|php}\">\n";
{I}print "</FORM>\n";
)php",
          vars);
}
