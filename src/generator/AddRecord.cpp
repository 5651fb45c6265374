// add_record.php: the blank record form, and the create action that checks,
// stores and announces a new record. The record's number comes from
// AUTO_INCREMENT, so visitors adding at the same moment do not collide.
#include "RecordParts.h"

using namespace RecordParts;

namespace {

// The values of one field for the INSERT, in the order of its columns.
void insertValues(TPHPGenerator& g, const TBTable& t, const TBField& f, bool admin) {
    const QString& type = f.FieldType;
    const bool fixed = Left(f, admin); // the visitor cannot enter it
    const bool text = type == FieldTypes::Text || HasSecondColumn(f);

    if (text)
        g.Lines(
            fixed
                ? uR"php(      $req = $req."\"\"";)php"
                : uR"php(      $req = $req."\"".mysql_real_escape_string($HTTP_POST_VARS["{FieldName}"])."\"";)php",
            f);
    if (type == FieldTypes::DateTime) {
        if (fixed) {
            g.Lines(uR"php(      $req = $req."\"\"";)php", f);
        } else {
            for (const TDatePart& p : DateParts())
                g.Lines(
                    uR"php(      $tmp{s} = str_pad($HTTP_POST_VARS["{FieldName}{s}"], {w}, "0", STR_PAD_LEFT);)php",
                    f,
                    {{QStringLiteral("s"), p.suffix},
                     {QStringLiteral("w"), QString::number(p.width)}});
            g.Lines(uR"php(
      $req = $req."\"".mysql_real_escape_string($tmp_year);
      $req = $req.mysql_real_escape_string($tmp_month);
      $req = $req.mysql_real_escape_string($tmp_day);
      $req = $req.mysql_real_escape_string($tmp_hour);
      $req = $req.mysql_real_escape_string($tmp_minute);
      $req = $req.mysql_real_escape_string($tmp_second)."\"";
)php",
                    f);
        }
    }
    if (type == FieldTypes::Integer)
        g.Lines(fixed ? uR"php(      $req = $req."0";)php"
                      : uR"php(      $req = $req.intval($HTTP_POST_VARS["{FieldName}"]);)php",
                f);
    if (type == FieldTypes::Real) {
        if (fixed)
            g.Lines(uR"php(      $req = $req."0";)php", f);
        else
            g.Lines(uR"php(
      $convertedreal = str_replace(",", ".", $HTTP_POST_VARS["{FieldName}"]);
      $req = $req.corvanta_real($convertedreal);
)php",
                    f);
    }
    if (type == FieldTypes::YesNo)
        g.Lines(fixed ? uR"php(      $req = $req."0";)php" : uR"php(
      if (array_key_exists("{FieldName}", $HTTP_POST_VARS)) :
        $req = $req."1";
      else :
        $req = $req."0";
      endif;
)php",
                f);
    if (type == FieldTypes::Image) {
        if (fixed) {
            g.Lines(uR"php(      $req = $req."0";)php", f);
        } else {
            UploadHead(g, f.FieldName, 6, 8);
            g.Lines(uR"php(
        $req = $req.$imageid;
      else:
        $req = $req."0";
      endif;
)php");
        }
    }
    if (type == FieldTypes::ImageLink) {
        if (fixed) {
            g.Lines(uR"php(      $req = $req.", 0";)php", f);
        } else {
            UploadHead(g, f.FieldName2, 6, 8);
            g.Lines(uR"php(
        $req = $req.", ".$imageid;
      else:
        $req = $req.", 0";
      endif;
)php");
        }
    }
    if (type == FieldTypes::Mailto || type == FieldTypes::Hyperlink)
        g.Lines(
            fixed
                ? uR"php(      $req = $req.", \"\"";)php"
                : uR"php(      $req = $req.", \"".mysql_real_escape_string($HTTP_POST_VARS["{FieldName2}"])."\"";)php",
            f);

    if (!admin && t.UserMode == QLatin1String("Login"))
        g.Lines(uR"php(        $req = $req.", 1";)php");
    else if (fixed)
        g.Lines(uR"php(      $req = $req.", 0";)php");
    else
        g.Lines(uR"php(
      if (array_key_exists("{FieldName}_USEREDIT", $HTTP_POST_VARS)) :
        $req = $req.", 1";
      else :
        $req = $req.", 0";
      endif;
)php",
                f);
}

} // namespace

bool TPHPGenerator::AddPage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("add_record.php"), [&] {
        PageHead(admin, QStringLiteral("add_record.php"), QStringLiteral("add"));
        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(

//********************* create action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "createaction")) :
)php");
        ValidationSnippet(QStringLiteral("    "), QString(), admin, false);
        WriteLine(u"    if ($fieldsarevalid) :");

        const bool ownerColumn = !admin || t.MembersRule();
        QStringList columns;
        for (const TBField& f : UserFields(t)) {
            QString c = f.FieldName;
            if (HasSecondColumn(f))
                c += QStringLiteral(", ") + f.FieldName2;
            c += QStringLiteral(", ") + f.FieldName + QStringLiteral("_USEREDIT ");
            columns += c;
        }
        Lines(
            uR"php(      $req = "INSERT INTO {TableName|php}(recordid, {owner}{columns}) VALUES (NULL, ";)php",
            {{QStringLiteral("owner"), ownerColumn ? QStringLiteral("userid, ") : QString()},
             {QStringLiteral("columns"), columns.join(QStringLiteral(", "))}});

        if (!admin && t.UserMode == QLatin1String("Join") && !t.OnlyMembersCanAdd)
            // A new visitor's e-mail address and password make him a member.
            Lines(uR"php(
          $requser = "SELECT * FROM {TableName|php}_USERS ";
          $requser = $requser." WHERE username = \"".mysql_real_escape_string($HTTP_POST_VARS["email"])."\"";
          $requser = $requser."   AND userpassword = \"".mysql_real_escape_string($HTTP_POST_VARS["password"])."\";";
          $resuser = mysql_query($requser) or die ("{msg:QueryError18|php}");
      if (mysql_num_rows($resuser) > 0) {
          $recuser = mysql_fetch_array($resuser, MYSQL_ASSOC);
        $userid = $recuser["userid"];
      } else {
        if ($HTTP_POST_VARS["email"]) {
          $requser = "INSERT INTO {TableName|php}_USERS(username, userpassword) VALUES(\"".mysql_real_escape_string($HTTP_POST_VARS["email"])."\", \"".mysql_real_escape_string($HTTP_POST_VARS["password"])."\");";
          $resuser = mysql_query($requser);
          $userid = mysql_insert_id();
        } else {$userid = 0;}
      }
)php");
        if (!admin)
            WriteLine(u"      $req = $req.intval($userid).\", \";");
        else if (t.MembersRule())
            Lines(uR"php(
      $requser = "SELECT * FROM {TableName|php}_USERS WHERE username=\"".mysql_real_escape_string($HTTP_POST_VARS["usercombo"])."\";";
      $resuser = mysql_query($requser) or die ("{msg:QueryError3|php}");
      if (mysql_num_rows($resuser) > 0) :
        $recuser = mysql_fetch_array($resuser, MYSQL_ASSOC);
        $req = $req.intval($recuser["userid"]).", ";
      else: 
        $req = $req."0, ";
      endif;
)php");

        const std::span<const TBField> fields = UserFields(t);
        for (size_t i = 0; i < fields.size(); ++i) {
            insertValues(*this, t, fields[i], admin);
            if (i + 1 < fields.size())
                WriteLine(u"      $req = $req.\", \";");
        }
        Lines(uR"php(
      $req = $req.")";
      $res = mysql_query($req);
      $maxid = $res ? mysql_insert_id() : 0;
      if ($res):
        print "{msg:RecordCreateSuccess|php}";
      else:
        print "{msg:RecordCreateFailure|php}";
      endif;
)php");
        if (t.SendEmail) {
            Lines(uR"php(
      $req = "SELECT * FROM {TableName|php} WHERE recordid=".intval($maxid).";";
      $res = mysql_query($req) or die ("{msg:QueryError14|php}");
      if (mysql_num_rows($res) > 0) :
        $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
            NotificationSnippet(QStringLiteral("        "), QStringLiteral("Create record"));
            WriteLine(u"      endif;");
        }
        WriteLine(u"    else:");
        KeepPictures(*this, t, admin);
        RecordForm(QStringLiteral("      "), admin, QStringLiteral("add_record.php"),
                   QStringLiteral("$HTTP_POST_VARS"), TFormMode::Create);
        Lines(uR"php(
    endif;
  else:

//********************* create form ************************
)php");
        RecordForm(QStringLiteral("    "), admin, QStringLiteral("add_record.php"), QString(),
                   TFormMode::Create);
        WriteLine(u"  endif;");
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
  </BODY>
</HTML>
)php");
    });
}
