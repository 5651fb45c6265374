#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class TBTable;
class TStore;

// One file an upload puts on the server.
struct TPublishFile {
    QString Shown;  // on the progress line, e.g. "admin/search.php"; empty: not shown
    QString Local;  // the file sent
    QString Remote; // its live name on the server
    QByteArray Digest;
    // False: the server holds these bytes from an earlier upload.
    bool Send = true;
    // Sent as bytes (pictures, style sheets) rather than in the server's text type.
    bool Binary = false;
    // Holds the database password: made readable by its owner only.
    bool Secret = false;
    // Its digest is remembered; a maintenance script is deleted after use.
    bool Remembered = true;
    // What the progress gauge moves on once the file is done.
    int Steps = 0;
};

// What earlier uploads left on one server: a digest per remote path. It
// holds for one server, account and folder only; another forgets it.
class TPublished {
public:
    static TPublished Load(const TStore& store, const QString& project, const TBTable& t);
    void Save(TStore& store, const QString& project) const;
    // The server holds nothing we know of (Remove took the site away).
    static void Forget(TStore& store, const QString& project);

    QByteArray Digest(const QString& remote) const { return digests_.value(remote); }
    void Set(const QString& remote, const QByteArray& digest) { digests_.insert(remote, digest); }
    void Drop(const QString& remote) { digests_.remove(remote); }

private:
    QString target_;
    QHash<QString, QByteArray> digests_;
};

// What an upload does to the server, decided before anything is sent:
// which files go up and which the server already holds, the folders made
// first and the files no longer used. TPublisher applies it.
struct TPublishPlan {
    QStringList Folders; // made first; an existing folder is no failure
    QList<TPublishFile> Files;
    QStringList Deletions; // live files removed once the new ones are in place
    // Between two files a Cancel ends the upload (the site's own upload).
    bool Cancellable = false;

    qsizetype ToSend() const;
    qsizetype Unchanged() const { return Files.size() - ToSend(); }

    // The name a file travels under until the switch: in its own folder, so
    // the rename stays on one file system, and with its own extension, so a
    // request for it runs a script rather than showing its source.
    static QString TemporaryName(const QString& remote);

    // The folders the site's files go to, outermost first.
    static QStringList SiteFolders(const TBTable& t);
    // The whole site in its upload order; with createScript the schema script too.
    static TPublishPlan Site(const TBTable& t, const TPublished& published, bool createScript);
    // A maintenance script with the runtime layer it loads; the runtime goes
    // up only when the server does not hold it already.
    static TPublishPlan Script(const TBTable& t, const QString& script,
                               const TPublished& published);
};
