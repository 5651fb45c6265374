#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// Folder of the built executables (corvanta-cli, the program), set by CTest.
QString BinDir();
// Root of the source tree, set by CTest.
QString SourceDir();

struct TCliResult {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs corvanta-cli with the given store file and arguments.
TCliResult RunCli(const QString& storePath, const QStringList& arguments,
                  const QByteArray& input = {});

// Sets an environment variable for the life of the object, then restores it.
class TEnvVar {
public:
    TEnvVar(const char* name, const QString& value);
    ~TEnvVar();
    TEnvVar(const TEnvVar&) = delete;
    TEnvVar& operator=(const TEnvVar&) = delete;

private:
    const char* name_;
    QByteArray old_;
};

// The browser end of the desktop walks: tests/e2e/walk-site.js in Chromium
// with these WALK_* settings (WALK_SITE_URL, WALK_ADMIN_PASSWORD, ...).
// Its output goes to output; true when the walk passed.
bool WalkSiteInBrowser(const QList<std::pair<QString, QString>>& settings, QString* output);

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);
