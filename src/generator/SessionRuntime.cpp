// The session part of runtime.php: the token lives in a cookie of its own
// folder (HttpOnly, SameSite=Lax, Secure over HTTPS), every page declares its
// character set and refuses to be framed by other sites, and a form another
// site's page sends is refused before the page acts on it.
#include "RuntimeParts.h"

QString TPHPGenerator::SessionCookie(const TBTable& t, bool admin) {
    // Letters, digits and "_" only: PHP and browsers take them as they are.
    QString name = QStringLiteral("corvanta_") + t.TableName;
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
            c = u'_';
    return name + (admin ? QStringLiteral("_admin") : QStringLiteral("_session"));
}

bool TPHPGenerator::HasVisitorSessions(const TBTable& t) {
    return t.UserMode == QLatin1String("Login") || t.UserMode == QLatin1String("Join");
}

void RuntimeParts::SessionHelpers(TPHPGenerator& g, const TBTable& t, bool admin) {
    g.Lines(uR"php(

if (!defined("CORVANTA_PAGE_CHARSET")) { define("CORVANTA_PAGE_CHARSET", "{msg:CharSet|php}"); }
if (!defined("CORVANTA_SESSION_COOKIE")) { define("CORVANTA_SESSION_COOKIE", "{cookie}"); }

if (!function_exists("corvanta_session_cookie")) {
  // The request came over HTTPS, here or at a proxy in front of this server.
  function corvanta_https() {
    if (!empty($_SERVER["HTTPS"]) and strtolower((string)$_SERVER["HTTPS"]) !== "off") { return true; }
    if (!isset($_SERVER["HTTP_X_FORWARDED_PROTO"])) { return false; }
    $proto = explode(",", (string)$_SERVER["HTTP_X_FORWARDED_PROTO"]);
    return strtolower(trim($proto[0])) === "https";
  }

  // A form that a page of another site sent. Browsers name the sender in
  // Sec-Fetch-Site, older ones in Origin; a request with neither comes from
  // a program, which has no visitor's cookie to misuse.
  function corvanta_foreign_post() {
    if (!isset($_SERVER["REQUEST_METHOD"]) or strtoupper((string)$_SERVER["REQUEST_METHOD"]) !== "POST") { return false; }
    if (isset($_SERVER["HTTP_SEC_FETCH_SITE"])) {
      return !in_array(strtolower((string)$_SERVER["HTTP_SEC_FETCH_SITE"]), array("same-origin", "none"), true);
    }
    if (!isset($_SERVER["HTTP_ORIGIN"])) { return false; }
    $origin = strtolower(trim((string)$_SERVER["HTTP_ORIGIN"]));
    foreach (array("HTTP_HOST", "HTTP_X_FORWARDED_HOST") as $name) {
      if (!isset($_SERVER[$name])) { continue; }
      $hosts = explode(",", strtolower((string)$_SERVER[$name]));
      $host = trim($hosts[0]);
      if ($host !== "" and ($origin === "http://".$host or $origin === "https://".$host)) { return false; }
    }
    return true;
  }

  // The folder of the running script: the cookie goes to its pages only.
  function corvanta_cookie_path() {
    $script = isset($_SERVER["SCRIPT_NAME"]) ? (string)$_SERVER["SCRIPT_NAME"] : "/";
    $path = rtrim(str_replace("\\", "/", dirname($script)), "/")."/";
    return preg_match('/^\/[^;,\s]*$/', $path) ? $path : "/";
  }

  // The session token the browser sent, or 0.
  function corvanta_session_cookie() {
    return isset($_COOKIE[CORVANTA_SESSION_COOKIE]) ? corvanta_token($_COOKIE[CORVANTA_SESSION_COOKIE]) : 0;
  }

  // The one cookie this answer sets: a new session replaces the end of the
  // old one sent a moment before.
  function corvanta_set_session_cookie($token) {
    if (headers_sent()) { return false; }
    header_remove("Set-Cookie");
    $_COOKIE[CORVANTA_SESSION_COOKIE] = $token;
    return setcookie(CORVANTA_SESSION_COOKIE, $token, array("expires" => 0, "path" => corvanta_cookie_path(), "secure" => corvanta_https(), "httponly" => true, "samesite" => "Lax"));
  }

  function corvanta_end_session_cookie() {
    unset($_COOKIE[CORVANTA_SESSION_COOKIE]);
    if (headers_sent()) { return false; }
    return setcookie(CORVANTA_SESSION_COOKIE, "", array("expires" => 1, "path" => corvanta_cookie_path(), "secure" => corvanta_https(), "httponly" => true, "samesite" => "Lax"));
  }

  // The visitor's address. Behind a proxy of the same network (a private or
  // local address) it is the last one the proxy adds.
  function corvanta_client() {
    $ip = isset($_SERVER["REMOTE_ADDR"]) ? (string)$_SERVER["REMOTE_ADDR"] : "";
    if (isset($_SERVER["HTTP_X_FORWARDED_FOR"]) and filter_var($ip, FILTER_VALIDATE_IP) and !filter_var($ip, FILTER_VALIDATE_IP, FILTER_FLAG_NO_PRIV_RANGE | FILTER_FLAG_NO_RES_RANGE)) {
      $list = explode(",", (string)$_SERVER["HTTP_X_FORWARDED_FOR"]);
      $last = trim(end($list));
      if (filter_var($last, FILTER_VALIDATE_IP)) { $ip = $last; }
    }
    return $ip;
  }
}

// Pages are buffered, so the session cookie can still be set where the page
// checks its login; a large answer (a picture) goes out in parts.
ob_start(null, 1048576);
if (!headers_sent()) {
  header("Content-Type: text/html; charset=".CORVANTA_PAGE_CHARSET);
  header("Referrer-Policy: same-origin");
  header("X-Frame-Options: SAMEORIGIN");
  header("Content-Security-Policy: frame-ancestors 'self'");
}
if (corvanta_foreign_post()) {
  http_response_code(403);
  die("<HTML><BODY><P>{msg:ForeignForm|php}</P></BODY></HTML>");
}
)php",
            {{QStringLiteral("cookie"), TPHPGenerator::SessionCookie(t, admin)}});
}
