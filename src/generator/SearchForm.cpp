// The tables of the search form: filter rows (field, operator, value) and
// ordering rows (field, direction). After a search they show what was
// searched for; a field with a list of choices is searched by choosing.
#include "RecordParts.h"

namespace RecordParts {

namespace {

bool hasChoices(const TBField& f) {
    return (f.InputType == InputTypes::Radio || f.InputType == InputTypes::Select) &&
           !f.EnumValues.isEmpty();
}

// The PHP array literals of the offered fields, the operators and the
// choice lists: value => the label as HTML (labels and choices escaped, the
// operators' messages as the owner wrote them).
void formLists(TPHPGenerator& g, const std::vector<const TBField*>& offered) {
    QStringList fields;
    QStringList choices;
    for (const TBField* f : offered) {
        fields += g.Fill(u"\"{FieldName}\" => \"{Name|php}\"", f);
        if (!hasChoices(*f))
            continue;
        QStringList values;
        for (const QString& v : f->EnumValues)
            values += u'"' + TPHPGenerator::PhpString(v) + QStringLiteral("\" => \"") +
                      TPHPGenerator::PhpString(TPHPGenerator::HtmlText(v)) + u'"';
        choices +=
            g.Fill(u"\"{FieldName}\" => array(", f) + values.join(QStringLiteral(", ")) + u')';
    }
    QStringList operators;
    for (const auto& [value, key] : {std::pair{"contains", "OpContains"},
                                     {"is", "OpIs"},
                                     {"isnot", "OpIsNot"},
                                     {"notcontains", "OpNotContains"},
                                     {"lessthan", "OpLessThan"},
                                     {"greaterthan", "OpGreaterThan"},
                                     {"isyes", "OpIsYes"},
                                     {"isno", "OpIsNo"}})
        operators +=
            QStringLiteral("\"%1\" => \"%2\"")
                .arg(QLatin1String(value),
                     TPHPGenerator::PhpString(g.Table().Language.Text(QLatin1String(key))));
    g.Lines(uR"php(
    $offered = array({f|raw});
    $choices = array({c|raw});
    $operators = array({o|raw});
)php",
            {{QStringLiteral("f"), fields.join(QStringLiteral(", "))},
             {QStringLiteral("c"), choices.join(QStringLiteral(", "))},
             {QStringLiteral("o"), operators.join(QStringLiteral(", "))}});
}

} // namespace

void SearchFormTables(TPHPGenerator& g, bool admin, const std::vector<const TBField*>& offered) {
    const TBTable& t = g.Table();
    formLists(g, offered);
    g.Lines(uR"php(
    print "      <TABLE CLASS=\"searchform\" CELLPADDING=\"2\">\n";
    print "        <TR CLASS=\"searchform_head\">\n";
    print "          <TH CLASS=\"searchform_field\" SCOPE=\"col\">{msg:FieldName|php}</TH>\n";
    print "          <TH CLASS=\"searchform_operator\" SCOPE=\"col\">{msg:Operator|php}</TH>\n";
    print "          <TH CLASS=\"searchform_value\" SCOPE=\"col\">{msg:FieldValue|php}</TH>\n";
    print "        </TR>\n";
    for ($i = 1; $i <= {NumOfFilterFields}; $i++) {
      $keptfield = corvanta_posted("field".$i);
      $keptvalue = corvanta_posted("fieldvalue".$i);
      print "        <TR CLASS=\"searchform_".(($i % 2) ? "odd" : "even")."\">\n";
      print "          <TD CLASS=\"searchform_field\"><SELECT NAME=\"field".$i."\" SIZE=\"1\" ARIA-LABEL=\"{msg:FieldName|php} ".$i."\" DATA-ROW=\"".$i."\"><OPTION VALUE=\"\">";
      corvanta_options($offered, $keptfield);
      print "</SELECT></TD>\n";
      print "          <TD CLASS=\"searchform_operator\"><SELECT NAME=\"operator".$i."\" SIZE=\"1\" ARIA-LABEL=\"{msg:Operator|php} ".$i."\">";
      corvanta_options($operators, corvanta_posted("operator".$i));
      print "</SELECT></TD>\n";
      print "          <TD CLASS=\"searchform_value\">";
      if (array_key_exists($keptfield, $choices)) :
        print "<SELECT NAME=\"fieldvalue".$i."\" SIZE=\"1\" ARIA-LABEL=\"{msg:FieldValue|php} ".$i."\">";
        corvanta_options($choices[$keptfield], $keptvalue);
        print "</SELECT>";
      else:
        print "<INPUT TYPE=\"text\" NAME=\"fieldvalue".$i."\" VALUE=\"".corvanta_html($keptvalue)."\" ARIA-LABEL=\"{msg:FieldValue|php} ".$i."\">";
      endif;
      print "</TD>\n";
      print "        </TR>\n";
    }
    print "      </TABLE>\n";
)php");
    if (t.UserMode == QLatin1String("Login")) {
        g.WriteLine(u"      print \"      <TABLE CLASS=\\\"search_user_id_password\\\" "
                    u"CELLPADDING=\\\"2\\\">\\n\";");
        g.CredentialRows(admin, false);
        g.WriteLine(u"      print \"      </TABLE><BR>\\n\";");
    }
    // The ordering in force (a heading click included) fills the rows.
    g.Lines(uR"php(
    print "      <H3>{msg:OrderRecordsLabel|php}</H3>\n";
    print "      <TABLE CLASS=\"searchorder\" CELLPADDING=\"2\">\n";
    print "        <TR CLASS=\"searchorder_head\">\n";
    print "          <TH CLASS=\"searchorder_nr\" SCOPE=\"col\">{msg:Nr|php}</TH>\n";
    print "          <TH CLASS=\"searchorder_field\" SCOPE=\"col\">{msg:FieldName|php}</TH>\n";
    print "          <TH CLASS=\"searchorder_order\" SCOPE=\"col\">{msg:Ordering|php}</TH>\n";
    print "        </TR>\n";
    for ($i = 1; $i <= {NumOfSortFields}; $i++) {
      $kept = (isset($sortrows) and ($i <= count($sortrows))) ? $sortrows[$i - 1] : array("", "asc");
      print "        <TR CLASS=\"searchorder_".(($i % 2) ? "odd" : "even")."\">\n";
      print "          <TD CLASS=\"searchorder_nr\">".$i."</TD>\n";
      print "          <TD CLASS=\"searchorder_field\"><SELECT NAME=\"sortfield".$i."\" SIZE=\"1\" ARIA-LABEL=\"{msg:OrderRecordsLabel|php} ".$i."\"><OPTION VALUE=\"\">";
      corvanta_options($offered, $kept[0]);
      print "</SELECT></TD>\n";
      print "          <TD CLASS=\"searchorder_order\"><LABEL><INPUT TYPE=\"radio\" NAME=\"sorting".$i."\" VALUE=\"asc\"".(($kept[1] == "desc") ? "" : " CHECKED").">{msg:Asc|php}</LABEL> <LABEL><INPUT TYPE=\"radio\" NAME=\"sorting".$i."\" VALUE=\"desc\"".(($kept[1] == "desc") ? " CHECKED" : "").">{msg:Desc|php}</LABEL></TD>\n";
      print "        </TR>\n";
    }
    print "      </TABLE>\n";
    print "      <INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"search\">\n";
    print "      <INPUT TYPE=\"submit\" VALUE=\"{msg:SearchButton|php}\">\n";
    print "      <INPUT TYPE=\"reset\" VALUE=\"{msg:ResetButton|php}\">\n";
    print "    </FORM>\n";
)php");
}

} // namespace RecordParts
