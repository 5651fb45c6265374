// The part of runtime.php that checks what a visitor sends before a record is
// stored, so that a refusal comes with the form and its values and never
// after half of the record was written.
#include "RuntimeParts.h"

void RuntimeParts::FormHelpers(TPHPGenerator& g) {
    g.Lines(uR"php(

if (!function_exists("corvanta_date_ok")) {
  // The posted parts of the date field $name, of which the form shows those
  // in $shown (letters of "YMDhms"): each part given is digits within its
  // range; a date gives all of its shown day, month and year, and they make
  // a day of the calendar. A time left empty is midnight, as ever.
  function corvanta_date_ok($post, $name, $shown) {
    $parts = array("Y" => array("_year", 4, 1, 9999), "M" => array("_month", 2, 1, 12), "D" => array("_day", 2, 1, 31),
                   "h" => array("_hour", 2, 0, 23), "m" => array("_minute", 2, 0, 59), "s" => array("_second", 2, 0, 59));
    $given = array();
    $dated = false;
    foreach ($parts as $letter => $p) {
      if (strpos($shown, $letter) === false) { continue; }
      $v = (isset($post[$name.$p[0]]) and is_scalar($post[$name.$p[0]])) ? trim((string)$post[$name.$p[0]]) : "";
      $given[$letter] = $v;
      if ($v !== "" and strpos("YMD", $letter) !== false) { $dated = true; }
    }
    foreach ($given as $letter => $v) {
      $p = $parts[$letter];
      if ($v === "" and !($dated and strpos("YMD", $letter) !== false)) { continue; }
      if ($v === "" or !ctype_digit($v) or strlen($v) > $p[1] or intval($v) < $p[2] or intval($v) > $p[3]) { return false; }
    }
    if ($dated and isset($given["M"]) and isset($given["D"])) {
      return checkdate(intval($given["M"]), intval($given["D"]), isset($given["Y"]) ? intval($given["Y"]) : 2000);
    }
    return true;
  }

  // A size setting of php.ini in bytes ("8M" -> 8388608); 0 means no limit.
  function corvanta_ini_bytes($name) {
    $v = trim((string)ini_get($name));
    if ($v === "") { return 0; }
    $n = floatval($v);
    $unit = strtolower(substr($v, -1));
    if ($unit == "g") { $n *= 1073741824; } elseif ($unit == "m") { $n *= 1048576; } elseif ($unit == "k") { $n *= 1024; }
    return (int)$n;
  }

  // The largest picture this site takes: what the picture column holds, or
  // less when the host receives less.
  function corvanta_picture_limit() {
    $limit = 16000000;
    foreach (array("upload_max_filesize", "post_max_size") as $name) {
      $v = corvanta_ini_bytes($name);
      if ($v > 0 and $v < $limit) { $limit = $v; }
    }
    return $limit;
  }

  function corvanta_size_text($bytes) {
    if ($bytes >= 1048576) { return round($bytes / 1048576, 1)." MB"; }
    return max(1, round($bytes / 1024))." KB";
  }

  // Why the file sent as $name cannot be stored: "" (none sent, or a
  // picture), "large", "type" (not a picture) or "lost" (it did not arrive).
  function corvanta_picture_problem($name) {
    if (!isset($_FILES[$name]["error"]) or !is_scalar($_FILES[$name]["error"])) { return ""; }
    $error = (int)$_FILES[$name]["error"];
    if ($error == UPLOAD_ERR_NO_FILE) { return ""; }
    if ($error == UPLOAD_ERR_INI_SIZE or $error == UPLOAD_ERR_FORM_SIZE) { return "large"; }
    if ($error != UPLOAD_ERR_OK or !is_string($_FILES[$name]["tmp_name"]) or !is_uploaded_file($_FILES[$name]["tmp_name"])) { return "lost"; }
    if (filesize($_FILES[$name]["tmp_name"]) > corvanta_picture_limit()) { return "large"; }
    if (corvanta_picture_type($name) == "") { return "type"; }
    return "";
  }

  // A form so large that the host dropped all of it.
  function corvanta_post_lost() {
    return isset($_SERVER["REQUEST_METHOD"]) and strtoupper((string)$_SERVER["REQUEST_METHOD"]) === "POST" and empty($_POST) and empty($_FILES)
      and isset($_SERVER["CONTENT_LENGTH"]) and (int)$_SERVER["CONTENT_LENGTH"] > 0;
  }

  // One plain e-mail address (local@domain: no quoted local part, no
  // comment, no address literal), nothing before or after it, that fits the
  // members table; false otherwise. A quoted "victim"@example.org reaches
  // the victim's mailbox under a second name.
  function corvanta_email($s) {
    $s = is_scalar($s) ? trim((string)$s) : "";
    $plain = '/^[A-Za-z0-9!#$%&\'*+\/=?^_`{|}~-]+(\.[A-Za-z0-9!#$%&\'*+\/=?^_`{|}~-]+)*@([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?\.)+[A-Za-z]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$/D';
    return (strlen($s) <= 100 and preg_match($plain, $s) and filter_var($s, FILTER_VALIDATE_EMAIL) !== false) ? $s : false;
  }

  // The answer leaves no sooner than $seconds after the request came: how
  // long the work took (a mail sent or not) tells nothing.
  function corvanta_even_time($seconds) {
    $start = isset($_SERVER["REQUEST_TIME_FLOAT"]) ? (float)$_SERVER["REQUEST_TIME_FLOAT"] : microtime(true);
    $left = $start + $seconds - microtime(true);
    if ($left > 0) { usleep((int)($left * 1000000)); }
  }

  // mail() to one valid address only, without NUL bytes (PHP stops the page
  // on them) or line breaks in the subject.
  function corvanta_mail($to, $subject, $message, $headers) {
    $to = corvanta_email(str_replace("\0", "", is_scalar($to) ? (string)$to : ""));
    if ($to === false) { return false; }
    $subject = preg_replace('/[\r\n]+/', " ", str_replace("\0", "", (string)$subject));
    try {
      return @mail($to, $subject, str_replace("\0", "", (string)$message), str_replace("\0", "", (string)$headers));
    } catch (Throwable $e) {
      return false;
    }
  }

  // The database refused a record: the message of the unique key it named
  // ($keys: key name => message), or $otherwise.
  function corvanta_refusal($errno, $error, $keys, $otherwise) {
    if ($errno == 1062 and preg_match("/for key '([^']*)'/", (string)$error, $m)) {
      $key = $m[1];
      $dot = strrpos($key, ".");
      if ($dot !== false) { $key = substr($key, $dot + 1); }
      if (isset($keys[$key])) { return $keys[$key]; }
    }
    return $otherwise;
  }
}
)php");
}
