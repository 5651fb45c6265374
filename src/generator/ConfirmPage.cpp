// confirm.php: a member who joined proves the address is his. The link of
// the mail opens a button (a mail scanner that follows links confirms
// nothing); the button posts the one-time key, which then ends, and the
// notice of the record he joined with goes out.
#include "RecordParts.h"

bool TPHPGenerator::ConfirmPage(const TBTable& t) {
    return WriteFile(t, false, QStringLiteral("confirm.php"), [&] {
        HtmlHead();
        Lines(uR"php(
  </HEAD>
  <BODY CLASS="confirm">
)php");
        PageTop(false);
        Lines(uR"php(
      <H1>{DatabaseDisplayName}</H1>
<?php
)php");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(
  $posted = (corvanta_posted("job") == "confirm");
  $key = corvanta_token($posted ? corvanta_posted("key") : corvanta_query("key"));
  $recuser = false;
  if ($key) :
    $res = mysql_query("SELECT * FROM {TableName|php}_USERS WHERE confirmkey = '".$key."'");
    $recuser = $res ? mysql_fetch_array($res, MYSQL_ASSOC) : false;
  endif;
  if (!$recuser) :
    print "<P CLASS=\"corvanta_error\">{msg:ConfirmUnknown|php}</P>\n";
  elseif (!$posted) :
    print "<FORM NAME=\"Confirm\" METHOD=\"POST\" ACTION=\"confirm.php\">".corvanta_form_field()."\n";
    print "<INPUT TYPE=\"hidden\" NAME=\"key\" VALUE=\"".$key."\">\n";
    print "<INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"confirm\">\n";
    print "<INPUT TYPE=\"submit\" VALUE=\"{msg:ConfirmButton|php}\">\n";
    print "</FORM>\n";
  elseif (mysql_query("UPDATE {TableName|php}_USERS SET confirmkey = NULL WHERE userid = ".intval($recuser["userid"])." AND confirmkey = '".$key."'") and (mysql_affected_rows() == 1)) :
    print "<P CLASS=\"corvanta_ok\">{msg:ConfirmDone|php}</P>\n";
    $res = mysql_query("SELECT * FROM {TableName|php} WHERE userid = ".intval($recuser["userid"])." ORDER BY recordid LIMIT 1");
    $rec = $res ? mysql_fetch_array($res, MYSQL_ASSOC) : false;
    if ($rec) :
)php");
        NotificationSnippet(QStringLiteral("      "), QStringLiteral("Create record"));
        Lines(uR"php(
    endif;
  else:
    print "<P CLASS=\"corvanta_error\">{msg:ConfirmUnknown|php}</P>\n";
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
