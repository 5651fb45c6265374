// Logging out: the menu's Logout entry and logout.php, which ends the session
// of its folder in the database and in the browser. Only a form of the site
// itself logs out (a POST); opening the page shows the button.
#include "PHPgenerator.h"

void TPHPGenerator::LogoutEntry() {
    // Without script the link opens logout.php, which offers the button.
    Lines(uR"php(
    <FORM NAME="LogoutForm" METHOD="POST" ACTION="logout.php" TARGET="_top" HIDDEN><?php print corvanta_form_field(); ?></FORM>
    <A CLASS="menuitem" HREF="logout.php" TARGET="_top" DATA-SUBMIT="LogoutForm">{msg:LogoutMenu}</A>
)php");
}

bool TPHPGenerator::LogoutPage(const TBTable& t, bool admin) {
    return WriteFile(t, admin, QStringLiteral("logout.php"), [&] {
        Lines(uR"php(
<?php
  $loggedout = (isset($_SERVER["REQUEST_METHOD"]) and strtoupper((string)$_SERVER["REQUEST_METHOD"]) === "POST");
  if ($loggedout) {
)php");
        ConnectSnippet(QStringLiteral("    "), t);
        Lines(uR"php(
    $sessionid = corvanta_session_cookie();
    if ($sessionid) {
      $req = "DELETE FROM {TableName|php}_SESSIONS WHERE sessionid = \"".$sessionid."\";";
      $res = mysql_query($req) or die ("{msg:QueryError18|php}");
    }
    corvanta_end_session_cookie();
)php");
        CloseSnippet(QStringLiteral("    "));
        Lines(uR"php(
  }
?>
)php");
        HtmlHead();
        Lines(uR"php(
  </HEAD>
  <BODY CLASS="login">
  <MAIN>
)php");
        if (t.TableAlign == QLatin1String("Center"))
            WriteLine(u"  <CENTER>");
        Lines(uR"php(
    <H1>{DatabaseDisplayName}</H1>
<?php if ($loggedout) : ?>
    <P CLASS="logintext">{msg:LoggedOut}</P>
    <A CLASS="menuitem" HREF="index.html" TARGET="_top">{msg:LoginAgain}</A>
<?php else : ?>
    <FORM NAME="LogoutForm" METHOD="POST" ACTION="logout.php" TARGET="_top">
      <?php print corvanta_form_field(); ?>
      <INPUT TYPE="submit" VALUE="{msg:LogoutMenu}">
    </FORM>
<?php endif; ?>
  </MAIN>
  </BODY>
</HTML>
)php");
    });
}
