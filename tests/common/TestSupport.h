#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

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

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);
