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

// The session a login page's frameset passes to its menu, or empty when the
// answer is no frameset.
QByteArray FramesetSession(const QByteArray& page);

// A time of the sessions table, `seconds` before now.
QByteArray SessionDate(int secondsAgo);

// A GET with the target's bytes exactly as given (a browser would encode some
// of them): the whole answer, headers included.
QByteArray RawGet(const TWebHost& host, const QByteArray& target);
