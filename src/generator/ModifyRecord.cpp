// modify_record.php: the modify action, and the selection of the record (or
// the list of records) the user may change. A visitor changes only his own
// records, and in Login mode only the fields the stored record lets him.
#include "RecordParts.h"

using namespace RecordParts;

namespace {

bool visitorLogin(const TBTable& t, bool admin) {
    return !admin && t.UserMode == QLatin1String("Login");
}

// The assignments of one field in the UPDATE.
void updateAssignments(TPHPGenerator& g, const TBTable& t, const TBField& f, bool admin,
                       bool last) {
    const QString& type = f.FieldType;
    if (visitorLogin(t, admin))
        g.Lines(
            uR"php(    if (array_key_exists("{FieldName}_USEREDIT", $HTTP_POST_VARS) and ($rec["{FieldName}_USEREDIT"] != 0)) :)php",
            f);
    g.Lines(uR"php(          $req = $req."{FieldName}=";)php", f);
    if (type == FieldTypes::Text || HasSecondColumn(f)) {
        g.Lines(
            uR"php(          $req = $req."\"".mysql_real_escape_string($HTTP_POST_VARS["{FieldName}"])."\"";)php",
            f);
    } else if (type == FieldTypes::DateTime) {
        // Stored as fourteen digits, every part padded.
        const std::vector<TDatePart>& parts = DateParts();
        for (size_t i = 0; i < parts.size(); ++i) {
            const TTemplateVars v{{QStringLiteral("s"), parts[i].suffix},
                                  {QStringLiteral("w"), QString::number(parts[i].width)}};
            if (i == 0)
                g.Lines(
                    uR"php(          $req = $req."\"".mysql_real_escape_string(str_pad($HTTP_POST_VARS["{FieldName}{s}"], {w}, "0", STR_PAD_LEFT));)php",
                    f, v);
            else if (i + 1 < parts.size())
                g.Lines(
                    uR"php(          $req = $req.mysql_real_escape_string(str_pad($HTTP_POST_VARS["{FieldName}{s}"], {w}, "0", STR_PAD_LEFT));)php",
                    f, v);
            else
                g.Lines(
                    uR"php(          $req = $req.mysql_real_escape_string(str_pad($HTTP_POST_VARS["{FieldName}{s}"], {w}, "0", STR_PAD_LEFT))."\"";)php",
                    f, v);
        }
    } else if (type == FieldTypes::Integer) {
        g.Lines(uR"php(          $req = $req.intval($HTTP_POST_VARS["{FieldName}"]);)php", f);
    } else if (type == FieldTypes::Real) {
        g.Lines(uR"php(
      $convertedreal = str_replace(",", ".", $HTTP_POST_VARS["{FieldName}"]);
          $req = $req.corvanta_real($convertedreal);
)php",
                f);
    } else if (type == FieldTypes::Image) {
        UploadHead(g, f, f.FieldName, 10, false);
        g.Lines(uR"php(
            $req = $req.$imageid;
            corvanta_replace_picture($rec["{FieldName}"], $imageid);
          else:
            $req = $req.intval($rec["{FieldName}"]);
          endif;
)php",
                f);
    } else if (type == FieldTypes::YesNo) {
        g.Lines(uR"php(
          if (array_key_exists("{FieldName}", $HTTP_POST_VARS)) :
            $req = $req."1";
          else :
            $req = $req."0";
          endif;
)php",
                f);
    }
    if (type == FieldTypes::Mailto || type == FieldTypes::Hyperlink)
        g.Lines(
            uR"php(          $req = $req.", {FieldName2}=\"".mysql_real_escape_string($HTTP_POST_VARS["{FieldName2}"])."\"";)php",
            f);
    if (type == FieldTypes::ImageLink) {
        UploadHead(g, f, f.FieldName2, 6, false);
        g.Lines(uR"php(
            $req = $req.", {FieldName2}=".$imageid;
            corvanta_replace_picture($rec["{FieldName2}"], $imageid);
      endif;
)php",
                f);
    }
    if (visitorLogin(t, admin)) {
        if (!last)
            g.Lines(uR"php(          $req = $req.",";)php");
        g.Lines(u"    endif;");
        return;
    }
    if (admin)
        g.Lines(uR"php(
    if (array_key_exists("{FieldName}_USEREDIT", $HTTP_POST_VARS)) :
        $req = $req.", {FieldName}_USEREDIT=1";
    else :
        $req = $req.", {FieldName}_USEREDIT=0";
    endif;
)php",
                f);
    if (!last)
        g.Lines(uR"php(          $req = $req.",";)php");
}

// The modify action: the checked values replace the stored ones, with the
// record's new pictures, in one transaction.
void modifyAction(TPHPGenerator& g, const TBTable& t, bool admin) {
    g.ValidationSnippet(
        QStringLiteral("    "),
        QStringLiteral(" and recordid <> \".intval($HTTP_POST_VARS[\"recordid\"]).\" "), admin,
        true);
    g.Lines(uR"php(
    if ($fieldsarevalid) :
      $req = "SELECT * FROM {TableName|php} WHERE recordid = ".intval($HTTP_POST_VARS["recordid"]).";";
      $res = mysql_query($req) or die ("{msg:QueryError15|php}");
      if (mysql_num_rows($res) > 0) :
        $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
    // A visitor changes his own records only, as on the delete page.
    if (admin)
        g.WriteLine(u"        if (TRUE):");
    else
        g.WriteLine(u"        if (($userid != 0) and ($rec[\"userid\"] == $userid)):");
    g.Lines(uR"php(
          mysql_query("START TRANSACTION");
          $picturefailed = "";
          $req = "UPDATE {TableName|php} SET userid_USEREDIT=0,";
)php");
    const std::span<const TBField> fields = UserFields(t);
    for (size_t i = 0; i < fields.size(); ++i)
        if (!Left(fields[i], admin))
            updateAssignments(g, t, fields[i], admin, i + 1 == fields.size());
    g.Lines(uR"php(
          $req = rtrim($req, ",");
          $req = $req." WHERE recordid = ".intval($HTTP_POST_VARS["recordid"]).";";
)php");
    StoreOrRefuse(g, QStringLiteral("          "), QStringLiteral("RecordModifySuccess"),
                  QStringLiteral("RecordModifyFailure"));
    if (t.SendEmail) {
        g.Lines(uR"php(
          if ($res):
            $req = "SELECT * FROM {TableName|php} WHERE recordid=".intval($HTTP_POST_VARS["recordid"]).";";
            $res = mysql_query($req) or die ("{msg:QueryError16|php}");
            if (mysql_num_rows($res) > 0) :
              $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
        g.NotificationSnippet(QStringLiteral("              "), QStringLiteral("Modify record"));
        g.Lines(uR"php(
            endif;
          endif;
)php");
    }
    if (!admin)
        g.Lines(uR"php(
        else:
          print "{msg:EmailPasswordIncorrect|php}";
)php");
    g.Lines(uR"php(
        endif;
      else:
        print "{msg:NoRecords|php}";
      endif;
    endif;
    if (!$fieldsarevalid) :
)php");
    KeepPictures(g, t, admin);
    g.RecordForm(QStringLiteral("      "), admin, QStringLiteral("modify_record.php"),
                 QStringLiteral("$HTTP_POST_VARS"), TPHPGenerator::TFormMode::Modify);
    g.WriteLine(u"    endif;");
}

} // namespace

bool TPHPGenerator::ModifyPage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("modify_record.php"), [&] {
        PageHead(admin, QStringLiteral("modify_record.php"), QStringLiteral("modify"));
        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(

//********************* modify action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "modifyaction")) :
)php");
        if (MayAddModify(t, admin))
            modifyAction(*this, t, admin);
        else
            Lines(uR"php(    print "{msg:NoAccessToThisDB|php}";)php");
        Lines(uR"php(
    if (array_key_exists("historyindex", $HTTP_POST_VARS)) :
      $historyback = intval($HTTP_POST_VARS["historyindex"]) + 1;
      print "<BR><A CLASS=\"back\" HREF=\"\" DATA-BACK=\"".$historyback."\">{msg:BackButton|php}</A>";
    endif;
  else:

//********************* modify form ************************
)php");
        // A member opens his own records without naming one.
        if (!admin)
            WriteLine(u"    if (true): ");
        else
            WriteLine(u"    if (array_key_exists(\"recordid\", $HTTP_POST_VARS)): ");
        Lines(u"      $req = \"SELECT * FROM {TableName|php}\";");
        if (admin)
            WriteLine(u"        $req = $req.\" WHERE recordid = "
                      u"\".intval($HTTP_POST_VARS[\"recordid\"]);");
        else
            Lines(uR"php(
      $req = $req." WHERE userid = ".intval($userid);
      if (array_key_exists("recordid", $HTTP_POST_VARS)): 
        $req = $req." AND recordid = ".intval($HTTP_POST_VARS["recordid"]);
      endif;
)php");
        SelectionPaging(*this, t, QStringLiteral("QueryError17"));
        WriteLine(u"      if ($limit > 0) :");
        ResultTable(QStringLiteral("        "), false, QStringLiteral("modify_record.php"), admin,
                    false, true);
        // A member who is logged in has no wrong credentials to be told of;
        // credentials posted without a login are a login try.
        Lines(uR"php(
      else:
        if (mysql_num_rows($res) == 0) :
          $known = !empty($loggedin);
          if (!$known and array_key_exists("email", $HTTP_POST_VARS) and array_key_exists("password", $HTTP_POST_VARS) and corvanta_login_try($HTTP_POST_VARS["email"])) :
            $req = "SELECT * FROM {TableName|php}_USERS ";
            $req = $req." WHERE username = \"".mysql_real_escape_string($HTTP_POST_VARS["email"])."\"";
            $req = $req."   AND BINARY userpassword = \"".mysql_real_escape_string($HTTP_POST_VARS["password"])."\";";
            $res = mysql_query($req) or die ("{msg:QueryError18|php}");
            $known = (mysql_num_rows($res) > 0);
            if ($known) : corvanta_login_passed($HTTP_POST_VARS["email"]); endif;
          endif;
          if (!$known) :
            print "{msg:WrongIdPassword|php}";
            print "<BR><BR><A CLASS=\"back\" HREF=\"\" DATA-BACK=\"1\">{msg:BackButton|php}</A>";
          else:
)php");
        if (admin || t.UserMode != QLatin1String("Login"))
            Lines(uR"php(            print "{msg:NoRecords|php}";)php");
        else if (t.AllowAddModify)
            Lines(uR"php(
            print "<FORM METHOD=\"POST\" ACTION=\"add_record.php\">".corvanta_form_field()."\n";
            print "<INPUT TYPE=\"submit\" VALUE=\"{msg:ClickHereToAdd|php}\">\n";
            print "</FORM>\n";
)php");
        else
            Lines(uR"php(            print "{msg:NoAccessToThisDB|php}";)php");
        Lines(uR"php(
          endif;
        elseif (mysql_num_rows($res) == 1) :
          $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
        if (admin || t.AllowAddModify)
            RecordForm(QStringLiteral("          "), admin, QStringLiteral("modify_record.php"),
                       QStringLiteral("$rec"), TFormMode::Modify);
        else
            RecordForm(QStringLiteral("          "), admin, QString(), QStringLiteral("$rec"),
                       TFormMode::Display);
        WriteLine(u"        else:");
        ResultTable(QStringLiteral("          "), false, QStringLiteral("modify_record.php"), admin,
                    false, true);
        Lines(uR"php(
        endif;
      endif;
)php");
        if (admin)
            Lines(uR"php(
    else:
      print "No records selected.";
)php");
        Lines(uR"php(
    endif;
  endif;
)php");
        CloseSnippet(QStringLiteral("  "));
        Lines(uR"php(
?>
  </BODY>
</HTML>
)php");
    });
}
