// import_db.php and export_db_0.php: the records of the live site as
// delimited text, and their number.
#include "PHPgenerator.h"

#include "model/RecordFiles.h"
#include "model/RecordLayout.h"

namespace {

bool hasSecondColumn(const TBField& f) {
    return f.FieldType == FieldTypes::ImageLink || f.FieldType == FieldTypes::Mailto ||
           f.FieldType == FieldTypes::Hyperlink;
}

// A byte as a literal inside a PCRE pattern.
QByteArray regexByte(char c) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return word ? QByteArray(1, c) : QByteArray("\\") + c;
}

QByteArray regexBytes(const QByteArray& bytes) {
    QByteArray out;
    for (char c : bytes)
        out += regexByte(c);
    return out;
}

// The values of the template that escapes values as the record files do
// (see TRecordFormat): what PHP must write for every byte the desktop reads.
TTemplateVars escapeVars(const TRecordFormat& f) {
    const QByteArray e(1, f.Escape);
    const bool lines = f.LineRecords();
    // Bytes that may need an escape: the quick test for the common value.
    QByteArray specials = e + f.FieldDelimiter.left(1);
    specials += lines ? QByteArray("\n\r") : f.RecordDelimiter.left(1);
    // An escape character is doubled where the next bytes would make it one.
    QByteArray after = "\\z|" + regexByte(f.Escape) + "|<|" + regexBytes(f.FieldDelimiter);
    after += lines ? QByteArray("|n|r|\n|\r") : "|" + regexBytes(f.RecordDelimiter);
    const QByteArray pattern = "/" + regexByte(f.Escape) + "(?=" + after + ")/s";
    QString pairs = QStringLiteral("\"%1\" => \"%2\"")
                        .arg(TPHPGenerator::PhpBytes(f.FieldDelimiter),
                             TPHPGenerator::PhpBytes(e + f.FieldDelimiter));
    if (lines)
        pairs += QStringLiteral(", \"\\n\" => \"%1n\", \"\\r\" => \"%1r\"")
                     .arg(TPHPGenerator::PhpBytes(e));
    else
        pairs += QStringLiteral(", \"%1\" => \"%2\"")
                     .arg(TPHPGenerator::PhpBytes(f.RecordDelimiter),
                          TPHPGenerator::PhpBytes(e + f.RecordDelimiter));
    return {{QStringLiteral("specials"), TPHPGenerator::PhpBytes(specials)},
            {QStringLiteral("pattern"), TPHPGenerator::PhpBytes(pattern)},
            {QStringLiteral("pairs"), pairs},
            {QStringLiteral("esc"), TPHPGenerator::PhpBytes(e)},
            {QStringLiteral("null"), TPHPGenerator::PhpBytes(f.NullText())},
            {QStringLiteral("fd"), TPHPGenerator::PhpBytes(f.FieldDelimiter)},
            {QStringLiteral("end"), TPHPGenerator::PhpBytes(f.RecordEnd())}};
}

} // namespace

bool TPHPGenerator::DownloadScript(const TBTable& t, const QStringList& lockless) {
    const TRecordFormat format = TRecordFormat::Of(t);
    const TTemplateVars vars = escapeVars(format);
    QStringList quoted;
    for (const QString& table : TransferTables(t))
        quoted << u'"' + PhpString(table) + u'"';
    const QString tables = quoted.join(QStringLiteral(", "));
    TCharsetEncoder encoder(t.PageCharSet());
    const auto word = [&](const QString& key) {
        return PhpBytes(format.EscapeValue(encoder.Encode(t.Language.Text(key))));
    };
    return WriteFile(t, false, QStringLiteral("import_db.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY> 
<?php 
)php");
        KeyGate(QStringLiteral("import_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        // Values are escaped so that they come back exactly and never make a
        // delimiter or a marker; rows are read as they come, so a large table
        // does not have to fit into the script's memory.
        Lines(uR"php(
function corvanta_field($v) {
  if ($v === null) { return "{null|raw}"; }
  $v = (string)$v;
  if ($v === "{null|raw}") { return "{esc|raw}{null|raw}"; }
  if (strpbrk($v, "{specials|raw}") === false) { return $v; }
  $v = preg_replace("{pattern|raw}", "\$0\$0", $v);
  return strtr($v, array({pairs|raw}));
}
function corvanta_line($line) {
  if (substr($line, 0, 1) === "<") { $line = "{esc|raw}".$line; }
  print $line."{end|raw}";
}
function corvanta_rows($req) {
  $l = corvanta_link();
  if (!$l) { return false; }
  try { return mysqli_query($l, $req, MYSQLI_USE_RESULT); } catch (Throwable $e) { return false; }
}
function corvanta_rows_complete() {
  $l = corvanta_link();
  return $l and mysqli_errno($l) == 0;
}
// An export the desktop could not end (it was killed, or lost the server)
// leaves its staged tables and parts: the desktop names its runs.
function corvanta_leftovers($runs) {
  $l = corvanta_link();
  if (!$l or !is_string($runs) or !preg_match('/^[0-9a-f]{32}(,[0-9a-f]{32})*$/', $runs)) { return; }
  try { $res = mysqli_query($l, "SELECT 1 FROM {TableName|php}_TRANSFER WHERE part = 0 AND run IN ('".str_replace(",", "','", $runs)."')"); } catch (Throwable $e) { $res = false; }
  if (!$res or !mysqli_fetch_row($res)) { return; }
  foreach (array({tables|raw}) as $table) {
    try { mysqli_query($l, "DROP TABLE IF EXISTS ".$table); } catch (Throwable $e) { }
  }
  $parts = glob(dirname(__FILE__)."/export_db_part*.php");
  foreach (is_array($parts) ? $parts : array() as $file) { @unlink($file); }
}
corvanta_leftovers(corvanta_query("leftover"));
print "<P CLASS=\"start_of_data\">";
)php",
              TTemplateVars(vars) << std::pair{QStringLiteral("tables"), tables});

        QStringList columns;
        if (t.UserUpdate)
            columns << QStringLiteral("userid");
        for (size_t i = 2; i < t.Fields.size(); ++i) {
            columns << t.Fields[i].FieldName;
            if (hasSecondColumn(t.Fields[i]))
                columns << t.Fields[i].FieldName2;
        }
        const bool locks = RecordsCarryLocks(t);
        if (locks)
            for (size_t i = 2; i < t.Fields.size(); ++i)
                if (!lockless.contains(t.Fields[i].FieldName))
                    columns << t.Fields[i].FieldName + QStringLiteral("_USEREDIT");
        WriteLine(QStringLiteral("$req = \"SELECT ") +
                  PhpString(columns.join(QStringLiteral(", "))) +
                  Fill(u" FROM {TableName|php}\";"));
        Lines(uR"php(
$res = corvanta_rows($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Importing data failed.</P>");
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
  $line = "";
)php");
        if (t.UserUpdate)
            Lines(u"  $line .= corvanta_field($rec[\"userid\"]).\"{fd|raw}\";", vars);
        for (size_t i = 2; i < t.Fields.size(); ++i) {
            const TBField& f = t.Fields[i];
            // Empty and NULL differ except in a number, which is never empty.
            if (f.FieldType == FieldTypes::YesNo) {
                Lines(uR"php(
  if ($rec["{FieldName}"] === NULL) :
    $line .= "{null|raw}";
  elseif ($rec["{FieldName}"]) :
    $line .= "{yes|raw}";
  else:
    $line .= "{no|raw}";
  endif;
)php",
                      f,
                      TTemplateVars(vars)
                          << std::pair{QStringLiteral("yes"), word(QStringLiteral("Yes"))}
                          << std::pair{QStringLiteral("no"), word(QStringLiteral("No"))});
            } else if (f.FieldType == FieldTypes::Integer || f.FieldType == FieldTypes::Real) {
                // A number with a decimal comma is written with it, as an
                // upload of the file takes it.
                const bool comma =
                    f.FieldType == FieldTypes::Real && f.DecimalSymbol == QLatin1String(",");
                Lines(uR"php(
  if ($rec["{FieldName}"] !== NULL) :
    $line .= corvanta_field({value|raw});
  endif;
)php",
                      f,
                      {{QStringLiteral("value"),
                        Fill(comma ? u"str_replace(\".\", \",\", $rec[\"{FieldName}\"])"
                                   : u"$rec[\"{FieldName}\"]",
                             &f)}});
            } else {
                Lines(u"  $line .= corvanta_field($rec[\"{FieldName}\"]);", f);
            }
            if (hasSecondColumn(f))
                Lines(uR"php(
  $line .= "{fd|raw}".corvanta_field($rec["{FieldName2}"]);
)php",
                      f, vars);
            if (i + 1 < t.Fields.size())
                Lines(u"  $line .= \"{fd|raw}\";", vars);
        }
        if (locks) {
            // One more value: the field locks, "1" where the member may change it.
            QString flags;
            for (size_t i = 2; i < t.Fields.size(); ++i)
                flags += lockless.contains(t.Fields[i].FieldName)
                             ? QStringLiteral(".\"1\"")
                             : QStringLiteral(".($rec[\"%1_USEREDIT\"] ? \"1\" : \"0\")")
                                   .arg(PhpString(t.Fields[i].FieldName));
            WriteLine(Fill(u"  $line .= \"{fd|raw}\"", nullptr, vars) + flags + u';');
        }
        Lines(uR"php(
  corvanta_line($line);
}
if (!corvanta_rows_complete()) { die ("<P CLASS=\"corvanta_error\">Error in script. Importing data failed.</P>"); }
)php");
        CloseSnippet(QStringLiteral("  "));

        Lines(uR"php(
?>
<P CLASS="end_of_data">
<?php 
)php");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(
print "<P CLASS=\"start_of_users\">";
$req = "SELECT userid, username, userpassword FROM {TableName|php}_USERS;";
$res = corvanta_rows($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Importing users failed.</P>");
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
  $line = corvanta_field($rec["userid"])."{fd|raw}".corvanta_field($rec["username"])."{fd|raw}".corvanta_field($rec["userpassword"]);
  corvanta_line($line);
}
if (!corvanta_rows_complete()) { die ("<P CLASS=\"corvanta_error\">Error in script. Importing users failed.</P>"); }
)php",
              vars);
        CloseSnippet(QStringLiteral("  "));

        Lines(uR"php(
?>
<P CLASS="end_of_users">
<?php 
)php");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(
print "<P CLASS=\"start_of_images\">";
$req = "SELECT imageid, userid, image_data, image_type FROM {TableName|php}_IMAGES;";
$res = corvanta_rows($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Importing images failed.</P>");
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
  $line = corvanta_field($rec["imageid"])."{fd|raw}".corvanta_field($rec["userid"])."{fd|raw}";
  if ($rec["image_data"] != NULL) : 
    $line .= corvanta_field(base64_encode($rec["image_data"]));
  endif;
  $line .= "{fd|raw}".corvanta_field($rec["image_type"]);
  corvanta_line($line);
  $rec = null;
  $line = null;
}
if (!corvanta_rows_complete()) { die ("<P CLASS=\"corvanta_error\">Error in script. Importing images failed.</P>"); }
)php",
              vars);
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
<P CLASS="end_of_images">
</BODY></HTML>
)php");
    });
}

bool TPHPGenerator::RecordCountScript(const TBTable& t) {
    return WriteFile(t, false, QStringLiteral("export_db_0.php"), [&] {
        Lines(uR"php(
<HTML><HEAD></HEAD><BODY>
<?php 
)php");
        KeyGate(QStringLiteral("export_db_0.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(
$req = "SELECT COUNT(recordid) AS cnt FROM {TableName|php};";
$res = mysql_query($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Exporting data failed.</P>");
$rec = mysql_fetch_array($res, MYSQL_ASSOC);
print "<P CLASS=\"corvanta_ok\">".$rec["cnt"]."</P>";
)php");
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
</BODY></HTML>
)php");
    });
}
