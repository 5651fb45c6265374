// The data stage of Export: the records go to the server in parts, each
// staged there, and go live in one step at the end. A failure, a Cancel or a
// refused value before that step leaves the live tables as they were.
#include "Deployment.h"

#include "ExportRun.h"
#include "ScriptAnswer.h"
#include "model/RecordLayout.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"

#include "TempFolder.h"
#include "model/ProjectStore.h"

#include <QDir>

#include <algorithm>
#include <optional>

namespace {

const QString kDataScript = QStringLiteral("export_db.php");
const QString kUnchanged = QStringLiteral(" The records on the server are unchanged.");
const QString kNoResponse =
    QStringLiteral("Database export failed. No response from the specified URL.");

// Ends the sending early; what to tell is known by then.
struct TExportStopped {};

QString partName(int part) {
    return QStringLiteral("export_db_part%1.php").arg(part);
}

// What a step of the script answered.
struct TJobAnswer {
    bool Ok = false;
    bool Error = false; // the script said why it did not do the step
    QString Text;       // of the ok paragraph, or of the error paragraph
    QList<QByteArray> Refused;
};

TJobAnswer readAnswer(const QByteArray& body, const QString& charSet) {
    TJobAnswer a;
    a.Ok = ScriptAnswer::Has(body, "corvanta_ok");
    a.Error = ScriptAnswer::Has(body, "corvanta_error");
    a.Text =
        ScriptAnswer::Text(body, a.Ok ? "corvanta_ok" : "corvanta_error", 1000, false, charSet);
    for (const QByteArray& line : body.split('\n'))
        if (line.startsWith("refused "))
            a.Refused.append(line.trimmed());
    return a;
}

QString reasonOf(const QByteArray& code) {
    if (code == "1048")
        return QStringLiteral("a value is required");
    if (code == "1062")
        return QStringLiteral("the same as in another line where duplicates are not allowed");
    if (code == "onserver")
        return QStringLiteral("already on the server where duplicates are not allowed");
    if (code == "1264" || code == "1416")
        return QStringLiteral("out of range");
    if (code == "1406")
        return QStringLiteral("longer than the column allows");
    if (code == "1300" || code == "1366")
        return QStringLiteral("characters the table's character set cannot hold");
    if (code == "size")
        return QStringLiteral("larger than the server can store");
    return QStringLiteral("refused by the database (error %1)").arg(QString::fromLatin1(code));
}

// "refused KIND LINE CODE COLUMN" as the desktop names it.
std::optional<TRefusal> serverRefusal(const QByteArray& line, const QList<TTransferFile>& layout) {
    const QList<QByteArray> words = line.split(' ');
    if (words.size() < 5)
        return std::nullopt;
    for (int i = 0; i < layout.size(); ++i) {
        const TTransferFile& file = layout[i];
        if (file.Kind.toLatin1() != words[1])
            continue;
        const QString column = QString::fromLatin1(words[4]);
        QString field = column == QLatin1String("-") ? QString() : column;
        for (const TTransferValue& v : file.Values)
            if (v.Column == column)
                field = v.Label;
        if (file.LockColumns.contains(column))
            field = QStringLiteral("field locks");
        return TRefusal{i, file.Title, words[2].toLongLong(), field, reasonOf(words[3])};
    }
    return std::nullopt;
}

QString refusalReport(QList<TRefusal> listed, qint64 total,
                      const std::function<QString(const TRefusal&)>& describe) {
    std::stable_sort(listed.begin(), listed.end());
    QString text =
        QStringLiteral("Nothing was exported: %1 %2 refused.%3")
            .arg(total)
            .arg(total == 1 ? QStringLiteral("value was") : QStringLiteral("values were"))
            .arg(kUnchanged);
    for (qsizetype i = 0; i < std::min<qsizetype>(listed.size(), TExportRun::kListed); ++i)
        text += u'\n' + (describe ? describe(listed[i]) : listed[i].Text());
    if (total > TExportRun::kListed)
        text += QStringLiteral("\n... and %1 more.").arg(total - TExportRun::kListed);
    return text;
}

QString summary(const TBTable& t, const QString& live) {
    const QStringList n = live.split(u' ', Qt::SkipEmptyParts);
    if (n.size() < 4)
        return QStringLiteral("Exporting finished. Every record is live on the server.");
    // One of each is told in the singular.
    const auto count = [&](int i, const QString& one, const QString& many) {
        const QString c = n.value(i + 1, QStringLiteral("0"));
        return c + u' ' +
               (c == QStringLiteral("1") ? one + QStringLiteral(" has")
                                         : many + QStringLiteral(" have"));
    };
    QString text = QStringLiteral("Exporting finished.\n") +
                   count(0, QStringLiteral("record"), QStringLiteral("records")) +
                   QStringLiteral(" been exported. \n0 records failed.");
    if (SiteHasMembers(t))
        text += u'\n' + count(1, QStringLiteral("user"), QStringLiteral("users")) +
                QStringLiteral(" been exported. \n0 users failed.");
    return text + u'\n' + count(2, QStringLiteral("image"), QStringLiteral("images")) +
           QStringLiteral(" been exported. \n0 images failed.");
}

} // namespace

QStringList TDeployment::transferRuns(const TBTable& t) {
    try {
        return ProjectStore::ReadTransferRun(store_, t.DbName).split(u',', Qt::SkipEmptyParts);
    } catch (const TStoreError&) {
        return {};
    }
}

void TDeployment::rememberTransferRun(const TBTable& t, const QString& run) {
    try {
        if (ProjectStore::Exists(store_, t.DbName))
            ProjectStore::SetTransferRun(store_, t.DbName, run);
    } catch (const TStoreError&) {
        // Only a tidier server is lost: the next export clears it anyway.
    }
}

QByteArray TDeployment::requestJob(const TBTable& t, const QString& query) {
    announced_ = false;
    applyTrust(http_, t);
    http_.Get(t.URL + generator_.KeyedScript(kDataScript) + u'&' + query);
    checkStatus();
    return http_.Body;
}

void TDeployment::exportDataStage2() {
    const TPending p = *pending_;
    const TBTable& t = p.table;
    const QString cs = t.Language.Text(QStringLiteral("CharSet"));
    const QString run = TPHPGenerator::NewKey();
    const QList<TTransferFile> layout = TransferLayout(t);
    // A spreadsheet has no members: the site keeps its own.
    const QString keep = p.keepMembers ? QStringLiteral("&keep=users") : QString();
    const auto job = [&](const QString& query) {
        return readAnswer(requestJob(t, QStringLiteral("run=") + run + u'&' + query), cs);
    };

    QString warning; // why the export failed, when it did
    QString information;
    bool exported = false;
    bool begun = false;
    bool onFtp = false;   // the failing step was a transfer, not a request
    bool unknown = false; // the last step's answer was lost: it may have gone live
    QList<TRefusal> refusals;
    qint64 refused = 0;
    int lastPart = 0;
    int maximum = 1;
    try {
        // Until it ends cleanly, the run may leave tables and parts on the
        // server: the next transfer command removes them. Noted before it
        // begins, beside the runs not yet cleared.
        QStringList runs = transferRuns(t);
        if (runs.size() > 4)
            runs = runs.mid(runs.size() - 4);
        rememberTransferRun(t, (runs << run).join(u','));
        const TJobAnswer begin =
            job(QStringLiteral("job=begin&mode=") +
                (p.replace ? QStringLiteral("replace") : QStringLiteral("append")));
        begun = true;
        if (begin.Ok) // its beginning cleared what earlier runs left
            rememberTransferRun(t, run);
        if (!begin.Ok || !begin.Text.startsWith(QLatin1String("begun "))) {
            warning = begin.Text.isEmpty() ? QStringLiteral("Error. External file not exported.")
                                           : begin.Text;
            throw TExportStopped();
        }
        TTempFolder folder;
        if (!folder.IsValid()) {
            warning = QStringLiteral("A temporary folder cannot be made in %1: make room there, "
                                     "or name another folder in TMPDIR.")
                          .arg(QDir::tempPath());
            throw TExportStopped();
        }
        TExportRun sender(t, {p.records, p.users, p.images}, begin.Text.mid(6).trimmed().toLatin1(),
                          run, folder.Path(), partBytes_);
        const qint64 total = sender.CountLines();
        qint64 sent = 0, stored = 0;
        maximum = int(std::min<qint64>(total, 1 << 30)) + 1;
        port_.ProgressSetMaximum(maximum);
        port_.ProgressSetPosition(0);
        const auto show = [&] {
            port_.ProgressSetText(QStringLiteral("Exporting: %1 of %2 records sent, %3 stored")
                                      .arg(sent)
                                      .arg(total)
                                      .arg(stored));
            port_.ProgressSetPosition(int(std::min<qint64>(stored, 1 << 30)));
        };
        show();
        const bool complete = sender.Send([&](const QString& path, int part, qint64 rows) {
            if (port_.ProgressCancelled())
                return false;
            lastPart = part;
            onFtp = true;
            ftp_.Upload(path, t.PHPPath + partName(part));
            onFtp = false;
            sent += rows;
            show();
            const TJobAnswer staged = job(QStringLiteral("job=stage&part=%1").arg(part));
            for (const QByteArray& line : staged.Refused)
                if (const auto r = serverRefusal(line, layout)) {
                    ++refused;
                    if (refusals.size() < TExportRun::kListed)
                        refusals.append(*r);
                }
            if (!staged.Ok) {
                warning = staged.Text.isEmpty()
                              ? QStringLiteral("Error. External file not exported.")
                              : staged.Text;
                return false;
            }
            stored += staged.Text.section(u' ', 1, 1).toLongLong();
            show();
            return true;
        });
        refusals += sender.Refusals();
        refused += sender.RefusedCount();
        if (port_.ProgressCancelled())
            throw TExportStopped();
        if (!complete && !sender.FileError().isEmpty())
            warning = QStringLiteral("File access error to ") + sender.FileError();
        if (!complete || refused > 0)
            throw TExportStopped();

        // Past this point the server may make the records live; Cancel no
        // longer stops the wait for its answer.
        port_.SetCancelHandler({});
        TJobAnswer live;
        try {
            live = job(QStringLiteral("job=commit&parts=%1").arg(sender.Parts()) + keep);
            // An answer cut short says nothing of what the server did.
            if (!live.Ok && !live.Error)
                throw ENetError(QStringLiteral("no answer"));
        } catch (const ENetError&) {
            live = TJobAnswer();
            // Ask what became of it.
            try {
                const TJobAnswer status = job(QStringLiteral("job=status"));
                if (!status.Ok)
                    throw ENetError(QStringLiteral("no answer"));
                if (status.Text == QLatin1String("committed")) {
                    live.Ok = true;
                    live.Text = QStringLiteral("live");
                    try { // only for its counts
                        const TJobAnswer again =
                            job(QStringLiteral("job=commit&parts=%1").arg(sender.Parts()) + keep);
                        if (again.Ok && again.Text.startsWith(QLatin1String("live ")))
                            live = again;
                    } catch (const ENetError&) {
                    }
                } else {
                    warning = kNoResponse;
                }
            } catch (const ENetError&) {
                unknown = true;
                warning = kNoResponse + QStringLiteral(" It is not known whether the records "
                                                       "were stored: import them to see.");
            }
        }
        installCancelHandler();
        if (live.Ok && live.Text.startsWith(QLatin1String("live"))) {
            exported = true;
            information = summary(t, live.Text);
        } else if (warning.isEmpty()) {
            for (const QByteArray& line : live.Refused)
                if (const auto r = serverRefusal(line, layout)) {
                    ++refused;
                    refusals.append(*r);
                }
            warning = refused > 0 ? QString()
                                  : (live.Text.isEmpty()
                                         ? QStringLiteral("Error. External file not exported.")
                                         : live.Text);
        }
    } catch (const TExportStopped&) {
    } catch (const ENetError& e) {
        if (!port_.ProgressCancelled())
            warning = onFtp ? QStringLiteral("Export failed. ") + e.message()
                            : RequestFailure(e, kNoResponse);
    }
    installCancelHandler();

    if (!exported) {
        const bool cancelled = port_.ProgressCancelled();
        // The server forgets what was staged; a part it never took goes too.
        if (begun) {
            try {
                if (job(QStringLiteral("job=abort")).Ok)
                    rememberTransferRun(t, QString());
            } catch (const ENetError&) {
            }
        }
        if (lastPart > 0) {
            try {
                deleteQuietly(t.PHPPath + partName(lastPart));
            } catch (const ENetError&) {
            }
        }
        if (cancelled)
            port_.ShowWarning(QStringLiteral("Exporting canceled.") + kUnchanged);
        else if (refused > 0 && warning.isEmpty())
            port_.ShowWarning(refusalReport(refusals, refused, p.describe));
        else
            port_.ShowWarning(unknown ? warning : warning + kUnchanged);
    } else {
        rememberTransferRun(t, QString());
        port_.ProgressSetPosition(maximum);
        port_.ShowInformation(information);
    }
    disconnectQuietly();
    removeScript(t, kDataScript);
    endWindows();
    finish(exported);
}
