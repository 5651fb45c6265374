#pragma once

#include "deploy/Deployment.h"
#include "deploy/ScriptedPort.h"
#include "model/TableFields.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QObject>
#include <QStringList>

#include <functional>

class TStore;
class TWebHost;

// A deployment as corvanta-cli runs it: a scripted port, the two clients,
// and the second stage queued on the event loop.
class TDeployRig {
public:
    explicit TDeployRig(TStore& store);

    TScriptedPort Port;
    TFtpClient Ftp;
    THttpClient Http;
    QStringList Posted; // the second stages queued, in order

    TDeployment& Deployment() { return deployment_; }
    // Runs the command to its end, its second stage included; false when it
    // did not end in time.
    bool Run(const std::function<void(TDeployment&)>& command, int timeoutMs = 120000);

private:
    QObject queue_;
    TDeployment deployment_;
};

// A project with three fields of its own, its administrator password and
// its database settings; table name and project name `name`.
TBTable DeployProject(const QString& name);
// Connection settings of the web host's folder `site` (may be nested); the
// local folder is `localPath` (not the published folder itself).
void PlaceOnHost(TBTable& t, const TWebHost& host, const QString& site, const QString& localPath);
// Path of a file of the published site.
QString Remote(const TWebHost& host, const TBTable& t, const QString& file);

// A field as the record transfer tests use them: visible, editable, at most
// 10 characters where its column has a length.
TBField TransferField(const QString& label, const QString& column, const QString& type);
// The record transfer as a user runs it, in a rig of its own. The files are
// prefix + "records.txt", "users.txt", "images.txt". `during` runs on the
// rig before the command starts (to schedule a fault); `steps` receives the
// number of progress texts shown.
struct TTransferRun {
    bool replace = true;
    qint64 partBytes = 0; // 0: as the program sends
    std::function<void(TDeployRig&)> during;
    QStringList messages; // what the command showed
    int steps = 0;
};
bool ExportFiles(TStore& store, const TBTable& t, const QString& prefix, TTransferRun& run);
bool ImportFiles(TStore& store, const TBTable& t, const QString& prefix);
