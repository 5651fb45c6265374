// The part of runtime.php that the record pages show with: a search and its
// pages as addresses, messages that are announced, empty values stored as
// NULL.
#include "RuntimeParts.h"

void RuntimeParts::PageHelpers(TPHPGenerator& g) {
    g.Lines(uR"php(

if (!function_exists("corvanta_message")) {
  // The outcome of a submit: in a live region, and focused, so the keyboard
  // and a screen reader start there.
  function corvanta_message($html, $ok = true) {
    print "<P CLASS=\"".($ok ? "corvanta_ok" : "corvanta_error")."\" ROLE=\"".($ok ? "status" : "alert")."\" TABINDEX=\"-1\" AUTOFOCUS>".$html."</P>\n";
  }

  // The names a search keeps in its address: filter and ordering rows, a
  // heading's ordering, the page, a member's own records.
  function corvanta_search_key($name) {
    return is_string($name) and preg_match('/^((field|operator|fieldvalue|sortfield|sorting)[1-9][0-9]{0,2}|orderby|page|myrecords)$/', $name) === 1;
  }

  // The address asked for a search (or a page of one).
  function corvanta_searching() {
    foreach ($_GET as $name => $value) {
      if (corvanta_search_key($name) and $name !== "myrecords") { return true; }
    }
    return corvanta_query("job") === "search";
  }

  // The page of a result the address asks for, from 1.
  function corvanta_page_number($perpage) {
    $n = intval(corvanta_query("page"));
    return max(1, min($n, intval(1000000000 / max(1, $perpage))));
  }

  // The address of $page with this request's search, changed by $changes
  // (name => value; null drops it). Empty values and the first page are
  // left out, so the address stays short.
  function corvanta_page_url($page, $changes = array()) {
    $query = array();
    foreach ($_GET as $name => $value) {
      if (corvanta_search_key($name) and is_string($value) and $value !== "") { $query[$name] = $value; }
    }
    foreach ($changes as $name => $value) {
      if ($value === null or $value === "") { unset($query[$name]); } else { $query[$name] = (string)$value; }
    }
    // A row without its field says nothing.
    foreach (array_keys($query) as $name) {
      if (preg_match('/^(operator|fieldvalue)([0-9]+)$/', $name, $m) and !isset($query["field".$m[2]])) { unset($query[$name]); }
      if (preg_match('/^sorting([0-9]+)$/', $name, $m) and !isset($query["sortfield".$m[1]])) { unset($query[$name]); }
    }
    if (isset($query["page"]) and intval($query["page"]) <= 1) { unset($query["page"]); }
    return count($query) ? $page."?".http_build_query($query) : $page;
  }

  // The head cell of a result column that orders the result: a first click
  // orders ascending, a click on the column the result is ordered by turns
  // the direction. $order is the ordering in force, array(column, "asc" or
  // "desc") or null; the page checks every ordering it is sent.
  function corvanta_heading($class, $column, $label, $order) {
    $dir = (is_array($order) and $order[0] === $column) ? $order[1] : "";
    $sort = ($dir == "asc") ? " ARIA-SORT=\"ascending\"" : (($dir == "desc") ? " ARIA-SORT=\"descending\"" : "");
    $changes = array("orderby" => $column.(($dir == "asc") ? " desc" : " asc"), "page" => null);
    foreach (array_keys($_GET) as $name) {
      if (is_string($name) and preg_match('/^sort(field|ing)[0-9]+$/', $name)) { $changes[$name] = null; }
    }
    print "<TH CLASS=\"".$class."\" SCOPE=\"col\"".$sort."><A CLASS=\"order\" HREF=\"".corvanta_html(corvanta_page_url("search.php", $changes))."\">".$label."</A></TH>\n";
  }

  // A record named by its first values, as plain text of at most 80
  // characters.
  function corvanta_record_name($values) {
    $shown = array();
    foreach ($values as $value) {
      $value = trim(preg_replace('/\s+/', " ", is_scalar($value) ? (string)$value : ""));
      if ($value !== "") { $shown[] = $value; }
    }
    $name = implode(", ", $shown);
    if (CORVANTA_HTML_CHARSET == "UTF-8") {
      $cut = preg_replace('/^(.{80}).+$/us', "\\1...", $name);
      return is_string($cut) ? $cut : $name;
    }
    return strlen($name) > 80 ? substr($name, 0, 80)."..." : $name;
  }

  // An empty number, date or choice from a form is stored as NULL, as an
  // upload stores it: SQL text.
  function corvanta_int_sql($v) {
    $v = is_scalar($v) ? trim((string)$v) : "";
    return ($v === "") ? "NULL" : (string)intval($v);
  }
  function corvanta_real_sql($v) {
    $v = is_scalar($v) ? trim((string)$v) : "";
    return ($v === "") ? "NULL" : corvanta_real($v);
  }
  function corvanta_choice_sql($v) {
    $v = is_scalar($v) ? (string)$v : "";
    return ($v === "") ? "NULL" : "\"".mysql_real_escape_string($v)."\"";
  }
  // The posted parts of a date as its fourteen stored digits, each part
  // padded; NULL when every part is empty.
  function corvanta_date_sql($name) {
    $parts = array("_year" => 4, "_month" => 2, "_day" => 2, "_hour" => 2, "_minute" => 2, "_second" => 2);
    $digits = "";
    $given = false;
    foreach ($parts as $suffix => $width) {
      $v = corvanta_posted($name.$suffix);
      if (trim($v) !== "" and trim($v, "0") !== "") { $given = true; }
      $digits .= str_pad($v, $width, "0", STR_PAD_LEFT);
    }
    return $given ? "\"".mysql_real_escape_string($digits)."\"" : "NULL";
  }
}
)php");
}
