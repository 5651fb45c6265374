#pragma once

#include <QString>

// A private folder in TMPDIR for the files a command writes on its way (the
// parts of an export). It is removed when the object goes, and also when the
// program is ended by a signal it can catch (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT). A folder that a killed run left behind is removed by the next
// one: while its run lives, the folder holds a locked file.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    bool IsValid() const { return !path_.isEmpty(); }
    const QString& Path() const { return path_; }
    // The file `name` of the folder; only the names the folder was made for
    // are removed on a signal: "part.php".
    QString FilePath(const QString& name) const;

    // Removes the folders of runs that have ended without removing theirs.
    static void RemoveLeftovers();

private:
    QString path_;
    int lock_ = -1;
    int slot_ = -1;
};
