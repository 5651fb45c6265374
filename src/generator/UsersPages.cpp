// The administrator's member list and the password pages of both sites.
// Request values reach SQL escaped, or as numbers; member names and passwords
// from the database reach the page HTML-escaped. Passwords compare strictly:
// "1e3" and "1000" are different passwords.
#include "PHPgenerator.h"

namespace {

// One cell of a member row: a link that submits the cell's own small form.
void userListCell(TPHPGenerator& g, const QString& cssClass, const QString& formName,
                  const QString& textKey, const QString& action, const QString& job) {
    g.Lines(uR"php(
            print "        <TD CLASS=\"{c}\"><A HREF=\"\" DATA-SUBMIT=\"{form}".$rec["userid"]."\">{text|raw}</A>\n";
            print "          <FORM NAME=\"{form}".$rec["userid"]."\" METHOD=\"POST\" ACTION=\"{action}\">".corvanta_form_field()."\n";
            print "            <INPUT TYPE=\"hidden\" NAME=\"userid\" VALUE=\"".$rec["userid"]."\">\n";
            print "            <INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"{job}\">\n";
            print "          </FORM>\n";
            print "        </TD>\n";
)php",
            {{QStringLiteral("c"), cssClass},
             {QStringLiteral("form"), formName},
             {QStringLiteral("text"),
              g.Fill(QStringLiteral("{msg:") + textKey + QStringLiteral("|php}"))},
             {QStringLiteral("action"), action},
             {QStringLiteral("job"), job}});
}

} // namespace

bool TPHPGenerator::UsersPage(const TBTable& t) {
    return WriteFile(t, true, QStringLiteral("users.php"), [&] {
        PageHead(true, QStringLiteral("users.php"), QStringLiteral("users"));
        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        Lines(uR"php(

//********************* create action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "usercreateaction")) :
    if ($HTTP_POST_VARS["username"] != "") :
      if ($HTTP_POST_VARS["userpassword"] === $HTTP_POST_VARS["userrepassword"]) :
        $req = "SELECT userid FROM {TableName|php}_USERS WHERE username=\"".mysql_real_escape_string($HTTP_POST_VARS["username"])."\";";
        $res = mysql_query($req) or die ("{msg:QueryError7|php}");
        if (mysql_num_rows($res) > 0) :
          print "{msg:UserAlreadyExists|php}";
        else :
          $req = "INSERT INTO {TableName|php}_USERS(username, userpassword) VALUES(\"".mysql_real_escape_string($HTTP_POST_VARS["username"])."\", \"".mysql_real_escape_string($HTTP_POST_VARS["userpassword"])."\");";
          $res = mysql_query($req);
          if ($res):
            print "{msg:UserCreateSuccess|php}";
          else:
            print "{msg:UserCreateFailure|php}";
          endif;
        endif;
      else :
        print "{msg:PasswordDifferent|php}";
      endif;
    else :
      print "{msg:UsernameMustBeFilled|php}";
    endif;
  endif;

//********************* delete action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "userdeleteaction")) :
    $req = "DELETE FROM {TableName|php}_USERS WHERE userid = ".intval($HTTP_POST_VARS["userid"]).";";
    $res = mysql_query($req);
    if ($res):
      $req = "DELETE FROM {TableName|php}_SESSIONS WHERE userid = ".intval($HTTP_POST_VARS["userid"])." AND userid <> 0;";
      $res = mysql_query($req);
      print "{msg:UserDeleteSuccess|php}";
    else:
      print "{msg:UserDeleteFailure|php}";
    endif;
  endif;

//********************* send password action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "usersendpassword")) :
    $req = "SELECT * FROM {TableName|php}_USERS WHERE userid=\"".intval($HTTP_POST_VARS["userid"])."\";";
    $res = mysql_query($req) or die ("{msg:QueryError7|php}");
    if (mysql_num_rows($res) > 0) :
      $rec = mysql_fetch_array($res, MYSQL_ASSOC);
      $msg = "{PasswordEmailBody|raw|php}\n\n";
      $msg .= "{msg:EmailFieldLabel|php}: ".$rec["username"]."\n";
      $msg .= "{msg:PasswordFieldLabel|php}: ".$rec["userpassword"]."\n";
      if (!corvanta_mail_try($rec["username"])):
        print "<BR>".corvanta_try_refusal()."<BR>";
      elseif (corvanta_mail($rec["username"], "{PasswordEmailSubject|raw|php}", $msg, "From: {PasswordEmailSender|raw|php}\r\n")):
        print "<BR>{msg:SendPasswordSuccess|php}<BR>";
      endif;
    endif;
  endif;

//********************* create form ************************
      print "    <H3>{msg:AddUserLabel|php}</H3>\n";
      print "    <FORM ENCTYPE=\"multipart/form-data\" NAME=\"UserAdd\" METHOD=\"POST\" ACTION=\"users.php\">".corvanta_form_field()."\n";
      print "      <TABLE CLASS=\"user_id_password\" CELLPADDING=\"2\">\n";
      print "        <TR CLASS=\"user_email\">\n";
      print "          <TD CLASS=\"user_email_label\"><LABEL FOR=\"u_username\">{msg:UserNameLabel|php}</LABEL></TD>\n";
      print "          <TD CLASS=\"user_email_value\"><INPUT TYPE=\"text\" NAME=\"username\" ID=\"u_username\"></TD>\n";
      print "        </TR>\n";
      print "        <TR CLASS=\"user_password\">\n";
      print "          <TD CLASS=\"user_password_label\"><LABEL FOR=\"u_userpassword\">{msg:UserPasswordLabel|php}</LABEL></TD>\n";
      print "          <TD CLASS=\"user_password_value\"><INPUT TYPE=\"password\" NAME=\"userpassword\" ID=\"u_userpassword\"></TD>\n";
      print "        </TR>\n";
      print "        <TR CLASS=\"user_repassword\">\n";
      print "          <TD CLASS=\"user_repassword_label\"><LABEL FOR=\"u_userrepassword\">{msg:RePasswordLabel|php}</LABEL></TD>\n";
      print "          <TD CLASS=\"user_repassword_value\"><INPUT TYPE=\"password\" NAME=\"userrepassword\" ID=\"u_userrepassword\"></TD>\n";
      print "        </TR>\n";
      print "      </TABLE><BR>\n";
      print "      <INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"\">\n";
      print "      <INPUT TYPE=\"submit\" VALUE=\"{msg:SearchUserButton|php}\" DATA-JOB=\"usersearchaction\">\n";
      print "      <INPUT TYPE=\"submit\" VALUE=\"{msg:AddUserButton|php}\" DATA-JOB=\"usercreateaction\">\n";
      print "    </FORM>\n";

//********************* users list ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "usersearchaction")) :
        if ($HTTP_POST_VARS["username"] == "") :
          $req = "SELECT * FROM {TableName|php}_USERS ORDER BY username;";
        else :
          $req = "SELECT * FROM {TableName|php}_USERS WHERE username LIKE \"%".mysql_real_escape_string($HTTP_POST_VARS["username"])."%\" ORDER BY username;";
        endif;
        $res = mysql_query($req) or die ("{msg:QueryError8|php}");
        if (mysql_num_rows($res) > 0) :
          print "    <H3>{msg:UsersLabel|php}</H3>\n";
          print "    <TABLE CLASS=\"users\" CELLPADDING=\"2\">\n";
          $isOdd = 1;
          while ($rec = mysql_fetch_array($res, MYSQL_ASSOC)) {
            if ($isOdd == 1):
              print "      <TR CLASS=\"users_odd\">\n";
              $isOdd = 0;
            else :
              print "      <TR CLASS=\"users_even\">\n";
              $isOdd = 1;
            endif;
            print "        <TD CLASS=\"users_username\">".corvanta_html($rec["username"])."</TD>\n";
)php");
        userListCell(*this, QStringLiteral("users_modify"), QStringLiteral("ModifyUser"),
                     QStringLiteral("ModifyUserLink"), QStringLiteral("change_password.php"),
                     QStringLiteral("usermodifyaction"));
        userListCell(*this, QStringLiteral("users_delete"), QStringLiteral("DeleteUser"),
                     QStringLiteral("DeleteUserLink"), QStringLiteral("users.php"),
                     QStringLiteral("userdeleteaction"));
        userListCell(*this, QStringLiteral("users_sendpassword"),
                     QStringLiteral("SendUserPassword"), QStringLiteral("SendPasswordButton"),
                     QStringLiteral("users.php"), QStringLiteral("usersendpassword"));
        Lines(uR"php(
            print "      </TR>\n";
          }
          print "    </TABLE><BR>\n";
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

bool TPHPGenerator::PasswordPage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("change_password.php"), [&] {
        PageHead(admin, QStringLiteral("change_password.php"), QStringLiteral("changepassword"));
        WriteLine(u"<?php ");
        ConnectSnippet(QStringLiteral("  "), t);
        // The new password goes to the member whose old password was just
        // checked, not to every name the database deems equal to it. His
        // other sessions end with the old password.
        Lines(uR"php(

//********************* change password action ************************
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "changepasswordaction")) :
    if ($HTTP_POST_VARS["newpassword"] === $HTTP_POST_VARS["repassword"]) :
)php");
        if (admin)
            Lines(uR"php(
      $rec = false;
      $req = "SELECT * FROM {TableName|php}_USERS WHERE username=\"".mysql_real_escape_string($HTTP_POST_VARS["username"])."\";";
      $res = mysql_query($req) or die ("{msg:QueryError7|php}");
      if (mysql_num_rows($res) > 0) :
        $rec = mysql_fetch_array($res, MYSQL_ASSOC);
      endif;
      if (!$rec) :
        print "{msg:UserNotFound|php}";
      elseif ($rec["userpassword"] !== $HTTP_POST_VARS["oldpassword"]) :
        print "{msg:WrongPassword|php}";
)php");
        else
            // Unknown member and wrong password answer alike, and guessing
            // waits as at the login.
            Lines(uR"php(
      $rec = false;
      if (!corvanta_login_try($HTTP_POST_VARS["username"])) :
        print corvanta_try_refusal();
      else:
        $req = "SELECT * FROM {TableName|php}_USERS WHERE username=\"".mysql_real_escape_string($HTTP_POST_VARS["username"])."\";";
        $res = mysql_query($req) or die ("{msg:QueryError7|php}");
        if (mysql_num_rows($res) > 0) :
          $rec = mysql_fetch_array($res, MYSQL_ASSOC);
        endif;
        if (!$rec or ($rec["userpassword"] !== $HTTP_POST_VARS["oldpassword"])) :
          $rec = false;
          print "{msg:WrongIdPassword|php}";
        else:
          corvanta_login_passed($HTTP_POST_VARS["username"]);
        endif;
      endif;
      if (!$rec) :
)php");
        Lines(uR"php(
      else:
        $req = "UPDATE {TableName|php}_USERS SET userpassword=\"".mysql_real_escape_string($HTTP_POST_VARS["newpassword"])."\" WHERE userid=".intval($rec["userid"]).";";
        $res = mysql_query($req);
        if ($res):
          $req = "DELETE FROM {TableName|php}_SESSIONS WHERE userid = ".intval($rec["userid"])." AND userid <> 0 AND sessionid <> \"".$sessionid."\";";
          $res = mysql_query($req);
              print "{msg:PasswordChangeSuccess|php}";
        else:
          print "{msg:PasswordChangeFailure|php}";
        endif;
      endif;
    else :
      print "{msg:PasswordDifferent|php}";
    endif;
  endif;
)php");
        Lines(uR"php(

//********************* change password form ************************
)php");
        if (admin)
            Lines(uR"php(
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "usermodifyaction")) :
    $req = "SELECT * FROM {TableName|php}_USERS WHERE userid=\"".intval($HTTP_POST_VARS["userid"])."\";";
    $res = mysql_query($req) or die ("{msg:QueryError7|php}");
    if (mysql_num_rows($res) > 0) :
      $rec = mysql_fetch_array($res, MYSQL_ASSOC);
)php");
        Lines(uR"php(
      print "    <H3>{msg:ChangePasswordLabel|php}</H3>\n";
      print "    <FORM ENCTYPE=\"multipart/form-data\" NAME=\"PasswordChange\" METHOD=\"POST\" ACTION=\"change_password.php\">".corvanta_form_field()."\n";
      print "      <TABLE CLASS=\"change_password\" CELLPADDING=\"2\">\n";
      print "        <TR CLASS=\"change_password_email\">\n";
      print "          <TD CLASS=\"change_password_email_label\">{msg:UserNameLabel|php}</TD>\n";
)php");
        if (admin)
            Lines(uR"php(
      print "          <TD CLASS=\"change_password_email_value\">".corvanta_html($rec["username"])."</TD>\n";
)php");
        else
            Lines(uR"php(
      print "          <TD CLASS=\"change_password_email_value\"><INPUT TYPE=\"text\" NAME=\"username\" ARIA-LABEL=\"{msg:UserNameLabel|php}\" INPUTMODE=\"email\" AUTOCOMPLETE=\"username\"></TD>\n";
)php");
        WriteLine(u"      print \"        </TR>\\n\";");
        if (!admin)
            Lines(uR"php(
      print "        <TR CLASS=\"change_password_oldpassword\">\n";
      print "          <TD CLASS=\"change_password_oldpassword_label\"><LABEL FOR=\"u_oldpassword\">{msg:OldPasswordLabel|php}</LABEL></TD>\n";
      print "          <TD CLASS=\"change_password_oldpassword_value\"><INPUT TYPE=\"password\" NAME=\"oldpassword\" ID=\"u_oldpassword\"></TD>\n";
      print "        </TR>\n";
)php");
        Lines(uR"php(
      print "        <TR CLASS=\"change_password_newpassword\">\n";
      print "          <TD CLASS=\"change_password_newpassword_label\"><LABEL FOR=\"u_newpassword\">{msg:NewPasswordLabel|php}</LABEL></TD>\n";
      print "          <TD CLASS=\"change_password_newpassword_value\"><INPUT TYPE=\"password\" NAME=\"newpassword\" ID=\"u_newpassword\"></TD>\n";
      print "        </TR>\n";
      print "        <TR CLASS=\"change_password_repassword\">\n";
      print "          <TD CLASS=\"change_password_repassword_label\"><LABEL FOR=\"u_repassword\">{msg:RePasswordLabel|php}</LABEL></TD>\n";
      print "          <TD CLASS=\"change_password_repassword_value\"><INPUT TYPE=\"password\" NAME=\"repassword\" ID=\"u_repassword\"></TD>\n";
      print "        </TR>\n";
      print "      </TABLE><BR>\n";
      print "      <INPUT TYPE=\"hidden\" NAME=\"job\" VALUE=\"changepasswordaction\">\n";
)php");
        if (admin)
            Lines(uR"php(
      print "           <INPUT TYPE=\"hidden\" NAME=\"username\" VALUE=\"".corvanta_html($rec["username"])."\">\n";
      print "           <INPUT TYPE=\"hidden\" NAME=\"oldpassword\" VALUE=\"".corvanta_html($rec["userpassword"])."\">\n";
)php");
        Lines(uR"php(
      print "      <INPUT TYPE=\"submit\" VALUE=\"{msg:ChangePasswordButton|php}\">\n";
      print "    </FORM>\n";
)php");
        if (admin)
            Lines(uR"php(
    else :
      print "{msg:UserNotFound|php}";
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
