// .htaccess: on an Apache host, the files the server sends as they are (the
// framesets, the style sheet, site.js, logos) get the headers every page
// sends, and the site's own character set. The PHP pages send theirs
// themselves; a picture keeps its stricter policy. Other servers ignore the
// file; their owner sets the same headers in the server's configuration.
#include "PHPgenerator.h"

#include <QRegularExpression>

bool TPHPGenerator::ServerRules(const TBTable& t, bool admin) {
    // A name Apache would not read would make it refuse the whole folder.
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9._:-]+$"));
    const QString charset = t.Language.Text(QStringLiteral("CharSet")).trimmed();
    return WriteFile(t, admin, QStringLiteral(".htaccess"), [&] {
        WriteLine(u"# Written with the site: the headers of the files sent as they are.");
        if (name.match(charset).hasMatch())
            Lines(uR"txt(
AddDefaultCharset {charset}
AddCharset {charset} .html .htm .css .js
)txt",
                  {{QStringLiteral("charset"), charset}});
        Lines(uR"txt(
<IfModule mod_headers.c>
  <FilesMatch "\.(?i:html?|css|js|gif|jpe?g|png|webp|ico|svg|txt)$">
    Header set X-Content-Type-Options "nosniff"
    Header set Referrer-Policy "same-origin"
    Header set X-Frame-Options "SAMEORIGIN"
    Header set Content-Security-Policy "{csp|raw}"
  </FilesMatch>
</IfModule>
)txt",
              {{QStringLiteral("csp"), ContentSecurityPolicy()}});
    });
}
