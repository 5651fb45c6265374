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

bool TPHPGenerator::AddPage(const TBTable& t, bool admin) {
    return pendingPage(*this, t, admin, QStringLiteral("add_record.php"));
}

bool TPHPGenerator::ModifyPage(const TBTable& t, bool admin) {
    return pendingPage(*this, t, admin, QStringLiteral("modify_record.php"));
}

bool TPHPGenerator::DeletePage(const TBTable& t, bool admin) {
    return pendingPage(*this, t, admin, QStringLiteral("delete_record.php"));
}

bool TPHPGenerator::SearchPage(const TBTable& t, bool admin) {
    return pendingPage(*this, t, admin, QStringLiteral("search.php"));
}
