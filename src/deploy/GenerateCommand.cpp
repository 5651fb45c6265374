// Generate: the site's files in the local folder, and the generating report.
#include "Deployment.h"

#include "SiteFiles.h"

#include <algorithm>
#include <utility>
#include <vector>

bool TDeployment::generateSite(const TBTable& t, bool uploadOrder) {
    TPHPGenerator& g = generator_;
    const QString admin = QStringLiteral("admin/");
    using TStep = std::pair<std::function<bool()>, QString>;
    std::vector<TStep> steps = {
        {[&] { return g.CreateScript(t); }, QStringLiteral("create_db.php")},
        {[&] { return g.RuntimeScript(t, false); }, QStringLiteral("runtime.php")},
        {[&] { return g.SiteScript(t, false); }, QStringLiteral("site.js")},
        {[&] { return g.ServerRules(t, false); }, QStringLiteral(".htaccess")},
        {[&] { return g.EntryPages(t, false); }, QStringLiteral("index.html")},
    };
    if (t.UserUpdate) {
        steps.push_back({[&] { return g.AddPage(t, false); }, QStringLiteral("add_record.php")});
        steps.push_back(
            {[&] { return g.ModifyPage(t, false); }, QStringLiteral("modify_record.php")});
        steps.push_back(
            {[&] { return g.DeletePage(t, false); }, QStringLiteral("delete_record.php")});
    }
    steps.push_back({[&] { return g.SearchPage(t, false); }, QStringLiteral("search.php")});
    if (t.AllowChangePassword)
        steps.push_back(
            {[&] { return g.PasswordPage(t, false); }, QStringLiteral("change_password.php")});
    steps.push_back({[&] { return g.ImageDownload(t, false); }, QStringLiteral("get_image.php")});
    steps.push_back({[&] { return g.ImagePage(t, false); }, QStringLiteral("show_image.php")});
    if (TPHPGenerator::NeedsConfirmation(t))
        steps.push_back({[&] { return g.ConfirmPage(t); }, QStringLiteral("confirm.php")});

    steps.push_back({[&] { return g.RuntimeScript(t, true); }, admin + "runtime.php"});
    steps.push_back({[&] { return g.SiteScript(t, true); }, admin + "site.js"});
    steps.push_back({[&] { return g.ServerRules(t, true); }, admin + ".htaccess"});
    steps.push_back({[&] { return g.EntryPages(t, true); }, admin + "index.html"});
    const TStep add = {[&] { return g.AddPage(t, true); }, admin + "add_record.php"};
    const TStep modify = {[&] { return g.ModifyPage(t, true); }, admin + "modify_record.php"};
    const TStep remove = {[&] { return g.DeletePage(t, true); }, admin + "delete_record.php"};
    // Upload writes the administrator's delete page before the modify page.
    if (uploadOrder)
        steps.insert(steps.end(), {add, remove, modify});
    else
        steps.insert(steps.end(), {add, modify, remove});
    steps.push_back({[&] { return g.SearchPage(t, true); }, admin + "search.php"});
    if (t.MembersRule()) {
        steps.push_back({[&] { return g.UsersPage(t); }, admin + "users.php"});
        steps.push_back({[&] { return g.PasswordPage(t, true); }, admin + "change_password.php"});
    }
    steps.push_back({[&] { return g.ImageDownload(t, true); }, admin + "get_image.php"});
    steps.push_back({[&] { return g.ImagePage(t, true); }, admin + "show_image.php"});

    for (const auto& [step, file] : steps) {
        bool written = false;
        try {
            written = step();
        } catch (const EInOutError& e) {
            // Written in part: the file must not pass for generated.
            port_.ShowError(e.Message());
        }
        if (!written) {
            port_.ShowWarning(QStringLiteral("Generating ") + file + QStringLiteral(" failed."));
            return false;
        }
    }
    return true;
}

QStringList TDeployment::SiteUseWarnings(const TBTable& t) {
    // What visitors see of the fields: a hidden field is the administrator's.
    const auto any = [&t](bool TBField::*flag) {
        return std::any_of(t.Fields.begin(), t.Fields.end(), [flag](const TBField& f) {
            return f.SeqNo > 0 && f.*flag && !f.Hidden;
        });
    };
    const QString how = QStringLiteral(
        "To change that, open a field with Field > Modify and tick %1 on its page \"Appearance on "
        "the web\", then generate and upload again.");
    QStringList lines;
    if (!any(&TBField::Searchable))
        lines << QStringLiteral("No field is searchable: the search page of the site offers "
                                "visitors no field to search. ") +
                     how.arg(QStringLiteral("\"Searchable\""));
    if (!any(&TBField::Visible))
        lines << QStringLiteral("No field is visible in the results: visitors see only the "
                                "numbers of the records found. ") +
                     how.arg(QStringLiteral("\"Visible in result\""));
    return lines;
}

void TDeployment::Generate(const TBTable& t, bool changed) {
    begin();
    guarded([&] {
        if (!checkProject(t, changed) || !makeLocalFolders(t))
            return;
        port_.SetMainEnabled(false);
        if (!generateSite(t, false)) {
            port_.SetMainEnabled(true);
            port_.FocusMain();
            finish(false);
            return;
        }

        TReport report;
        report.Title = QStringLiteral("Generating report");
        report.AddHeading(QStringLiteral("Generating report"));
        report.AddLine();
        report.AddLine(QStringLiteral("Generating process was successful."), true);
        for (const QString& line : SiteUseWarnings(t))
            report.AddLine(line, true);
        report.AddLine();
        report.AddLine(QStringLiteral("The following files were created:"), true);
        for (const QString& file : SiteFiles::Visitor(t))
            report.AddLine(QStringLiteral("  ") + file);
        for (const QString& file : SiteFiles::Admin(t))
            report.AddLine(QStringLiteral("  admin/") + file);
        report.AddLine();
        report.AddLine(QStringLiteral("You can find your generated files at:"), true);
        report.AddLine(t.LocalPath);
        report.AddLine();
        report.AddLine(QStringLiteral(
            "You can upload your files manually or use Corvanta's upload function."));
        report.AddLine(QStringLiteral("If you wish to upload your files via Corvanta, please fill "
                                      "in all necessary settings accurately."));
        port_.SaveAndShowReport(report, t.LocalPath + QStringLiteral("Generate.log"));
        port_.SetMainEnabled(true);
        port_.FocusMain();
        finish(true);
    });
}
