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
