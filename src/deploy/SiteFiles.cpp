#include "SiteFiles.h"

#include "generator/PHPgenerator.h"
#include "model/TableFields.h"

namespace SiteFiles {

QStringList Visitor(const TBTable& t) {
    QStringList files = {QStringLiteral("create_db.php"), QStringLiteral("runtime.php"),
                         QStringLiteral("site.js"),       QStringLiteral(".htaccess"),
                         QStringLiteral("index.php"),     QStringLiteral("index.html")};
    if (t.UserMode == QLatin1String("Login"))
        files << QStringLiteral("login.php");
    files << QStringLiteral("menu.php") << QStringLiteral("inc_counter.php");
    if (TPHPGenerator::HasVisitorSessions(t))
        files << QStringLiteral("logout.php");
    if (t.UserUpdate)
        files << QStringLiteral("add_record.php") << QStringLiteral("modify_record.php")
              << QStringLiteral("delete_record.php");
    files << QStringLiteral("search.php") << QStringLiteral("record.php");
    if (t.AllowChangePassword)
        files << QStringLiteral("change_password.php");
    files << QStringLiteral("get_image.php") << QStringLiteral("show_image.php");
    if (TPHPGenerator::NeedsConfirmation(t))
        files << QStringLiteral("confirm.php");
    return files;
}

QStringList Admin(const TBTable& t) {
    QStringList files = {QStringLiteral("runtime.php"),       QStringLiteral("site.js"),
                         QStringLiteral(".htaccess"),         QStringLiteral("index.php"),
                         QStringLiteral("index.html"),        QStringLiteral("login.php"),
                         QStringLiteral("menu.php"),          QStringLiteral("logout.php"),
                         QStringLiteral("add_record.php"),    QStringLiteral("modify_record.php"),
                         QStringLiteral("delete_record.php"), QStringLiteral("search.php"),
                         QStringLiteral("record.php")};
    if (t.MembersRule())
        files << QStringLiteral("users.php") << QStringLiteral("change_password.php");
    files << QStringLiteral("get_image.php") << QStringLiteral("show_image.php");
    return files;
}

const QStringList& RemoteVisitor() {
    static const QStringList files = {
        QStringLiteral("index.html"),        QStringLiteral("index.php"),
        QStringLiteral(".htaccess"),         QStringLiteral("login.php"),
        QStringLiteral("menu.php"),          QStringLiteral("inc_counter.php"),
        QStringLiteral("add_record.php"),    QStringLiteral("modify_record.php"),
        QStringLiteral("delete_record.php"), QStringLiteral("search.php"),
        QStringLiteral("record.php"),        QStringLiteral("change_password.php"),
        QStringLiteral("get_image.php"),     QStringLiteral("show_image.php"),
        QStringLiteral("runtime.php"),       QStringLiteral("logout.php"),
        QStringLiteral("confirm.php"),       QStringLiteral("site.js")};
    return files;
}

const QStringList& RemoteAdmin() {
    static const QStringList files = {QStringLiteral("index.html"),
                                      QStringLiteral("index.php"),
                                      QStringLiteral("login.php"),
                                      QStringLiteral("menu.php"),
                                      QStringLiteral("add_record.php"),
                                      QStringLiteral("modify_record.php"),
                                      QStringLiteral("delete_record.php"),
                                      QStringLiteral("search.php"),
                                      QStringLiteral("record.php"),
                                      QStringLiteral("users.php"),
                                      QStringLiteral("change_password.php"),
                                      QStringLiteral("get_image.php"),
                                      QStringLiteral("show_image.php"),
                                      QStringLiteral("runtime.php"),
                                      QStringLiteral("logout.php"),
                                      QStringLiteral("site.js"),
                                      QStringLiteral(".htaccess")};
    return files;
}

// The local folders hold what the server holds, plus the maintenance scripts
// and the reports that never go to the server (or are deleted from it).
const QStringList& OwnVisitor() {
    static const QStringList files =
        QStringList{QStringLiteral("create_db.php"), QStringLiteral("remove_db.php"),
                    QStringLiteral("import_db.php"), QStringLiteral("export_db_0.php"),
                    QStringLiteral("export_db.php"), QStringLiteral("columns_db.php"),
                    QStringLiteral("alter_db.php")} +
        RemoteVisitor() + QStringList{QStringLiteral("Generate.log"), QStringLiteral("Upload.log")};
    return files;
}

const QStringList& OwnAdmin() {
    return RemoteAdmin();
}

} // namespace SiteFiles
