// import_db.php and export_db_0.php: the records of the live site as
// delimited text, and their number.
#include "PHPgenerator.h"

namespace {

bool hasSecondColumn(const TBField& f) {
    return f.FieldType == FieldTypes::ImageLink || f.FieldType == FieldTypes::Mailto ||
           f.FieldType == FieldTypes::Hyperlink;
}

} // namespace

bool TPHPGenerator::DownloadScript(const TBTable& t) {
    return WriteFile(t, false, QStringLiteral("import_db.php"), [&] {
        const QString replaced = QStringLiteral(
            "print str_replace(\"{RecordDelimiter|php}\", \"{ReplaceDelimiterWith|php}\", "
            "str_replace(\"{FieldDelimiter|php}\", \"{ReplaceDelimiterWith|php}\", %1));");
        const QString recordEnd = t.RecordDelimiter == QLatin1String("\n")
                                      ? QStringLiteral("  print \"\\r\\n\";")
                                      : QStringLiteral("  print \"{RecordDelimiter|php}\";");
        const auto printReplaced = [&](const QString& indent, const QString& value) {
            WriteLine(indent + Fill(replaced.arg(value)));
        };

        Lines(uR"php(
<HTML><HEAD></HEAD><BODY> 
<?php 
)php");
        KeyGate(QStringLiteral("import_db.php"));
        ConnectSnippet(QStringLiteral("  "), t);
        WriteLine(u"print \"<P CLASS=\\\"start_of_data\\\">\";");

        QString select = QStringLiteral("$req = \"SELECT ");
        if (t.UserUpdate)
            select += QStringLiteral("userid, ");
        for (size_t i = 2; i < t.Fields.size(); ++i) {
            const TBField& f = t.Fields[i];
            select += f.FieldName;
            if (hasSecondColumn(f))
                select += QStringLiteral(", ") + f.FieldName2;
            if (i + 1 < t.Fields.size())
                select += QStringLiteral(", ");
        }
        WriteLine(select + Fill(u" FROM {TableName|php}\";"));
        Lines(uR"php(
$res = mysql_query($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Importing data failed.</P>");
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
)php");
        if (t.UserUpdate)
            Lines(u"print $rec[\"userid\"].\"{FieldDelimiter|php}\";");
        for (size_t i = 2; i < t.Fields.size(); ++i) {
            const TBField& f = t.Fields[i];
            if (f.FieldType == FieldTypes::YesNo) {
                Lines(uR"php(
if ($rec["{FieldName}"] != NULL) :
  if ($rec["{FieldName}"]) :
    print "{msg:Yes|php}";
  else:
    print "{msg:No|php}";
  endif;
endif;
)php",
                      f);
            } else {
                Lines(u"if ($rec[\"{FieldName}\"] != NULL) : ", f);
                printReplaced(QStringLiteral("  "), Fill(u"$rec[\"{FieldName}\"]", &f));
                WriteLine(u"endif;");
            }
            if (hasSecondColumn(f)) {
                Lines(uR"php(
print "{FieldDelimiter|php}";
if ($rec["{FieldName2}"] != NULL) : 
)php",
                      f);
                printReplaced(QStringLiteral("  "), Fill(u"$rec[\"{FieldName2}\"]", &f));
                WriteLine(u"endif;");
            }
            if (i + 1 < t.Fields.size())
                Lines(u"print \"{FieldDelimiter|php}\";");
        }
        Lines(recordEnd);
        WriteLine(u"}");
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
$res = mysql_query($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Importing users failed.</P>");
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
  print $rec["userid"]."{FieldDelimiter|php}";
)php");
        printReplaced(QStringLiteral("  "), QStringLiteral("$rec[\"username\"]"));
        Lines(uR"php(
  print "{FieldDelimiter|php}";
  if ($rec["userpassword"] != NULL) : 
)php");
        printReplaced(QStringLiteral("    "), QStringLiteral("$rec[\"userpassword\"]"));
        WriteLine(u"  endif;");
        Lines(recordEnd);
        WriteLine(u"}");
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
$res = mysql_query($req) or die ("<P CLASS=\"corvanta_error\">Error in script. Importing images failed.</P>");
while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
  print $rec["imageid"];
  print "{FieldDelimiter|php}";
  if ($rec["userid"] != NULL) : 
    print $rec["userid"];
  endif;
  print "{FieldDelimiter|php}";
  if ($rec["image_data"] != NULL) : 
)php");
        printReplaced(QStringLiteral("    "),
                      QStringLiteral("base64_encode($rec[\"image_data\"])"));
        Lines(uR"php(
  endif;
  print "{FieldDelimiter|php}";
  if ($rec["image_type"] != NULL) : 
)php");
        printReplaced(QStringLiteral("    "), QStringLiteral("$rec[\"image_type\"]"));
        WriteLine(u"  endif;");
        Lines(recordEnd);
        WriteLine(u"}");
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
