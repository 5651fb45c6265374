#include "Publisher.h"

#include "UserPort.h"
#include "net/FileTransfer.h"

#include <utility>

namespace {

// Cancel pressed between two files.
struct TCancelled {};

// Readable and writable by the account that owns the site only.
constexpr int kOwnerOnly = 0600;

} // namespace

TPublisher::TPublisher(TFileTransfer& transfer, TUserPort& port, THooks hooks)
    : transfer_(transfer), port_(port), hooks_(std::move(hooks)) {}

void TPublisher::step(int steps) {
    if (steps > 0)
        port_.ProgressSetPosition(port_.ProgressPosition() + steps);
}

TPublisher::TOutcome TPublisher::Apply(const TPublishPlan& plan) {
    TOutcome out = Send(plan);
    if (!out.Failed())
        Switch(plan, out);
    return out;
}

TPublisher::TOutcome TPublisher::Send(const TPublishPlan& plan) {
    TOutcome out;
    try {
        send(plan, out);
    } catch (const TCancelled&) {
        out.Cancelled = true;
    } catch (const ENetError&) {
        out.Error = std::current_exception();
        out.Cancelled = port_.ProgressCancelled();
    }
    if (out.Cancelled || out.Error) {
        out.State = TState::Untouched;
        removeTemporaries(out);
    }
    return out;
}

void TPublisher::Abandon(TOutcome& out, const QString& why) {
    out.State = TState::Untouched;
    out.Stopped = why;
    removeTemporaries(out);
}

void TPublisher::send(const TPublishPlan& plan, TOutcome& out) {
    for (const QString& folder : plan.Folders) {
        try {
            transfer_.MakeDirectory(folder);
        } catch (const FTPException&) {
            // Usually: the folder exists.
        }
    }
    if (plan.Cancellable)
        port_.ProgressStep();
    bool binary = false;
    QString shown;
    for (const TPublishFile& f : plan.Files) {
        if (f.Send) {
            // A style sheet going to both folders is one line.
            if (!f.Shown.isEmpty() && f.Shown != shown)
                port_.ProgressSetText(QStringLiteral("Uploading ") + f.Shown);
            shown = f.Shown;
            // Pictures go as bytes, or a text transfer would change them.
            if (f.Binary && !binary) {
                transfer_.Mode(TFileTransfer::Image);
                binary = true;
            }
            const QString temporary = TPublishPlan::TemporaryName(f.Remote);
            out.Temporaries << temporary;
            transfer_.Upload(f.Local, temporary);
            ++out.Sent;
            if (f.Secret) {
                // Before it is live: never a moment readable by other accounts.
                try {
                    transfer_.SetPermissions(temporary, kOwnerOnly);
                } catch (const FTPException&) {
                    out.Unprotected << f.Remote;
                }
            }
            if (plan.Cancellable && port_.ProgressCancelled())
                throw TCancelled{};
        }
        step(f.Steps);
    }
}

void TPublisher::Switch(const TPublishPlan& plan, TOutcome& out) {
    // From the first rename on, stopping would leave a site half old, half
    // new: Cancel no longer cuts a wait short.
    if (hooks_.AllowCancel)
        hooks_.AllowCancel(false);
    try {
        for (qsizetype i = 0; i < plan.Files.size(); ++i) {
            const TPublishFile& f = plan.Files[i];
            if (!f.Send)
                continue;
            const QString temporary = TPublishPlan::TemporaryName(f.Remote);
            transfer_.Rename(temporary, f.Remote);
            out.Temporaries.removeOne(temporary);
            out.Live << i;
        }
        for (const QString& remote : plan.Deletions) {
            try {
                transfer_.Delete(remote);
            } catch (const FTPException&) {
                // Usually: the file is not there.
            }
        }
    } catch (const ENetError&) {
        out.Error = std::current_exception();
        out.State = out.Live.isEmpty() ? TState::Untouched : TState::Mixed;
    }
    if (hooks_.AllowCancel)
        hooks_.AllowCancel(true);
    if (out.Error)
        removeTemporaries(out);
}

void TPublisher::removeTemporaries(TOutcome& out) {
    const QStringList temporaries = std::exchange(out.Temporaries, {});
    try {
        transfer_.Disconnect();
    } catch (const ENetError&) {
    }
    if (temporaries.isEmpty())
        return;
    // A new session: the old one may be cut off, or busy with a reply
    // that will never come.
    qsizetype done = 0;
    try {
        hooks_.Reconnect();
        for (const QString& temporary : temporaries) {
            try {
                transfer_.Delete(temporary);
            } catch (const FTPException&) {
                // Never created: the transfer failed before the server made it.
            }
            ++done;
        }
        transfer_.Disconnect();
    } catch (const ENetError&) {
        out.LeftOver = temporaries.mid(done);
        try {
            transfer_.Disconnect();
        } catch (const ENetError&) {
        }
    }
}
