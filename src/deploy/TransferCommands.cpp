// Record import (download into text files) and export (text files into the
// live tables), each through a maintenance script it sends, requests and
// deletes again.
#include "Deployment.h"

#include "ScriptAnswer.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QSaveFile>

namespace {

const QString kImportScript = QStringLiteral("import_db.php");
const QString kCountScript = QStringLiteral("export_db_0.php");
const QString kDataScript = QStringLiteral("export_db.php");

QString charSet(const TBTable& t) {
    return t.Language.Text(QStringLiteral("CharSet"));
}

// Writes the file anew; an older file stays whole when writing fails. The
// files hold the records and the members' passwords: their owner's only.
bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
           file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

bool TDeployment::transferMayStart(const TBTable& t, bool changed, const QString& notice) {
    if (changed) {
        refuse(QStringLiteral("Save the database first."));
        return false;
    }
    port_.ShowInformation(notice);
    if (!internetAvailable(t)) {
        refuse(QStringLiteral("No internet connection available."));
        return false;
    }
    if (!checkWebServer(t, QString())) {
        port_.FocusMain();
        finish(false);
        return false;
    }
    return true;
}

bool TDeployment::chooseTextFiles(const TBTable& t, bool saving, TPending& pending) {
    pending.records = port_.ChooseFile(saving ? TFileChoice::SaveData : TFileChoice::OpenData);
    if (pending.records.isEmpty())
        return false;
    // Only a site with members has a users file.
    if (t.MembersRule()) {
        pending.users = port_.ChooseFile(saving ? TFileChoice::SaveUsers : TFileChoice::OpenUsers);
        if (pending.users.isEmpty())
            return false;
    }
    pending.images = port_.ChooseFile(saving ? TFileChoice::SaveImages : TFileChoice::OpenImages);
    return !pending.images.isEmpty();
}

// --- Import

void TDeployment::Import(const TBTable& t, bool changed) {
    begin();
    guarded([&] {
        if (!transferMayStart(t, changed,
                              QStringLiteral("Corvanta Generator will download content of your "
                                             "database and save it as textfile to your local "
                                             "disk.\r Be sure you are connected to the internet.")))
            return;
        port_.ProgressSetMaximum(5);
        TPending pending{t, {}, {}, {}, false};
        if (!chooseTextFiles(t, true, pending))
            return finish(false);
        if (!generateScript(t, [&] { return generator_.DownloadScript(t); }))
            return finish(false);

        port_.ProgressSetPosition(0);
        port_.SetMainEnabled(false);
        port_.ProgressSetText(QStringLiteral("Importing database..."));
        port_.ProgressShow();
        try {
            announced_ = false;
            connectFtp(t);
            port_.ProgressSetPosition(1);
            uploadScript(t, kImportScript);
            port_.ProgressSetPosition(2);
            port_.ProgressSetPosition(3);
            ftp_.Disconnect();
        } catch (const ENetError& e) {
            endAfterFailure(e, QStringLiteral("Import failed. "));
            return;
        }
        pending_ = std::move(pending);
        running_ = true;
        postStage2_(kImportScript);
    });
}

void TDeployment::importStage2() {
    const TPending p = *pending_;
    const TBTable& t = p.table;
    const QString fallback = QStringLiteral("Error. Database not imported.");
    bool imported = false;
    try {
        const QByteArray body = request(t, kImportScript);
        port_.ProgressSetPosition(4);
        if (body.isEmpty()) {
            port_.ShowWarning(fallback);
        } else if (ScriptAnswer::Has(body, "corvanta_error")) {
            const QString text = ScriptAnswer::Text(body, "corvanta_error", 100, false, charSet(t));
            port_.ShowWarning(text.isEmpty() ? fallback : text);
        } else {
            const QByteArray records = ScriptAnswer::Between(body, "start_of_data", "end_of_data");
            const QByteArray users = ScriptAnswer::Between(body, "start_of_users", "end_of_users");
            const QByteArray images =
                ScriptAnswer::Between(body, "start_of_images", "end_of_images");
            if (records.isNull() || users.isNull() || images.isNull()) {
                port_.ShowWarning(fallback);
            } else {
                QList<std::pair<QString, QByteArray>> files = {{p.records, records}};
                if (t.MembersRule())
                    files.append({p.users, users});
                files.append({p.images, images});
                for (const auto& [path, bytes] : files) {
                    if (!writeFile(path, bytes)) {
                        port_.ShowWarning(QStringLiteral("File access error to ") + path);
                        // Kept as it was: the script stays on the server.
                        port_.ProgressHide();
                        port_.SetMainEnabled(true);
                        finish(false);
                        return;
                    }
                }
                port_.ProgressSetPosition(5);
                imported = true;
                port_.ShowInformation(QStringLiteral("Database has been imported successfully."));
            }
        }
    } catch (const ENetError& e) {
        requestFailed(
            e, QStringLiteral("Database import failed. No response from the specified URL."));
    }
    removeScript(t, kImportScript);
    endWindows();
    finish(imported);
}

// --- Export

void TDeployment::Export(const TBTable& t, bool changed) {
    begin();
    guarded([&] {
        if (!transferMayStart(t, changed,
                              QStringLiteral("Corvanta Generator will upload your Datafile to "
                                             "Server now. Be sure you are connected to the "
                                             "internet.Select the text file you want upload.")))
            return;
        port_.ProgressSetMaximum(11);
        TPending pending{t, {}, {}, {}, false};
        if (!chooseTextFiles(t, false, pending))
            return finish(false);
        if (!generateScript(t, [&] { return generator_.RecordCountScript(t); }))
            return finish(false);

        port_.ProgressSetPosition(0);
        port_.SetMainEnabled(false);
        port_.ProgressSetText(QStringLiteral("Exporting database ") + pending.records +
                              QStringLiteral("..."));
        port_.ProgressShow();
        try {
            announced_ = false;
            connectFtp(t);
            port_.ProgressSetPosition(1);
            uploadScript(t, kCountScript);
            port_.ProgressSetPosition(2);
            ftp_.Disconnect();
        } catch (const ENetError& e) {
            endAfterFailure(e, QStringLiteral("Export failed. "));
            return;
        }
        pending_ = std::move(pending);
        running_ = true;
        postStage2_(kCountScript);
    });
}

void TDeployment::exportCountStage2() {
    TPending& p = *pending_;
    const TBTable& t = p.table;
    const QString fallback = QStringLiteral("Error. External file not exported.");
    // Ends the command after a count that does not let it go on.
    const auto giveUp = [&] {
        removeScript(t, kCountScript);
        port_.ProgressHide();
        port_.SetMainEnabled(true);
        finish(false);
    };
    QString count;
    try {
        const QByteArray body = request(t, kCountScript);
        port_.ProgressSetPosition(3);
        if (body.isEmpty()) {
            port_.ShowWarning(fallback);
            return giveUp();
        }
        if (!ScriptAnswer::Has(body, "corvanta_ok")) {
            const QString text = ScriptAnswer::Text(body, "corvanta_error", 100, false, charSet(t));
            port_.ShowWarning(text.isEmpty() ? fallback : text);
            return giveUp();
        }
        count = ScriptAnswer::Text(body, "corvanta_ok", 100, false, charSet(t));
        if (count.isEmpty()) {
            port_.ShowInformation(QStringLiteral("External file not exported."));
            return giveUp();
        }
    } catch (const ENetError& e) {
        requestFailed(
            e, QStringLiteral("Database export failed. No response from the specified URL."));
        return giveUp();
    }
    p.replace =
        port_.AskExport(QStringLiteral("Table (") + t.TableName + QStringLiteral(") with ") +
                        count + QStringLiteral(" lines already exist on the server.")) ==
        TExportChoice::Replace;

    port_.ProgressSetPosition(4);
    removeScript(t, kCountScript);
    port_.ProgressSetPosition(5);
    if (!generator_.UploadScript(t, p.records, p.users, p.replace, p.images)) {
        disconnectQuietly();
        port_.ProgressHide();
        port_.SetMainEnabled(true);
        finish(false);
        return;
    }
    try {
        announced_ = false;
        port_.ProgressSetPosition(6);
        connectFtp(t);
        port_.ProgressSetPosition(7);
        uploadScript(t, kDataScript);
        port_.ProgressSetPosition(8);
        port_.ProgressSetPosition(9);
        ftp_.Disconnect();
    } catch (const ENetError& e) {
        // The script may have arrived in part; it must not stay.
        removeScript(t, kDataScript);
        endAfterFailure(e, QStringLiteral("Export failed. "));
        return;
    }
    exportDataStage2();
}

void TDeployment::exportDataStage2() {
    const TBTable t = pending_->table;
    const QString fallback = QStringLiteral("Error. External file not exported.");
    bool exported = false;
    try {
        const QByteArray body = request(t, kDataScript);
        port_.ProgressSetPosition(10);
        if (body.isEmpty()) {
            port_.ShowWarning(fallback);
        } else if (!ScriptAnswer::Has(body, "corvanta_ok")) {
            const QString text =
                ScriptAnswer::Text(body, "corvanta_error", 1000, false, charSet(t));
            port_.ShowWarning(text.isEmpty() ? fallback : text);
        } else {
            const QString text = ScriptAnswer::Text(body, "corvanta_ok", 1000, false, charSet(t));
            port_.ProgressSetPosition(11);
            exported = !text.isEmpty();
            port_.ShowInformation(text.isEmpty() ? QStringLiteral("External file not exported.")
                                                 : text);
        }
    } catch (const ENetError& e) {
        requestFailed(
            e, QStringLiteral("Database export failed. No response from the specified URL."));
    }
    removeScript(t, kDataScript);
    endWindows();
    finish(exported);
}
