#pragma once

#include "PublishPlan.h"

#include <exception>
#include <functional>

class TFileTransfer;
class TUserPort;

// Applies a publish plan over a connected transfer. Every file to send goes
// to its temporary name; only once all have arrived is each renamed over
// the live one, and then the files no longer used are deleted. Until the
// first rename the site on the server is the old one, and a failure or a
// Cancel removes the temporary files again.
// Apply does both halves at once. A command with work of its own between
// them (the tables the new pages need) calls Send, then Switch, or Abandon
// when that work fails.
class TPublisher {
public:
    // Untouched: the live files are as before. Mixed: the switch stopped
    // half-way, some files are new and some old.
    enum class TState { Published, Untouched, Mixed };
    struct TOutcome {
        TState State = TState::Published;
        bool Cancelled = false;
        std::exception_ptr Error; // what ended it, unless a Cancel between files
        QList<qsizetype> Live;    // files of the plan renamed into place
        qsizetype Sent = 0;
        QStringList LeftOver;    // temporary files that could not be removed
        QStringList Unprotected; // files with the password the server left readable
        // Why the command stopped between Send and Switch; empty when it did not.
        QString Stopped;
        QStringList Temporaries; // sent and not yet renamed (or perhaps sent)
        bool Failed() const { return State != TState::Published; }
    };
    struct THooks {
        // A fresh session on the same server, for removing what was left.
        std::function<void()> Reconnect;
        // Whether Cancel may end a network wait; never during the renames.
        std::function<void(bool allowed)> AllowCancel;
    };

    TPublisher(TFileTransfer& transfer, TUserPort& port, THooks hooks);
    TOutcome Apply(const TPublishPlan& plan);
    // The files under their temporary names. Failed (Untouched) after a
    // failure or a Cancel, with the temporaries already removed.
    TOutcome Send(const TPublishPlan& plan);
    // After a Send that did not fail: the renames and deletions.
    void Switch(const TPublishPlan& plan, TOutcome& out);
    // Instead of Switch: the temporaries removed, the live site as it was.
    void Abandon(TOutcome& out, const QString& why);

private:
    void send(const TPublishPlan& plan, TOutcome& out);
    void removeTemporaries(TOutcome& out);
    void step(int steps);

    TFileTransfer& transfer_;
    TUserPort& port_;
    THooks hooks_;
};
