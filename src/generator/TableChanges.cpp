// columns_db.php and alter_db.php: reading the live tables, and changing
// them as the plan the user agreed to says, while the site stays in use.
#include "PHPgenerator.h"

namespace {

QString phpList(const QStringList& values) {
    QStringList quoted;
    for (const QString& v : values)
        quoted << u'"' + TPHPGenerator::PhpString(v) + u'"';
    return QStringLiteral("array(") + quoted.join(QStringLiteral(", ")) + u')';
}

} // namespace

bool TPHPGenerator::ColumnsScript(const TBTable& t) {
    QStringList tables = {t.TableName};
    for (const auto& table : OtherTables(t))
        tables << table.first;
    // The test of each column of the definition, by its name: the request
    // only picks among them and never brings SQL of its own.
    QStringList misfits;
    for (const TColumnDef& c : RecordColumns(t))
        misfits << QStringLiteral("\"%1\" => \"%2\"")
                       .arg(PhpString(c.name), PhpString(c.Misfit(c.name)));
    // Likewise the unique keys: a key may be added only where no values repeat.
    QStringList keys;
    for (const TUniqueKey& key : UniqueKeys(t))
        keys << QStringLiteral("\"%1\" => array(\"%2\", \"%3\")")
                    .arg(PhpString(key.name), PhpString(key.columns.join(QStringLiteral(", "))),
                         PhpString(key.columns.join(QStringLiteral(" IS NOT NULL AND ")) +
                                   QStringLiteral(" IS NOT NULL")));
    return WriteFile(t, false, QStringLiteral("columns_db.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY>
<?php 
)php");
        KeyGate(QStringLiteral("columns_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        LockWaitSnippet();
        Lines(uR"php(
// Reads and never writes: which tables exist, what the record table's
// columns and unique keys are and how many values each column holds, which
// stored values would not fit the columns named in "check", and which
// values repeat for the keys named in "keys".
function corvanta_fail() {
  die("\n<P CLASS=\"corvanta_error\">Reading the tables failed: ".corvanta_html(mysql_error())."</P>");
}
$corvanta_tables = {tables|raw};
$corvanta_misfits = array({misfits|raw});
$corvanta_keys = array({keys|raw});
$answer = array("tables" => array(), "records" => 0, "columns" => array(), "keys" => array(), "misfits" => new stdClass(), "repeats" => new stdClass());
$res = mysql_query("SELECT TABLE_NAME AS name FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()") or corvanta_fail();
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
  if (in_array($rec["name"], $corvanta_tables, true)) { $answer["tables"][] = $rec["name"]; }
}
if (in_array("{TableName|php}", $answer["tables"], true)) {
  $res = mysql_query("SELECT COLUMN_NAME AS name, COLUMN_TYPE AS type, IS_NULLABLE AS nullable, COLUMN_COMMENT AS comment FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '{TableName|php}' ORDER BY ORDINAL_POSITION") or corvanta_fail();
  $sums = "COUNT(*) AS records";
  while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
    $n = count($answer["columns"]);
    $c = "`".str_replace("`", "``", $rec["name"])."`";
    $answer["columns"][] = array("name" => $rec["name"], "type" => $rec["type"], "nullable" => $rec["nullable"] == "YES", "comment" => $rec["comment"]);
    $sums .= ", SUM($c IS NULL) AS n$n, SUM($c IS NOT NULL AND CAST($c AS CHAR) <> '') AS f$n";
  }
  // One pass over the records counts the values of every column.
  $res = mysql_query("SELECT ".$sums." FROM {TableName|php}") or corvanta_fail();
  $rec = mysql_fetch_array($res, MYSQL_ASSOC);
  $answer["records"] = (int)$rec["records"];
  foreach ($answer["columns"] as $n => $column) {
    $answer["columns"][$n]["nulls"] = (int)$rec["n$n"];
    $answer["columns"][$n]["filled"] = (int)$rec["f$n"];
  }
  $check = corvanta_query("check");
  $check = $check === null ? array() : explode(",", $check);
  foreach ($corvanta_misfits as $name => $where) {
    if (!in_array($name, $check, true)) { continue; }
    $res = mysql_query("SELECT COUNT(*) AS n FROM {TableName|php} WHERE ".$where) or corvanta_fail();
    $rec = mysql_fetch_array($res, MYSQL_ASSOC);
    $found = array("count" => (int)$rec["n"], "first" => array());
    $res = mysql_query("SELECT recordid, CAST($name AS CHAR) AS v FROM {TableName|php} WHERE ".$where." ORDER BY recordid LIMIT 5") or corvanta_fail();
    while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
      $found["first"][] = array((int)$rec["recordid"], bin2hex((string)$rec["v"]));
    }
    $answer["misfits"]->$name = $found;
  }
  $res = mysql_query("SELECT INDEX_NAME AS name, GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX) AS columns FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '{TableName|php}' AND NON_UNIQUE = 0 AND INDEX_NAME <> 'PRIMARY' GROUP BY INDEX_NAME") or corvanta_fail();
  while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
    $answer["keys"][] = array("name" => $rec["name"], "columns" => explode(",", $rec["columns"]));
  }
  $check = corvanta_query("keys");
  $check = $check === null ? array() : explode(",", $check);
  foreach ($corvanta_keys as $name => $key) {
    if (!in_array($name, $check, true)) { continue; }
    $groups = "FROM {TableName|php} WHERE ".$key[1]." GROUP BY ".$key[0]." HAVING COUNT(*) > 1";
    $res = mysql_query("SELECT COUNT(*) AS n FROM (SELECT 1 ".$groups.") r") or corvanta_fail();
    $rec = mysql_fetch_array($res, MYSQL_ASSOC);
    $found = array("count" => (int)$rec["n"], "first" => array());
    $res = mysql_query("SELECT MIN(recordid) AS recordid, CONCAT_WS(', ', ".$key[0].") AS v ".$groups." ORDER BY MIN(recordid) LIMIT 5") or corvanta_fail();
    while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
      $found["first"][] = array((int)$rec["recordid"], bin2hex((string)$rec["v"]));
    }
    $answer["repeats"]->$name = $found;
  }
}
print "\n<P CLASS=\"corvanta_ok\">".json_encode($answer, JSON_HEX_TAG | JSON_HEX_AMP | JSON_INVALID_UTF8_SUBSTITUTE)."</P>";
)php",
              {{QStringLiteral("tables"), phpList(tables)},
               {QStringLiteral("misfits"), misfits.join(QStringLiteral(", "))},
               {QStringLiteral("keys"), keys.join(QStringLiteral(", "))}});
        CloseSnippet(QStringLiteral("  "));
        WriteLine(u"?></BODY></HTML>");
    });
}

bool TPHPGenerator::AlterScript(const TBTable& t, const std::vector<TSchemaStatement>& statements) {
    QStringList steps;
    for (const TSchemaStatement& s : statements) {
        QStringList recheck;
        for (const auto& check : s.recheck)
            recheck << check.second;
        steps << QStringLiteral("  array(\"phase\" => %1, \"alter\" => %2, \"table\" => \"%3\", "
                                "\"sql\" => \"%4\", \"recheck\" => %5)")
                     .arg(s.phase)
                     .arg(s.alter ? QStringLiteral("true") : QStringLiteral("false"),
                          PhpString(s.table), PhpString(s.sql), phpList(recheck));
    }
    return WriteFile(t, false, QStringLiteral("alter_db.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY>
<?php 
)php");
        KeyGate(QStringLiteral("alter_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        LockWaitSnippet();
        Lines(uR"php(
// Runs the statements of one phase of the plan the user agreed to. An ALTER
// is tried with the lightest algorithm the server has for it, so that the
// visitors' pages go on reading (and mostly writing) while it runs; each
// statement changes its table whole or not at all.
function corvanta_fail($step, $text) {
  die("\n<P CLASS=\"corvanta_error\">Step ".$step.": ".corvanta_html($text)."</P>");
}
$corvanta_steps = array(
{steps|raw}
);
$phase = intval(corvanta_query("phase"));
$ways = array(", ALGORITHM=INSTANT", ", ALGORITHM=INPLACE, LOCK=NONE", ", ALGORITHM=COPY, LOCK=SHARED", "");
foreach ($corvanta_steps as $n => $step) {
  if ($step["phase"] != $phase) { continue; }
  // Values stored since the plan was made must fit as well.
  foreach ($step["recheck"] as $where) {
    $res = mysql_query("SELECT COUNT(*) AS n FROM ".$step["table"]." WHERE ".$where) or corvanta_fail($n + 1, mysql_error());
    $rec = mysql_fetch_array($res, MYSQL_ASSOC);
    if ($rec["n"] > 0) { corvanta_fail($n + 1, "values that do not fit the new type were stored since the plan was made; nothing of this step was changed."); }
  }
  // A value that would not convert stops the statement instead of being changed.
  mysql_query("SET SESSION sql_mode = 'STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'") or corvanta_fail($n + 1, mysql_error());
  $ran = "";
  foreach ($step["alter"] ? $ways : array("") as $way) {
    for ($try = 1; ; $try++) {
      if (mysql_query($step["sql"].$way)) { $ran = $way === "" ? "DEFAULT" : substr($way, 2); break 2; }
      $errno = mysql_errno();
      // Not this way on this server: the next one.
      if ($errno == 1845 or $errno == 1846) { continue 2; }
      // A visitor's page holds the table: the statement waits its turn.
      if (($errno == 1205 or $errno == 1213) and $try < 6) { sleep(1); continue; }
      corvanta_fail($n + 1, mysql_error());
    }
  }
  print "\n<P CLASS=\"corvanta_step\">".($n + 1)." ".$ran."</P>";
  flush();
}
print "\n<P CLASS=\"corvanta_ok\"></P>";
)php",
              {{QStringLiteral("steps"), steps.join(QStringLiteral(",\r\n"))}});
        CloseSnippet(QStringLiteral("  "));
        WriteLine(u"?></BODY></HTML>");
    });
}
