// search.php: the search form, the search with its filters, ordering and
// paging, and a member's own records; every search and page of it has an
// address of its own. Columns and directions from the request are taken
// only from the lists the page offers; values reach SQL escaped or as
// numbers.
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
        // The entry of a one-page site: the visit is counted here.
        if (!admin && t.OnePage()) {
            WriteLine(u"  if (!empty($corvanta_entry)) {");
            VisitCountSnippet(QStringLiteral("    "));
            WriteLine(u"  }");
        }
        ConnectSnippet(QStringLiteral("  "), t);
        // A member's own records are asked for in the address (the menu);
        // only logged-in pages know a member.
        if (admin || t.UserMode == QLatin1String("Login"))
            Lines(uR"php(
  if (corvanta_query("myrecords") !== null) { $myrecords = intval(corvanta_query("myrecords")); }
)php");
        if (!admin)
            VisitCounter(QStringLiteral("Search Form"));
        // A search is an address: its filters, ordering and page are in the
        // query string, so it can be reloaded, bookmarked and shared.
        if (!MaySearch(t, admin))
            Lines(uR"php(
  if (corvanta_searching() and !$myrecords) :
    corvanta_message("{msg:NoAccessToThisDB|php}", false);
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
      $fieldname = corvanta_query("field".$i);
      if (!in_array($fieldname, $filterfields, true)) :
        continue;
      endif;
      $operator = (string)corvanta_query("operator".$i);
      if ($operator == "") :
        continue;
      endif;
      if (($operator <> "isyes") and ($operator <> "isno")) :
        $fieldvalue = (string)corvanta_query("fieldvalue".$i);
        if ($fieldvalue == "") :
          continue;
        endif;
      else:
        $fieldvalue = "";
      endif;
)php",
              {{QStringLiteral("filters"), phpList(filterColumns)},
               {QStringLiteral("searching"),
                MaySearch(t, admin) ? QStringLiteral("corvanta_searching() or ") : QString()}});

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
      $direction = (corvanta_query("sorting".$i) === null) ? "asc" : corvanta_query("sorting".$i);
      if (in_array(corvanta_query("sortfield".$i), $sortfields, true) and in_array($direction, array("asc", "desc"), true)) :
        $sortrows[] = array(corvanta_query("sortfield".$i), $direction);
      endif; 
    }
    // A click on a column heading orders by that column alone, through the
    // same list of columns and directions.
    $orderby = explode(" ", (string)corvanta_query("orderby"));
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
        // The page's rows and how many match come from one pass over the
        // table (SQL_CALC_FOUND_ROWS); a server that no longer knows it gets
        // the count from a statement of its own. Without a filter the total
        // is the number found; with one, COUNT(*) reads the smallest index.
        Lines(uR"php(
    endif; 
    $limit = (corvanta_page_number({LinesPerPage}) - 1) * {LinesPerPage};
    $req = $req." LIMIT ".$limit.", {n}";
    $numofrecords = 0;
    $res = mysql_query(preg_replace('/^SELECT \* /', "SELECT SQL_CALC_FOUND_ROWS * ", $req).";");
    if ($res) :
      $numofrecordsres = mysql_query("SELECT FOUND_ROWS() AS cnt;");
    else:
      $res = mysql_query($req.";");
      $numofrecordsres = mysql_query(preg_replace('/^SELECT \* /', "SELECT COUNT(*) AS cnt ", $wherereq).";");
    endif;
    if ($numofrecordsres) :
      $numofrecords = mysql_result($numofrecordsres, 0, "cnt");
    endif;
    // The answer to a search takes the focus and is announced.
    print "<P CLASS=\"found\" ROLE=\"status\" TABINDEX=\"-1\" AUTOFOCUS><SPAN>{msg:RecordsFound|php} ".$numofrecords."</SPAN>";
    if (!$myrecords):
      $totalnum = $numofrecords;
      if ($wherereq !== "SELECT * FROM {TableName|php} WHERE 1 = 1 ") :
        $totalnum = 0;
        $totalnumofrecordsres = mysql_query("SELECT COUNT(*) AS cnt FROM {TableName|php}");
        if ($totalnumofrecordsres) :
          $totalnum = mysql_result($totalnumofrecordsres, 0, "cnt");
        endif;
      endif;
      print " <SPAN>{msg:TotalRecords|php} ".$totalnum."</SPAN>";
    endif;
    print "</P>\n";
    $res or die ("{msg:QueryError6|php}");
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
  if (!$myrecords) :
    print "    <H2>{msg:SearchLabel|php}</H2>\n";
    print "    <FORM NAME=\"SearchRecord\" METHOD=\"GET\" ACTION=\"search.php\">\n";
)php");
            SearchFormTables(*this, offered);
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
