// Remove: the project from this computer, the site and its tables from the
// server, or both.
#include "Deployment.h"

#include "PublishPlan.h"
#include "ScriptAnswer.h"
#include "SiteFiles.h"
#include "model/ProjectStore.h"
#include "net/FtpClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kRemoveScript = QStringLiteral("remove_db.php");

} // namespace

void TDeployment::RemoveDatabase(const QString& name) {
    begin();
    guarded([&] {
        const TBTable t = ProjectStore::Load(store_, name);
        const TRemoveChoice choice =
            port_.AskRemove(name, ProjectStore::ReadUploaded(store_, name));
        if (choice == TRemoveChoice::Cancel)
            return finish(false);
        if (choice == TRemoveChoice::DownloadFirst) {
            port_.ShowWarning(QStringLiteral("Open the Database and Press the Button "
                                             "\r\"Download Data from Database\" in the toolbar."));
            return finish(false);
        }
        const bool settings = choice != TRemoveChoice::ServerOnly;
        const bool server = choice != TRemoveChoice::SettingsOnly;

        port_.WaitShow(QStringLiteral("Removing Database ") + name +
                       QStringLiteral(". Please, wait ..."));
        bool succeeded = true;
        if (server) {
            const TServerRemoval removal = removeFromServer(t, name);
            if (removal == TServerRemoval::Aborted)
                return finish(false);
            succeeded = removal == TServerRemoval::Removed;
        }
        if (settings) {
            removeLocalFiles(t);
            ProjectStore::Remove(store_, name);
        }
        if (!server) {
            port_.WaitHide();
            port_.ShowMessage(QStringLiteral("Database ") + name +
                              QStringLiteral(" has been removed successfully."));
        }
        finish(succeeded);
    });
}

TDeployment::TServerRemoval TDeployment::removeFromServer(const TBTable& t, const QString& name) {
    if (!internetAvailable(t)) {
        port_.ShowWarning(QStringLiteral("No internet connection available. Process aborted."));
        port_.WaitHide();
        return TServerRemoval::Aborted;
    }
    if (!checkWebServer(t, QStringLiteral("Remove failed. "))) {
        port_.WaitHide();
        return TServerRemoval::Aborted;
    }
    if (!generateScript(t, [&] { return generator_.RemoveScript(t); })) {
        port_.ShowWarning(QStringLiteral("Generating remove_db.php failed."));
        port_.WaitHide();
        return TServerRemoval::Aborted;
    }
    try {
        announced_ = false;
        connectFtp(t);
        uploadScript(t, kRemoveScript);
        ftp_.Disconnect();
    } catch (const ENetError& e) {
        disconnectQuietly();
        port_.ShowMessage(QStringLiteral("Remove failed. ") + e.message());
        port_.WaitHide();
        return TServerRemoval::Aborted;
    }

    bool dropped = false;
    // An upload that stopped half-way may not have made the tables: its
    // files go all the same.
    const bool incomplete = ProjectStore::ReadUploadIncomplete(store_, name);
    const QString fallback = QStringLiteral("Error. Database not removed.");
    try {
        const QByteArray body = request(t, kRemoveScript);
        if (ScriptAnswer::Has(body, "corvanta_ok")) {
            dropped = true;
        } else if (incomplete) {
            dropped = true;
        } else if (body.isEmpty()) {
            port_.ShowWarning(fallback);
        } else {
            const QString text =
                ScriptAnswer::Text(body, "corvanta_error", 100, false, t.PageCharSet());
            port_.ShowWarning(text.isEmpty() ? fallback : text);
        }
    } catch (const ENetError& e) {
        requestFailed(
            e, QStringLiteral("Database deletion failed. No response from the specified URL."));
    }

    bool removed = false;
    if (dropped) {
        const QString php = t.PHPPath;
        const QString admin = php + QStringLiteral("admin/");
        const auto fileName = [](const QString& path) { return QFileInfo(path).fileName(); };
        // The files go, with any temporary copy a failed upload left.
        const auto deleteFile = [&](const QString& remote) {
            deleteQuietly(remote);
            deleteQuietly(TPublishPlan::TemporaryName(remote));
        };
        // Whatever happens now, the server no longer holds what was recorded.
        TPublished::Forget(store_, name);
        try {
            connectFtp(t);
            for (const QString& file : SiteFiles::RemoteVisitor())
                deleteFile(php + file);
            for (const QString& file : SiteFiles::RemoteAdmin())
                deleteFile(admin + file);
            deleteFile(php + QStringLiteral("create_db.php"));
            const QList<std::pair<QString, QStringList>> siteFiles = {{t.Skin, {php, admin}},
                                                                      {t.BGImage, {php, admin}},
                                                                      {t.Logo, {php}},
                                                                      {t.AdminLogo, {admin}}};
            for (const auto& [path, folders] : siteFiles)
                if (!fileName(path).isEmpty())
                    for (const QString& folder : folders)
                        deleteFile(folder + fileName(path));
            deleteFile(php + kRemoveScript);
            // Scripts an interrupted import, export or upload may have left behind.
            for (const char* script :
                 {"import_db.php", "export_db_0.php", "export_db.php",
                  "corvanta_tables/columns_db.php", "corvanta_tables/alter_db.php",
                  "corvanta_tables/import_db.php", "corvanta_tables/runtime.php"})
                deleteFile(php + QString::fromLatin1(script));
            try {
                ftp_.RemoveDir(php + QStringLiteral("corvanta_tables"));
            } catch (const FTPException&) {
            }
            try {
                ftp_.RemoveDir(php + QStringLiteral("admin"));
            } catch (const FTPException&) {
                // Not empty: files of the owner's stay.
            }
            ftp_.Disconnect();
            port_.WaitHide();
            port_.ShowMessage(QStringLiteral("Database ") + name +
                              QStringLiteral(" has been removed successfully."));
            removed = true;
        } catch (const ENetError& e) {
            disconnectQuietly();
            port_.ShowMessage(QStringLiteral("Remove failed. ") + e.message());
        }
    }
    port_.WaitHide();
    port_.ProgressHide();
    port_.SetMainEnabled(true);
    return removed ? TServerRemoval::Removed : TServerRemoval::Failed;
}

void TDeployment::removeLocalFiles(const TBTable& t) {
    // Only the files this program writes, and only in a folder named in
    // full: a relative or empty path would point at whatever folder the
    // program happens to run in.
    if (t.LocalPath.isEmpty() || QDir::isRelativePath(t.LocalPath))
        return;
    const QDir local(t.LocalPath);
    const QDir admin(local.filePath(QStringLiteral("admin")));
    for (const QString& file : SiteFiles::OwnAdmin())
        QFile::remove(admin.filePath(file));
    local.rmdir(QStringLiteral("admin")); // only when nothing else is in it
    for (const QString& file : SiteFiles::OwnVisitor())
        QFile::remove(local.filePath(file));
}
