// generate, upload, import, export, remove: the deployment commands of the
// desktop program, run headless with the answers given on the command line.
#include "Command.h"

#include "deploy/Deployment.h"
#include "deploy/ScriptedPort.h"
#include "model/ProjectStore.h"
#include "model/RecordLayout.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "net/Tls.h"

#include <QEventLoop>
#include <QFileInfo>

#include <memory>

namespace {

const QString kTrust = QStringLiteral("trust");

void addTrustOption(QCommandLineParser& parser) {
    parser.addOption({kTrust,
                      QStringLiteral("Trust the server certificate or SSH host key with this "
                                     "SHA-256 fingerprint (64 hex digits, colons allowed) for "
                                     "the project, although it cannot be verified; the command "
                                     "that fails for want of it names the server and prints the "
                                     "fingerprint. Give it once for each server (FTP and web "
                                     "server may differ)."),
                      QStringLiteral("SHA256")});
}

// The fingerprints of --trust, lower case; empty with *bad set for a value
// that is no fingerprint.
QStringList trustedFingerprints(const QCommandLineParser& parser, QString* bad) {
    QStringList fingerprints;
    if (!parser.optionNames().contains(kTrust))
        return fingerprints;
    for (const QString& value : parser.values(kTrust)) {
        const QString fingerprint = value.trimmed().toLower().remove(u':');
        if (!Tls::IsFingerprint(fingerprint)) {
            *bad = value;
            return {};
        }
        fingerprints << fingerprint;
    }
    return fingerprints;
}

// Runs a command to its end, its queued second stage included: that stage
// runs from the event loop, as in the desktop program.
// Answers trust questions from --trust, and says so when a value given
// matches no certificate or key the servers show.
class TCliPort : public TScriptedPort {
public:
    TCliPort(TCliContext& context) : TScriptedPort(&context.err, &context.out), context_(context) {}
    bool TrustServer(const TCertificateInfo& info) override {
        const bool yes = TScriptedPort::TrustServer(info);
        if (!yes && !context_.trusted.isEmpty() && !info.Fingerprint.isEmpty())
            context_.err << QStringLiteral("--trust %1 did not match: %2 %3 shows the %4 with the "
                                           "SHA-256 fingerprint %5.\n")
                                .arg(context_.trusted.join(QStringLiteral(", --trust ")),
                                     info.Service.isEmpty() ? QStringLiteral("the server")
                                                            : info.Service,
                                     info.Server(),
                                     info.HostKey ? info.KeyType + QStringLiteral(" host key")
                                                  : QStringLiteral("certificate"),
                                     info.Fingerprint);
        return yes;
    }

private:
    TCliContext& context_;
};

} // namespace

int RunDeployment(TCliContext& context, const std::function<void(TScriptedPort&)>& answers,
                  const std::function<void(TDeployment&)>& command) {
    TCliPort port(context);
    port.NamePlaces = true;
    answers(port);
    // A trust question is answered Yes only for a fingerprint given.
    for (const QString& fingerprint : context.trusted)
        port.AnswerTo(fingerprint, QStringLiteral("Yes"));
    TFtpClient ftp;
    THttpClient http;
    QObject queue;
    std::unique_ptr<TDeployment> deployment;
    deployment =
        std::make_unique<TDeployment>(port, context.store, ftp, http, [&](const QString& script) {
            QMetaObject::invokeMethod(
                &queue, [&, script] { deployment->RunStage2(script); }, Qt::QueuedConnection);
        });
    QEventLoop loop;
    deployment->OnFinished = [&](bool) { loop.quit(); };
    command(*deployment);
    if (deployment->Running())
        loop.exec();
    return deployment->Succeeded() ? CliOk : CliFailed;
}

namespace {

// The base of the commands on one stored project: NAME is the only
// positional argument.
class TProjectCommand : public TCliCommand {
public:
    int execute(const QCommandLineParser& parser, TCliContext& context) const override {
        if (parser.positionalArguments().size() != 1) {
            context.err << "Usage: corvanta-cli " << synopsis() << "\n";
            return CliUsage;
        }
        const QString project = parser.positionalArguments().first();
        // One read of the store: it may be large.
        const std::optional<TBTable> table = ProjectStore::Find(context.store, project);
        if (!table) {
            context.err << "There is no project \"" << project << "\".\n";
            return CliFailed;
        }
        QString bad;
        context.trusted = trustedFingerprints(parser, &bad);
        if (!bad.isEmpty())
            return usage(context, QStringLiteral("--trust needs a SHA-256 fingerprint of 64 "
                                                 "hexadecimal digits, not \"%1\".")
                                      .arg(bad));
        return run(parser, context, *table);
    }

protected:
    virtual int run(const QCommandLineParser& parser, TCliContext& context,
                    const TBTable& t) const = 0;

    int usage(TCliContext& context, const QString& why) const {
        context.err << why << "\nUsage: corvanta-cli " << synopsis() << "\n";
        return CliUsage;
    }
};

class TGenerateCommand : public TProjectCommand {
public:
    QString name() const override { return QStringLiteral("generate"); }
    QString synopsis() const override { return QStringLiteral("generate NAME"); }
    QString description() const override {
        return QStringLiteral("Writes the web site of the stored project into its local folder.");
    }

protected:
    int run(const QCommandLineParser&, TCliContext& context, const TBTable& t) const override {
        return RunDeployment(
            context, [](TScriptedPort&) {}, [&](TDeployment& d) { d.Generate(t, false); });
    }
};

class TUploadCommand : public TProjectCommand {
public:
    QString name() const override { return QStringLiteral("upload"); }
    QString synopsis() const override {
        return QStringLiteral(
            "upload NAME [--plan | --update-db | --create-db] [--trust SHA256]...");
    }
    QString description() const override {
        return QStringLiteral("Generates the site and puts it on the server. --plan only shows "
                              "what updating the tables would do and changes nothing; "
                              "--update-db updates the tables as that plan says, keeping the "
                              "records; --create-db (re)creates them empty. Without either the "
                              "tables are left as they are.");
    }
    void addOptions(QCommandLineParser& parser) const override {
        parser.addOption({QStringLiteral("plan"),
                          QStringLiteral("Show the plan for the tables; upload nothing.")});
        parser.addOption(
            {QStringLiteral("update-db"),
             QStringLiteral("Update the tables as the plan says (keeps the records).")});
        parser.addOption({QStringLiteral("create-db"),
                          QStringLiteral("Create the tables (existing records are lost).")});
        addTrustOption(parser);
    }

protected:
    int run(const QCommandLineParser& parser, TCliContext& context,
            const TBTable& t) const override {
        const bool plan = parser.isSet(QStringLiteral("plan"));
        const bool update = parser.isSet(QStringLiteral("update-db"));
        const bool create = parser.isSet(QStringLiteral("create-db"));
        if (int(plan) + int(update) + int(create) > 1)
            return usage(context, QStringLiteral("Give only one of --plan, --update-db and "
                                                 "--create-db."));
        if (plan)
            return RunDeployment(
                context, [](TScriptedPort&) {}, [&](TDeployment& d) { d.PlanTables(t); });
        return RunDeployment(
            context,
            [&](TScriptedPort& port) {
                port.AnswerTo(TTablePlan::Heading(), create   ? QStringLiteral("Create")
                                                     : update ? QStringLiteral("Update")
                                                              : QStringLiteral("Leave"));
            },
            [&](TDeployment& d) { d.Upload(t, false); });
    }
};

// import and export: the three record files.
class TRecordsCommand : public TProjectCommand {
public:
    explicit TRecordsCommand(bool import) : import_(import) {}
    QString name() const override {
        return import_ ? QStringLiteral("import") : QStringLiteral("export");
    }
    QString synopsis() const override {
        return import_ ? QStringLiteral("import NAME (--records F [--users F] --images F | "
                                        "--csv F | --xlsx F) [--trust SHA256]...")
                       : QStringLiteral("export NAME (--records F [--users F] --images F | "
                                        "--csv F [--map COLUMN=FIELD,...] [--check]) "
                                        "[--append | --replace] [--trust SHA256]...");
    }
    QString description() const override {
        return import_ ? QStringLiteral("Downloads the records, members and pictures of the live "
                                        "site into the files, or the records into a "
                                        "spreadsheet (CSV or XLSX).")
                       : QStringLiteral("Sends the files, or the rows of a CSV spreadsheet, into "
                                        "the live site's tables, appended or, with --replace, "
                                        "replacing every record: all of them, or none when a "
                                        "value is refused.");
    }
    void addOptions(QCommandLineParser& parser) const override {
        for (const char* file : {"records", "users", "images"})
            parser.addOption({QString::fromLatin1(file),
                              QStringLiteral("The %1 file.").arg(QString::fromLatin1(file)),
                              QStringLiteral("F")});
        if (!import_)
            parser.addOption({QStringLiteral("replace"),
                              QStringLiteral("Delete every row on the server first.")});
        AddSheetOptions(parser, import_);
        addTrustOption(parser);
    }

protected:
    int run(const QCommandLineParser& parser, TCliContext& context,
            const TBTable& t) const override {
        const auto path = [&](const char* option) {
            const QString value = parser.value(QString::fromLatin1(option));
            return value.isEmpty() ? value : QFileInfo(value).absoluteFilePath();
        };
        const QString records = path("records"), users = path("users"), images = path("images");
        if (SheetAsked(parser)) {
            if (!records.isEmpty() || !users.isEmpty() || !images.isEmpty())
                return usage(context, QStringLiteral("Give the record files or a spreadsheet, "
                                                     "not both."));
            QString why;
            const int status = import_ ? RunSheetImport(parser, context, t, why)
                                       : RunSheetExport(parser, context, t, why);
            return why.isEmpty() ? status : usage(context, why);
        }
        if (records.isEmpty() || images.isEmpty())
            return usage(context, QStringLiteral("--records and --images are needed."));
        if (SiteHasMembers(t) && users.isEmpty())
            return usage(context, QStringLiteral("The site has members: --users is needed."));
        const bool replace = !import_ && parser.isSet(QStringLiteral("replace"));
        return RunDeployment(
            context,
            [&](TScriptedPort& port) {
                const TFileChoice r = import_ ? TFileChoice::SaveData : TFileChoice::OpenData;
                const TFileChoice u = import_ ? TFileChoice::SaveUsers : TFileChoice::OpenUsers;
                const TFileChoice i = import_ ? TFileChoice::SaveImages : TFileChoice::OpenImages;
                port.AnswerTo(FileDialogInfo(r).Title, records);
                port.AnswerTo(FileDialogInfo(u).Title, users);
                port.AnswerTo(FileDialogInfo(i).Title, images);
                port.AnswerTo(QStringLiteral("lines already exists on the server."),
                              replace ? QStringLiteral("Replace") : QStringLiteral("Append"));
            },
            [&](TDeployment& d) {
                if (import_)
                    d.Import(t, false);
                else
                    d.Export(t, false);
            });
    }

private:
    bool import_;
};

class TRemoveCommand : public TProjectCommand {
public:
    QString name() const override { return QStringLiteral("remove"); }
    QString synopsis() const override {
        return QStringLiteral("remove NAME (--settings | --server | --both) [--trust SHA256]...");
    }
    QString description() const override {
        return QStringLiteral("Removes the project from this computer (--settings), its site and "
                              "tables from the server (--server), or both.");
    }
    void addOptions(QCommandLineParser& parser) const override {
        parser.addOption({QStringLiteral("settings"),
                          QStringLiteral("Remove the project and its generated files here.")});
        parser.addOption(
            {QStringLiteral("server"), QStringLiteral("Remove the site and its tables.")});
        parser.addOption({QStringLiteral("both"), QStringLiteral("Both of these.")});
        addTrustOption(parser);
    }

protected:
    int run(const QCommandLineParser& parser, TCliContext& context,
            const TBTable& t) const override {
        QString choice;
        int given = 0;
        for (const char* option : {"settings", "server", "both"}) {
            if (parser.isSet(QString::fromLatin1(option))) {
                choice = QString::fromLatin1(option);
                ++given;
            }
        }
        if (given != 1)
            return usage(context, QStringLiteral("Name exactly one of the three choices."));
        // The dialog offers the server choices only for an uploaded project.
        if (choice != QLatin1String("settings") &&
            !ProjectStore::ReadUploaded(context.store, t.DbName)) {
            context.err << "The project \"" << t.DbName
                        << "\" was never uploaded: only --settings can remove it.\n";
            return CliFailed;
        }
        return RunDeployment(
            context,
            [&](TScriptedPort& port) {
                port.AnswerTo(QStringLiteral("Remove Database ") + t.DbName, choice);
            },
            [&](TDeployment& d) { d.RemoveDatabase(t.DbName); });
    }
};

} // namespace

void AddDeployCommands(TCliCommands& commands) {
    commands.push_back(std::make_unique<TGenerateCommand>());
    commands.push_back(std::make_unique<TUploadCommand>());
    commands.push_back(std::make_unique<TRecordsCommand>(true));
    commands.push_back(std::make_unique<TRecordsCommand>(false));
    commands.push_back(std::make_unique<TRemoveCommand>());
}
