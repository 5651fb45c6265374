#pragma once

#include "model/Store.h"

#include <QCommandLineParser>
#include <QTextStream>

#include <functional>
#include <memory>
#include <vector>

// What every command of corvanta-cli gets: the store and the two streams.
// Messages go to err, reports and data to out.
struct TCliContext {
    TStore& store;
    QTextStream& out;
    QTextStream& err;
    // --trust: fingerprints a trust question may be answered Yes for.
    QStringList trusted = {};
};

// Exit statuses of corvanta-cli.
enum TCliStatus { CliOk = 0, CliFailed = 1, CliUsage = 2 };

// One command of corvanta-cli: its name, description and options, and the
// code that runs it.
class TCliCommand {
public:
    virtual ~TCliCommand() = default;
    virtual QString name() const = 0;
    virtual QString synopsis() const = 0;
    virtual QString description() const = 0;
    virtual void addOptions(QCommandLineParser& /*parser*/) const {}
    // Positional arguments after the command name are in parser.positionalArguments().
    virtual int execute(const QCommandLineParser& parser, TCliContext& context) const = 0;
};

using TCliCommands = std::vector<std::unique_ptr<TCliCommand>>;

class TBTable;
class TDeployment;
class TScriptedPort;

// Runs a deployment command to its end with the scripted answers.
int RunDeployment(TCliContext& context, const std::function<void(TScriptedPort&)>& answers,
                  const std::function<void(TDeployment&)>& command);

// The spreadsheet side of import and export (SheetCommands.cpp): its
// options, whether one was given, and the runs. A usage error is returned
// in `why`.
void AddSheetOptions(QCommandLineParser& parser, bool import);
bool SheetAsked(const QCommandLineParser& parser);
int RunSheetExport(const QCommandLineParser& parser, TCliContext& context, const TBTable& t,
                   QString& why);
int RunSheetImport(const QCommandLineParser& parser, TCliContext& context, const TBTable& t,
                   QString& why);

// Each source file of the tool contributes its commands.
void AddProjectCommands(TCliCommands& commands);
void AddDeployCommands(TCliCommands& commands);
