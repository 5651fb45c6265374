// What the two layouts of a site share and where they part: every page opens
// with the same head; a one-page site then puts its menu at the top of the
// page, where a framed site has it in a frame of its own. The empty icon
// spares the browser a request that would only fail.
#include "PHPgenerator.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The title in the browser's tab: on a one-page site the site's own title,
// as plain text.
QString tabTitle(const TBTable& t) {
    if (!t.OnePage())
        return t.Language.Text(QStringLiteral("MainTitle"));
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString title = QString(t.DatabaseDisplayName).remove(tags).simplified();
    return title.isEmpty() ? t.Language.Text(QStringLiteral("MainTitle")) : title;
}

} // namespace

void TPHPGenerator::HtmlHead() {
    const TBTable& t = Table();
    Lines(uR"php(
<!DOCTYPE html>
<HTML LANG="{msg:LanguageCode}">
  <HEAD>
    <META CHARSET="{msg:CharSet}">
    <META NAME="viewport" CONTENT="width=device-width, initial-scale=1">
    <TITLE>{title|raw}</TITLE>
    <LINK REL="icon" HREF="data:,">
    <SCRIPT SRC="site.js" DEFER></SCRIPT>
)php",
          {{QStringLiteral("title"), tabTitle(t)}});
    const QString skin = SkinPath(t);
    if (!skin.isEmpty())
        Lines(u"    <LINK REL=\"StyleSheet\" HREF=\"{skin}\">",
              {{QStringLiteral("skin"), QFileInfo(skin).fileName()}});
}

void TPHPGenerator::PageTop(bool admin) {
    if (Table().OnePage()) {
        WriteLine(u"  <HEADER CLASS=\"menu\">");
        MenuSnippet(admin);
        WriteLine(u"  </HEADER>");
    }
    WriteLine(u"  <MAIN>");
}

void TPHPGenerator::RedirectPage(const QString& target) {
    HtmlHead();
    Lines(uR"php(
    <META HTTP-EQUIV="refresh" CONTENT="0; URL={target}">
  </HEAD>
  <BODY>
    <P><A HREF="{target}">{title|raw}</A></P>
  </BODY>
</HTML>
)php",
          {{QStringLiteral("target"), target}, {QStringLiteral("title"), tabTitle(Table())}});
}
