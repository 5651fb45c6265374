#include "TablePlan.h"

#include "TablePlanWords.h"

using namespace TablePlanWords;

namespace {

// A stored value as the plan shows it.
QString shown(const QString& value) {
    if (value.isEmpty())
        return QStringLiteral("(empty)");
    QString v = value.left(40);
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    return quoted(v) + (value.size() > 40 ? QStringLiteral("...") : QString());
}

} // namespace

TTablePlan TTablePlan::Unread(const QString& why, bool firstUpload) {
    TTablePlan plan;
    plan.why_ = why.isEmpty() ? QStringLiteral("the site gave no answer.") : why;
    plan.firstUpload_ = firstUpload;
    return plan;
}

QStringList TTablePlan::Checks() const {
    QStringList columns;
    for (const TTableStep& s : steps_)
        if (!s.Misfit.isEmpty())
            columns << s.Columns.first();
    return columns;
}

QStringList TTablePlan::KeyChecks() const {
    QStringList names;
    for (const TTableStep& s : steps_)
        if (!s.Key.isEmpty())
            names << s.Key;
    return names;
}

void TTablePlan::TakeMisfits(const TLiveTables& checked) {
    for (TTableStep& s : steps_) {
        const bool key = !s.Key.isEmpty();
        if (s.Misfit.isEmpty() && !key)
            continue;
        const QMap<QString, TMisfits>& answers = key ? checked.Repeats : checked.Misfits;
        const auto found = answers.constFind(key ? s.Key : s.Columns.first());
        if (found == answers.constEnd()) {
            s.Refusal = QStringLiteral("The stored values of %1 could not be checked.")
                            .arg(s.Columns.join(QStringLiteral(", ")));
            continue;
        }
        if (found->Count == 0) {
            s.Cost = key ? QStringLiteral("No stored value repeats.")
                         : QStringLiteral("Every stored value converts exactly.");
            continue;
        }
        QStringList first;
        for (const auto& [record, value] : found->First)
            first << QStringLiteral("record %1: %2").arg(record).arg(shown(value));
        s.Cost.clear();
        const bool one = found->Count == 1;
        s.Refusal = QStringLiteral("Refused: %1 %2, the first: %3.")
                        .arg(counted(found->Count, QStringLiteral("stored value"),
                                     QStringLiteral("stored values")),
                             key   ? (one ? QStringLiteral("repeats") : QStringLiteral("repeat"))
                             : one ? QStringLiteral("does not fit")
                                   : QStringLiteral("do not fit"),
                             first.join(QStringLiteral(", ")));
    }
}

bool TTablePlan::Refused() const {
    return std::any_of(steps_.begin(), steps_.end(),
                       [](const TTableStep& s) { return !s.Refusal.isEmpty(); });
}

bool TTablePlan::Drops() const {
    return !dropped_.empty();
}

QList<TTablesChoice> TTablePlan::Choices() const {
    if (exists_ && !Refused())
        return {TTablesChoice::Update, TTablesChoice::Create, TTablesChoice::Leave};
    return {TTablesChoice::Create, TTablesChoice::Leave};
}

TTablesChoice TTablePlan::Default() const {
    if (!Readable())
        return firstUpload_ ? TTablesChoice::Create : TTablesChoice::Leave;
    if (!exists_)
        return TTablesChoice::Create;
    return Refused() ? TTablesChoice::Leave : TTablesChoice::Update;
}

QString TTablePlan::Caption(TTablesChoice choice) const {
    switch (choice) {
    case TTablesChoice::Update:
        return QStringLiteral("Update the tables (keeps the records)");
    case TTablesChoice::Create:
        if (!Readable())
            return QStringLiteral("Create new empty tables (deletes every record)");
        if (!exists_)
            return QStringLiteral("Create new empty tables");
        return QStringLiteral("Create new empty tables (deletes %1)")
            .arg(counted(records_, QStringLiteral("record"), QStringLiteral("records")));
    case TTablesChoice::Leave:
        break;
    }
    return QStringLiteral("Leave the tables as they are");
}

std::vector<TSchemaStatement> TTablePlan::Statements() const {
    std::vector<TSchemaStatement> statements;
    for (int phase : {1, 2}) {
        // One ALTER TABLE per table: a table changes whole or not at all.
        QStringList tables;
        for (const TTableStep& s : steps_) {
            if (s.AfterPages != (phase == 2))
                continue;
            if (s.Kind == TTableStep::TKind::CreateTable) {
                statements.push_back({s.Table, s.Sql, false, {}, phase});
                continue;
            }
            if (!tables.contains(s.Table))
                tables << s.Table;
        }
        for (const QString& table : tables) {
            TSchemaStatement statement{table, {}, true, {}, phase};
            QStringList clauses;
            for (const TTableStep& s : steps_) {
                if (s.Table != table || s.AfterPages != (phase == 2) ||
                    s.Kind == TTableStep::TKind::CreateTable)
                    continue;
                clauses << s.Sql;
                if (!s.Misfit.isEmpty())
                    statement.recheck.append({s.Columns.first(), s.Misfit});
            }
            statement.sql = QStringLiteral("ALTER TABLE %1 %2").arg(table, clauses.join(u", "));
            statements.push_back(statement);
        }
    }
    return statements;
}

bool TTablePlan::HasPhase(int phase) const {
    return std::any_of(steps_.begin(), steps_.end(),
                       [&](const TTableStep& s) { return s.AfterPages == (phase == 2); });
}

QString TTablePlan::Heading() {
    return QStringLiteral("The tables on the server");
}

QStringList TTablePlan::Lines() const {
    QStringList lines{Heading()};
    if (!Readable()) {
        lines << QStringLiteral("They could not be read: ") + why_;
        lines << (firstUpload_ ? QStringLiteral("The site was never uploaded, so it probably has "
                                                "no tables yet.")
                               : QStringLiteral("Without them the site cannot be updated "
                                                "field by field."));
        return lines;
    }
    if (!exists_) {
        lines << QStringLiteral("The site has no table %1 yet: Upload creates its tables.")
                     .arg(table_);
        return lines;
    }
    lines << QStringLiteral("Table %1 holds %2.")
                 .arg(table_,
                      counted(records_, QStringLiteral("record"), QStringLiteral("records")));
    if (steps_.empty()) {
        lines << QStringLiteral("The columns match the fields: nothing to change (a renamed "
                                "field keeps its column).");
        return lines;
    }
    lines << QStringLiteral("Updating the tables takes these steps:");
    int n = 0;
    for (const TTableStep& s : steps_) {
        lines << QStringLiteral("%1. %2").arg(++n).arg(s.Text);
        if (!s.Cost.isEmpty())
            lines << QStringLiteral("   ") + s.Cost;
        if (!s.Refusal.isEmpty())
            lines << QStringLiteral("   ") + s.Refusal;
    }
    if (Refused())
        lines << QStringLiteral("The tables cannot be updated until the values that do not fit "
                                "are changed, or the fields keep their settings.");
    return lines;
}
