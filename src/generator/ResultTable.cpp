// The result table: a page of found records with their running numbers,
// each a link to the record's own page, modify and delete links, and the
// pages of the result as links. Every value cell names its field, so a skin
// can show a record as a card on a phone.
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
{I}if (mysql_num_rows($res) > 0) :
{I}  print "<DIV CLASS=\"searchresult_box\">\n";
{I}  print "<TABLE CLASS=\"searchresult\">\n";
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
{I}  print "</TR>\n";
{I}else:
{I}  print "<P CLASS=\"searchresult_none\">{msg:NoRecords|php}</P>\n";
{I}endif;
{I}$seqno = $limit + 1;
{I}$isOdd = 1;
{I}$rowcnt = {LinesPerPage};
{I}while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
{I}  $rowcnt--;
{I}  if ($rowcnt < 0):
{I}    break;
{I}  endif;
{I}  print "<TR CLASS=\"searchresult_".(($isOdd == 1) ? "odd" : "even")."\">\n";
{I}  $isOdd = 1 - $isOdd;
{I}  print "<TD CLASS=\"searchresult_nr\" DATA-LABEL=\"{msg:Nr|php}\"><A HREF=\"record.php?id=".intval($rec["recordid"])."\">".$seqno."</A></TD>\n";
{I}  $seqno++;
)php",
          vars);
    // Long texts are cut to a few lines by the skin; the record's page has
    // them whole.
    for (size_t i = 0; i < columns.size(); ++i) {
        const bool text = columns[i]->FieldType == FieldTypes::Text;
        Lines(
            text
                ? uR"php({I}  print "<TD CLASS=\"searchresult_{col}\" DATA-LABEL=\"{Name|php}\"><DIV CLASS=\"clamp\">";)php"
                : uR"php({I}  print "<TD CLASS=\"searchresult_{col}\" DATA-LABEL=\"{Name|php}\">";)php",
            *columns[i], colVars(i));
        ValueDisplaySnippet(indent + QStringLiteral("  "), *columns[i], true, false,
                            QStringLiteral("print "), QStringLiteral("$rec"));
        Lines(text ? uR"php({I}  print "</DIV></TD>\n";)php" : uR"php({I}  print "</TD>\n";)php",
              vars);
    }

    // Links only on the rows the user may change; each describes its record
    // (its title), so a screen reader need not go back along the row.
    if (modifyCell || deleteCell)
        Lines(uR"php({I}  $recordname = corvanta_html({name|raw});)php",
              TTemplateVars(vars) << std::pair{
                  QStringLiteral("name"), RecordNameExpression(t, admin, QStringLiteral("$rec"))});
    const QString owner = (admin || !t.UserUpdate)
                              ? QStringLiteral("true")
                              : QStringLiteral("($rec[\"userid\"] == $userid)");
    const auto cell = [&](const QString& cssClass, const QString& linkKey, const QString& page) {
        Lines(uR"php(
{I}  print "<TD CLASS=\"{class}\">";
{I}  if ({owner|raw}) :
{I}    print "<A CLASS=\"action\" HREF=\"{page}?recordid=".intval($rec["recordid"])."\" TITLE=\"".$recordname."\">{link|raw|php}</A>";
{I}  endif;
{I}  print "</TD>\n";
)php",
              TTemplateVars(vars) << std::pair{QStringLiteral("class"), cssClass}
                                  << std::pair{QStringLiteral("link"), t.Language.Text(linkKey)}
                                  << std::pair{QStringLiteral("page"), page}
                                  << std::pair{QStringLiteral("owner"), owner});
    };
    if (modifyCell)
        cell(QStringLiteral("searchresult_modify"), QStringLiteral("ModifyRecordLink"),
             QStringLiteral("modify_record.php"));
    // The delete link leads to the question, which names the record.
    if (deleteCell)
        cell(QStringLiteral("searchresult_delete"), QStringLiteral("DeleteRecordLink"),
             QStringLiteral("delete_record.php"));

    // The pages of the result are addresses: the same search, another page.
    Lines(uR"php(
{I}  print "</TR>\n";
{I}}
{I}if (mysql_num_rows($res) > 0) :
{I}  print "</TABLE></DIV>\n";
{I}endif;
{I}$pagelinks = isset($numofrecords) ? corvanta_pages($limit, {LinesPerPage}, $numofrecords) : array();
{I}if (($limit > 0) or ($rowcnt < 0)):
{I}  $pagenr = intval($limit / {LinesPerPage}) + 1;
{I}  print "<NAV CLASS=\"pages\" ARIA-LABEL=\"{msg:PagesLabel|php}\">\n";
{I}  if ($limit > 0):
{I}    print "<A CLASS=\"previous\" REL=\"prev\" HREF=\"".corvanta_html(corvanta_page_url("{action|php}", array("page" => $pagenr - 1)))."\">&lt;&lt; {msg:PreviousButton|php}</A>\n";
{I}  endif;
{I}  foreach ($pagelinks as $first) {
{I}    if ($first === null):
{I}      print "<SPAN CLASS=\"page_gap\">&hellip;</SPAN>\n";
{I}    elseif (($limit >= $first) and ($limit < $first + {LinesPerPage})):
{I}      print "<SPAN CLASS=\"page_current\" ARIA-CURRENT=\"page\">".corvanta_count($first / {LinesPerPage} + 1, "{msg:ThousandsSeparator|php}")."</SPAN>\n";
{I}    else:
{I}      print "<A CLASS=\"page\" HREF=\"".corvanta_html(corvanta_page_url("{action|php}", array("page" => intval($first / {LinesPerPage}) + 1)))."\">".corvanta_count($first / {LinesPerPage} + 1, "{msg:ThousandsSeparator|php}")."</A>\n";
{I}    endif;
{I}  }
{I}  if ($rowcnt < 0):
{I}    print "<A CLASS=\"next\" REL=\"next\" HREF=\"".corvanta_html(corvanta_page_url("{action|php}", array("page" => $pagenr + 1)))."\">{msg:NextButton|php} &gt;&gt;</A>\n";
{I}  endif;
{I}  print "</NAV>\n";
{I}endif;
)php",
          vars);
}
