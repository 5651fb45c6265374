// What the two layouts of a site share and where they part: every page opens
// with the same head; a one-page site then puts its menu at the top of the
// page, where a framed site has it in a frame of its own. The empty icon
// spares the browser a request that would only fail.
#include "PHPgenerator.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The title in the browser's tab: on a one-page site the site's own title,
// as plain text.
QString tabTitle(const TBTable& t) {
    return t.OnePage() ? TPHPGenerator::PlainTitle(t)
                       : t.Language.Text(QStringLiteral("MainTitle"));
}

// The style sheet's address names its content, so browsers may keep it for
// long and still fetch a changed one at once.
QString versioned(const QString& path) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        return name;
    const QByteArray digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
    return name + QStringLiteral("?v=") + QString::fromLatin1(digest.toHex().left(10));
}

} // namespace

QString TPHPGenerator::PlainTitle(const TBTable& t) {
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString title = QString(t.DatabaseDisplayName).remove(tags).simplified();
    return title.isEmpty() ? t.Language.Text(QStringLiteral("MainTitle")) : title;
}

void TPHPGenerator::HtmlHead() {
    const TBTable& t = Table();
    Lines(uR"php(
<!DOCTYPE html>
<HTML LANG="{msg:LanguageCode}">
  <HEAD>
    <META CHARSET="{msg:CharSet}">
    <META NAME="viewport" CONTENT="width=device-width, initial-scale=1">
    <TITLE>{title|raw}</TITLE>
    <META NAME="description" CONTENT="{description|raw}">
    <LINK REL="icon" HREF="data:,">
    <SCRIPT SRC="site.js" DEFER></SCRIPT>
)php",
          {{QStringLiteral("title"), tabTitle(t)},
           {QStringLiteral("description"), PlainTitle(t).replace(u'"', QStringLiteral("&quot;"))}});
    const QString skin = SkinPath(t);
    if (!skin.isEmpty())
        Lines(u"    <LINK REL=\"StyleSheet\" HREF=\"{skin}\">",
              {{QStringLiteral("skin"), versioned(skin)}});
}

void TPHPGenerator::PageTop(bool admin) {
    // The skip link leads past the menu; the content takes the focus.
    if (Table().OnePage()) {
        Lines(uR"php(
  <A CLASS="skip" HREF="#main">{msg:SkipLink}</A>
  <HEADER CLASS="menu">
)php");
        MenuSnippet(admin);
        WriteLine(u"  </HEADER>");
    }
    WriteLine(u"  <MAIN ID=\"main\" TABINDEX=\"-1\">");
}

void TPHPGenerator::RedirectPage(const QString& target) {
    HtmlHead();
    Lines(uR"php(
    <META HTTP-EQUIV="refresh" CONTENT="0; URL={target}">
  </HEAD>
  <BODY>
    <MAIN><H1><A HREF="{target}">{title|raw}</A></H1></MAIN>
  </BODY>
</HTML>
)php",
          {{QStringLiteral("target"), target}, {QStringLiteral("title"), tabTitle(Table())}});
}
