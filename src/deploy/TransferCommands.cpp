// Record import (download into text files) and export (text files into the
// live tables), each through a maintenance script it sends, requests and
// deletes again.
#include "Deployment.h"
#include "model/ProjectJson.h"

#include "DownloadReader.h"
#include "ScriptAnswer.h"
#include "SheetWriter.h"
#include "TempFolder.h"
#include "model/ProjectCheck.h"
#include "model/ProjectStore.h"
#include "model/RecordFiles.h"
#include "model/RecordLayout.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString kImportScript = QStringLiteral("import_db.php");
const QString kCountScript = QStringLiteral("export_db_0.php");
const QString kDataScript = QStringLiteral("export_db.php");

QString charSet(const TBTable& t) {
    return t.PageCharSet();
}

} // namespace

bool TDeployment::transferMayStart(const TBTable& t, bool changed, const QString& notice) {
    if (changed) {
        refuse(QStringLiteral("Save the database first."));
        return false;
    }
    port_.ShowInformation(notice);
    if (const TDefinitionCheck problem = CheckDelimiters(t)) {
        refuse(problem->Message, settingsPageOf(problem->Setting), JsonPlacesOf(t, *problem));
        return false;
    }
    TTempFolder::RemoveLeftovers();
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
    // Only a site with members has a users file: records keep their owners.
    if (SiteHasMembers(t)) {
        pending.users = port_.ChooseFile(saving ? TFileChoice::SaveUsers : TFileChoice::OpenUsers);
        if (pending.users.isEmpty())
            return false;
    }
    pending.images = port_.ChooseFile(saving ? TFileChoice::SaveImages : TFileChoice::OpenImages);
    return !pending.images.isEmpty();
}

// --- Import

void TDeployment::Import(const TBTable& t, bool changed) {
    importFiles(t, changed, nullptr);
}

void TDeployment::ImportSheet(const TBTable& t, bool changed, const QString& path) {
    // The download goes into files of a private folder first; the
    // spreadsheet is written from them once all has come.
    auto folder = std::make_shared<QTemporaryDir>();
    TPending pending{t, folder->filePath(QStringLiteral("records.txt")),
                     folder->filePath(QStringLiteral("users.txt")),
                     folder->filePath(QStringLiteral("images.txt")), false};
    pending.sheet = path;
    pending.hold = folder;
    importFiles(t, changed, &pending);
}

void TDeployment::importFiles(const TBTable& t, bool changed, TPending* given) {
    begin();
    guarded([&] {
        if (!transferMayStart(
                t, changed,
                given ? QStringLiteral("Corvanta Generator will download the records of your "
                                       "database into the spreadsheet %1.\rBe sure you are "
                                       "connected to the internet.")
                            .arg(given->sheet)
                      : QStringLiteral("Corvanta Generator will download the content of your "
                                       "database and save it in text files on your local "
                                       "disk.\rBe sure you are connected to the internet.")))
            return;
        port_.ProgressSetMaximum(5);
        TPending pending{t, {}, {}, {}, false};
        if (given)
            pending = *given;
        else if (!chooseTextFiles(t, true, pending))
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
            // The session stays open: the script goes again on it.
        } catch (const ENetError& e) {
            endAfterFailure(e, QStringLiteral("Import failed. "));
            return;
        }
        pending_ = std::move(pending);
        running_ = true;
        postStage2_(kImportScript);
    });
}

TDeployment::TDownload TDeployment::downloadRecords(const TBTable& t, const QStringList& paths,
                                                    const QString& query, const QString& folder) {
    // Each file is written anew as the answer arrives; an older file stays
    // whole unless the whole answer came.
    std::array<std::unique_ptr<QSaveFile>, 3> files;
    for (size_t i = 0; i < files.size(); ++i) {
        if (paths.value(qsizetype(i)).isEmpty())
            continue;
        files[i] = std::make_unique<QSaveFile>(paths[qsizetype(i)]);
        // The files hold the records and the members' passwords: their owner's only.
        if (!files[i]->open(QIODevice::WriteOnly) ||
            !files[i]->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return {TDownload::FileFailed, paths[qsizetype(i)]};
    }
    TDownloadReader reader(TRecordFormat::Of(t), {files[0].get(), files[1].get(), files[2].get()});
    // The answer goes into the files as it arrives, in bounded memory.
    qint64 shown = 0;
    http_.OnBody = [&](const QByteArray& block) {
        reader.Feed(block);
        if (reader.Lines(0) >= shown + 5000) {
            shown = reader.Lines(0);
            port_.ProgressSetText(QStringLiteral("Importing database... %1 records").arg(shown));
        }
    };
    const auto stopStreaming = qScopeGuard([&] { http_.OnBody = nullptr; });
    request(t, kImportScript, query, folder);
    if (reader.ScriptError())
        return {TDownload::ScriptError,
                ScriptAnswer::Text(ScriptAnswer::Marker("corvanta_error") + reader.ErrorText(),
                                   "corvanta_error", 100, false, charSet(t))};
    if (!reader.Complete())
        return {TDownload::Incomplete, {}};
    for (size_t i = 0; i < files.size(); ++i)
        if (files[i] && (reader.SinkFailed() == int(i) || !files[i]->commit()))
            return {TDownload::FileFailed, paths[qsizetype(i)]};
    return {TDownload::Done, {}};
}

void TDeployment::importStage2() {
    const TPending p = *pending_;
    const TBTable& t = p.table;
    const QString fallback = QStringLiteral("Error. Database not imported.");
    const QStringList paths = {p.records, SiteHasMembers(t) ? p.users : QString(), p.images};
    bool imported = false;
    try {
        // What an export that could not end cleanly left on the server goes
        // first.
        const QString leftover = transferRuns(t).join(u',');
        const TDownload download = downloadRecords(
            t, paths, leftover.isEmpty() ? QString() : QStringLiteral("leftover=") + leftover);
        if (download.Result == TDownload::FileFailed)
            return importFileFailed(download.Text);
        if (!leftover.isEmpty() && download.Result == TDownload::Done)
            rememberTransferRun(t, QString());
        port_.ProgressSetPosition(4);
        if (download.Result == TDownload::ScriptError) {
            port_.ShowWarning(download.Text.isEmpty() ? fallback : download.Text);
        } else if (download.Result == TDownload::Incomplete) {
            port_.ShowWarning(fallback);
        } else {
            port_.ProgressSetPosition(5);
            if (!p.sheet.isEmpty()) {
                imported = writeSheet(p);
            } else {
                imported = true;
                port_.ShowInformation(QStringLiteral("Database has been imported successfully."));
            }
        }
    } catch (const ENetError& e) {
        requestFailed(
            e, QStringLiteral("Database import failed. No response from the specified URL."));
    }
    removeScript(t, kImportScript, true);
    endWindows();
    finish(imported);
}

bool TDeployment::writeSheet(const TPending& p) {
    TSheetWriter writer(p.table, {p.records, p.users, p.images});
    if (!writer.Write(p.sheet, SheetFormatOf(p.sheet))) {
        port_.ShowWarning(writer.Error());
        return false;
    }
    QString text =
        QStringLiteral("%1 records have been written to %2.").arg(writer.Rows()).arg(p.sheet);
    if (writer.Pictures() > 0)
        text += QStringLiteral(" Their %1 pictures are in the folder %2 beside it.")
                    .arg(writer.Pictures())
                    .arg(TSheetWriter::PictureFolder(p.sheet));
    port_.ShowInformation(text + QStringLiteral(" Members, owners and field locks are not in "
                                                "a spreadsheet: only the records files keep "
                                                "them."));
    return true;
}

void TDeployment::importFileFailed(const QString& path) {
    port_.ShowWarning(QStringLiteral("File access error to ") + path);
    // Kept as it was: the script stays on the server.
    disconnectQuietly();
    port_.ProgressHide();
    port_.SetMainEnabled(true);
    finish(false);
}

// --- Export

void TDeployment::Export(const TBTable& t, bool changed) {
    exportFiles(t, changed, nullptr);
}

void TDeployment::ExportSheet(const TBTable& t, bool changed, const TExportFiles& files,
                              std::shared_ptr<const void> hold,
                              std::function<QString(const TRefusal&)> describe) {
    TPending pending{t, files.Records, files.Users, files.Images, false};
    pending.keepMembers = true;
    pending.hold = std::move(hold);
    pending.describe = std::move(describe);
    exportFiles(t, changed, &pending);
}

void TDeployment::exportFiles(const TBTable& t, bool changed, TPending* given) {
    begin();
    guarded([&] {
        if (!transferMayStart(
                t, changed,
                given ? QStringLiteral("Corvanta Generator will send the records of the "
                                       "spreadsheet to the server now. Be sure you are "
                                       "connected to the internet.")
                      : QStringLiteral("Corvanta Generator will upload your data files "
                                       "to the server now. Be sure you are connected to "
                                       "the internet.\rSelect the text files you want to "
                                       "upload.")))
            return;
        port_.ProgressSetMaximum(11);
        TPending pending{t, {}, {}, {}, false};
        if (given)
            pending = *given;
        else if (!chooseTextFiles(t, false, pending))
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
            // The session stays open for the rest of the export.
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
        removeScript(t, kCountScript, true);
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
                        count + QStringLiteral(" lines already exists on the server.")) ==
        TExportChoice::Replace;

    port_.ProgressSetPosition(4);
    try {
        deleteOnSession(t, kCountScript);
    } catch (const ENetError&) {
    }
    port_.ProgressSetPosition(5);
    if (!generateScript(t, [&] { return generator_.UploadScript(t); })) {
        disconnectQuietly();
        port_.ProgressHide();
        port_.SetMainEnabled(true);
        finish(false);
        return;
    }
    try {
        announced_ = false;
        port_.ProgressSetPosition(6);
        port_.ProgressSetPosition(7);
        onSession(t, [&] { uploadScript(t, kDataScript); });
        port_.ProgressSetPosition(8);
        port_.ProgressSetPosition(9);
    } catch (const ENetError& e) {
        // The script may have arrived in part; it must not stay.
        removeScript(t, kDataScript);
        endAfterFailure(e, QStringLiteral("Export failed. "));
        return;
    }
    exportDataStage2();
}
