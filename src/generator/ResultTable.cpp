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

    std::vector<const TBField*> columns;
    for (const TBField& f : t.Fields)
        if (f.Visible && !Left(f, admin))
            columns.push_back(&f);
    const auto colVars = [&](size_t i) {
        return TTemplateVars(vars) << std::pair{QStringLiteral("col"), QString::number(i + 1)};
    };

    Lines(uR"php(
{I}print "<TABLE CLASS=\"searchresult\" CELLPADDING=\"2\">\n";
{I}if (mysql_num_rows($res) > 0) :
{I}  print "<TR CLASS=\"searchresult_head\">\n";
{I}  print "<TD CLASS=\"searchresult_nr\">{msg:Nr|php}</TD>\n";
)php",
          vars);
    for (size_t i = 0; i < columns.size(); ++i)
        Lines(uR"php({I}  print "<TD CLASS=\"searchresult_{col}\">{Name|php}</TD>\n";)php",
              *columns[i], colVars(i));
    if (modifyCell)
        Lines(uR"php({I}  print "<TD CLASS=\"searchresult_modify\"></TD>\n";)php", vars);
    if (deleteCell)
        Lines(uR"php({I}  print "<TD CLASS=\"searchresult_delete\"></TD>\n";)php", vars);
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
{I}  print "<TD CLASS=\"searchresult_nr\"><A HREF=\"\" onClick=\"document.DisplayRecord".$seqno.".submit(); return false;\">".$seqno."</A>\n";
{I}  print "<FORM NAME=\"DisplayRecord".$seqno."\" METHOD=\"POST\" ACTION=\"{action|php}\">\n";
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
        Lines(uR"php(
{I}    print "<A HREF=\"\" onClick=\"document.{form}".$seqno.".submit(); return false;\">{link|php}</A>\n";
{I}    print "<FORM NAME=\"{form}".$seqno."\" METHOD=\"POST\" ACTION=\"{page}\">\n";
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

    // The paging forms post the request again with another "limit"; the
    // session goes with them also when it came in the query string.
    const auto pagingForm = [&](const QString& name, const QString& sign) {
        Lines(uR"php(
{I}  print "<FORM NAME=\"{name}\" METHOD=\"POST\" ACTION=\"{action|php}\">\n";
{I}  reset($HTTP_POST_VARS);
{I}  while (list ($key, $val) = each ($HTTP_POST_VARS)) {
{I}    if (($key != "limit") and ($key != "sessionid") and ($key != "myrecords") and is_scalar($val)):
{I}      print "<INPUT TYPE=\"hidden\" NAME=\"".corvanta_html($key)."\" VALUE=\"".corvanta_html($val)."\">\n";
{I}    endif;
{I}  }
{I}  $newlimit = $limit {sign} {LinesPerPage};
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"limit\" VALUE=\"".$newlimit."\">\n";
{I}  print "<INPUT TYPE=\"hidden\" NAME=\"myrecords\" VALUE=\"".intval($myrecords)."\">\n";
{I}  print "</FORM>\n";
)php",
              TTemplateVars(vars) << std::pair{QStringLiteral("name"), name}
                                  << std::pair{QStringLiteral("sign"), sign});
    };
    Lines(uR"php(
{I}  print "</TR>\n";
{I}}
{I}print "</TABLE><BR>\n";
{I}if ($limit > 0):
{I}  print "<A CLASS=\"previous\" HREF=\"\" onClick=\"document.PrevPageForm.submit(); return false;\"><< {msg:PreviousButton|php}</A>&nbsp;&nbsp;";
{I}endif;
{I}if ($rowcnt < 0):
{I}  print "<A CLASS=\"next\" HREF=\"\" onClick=\"document.NextPageForm.submit(); return false;\">{msg:NextButton|php} >></A>\n";
{I}endif;
{I}if ($limit > 0):
)php",
          vars);
    pagingForm(QStringLiteral("PrevPageForm"), QStringLiteral("-"));
    Lines(uR"php(
{I}endif;
{I}if ($rowcnt < 0):
)php",
          vars);
    pagingForm(QStringLiteral("NextPageForm"), QStringLiteral("+"));
    Lines(u"{I}endif;", vars);
}
