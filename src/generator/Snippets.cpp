// Shared snippets: connection, key gate, credential rows, visit counter.
#include "PHPgenerator.h"

namespace {

// Restores the table the templates read from.
class TTableScope {
public:
    TTableScope(const TBTable*& slot, const TBTable& t) : slot_(slot), old_(slot) { slot_ = &t; }
    ~TTableScope() { slot_ = old_; }
    TTableScope(const TTableScope&) = delete;
    TTableScope& operator=(const TTableScope&) = delete;

private:
    const TBTable*& slot_;
    const TBTable* old_;
};

} // namespace

void TPHPGenerator::ConnectSnippet(const QString& indent, const TBTable& t) {
    // The connection may belong to another definition than the open one.
    TTableScope scope(table_, t);
    const TTemplateVars vars{{QStringLiteral("I"), indent}};
    Lines(uR"php(
{I}$conn = mysql_connect("{DatabaseServer|raw|php}", "{DatabaseUser|raw|php}", "{DatabasePassword|raw|php}") or die("\n<P CLASS=\"corvanta_error\">".(corvanta_server_down() ? "{msg:DbServerDown|php}" : "{msg:ConnectFailed|php}")."</P>");
{I}mysql_select_db("{DatabaseName|raw|php}") or die("\n<P CLASS=\"corvanta_error\">{msg:DbSelectFailed|php}</P>");
)php",
          vars);
}

void TPHPGenerator::LockWaitSnippet() {
    Lines(uR"php(
// A held table makes a step fail within seconds: never a step that goes on
// after the desktop gave it up.
mysql_query("SET SESSION lock_wait_timeout = 5");
mysql_query("SET SESSION innodb_lock_wait_timeout = 5");
)php");
}

void TPHPGenerator::CloseSnippet(const QString& indent) {
    WriteLine(indent + QStringLiteral("mysql_close($conn);"));
}

void TPHPGenerator::KeyGate(const QString& script) {
    // A maintenance script left on the server must not act for a stranger.
    const QString key = NewKey();
    keys_.insert(script, key);
    Lines(uR"php(
  if (!array_key_exists("key", $_GET) or !is_string($_GET["key"]) or !hash_equals("{key}", $_GET["key"])) {
    die("\n<P CLASS=\"corvanta_error\">Access denied: this script runs only with its key.</P>");
  }
)php",
          {{QStringLiteral("key"), key}});
}

void TPHPGenerator::CredentialRows(bool hidden, bool requiredMark) {
    const TBTable& t = Table();
    if (hidden) {
        Lines(uR"php(
      print "          <INPUT TYPE=\"hidden\" NAME=\"email\" VALUE=\"\">\n";
      print "          <INPUT TYPE=\"hidden\" NAME=\"password\" VALUE=\"\">\n";
)php");
        return;
    }
    // In Login mode the member is known from the session.
    if (t.UserUpdate && t.UserMode == QLatin1String("Login"))
        return;
    Lines(uR"php(
      print "        <TR CLASS=\"user_email\">\n";
      print "          <TD CLASS=\"user_email_label\"><LABEL FOR=\"credential_email\">{msg:EmailFieldLabel|php}</LABEL>{mark|raw}</TD>\n";
      print "          <TD CLASS=\"user_email_value\"><INPUT TYPE=\"text\" NAME=\"email\" ID=\"credential_email\" INPUTMODE=\"email\" AUTOCOMPLETE=\"username\"></TD>\n";
      print "        </TR>\n";
      print "        <TR CLASS=\"user_password\">\n";
      print "          <TD CLASS=\"user_password_label\"><LABEL FOR=\"credential_password\">{msg:PasswordFieldLabel|php}</LABEL>{mark|raw}</TD>\n";
      print "          <TD CLASS=\"user_password_value\"><INPUT TYPE=\"password\" NAME=\"password\" ID=\"credential_password\" AUTOCOMPLETE=\"current-password\"></TD>\n";
      print "        </TR>\n";
)php",
          {{QStringLiteral("mark"), requiredMark ? QStringLiteral("<B>*</B>") : QString()}});
}

namespace {

struct TFont {
    qint32 colour;
    QString name;
    qint32 size;
    bool bold, italic, underline, strikeOut;
};

} // namespace

void TPHPGenerator::VisitCounter(const QString& position) {
    const TBTable& t = Table();
    if (!t.CreateCounter || t.CounterPosition != position)
        return;
    const TFont text{t.CounterTextFontColor,    t.CounterTextFontName,   t.CounterTextFontSize,
                     t.CounterTextFontBold,     t.CounterTextFontItalic, t.CounterTextFontUnderline,
                     t.CounterTextFontStrikeOut};
    const TFont number{t.CounterNumberFontColor,    t.CounterNumberFontName,
                       t.CounterNumberFontSize,     t.CounterNumberFontBold,
                       t.CounterNumberFontItalic,   t.CounterNumberFontUnderline,
                       t.CounterNumberFontStrikeOut};
    const auto fontOpen = [&](const TFont& f) {
        Lines(
            uR"php(    print "<FONT COLOR=\"#{colour}\" FACE=\"{face|php}\" SIZE=\"{size|raw}\">\n";)php",
            {{QStringLiteral("colour"), HtmlColour(f.colour)},
             {QStringLiteral("face"), f.name},
             {QStringLiteral("size"), QString::number(f.size)}});
        if (f.bold)
            WriteLine(u"    print \"<B>\\n\";");
        if (f.italic)
            WriteLine(u"    print \"<I>\\n\";");
        if (f.underline)
            WriteLine(u"    print \"<U>\\n\";");
        if (f.strikeOut)
            WriteLine(u"    print \"<STRIKE>\\n\";");
    };
    const auto fontClose = [&](const TFont& f) {
        if (f.strikeOut)
            WriteLine(u"    print \"</STRIKE>\\n\";");
        if (f.underline)
            WriteLine(u"    print \"</U>\\n\";");
        if (f.italic)
            WriteLine(u"    print \"</I>\\n\";");
        if (f.bold)
            WriteLine(u"    print \"</B>\\n\";");
        WriteLine(u"    print \"</FONT>\\n\";");
    };

    Lines(uR"php(
    $req = "SELECT MAX(dummy) AS cnt FROM {TableName|php}_VISITS;";
    $res = mysql_query($req) or die ("{msg:QueryError13|php}");
    $rec = mysql_fetch_array($res, MYSQL_ASSOC);
    print "<TABLE CLASS=\"counter\" BORDER=\"{CounterBorder}\" ALIGN=\"{CounterAlignment|php}\" BGCOLOR=\"#{CounterColor|colour}\"><TR CLASS=\"counter\"><TD CLASS=\"counter\">\n";
)php");
    fontOpen(text);
    Lines(u"    print \"{CounterTextBefore|php} \";");
    fontClose(text);
    fontOpen(number);
    Lines(u"    $cntx = $rec[\"cnt\"] + {offset};",
          {{QStringLiteral("offset"), QString::number(t.UseCounterOffset ? t.CounterOffset : 0)}});
    WriteLine(u"    print $cntx;");
    fontClose(number);
    fontOpen(text);
    Lines(u"    print \" {CounterTextBehind|php}\\n\";");
    fontClose(text);
    WriteLine(u"    print \"</TD></TR></TABLE>\\n\";");
}
