// search.php: the search form, the search with its filters, ordering and
// paging, the record view and a member's own records. Columns and
// directions from the request are taken only from the lists the page
// offers; values reach SQL escaped or as numbers.
#include "RecordParts.h"

using namespace RecordParts;

namespace {

// The fields the filter and ordering rows offer.
std::vector<const TBField*> offeredFields(const TBTable& t, bool admin) {
    std::vector<const TBField*> fields;
    for (const TBField& f : t.Fields)
        if (f.Searchable && !Left(f, admin))
            fields.push_back(&f);
    return fields;
}

QString phpList(const QStringList& names) {
    QStringList quoted;
    for (const QString& n : names)
        quoted += u'"' + TPHPGenerator::PhpString(n) + u'"';
    return QStringLiteral("array(") + quoted.join(QStringLiteral(", ")) + u')';
}

bool textLike(const QString& type) {
    return type == FieldTypes::Text || type == FieldTypes::DateTime || type == FieldTypes::Mailto ||
           type == FieldTypes::Hyperlink;
}

} // namespace

bool TPHPGenerator::SearchPage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("search.php"), [&] {
        PageHead(admin, QStringLiteral("search.php"), QStringLiteral("search"));
        const std::vector<const TBField*> offered = offeredFields(t, admin);
        QStringList filterColumns;
        QStringList sortColumns;
        for (const TBField* f : offered) {
            filterColumns += f->FieldName;
            sortColumns += f->FieldName;
            if (f->FieldType == FieldTypes::Mailto || f->FieldType == FieldTypes::Hyperlink)
                filterColumns += f->FieldName2;
        }

        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        // A member's own records are asked for in the query string (the
        // menu) or by the paging forms; only logged-in pages know a member.
        if (admin || t.UserMode == QLatin1String("Login"))
            Lines(uR"php(
  if (corvanta_query("myrecords") !== null) { $myrecords = intval(corvanta_query("myrecords")); }
  if (array_key_exists("myrecords", $HTTP_POST_VARS)) { $myrecords = intval($HTTP_POST_VARS["myrecords"]); }
)php");
        if (!admin)
            VisitCounter(QStringLiteral("Search Form"));
        Lines(uR"php(

//********************* display ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "display")) :
    $req = "SELECT * FROM {TableName|php} WHERE recordid =".intval($HTTP_POST_VARS["recordid"]){own|raw}.";";
    $res = mysql_query($req) or die ("{msg:QueryError5|php}");
    $rec = mysql_fetch_array($res, MYSQL_ASSOC);
    if ($rec) :
)php",
              {{QStringLiteral("own"),
                // Without searching a member sees his own records only.
                MaySearch(t, admin)
                    ? QString()
                    : QStringLiteral(".\" AND userid = \".intval($userid).\" AND userid <> 0\"")}});
        RecordForm(QStringLiteral("      "), admin, QString(), QStringLiteral("$rec"),
                   TFormMode::Display);
        Lines(uR"php(
    else:
      print "{msg:NoRecords|php}";
    endif;
    print "<BR><A CLASS=\"back\" HREF=\"\" DATA-BACK=\"1\">{msg:BackButton|php}</A>";
  endif;
)php");
        if (!MaySearch(t, admin))
            Lines(uR"php(
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "search")) :
    print "{msg:NoAccessToThisDB|php}";
  endif;
)php");
        Lines(uR"php(

//********************* search action ************************
  if ({searching|raw}$myrecords) :
    $req = "SELECT * FROM {TableName|php} WHERE 1 = 1 ";
    if ($myrecords) {
      $req = $req." AND userid = ".intval($userid);
    }
    $filterfields = {filters|raw};
    for ($i = 1; $i <= {NumOfFilterFields}; $i++) {
      if (array_key_exists("field".$i, $HTTP_POST_VARS) and in_array($HTTP_POST_VARS["field".$i], $filterfields, true)) :
        $fieldname = $HTTP_POST_VARS["field".$i];
      else:
        continue;
      endif;
      if (array_key_exists("operator".$i, $HTTP_POST_VARS) and ($HTTP_POST_VARS["operator".$i] != "")) :
        $operator = $HTTP_POST_VARS["operator".$i];
      else:
        continue;
      endif;
      if (($operator <> "isyes") and ($operator <> "isno")) :
        if (array_key_exists("fieldvalue".$i, $HTTP_POST_VARS) and ($HTTP_POST_VARS["fieldvalue".$i] != "")) :
          $fieldvalue = $HTTP_POST_VARS["fieldvalue".$i];
        else:
          continue;
        endif;
      else:
        $fieldvalue = "";
      endif;
)php",
              {{QStringLiteral("filters"), phpList(filterColumns)},
               {QStringLiteral("searching"),
                MaySearch(t, admin) ? QStringLiteral("(array_key_exists(\"job\", $HTTP_POST_VARS) "
                                                     "and ($HTTP_POST_VARS[\"job\"] == "
                                                     "\"search\")) or ")
                                    : QString()}});

        const auto textBlock = [&](const QString& column) {
            Lines(uR"php(
      if ($fieldname == "{c}") : 
        if ($operator == "contains") : $req = $req." AND ".$fieldname." LIKE \"%".mysql_real_escape_string($fieldvalue)."%\"";
        elseif ($operator == "is") : $req = $req." AND ".$fieldname." LIKE \"".mysql_real_escape_string($fieldvalue)."\"";
        elseif ($operator == "isnot") : $req = $req." AND ".$fieldname." NOT LIKE \"".mysql_real_escape_string($fieldvalue)."\"";
        elseif ($operator == "notcontains") : $req = $req." AND ".$fieldname." NOT LIKE \"%".mysql_real_escape_string($fieldvalue)."%\"";
        elseif ($operator == "lessthan") : $req = $req." AND ".$fieldname." < \"".mysql_real_escape_string($fieldvalue)."\"";
        elseif ($operator == "greaterthan") : $req = $req." AND ".$fieldname." > \"".mysql_real_escape_string($fieldvalue)."\"";
        endif;
      endif;
)php",
                  {{QStringLiteral("c"), column}});
        };
        for (const TBField* f : offered) {
            const QString& type = f->FieldType;
            if (type == FieldTypes::YesNo) {
                Lines(uR"php(
      if ($fieldname == "{FieldName}") : 
        if ($operator == "isyes") : $req = $req." AND ".$fieldname." <> 0 ";
        elseif ($operator == "isno") : $req = $req." AND ".$fieldname." = 0 ";
        endif;
      endif;
)php",
                      *f);
            } else if (textLike(type)) {
                textBlock(f->FieldName);
                if (type == FieldTypes::Mailto || type == FieldTypes::Hyperlink)
                    textBlock(f->FieldName2);
            } else if (type == FieldTypes::Integer || type == FieldTypes::Real) {
                // The value is compared as a number (a decimal comma counts
                // as a point); other rows keep their commas.
                Lines(uR"php(
      if ($fieldname == "{FieldName}") : 
        if ($operator == "is") : $req = $req." AND ".$fieldname." = ".corvanta_real($fieldvalue) ;
        elseif ($operator == "isnot") : $req = $req." AND ".$fieldname." <> ".corvanta_real($fieldvalue) ;
        elseif ($operator == "lessthan") : $req = $req." AND ".$fieldname." < ".corvanta_real($fieldvalue) ;
        elseif ($operator == "greaterthan") : $req = $req." AND ".$fieldname." > ".corvanta_real($fieldvalue) ;
        endif;
      endif;
)php",
                      *f);
            }
        }

        QString defaultOrder;
        for (const TBField& f : t.Fields)
            if (f.Visible) {
                defaultOrder = f.FieldName;
                break;
            }
        QStringList keys;
        for (const TBField& f : t.Fields)
            if (f.Key && f.FieldType != FieldTypes::Image && f.FieldType != FieldTypes::ImageLink)
                keys += (f.FieldType == FieldTypes::Mailto || f.FieldType == FieldTypes::Hyperlink)
                            ? f.FieldName2
                            : f.FieldName;
        Lines(uR"php(
    }
    $wherereq = $req;
    $sortfields = {sorts|raw};
    $sorting = "";
    $sortrows = array();
    for ($i = 1; $i <= {NumOfSortFields}; $i++) {
      if (array_key_exists("sortfield".$i, $HTTP_POST_VARS) and in_array($HTTP_POST_VARS["sortfield".$i], $sortfields, true) and array_key_exists("sorting".$i, $HTTP_POST_VARS) and in_array($HTTP_POST_VARS["sorting".$i], array("asc", "desc"), true)) :
        $sortrows[] = array($HTTP_POST_VARS["sortfield".$i], $HTTP_POST_VARS["sorting".$i]);
      endif; 
    }
    // A click on a column heading orders by that column alone, through the
    // same list of columns and directions.
    $orderby = explode(" ", corvanta_posted("orderby"));
    if ((count($orderby) == 2) and in_array($orderby[0], $sortfields, true) and in_array($orderby[1], array("asc", "desc"), true)) :
      $sortrows = array($orderby);
    endif;
    foreach ($sortrows as $sortrow) {
      if ($sorting != "") :
        $sorting = $sorting.", ";
      endif; 
      $sorting = $sorting.$sortrow[0]." ".$sortrow[1];
    }
    $order = (count($sortrows) > 0) ? $sortrows[0] : null;
    if ($sorting == "") :
)php",
              {{QStringLiteral("sorts"), phpList(sortColumns)}});
        if (!defaultOrder.isEmpty())
            Lines(u"    $sorting = \" {o|raw} \";", {{QStringLiteral("o"), defaultOrder}});
        Lines(uR"php(
    endif;
    if ($sorting != "") :
      $req = $req." ORDER BY ".$sorting;
)php");
        if (!keys.isEmpty())
            Lines(uR"php(
    else: 
      $req = $req." ORDER BY {k|raw}";
)php",
                  {{QStringLiteral("k"), keys.join(QStringLiteral(", "))}});
        // Counting rows needs no rows: COUNT(*) of the same conditions.
        Lines(uR"php(
    endif; 
    $numofrecords = 0;
    $numofrecordsreq = preg_replace('/^SELECT \* /', "SELECT COUNT(*) AS cnt ", $wherereq).";";
    $numofrecordsres = mysql_query($numofrecordsreq);
    if ($numofrecordsres) :
      $numofrecords = mysql_result($numofrecordsres, 0, "cnt");
    endif;
    print "<H5>{msg:RecordsFound|php} ".$numofrecords."</H5>";
    $totalnum = 0;
    $totalnumofrecordsreq = "SELECT COUNT(*) AS cnt FROM {TableName|php}";
    $totalnumofrecordsres = mysql_query($totalnumofrecordsreq);
    if ($totalnumofrecordsres) :
      $totalnum = mysql_result($totalnumofrecordsres, 0, "cnt");
    endif;
    if (!$myrecords):
      print "<H5>{msg:TotalRecords|php} ".$totalnum."</H5>";
    endif;
    $limit = 0;
    if (array_key_exists("limit", $HTTP_POST_VARS)) :
      $limit = max(0, intval($HTTP_POST_VARS["limit"]));
    endif; 
    $req = $req." LIMIT ".$limit.", {n}";
    $req = $req.";";
    $res = mysql_query($req) or die ("{msg:QueryError6|php}");
)php",
              {{QStringLiteral("n"), QString::number(t.LinesPerPage + 1)}});
        ResultTable(QStringLiteral("      "), true, QStringLiteral("search.php"), admin, admin,
                    admin);
        Lines(uR"php(
    if (!$myrecords) {
      print "    <HR>\n";
    }
  endif;
)php");
        if (MaySearch(t, admin)) {
            Lines(uR"php(

//********************* search form ************************
  if (((!array_key_exists("job", $HTTP_POST_VARS)) or ($HTTP_POST_VARS["job"] == "search")) and !$myrecords) :
    print "    <H3>{msg:SearchLabel|php}</H3>\n";
    print "    <FORM NAME=\"SearchRecord\" METHOD=\"POST\" ACTION=\"search.php\">".corvanta_form_field()."\n";
)php");
            SearchFormTables(*this, admin, offered);
            Lines(uR"php(
    print "\n";
  endif;
)php");
        }
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
  </BODY>
</HTML>
)php");
    });
}
