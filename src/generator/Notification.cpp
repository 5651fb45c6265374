// The notification snippet: a plain-text mail to the owner of $rec about
// what happened to the record.
#include "RecordParts.h"

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
{I}  $msg = "{EmailBody|raw|php}\n\n";
{I}  $msg .= "Action: {action|php}\n";
{I}  $msg .= "E-mail: ".$recuser["username"]."\n";
{I}  $msg .= "Password: ".$recuser["userpassword"]."\n";
{I}  $msg .= "\n";
)php",
          vars);
    for (size_t i = 1; i < t.Fields.size(); ++i) {
        const TBField& f = t.Fields[i];
        if (f.Hidden)
            continue;
        ValueDisplaySnippet(indent + QStringLiteral("  "), f, false, false,
                            QStringLiteral("$msg .= \"") + PhpString(f.Name) +
                                QStringLiteral(": \"."),
                            QStringLiteral("$rec"));
    }
    Lines(uR"php(
{I}  if ($recuser and ($recuser["username"] != "") and corvanta_mail($recuser["username"], "{EmailSubject|raw|php}", $msg, "From: {EmailSender|raw|php}\r\n"."{cc|raw}")):
{I}  endif;
{I}endif;
)php",
          vars);
}
