#include "PublishedSite.h"

#include "GeneratorFixtures.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>

QString PublishSite(const TWebHost& host, TPHPGenerator& g, TBTable& t, const QString& site,
                    bool createTables) {
    host.ApplyTo(t, site);
    if (!QDir().mkpath(t.LocalPath + QStringLiteral("admin")))
        return QStringLiteral("cannot make ") + t.LocalPath;
    for (const bool admin : {false, true}) {
        if (!g.RuntimeScript(t, admin) || !g.SiteScript(t, admin) || !g.ServerRules(t, admin) ||
            !g.EntryPages(t, admin) || !g.PasswordPage(t, admin) || !g.ImageDownload(t, admin) ||
            !g.ImagePage(t, admin))
            return QStringLiteral("generating failed");
    }
    if (!g.UsersPage(t) || (TPHPGenerator::NeedsConfirmation(t) && !g.ConfirmPage(t)))
        return QStringLiteral("generating users.php failed");
    if (!createTables)
        return {};
    if (!g.CreateScript(t))
        return QStringLiteral("generating create_db.php failed");
    const THttpReply r = host.Get(t.URL + g.KeyedScript(QStringLiteral("create_db.php")));
    if (Paragraph(r.body, "corvanta_ok").isNull())
        return QStringLiteral("create_db.php answered: ") + QString::fromLatin1(r.body);
    return {};
}

bool IsFrameset(const QByteArray& page) {
    return page.contains("<FRAME SRC=\"menu.php\" NAME=\"head\"");
}

QByteArray LoginSession(const THttpReply& r, const QByteArray& cookie) {
    static const QRegularExpression token(QStringLiteral("^[0-9a-f]{32}$"));
    const QByteArray value = r.SetCookie(cookie);
    if (!IsFrameset(r.body) || !token.match(QString::fromLatin1(value)).hasMatch())
        return {};
    return value;
}

THttpHeaders SessionCookie(const QByteArray& cookie, const QByteArray& token) {
    return {{"Cookie", cookie + "=" + token}};
}

QByteArray FormToken(const QByteArray& page) {
    static const QRegularExpression field(
        QStringLiteral("NAME=\"corvanta_form\" VALUE=\"([0-9a-f]{32})\""));
    return field.match(QString::fromLatin1(page)).captured(1).toLatin1();
}

THttpHeaders LoggedIn(const TWebHost& host, const QString& page, const THttpReply& login,
                      const QByteArray& cookie) {
    const QByteArray token = login.SetCookie(cookie);
    const QByteArray form = login.SetCookie(cookie + "_form");
    if (login.status != 303 || token.isEmpty() || form.isEmpty())
        return {};
    const QByteArray cookies = cookie + "=" + token + "; " + cookie + "_form=" + form;
    QByteArray formToken = FormToken(host.Get(page, {{"Cookie", cookies}}).body);
    // A page without forms of a framed site: the menu has one (Logout).
    if (formToken.isEmpty())
        formToken = FormToken(
            host.Get(page.left(page.lastIndexOf(u'/') + 1) + "menu.php", {{"Cookie", cookies}})
                .body);
    return {{"Cookie", cookies}, {"X-Corvanta-Form", formToken}};
}

THttpHeaders WithForm(const TWebHost& host, const QString& page, const QByteArray& cookie,
                      const THttpHeaders& headers) {
    QByteArray cookies;
    THttpHeaders more;
    for (const auto& h : headers) {
        if (h.first == "Cookie")
            cookies = h.second;
        else
            more << h;
    }
    QByteArray token;
    for (const QString& p : {page, page.left(page.lastIndexOf(u'/') + 1) + "menu.php"}) {
        const THttpReply r = host.Get(p, {{"Cookie", cookies}});
        const QByteArray form = r.SetCookie(cookie + "_form");
        if (!form.isEmpty())
            cookies += (cookies.isEmpty() ? "" : "; ") + cookie + "_form=" + form;
        token = FormToken(r.body);
        if (!token.isEmpty())
            break;
    }
    more << qMakePair(QByteArray("Cookie"), cookies)
         << qMakePair(QByteArray("X-Corvanta-Form"), token);
    return more;
}

THttpReply FollowLogin(const TWebHost& host, const QString& page, const THttpReply& login,
                       const QByteArray& cookie) {
    if (login.status != 303)
        return login;
    const THttpHeaders headers = LoggedIn(host, page, login, cookie);
    return headers.isEmpty() ? login : host.Get(page, headers);
}

QByteArray SessionDate(int secondsAgo) {
    return QDateTime::currentDateTimeUtc()
        .addSecs(-secondsAgo)
        .toString(QStringLiteral("yyyyMMddHHmmss"))
        .toLatin1();
}

QByteArray RawGet(const TWebHost& host, const QByteArray& target) {
    const QUrl url(host.Url());
    QTcpSocket socket;
    socket.connectToHost(url.host(), quint16(url.port()));
    if (!socket.waitForConnected(10000))
        return {};
    socket.write("GET /" + target + " HTTP/1.0\r\nHost: " + url.host().toLatin1() + "\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(30000))
        answer += socket.readAll();
    return answer + socket.readAll();
}
