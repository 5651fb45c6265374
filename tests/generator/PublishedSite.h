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

// A time of the sessions table, `seconds` before now.
QByteArray SessionDate(int secondsAgo);

// A GET with the target's bytes exactly as given (a browser would encode some
// of them): the whole answer, headers included.
QByteArray RawGet(const TWebHost& host, const QByteArray& target);
