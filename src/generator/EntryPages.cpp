// The entry pages of both sites: the frameset, the login page, the menu and
// the visitor site's invisible counter frame.
#include "PHPgenerator.h"

#include <QFileInfo>

namespace {

// The file-name part of a setting that names a file on this machine, or
// empty when there is no such file: pages refer only to files that exist.
QString existingFileName(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() ? info.fileName() : QString();
}

void logoLine(TPHPGenerator& g, const TBTable& t, bool admin) {
    const QString logo = existingFileName(admin ? t.AdminLogo : t.Logo);
    if (!logo.isEmpty())
        g.Lines(u"<IMG SRC=\"{logo}\" ALT=\"\">", {{QStringLiteral("logo"), logo}});
}

void centreLine(TPHPGenerator& g, const TBTable& t) {
    if (t.TableAlign == QLatin1String("Center"))
        g.WriteLine(u"  <CENTER>");
}

void adminIndex(TPHPGenerator& g, const TBTable& t) {
    if (t.OnePage()) {
        g.RedirectPage(QStringLiteral("login.php"));
        return;
    }
    g.HtmlHead();
    g.Lines(uR"php(
  </HEAD>
  <FRAMESET ROWS="*">
    <FRAME SRC="login.php" FRAMEBORDER="0">
  </FRAMESET>
</HTML>
)php");
}

void visitorIndex(TPHPGenerator& g, const TBTable& t) {
    // The counter page counts the visit, then leads on to the first page.
    if (t.OnePage()) {
        g.RedirectPage(QStringLiteral("inc_counter.php"));
        return;
    }
    if (t.UserMode == QLatin1String("Login")) {
        g.HtmlHead();
        g.Lines(uR"php(
  </HEAD>
  <FRAMESET ROWS="*, 0">
    <FRAME SRC="login.php" FRAMEBORDER="0">
    <FRAME SRC="inc_counter.php" NAME="counter" SCROLLING="no" NORESIZE FRAMEBORDER="0">
  </FRAMESET>
</HTML>
)php");
        return;
    }
    g.HtmlHead();
    g.Lines(uR"php(
  </HEAD>
  <FRAMESET ROWS="{MenuHeight}, *, 0">
    <FRAME SRC="menu.php" NAME="head" SCROLLING="no" FRAMEBORDER="0">
    <FRAME SRC="search.php" NAME="body" FRAMEBORDER="0">
    <FRAME SRC="inc_counter.php" NAME="counter" SCROLLING="no" NORESIZE FRAMEBORDER="0">
  </FRAMESET>
</HTML>
)php");
}

// The member mails his password to himself: it goes to the address stored
// for the member, never to one the request names. The answer is the same
// whether the address is a member's or not, and mails to one address or
// from one client are limited.
void forgottenPasswordBlock(TPHPGenerator& g, const TBTable& t) {
    g.Lines(uR"php(
    <HR>
    <H3>{msg:PasswordForgotten}</H3>
<?php 
  if (array_key_exists("job", $HTTP_POST_VARS) and ($HTTP_POST_VARS["job"] == "sendpassword")) :
)php");
    g.ConnectSnippet(QStringLiteral("  "), t);
    g.Lines(uR"php(
    if (!corvanta_mail_try($HTTP_POST_VARS["email"])) :
      print corvanta_try_refusal();
    else:
      $req = "SELECT * FROM {TableName|php}_USERS WHERE username=\"".mysql_real_escape_string($HTTP_POST_VARS["email"])."\";";
      $res = mysql_query($req) or die ("{msg:QueryError|php}");
      if (mysql_num_rows($res) > 0) :
        $rec = mysql_fetch_array($res, MYSQL_ASSOC);
        $msg = "{PasswordEmailBody|raw|php}\n\n";
        $msg .= "{msg:EmailFieldLabel|php}: ".$rec["username"]."\n";
        $msg .= "{msg:PasswordFieldLabel|php}: ".$rec["userpassword"]."\n";
        corvanta_mail($rec["username"], "{PasswordEmailSubject|raw|php}", $msg, "From: {PasswordEmailSender|raw|php}\r\n");
      endif;
      print "{msg:PasswordSentIfKnown|php}";
    endif;
    // A member's address and an unknown one answer at the same moment.
    corvanta_even_time(1.0);
  endif;
?><BR>
    <FORM METHOD="POST" ACTION="login.php">
      <?php print corvanta_form_field(); ?>
      <TABLE CLASS="user_id_password" CELLPADDING="2">
        <TR CLASS="user_email">
          <TD CLASS="user_email_label"><LABEL FOR="forgotten_email">{msg:EmailFieldLabel}</LABEL></TD>
          <TD CLASS="user_email_value"><INPUT TYPE="text" NAME="email" ID="forgotten_email" INPUTMODE="email" AUTOCOMPLETE="username"></TD>
        </TR>
      </TABLE><BR>
      <INPUT TYPE="hidden" NAME="job" VALUE="sendpassword">
      <INPUT TYPE="submit" VALUE="{msg:SendMyPassword}">
    </FORM>
)php");
}

// A framed site answers a login with the menu and the working frame.
void framesAfterLogin(TPHPGenerator& g, bool admin) {
    g.Lines(uR"php(
  if ($loggedin) {
?>
)php");
    g.HtmlHead();
    g.Lines(uR"php(
  </HEAD>
  <FRAMESET ROWS="{MenuHeight}, *">
    <FRAME SRC="menu.php" NAME="head" SCROLLING="no" FRAMEBORDER="0">
)php");
    if (admin)
        g.Lines(uR"php(
    <FRAME SRC="search.php" NAME="body" FRAMEBORDER="0">
)php");
    else
        g.Lines(uR"php(
    <FRAME SRC="search.php?myrecords=1" NAME="body" FRAMEBORDER="0">
)php");
    g.Lines(uR"php(
  </FRAMESET>
</HTML>
<?php
  }
  if (!$loggedin) {
?>
)php");
}

void loginPage(TPHPGenerator& g, const TBTable& t, bool admin) {
    g.WriteLine(u"<?php");
    if (admin)
        g.Lines(uR"php(
  $userid = 0;
  $loggedin = 0;
  $sessionexpired = 0;
  $wrongpassword = 0;
)php");
    else
        g.Lines(uR"php(
  $loggedin = 0;
  $sessionexpired = 0;
  $wrongidpassword = 0;
)php");
    g.SessionCheck(admin);
    if (t.OnePage()) {
        // Logged in: on to the first page, which has the menu at its top.
        g.Lines(uR"php(
  if ($loggedin) {
    header("Location: {start}");
    exit();
  }
  if (!$loggedin) {
?>
)php",
                {{QStringLiteral("start"), admin ? QStringLiteral("search.php")
                                                 : QStringLiteral("search.php?myrecords=1")}});
    } else {
        framesAfterLogin(g, admin);
    }
    g.HtmlHead();
    g.WriteLine(u"  </HEAD>");
    g.WriteText(u"  <BODY CLASS=\"login\">");
    centreLine(g, t);
    logoLine(g, t, admin);
    g.Lines(uR"php(
    <H1>{DatabaseDisplayName}</H1>
    <P CLASS="logintext">{text|raw|br}</P>
<?php
)php",
            {{QStringLiteral("text"), admin ? t.AdminLoginText : t.LoginText}});
    g.LoginMessages(admin);
    g.WriteLine(u"?>");
    if (admin)
        g.AdminPasswordForm(QStringLiteral("login.php"));
    else
        g.MemberLoginForm(QStringLiteral("login.php"));
    if (!admin && t.AllowSendPassword)
        forgottenPasswordBlock(g, t);
    g.Lines(uR"php(
  </BODY>
</HTML>
<?php
  }
)php");
}

// One more visit in the counter table. Visitors arriving together on a new
// site make one row: the first one's number, and the others count on it.
void countVisit(TPHPGenerator& g, const TBTable& t) {
    g.ConnectSnippet(QStringLiteral("  "), t);
    g.Lines(uR"php(
    $req = "SELECT * FROM {TableName|php}_VISITS;";
    $res = mysql_query($req) or die ("{msg:QueryError20|php}");
    if (mysql_num_rows($res) > 0) :
      $req = "UPDATE {TableName|php}_VISITS SET dummy=dummy+1;";
      $res = mysql_query($req) or die ("{msg:QueryError20|php}");
    else :
      $req = "INSERT INTO {TableName|php}_VISITS(visitid, dummy) VALUES(1, 1) ON DUPLICATE KEY UPDATE dummy=dummy+1;";
      $res = mysql_query($req) or die ("{msg:QueryError20|php}");
    endif;
)php");
    g.CloseSnippet(QStringLiteral("  "));
}

void counterFrame(TPHPGenerator& g, const TBTable& t) {
    if (t.OnePage()) {
        // index.html comes here: the visit is counted, then the first page.
        g.WriteLine(u"<?php ");
        countVisit(g, t);
        g.Lines(uR"php(
  header("Location: {start}");
?>
)php",
                {{QStringLiteral("start"), t.UserMode == QLatin1String("Login")
                                               ? QStringLiteral("login.php")
                                               : QStringLiteral("search.php")}});
        return;
    }
    g.HtmlHead();
    g.Lines(uR"php(
  </HEAD>
  <BODY>
<?php 
)php");
    countVisit(g, t);
    g.Lines(uR"php(
?>
  </BODY>
</HTML>
)php");
}

// One link of the menu.
void menuLink(TPHPGenerator& g, const QString& target, const QString& textKey, bool last = false) {
    // Into the working frame, or on a one-page site the page itself.
    const bool frames = !g.Table().OnePage();
    g.Lines(u"    <A CLASS=\"menuitem\" HREF=\"{target}\"{frame|raw}>{text|raw}</A>{end|raw}",
            {{QStringLiteral("target"), target},
             {QStringLiteral("text"), g.Fill(QStringLiteral("{msg:") + textKey + u'}')},
             {QStringLiteral("end"), last ? QString() : QStringLiteral("&nbsp;&nbsp;")},
             {QStringLiteral("frame"), frames ? QStringLiteral(" TARGET=\"body\"") : QString()}});
}

void menuLinks(TPHPGenerator& g, const TBTable& t, bool admin) {
    const QString search = QStringLiteral("search.php");
    const QString add = QStringLiteral("add_record.php");
    if (admin) {
        menuLink(g, search, QStringLiteral("SearchMenu"));
        menuLink(g, add, QStringLiteral("AddRecordMenu"));
        if (t.MembersRule())
            menuLink(g, QStringLiteral("users.php"), QStringLiteral("UsersMenu"));
        return;
    }
    if (!t.UserUpdate) {
        menuLink(g, search, QStringLiteral("SearchMenu"));
        return;
    }
    if (t.UserMode == QLatin1String("Join")) {
        if (t.AllowSearch)
            menuLink(g, search, QStringLiteral("SearchMenu"));
        if (t.AllowAddModify) {
            menuLink(g, add, QStringLiteral("AddRecordMenu"));
            menuLink(g, QStringLiteral("modify_record.php"), QStringLiteral("ModifyRecordMenu"));
        }
        if (t.AllowDelete)
            menuLink(g, QStringLiteral("delete_record.php"), QStringLiteral("DeleteRecordMenu"),
                     true);
        return;
    }
    menuLink(g, QStringLiteral("search.php?myrecords=1"), QStringLiteral("MyRecordsMenu"));
    if (t.AllowSearch)
        menuLink(g, search, QStringLiteral("SearchMenu"));
    if (t.AllowAddModify)
        menuLink(g, add, QStringLiteral("AddRecordMenu"));
    if (t.AllowChangePassword)
        menuLink(g, QStringLiteral("change_password.php"), QStringLiteral("ChangePasswordMenu"));
}

// The menu runs no session check: the session travels in its cookie.
void menuPage(TPHPGenerator& g, const TBTable& t, bool admin) {
    g.HtmlHead();
    g.Lines(uR"php(
  </HEAD>
  <BODY CLASS="menu">
)php");
    centreLine(g, t);
    g.MenuSnippet(admin);
    g.Lines(uR"php(
  </BODY>
</HTML>
)php");
}

} // namespace

void TPHPGenerator::MenuSnippet(bool admin) {
    const TBTable& t = Table();
    logoLine(*this, t, admin);
    Lines(u"<P CLASS=\"menutext\">{text|raw|br}</P>",
          {{QStringLiteral("text"), admin ? t.AdminMenuText : t.MenuText}});
    Lines(u"    <NAV ARIA-LABEL=\"{msg:MenuLabel}\">");
    if (!admin && t.HomeCh)
        Lines(t.OnePage() ? u"<A CLASS=\"menuitem\" HREF=\"{HomeLink}\">Home</A>&nbsp;&nbsp;"
                          : u"<A CLASS=\"menuitem\" HREF=\"{HomeLink}\" TARGET=\"Top\" "
                            u"REL=\"noopener\">Home</A>&nbsp;&nbsp;");
    menuLinks(*this, t, admin);
    if (admin || HasVisitorSessions(t))
        LogoutEntry();
    WriteLine(u"    </NAV>");
    if (!admin) {
        WriteLine(u"    <p> ");
        WriteLine(u"<?php ");
        ConnectSnippet(QString(), t);
        VisitCounter(QStringLiteral("Menu"));
        CloseSnippet(QString());
        WriteLine(u"?>");
    }
}

bool TPHPGenerator::EntryPages(const TBTable& t, bool admin) {
    if (admin)
        return WriteFile(t, true, QStringLiteral("index.html"), [&] { adminIndex(*this, t); }) &&
               WriteFile(t, true, QStringLiteral("login.php"),
                         [&] { loginPage(*this, t, true); }) &&
               WriteFile(t, true, QStringLiteral("menu.php"), [&] { menuPage(*this, t, true); }) &&
               LogoutPage(t, true);
    if (!WriteFile(t, false, QStringLiteral("index.html"), [&] { visitorIndex(*this, t); }))
        return false;
    if (t.UserMode == QLatin1String("Login") &&
        !WriteFile(t, false, QStringLiteral("login.php"), [&] { loginPage(*this, t, false); }))
        return false;
    return WriteFile(t, false, QStringLiteral("inc_counter.php"),
                     [&] { counterFrame(*this, t); }) &&
           WriteFile(t, false, QStringLiteral("menu.php"), [&] { menuPage(*this, t, false); }) &&
           (!HasVisitorSessions(t) || LogoutPage(t, false));
}
