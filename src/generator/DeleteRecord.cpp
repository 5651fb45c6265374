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
    print "{msg:NoAccessToThisDB|php}";
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
        print "{msg:EmailPasswordIncorrect|php}";
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
          print "{msg:RecordDeleteSuccess|php}";
        else:
          mysql_query("ROLLBACK");
          print "{msg:RecordDeleteFailure|php}";
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
      print "{msg:NoRecords|php}";
    endif;
    endif;
    if (array_key_exists("historyindex", $HTTP_POST_VARS)) :
      $historyback = intval($HTTP_POST_VARS["historyindex"]) + 1;
      print "<BR><A CLASS=\"back\" HREF=\"\" DATA-BACK=\"".$historyback."\">{msg:BackButton|php}</A>";
    endif;
  else:

//********************* delete question ************************
    // Reached without script (the Delete link) or by a form asking first.
    $confirmid = intval(corvanta_query("recordid"));
    if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "deleteconfirm") and array_key_exists("recordid", $HTTP_POST_VARS)) :
      $confirmid = intval($HTTP_POST_VARS["recordid"]);
    endif;
    if ($confirmid > 0) :
      $req = "SELECT * FROM {TableName|php} WHERE recordid = ".$confirmid;
)php");
        if (!admin)
            Lines(uR"php(
      $req = $req." AND userid = ".intval($userid)." AND ".intval($userid)." <> 0";
)php");
        Lines(uR"php(
      $res = mysql_query($req) or die ("{msg:QueryError4|php}");
      if (mysql_num_rows($res) > 0) :
        $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
        RecordForm(QStringLiteral("        "), admin, QString(), QStringLiteral("$rec"),
                   TFormMode::Display);
        Lines(uR"php(
        print "<P CLASS=\"confirm\">{msg:DeleteConfirm|php}</P>\n";
        print "<FORM NAME=\"DeleteConfirm\" METHOD=\"POST\" ACTION=\"delete_record.php\">".corvanta_form_field()."\n";
        print "<INPUT TYPE=\"hidden\" NAME=\"recordid\" VALUE=\"".$confirmid."\">\n";
        print "<INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"deleteaction\">\n";
        print "<INPUT TYPE=\"submit\" CLASS=\"danger\" VALUE=\"{msg:DeleteRecordLink|php}\">\n";
        print "<A CLASS=\"back\" HREF=\"search.php\" DATA-BACK=\"1\">{msg:CancelButton|php}</A>\n";
        print "</FORM>\n";
      else:
        print "{msg:NoRecords|php}";
      endif;
    else:

//********************* delete form ************************
)php");
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
          print "{msg:WrongIdPassword|php}";
        else:
          print "{msg:NoRecords|php}";
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
