#pragma once

#include "common/WebHost.h"
#include "generator/PHPgenerator.h"

#include <QByteArray>
#include <QString>

// Writes the entry pages, member pages and picture scripts of both sites, with
// their runtime, into the web host's folder `site` (t gets its connection
// settings); with createTables also requests create_db.php. Empty on success,
// else what failed.
QString PublishSite(const TWebHost& host, TPHPGenerator& g, TBTable& t, const QString& site,
                    bool createTables);

// The session a login page opened: the token its answer sets in the cookie
// `cookie` when the answer is the frameset of menu and working frame, else
// empty.
QByteArray LoginSession(const THttpReply& r, const QByteArray& cookie);
// A login page answered with the frameset of a logged-in user.
bool IsFrameset(const QByteArray& page);
// The request header that presents `token` in the cookie `cookie`.
THttpHeaders SessionCookie(const QByteArray& cookie, const QByteArray& token);

// A login by post is answered with its page again, by GET (303): the
// headers that present the session it opened in the cookie `cookie`, with
// the form session the answer set and the token of the forms of `page` (as
// X-Corvanta-Form), as a browser has them after following it. Empty when
// the login opened no session.
THttpHeaders LoggedIn(const TWebHost& host, const QString& page, const THttpReply& login,
                      const QByteArray& cookie);
// The page a browser shows after posting a login to `page`: the login's
// answer followed to its GET, or the answer itself when it was no 303.
THttpReply FollowLogin(const TWebHost& host, const QString& page, const THttpReply& login,
                       const QByteArray& cookie);
// `headers` (a session's cookie `cookie`) with the form session and the
// token of the forms of `page` (or, when it has none, of the menu beside it),
// as a browser has them from that page.
THttpHeaders WithForm(const TWebHost& host, const QString& page, const QByteArray& cookie,
                      const THttpHeaders& headers);
// The token of the forms of a page (its field corvanta_form), or empty.
QByteArray FormToken(const QByteArray& page);

// A time of the sessions table, `seconds` before now.
QByteArray SessionDate(int secondsAgo);

// A GET with the target's bytes exactly as given (a browser would encode some
// of them): the whole answer, headers included.
QByteArray RawGet(const TWebHost& host, const QByteArray& target);
