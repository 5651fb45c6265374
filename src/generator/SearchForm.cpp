// The tables of the search form: filter rows (field, operator, value) and
// ordering rows (field, direction).
#include "RecordParts.h"

namespace RecordParts {

void SearchFormTables(TPHPGenerator& g, bool admin, const std::vector<const TBField*>& offered) {
    const TBTable& t = g.Table();
    // Inside a here-document PHP reads "$" and "\": texts are escaped for it.
    TTemplateVars vars;
    for (const char* key :
         {"FieldName", "Operator", "FieldValue", "OpContains", "OpIs", "OpIsNot", "OpNotContains",
          "OpLessThan", "OpGreaterThan", "OpIsYes", "OpIsNo", "OrderRecordsLabel", "Nr", "Ordering",
          "Asc", "Desc", "SearchButton", "ResetButton"})
        vars.append({QStringLiteral("h") + QLatin1String(key),
                     HeredocText(t.Language.Text(QLatin1String(key)))});
    const auto rowVars = [&](int n, const QString& prefix) {
        return TTemplateVars(vars)
               << std::pair{QStringLiteral("n"), QString::number(n)}
               << std::pair{QStringLiteral("rowclass"),
                            prefix + (n % 2 ? QStringLiteral("_odd") : QStringLiteral("_even"))};
    };
    const auto fieldOptions = [&] {
        for (const TBField* f : offered)
            g.Lines(u"              <OPTION VALUE=\"{FieldName}\">{label}", *f,
                    {{QStringLiteral("label"), HeredocText(f->Name)}});
    };

    g.Lines(uR"php(
      <TABLE CLASS="searchform" CELLPADDING="2">
        <TR CLASS="searchform_head">
          <TD CLASS="searchform_field">{hFieldName}</TD>
          <TD CLASS="searchform_operator">{hOperator}</TD>
          <TD CLASS="searchform_value">{hFieldValue}</TD>
        </TR>
)php",
            vars);
    for (int n = 1; n <= t.NumOfFilterFields; ++n) {
        const TTemplateVars v = rowVars(n, QStringLiteral("searchform"));
        g.Lines(uR"php(
        <TR CLASS="{rowclass}">
          <TD CLASS="searchform_field">
            <SELECT NAME="field{n}" SIZE="1" onChange="setOperator({n});">
              <OPTION VALUE="">
)php",
                v);
        fieldOptions();
        g.Lines(uR"php(
            </SELECT>
          </TD>
          <TD CLASS="searchform_operator">
            <SELECT NAME="operator{n}" SIZE="1">
              <OPTION VALUE="contains">{hOpContains}
              <OPTION VALUE="is">{hOpIs}
              <OPTION VALUE="isnot">{hOpIsNot}
              <OPTION VALUE="notcontains">{hOpNotContains}
              <OPTION VALUE="lessthan">{hOpLessThan}
              <OPTION VALUE="greaterthan">{hOpGreaterThan}
              <OPTION VALUE="isyes">{hOpIsYes}
              <OPTION VALUE="isno">{hOpIsNo}
            </SELECT>
          </TD>
          <TD CLASS="searchform_value">
            <INPUT TYPE="text" NAME="fieldvalue{n}">
          </TD>
        </TR>
)php",
                v);
    }
    g.Lines(uR"php(
      </TABLE>
END;
)php");
    if (t.UserMode == QLatin1String("Login")) {
        g.WriteLine(u"      print \"      <TABLE CLASS=\\\"search_user_id_password\\\" "
                    u"CELLPADDING=\\\"2\\\">\\n\";");
        g.CredentialRows(admin, false);
        g.WriteLine(u"      print \"      </TABLE><BR>\\n\";");
    }
    g.Lines(uR"php(
      print <<<END
      <BR><BR>
      <H3>{hOrderRecordsLabel}</H3>
      <TABLE CLASS="searchorder" CELLPADDING="2">
        <TR CLASS="searchorder_head">
          <TD CLASS="searchorder_nr">{hNr}</TD>
          <TD CLASS="searchorder_field">{hFieldName}</TD>
          <TD CLASS="searchorder_order">{hOrdering}</TD>
        </TR>
)php",
            vars);
    for (int n = 1; n <= t.NumOfSortFields; ++n) {
        const TTemplateVars v = rowVars(n, QStringLiteral("searchorder"));
        g.Lines(uR"php(
        <TR CLASS="{rowclass}">
          <TD CLASS="searchorder_nr">{n}</TD>
          <TD CLASS="searchorder_field">
            <SELECT NAME="sortfield{n}" SIZE="1">
              <OPTION VALUE="">
)php",
                v);
        fieldOptions();
        g.Lines(uR"php(
            </SELECT>
          </TD>
          <TD CLASS="searchorder_order">
            <INPUT TYPE="radio" NAME="sorting{n}" VALUE="asc" CHECKED>{hAsc} &nbsp;&nbsp;
            <INPUT TYPE="radio" NAME="sorting{n}" VALUE="desc">{hDesc}
          </TD>
        </TR>
)php",
                v);
    }
    g.Lines(uR"php(
      </TABLE><BR>
      <INPUT TYPE="hidden" NAME="job" VALUE="search">
      <INPUT TYPE="submit" VALUE="{hSearchButton}">
      <INPUT TYPE="reset" VALUE="{hResetButton}">
    </FORM>
END;
)php",
            vars);
}

} // namespace RecordParts
