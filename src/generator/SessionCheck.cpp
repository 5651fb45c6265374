// The session check of the login gate and the login pages. A session id is a
// random token checked by corvanta_token() before it reaches SQL; posted
// credentials are escaped; the query string only yields "sessionid".
#include "PHPgenerator.h"

void TPHPGenerator::SessionCheck(bool admin) {
    const TBTable& t = Table();
    ConnectSnippet(QStringLiteral("  "), t);
    Lines(uR"php(
  $req = "DELETE FROM {TableName|php}_SESSIONS ";
  $tmpdate = date("YmdHis", time() - 3600);
  $req = $req." WHERE logindate < \"".$tmpdate."\";";
  $res = mysql_query($req) or die ("{msg:QueryError18|php}");
  
  $sessionid = 0;
  if (array_key_exists("sessionid", $HTTP_POST_VARS)) { $sessionid = $HTTP_POST_VARS["sessionid"]; }
  
  if (!$sessionid) { 
    $qstr = getenv("QUERY_STRING");
    if ($qstr) { parse_str($qstr, $qvars); if (array_key_exists("sessionid", $qvars)) { $sessionid = $qvars["sessionid"]; } }
  }
  $sessionid = corvanta_token($sessionid);
)php");
    if (admin) {
        // A member's session presented to an administrator page ends here.
        Lines(uR"php(
  if ($sessionid) { 
    $req = "DELETE FROM {TableName|php}_SESSIONS ";
    $req = $req." WHERE sessionid = \"".$sessionid."\"";
    $req = $req."   AND userid <> 0;";
    $res = mysql_query($req) or die ("{msg:QueryError18|php}");
  }
)php");
    }
    Lines(uR"php(
  
  if ($sessionid) { 
    $req = "SELECT * FROM {TableName|php}_SESSIONS ";
    $req = $req." WHERE sessionid = \"".$sessionid."\";";
    $res = mysql_query($req) or die ("{msg:QueryError18|php}");
    if (mysql_num_rows($res) == 0) { $sessionid = 0; }
  }
  
  if ($sessionid) { 
    $req = "SELECT * FROM {TableName|php}_SESSIONS ";
    $req = $req." WHERE sessionid = \"".$sessionid."\"";
    $tmpdate = date("YmdHis", time() - 60 * 30);
    $req = $req."   AND logindate > \"".$tmpdate."\";";
    $res = mysql_query($req) or die ("{msg:QueryError18|php}");
    if (mysql_num_rows($res) > 0) {
)php");
    if (admin)
        WriteLine(u"      $userid = 0;");
    else
        Lines(uR"php(
      $rec = mysql_fetch_array($res, MYSQL_ASSOC);
      $userid = $rec["userid"];
)php");
    Lines(uR"php(
      $currdate = date("YmdHis");
      $req = "UPDATE {TableName|php}_SESSIONS ";
      $req = $req." SET logindate = \"".$currdate."\"";
      $req = $req." WHERE sessionid = \"".$sessionid."\";";
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      $loggedin = 1;
    } else {
      $sessionexpired = 1;
    }
  }
  if (!$sessionid or $sessionexpired) { 
)php");
    if (admin) {
        // A strict comparison: "1e3" is not the password "1000".
        Lines(uR"php(
    if (array_key_exists("admin_password", $HTTP_POST_VARS)) { 
      if ($HTTP_POST_VARS["admin_password"] !== "{AdminPassword|php}") {
        $wrongpassword = 1;
      } else {
        $userid = 0;
)php");
    } else {
        // The name compares as the database compares names (e-mail addresses
        // ignore case); the password byte for byte, as typed.
        Lines(uR"php(
    if (array_key_exists("login_email", $HTTP_POST_VARS) and array_key_exists("login_password", $HTTP_POST_VARS)) { 
      $req = "SELECT * FROM {TableName|php}_USERS ";
      $req = $req." WHERE username = \"".mysql_real_escape_string($HTTP_POST_VARS["login_email"])."\"";
      $req = $req."   AND BINARY userpassword = \"".mysql_real_escape_string($HTTP_POST_VARS["login_password"])."\";";
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      if (mysql_num_rows($res) == 0) {
        $wrongidpassword = 1;
      } else {
        $rec = mysql_fetch_array($res, MYSQL_ASSOC);
        $userid = $rec["userid"];
)php");
    }
    Lines(uR"php(
        $currdate = date("YmdHis");
        if (!$sessionid) { 
          $sessionid = corvanta_new_token();
)php");
    if (admin)
        Lines(uR"php(
          $req = "INSERT INTO {TableName|php}_SESSIONS(sessionid, userid, logindate) VALUES(\"".$sessionid."\", 0, \"".$currdate."\");";
)php");
    else
        Lines(uR"php(
          $req = "INSERT INTO {TableName|php}_SESSIONS(sessionid, userid, logindate) VALUES(\"".$sessionid."\", ".intval($rec["userid"]).", \"".$currdate."\");";
)php");
    Lines(uR"php(
          $res = mysql_query($req) or die ("{msg:QueryError18|php}");
        }
        if ($sessionexpired) { 
          $req = "UPDATE {TableName|php}_SESSIONS ";
          $req = $req." SET logindate = \"".$currdate."\"";
          $req = $req." WHERE sessionid = \"".$sessionid."\";";
          $res = mysql_query($req) or die ("{msg:QueryError18|php}");
        }
        $loggedin = 1;
        $sessionexpired = 0;
      }
    }
  }
)php");
    CloseSnippet(QStringLiteral("  "));
}
