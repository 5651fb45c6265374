#include "Command.h"

#include "model/ProjectCheck.h"
#include "model/ProjectJson.h"
#include "model/ProjectStore.h"

#include <QFile>
#include <QJsonDocument>

#include <optional>

namespace {

// Checks the count of positional arguments; prints the usage when wrong.
bool expectArguments(const QCommandLineParser& parser, const TCliCommand& command, int count,
                     TCliContext& context) {
    if (parser.positionalArguments().size() == count)
        return true;
    context.err << "Usage: corvanta-cli " << command.synopsis() << "\n";
    return false;
}

class TListCommand : public TCliCommand {
public:
    QString name() const override { return QStringLiteral("list"); }
    QString synopsis() const override { return QStringLiteral("list"); }
    QString description() const override {
        return QStringLiteral("Lists the stored projects, one per line.");
    }
    int execute(const QCommandLineParser& parser, TCliContext& context) const override {
        if (!expectArguments(parser, *this, 0, context))
            return CliUsage;
        for (const QString& project : ProjectStore::List(context.store))
            context.out << project << "\n";
        return CliOk;
    }
};

class TImportProjectCommand : public TCliCommand {
public:
    QString name() const override { return QStringLiteral("import-project"); }
    QString synopsis() const override {
        return QStringLiteral("import-project FILE [--name NAME]");
    }
    QString description() const override {
        return QStringLiteral("Stores the project described by the JSON file, replacing one of "
                              "that name.");
    }
    void addOptions(QCommandLineParser& parser) const override {
        parser.addOption({QStringLiteral("name"), QStringLiteral("Project name."),
                          QStringLiteral("NAME")});
    }
    int execute(const QCommandLineParser& parser, TCliContext& context) const override {
        if (!expectArguments(parser, *this, 1, context))
            return CliUsage;
        const QString path = parser.positionalArguments().first();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            context.err << "Cannot read " << path << ": " << file.errorString() << "\n";
            return CliFailed;
        }
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
        if (!doc.isObject()) {
            context.err << path << " is not a project file: "
                        << (doc.isNull() ? error.errorString()
                                         : QStringLiteral("it holds no JSON object"))
                        << "\n";
            return CliFailed;
        }
        const QString name = parser.isSet(QStringLiteral("name"))
                                 ? parser.value(QStringLiteral("name"))
                                 : doc.object().value(QStringLiteral("DbName")).toString();
        if (name.isEmpty()) {
            context.err << "The project has no name: give \"DbName\" in the file or --name.\n";
            return CliFailed;
        }
        if (const TDefinitionCheck problem =
                CheckProjectName(name, ProjectStore::List(context.store))) {
            context.err << problem->Message
                        << (parser.isSet(QStringLiteral("name"))
                                ? QStringLiteral("\n")
                                : QStringLiteral("\n(In the project JSON: DbName.)\n"));
            return CliFailed;
        }
        // A project imported again keeps the column names of its fields, so
        // the site made from it still matches its table.
        std::optional<TBTable> stored;
        if (ProjectStore::Exists(context.store, name)) {
            try {
                stored = ProjectStore::Load(context.store, name);
            } catch (const TStoreError& e) {
                context.err << e.message() << " Its column names are not kept.\n";
            }
        }
        TBTable table = ProjectFromJson(doc.object(), stored ? &*stored : nullptr);
        table.DbName = name;
        // Like a save: every setting and field is rewritten; the upload mark stays.
        ProjectStore::Save(context.store, table);
        context.err << "Project \"" << table.DbName << "\" stored.\n";
        return CliOk;
    }
};

class TExportProjectCommand : public TCliCommand {
public:
    QString name() const override { return QStringLiteral("export-project"); }
    QString synopsis() const override { return QStringLiteral("export-project NAME"); }
    QString description() const override {
        return QStringLiteral("Prints the stored project as JSON.");
    }
    int execute(const QCommandLineParser& parser, TCliContext& context) const override {
        if (!expectArguments(parser, *this, 1, context))
            return CliUsage;
        const QString name = parser.positionalArguments().first();
        if (!ProjectStore::Exists(context.store, name)) {
            context.err << "There is no project \"" << name << "\".\n";
            return CliFailed;
        }
        const TBTable table = ProjectStore::Load(context.store, name);
        context.out << QString::fromUtf8(QJsonDocument(ProjectToJson(table)).toJson());
        return CliOk;
    }
};

} // namespace

void AddProjectCommands(TCliCommands& commands) {
    commands.push_back(std::make_unique<TListCommand>());
    commands.push_back(std::make_unique<TImportProjectCommand>());
    commands.push_back(std::make_unique<TExportProjectCommand>());
}
