// runtime.php: lets the site's scripts, written for the old mysql_* API and
// request arrays, run on PHP 8 with mysqli; holds the few helpers the pages
// use to treat request values safely.
#include "RuntimeParts.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// The site's own secret (form tokens are derived from it) stays what the
// site's runtime already holds: forms open in visitors' browsers stay valid,
// and a site generated again without changes stays byte for byte what the
// server has. Runtimes from before held it as the key of kept pictures.
QString siteKey(const QString& runtime) {
    QFile file(runtime);
    if (file.open(QIODevice::ReadOnly)) {
        static const QRegularExpression kept(QStringLiteral(
            R"re(define\("CORVANTA_SITE_KEY", "([0-9a-f]{32})"\)|\$column\."-"\.\$imageid, "([0-9a-f]{32})"\))re"));
        const QRegularExpressionMatch m = kept.match(QString::fromLatin1(file.readAll()));
        if (m.hasMatch())
            return m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
    }
    return TPHPGenerator::NewKey();
}

// The MySQL name of the pages' character set. An unknown set maps to latin1,
// which carries every byte unchanged.
QString mysqlCharset(const QString& charSet) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("ISO-8859-1"), QStringLiteral("latin1")},
        {QStringLiteral("WINDOWS-1252"), QStringLiteral("latin1")},
        {QStringLiteral("UTF-8"), QStringLiteral("utf8mb4")},
        {QStringLiteral("UTF8"), QStringLiteral("utf8mb4")},
        {QStringLiteral("ISO-8859-2"), QStringLiteral("latin2")},
        {QStringLiteral("ISO-8859-7"), QStringLiteral("greek")},
        {QStringLiteral("ISO-8859-8"), QStringLiteral("hebrew")},
        {QStringLiteral("ISO-8859-9"), QStringLiteral("latin5")},
        {QStringLiteral("ISO-8859-13"), QStringLiteral("latin7")},
        {QStringLiteral("WINDOWS-1250"), QStringLiteral("cp1250")},
        {QStringLiteral("WINDOWS-1251"), QStringLiteral("cp1251")},
        {QStringLiteral("WINDOWS-1256"), QStringLiteral("cp1256")},
        {QStringLiteral("WINDOWS-1257"), QStringLiteral("cp1257")},
        {QStringLiteral("KOI8-R"), QStringLiteral("koi8r")},
        {QStringLiteral("KOI8-U"), QStringLiteral("koi8u")},
        {QStringLiteral("US-ASCII"), QStringLiteral("ascii")},
        {QStringLiteral("CP866"), QStringLiteral("cp866")},
        {QStringLiteral("SHIFT_JIS"), QStringLiteral("sjis")},
        {QStringLiteral("EUC-JP"), QStringLiteral("ujis")},
        {QStringLiteral("GB2312"), QStringLiteral("gb2312")},
        {QStringLiteral("GBK"), QStringLiteral("gbk")},
        {QStringLiteral("BIG5"), QStringLiteral("big5")},
        {QStringLiteral("EUC-KR"), QStringLiteral("euckr")},
    };
    return names.value(charSet.trimmed().toUpper(), QStringLiteral("latin1"));
}

// The set name htmlspecialchars() knows; single-byte sets it does not know
// need only the ASCII escapes, which ISO-8859-1 gives.
QString phpHtmlCharset(const QString& charSet) {
    static const QStringList known = {
        QStringLiteral("ISO-8859-1"),   QStringLiteral("ISO-8859-5"),
        QStringLiteral("ISO-8859-15"),  QStringLiteral("UTF-8"),
        QStringLiteral("CP866"),        QStringLiteral("WINDOWS-1251"),
        QStringLiteral("WINDOWS-1252"), QStringLiteral("KOI8-R"),
        QStringLiteral("BIG5"),         QStringLiteral("GB2312"),
        QStringLiteral("BIG5-HKSCS"),   QStringLiteral("SHIFT_JIS"),
        QStringLiteral("EUC-JP"),       QStringLiteral("MACROMAN"),
    };
    const QString upper = charSet.trimmed().toUpper();
    return known.contains(upper) ? upper : QStringLiteral("ISO-8859-1");
}

// A site may run on several database servers behind a load balancer. A
// server that is leaving, one that has not caught up with the others yet, or
// one whose write lost against the same row written on another server at the
// same moment answers with an error that passes: such a connection or
// statement is tried again. Never a write whose outcome is unknown (the
// connection was lost), nor a statement inside a transaction, which the
// server has rolled back as a whole.
QStringView databaseRetries() {
    return uR"php(
if (!function_exists("corvanta_open")) {
  // Errors of a server that cannot take the request now.
  function corvanta_server_away($errno) {
    return in_array($errno, array(1040, 1047, 1053, 1927, 2002, 2003, 2006, 2013), true);
  }

  // The last connection failed because no database server answered, not
  // because it refused the login.
  function corvanta_server_down() {
    return isset($GLOBALS["corvanta_connect_errno"]) and corvanta_server_away($GLOBALS["corvanta_connect_errno"]);
  }

  function corvanta_link_errno($link) {
    try { return mysqli_errno($link); } catch (Throwable $e) { return 2006; }
  }

  // A connection to the server mysql_connect() named, set up as the pages
  // need it, in the database mysql_select_db() chose; false when none came.
  function corvanta_open() {
    list($host, $user, $password, $port, $socket) = $GLOBALS["corvanta_server"];
    for ($try = 1; ; $try++) {
      try {
        $link = @mysqli_connect($host, $user, $password, "", $port, $socket);
      } catch (Throwable $e) {
        $link = false;
      }
      if (!$link) {
        $errno = mysqli_connect_errno();
        $GLOBALS["corvanta_connect_errno"] = $errno;
        $GLOBALS["corvanta_connect_error"] = mysqli_connect_error();
      } else {
        // The pages' character set, and the lenient SQL the scripts were
        // written for. A node still catching up refuses the first statement.
        @mysqli_set_charset($link, CORVANTA_DB_CHARSET);
        $ready = @mysqli_query($link, "SET SESSION sql_mode = ''");
        $errno = $ready ? 0 : corvanta_link_errno($link);
        if ($ready or !corvanta_server_away($errno)) {
          // In a Galera cluster, what one server committed reaches the others
          // a moment later, and the next page may come from another one:
          // each statement waits until its server has caught up. Other
          // servers know no such setting and ignore it.
          if ($ready) { @mysqli_query($link, "SET SESSION wsrep_sync_wait = 15"); }
          if (isset($GLOBALS["corvanta_database"])) { @mysqli_select_db($link, $GLOBALS["corvanta_database"]); }
          return $link;
        }
        $GLOBALS["corvanta_connect_error"] = mysqli_error($link);
        try { mysqli_close($link); } catch (Throwable $e) { }
      }
      if (!corvanta_server_away($errno) or $try >= 5) { return false; }
      usleep(100000 * $try);
    }
  }

  function corvanta_is_read($query) {
    return preg_match('/^\s*\(?\s*(SELECT|SHOW)\b/i', $query) === 1;
  }

  // Whether the statements that follow belong to an open transaction.
  function corvanta_note_transaction($query, $ok) {
    $on = '/^\s*(START\s+TRANSACTION|BEGIN)\b|^\s*SET\s+(SESSION\s+)?AUTOCOMMIT\s*=\s*(0|OFF)\b/i';
    $off = '/^\s*(COMMIT|ROLLBACK)\s*(WORK\s*)?;?\s*$|^\s*SET\s+(SESSION\s+)?AUTOCOMMIT\s*=\s*(1|ON)\b/i';
    if (preg_match($on, $query)) {
      if ($ok) { $GLOBALS["corvanta_transaction"] = true; }
    } elseif (preg_match($off, $query)) {
      $GLOBALS["corvanta_transaction"] = false;
    }
  }

  // $own: the caller named its connection, which is then never replaced.
  function corvanta_query_retrying($link, $query, $own) {
    $inTransaction = !empty($GLOBALS["corvanta_transaction"]);
    for ($try = 1; ; $try++) {
      try { $res = mysqli_query($link, $query); } catch (Throwable $e) { $res = false; }
      if ($res !== false or $inTransaction or $try >= 5) { break; }
      $errno = corvanta_link_errno($link);
      // A table made by an older site lacks a column: it gets it, once.
      if ($errno == 1054 and function_exists("corvanta_upgrade_tables") and corvanta_upgrade_tables($link)) { continue; }
      if ($errno == 1213) {
        // Deadlock, or a write another server certified first: undone whole.
        usleep(mt_rand(10000, 50000) * $try);
        continue;
      }
      // 1047: the node takes no statements at all; reads are safe to repeat.
      if ($own or !isset($GLOBALS["corvanta_server"]) or !($errno == 1047 or (corvanta_is_read($query) and corvanta_server_away($errno)))) { break; }
      $fresh = corvanta_open();
      if (!$fresh) { break; }
      try { mysqli_close($link); } catch (Throwable $e) { }
      $GLOBALS["corvanta_link"] = $fresh;
      $link = $fresh;
    }
    corvanta_note_transaction($query, $res !== false);
    return $res;
  }
}
)php";
}

} // namespace

bool TPHPGenerator::RuntimeScript(const TBTable& t, bool admin) {
    const QString charSet = t.Language.Text(QStringLiteral("CharSet"));
    // Read before the file is written anew.
    const QString key = siteKey(OutputPath(t, admin, QStringLiteral("runtime.php")));
    return WriteFile(t, admin, QStringLiteral("runtime.php"), [&] {
        Lines(uR"php(
<?php
// The runtime layer of this site: its scripts use the old MySQL functions
// and request arrays, which PHP 8 lacks; they are provided here over mysqli.
// Messages of PHP go to the host's log only, never into a page, a picture or
// the data a maintenance script prints.
ini_set("display_errors", "0");
mysqli_report(MYSQLI_REPORT_OFF);

if (!defined("CORVANTA_DB_CHARSET")) { define("CORVANTA_DB_CHARSET", "{db}"); }
if (!defined("CORVANTA_HTML_CHARSET")) { define("CORVANTA_HTML_CHARSET", "{html}"); }
if (!defined("CORVANTA_SITE_KEY")) { define("CORVANTA_SITE_KEY", "{siteKey}"); }
if (!defined("MYSQL_ASSOC")) { define("MYSQL_ASSOC", MYSQLI_ASSOC); }
if (!defined("MYSQL_NUM")) { define("MYSQL_NUM", MYSQLI_NUM); }
if (!defined("MYSQL_BOTH")) { define("MYSQL_BOTH", MYSQLI_BOTH); }

$GLOBALS["HTTP_POST_VARS"] = $_POST;
$GLOBALS["HTTP_POST_FILES"] = $_FILES;
$GLOBALS["HTTP_GET_VARS"] = $_GET;
// Some servers (PHP's own among them) leave it out of the environment.
if (getenv("QUERY_STRING") === false) {
  putenv("QUERY_STRING=".(isset($_SERVER["QUERY_STRING"]) ? $_SERVER["QUERY_STRING"] : ""));
}

if (!function_exists("corvanta_link")) {
  // The connection a call names, or the last one opened.
  function corvanta_link($link = null) {
    if ($link instanceof mysqli) { return $link; }
    return isset($GLOBALS["corvanta_link"]) ? $GLOBALS["corvanta_link"] : null;
  }

  // A session id from a request: 32 lower-case hexadecimal digits, or 0.
  function corvanta_token($value) {
    return (is_string($value) && preg_match('/^[0-9a-f]{32}$/', $value)) ? $value : 0;
  }

  function corvanta_new_token() {
    return bin2hex(random_bytes(16));
  }

  // One value of the query string, never its other names.
  function corvanta_query($name) {
    return (isset($_GET[$name]) && is_string($_GET[$name])) ? $_GET[$name] : null;
  }

  // A letter that a single-byte page cannot hold comes from the browser as a
  // numeric character reference ("&#1046;"): it is shown as that letter
  // again. Never a reference to a character the page could hold itself.
  function corvanta_html($s) {
    $html = htmlspecialchars(is_scalar($s) ? (string)$s : "", ENT_QUOTES | ENT_SUBSTITUTE, CORVANTA_HTML_CHARSET);
    if (CORVANTA_HTML_CHARSET == "UTF-8" or strpos($html, "&amp;#") === false) { return $html; }
    return preg_replace_callback('/&amp;#([0-9]{3,7}|[xX][0-9a-fA-F]{3,6});/', function ($m) {
      $c = ($m[1][0] == "x" or $m[1][0] == "X") ? hexdec(substr($m[1], 1)) : intval($m[1]);
      return ($c >= 256 and $c <= 0x10FFFF and ($c < 0xD800 or $c > 0xDFFF)) ? "&#".$m[1].";" : $m[0];
    }, $html);
  }

  function corvanta_js($s) {
    return strtr(is_scalar($s) ? (string)$s : "", array("\\" => "\\\\", "\"" => "\\\"", "'" => "\\'", "\n" => "\\n", "\r" => "\\r", "<" => "\\x3C"));
  }

  function corvanta_escape($s, $link = null) {
    $s = is_scalar($s) ? (string)$s : "";
    $l = corvanta_link($link);
    if ($l) {
      try { return mysqli_real_escape_string($l, $s); } catch (Throwable $e) { }
    }
    return strtr($s, array("\\" => "\\\\", "\0" => "\\0", "\n" => "\\n", "\r" => "\\r", "'" => "\\'", "\"" => "\\\"", "\x1a" => "\\Z"));
  }
}

if (!function_exists("mysql_connect")) {
  // "host", "host:port", "host:/socket" or "[v6 address]:port".
  function mysql_connect($server = "", $username = "", $password = "", $new_link = false, $client_flags = 0) {
    $host = (string)$server;
    $port = null;
    $socket = null;
    if (preg_match('/^\[(.+)\](?::([0-9]+))?$/', $host, $m)) {
      $host = $m[1];
      if (isset($m[2])) { $port = (int)$m[2]; }
    } elseif (substr_count($host, ":") == 1) {
      list($host, $rest) = explode(":", $host, 2);
      if ($rest !== "" && ctype_digit($rest)) { $port = (int)$rest; } elseif ($rest !== "") { $socket = $rest; }
    }
    if ($host === "") { $host = "localhost"; }
    $GLOBALS["corvanta_server"] = array($host, (string)$username, (string)$password, $port, $socket);
    $link = corvanta_open();
    if ($link) { $GLOBALS["corvanta_link"] = $link; }
    return $link;
  }
}

if (!function_exists("mysql_select_db")) {
  function mysql_select_db($database, $link = null) {
    $l = corvanta_link($link);
    if (!$l) { return false; }
    try { $ok = mysqli_select_db($l, (string)$database); } catch (Throwable $e) { $ok = false; }
    if ($ok) { $GLOBALS["corvanta_database"] = (string)$database; }
    return $ok;
  }
}

if (!function_exists("mysql_query")) {
  function mysql_query($query, $link = null) {
    $l = corvanta_link($link);
    if (!$l or (string)$query === "") { return false; }
    return corvanta_query_retrying($l, (string)$query, $link instanceof mysqli);
  }
}

if (!function_exists("mysql_fetch_array")) {
  function mysql_fetch_array($result, $result_type = MYSQL_BOTH) {
    if (!($result instanceof mysqli_result)) { return false; }
    $row = mysqli_fetch_array($result, $result_type);
    return is_array($row) ? $row : false;
  }
}

if (!function_exists("mysql_num_rows")) {
  function mysql_num_rows($result) {
    return ($result instanceof mysqli_result) ? mysqli_num_rows($result) : false;
  }
}

if (!function_exists("mysql_result")) {
  function mysql_result($result, $row, $field = 0) {
    if (!($result instanceof mysqli_result) or $row < 0 or $row >= mysqli_num_rows($result)) { return false; }
    mysqli_data_seek($result, $row);
    $values = mysqli_fetch_array($result, MYSQLI_BOTH);
    if (!is_array($values)) { return false; }
    if (is_string($field) and !array_key_exists($field, $values) and strpos($field, ".") !== false) {
      $field = substr($field, strrpos($field, ".") + 1);
    }
    return array_key_exists($field, $values) ? $values[$field] : false;
  }
}

if (!function_exists("mysql_insert_id")) {
  function mysql_insert_id($link = null) {
    $l = corvanta_link($link);
    if (!$l) { return false; }
    try { return mysqli_insert_id($l); } catch (Throwable $e) { return false; }
  }
}

if (!function_exists("mysql_close")) {
  function mysql_close($link = null) {
    $l = corvanta_link($link);
    if (!$l) { return false; }
    if (isset($GLOBALS["corvanta_link"]) and $GLOBALS["corvanta_link"] === $l) { $GLOBALS["corvanta_link"] = null; }
    try { return mysqli_close($l); } catch (Throwable $e) { return false; }
  }
}

if (!function_exists("mysql_escape_string")) {
  function mysql_escape_string($s) {
    return corvanta_escape($s);
  }
}

if (!function_exists("mysql_real_escape_string")) {
  function mysql_real_escape_string($s, $link = null) {
    return corvanta_escape($s, $link);
  }
}

if (!function_exists("mysql_error")) {
  function mysql_error($link = null) {
    $l = corvanta_link($link);
    if ($l) {
      try { return mysqli_error($l); } catch (Throwable $e) { return ""; }
    }
    return isset($GLOBALS["corvanta_connect_error"]) ? (string)$GLOBALS["corvanta_connect_error"] : "";
  }
}

if (!function_exists("mysql_errno")) {
  function mysql_errno($link = null) {
    $l = corvanta_link($link);
    if ($l) {
      try { return mysqli_errno($l); } catch (Throwable $e) { return 0; }
    }
    return isset($GLOBALS["corvanta_connect_error"]) ? 2002 : 0;
  }
}

if (!function_exists("mysql_affected_rows")) {
  function mysql_affected_rows($link = null) {
    $l = corvanta_link($link);
    if (!$l) { return -1; }
    try { return mysqli_affected_rows($l); } catch (Throwable $e) { return -1; }
  }
}

if (!function_exists("each")) {
  function each(&$array) {
    if (!is_array($array)) { return false; }
    $key = key($array);
    if ($key === null) { return false; }
    $value = current($array);
    next($array);
    return array(1 => $value, "value" => $value, 0 => $key, "key" => $key);
  }
}

if (!function_exists("corvanta_real")) {
  // A number from a form as SQL text: never the posted characters themselves.
  // A decimal comma counts as a point; what is no finite number gives 0.
  function corvanta_real($v) {
    $f = floatval(str_replace(",", ".", is_scalar($v) ? trim((string)$v) : ""));
    return is_finite($f) ? var_export($f, true) : "0";
  }

  // A link address from a record for HREF: addresses that would run script
  // (javascript:, data:, ...) become "#"; the browser ignores blanks and
  // control characters inside a scheme, so they are ignored here too.
  function corvanta_href($url) {
    $url = is_scalar($url) ? (string)$url : "";
    $bare = preg_replace('/[\x00-\x20\x7f]+/', "", $url);
    if (preg_match('/^[a-z][a-z0-9+.-]*:/i', $bare) and !preg_match('/^(https?|ftp|mailto|news|tel):/i', $bare)) { return "#"; }
    return $url;
  }
}

if (!function_exists("corvanta_posted")) {
  // A posted form value as text; "" when absent or not a plain value.
  function corvanta_posted($name) {
    return (isset($_POST[$name]) and is_scalar($_POST[$name])) ? (string)$_POST[$name] : "";
  }

  // OPTION elements of $choices (value => label, the label as the page's
  // own HTML), the one equal to $current selected.
  function corvanta_options($choices, $current) {
    foreach ($choices as $value => $label) {
      print "<OPTION VALUE=\"".corvanta_html($value)."\"".(((string)$value === (string)$current) ? " SELECTED" : "").">".$label;
    }
  }

  // The marks of a refused field: on its control, beside it, on its row.
  function corvanta_invalid($name) {
    global $fielderrors;
    return (is_array($fielderrors) and isset($fielderrors[$name])) ? " ARIA-INVALID=\"true\" ARIA-DESCRIBEDBY=\"error_".$name."\"" : "";
  }
  function corvanta_field_error($name) {
    global $fielderrors;
    if (is_array($fielderrors) and isset($fielderrors[$name])) {
      print "<SPAN CLASS=\"field_error\" ID=\"error_".$name."\">".$fielderrors[$name]."</SPAN>\n";
    }
  }
  function corvanta_invalid_row($name) {
    global $fielderrors;
    return (is_array($fielderrors) and isset($fielderrors[$name])) ? " invalid" : "";
  }

  // A whole number with a thousands separator: 9512 as "9,512".
  function corvanta_count($n, $separator) {
    return number_format(intval($n), 0, "", $separator);
  }

  // The head cell of a result column that orders the result: a first click
  // orders ascending, a click on the column the result is ordered by turns
  // the direction. $order is the ordering in force, array(column, "asc" or
  // "desc") or null; the page checks every ordering it is sent.
  function corvanta_heading($class, $column, $label, $order) {
    $dir = (is_array($order) and $order[0] === $column) ? $order[1] : "";
    $sort = ($dir == "asc") ? " ARIA-SORT=\"ascending\"" : (($dir == "desc") ? " ARIA-SORT=\"descending\"" : "");
    print "<TH CLASS=\"".$class."\" SCOPE=\"col\"".$sort."><BUTTON TYPE=\"submit\" FORM=\"ResultPages\" NAME=\"orderby\" VALUE=\"".corvanta_html($column.(($dir == "asc") ? " desc" : " asc"))."\" CLASS=\"order\">".$label."</BUTTON></TH>\n";
  }

  // The first record of each page a result shows links to: the first and
  // the last page, and two pages either side of the current one; null
  // stands for the pages left out between them.
  function corvanta_pages($limit, $perpage, $total) {
    if ($perpage <= 0 or $total <= $perpage) { return array(); }
    $last = intval(($total - 1) / $perpage);
    $current = intval($limit / $perpage);
    $pages = array();
    $gap = false;
    for ($p = 0; $p <= $last; $p++) {
      if ($p == 0 or $p == $last or abs($p - $current) <= 2) {
        $pages[] = $p * $perpage;
        $gap = false;
      } elseif (!$gap) {
        $pages[] = null;
        $gap = true;
      }
    }
    return $pages;
  }
}
)php",
              {{QStringLiteral("db"), mysqlCharset(charSet)},
               {QStringLiteral("siteKey"), key},
               {QStringLiteral("html"), phpHtmlCharset(charSet)}});
        Lines(databaseRetries());
        RuntimeParts::SessionHelpers(*this, t, admin);
        RuntimeParts::TryLimits(*this, t);
        RuntimeParts::FormHelpers(*this);
        RuntimeParts::PictureHelpers(*this);
        RuntimeParts::TableUpgrades(*this);
        RuntimeParts::PageStart(*this, t, admin);
    });
}
