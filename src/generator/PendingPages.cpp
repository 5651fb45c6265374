// Placeholder pages for operations whose real templates are not written yet,
// so the deployment commands can run their whole sequence meanwhile. Whoever
// writes the real operation deletes its placeholder here.
#include "PHPgenerator.h"

namespace {

bool pendingPage(TPHPGenerator& g, const TBTable& t, bool admin, const QString& file) {
    return g.WriteFile(t, admin, file, [&] {
        g.Lines(uR"php(
<HTML><BODY><P CLASS="corvanta_error">{page} is not generated yet.</P></BODY></HTML>
)php",
                {{QStringLiteral("page"), file}});
    });
}

} // namespace

bool TPHPGenerator::EntryPages(const TBTable& t, bool admin) {
    QStringList files = {QStringLiteral("index.html")};
    if (admin || t.UserMode == QLatin1String("Login"))
        files << QStringLiteral("login.php");
    if (!admin)
        files << QStringLiteral("inc_counter.php");
    files << QStringLiteral("menu.php");
    for (const QString& file : files)
        if (!pendingPage(*this, t, admin, file))
            return false;
    return true;
}

bool TPHPGenerator::UsersPage(const TBTable& t) {
    return pendingPage(*this, t, true, QStringLiteral("users.php"));
}

bool TPHPGenerator::PasswordPage(const TBTable& t, bool admin) {
    return pendingPage(*this, t, admin, QStringLiteral("change_password.php"));
}

bool TPHPGenerator::ImageDownload(const TBTable& t, bool admin) {
    return pendingPage(*this, t, admin, QStringLiteral("get_image.php"));
}

bool TPHPGenerator::ImagePage(const TBTable& t, bool admin) {
    return pendingPage(*this, t, admin, QStringLiteral("show_image.php"));
}
