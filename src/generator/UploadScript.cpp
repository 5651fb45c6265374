// export_db.php: takes the records of the text files into the live tables,
// all or nothing. The desktop sends them in parts of bounded size; each part
// is staged in tables of the site's database (so any of several web servers
// may take the next one) and the staged tables go live in one step at the end:
//
//   ?job=begin&run=R&mode=replace|append   fresh staging tables for run R
//   ?job=stage&run=R&part=N                 stages export_db_partN.php
//   ?job=commit&run=R&parts=N               makes run R live
//   ?job=abort&run=R                        drops what run R staged
//   ?job=status&run=R                       "committed" or "pending"
//
// A part file begins with a line that stops PHP, so its data is never shown
// over HTTP; after that, one line per row:
//   T KIND                 rows that follow go to KIND (users, images, records)
//   R LINE (v1, v2, ...)   a row (SQL values), from line LINE of its file
//   A LINE ID BASE64       more data of picture ID (large pictures come in pieces,
//                          kept apart until the picture is whole)
//   L LINE ID BYTES        picture ID is whole and must hold BYTES bytes
// and it ends with the line "corvanta-end", so a part cut short is refused.
#include "PHPgenerator.h"

#include "model/RecordLayout.h"

namespace {

QString phpArray(const QList<std::pair<QString, QString>>& entries) {
    QStringList items;
    for (const auto& [key, value] : entries)
        items << QStringLiteral("\"%1\" => \"%2\"")
                     .arg(TPHPGenerator::PhpString(key), TPHPGenerator::PhpString(value));
    return items.join(QStringLiteral(", "));
}

QString liveTable(const TBTable& t, const QString& kind) {
    if (kind == QLatin1String("users"))
        return t.TableName + QStringLiteral("_USERS");
    if (kind == QLatin1String("images"))
        return t.TableName + QStringLiteral("_IMAGES");
    return t.TableName;
}

// The records of the staging table with owners and pictures renumbered as
// the appended members and pictures were; the script adds the range of
// record numbers ("1 AND 10000 ...").
QString appendRecords(const TBTable& t, const TTransferFile& records) {
    const QString users = t.TableName + QStringLiteral("_USERS_STAGED");
    const QString images = t.TableName + QStringLiteral("_IMAGES_STAGED");
    QStringList columns, values;
    for (const QString& column : records.StageColumns().mid(1)) {
        columns << column;
        const TTransferValue* v = nullptr;
        for (const TTransferValue& candidate : records.Values)
            if (candidate.Column == column)
                v = &candidate;
        const QString r = QStringLiteral("r.") + column;
        if (v && v->Kind == TValueKind::Owner && SiteHasMembers(t))
            values << QStringLiteral("IF(%1 IS NULL OR %1 = 0, %1, (SELECT u.corvanta_newid FROM "
                                     "%2 u WHERE u.userid = %1))")
                          .arg(r, users);
        else if (v && v->Kind == TValueKind::PictureRef)
            values << QStringLiteral("IF(%1 IS NULL OR %1 = 0, %1, (SELECT i.corvanta_newid FROM "
                                     "%2 i WHERE i.imageid = %1))")
                          .arg(r, images);
        else
            values << r;
    }
    return QStringLiteral(
               "INSERT INTO %1 (%2) SELECT %3 FROM %1_STAGED r WHERE r.recordid BETWEEN ")
        .arg(t.TableName, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

} // namespace

QStringList TPHPGenerator::TransferTables(const TBTable& t) {
    QStringList tables{t.TableName + QStringLiteral("_TRANSFER"),
                       t.TableName + QStringLiteral("_PIECES")};
    for (const QString& base : {t.TableName, t.TableName + QStringLiteral("_USERS"),
                                t.TableName + QStringLiteral("_IMAGES")})
        tables << base + QStringLiteral("_STAGED") << base + QStringLiteral("_REPLACED");
    return tables;
}

bool TPHPGenerator::UploadScript(const TBTable& t) {
    const QList<TTransferFile> layout = TransferLayout(t);
    QList<std::pair<QString, QString>> live, staged, replaced, columns;
    for (const TTransferFile& file : layout) {
        const QString table = liveTable(t, file.Kind);
        live.append({file.Kind, table});
        staged.append({file.Kind, table + QStringLiteral("_STAGED")});
        replaced.append({file.Kind, table + QStringLiteral("_REPLACED")});
        columns.append({file.Kind, file.StageColumns().join(QStringLiteral(", "))});
    }
    const bool members = SiteHasMembers(t);
    const QString imageOwner =
        members ? QStringLiteral("IF(i.userid IS NULL OR i.userid = 0, i.userid, (SELECT "
                                 "u.corvanta_newid FROM %1_USERS_STAGED u WHERE u.userid = "
                                 "i.userid))")
                      .arg(t.TableName)
                : QStringLiteral("i.userid");
    const TTemplateVars vars{
        {QStringLiteral("live"), phpArray(live)},
        {QStringLiteral("staged"), phpArray(staged)},
        {QStringLiteral("replaced"), phpArray(replaced)},
        {QStringLiteral("columns"), phpArray(columns)},
        {QStringLiteral("members"), members ? QStringLiteral("true") : QStringLiteral("false")},
        {QStringLiteral("imageowner"), PhpString(imageOwner)},
        {QStringLiteral("appendrecords"), PhpString(appendRecords(t, layout.back()))},
    };

    return WriteFile(t, false, QStringLiteral("export_db.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY>
<?php 
)php");
        KeyGate(QStringLiteral("export_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        TransferFunctions(vars);
        TransferJobs(vars);
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
</BODY></HTML>
)php");
    });
}

void TPHPGenerator::TransferFunctions(const TTemplateVars& vars) {
    Lines(uR"php(
$corvanta_live = array({live|raw});
$corvanta_staged = array({staged|raw});
$corvanta_replaced = array({replaced|raw});
$corvanta_columns = array({columns|raw});
$corvanta_members = {members|raw};
$corvanta_transfer = "{TableName|php}_TRANSFER";
$corvanta_pieces = "{TableName|php}_PIECES";
$corvanta_state = array("kind" => "", "rows" => array(), "lines" => array(), "size" => 0, "stored" => 0, "refused" => 0);

// Each step tells what it has done as it goes, so a long one never looks dead.
function corvanta_say($text) {
  print $text."\n";
  if (ob_get_level() > 0) { @ob_flush(); }
  flush();
}
function corvanta_fail($text) {
  $l = corvanta_link();
  if ($l) { try { mysqli_query($l, "ROLLBACK"); } catch (Throwable $e) { } }
  print "\n<P CLASS=\"corvanta_error\">".$text."</P>\n</BODY></HTML>";
  exit;
}
function corvanta_sql($req) {
  $l = corvanta_link();
  if (!$l) { return false; }
  try { return mysqli_query($l, $req); } catch (Throwable $e) { return false; }
}
function corvanta_failed($text) {
  $l = corvanta_link();
  corvanta_fail($text.($l ? " ".corvanta_html(mysqli_error($l)) : ""));
}
function corvanta_errno() {
  $l = corvanta_link();
  return $l ? mysqli_errno($l) : 0;
}
function corvanta_row($req) {
  $res = corvanta_sql($req);
  if (!($res instanceof mysqli_result)) { return null; }
  $row = mysqli_fetch_row($res);
  return is_array($row) ? $row : null;
}
function corvanta_head() {
  global $corvanta_transfer;
  $row = corvanta_row("SELECT run, mode FROM ".$corvanta_transfer." WHERE part = 0");
  return $row ? array("run" => $row[0], "mode" => $row[1]) : null;
}
// The column a refusal of the database names.
function corvanta_column($m) {
  if (preg_match('/for key \'(?:[^\']*\.)?([A-Za-z0-9_]+)\'$/', $m, $x)) { return $x[1]; }
  if (preg_match('/[`\']([A-Za-z0-9_]+)[`\'] at row [0-9]+$/', $m, $x)) { return $x[1]; }
  if (preg_match('/^Column \'([A-Za-z0-9_]+)\' cannot be null/', $m, $x)) { return $x[1]; }
  return "-";
}
// A row the database will not store as written. Any other error (the
// server gone, a deadlock) ends the step: it says nothing about the row.
function corvanta_refuse($line, $why) {
  global $corvanta_state;
  if ($why === "") {
    $l = corvanta_link();
    $errno = mysqli_errno($l);
    if (!in_array($errno, array(1048, 1062, 1264, 1265, 1292, 1300, 1366, 1367, 1406, 1416, 4025))) {
      corvanta_failed("Error in script. Exporting data failed.");
    }
    $why = $errno." ".corvanta_column(mysqli_error($l));
  }
  $corvanta_state["refused"]++;
  corvanta_say("refused ".$corvanta_state["kind"]." ".$line." ".$why);
}
function corvanta_flush() {
  global $corvanta_state, $corvanta_staged, $corvanta_columns;
  $s = &$corvanta_state;
  if (count($s["rows"]) == 0) { return; }
  $into = "INSERT INTO ".$corvanta_staged[$s["kind"]]." (".$corvanta_columns[$s["kind"]].") VALUES ";
  if (corvanta_sql($into.implode(", ", $s["rows"]))) {
    $s["stored"] += count($s["rows"]);
  } else {
    // One by one, to name every row the database refuses.
    foreach ($s["rows"] as $i => $row) {
      if (corvanta_sql($into.$row)) { $s["stored"]++; } else { corvanta_refuse($s["lines"][$i], ""); }
    }
  }
  $s["rows"] = array();
  $s["lines"] = array();
  $s["size"] = 0;
  corvanta_say("stored ".$s["stored"]);
}
// Staging tables and part files of any run.
function corvanta_cleanup() {
  global $corvanta_staged, $corvanta_replaced, $corvanta_pieces;
  foreach (array_merge(array_values($corvanta_staged), array_values($corvanta_replaced), array($corvanta_pieces)) as $table) {
    corvanta_sql("DROP TABLE IF EXISTS ".$table);
  }
  $parts = glob(dirname(__FILE__)."/export_db_part*.php");
  foreach (is_array($parts) ? $parts : array() as $file) { @unlink($file); }
}
// Appends in one transaction: members the site knows by name keep their
// accounts, other members and every picture get new numbers (one by one:
// numbers need not be consecutive), and records follow them.
function corvanta_append() {
  global $corvanta_members, $corvanta_transfer, $corvanta_state;
  corvanta_sql("START TRANSACTION") or corvanta_failed("Error in script. Exporting data failed.");
  if ($corvanta_members) {
    corvanta_sql("UPDATE {TableName|php}_USERS_STAGED s, {TableName|php}_USERS l SET s.corvanta_newid = l.userid WHERE BINARY l.username = BINARY s.username") or corvanta_failed("Error in script. Exporting users failed.");
    $res = corvanta_sql("SELECT userid FROM {TableName|php}_USERS_STAGED WHERE corvanta_newid IS NULL ORDER BY userid");
    if (!$res) { corvanta_failed("Error in script. Exporting users failed."); }
    while ($row = mysqli_fetch_row($res)) {
      corvanta_sql("INSERT INTO {TableName|php}_USERS (username, userpassword) SELECT username, userpassword FROM {TableName|php}_USERS_STAGED WHERE userid = ".$row[0]) or corvanta_failed("Error in script. Exporting users failed.");
      corvanta_sql("UPDATE {TableName|php}_USERS_STAGED SET corvanta_newid = ".mysqli_insert_id(corvanta_link())." WHERE userid = ".$row[0]) or corvanta_failed("Error in script. Exporting users failed.");
    }
  }
  $res = corvanta_sql("SELECT imageid FROM {TableName|php}_IMAGES_STAGED ORDER BY imageid");
  if (!$res) { corvanta_failed("Error in script. Exporting images failed."); }
  $done = 0;
  while ($row = mysqli_fetch_row($res)) {
    corvanta_sql("INSERT INTO {TableName|php}_IMAGES (userid, image_data, image_type) SELECT {imageowner|raw}, i.image_data, i.image_type FROM {TableName|php}_IMAGES_STAGED i WHERE i.imageid = ".$row[0]) or corvanta_failed("Error in script. Exporting images failed.");
    corvanta_sql("UPDATE {TableName|php}_IMAGES_STAGED SET corvanta_newid = ".mysqli_insert_id(corvanta_link())." WHERE imageid = ".$row[0]) or corvanta_failed("Error in script. Exporting images failed.");
    if (++$done % 100 == 0) { corvanta_say("pictures ".$done); }
  }
  // Records in steps, each reported: a large file never looks dead.
  $last = corvanta_row("SELECT IFNULL(MAX(recordid), 0) FROM {TableName|php}_STAGED");
  $appended = true;
  for ($from = 1; $appended and $last and $from <= $last[0]; $from += 10000) {
    $appended = corvanta_sql("{appendrecords|raw}".$from." AND ".($from + 9999)." ORDER BY r.recordid");
    corvanta_say("records ".min($from + 9999, $last[0]));
  }
  if (!$last or !$appended) {
    if (corvanta_errno() != 1062) { corvanta_failed("Error in script. Exporting data failed."); }
    // Name every record the site already holds where no duplicates are allowed.
    corvanta_sql("ROLLBACK");
    $keys = array();
    $res = corvanta_sql("SHOW INDEX FROM {TableName|php} WHERE Non_unique = 0");
    while ($res and $row = mysqli_fetch_assoc($res)) { $keys[$row["Key_name"]][] = $row["Column_name"]; }
    $corvanta_state["kind"] = "records";
    foreach ($keys as $key) {
      if (in_array("recordid", $key)) { continue; }
      $on = array();
      foreach ($key as $column) { $on[] = "r.".$column." = l.".$column; }
      $res = corvanta_sql("SELECT r.recordid FROM {TableName|php}_STAGED r JOIN {TableName|php} l ON ".implode(" AND ", $on)." ORDER BY r.recordid");
      while ($res and $row = mysqli_fetch_row($res)) { corvanta_refuse($row[0], "onserver ".$key[0]); }
    }
    corvanta_fail("Records were refused. Nothing was changed.");
  }
  corvanta_sql("UPDATE ".$corvanta_transfer." SET mode = 'done' WHERE part = 0") or corvanta_failed("Error in script. Exporting data failed.");
  corvanta_sql("COMMIT") or corvanta_failed("Error in script. Exporting data failed.");
}
// The run is live: its transaction committed, or (replace) its staged
// tables have been renamed into place.
function corvanta_is_live($head) {
  if ($head["mode"] === "done") { return true; }
  return $head["mode"] === "replace" and !corvanta_sql("SELECT 1 FROM {TableName|php}_STAGED LIMIT 0");
}
function corvanta_counts() {
  global $corvanta_staged;
  $n = array("users" => 0, "images" => 0, "records" => 0);
  foreach ($corvanta_staged as $kind => $table) {
    $row = corvanta_row("SELECT COUNT(*) FROM ".$table);
    if (!$row) { corvanta_failed("Error in script. Exporting data failed."); }
    $n[$kind] = $row[0];
  }
  return $n["records"]." ".$n["users"]." ".$n["images"];
}
)php",
          vars);
}

void TPHPGenerator::TransferJobs(const TTemplateVars& vars) {
    Lines(uR"php(
// Strict: a value the column cannot hold as written is an error, never a
// quiet change.
mysql_query("SET SESSION sql_mode = 'STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'") or corvanta_failed("Error in script. Exporting data failed.");
)php",
          vars);
    LockWaitSnippet();
    Lines(uR"php(
$job = corvanta_query("job");
$run = corvanta_query("run");
if (!is_string($run) or !preg_match('/^[0-9a-f]{32}$/', $run)) {
  corvanta_fail("Error in script. Exporting data failed.");
}
$head = corvanta_head();
$ours = ($head and $head["run"] === $run);

if ($job === "begin") {
  $mode = corvanta_query("mode");
  if ($mode !== "replace" and $mode !== "append") { corvanta_fail("Error in script. Exporting data failed."); }
  corvanta_cleanup();
  corvanta_sql("CREATE TABLE IF NOT EXISTS ".$corvanta_transfer." (part INTEGER NOT NULL, run CHAR(32) NOT NULL, mode VARCHAR(10) NOT NULL, counts VARCHAR(64) NOT NULL DEFAULT '', stored INTEGER NOT NULL DEFAULT 0, refused INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (part)) ENGINE=InnoDB") or corvanta_failed("Error in script. Exporting data failed.");
  corvanta_sql("DELETE FROM ".$corvanta_transfer) or corvanta_failed("Error in script. Exporting data failed.");
  foreach ($corvanta_staged as $kind => $table) {
    corvanta_sql("CREATE TABLE ".$table." LIKE ".$corvanta_live[$kind]) or corvanta_failed("Error in script. Exporting data failed.");
    if ($mode === "append" and $kind !== "records") {
      corvanta_sql("ALTER TABLE ".$table." ADD corvanta_newid INTEGER") or corvanta_failed("Error in script. Exporting data failed.");
    }
  }
  // The pieces of a large picture wait here until it is whole: appending
  // each to the picture would copy it anew every time.
  corvanta_sql("CREATE TABLE ".$corvanta_pieces." (piece INTEGER NOT NULL AUTO_INCREMENT, imageid INTEGER NOT NULL, data MEDIUMBLOB, PRIMARY KEY (piece), KEY (imageid)) ENGINE=InnoDB") or corvanta_failed("Error in script. Exporting data failed.");
  corvanta_sql("INSERT INTO ".$corvanta_transfer." (part, run, mode) VALUES (0, '".$run."', '".$mode."')") or corvanta_failed("Error in script. Exporting data failed.");
  print "<P CLASS=\"corvanta_ok\">begun ".CORVANTA_DB_CHARSET."</P>\n";
} elseif ($job === "stage") {
  if (!$ours or corvanta_is_live($head)) { corvanta_fail("This export has ended: another one has begun since."); }
  $part = intval(corvanta_query("part"));
  $file = dirname(__FILE__)."/export_db_part".$part.".php";
  $data = $part > 0 ? @file_get_contents($file) : false;
  $first = "<?php exit; __halt_compiler();\ncorvanta-part ".$run." ".$part."\n";
  $last = "\ncorvanta-end\n";
  if (!is_string($data) or strncmp($data, $first, strlen($first)) != 0 or substr($data, -strlen($last)) !== $last) {
    corvanta_fail("A part of the export did not arrive whole.");
  }
  $lines = explode("\n", substr($data, strlen($first), strlen($data) - strlen($first) - strlen($last)));
  $data = null;
  corvanta_sql("START TRANSACTION") or corvanta_failed("Error in script. Exporting data failed.");
  if (!corvanta_sql("INSERT INTO ".$corvanta_transfer." (part, run, mode) VALUES (".$part.", '".$run."', '')")) {
    if (corvanta_errno() != 1062) { corvanta_failed("Error in script. Exporting data failed."); }
    // Staged before: once is enough.
    corvanta_sql("ROLLBACK");
    @unlink($file);
    $row = corvanta_row("SELECT stored, refused FROM ".$corvanta_transfer." WHERE part = ".$part);
    print "<P CLASS=\"corvanta_ok\">staged ".($row ? $row[0]." ".$row[1] : "0 0")."</P>\n";
  } else {
    $s = &$corvanta_state;
    foreach ($lines as $line) {
      $type = substr($line, 0, 2);
      if ($type === "R ") {
        $space = strpos($line, " ", 2);
        $number = $space === false ? "" : substr($line, 2, $space - 2);
        if (!ctype_digit($number)) { corvanta_fail("A part of the export is damaged."); }
        $s["lines"][] = $number;
        $s["rows"][] = substr($line, $space + 1);
        $s["size"] += strlen($line);
        if ($s["size"] > 262144 or count($s["rows"]) >= 500) { corvanta_flush(); }
      } elseif ($type === "T ") {
        corvanta_flush();
        $s["kind"] = substr($line, 2);
        if (!isset($corvanta_staged[$s["kind"]])) { corvanta_fail("A part of the export is damaged."); }
      } elseif ($type === "A " or $type === "L ") {
        corvanta_flush();
        $f = explode(" ", $line);
        if (count($f) != 4 or !ctype_digit($f[1]) or !ctype_digit($f[2]) or $s["kind"] !== "images") { corvanta_fail("A part of the export is damaged."); }
        if ($type === "A ") {
          if (!preg_match('/^[A-Za-z0-9+\/=]*$/', $f[3])) { corvanta_fail("A part of the export is damaged."); }
          if (!corvanta_sql("INSERT INTO ".$corvanta_pieces." (imageid, data) VALUES (".$f[2].", FROM_BASE64('".$f[3]."'))")) { corvanta_refuse($f[1], ""); }
        } else {
          // The picture's pieces join it in one step, then go.
          corvanta_sql("SET SESSION group_concat_max_len = 67108864");
          if (!corvanta_sql("UPDATE ".$corvanta_staged["images"]." SET image_data = CONCAT(image_data, IFNULL((SELECT GROUP_CONCAT(p.data ORDER BY p.piece SEPARATOR '') FROM ".$corvanta_pieces." p WHERE p.imageid = ".$f[2]."), '')) WHERE imageid = ".$f[2])) { corvanta_refuse($f[1], ""); }
          corvanta_sql("DELETE FROM ".$corvanta_pieces." WHERE imageid = ".$f[2]) or corvanta_failed("Error in script. Exporting data failed.");
          // A picture the server cannot hold whole comes out short or empty.
          $row = corvanta_row("SELECT IFNULL(LENGTH(image_data), -1) FROM ".$corvanta_staged["images"]." WHERE imageid = ".$f[2]);
          if ($row and (string)$row[0] !== $f[3]) { corvanta_refuse($f[1], "size image_data"); }
        }
      } elseif ($line !== "") {
        corvanta_fail("A part of the export is damaged.");
      }
    }
    corvanta_flush();
    corvanta_sql("UPDATE ".$corvanta_transfer." SET stored = ".$s["stored"].", refused = ".$s["refused"]." WHERE part = ".$part) or corvanta_failed("Error in script. Exporting data failed.");
    corvanta_sql("COMMIT") or corvanta_failed("Error in script. Exporting data failed.");
    @unlink($file);
    print "<P CLASS=\"corvanta_ok\">staged ".$s["stored"]." ".$s["refused"]."</P>\n";
  }
} elseif ($job === "commit") {
  if (!$ours) { corvanta_fail("This export has ended: another one has begun since."); }
  if (!corvanta_is_live($head)) {
    $row = corvanta_row("SELECT COUNT(*), IFNULL(SUM(refused), 0) FROM ".$corvanta_transfer." WHERE part > 0");
    if (!$row) { corvanta_failed("Error in script. Exporting data failed."); }
    if ($row[0] != intval(corvanta_query("parts"))) { corvanta_fail("Not every part of the export has arrived. Nothing was changed."); }
    if ($row[1] != 0) { corvanta_fail("Records were refused. Nothing was changed."); }
    corvanta_sql("UPDATE ".$corvanta_transfer." SET counts = '".corvanta_counts()."' WHERE part = 0") or corvanta_failed("Error in script. Exporting data failed.");
    if ($head["mode"] === "replace") {
      // Records from a spreadsheet replace the records only: the members
      // keep their accounts and sessions.
      $keep = corvanta_query("keep") === "users" ? array("users") : array();
      // A member's session must not go on under a number that may now be
      // someone else's.
      if ($corvanta_members and !$keep) {
        corvanta_sql("DELETE FROM {TableName|php}_SESSIONS WHERE userid <> 0") or corvanta_failed("Error in script. Exporting data failed.");
      }
      $pairs = array();
      foreach ($corvanta_live as $kind => $table) {
        if (in_array($kind, $keep)) { continue; }
        $pairs[] = $table." TO ".$corvanta_replaced[$kind];
        $pairs[] = $corvanta_staged[$kind]." TO ".$table;
      }
      // One statement: every table goes live at once, or none does.
      corvanta_sql("RENAME TABLE ".implode(", ", $pairs)) or corvanta_failed("Error in script. Exporting data failed.");
      corvanta_sql("UPDATE ".$corvanta_transfer." SET mode = 'done' WHERE part = 0");
    } else {
      corvanta_append();
    }
    corvanta_cleanup();
  }
  $row = corvanta_row("SELECT counts FROM ".$corvanta_transfer." WHERE part = 0");
  print "<P CLASS=\"corvanta_ok\">live ".($row ? $row[0] : "")."</P>\n";
} elseif ($job === "abort") {
  if ($ours and !corvanta_is_live($head)) {
    corvanta_cleanup();
    corvanta_sql("DELETE FROM ".$corvanta_transfer);
  }
  print "<P CLASS=\"corvanta_ok\">aborted</P>\n";
} elseif ($job === "status") {
  print "<P CLASS=\"corvanta_ok\">".(($ours and corvanta_is_live($head)) ? "committed" : "pending")."</P>\n";
} else {
  corvanta_fail("Error in script. Exporting data failed.");
}
)php",
          vars);
}
