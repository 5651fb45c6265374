// Writes every file of a site for the browser tests: the project comes as
// JSON (the corvanta-cli project format), the files go to its LocalPath and
// LocalPath/admin, and the keyed address of create_db.php is printed.
#include "generator/PHPgenerator.h"
#include "model/ProjectJson.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: e2e-sitegen PROJECT.json\n";
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        err << "cannot read " << file.fileName() << "\n";
        return 1;
    }
    TBTable t;
    try {
        t = ProjectFromJson(QJsonDocument::fromJson(file.readAll()).object());
    } catch (const TProjectJsonError& e) {
        err << e.message() << "\n";
        return 1;
    }
    QDir().mkpath(t.LocalPath + QStringLiteral("admin"));
    TPHPGenerator g([&](const QString& text) { err << text << "\n"; });
    bool ok = g.RuntimeScript(t, false) && g.RuntimeScript(t, true) && g.CreateScript(t);
    for (bool admin : {false, true}) {
        ok = ok && g.SiteScript(t, admin) && g.ServerRules(t, admin) && g.EntryPages(t, admin) &&
             g.PasswordPage(t, admin) && g.ImageDownload(t, admin) && g.ImagePage(t, admin) &&
             g.AddPage(t, admin) && g.ModifyPage(t, admin) && g.DeletePage(t, admin) &&
             g.SearchPage(t, admin);
    }
    ok = ok && g.UsersPage(t) && (!TPHPGenerator::NeedsConfirmation(t) || g.ConfirmPage(t));
    if (!ok)
        return 1;
    // The style sheet goes beside the pages of both halves, as Upload sends it.
    const QString skin = TPHPGenerator::SkinPath(t);
    if (!skin.isEmpty()) {
        const QString name = QFileInfo(skin).fileName();
        for (const QString& folder : {t.LocalPath, t.LocalPath + QStringLiteral("admin/")}) {
            QFile::remove(folder + name);
            QFile::copy(skin, folder + name);
        }
    }
    QTextStream(stdout) << g.KeyedScript(QStringLiteral("create_db.php")) << "\n";
    return 0;
}
