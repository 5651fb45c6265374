// record.php?id=N: one record on a page of its own, an address that can be
// bookmarked and shared. It shows what the site's search may show: where a
// visitor may not search, a member sees his own records only; hidden fields
// stay on the administrator's site. A record the visitor may not see is
// answered as one that does not exist.
#include "RecordParts.h"

using namespace RecordParts;

bool TPHPGenerator::RecordPage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("record.php"), [&] {
        PageHead(admin, QStringLiteral("record.php"), QStringLiteral("record"));
        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(
  $recordid = intval(corvanta_query("id"));
  $req = "SELECT * FROM {TableName|php} WHERE recordid = ".$recordid{own|raw}.";";
  $res = mysql_query($req) or die ("{msg:QueryError5|php}");
  $rec = ($recordid > 0) ? mysql_fetch_array($res, MYSQL_ASSOC) : false;
  if ($rec) :
    print "<H2>".corvanta_html({name|raw})."</H2>\n";
)php",
              {{QStringLiteral("own"),
                MaySearch(t, admin)
                    ? QString()
                    : QStringLiteral(".\" AND userid = \".intval($userid).\" AND userid <> 0\"")},
               {QStringLiteral("name"), RecordNameExpression(t, admin, QStringLiteral("$rec"))}});
        RecordForm(QStringLiteral("    "), admin, QString(), QStringLiteral("$rec"),
                   TFormMode::Display);
        // The record's owner (or the administrator) may change it from here.
        const bool modify = t.UserUpdate && MayAddModify(t, admin);
        const bool remove = t.UserUpdate && MayDelete(t, admin);
        if (admin || modify || remove) {
            Lines(admin || !t.UserUpdate
                      ? uR"php(    if (true) :)php"
                      : uR"php(    if (!empty($userid) and ($rec["userid"] == $userid)) :)php");
            if (admin || modify)
                Lines(uR"php(
      print "<A CLASS=\"action\" HREF=\"modify_record.php?recordid=".$recordid."\">{msg:ModifyRecordLink|php}</A>\n";
)php");
            if (admin || remove)
                Lines(uR"php(
      print "<A CLASS=\"action danger\" HREF=\"delete_record.php?recordid=".$recordid."\">{msg:DeleteRecordLink|php}</A>\n";
)php");
            WriteLine(u"    endif;");
        }
        Lines(uR"php(
  else:
    if (!headers_sent()) { http_response_code(404); }
    corvanta_message("{msg:NoRecords|php}", false);
  endif;
)php");
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
  </MAIN>
  </BODY>
</HTML>
)php");
    });
}
