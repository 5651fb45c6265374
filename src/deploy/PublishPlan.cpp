#include "PublishPlan.h"

#include "generator/PHPgenerator.h"
#include "model/Store.h"
#include "model/TableFields.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

// Values of the project's key; ProjectStore::Save leaves them alone.
const QString kPublishedTo = QStringLiteral("PublishedTo");
const QString kPublishedFiles = QStringLiteral("PublishedFiles");

QString targetOf(const TBTable& t) {
    return QStringList{t.Transfer, t.Server.trimmed(), t.User, t.PHPPath}.join(u'\n');
}

// A file the plan lists: its digest, and whether it holds the password.
TPublishFile fileOf(const QString& shown, const QString& local, const QString& remote, int steps) {
    TPublishFile f;
    f.Shown = shown;
    f.Local = local;
    f.Remote = remote;
    f.Steps = steps;
    QFile file(local);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        f.Digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
        // Every page opens the database itself, with the password written in.
        f.Secret = remote.endsWith(QLatin1String(".php")) && bytes.contains("mysql_connect(\"");
    }
    return f;
}

void decide(TPublishPlan& plan, const TPublished& published) {
    for (TPublishFile& f : plan.Files)
        f.Send = !f.Remembered || f.Digest.isEmpty() || published.Digest(f.Remote) != f.Digest;
}

} // namespace

TPublished TPublished::Load(const TStore& store, const QString& project, const TBTable& t) {
    TPublished p;
    p.target_ = targetOf(t);
    const TStoreKey root = store.read();
    const TStoreKey* key = root.subkey(project);
    if (!key || key->readString(kPublishedTo).value_or(QString()) != p.target_)
        return p;
    const QString lines = key->readString(kPublishedFiles).value_or(QString());
    for (const QString& line : lines.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype space = line.indexOf(u' ');
        if (space > 0)
            p.digests_.insert(line.mid(space + 1),
                              QByteArray::fromHex(line.left(space).toLatin1()));
    }
    return p;
}

void TPublished::Save(TStore& store, const QString& project) const {
    QStringList lines;
    for (auto i = digests_.cbegin(); i != digests_.cend(); ++i)
        lines << QString::fromLatin1(i.value().toHex()) + u' ' + i.key();
    lines.sort();
    store.update([&](TStoreKey& root) {
        TStoreKey& key = root.createSubkey(project);
        key.writeString(kPublishedTo, target_);
        key.writeString(kPublishedFiles, lines.join(u'\n'));
    });
}

void TPublished::Forget(TStore& store, const QString& project) {
    store.update([&](TStoreKey& root) {
        if (TStoreKey* key = root.subkey(project)) {
            key->deleteValue(kPublishedTo);
            key->deleteValue(kPublishedFiles);
        }
    });
}

qsizetype TPublishPlan::ToSend() const {
    return std::count_if(Files.cbegin(), Files.cend(),
                         [](const TPublishFile& f) { return f.Send; });
}

QString TPublishPlan::TemporaryName(const QString& remote) {
    const qsizetype slash = remote.lastIndexOf(u'/');
    return remote.left(slash + 1) + QStringLiteral(".corvanta-new.") + remote.mid(slash + 1);
}

QStringList TPublishPlan::SiteFolders(const TBTable& t) {
    // Every level of the remote folder, then the folder and its admin.
    const QString php = t.PHPPath;
    QStringList folders;
    for (qsizetype i = 0; i < php.size(); ++i)
        if (php.at(i) == u'/' || php.at(i) == u'\\')
            folders << php.left(i + 1);
    folders << php << php + QStringLiteral("admin");
    return folders;
}

TPublishPlan TPublishPlan::Site(const TBTable& t, const TPublished& published, bool createScript) {
    TPublishPlan plan;
    plan.Cancellable = true;
    const QString php = t.PHPPath;
    const QString admin = php + QStringLiteral("admin/");

    plan.Folders = SiteFolders(t);

    // Gauge steps of pages not sent, credited with the next file.
    int owed = 0;
    const auto page = [&](const QString& name, bool inAdmin = false, bool counts = true) {
        const QString shown = (inAdmin ? QStringLiteral("admin/") : QString()) + name;
        plan.Files << fileOf(shown, TPHPGenerator::OutputPath(t, inAdmin, name),
                             (inAdmin ? admin : php) + name, (counts ? 1 : 0) + owed);
        owed = 0;
    };
    const auto drop = [&](const QString& remote) { plan.Deletions << remote; };

    page(QStringLiteral("runtime.php"), false, false);
    page(QStringLiteral("site.js"), false, false);
    page(QStringLiteral(".htaccess"), false, false);
    page(QStringLiteral("index.html"));
    page(QStringLiteral("index.php"), false, false);
    if (t.UserMode == QLatin1String("Login"))
        page(QStringLiteral("login.php"));
    page(QStringLiteral("menu.php"));
    page(QStringLiteral("inc_counter.php"));
    if (TPHPGenerator::HasVisitorSessions(t))
        page(QStringLiteral("logout.php"), false, false);
    for (const char* name : {"add_record.php", "modify_record.php", "delete_record.php"}) {
        if (t.UserUpdate) {
            page(QString::fromLatin1(name));
        } else {
            drop(php + QString::fromLatin1(name));
            ++owed;
        }
    }
    page(QStringLiteral("search.php"));
    page(QStringLiteral("record.php"), false, false);
    if (t.AllowChangePassword)
        page(QStringLiteral("change_password.php"));
    else
        drop(php + QStringLiteral("change_password.php"));
    page(QStringLiteral("get_image.php"));
    page(QStringLiteral("show_image.php"));
    if (TPHPGenerator::NeedsConfirmation(t))
        page(QStringLiteral("confirm.php"), false, false);
    else
        drop(php + QStringLiteral("confirm.php"));

    page(QStringLiteral("runtime.php"), true, false);
    page(QStringLiteral("site.js"), true, false);
    page(QStringLiteral(".htaccess"), true, false);
    for (const char* name : {"index.html", "menu.php", "login.php", "add_record.php",
                             "modify_record.php", "delete_record.php", "search.php"})
        page(QString::fromLatin1(name), true);
    page(QStringLiteral("index.php"), true, false);
    page(QStringLiteral("record.php"), true, false);
    page(QStringLiteral("logout.php"), true, false);
    if (t.MembersRule()) {
        page(QStringLiteral("users.php"), true);
        page(QStringLiteral("change_password.php"), true);
    } else {
        drop(admin + QStringLiteral("users.php"));
        drop(admin + QStringLiteral("change_password.php"));
    }
    // The schema script has its step on the gauge whether it is sent or not.
    ++owed;
    if (createScript) {
        page(QStringLiteral("create_db.php"), false, false);
        plan.Files.back().Remembered = false;
    }
    page(QStringLiteral("get_image.php"), true);
    page(QStringLiteral("show_image.php"), true);

    // Style sheet, background and logos, where the files exist: one step
    // each, whether they go to one folder or two.
    const auto siteFile = [&](const QString& local, bool visitor, bool inAdmin) {
        if (local.isEmpty() || !QFileInfo(local).isFile())
            return;
        const QString name = QFileInfo(local).fileName();
        QStringList folders;
        if (visitor)
            folders << php;
        if (inAdmin)
            folders << admin;
        for (const QString& folder : folders) {
            plan.Files << fileOf(name, local, folder + name, 0);
            plan.Files.back().Binary = true;
        }
        plan.Files.back().Steps = 1;
    };
    siteFile(TPHPGenerator::SkinPath(t), true, true);
    siteFile(t.BGImage, true, true);
    siteFile(t.Logo, true, false);
    siteFile(t.AdminLogo, false, true);

    decide(plan, published);
    return plan;
}

TPublishPlan TPublishPlan::Script(const TBTable& t, const QString& script,
                                  const TPublished& published) {
    TPublishPlan plan;
    const QString runtime = QStringLiteral("runtime.php");
    // The runtime first: the script is never there without the runtime it loads.
    plan.Files << fileOf({}, TPHPGenerator::OutputPath(t, false, runtime), t.PHPPath + runtime, 0);
    plan.Files << fileOf({}, TPHPGenerator::OutputPath(t, false, script), t.PHPPath + script, 0);
    plan.Files.back().Remembered = false;
    decide(plan, published);
    return plan;
}
