// The notification snippet: a plain-text mail to the owner of $rec about
// what happened to the record. A member who joined gets it only once he has
// confirmed his address; until then he gets the link that confirms it
// instead. Mails to one address or from one client are limited.
#include "RecordParts.h"

bool TPHPGenerator::NeedsConfirmation(const TBTable& t) {
    return t.UserMode == QLatin1String("Join") && t.SendEmail;
}

void TPHPGenerator::NotificationSnippet(const QString& indent, const QString& action) {
    const TBTable& t = Table();
    const QString cc = t.EmailCc.isEmpty() ? QString()
                                           : QStringLiteral("Cc: ") + PhpString(t.EmailCc) +
                                                 QStringLiteral("\\r\\n");
    const TTemplateVars vars{{QStringLiteral("I"), indent},
                             {QStringLiteral("action"), action},
                             {QStringLiteral("cc"), cc}};
    // A record without an owner (0, or a member since removed) has nobody to
    // tell: no mail goes to an empty address.
    Lines(uR"php(
{I}if ($rec["userid"] != ""):
{I}  $requser = "SELECT * FROM {TableName|php}_USERS WHERE userid=".intval($rec["userid"]).";";
{I}  $resuser = mysql_query($requser) or die ("{msg:QueryError3|php}");
{I}  $recuser = mysql_fetch_array($resuser, MYSQL_ASSOC);
)php",
          vars);
    // The link carries the member's one-time key; the site's own address,
    // never one the request names.
    if (NeedsConfirmation(t))
        Lines(uR"php(
{I}  if ($recuser and !empty($recuser["confirmkey"])):
{I}    if (corvanta_mail_try($recuser["username"]) and corvanta_mail($recuser["username"], "{msg:ConfirmSubject|raw|php}", "{msg:ConfirmBody|raw|php}\n\n{URL|raw|php}confirm.php?key=".corvanta_token($recuser["confirmkey"])."\n", "From: {EmailSender|raw|php}\r\n")):
{I}      print "<P CLASS=\"confirm_sent\">{msg:ConfirmSent|php}</P>\n";
{I}    endif;
{I}  endif;
)php",
              vars);
    Lines(uR"php(
{I}  if ($recuser and empty($recuser["confirmkey"]) and ($recuser["username"] != "") and corvanta_notice_try($recuser["username"])):
{I}    $msg = "{EmailBody|raw|php}\n\n";
{I}    $msg .= "Action: {action|php}\n";
{I}    $msg .= "E-mail: ".$recuser["username"]."\n";
{I}    $msg .= "Password: ".$recuser["userpassword"]."\n";
{I}    $msg .= "\n";
)php",
          vars);
    for (size_t i = 1; i < t.Fields.size(); ++i) {
        const TBField& f = t.Fields[i];
        if (f.Hidden)
            continue;
        ValueDisplaySnippet(indent + QStringLiteral("    "), f, false, false,
                            QStringLiteral("$msg .= \"") + PhpString(f.Name) +
                                QStringLiteral(": \"."),
                            QStringLiteral("$rec"));
    }
    Lines(uR"php(
{I}    corvanta_mail($recuser["username"], "{EmailSubject|raw|php}", $msg, "From: {EmailSender|raw|php}\r\n"."{cc|raw}");
{I}  endif;
{I}endif;
)php",
          vars);
}
