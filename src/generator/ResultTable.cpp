// The result table: a page of found records with their running numbers,
// record view, modify and delete links, and the paging links.
#include "RecordParts.h"

using namespace RecordParts;

void TPHPGenerator::ResultTable(const QString& indent, bool displayLink, const QString& action,
                                bool admin, bool deleteColumn, bool modifyColumn) {
    const TBTable& t = Table();
    if (t.UserMode == QLatin1String("Login"))
        deleteColumn = modifyColumn = true;
    const bool modifyCell = modifyColumn && (admin || t.AllowAddModify);
    const bool deleteCell = deleteColumn && (admin || t.AllowDelete);
    const TTemplateVars vars{{QStringLiteral("I"), indent}, {QStringLiteral("action"), action}};
    // Only the search page orders its result; it leaves the ordering in
    // force in $order.
    const bool ordering = displayLink;

    std::vector<const TBField*> columns;
    for (const TBField& f : t.Fields)
        if (f.Visible && !Left(f, admin))
            columns.push_back(&f);
    const auto colVars = [&](size_t i) {
        return TTemplateVars(vars) << std::pair{QStringLiteral("col"), QString::number(i + 1)};
    };

    // "11-20 of 9,512" where the page counted the records found.
    Lines(uR"php(
{I}if (isset($numofrecords) and (mysql_num_rows($res) > 0)) :
{I}  print "<P CLASS=\"searchresult_range\">".corvanta_count($limit + 1, "{msg:ThousandsSeparator|php}")."-".corvanta_count(min($limit + {LinesPerPage}, $numofrecords), "{msg:ThousandsSeparator|php}")." {msg:RangeOf|php} ".corvanta_count($numofrecords, "{msg:ThousandsSeparator|php}")."</P>\n";
{I}endif;
{I}print "<DIV CLASS=\"searchresult_box\">\n";
{I}print "<TABLE CLASS=\"searchresult\" CELLPADDING=\"2\">\n";
{I}if (mysql_num_rows($res) > 0) :
{I}  print "<TR CLASS=\"searchresult_head\">\n";
{I}  print "<TH CLASS=\"searchresult_nr\" SCOPE=\"col\">{msg:Nr|php}</TH>\n";
)php",
          vars);
    for (size_t i = 0; i < columns.size(); ++i) {
        // Columns the order rows offer can be ordered by their heading.
        if (ordering && columns[i]->Searchable)
            Lines(
                uR"php({I}  corvanta_heading("searchresult_{col}", "{FieldName}", "{Name|php}", $order);)php",
                *columns[i], colVars(i));
        else
            Lines(
                uR"php({I}  print "<TH CLASS=\"searchresult_{col}\" SCOPE=\"col\">{Name|php}</TH>\n";)php",
                *columns[i], colVars(i));
    }
    if (modifyCell)
        Lines(
            uR"php({I}  print "<TH CLASS=\"searchresult_modify\" SCOPE=\"col\"><SPAN CLASS=\"hidden_label\">{msg:ModifyRecordLink|php}</SPAN></TH>\n";)php",
            vars);
    if (deleteCell)
        Lines(
            uR"php({I}  print "<TH CLASS=\"searchresult_delete\" SCOPE=\"col\"><SPAN CLASS=\"hidden_label\">{msg:DeleteRecordLink|php}</SPAN></TH>\n";)php",
            vars);
    Lines(uR"php(
{I}  print "      </TR>\n";
{I}else:
{I}  print "{msg:NoRecords|php}\n";
{I}endif;
{I}$seqno = $limit + 1;
{I}$isOdd = 1;
{I}$rowcnt = {LinesPerPage};
{I}while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
{I}  $rowcnt--;
{I}  if ($rowcnt < 0):
{I}    break;
{I}  endif;
{I}  if ($isOdd == 1):
{I}    print "<TR CLASS=\"searchresult_odd\">\n";
{I}    $isOdd = 0;
{I}  else :
{I}    print "<TR CLASS=\"searchresult_even\">\n";
{I}    $isOdd = 1;
{I}  endif;
)php",
          vars);
    if (displayLink)
        Lines(uR"php(
{I}  print "<TD CLASS=\"searchresult_nr\"><A HREF=\"\" DATA-SUBMIT=\"DisplayRecord".$seqno."\">".$seqno."</A>\n";
{I}  print "<FORM NAME=\"DisplayRecord".$seqno."\" METHOD=\"POST\" ACTION=\"{action|php}\">".corvanta_form_field()."\n";
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"recordid\" VALUE=\"".intval($rec["recordid"])."\">\n";
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"display\">\n";
{I}  print "</FORM>\n";
{I}  print "</TD>\n";
)php",
              vars);
    else
        Lines(uR"php({I}  print "        <TD CLASS=\"searchresult_nr\">".$seqno."</TD>\n";)php",
              vars);
    Lines(uR"php({I}  $seqno++;)php", vars);
    for (size_t i = 0; i < columns.size(); ++i) {
        Lines(uR"php({I}  print "<TD CLASS=\"searchresult_{col}\">";)php", *columns[i], colVars(i));
        ValueDisplaySnippet(indent + QStringLiteral("  "), *columns[i], true, false,
                            QStringLiteral("print "), QStringLiteral("$rec"));
        Lines(uR"php({I}  print "</TD>\n";)php", vars);
    }

    // Links only on the rows the user may change.
    const QString owner = (admin || !t.UserUpdate)
                              ? QStringLiteral("{I}  if (true) {")
                              : QStringLiteral("{I}  if ($rec[\"userid\"] == $userid) {");
    const auto cell = [&](const QString& cssClass, const QString& linkKey, const QString& form,
                          const QString& page, const QString& job) {
        const TTemplateVars v = TTemplateVars(vars)
                                << std::pair{QStringLiteral("class"), cssClass}
                                << std::pair{QStringLiteral("link"), t.Language.Text(linkKey)}
                                << std::pair{QStringLiteral("form"), form}
                                << std::pair{QStringLiteral("page"), page}
                                << std::pair{QStringLiteral("job"), job};
        Lines(uR"php({I}  print "<TD CLASS=\"{class}\">\n";)php", v);
        Lines(owner, v);
        if (job == QLatin1String("deleteaction"))
            // Asked first; without script the link leads to a page that asks.
            Lines(
                uR"php({I}    print "<A HREF=\"{page}?recordid=".intval($rec["recordid"])."\" DATA-SUBMIT=\"{form}".$seqno."\" DATA-CONFIRM=\"{msg:DeleteConfirm|php}\">{link|raw|php}</A>\n";)php",
                v);
        else
            Lines(
                uR"php({I}    print "<A HREF=\"\" DATA-SUBMIT=\"{form}".$seqno."\">{link|raw|php}</A>\n";)php",
                v);
        Lines(uR"php(
{I}    print "<FORM NAME=\"{form}".$seqno."\" METHOD=\"POST\" ACTION=\"{page}\">".corvanta_form_field()."\n";
{I}    print "<INPUT TYPE=\"hidden\" NAME=\"recordid\" VALUE=\"".intval($rec["recordid"])."\">\n";
{I}    print "<INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"{job}\">\n";
{I}    print "<INPUT TYPE=\"hidden\" NAME=\"historyindex\" VALUE=\"0\">\n";
{I}    print "</FORM>\n";
{I}  }
{I}  print "</TD>\n";
)php",
              v);
    };
    if (modifyCell)
        cell(QStringLiteral("searchresult_modify"), QStringLiteral("ModifyRecordLink"),
             QStringLiteral("ModifyRecord"), QStringLiteral("modify_record.php"),
             QStringLiteral("modifyform"));
    if (deleteCell)
        cell(QStringLiteral("searchresult_delete"), QStringLiteral("DeleteRecordLink"),
             QStringLiteral("DeleteRecord"), QStringLiteral("delete_record.php"),
             QStringLiteral("deleteaction"));

    // One form carries the request again: the page numbers, Previous and
    // Next send it with another "limit", the headings with another
    // ordering. They are buttons, so paging needs no script.
    Lines(uR"php(
{I}  print "</TR>\n";
{I}}
{I}print "</TABLE></DIV>\n";
{I}$pagelinks = isset($numofrecords) ? corvanta_pages($limit, {LinesPerPage}, $numofrecords) : array();
{I}if (($limit > 0) or ($rowcnt < 0) or (count($pagelinks) > 0) or isset($sortrows)):
{I}  print "<FORM ID=\"ResultPages\" NAME=\"ResultPages\" METHOD=\"POST\" ACTION=\"{action|php}\">".corvanta_form_field()."\n";
{I}  foreach ($HTTP_POST_VARS as $key => $val) {
{I}    if (!in_array($key, array("limit", "orderby", "sessionid", "myrecords", "corvanta_form"), true) and !preg_match('/^sort(field|ing)[0-9]+$|password/i', $key) and is_scalar($val)):
{I}      print "<INPUT TYPE=\"hidden\" NAME=\"".corvanta_html($key)."\" VALUE=\"".corvanta_html($val)."\">\n";
{I}    endif;
{I}  }
{I}  if (isset($order) and is_array($order)):
{I}    print "<INPUT TYPE=\"hidden\" NAME=\"sortfield1\" VALUE=\"".corvanta_html($order[0])."\">\n";
{I}    print "<INPUT TYPE=\"hidden\" NAME=\"sorting1\" VALUE=\"".corvanta_html($order[1])."\">\n";
{I}  endif;
{I}  if (isset($sortrows)):
{I}    for ($s = 1; $s < count($sortrows); $s++) {
{I}      print "<INPUT TYPE=\"hidden\" NAME=\"sortfield".($s + 1)."\" VALUE=\"".corvanta_html($sortrows[$s][0])."\">\n";
{I}      print "<INPUT TYPE=\"hidden\" NAME=\"sorting".($s + 1)."\" VALUE=\"".corvanta_html($sortrows[$s][1])."\">\n";
{I}    }
{I}  endif;
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"myrecords\" VALUE=\"".intval($myrecords)."\">\n";
{I}  print "</FORM>\n";
{I}endif;
{I}if (($limit > 0) or ($rowcnt < 0)):
{I}  print "<NAV CLASS=\"pages\" ARIA-LABEL=\"{msg:PagesLabel|php}\">\n";
{I}  if ($limit > 0):
{I}    print "<BUTTON TYPE=\"submit\" FORM=\"ResultPages\" NAME=\"limit\" VALUE=\"".max(0, $limit - {LinesPerPage})."\" CLASS=\"previous\">&lt;&lt; {msg:PreviousButton|php}</BUTTON>\n";
{I}  endif;
{I}  foreach ($pagelinks as $first) {
{I}    if ($first === null):
{I}      print "<SPAN CLASS=\"page_gap\">&hellip;</SPAN>\n";
{I}    elseif (($limit >= $first) and ($limit < $first + {LinesPerPage})):
{I}      print "<SPAN CLASS=\"page_current\" ARIA-CURRENT=\"page\">".corvanta_count($first / {LinesPerPage} + 1, "{msg:ThousandsSeparator|php}")."</SPAN>\n";
{I}    else:
{I}      print "<BUTTON TYPE=\"submit\" FORM=\"ResultPages\" NAME=\"limit\" VALUE=\"".$first."\" CLASS=\"page\">".corvanta_count($first / {LinesPerPage} + 1, "{msg:ThousandsSeparator|php}")."</BUTTON>\n";
{I}    endif;
{I}  }
{I}  if ($rowcnt < 0):
{I}    print "<BUTTON TYPE=\"submit\" FORM=\"ResultPages\" NAME=\"limit\" VALUE=\"".($limit + {LinesPerPage})."\" CLASS=\"next\">{msg:NextButton|php} &gt;&gt;</BUTTON>\n";
{I}  endif;
{I}  print "</NAV>\n";
{I}endif;
)php",
          vars);
}
