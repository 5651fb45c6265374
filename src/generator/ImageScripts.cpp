// The pictures stored in the database: get_image.php sends one, show_image.php
// shows one on a page of its own. Both are the same in both folders.
#include "PHPgenerator.h"

bool TPHPGenerator::ImageDownload(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("get_image.php"), [&] {
        Lines(uR"php(
<?php 
$qstr = getenv("QUERY_STRING");
if ($qstr) {
)php");
        ConnectSnippet(QStringLiteral("  "), t);
        // The picture's key comes from the query string (a random key, never
        // the row number, so pictures cannot be counted through), the session
        // from its cookie. Whatever the table holds, only a picture goes out,
        // and a browser may neither take it for a page nor run a script in it.
        Lines(uR"php(
  $sessionid = 0;
  $sessionid = corvanta_session_cookie();
  $imagekey = corvanta_token(corvanta_query("imageid"));
  $query = "select userid from {TableName|php}_SESSIONS where sessionid=\"$sessionid\"";
  $result = @mysql_query($query);
  $userid = @mysql_result($result, 0, "userid");
  $query = "select image_data, image_type from {TableName|php}_IMAGES where (imagekey='".($imagekey ? $imagekey : "-")."')";
  if ($userid > 0) {
    $query = $query." and ((userid=".intval($userid).") or (userid=0))";
  }
  $result = @mysql_query($query);
  $image_data = @mysql_result($result, 0, "image_data");
  $image_type = @mysql_result($result, 0, "image_type");
  if (!is_string($image_type) or !preg_match('/^image\/[0-9A-Za-z.+-]+$/', $image_type)) { $image_type = ""; $image_data = ""; }
  header("X-Content-Type-Options: nosniff");
  header("Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; sandbox");
  header("Content-type: $image_type");
  echo $image_data;
)php");
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
}
?>
)php");
    });
}

bool TPHPGenerator::ImagePage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("show_image.php"), [&] {
        HtmlHead();
        Lines(uR"php(
  </HEAD>
  <BODY>
<?php 
$qstr = getenv("QUERY_STRING");
if ($qstr) {
  print "<IMG SRC=\"get_image.php?".corvanta_html($qstr)."\" ALT=\"\">";
}
?>
  </BODY>
</HTML>
)php");
    });
}
