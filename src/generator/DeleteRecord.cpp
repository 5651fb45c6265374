// delete_record.php: the delete action (a visitor deletes only his own
// records, their pictures with them, in one transaction) and the list of
// records to delete.
#include "RecordParts.h"

using namespace RecordParts;

bool TPHPGenerator::DeletePage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("delete_record.php"), [&] {
        PageHead(admin, QStringLiteral("delete_record.php"), QStringLiteral("delete"));
        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(

//********************* delete action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "deleteaction")) :
)php");
        // Without the permission the page deletes nothing, whatever is posted.
        if (!MayDelete(t, admin))
            Lines(uR"php(
    corvanta_message("{msg:NoAccessToThisDB|php}", false);
    if (FALSE) :
)php");
        else
            WriteLine(u"    if (TRUE) :");
        Lines(uR"php(
    $req = "SELECT * FROM {TableName|php} WHERE recordid = ".intval($HTTP_POST_VARS["recordid"]).";";
    $res = mysql_query($req) or die ("{msg:QueryError4|php}");
    if (mysql_num_rows($res) > 0) :
      $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
        if (admin)
            WriteLine(u"      if (TRUE):");
        else
            Lines(uR"php(
      if (($userid == 0) or ($userid != $rec["userid"])):
        corvanta_message("{msg:EmailPasswordIncorrect|php}", false);
      else :
)php");
        // The record and its pictures go together, or neither does.
        Lines(uR"php(
        mysql_query("START TRANSACTION");
        $res = mysql_query("DELETE FROM {TableName|php} WHERE recordid = ".intval($HTTP_POST_VARS["recordid"]).";");
)php");
        for (size_t i = 1; i < t.Fields.size(); ++i) {
            const QString column = PictureColumn(t.Fields[i]);
            if (!column.isEmpty())
                Lines(uR"php(
        if ($res and ($rec["{c}"] != 0)):
          $res = mysql_query("DELETE FROM {TableName|php}_IMAGES WHERE imageid = ".intval($rec["{c}"]));
        endif;
)php",
                      {{QStringLiteral("c"), column}});
        }
        Lines(uR"php(
        $res = ($res && mysql_query("COMMIT"));
        if ($res):
          corvanta_message("{msg:RecordDeleteSuccess|php}");
        else:
          mysql_query("ROLLBACK");
          corvanta_message("{msg:RecordDeleteFailure|php}", false);
        endif;
)php");
        if (t.SendEmail) {
            // Only a deletion that went through is told.
            WriteLine(u"        if ($res):");
            NotificationSnippet(QStringLiteral("          "), QStringLiteral("Delete record"));
            WriteLine(u"        endif;");
        }
        Lines(uR"php(
      endif;
    else:
      corvanta_message("{msg:NoRecords|php}", false);
    endif;
    endif;
    print "<P><A CLASS=\"back\" HREF=\"{back}\">{msg:BackButton|php}</A></P>\n";
  else:

//********************* delete question ************************
    // Reached without script (the Delete link) or by a form asking first.
    $confirmid = intval(corvanta_query("recordid"));
    if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "deleteconfirm") and array_key_exists("recordid", $HTTP_POST_VARS)) :
      $confirmid = intval($HTTP_POST_VARS["recordid"]);
    endif;
    if ($confirmid > 0) :
      $req = "SELECT * FROM {TableName|php} WHERE recordid = ".$confirmid;
)php",
              {{QStringLiteral("back"),
                admin ? QStringLiteral("search.php") : QStringLiteral("delete_record.php")}});
        if (!admin)
            Lines(uR"php(
      $req = $req." AND userid = ".intval($userid)." AND ".intval($userid)." <> 0";
)php");
        Lines(uR"php(
      $res = mysql_query($req) or die ("{msg:QueryError4|php}");
      if (mysql_num_rows($res) > 0) :
        $rec = mysql_fetch_array($res, MYSQL_ASSOC);
        print "<H2>{msg:DeleteRecordLabel|php}</H2>\n";
)php");
        RecordForm(QStringLiteral("        "), admin, QString(), QStringLiteral("$rec"),
                   TFormMode::Display);
        Lines(uR"php(
        print "<P CLASS=\"confirm\" ID=\"confirm\">{msg:DeleteConfirm|php} <STRONG>".corvanta_html({name|raw})."</STRONG></P>\n";
        print "<FORM NAME=\"DeleteConfirm\" METHOD=\"POST\" ACTION=\"delete_record.php\">".corvanta_form_field()."\n";
        print "<INPUT TYPE=\"hidden\" NAME=\"recordid\" VALUE=\"".$confirmid."\">\n";
        print "<INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"deleteaction\">\n";
        print "<INPUT TYPE=\"submit\" CLASS=\"danger\" VALUE=\"{msg:DeleteRecordLink|php}\" ARIA-DESCRIBEDBY=\"confirm\">\n";
        print "<A CLASS=\"back\" HREF=\"record.php?id=".$confirmid."\">{msg:CancelButton|php}</A>\n";
        print "</FORM>\n";
      else:
        corvanta_message("{msg:NoRecords|php}", false);
      endif;
    else:

//********************* delete form ************************
)php",
              {{QStringLiteral("name"), RecordNameExpression(t, admin, QStringLiteral("$rec"))}});
        if (admin)
            Lines(uR"php(
    if (array_key_exists("recordid", $HTTP_POST_VARS)): 
        $req = "SELECT * FROM {TableName|php}";
        $req = $req." WHERE recordid = ".intval($HTTP_POST_VARS["recordid"]);
)php");
        else
            Lines(uR"php(
    if (true): 
        $req = "SELECT * FROM {TableName|php}";
      $req = $req." WHERE userid    = \"".intval($userid)."\"";
      if (array_key_exists("recordid", $HTTP_POST_VARS)): 
        $req = $req." AND recordid = ".intval($HTTP_POST_VARS["recordid"]);
      endif;
)php");
        SelectionPaging(*this, t, QStringLiteral("QueryError19"));
        // A logged-in member without records has no wrong credentials.
        Lines(uR"php(
      if (mysql_num_rows($res) == 0) :
        if (empty($loggedin)) :
          corvanta_message("{msg:WrongIdPassword|php}", false);
        else:
          corvanta_message("{msg:NoRecords|php}", false);
        endif;
      else:
)php");
        ResultTable(QStringLiteral("        "), false, QStringLiteral("delete_record.php"), admin,
                    true, false);
        Lines(uR"php(
      endif;
    endif;
    endif;
  endif;
)php");
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
  </BODY>
</HTML>
)php");
    });
}
