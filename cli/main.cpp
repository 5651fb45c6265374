#include "Command.h"

#include "model/ProjectJson.h"
#include "model/Version.h"

#include <QCoreApplication>

namespace {

TCliCommands allCommands() {
    TCliCommands commands;
    AddProjectCommands(commands);
    AddDeployCommands(commands);
    return commands;
}

void printUsage(QTextStream& stream, const TCliCommands& commands) {
    stream << "Usage: corvanta-cli COMMAND [ARGUMENTS]\n"
           << "       corvanta-cli --help | --version\n"
           << "       corvanta-cli COMMAND --help\n\nCommands:\n";
    for (const auto& command : commands)
        stream << "  " << command->synopsis() << "\n      " << command->description() << "\n";
    stream.flush();
}

// The command's usage line, what it does, and every option it takes.
void printCommandHelp(QTextStream& stream, const TCliCommand& command,
                      const QCommandLineParser& parser) {
    stream << "Usage: corvanta-cli " << command.synopsis() << "\n\n"
           << command.description() << "\n";
    // Qt's own text lists the options; its usage line names no command.
    const QString text = parser.helpText();
    const qsizetype options = text.indexOf(QLatin1String("Options:"));
    if (options >= 0)
        stream << "\n" << text.mid(options);
    stream.flush();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvanta-cli"));
    QCoreApplication::setApplicationVersion(ProgramVersion());
    QTextStream out(stdout);
    QTextStream err(stderr);
    const TCliCommands commands = allCommands();

    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.at(1) == QLatin1String("--help") ||
        args.at(1) == QLatin1String("-h")) {
        printUsage(args.size() < 2 ? err : out, commands);
        return args.size() < 2 ? CliUsage : CliOk;
    }
    if (args.at(1) == QLatin1String("--version")) {
        out << "corvanta-cli " << ProgramVersion() << "\n" << ProgramLicenseNotice();
        return CliOk;
    }
    const QString name = args.at(1);
    const TCliCommand* command = nullptr;
    for (const auto& c : commands)
        if (c->name() == name)
            command = c.get();
    if (!command) {
        err << "corvanta-cli: unknown command \"" << name << "\"\n";
        printUsage(err, commands);
        return CliUsage;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(command->description());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Prints what the command does and its options."));
    parser.addOption(help);
    command->addOptions(parser);
    args.removeAt(1);
    if (!parser.parse(args)) {
        err << "corvanta-cli " << name << ": " << parser.errorText() << "\n"
            << "Usage: corvanta-cli " << command->synopsis() << "\n"
            << "See corvanta-cli " << name << " --help.\n";
        return CliUsage;
    }
    if (parser.isSet(help)) {
        printCommandHelp(out, *command, parser);
        return CliOk;
    }

    TStore store;
    TCliContext context{store, out, err};
    try {
        const int status = command->execute(parser, context);
        out.flush();
        err.flush();
        return status;
    } catch (const TStoreError& e) {
        err << e.message() << "\n";
    } catch (const TProjectJsonError& e) {
        err << e.message() << "\n";
    } catch (const std::exception& e) {
        err << "corvanta-cli " << name << ": " << QString::fromLocal8Bit(e.what()) << "\n";
    }
    out.flush();
    err.flush();
    return CliFailed;
}
