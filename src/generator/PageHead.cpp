// The page head of the record pages, with its login gate. A login by post
// is answered with the same page by GET, so no page holds the password.
#include "PHPgenerator.h"

#include "model/DataFiles.h"

#include <QFileInfo>

namespace {

// The intro paragraph of a page: its class and its text, or no paragraph.
struct TIntro {
    QString cssClass;
    QString text;
    bool shown = false;
};

TIntro introOf(const TBTable& t, bool admin, const QString& page) {
    if (page == QLatin1String("search.php"))
        return {QStringLiteral("searchtext"), admin ? t.AdminSearchRecordText : t.SearchRecordText,
                true};
    if (page == QLatin1String("add_record.php"))
        return {QStringLiteral("addtext"), admin ? t.AdminAddRecordText : t.AddRecordText, true};
    if (page == QLatin1String("modify_record.php"))
        return {QStringLiteral("modifytext"), admin ? t.AdminModifyRecordText : t.ModifyRecordText,
                admin || t.UserMode == QLatin1String("Join") || t.AllowAddModify};
    if (page == QLatin1String("delete_record.php"))
        return {QStringLiteral("deletetext"), admin ? t.AdminDeleteRecordText : t.DeleteRecordText,
                true};
    return {};
}

// A visitor must log in for this page.
bool visitorGated(const TBTable& t, const QString& page) {
    if (t.UserMode == QLatin1String("Login"))
        return true;
    if (t.UserMode != QLatin1String("Join"))
        return false;
    return (page == QLatin1String("add_record.php") && t.OnlyMembersCanAdd) ||
           page == QLatin1String("modify_record.php") || page == QLatin1String("delete_record.php");
}

} // namespace

QString TPHPGenerator::SkinPath(const TBTable& t) {
    if (t.Skin.isEmpty())
        return {};
    if (QFileInfo(t.Skin).isFile())
        return t.Skin;
    // "default.css" of a new project names the skin shipped with the program.
    if (!t.Skin.contains(u'/')) {
        const QString shipped = DataFilePath(QStringLiteral("skins/") + t.Skin);
        if (QFileInfo(shipped).isFile())
            return shipped;
    }
    return {};
}

void TPHPGenerator::PageHead(bool admin, const QString& page, const QString& bodyClass) {
    const TBTable& t = Table();
    HtmlHead();

    Lines(uR"php(
  </HEAD>
  <BODY CLASS="{class}">
)php",
          {{QStringLiteral("class"), bodyClass}});
    PageTop(admin);
    if (t.TableAlign == QLatin1String("Center"))
        WriteLine(u"  <CENTER>");
    Lines(u"      <H1>{DatabaseDisplayName}</H1>");
    const TIntro intro = introOf(t, admin, page);
    if (intro.shown)
        Lines(u"<P CLASS=\"{c}\">{text|raw|br}</P>",
              {{QStringLiteral("c"), intro.cssClass}, {QStringLiteral("text"), intro.text}});
    LoginGate(admin, page);
}

void TPHPGenerator::LoginGate(bool admin, const QString& page) {
    const TBTable& t = Table();
    Lines(uR"php(
<?php
  $sessionid = 0;
  $userid = 0;
  $myrecords = 0;
?>
)php");
    if (admin) {
        Lines(uR"php(
<?php
  $loggedin = 0;
  $sessionexpired = 0;
  $wrongpassword = 0;
)php");
        SessionCheck(true);
        WriteLine(u"  if ($freshlogin) { corvanta_see_other(); }");
        WriteLine(u"  if (!$loggedin) {");
        LoginMessages(true);
        WriteLine(u"?>");
        AdminPasswordForm(page);
        Lines(uR"php(
<?php
    exit();
  }
?>
)php");
        return;
    }
    if (!visitorGated(t, page))
        return;
    Lines(uR"php(
<?php
  $loggedin = 0;
  $sessionexpired = 0;
  $wrongidpassword = 0;
)php");
    SessionCheck(false);
    WriteLine(u"  if ($freshlogin) { corvanta_see_other(); }");
    WriteLine(u"  if (!$loggedin) {");
    LoginMessages(false);
    WriteLine(u"?>");
    MemberLoginForm(page);
    WriteLine(u"<?php");
    // The request form mails the site's own sender; without one there is
    // nobody to ask, and the form is left out.
    if (page == QLatin1String("add_record.php") && !t.EmailSender.isEmpty()) {
        Lines(uR"php(
  if ($wrongidpassword) {
        print "<HR>";
        print "<H3>{msg:RequestIdPass|php}</H3>\n";
        print "<P CLASS=\"requestidpasswordtext\">{RequestIdPasswordText|br|php}</P>\n";
        print "<FORM METHOD=\"POST\" ACTION=\"mailto:".corvanta_html("{EmailSender|raw|php}")."\">\n";
        print "  <TABLE CLASS=\"request_id_password\" CELLPADDING=\"2\">\n";
        print "  <TR CLASS=\"request_email\">\n";
        print "    <TD CLASS=\"request_email_label\"><LABEL FOR=\"request_email\">{msg:RequestEmailLabel|php}</LABEL></TD>\n";
        print "    <TD CLASS=\"request_email_value\"><INPUT TYPE=\"text\" NAME=\"request_email\" ID=\"request_email\" INPUTMODE=\"email\"></TD>\n";
        print "  </TR>\n";
        print "  </TABLE><BR>\n";
        print "<INPUT TYPE=\"submit\" VALUE=\"{msg:RequestButton|php}\">\n";
        print "</FORM>\n";
  }
)php");
    }
    Lines(uR"php(
    exit();
  }
?>
)php");
}

void TPHPGenerator::AdminPasswordForm(const QString& page) {
    Lines(uR"php(
    <H3>{msg:EnterAdminPass}</H3>
    <FORM NAME="AdminPassword" METHOD="POST" ACTION="{page}">
      <?php print corvanta_form_field(); ?>
      <TABLE CLASS="admin_password" CELLPADDING="2">
        <TR CLASS="admin_password">
          <TD CLASS="admin_password_label"><LABEL FOR="admin_password">{msg:PasswordFieldLabel}</LABEL></TD>
          <TD CLASS="admin_password_value"><INPUT TYPE="password" NAME="admin_password" ID="admin_password" AUTOCOMPLETE="current-password" REQUIRED></TD>
        </TR>
      </TABLE>
      <BR><BR>
      <INPUT TYPE="submit" VALUE="{msg:EnterButton}">
    </FORM>
)php",
          {{QStringLiteral("page"), page}});
}

void TPHPGenerator::MemberLoginForm(const QString& page) {
    Lines(uR"php(
    <H3>{msg:EnterVisitorEmailPass}</H3>
    <FORM NAME="UserAuth" METHOD="POST" ACTION="{page}">
      <?php print corvanta_form_field(); ?>
      <TABLE CLASS="user_id_password" CELLPADDING="2">
      <TR CLASS="user_email">
        <TD CLASS="user_email_label"><LABEL FOR="login_email">{msg:EmailFieldLabel}</LABEL></TD>
        <TD CLASS="user_email_value"><INPUT TYPE="text" NAME="login_email" ID="login_email" INPUTMODE="email" AUTOCOMPLETE="username" REQUIRED></TD>
      </TR>
      <TR CLASS="user_password">
        <TD CLASS="user_password_label"><LABEL FOR="login_password">{msg:PasswordFieldLabel}</LABEL></TD>
        <TD CLASS="user_password_value"><INPUT TYPE="password" NAME="login_password" ID="login_password" AUTOCOMPLETE="current-password" REQUIRED></TD>
        </TR>
      </TABLE><BR>
      <INPUT TYPE="submit" VALUE="{msg:LoginButton}">
    </FORM>
)php",
          {{QStringLiteral("page"), page}});
}
