// The session check of the login gate and the login pages. The session token
// comes only from the folder's cookie; posted credentials always open a fresh
// session for the account they prove, after a try of the limit of failed
// logins; a session idle too long, or twelve hours after its login, ends for
// good; a member's session lasts only while he is a member.
#include "PHPgenerator.h"

void TPHPGenerator::SessionCheck(bool admin) {
    const TBTable& t = Table();
    ConnectSnippet(QStringLiteral("  "), t);
    Lines(uR"php(
  $req = "DELETE FROM {TableName|php}_SESSIONS ";
  $tmpdate = date("YmdHis", time() - 3600);
  $req = $req." WHERE logindate < \"".$tmpdate."\";";
  $res = mysql_query($req) or die ("{msg:QueryError18|php}");
  $triesexceeded = 0;
  $freshlogin = 0;
  
  $sessionid = corvanta_session_cookie();
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
        Lines(uR"php(
  
  if ($sessionid) { 
    $req = "SELECT * FROM {TableName|php}_SESSIONS ";
    $req = $req." WHERE sessionid = \"".$sessionid."\";";
    $res = mysql_query($req) or die ("{msg:QueryError18|php}");
    if (mysql_num_rows($res) == 0) { $sessionid = 0; corvanta_end_session_cookie(); }
  }
)php");
    } else {
        // The session of a member who is no longer one is no session.
        Lines(uR"php(
  
  if ($sessionid) { 
    $req = "SELECT {TableName|php}_SESSIONS.* FROM {TableName|php}_SESSIONS, {TableName|php}_USERS ";
    $req = $req." WHERE sessionid = \"".$sessionid."\"";
    $req = $req."   AND {TableName|php}_USERS.userid = {TableName|php}_SESSIONS.userid;";
    $res = mysql_query($req) or die ("{msg:QueryError18|php}");
    if (mysql_num_rows($res) == 0) { 
      $req = "DELETE FROM {TableName|php}_SESSIONS WHERE sessionid = \"".$sessionid."\";";
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      $sessionid = 0;
      corvanta_end_session_cookie();
    }
  }
)php");
    }
    Lines(uR"php(
  
  if ($sessionid) { 
    $req = "SELECT * FROM {TableName|php}_SESSIONS ";
    $req = $req." WHERE sessionid = \"".$sessionid."\"";
    $tmpdate = date("YmdHis", time() - 60 * 30);
    $req = $req."   AND logindate > \"".$tmpdate."\"";
    $req = $req."   AND logintime > \"".date("YmdHis", time() - 12 * 3600)."\";";
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
    // An idle session is over: only a login opens another.
    Lines(uR"php(
      $currdate = date("YmdHis");
      $req = "UPDATE {TableName|php}_SESSIONS ";
      $req = $req." SET logindate = \"".$currdate."\"";
      $req = $req." WHERE sessionid = \"".$sessionid."\";";
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      $loggedin = 1;
    } else {
      $sessionexpired = 1;
      $req = "DELETE FROM {TableName|php}_SESSIONS WHERE sessionid = \"".$sessionid."\";";
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      $sessionid = 0;
      corvanta_end_session_cookie();
    }
  }
)php");
    if (admin) {
        // A strict comparison: "1e3" is not the password "1000".
        Lines(uR"php(
  if (array_key_exists("admin_password", $HTTP_POST_VARS)) { 
    $loggedin = 0;
    $passed = 0;
    if (!corvanta_admin_try()) {
      $triesexceeded = 1;
    } elseif ($HTTP_POST_VARS["admin_password"] !== "{AdminPassword|raw|php}") {
      $wrongpassword = 1;
    } else {
      $passed = 1;
    }
    if ($passed) {
      $userid = 0;
)php");
    } else {
        // The name compares as the database compares names (e-mail addresses
        // ignore case); the password byte for byte, as typed.
        Lines(uR"php(
  if (array_key_exists("login_email", $HTTP_POST_VARS) and array_key_exists("login_password", $HTTP_POST_VARS)) { 
    $account = $HTTP_POST_VARS["login_email"];
    $loggedin = 0;
    $rec = false;
    if (!corvanta_login_try($account)) {
      $triesexceeded = 1;
    } else {
      $req = "SELECT * FROM {TableName|php}_USERS ";
      $req = $req." WHERE username = \"".mysql_real_escape_string($HTTP_POST_VARS["login_email"])."\"";
      $req = $req."   AND BINARY userpassword = \"".mysql_real_escape_string($HTTP_POST_VARS["login_password"])."\";";
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      $rec = mysql_fetch_array($res, MYSQL_ASSOC);
      if (!$rec) { $wrongidpassword = 1; }
    }
    if ($rec) {
      $userid = $rec["userid"];
)php");
    }
    // The session the browser had ends; the login gets a token of its own.
    if (admin)
        WriteLine(u"      corvanta_admin_passed();");
    else
        WriteLine(u"      corvanta_login_passed($account);");
    Lines(uR"php(
      if ($sessionid) { 
        $req = "DELETE FROM {TableName|php}_SESSIONS WHERE sessionid = \"".$sessionid."\";";
        $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      }
      $currdate = date("YmdHis");
      $sessionid = corvanta_new_token();
)php");
    if (admin)
        Lines(uR"php(
      $req = "INSERT INTO {TableName|php}_SESSIONS(sessionid, userid, logindate, logintime) VALUES(\"".$sessionid."\", 0, \"".$currdate."\", \"".$currdate."\");";
)php");
    else
        Lines(uR"php(
      $req = "INSERT INTO {TableName|php}_SESSIONS(sessionid, userid, logindate, logintime) VALUES(\"".$sessionid."\", ".intval($rec["userid"]).", \"".$currdate."\", \"".$currdate."\");";
)php");
    Lines(uR"php(
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
      corvanta_set_session_cookie($sessionid);
      $loggedin = 1;
      $freshlogin = 1;
      $sessionexpired = 0;
    }
  }
)php");
    CloseSnippet(QStringLiteral("  "));
}

void TPHPGenerator::LoginMessages(bool admin) {
    Lines(admin ? uR"php(
    if ($wrongpassword) {
      print "<BR>{msg:WrongPassword|php}";
    }
)php"
                : uR"php(
    if ($wrongidpassword) {
      print "<BR>{msg:WrongIdPassword|php}";
    }
)php");
    Lines(uR"php(
    if ($triesexceeded) {
      print "<BR>".corvanta_try_refusal();
    }
    if ($sessionexpired) {
      print "<BR>{msg:LoginExpired|php}";
    }
)php");
}
