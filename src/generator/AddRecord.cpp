// add_record.php: the blank record form, and the create action that checks,
// stores and announces a new record. The record's number comes from
// AUTO_INCREMENT, so visitors adding at the same moment do not collide. The
// record and its pictures are stored together or not at all; a refused
// record shows its form again, with the values and the reason.
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
            UploadHead(g, f, f.FieldName, 6, false);
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
            UploadHead(g, f, f.FieldName2, 6, false);
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

// Join mode: the visitor's e-mail address and password make him a member, or
// prove that he is one. One valid address per member, as the database
// compares names; a known address with another password is refused. A new
// member gets mail about his records only once he has confirmed that the
// address is his (confirm.php).
void joinMember(TPHPGenerator& g) {
    g.Lines(uR"php(
    if ($fieldsarevalid) :
      $email = array_key_exists("email", $HTTP_POST_VARS) ? corvanta_email($HTTP_POST_VARS["email"]) : false;
      $password = (array_key_exists("password", $HTTP_POST_VARS) and is_string($HTTP_POST_VARS["password"])) ? $HTTP_POST_VARS["password"] : "";
      if (!array_key_exists("email", $HTTP_POST_VARS) or !is_scalar($HTTP_POST_VARS["email"]) or (trim($HTTP_POST_VARS["email"]) == "")) :
        print "{msg:EmailRequired|php}\n";
        $fieldsarevalid = FALSE;
      elseif ($email === false) :
        print "{msg:EmailInvalid|php}\n";
        $fieldsarevalid = FALSE;
      elseif ($password == "") :
        print "{msg:PasswordRequired|php}\n";
        $fieldsarevalid = FALSE;
      elseif (!corvanta_login_try($email)) :
        print corvanta_try_refusal()."\n";
        $fieldsarevalid = FALSE;
      else:
        $userid = 0;
        $requser = "SELECT * FROM {TableName|php}_USERS WHERE username = \"".mysql_real_escape_string($email)."\";";
        $resuser = mysql_query($requser) or die ("{msg:QueryError18|php}");
        $recuser = mysql_fetch_array($resuser, MYSQL_ASSOC);
        if (!$recuser) :
          $requser = "INSERT INTO {TableName|php}_USERS(username, userpassword, confirmkey) VALUES(\"".mysql_real_escape_string($email)."\", \"".mysql_real_escape_string($password)."\", \"".corvanta_new_token()."\");";
          if (mysql_query($requser)) :
            $userid = mysql_insert_id();
          else:
            // Another visitor gave the same new address a moment earlier.
            $requser = "SELECT * FROM {TableName|php}_USERS WHERE username = \"".mysql_real_escape_string($email)."\";";
            $resuser = mysql_query($requser) or die ("{msg:QueryError18|php}");
            $recuser = mysql_fetch_array($resuser, MYSQL_ASSOC);
          endif;
        endif;
        if ($recuser and ($recuser["userpassword"] === $password)) :
          $userid = $recuser["userid"];
        endif;
        if ($userid) :
          corvanta_login_passed($email);
        else:
          print "{msg:WrongIdPassword|php}\n";
          $fieldsarevalid = FALSE;
        endif;
      endif;
    endif;
)php");
}

} // namespace

bool TPHPGenerator::AddPage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("add_record.php"), [&] {
        PageHead(admin, QStringLiteral("add_record.php"), QStringLiteral("add"));
        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        if (!MayAddModify(t, admin)) {
            // The visitors of this site may not add: no form, no action.
            Lines(uR"php(
  print "{msg:NoAccessToThisDB|php}";
)php");
            CloseSnippet(QStringLiteral("  "));
            Lines(uR"php(
?>
  </BODY>
</HTML>
)php");
            return;
        }
        Lines(uR"php(

//********************* create action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "createaction")) :
)php");
        ValidationSnippet(QStringLiteral("    "), QString(), admin, false);
        if (!admin && t.UserMode == QLatin1String("Join") && !t.OnlyMembersCanAdd)
            joinMember(*this);
        Lines(uR"php(
    if ($fieldsarevalid) :
      mysql_query("START TRANSACTION");
      $picturefailed = "";
)php");

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
            uR"php(      $req = "INSERT INTO {TableName|php}(recordid, {owner|raw}{columns|raw}) VALUES (NULL, ";)php",
            {{QStringLiteral("owner"), ownerColumn ? QStringLiteral("userid, ") : QString()},
             {QStringLiteral("columns"), columns.join(QStringLiteral(", "))}});

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
        WriteLine(u"      $req = $req.\")\";");
        StoreOrRefuse(*this, QStringLiteral("      "), QStringLiteral("RecordCreateSuccess"),
                      QStringLiteral("RecordCreateFailure"));
        if (t.SendEmail) {
            Lines(uR"php(
      if ($res):
        $req = "SELECT * FROM {TableName|php} WHERE recordid=".intval($maxid).";";
        $res = mysql_query($req) or die ("{msg:QueryError14|php}");
        if (mysql_num_rows($res) > 0) :
          $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
            NotificationSnippet(QStringLiteral("          "), QStringLiteral("Create record"));
            Lines(uR"php(
        endif;
      endif;
)php");
        }
        WriteLine(u"    endif;");
        WriteLine(u"    if (!$fieldsarevalid) :");
        KeepPictures(*this, t, admin);
        RecordForm(QStringLiteral("      "), admin, QStringLiteral("add_record.php"),
                   QStringLiteral("$HTTP_POST_VARS"), TFormMode::Create);
        Lines(uR"php(
    endif;
  else:
    if (corvanta_post_lost()) :
      print "{msg:FormTooLarge|php}\n";
    endif;

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
