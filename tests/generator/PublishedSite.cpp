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
        if (!g.RuntimeScript(t, admin) || !g.EntryPages(t, admin) || !g.PasswordPage(t, admin) ||
            !g.ImageDownload(t, admin) || !g.ImagePage(t, admin))
            return QStringLiteral("generating failed");
    }
    if (!g.UsersPage(t))
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
