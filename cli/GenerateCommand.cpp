#include "Command.h"

#include "generator/PHPgenerator.h"
#include "model/ProjectStore.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Makes one folder level, as the Generate command does.
bool makeFolder(const QString& path, TCliContext& context) {
    if (QFileInfo(path).isDir() || QDir().mkdir(path))
        return true;
    context.err << "Directory \"" << path << "\" cannot be created.\n";
    return false;
}

class TGenerateCommand : public TCliCommand {
public:
    QString name() const override { return QStringLiteral("generate"); }
    QString synopsis() const override { return QStringLiteral("generate NAME"); }
    QString description() const override {
        return QStringLiteral("Writes the web site of the stored project into its local folder.");
    }
    int execute(const QCommandLineParser& parser, TCliContext& context) const override {
        if (parser.positionalArguments().size() != 1) {
            context.err << "Usage: corvanta-cli " << synopsis() << "\n";
            return CliUsage;
        }
        const QString project = parser.positionalArguments().first();
        if (!ProjectStore::Exists(context.store, project)) {
            context.err << "There is no project \"" << project << "\".\n";
            return CliFailed;
        }
        const TBTable t = ProjectStore::Load(context.store, project);
        if (!makeFolder(t.LocalPath, context) ||
            !makeFolder(t.LocalPath + QStringLiteral("admin"), context))
            return CliFailed;

        TPHPGenerator generator([&](const QString& text) { context.err << text << "\n"; });
        // The steps in the order of the Generate command; each names what
        // failed. Pages join this list as they are built.
        const std::vector<std::pair<std::function<bool()>, QString>> steps = {
            {[&] { return generator.RuntimeScript(t, false); }, QStringLiteral("runtime.php")},
            {[&] { return generator.CreateScript(t); }, QStringLiteral("create_db.php")},
            {[&] { return generator.EntryPages(t, false); }, QStringLiteral("index.html")},
            {[&] { return !t.AllowChangePassword || generator.PasswordPage(t, false); },
             QStringLiteral("change_password.php")},
            {[&] { return generator.ImageDownload(t, false); }, QStringLiteral("get_image.php")},
            {[&] { return generator.ImagePage(t, false); }, QStringLiteral("show_image.php")},
            {[&] { return generator.RuntimeScript(t, true); },
             QStringLiteral("admin\\runtime.php")},
            {[&] { return generator.EntryPages(t, true); }, QStringLiteral("admin\\index.html")},
            {[&] { return !t.MembersRule() || generator.UsersPage(t); },
             QStringLiteral("admin\\users.php")},
            {[&] { return !t.MembersRule() || generator.PasswordPage(t, true); },
             QStringLiteral("admin\\change_password.php")},
            {[&] { return generator.ImageDownload(t, true); },
             QStringLiteral("admin\\get_image.php")},
            {[&] { return generator.ImagePage(t, true); }, QStringLiteral("admin\\show_image.php")},
        };
        try {
            for (const auto& [step, file] : steps) {
                if (!step()) {
                    context.err << "Generating " << file << " failed.\n";
                    return CliFailed;
                }
            }
        } catch (const EInOutError& e) {
            context.err << e.Message() << "\n";
            return CliFailed;
        }
        context.err << "Files generated in " << t.LocalPath << "\n";
        return CliOk;
    }
};

} // namespace

void AddGenerateCommands(TCliCommands& commands) {
    commands.push_back(std::make_unique<TGenerateCommand>());
}
