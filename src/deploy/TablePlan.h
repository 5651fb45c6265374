#pragma once

#include "generator/PHPgenerator.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// A column of the record table as the server reports it.
struct TLiveColumn {
    QString Name;
    QString Type; // as the server writes it: "int(11)", "varchar(30)", "text", ...
    QString Comment;
    bool Nullable = true;
    qint64 Nulls = 0;  // values that are NULL
    qint64 Filled = 0; // values that are neither NULL nor empty
};

// The stored values of a column that would not fit its new type: how many,
// and the first few with their record numbers.
struct TMisfits {
    qint64 Count = 0;
    QList<std::pair<qint64, QString>> First;
};

// A unique key of the record table as the server reports it.
struct TLiveKey {
    QString Name;
    QStringList Columns;
};

// What the site's database holds now, as columns_db.php reads it.
struct TLiveTables {
    QStringList Tables; // the site's tables that exist
    qint64 Records = 0;
    std::vector<TLiveColumn> Columns; // of the record table
    std::vector<TLiveKey> Keys;       // its unique keys, but the primary key
    QMap<QString, TMisfits> Misfits;  // by column, for the columns asked about
    QMap<QString, TMisfits> Repeats;  // by key, the values that repeat

    // The text of the script's "corvanta_ok" paragraph; values are decoded
    // with the site's character set. Nothing when it is no such answer.
    static std::optional<TLiveTables> Parse(const QByteArray& json, const QString& charSet);
    // The column of that name (the server compares names without case).
    const TLiveColumn* Column(const QString& name) const;
};

// The answers to the plan at Upload.
enum class TTablesChoice { Update, Create, Leave };

// One step of a table plan.
struct TTableStep {
    enum class TKind {
        CreateTable,   // a table of the site that is missing, made empty
        AddColumn,     // a new field's columns
        WidenColumn,   // the same kind of values, with more room
        ConvertColumn, // another kind of values: runs only when every stored one fits
        RelaxColumn,   // a column that may now stay empty
        DropColumn,    // a removed field's columns and their values, after a backup
        AddUnique,     // a unique key: runs only when no stored value repeats
        DropUnique,    // values may repeat from now on
        // Later kinds (an index on a searchable field, the table's character
        // set) are clauses of their table's ALTER TABLE like these: add them
        // here, build them in TTablePlan::Compute from what columns_db.php
        // reads, and they run and show as every other step does.
    };
    TKind Kind = TKind::AddColumn;
    QString Table;
    QStringList Columns;
    // CreateTable: the whole statement; otherwise the clause of the table's
    // ALTER TABLE ("ADD COLUMN ...", "MODIFY COLUMN ...", "DROP COLUMN ...").
    QString Sql;
    QString Text;    // what it does, in words
    QString Cost;    // what it costs or risks; empty when nothing
    QString Refusal; // why it cannot run; empty when it can
    // ConvertColumn: the SQL that finds a stored value that does not fit.
    QString Misfit;
    // AddUnique: the key whose repeated values the server is asked for.
    QString Key;
    // Runs once the new pages are live: the old ones still name the column.
    bool AfterPages = false;
};

// What Upload would do to the live tables, computed from the definition and
// what the server holds, without changing anything; the window, `--plan`
// and the report show it in the same words, and applying runs exactly its
// statements.
class TTablePlan {
public:
    static TTablePlan Compute(const TBTable& t, const TLiveTables& live);
    // The tables could not be read (`why`); `firstUpload`: the project was
    // never uploaded, so creating them is the answer that loses nothing.
    static TTablePlan Unread(const QString& why, bool firstUpload);

    // The columns whose stored values must be checked before they convert,
    // and the keys whose values must not repeat.
    QStringList Checks() const;
    QStringList KeyChecks() const;
    // The answer to those checks: a conversion that a stored value does not
    // fit, or a key whose values repeat, is refused, naming the first values.
    void TakeMisfits(const TLiveTables& checked);

    bool Readable() const { return why_.isEmpty(); }
    bool TablesExist() const { return exists_; }
    qint64 Records() const { return records_; }
    const std::vector<TTableStep>& Steps() const { return steps_; }
    bool Refused() const;
    bool Drops() const;

    QList<TTablesChoice> Choices() const;
    TTablesChoice Default() const;
    QString Caption(TTablesChoice choice) const;

    // The statements that run the steps: one per table and phase; phase 1
    // runs before the new pages go live, phase 2 after.
    std::vector<TSchemaStatement> Statements() const;
    bool HasPhase(int phase) const;
    // The definition a backup of the records is downloaded with: the
    // fields, and one plain field for each column about to be dropped.
    // `lockless` receives those of them that have no lock column.
    TBTable BackupTable(const TBTable& t, QStringList* lockless) const;

    // The plan in words; the first line is the heading.
    QStringList Lines() const;
    QString Text() const { return Lines().join(u'\r'); }
    static QString Heading();

private:
    QString why_;
    bool firstUpload_ = false;
    bool exists_ = false;
    qint64 records_ = 0;
    QString table_;
    std::vector<TTableStep> steps_;
    std::vector<TLiveColumn> dropped_;
};
