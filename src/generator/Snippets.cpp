// Shared snippets: connection, key gate, credential rows, visit counter.
#include "PHPgenerator.h"

#include "model/Colours.h"

#include <QRegularExpression>

#include <algorithm>

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
    // What was typed comes back with a refusal, the password never; each
    // refusal beside its box.
    Lines(uR"php(
      print "        <TR CLASS=\"user_email".corvanta_invalid_row("email")."\">\n";
      print "          <TD CLASS=\"user_email_label\"><LABEL FOR=\"credential_email\">{msg:EmailFieldLabel|php}</LABEL>{mark|raw}</TD>\n";
      print "          <TD CLASS=\"user_email_value\"><INPUT TYPE=\"email\" NAME=\"email\" ID=\"credential_email\" VALUE=\"".corvanta_html(corvanta_posted("email"))."\" AUTOCOMPLETE=\"username\"{required|raw}".corvanta_invalid("email").">";
      corvanta_field_error("email");
      print "</TD>\n";
      print "        </TR>\n";
      print "        <TR CLASS=\"user_password".corvanta_invalid_row("password")."\">\n";
      print "          <TD CLASS=\"user_password_label\"><LABEL FOR=\"credential_password\">{msg:PasswordFieldLabel|php}</LABEL>{mark|raw}</TD>\n";
      print "          <TD CLASS=\"user_password_value\"><INPUT TYPE=\"password\" NAME=\"password\" ID=\"credential_password\" AUTOCOMPLETE=\"current-password\"{required|raw}".corvanta_invalid("password").">";
      corvanta_field_error("password");
      print "</TD>\n";
      print "        </TR>\n";
)php",
          {{QStringLiteral("mark"), requiredMark ? QStringLiteral("<B>*</B>") : QString()},
           // Only a Join site refuses a record without them.
           {QStringLiteral("required"), requiredMark && t.UserMode == QLatin1String("Join")
                                            ? QStringLiteral(" REQUIRED")
                                            : QString()}});
}

void TPHPGenerator::VisitCountSnippet(const QString& indent) {
    // Visitors arriving together on a new site make one row: the first one's
    // number, and the others count on it.
    const TBTable& t = Table();
    ConnectSnippet(indent, t);
    Lines(uR"php(
{I}$req = "SELECT * FROM {TableName|php}_VISITS;";
{I}$res = mysql_query($req) or die ("{msg:QueryError20|php}");
{I}if (mysql_num_rows($res) > 0) :
{I}  $req = "UPDATE {TableName|php}_VISITS SET dummy=dummy+1;";
{I}  $res = mysql_query($req) or die ("{msg:QueryError20|php}");
{I}else :
{I}  $req = "INSERT INTO {TableName|php}_VISITS(visitid, dummy) VALUES(1, 1) ON DUPLICATE KEY UPDATE dummy=dummy+1;";
{I}  $res = mysql_query($req) or die ("{msg:QueryError20|php}");
{I}endif;
)php",
          {{QStringLiteral("I"), indent}});
    CloseSnippet(indent);
}

namespace {

struct TFont {
    qint32 colour;
    QString name;
    qint32 size;
    bool bold, italic, underline, strikeOut;
};

// The font settings as CSS declarations; the colour only where the counter
// has colours of its own. A size in points, kept readable.
QString fontStyle(const TFont& f, bool colours) {
    QStringList css;
    if (colours)
        css << QStringLiteral("color: #") + TPHPGenerator::HtmlColour(f.colour);
    QString family = f.name;
    family.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9 _-]")));
    if (!family.trimmed().isEmpty())
        css << QStringLiteral("font-family: '%1', sans-serif").arg(family.trimmed());
    if (f.size > 0)
        css << QStringLiteral("font-size: %1pt").arg(std::clamp(f.size, 8, 24));
    if (f.bold)
        css << QStringLiteral("font-weight: bold");
    if (f.italic)
        css << QStringLiteral("font-style: italic");
    if (f.underline || f.strikeOut)
        css << QStringLiteral("text-decoration: %1%2")
                   .arg(f.underline ? QStringLiteral("underline ") : QString(),
                        f.strikeOut ? QStringLiteral("line-through") : QString())
                   .trimmed();
    return css.join(QStringLiteral("; "));
}

} // namespace

bool TPHPGenerator::CounterHasColours(const TBTable& t) {
    return !IsSystemColour(t.CounterColor) && !IsSystemColour(t.CounterTextFontColor) &&
           !IsSystemColour(t.CounterNumberFontColor);
}

double TPHPGenerator::CounterContrast(const TBTable& t) {
    if (!t.CreateCounter || !CounterHasColours(t))
        return 21;
    const quint32 back = ColourRgb(t.CounterColor);
    return std::min(ContrastRatio(ColourRgb(t.CounterTextFontColor), back),
                    ColourRgb(t.CounterNumberFontColor) == ColourRgb(t.CounterTextFontColor)
                        ? 21.0
                        : ContrastRatio(ColourRgb(t.CounterNumberFontColor), back));
}

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
    // System colours are the desktop's theme: on the web the skin's colours
    // stand for them, readable in every skin.
    const bool colours = CounterHasColours(t);
    QStringList box;
    if (colours)
        box << QStringLiteral("background-color: #") + HtmlColour(t.CounterColor);
    if (t.CounterBorder > 0)
        box << QStringLiteral("border: %1px solid").arg(std::min(t.CounterBorder, 10));
    const QString align = t.CounterAlignment.toLower();
    const QString alignClass = (align == QLatin1String("center") || align == QLatin1String("right"))
                                   ? QStringLiteral(" counter_") + align
                                   : QString();
    const auto style = [](const QString& css) {
        return css.isEmpty() ? QString() : QStringLiteral(" STYLE=\"%1\"").arg(css);
    };
    Lines(uR"php(
    $req = "SELECT MAX(dummy) AS cnt FROM {TableName|php}_VISITS;";
    $res = mysql_query($req) or die ("{msg:QueryError13|php}");
    $rec = mysql_fetch_array($res, MYSQL_ASSOC);
    $cntx = intval($rec["cnt"]) + {offset};
    print "<P CLASS=\"counter{align|raw}\"><SPAN CLASS=\"counter\"{box|raw|php}><SPAN{text|raw|php}>{CounterTextBefore|php} </SPAN><SPAN CLASS=\"counter_number\"{number|raw|php}>".$cntx."</SPAN><SPAN{text|raw|php}> {CounterTextBehind|php}</SPAN></SPAN></P>\n";
)php",
          {{QStringLiteral("offset"), QString::number(t.UseCounterOffset ? t.CounterOffset : 0)},
           {QStringLiteral("align"), alignClass},
           {QStringLiteral("box"), style(box.join(QStringLiteral("; ")))},
           {QStringLiteral("text"), style(fontStyle(text, colours))},
           {QStringLiteral("number"), style(fontStyle(number, colours))}});
}
