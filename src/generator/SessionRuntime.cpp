// The session part of runtime.php: the token lives in a cookie of its own
// folder (HttpOnly, SameSite=Lax, Secure over HTTPS), every page declares its
// character set, allows only the site's own scripts and styles and refuses to
// be framed by other sites, and a form another site's page sends, or one
// without the token of the visitor's form session, is refused before the
// page acts on it.
#include "RuntimeParts.h"

QString TPHPGenerator::SessionCookie(const TBTable& t, bool admin) {
    // Letters, digits and "_" only: PHP and browsers take them as they are.
    QString name = QStringLiteral("corvanta_") + t.TableName;
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
            c = u'_';
    return name + (admin ? QStringLiteral("_admin") : QStringLiteral("_session"));
}

QString TPHPGenerator::FormCookie(const TBTable& t, bool admin) {
    return SessionCookie(t, admin) + QStringLiteral("_form");
}

QString TPHPGenerator::ContentSecurityPolicy() {
    return QStringLiteral("script-src 'self'; style-src 'self'; object-src 'none'; base-uri "
                          "'self'; form-action 'self' mailto:; frame-ancestors 'self'");
}

bool TPHPGenerator::HasVisitorSessions(const TBTable& t) {
    return t.UserMode == QLatin1String("Login") || t.UserMode == QLatin1String("Join");
}

void RuntimeParts::SessionHelpers(TPHPGenerator& g, const TBTable& t, bool admin) {
    g.Lines(uR"php(

if (!defined("CORVANTA_PAGE_CHARSET")) { define("CORVANTA_PAGE_CHARSET", "{msg:CharSet|php}"); }
if (!defined("CORVANTA_SESSION_COOKIE")) { define("CORVANTA_SESSION_COOKIE", "{cookie}"); }
if (!defined("CORVANTA_FORM_COOKIE")) { define("CORVANTA_FORM_COOKIE", "{formcookie}"); }
if (!defined("CORVANTA_TRUSTED_PROXIES")) { define("CORVANTA_TRUSTED_PROXIES", "{proxies|raw|php}"); }

if (!function_exists("corvanta_session_cookie")) {
  // The request came over HTTPS, here or at a proxy in front of this server.
  function corvanta_https() {
    if (!empty($_SERVER["HTTPS"]) and strtolower((string)$_SERVER["HTTPS"]) !== "off") { return true; }
    if (!isset($_SERVER["HTTP_X_FORWARDED_PROTO"])) { return false; }
    $proto = explode(",", (string)$_SERVER["HTTP_X_FORWARDED_PROTO"]);
    return strtolower(trim($proto[0])) === "https";
  }

  // A form that a page of another site sent. Browsers name the sender in
  // Sec-Fetch-Site, older ones in Origin; a request with neither must then
  // carry the token of its form session (corvanta_form_refused).
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

  function corvanta_cookie($name, $value, $expires) {
    return setcookie($name, $value, array("expires" => $expires, "path" => corvanta_cookie_path(), "secure" => corvanta_https(), "httponly" => true, "samesite" => "Lax"));
  }

  // The session token the browser sent, or 0.
  function corvanta_session_cookie() {
    return isset($_COOKIE[CORVANTA_SESSION_COOKIE]) ? corvanta_token($_COOKIE[CORVANTA_SESSION_COOKIE]) : 0;
  }

  // The cookies this answer sets: a new session replaces the end of the old
  // one sent a moment before, and gets a form session of its own, so no
  // token handed out before the login counts after it.
  function corvanta_set_session_cookie($token) {
    if (headers_sent()) { return false; }
    header_remove("Set-Cookie");
    $_COOKIE[CORVANTA_SESSION_COOKIE] = $token;
    unset($_COOKIE[CORVANTA_FORM_COOKIE]);
    corvanta_form_session();
    return corvanta_cookie(CORVANTA_SESSION_COOKIE, $token, 0);
  }

  function corvanta_end_session_cookie() {
    unset($_COOKIE[CORVANTA_SESSION_COOKIE]);
    if (headers_sent()) { return false; }
    return corvanta_cookie(CORVANTA_SESSION_COOKIE, "", 1);
  }

  // The visitor's form session: a random token in a cookie of its own, made
  // on first use. Forms carry a token derived from it; pictures a refused
  // form kept belong to it.
  function corvanta_form_session() {
    $session = isset($_COOKIE[CORVANTA_FORM_COOKIE]) ? corvanta_token($_COOKIE[CORVANTA_FORM_COOKIE]) : 0;
    if (!$session) {
      $session = corvanta_new_token();
      $_COOKIE[CORVANTA_FORM_COOKIE] = $session;
      if (!headers_sent()) { corvanta_cookie(CORVANTA_FORM_COOKIE, $session, 0); }
    }
    return $session;
  }

  function corvanta_form_token() {
    return substr(hash_hmac("sha256", "form|".corvanta_form_session(), CORVANTA_SITE_KEY), 0, 32);
  }

  // The hidden field every form that posts to this site carries.
  function corvanta_form_field() {
    return "<INPUT TYPE=\"hidden\" NAME=\"corvanta_form\" VALUE=\"".corvanta_form_token()."\">";
  }

  // A post that carries the session cookie (so a browser may have sent it
  // for a page of another site) but not the token of its form session. A
  // post without a session acts for nobody and needs none: two pages a new
  // visitor opened at once each got a form session of their own.
  function corvanta_form_refused() {
    if (!isset($_SERVER["REQUEST_METHOD"]) or strtoupper((string)$_SERVER["REQUEST_METHOD"]) !== "POST") { return false; }
    if (!isset($_COOKIE[CORVANTA_SESSION_COOKIE])) { return false; }
    // A form the host dropped whole acts on nothing and says why.
    if (empty($_POST) and empty($_FILES) and isset($_SERVER["CONTENT_LENGTH"]) and (int)$_SERVER["CONTENT_LENGTH"] > 0) { return false; }
    $sent = isset($_POST["corvanta_form"]) ? $_POST["corvanta_form"] : (isset($_SERVER["HTTP_X_CORVANTA_FORM"]) ? $_SERVER["HTTP_X_CORVANTA_FORM"] : "");
    if (!is_string($sent) or !isset($_COOKIE[CORVANTA_FORM_COOKIE]) or !corvanta_token($_COOKIE[CORVANTA_FORM_COOKIE])) { return true; }
    return !hash_equals(corvanta_form_token(), $sent);
  }

  // An address as its bytes; an IPv4 address written as IPv6
  // (::ffff:a.b.c.d) as IPv4. False for what is no address.
  function corvanta_packed_ip($ip) {
    $packed = @inet_pton(trim((string)$ip));
    if ($packed !== false and strlen($packed) == 16 and substr($packed, 0, 12) === str_repeat("\0", 10)."\xff\xff") { $packed = substr($packed, 12); }
    return $packed;
  }

  // $ip lies in $net: an address, or a network "address/bits".
  function corvanta_ip_in($ip, $net) {
    $parts = explode("/", trim((string)$net), 2);
    $a = corvanta_packed_ip($ip);
    $b = corvanta_packed_ip($parts[0]);
    if ($a === false or $b === false or strlen($a) != strlen($b)) { return false; }
    $bits = strlen($a) * 8;
    if (isset($parts[1]) and ctype_digit(trim($parts[1]))) { $bits = min(intval($parts[1]), $bits); }
    $bytes = intval($bits / 8);
    if (substr($a, 0, $bytes) !== substr($b, 0, $bytes)) { return false; }
    if ($bits % 8 == 0) { return true; }
    $mask = (0xff << (8 - $bits % 8)) & 0xff;
    return (ord($a[$bytes]) & $mask) == (ord($b[$bytes]) & $mask);
  }

  // A proxy of the site's owner (the setting TrustedProxies).
  function corvanta_trusted_proxy($ip) {
    foreach (explode(",", CORVANTA_TRUSTED_PROXIES) as $net) {
      if (trim($net) !== "" and corvanta_ip_in($ip, $net)) { return true; }
    }
    return false;
  }

  // The visitor's address: the one the connection came from, unless that is
  // a proxy of the owner; then the last address of X-Forwarded-For that no
  // proxy of the owner added. What a visitor writes there himself comes
  // before it and is never taken.
  function corvanta_client() {
    $ip = isset($_SERVER["REMOTE_ADDR"]) ? (string)$_SERVER["REMOTE_ADDR"] : "";
    if (!isset($_SERVER["HTTP_X_FORWARDED_FOR"]) or !corvanta_trusted_proxy($ip)) { return $ip; }
    foreach (array_reverse(explode(",", (string)$_SERVER["HTTP_X_FORWARDED_FOR"])) as $hop) {
      $hop = trim($hop);
      if (!filter_var($hop, FILTER_VALIDATE_IP)) { break; }
      $ip = $hop;
      if (!corvanta_trusted_proxy($hop)) { break; }
    }
    return $ip;
  }

  // The answer to a login by post: the same page again, by GET, so the
  // password is in no page and no history entry sends it again.
  function corvanta_see_other() {
    $script = basename(isset($_SERVER["SCRIPT_NAME"]) ? (string)$_SERVER["SCRIPT_NAME"] : "");
    $query = isset($_SERVER["QUERY_STRING"]) ? (string)$_SERVER["QUERY_STRING"] : "";
    if (!preg_match('/^[A-Za-z0-9_]+\.php$/', $script)) { $script = "index.html"; }
    if (!preg_match('/^[A-Za-z0-9_=&.-]*$/', $query)) { $query = ""; }
    while (ob_get_level() > 0) { ob_end_clean(); }
    header("Location: ".$script.($query !== "" ? "?".$query : ""), true, 303);
    exit();
  }
}
)php",
            {{QStringLiteral("cookie"), TPHPGenerator::SessionCookie(t, admin)},
             {QStringLiteral("formcookie"), TPHPGenerator::FormCookie(t, admin)},
             {QStringLiteral("proxies"), t.TrustedProxies}});
}

void RuntimeParts::PageStart(TPHPGenerator& g, const TBTable& t, bool admin) {
    // A member's or the administrator's page is never kept by the browser or
    // a proxy: not in the back/forward cache, not on disk.
    const bool private_ = admin || TPHPGenerator::HasVisitorSessions(t);
    g.Lines(uR"php(

// Pages are buffered, so the session cookie can still be set where the page
// checks its login; a large answer (a picture) goes out in parts.
ob_start(null, 1048576);
if (!headers_sent()) {
  header("Content-Type: text/html; charset=".CORVANTA_PAGE_CHARSET);
  header("Referrer-Policy: same-origin");
  header("X-Frame-Options: SAMEORIGIN");
  header("X-Content-Type-Options: nosniff");
  header("Content-Security-Policy: {csp|raw|php}");
)php",
            {{QStringLiteral("csp"), TPHPGenerator::ContentSecurityPolicy()}});
    if (private_)
        g.WriteLine(u"  header(\"Cache-Control: no-store\");");
    g.Lines(uR"php(
}
if (corvanta_foreign_post()) {
  http_response_code(403);
  die("<HTML><BODY><P>{msg:ForeignForm|php}</P></BODY></HTML>");
}
if (corvanta_form_refused()) {
  http_response_code(403);
  die("<HTML><BODY><P>{msg:FormExpired|php}</P></BODY></HTML>");
}
)php");
}
