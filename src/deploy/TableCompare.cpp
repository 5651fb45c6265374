// What the server holds, compared with the definition: the steps of a
// table plan, and the definition a backup of dropped columns is read with.
#include "TablePlan.h"

#include "TablePlanWords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

using namespace TablePlanWords;

namespace {

// The kind of values an SQL type holds, and how much room it has.
struct TSqlType {
    enum class TFamily { Bool, Int, BigInt, Real, VarChar, TinyText, Text, BigText, Other };
    TFamily family = TFamily::Other;
    int length = 0; // VarChar

    bool operator==(const TSqlType&) const = default;
};
using TFamily = TSqlType::TFamily;

// A type as the server reports it ("int(11)", "varchar(30)") or as
// create_db.php writes it ("INTEGER", "VARCHAR(30)").
TSqlType sqlType(const QString& text) {
    const QString t = text.trimmed().toLower();
    static const QRegularExpression varchar(QStringLiteral("^(?:var)?char\\((\\d+)\\)"));
    if (const auto m = varchar.match(t); m.hasMatch())
        return {TFamily::VarChar, m.captured(1).toInt()};
    if (t == QLatin1String("bool") || t == QLatin1String("boolean") ||
        t.startsWith(QLatin1String("tinyint(1)")))
        return {TFamily::Bool};
    if (t.startsWith(QLatin1String("bigint")))
        return {TFamily::BigInt};
    for (const char* name : {"tinyint", "smallint", "mediumint", "integer", "int"})
        if (t.startsWith(QLatin1String(name)))
            return {TFamily::Int};
    for (const char* name : {"double", "real", "float"})
        if (t.startsWith(QLatin1String(name)))
            return {TFamily::Real};
    if (t == QLatin1String("tinytext"))
        return {TFamily::TinyText};
    if (t == QLatin1String("text"))
        return {TFamily::Text};
    if (t == QLatin1String("mediumtext") || t == QLatin1String("longtext"))
        return {TFamily::BigText};
    return {};
}

// Every value of `from` is a value of `to`, of the same kind.
bool widens(const TSqlType& from, const TSqlType& to) {
    const auto rank = [](TFamily f) {
        switch (f) {
        case TFamily::Bool:
            return 1;
        case TFamily::Int:
            return 2;
        case TFamily::Real:
            return 3;
        default:
            return 0;
        }
    };
    if (rank(from.family) && rank(to.family))
        return rank(from.family) <= rank(to.family);
    if (from.family == TFamily::VarChar && to.family == TFamily::VarChar)
        return from.length <= to.length;
    if ((from.family == TFamily::VarChar || from.family == TFamily::TinyText) &&
        to.family == TFamily::Text)
        // A VARCHAR's characters take at most 4 bytes each.
        return from.family == TFamily::TinyText || from.length * 4 <= 65535;
    return false;
}

// The field types the columns' comments record.
bool knownComment(const QString& comment) {
    const QString type = comment.section(u':', 0, 0);
    return FieldTypes::All().contains(type);
}

QString label(const TColumnDef& c) {
    if (c.field && c.field->FieldName == QLatin1String("recordid"))
        return QStringLiteral("the record's number");
    if (!c.field || c.field->FieldName == QLatin1String("userid"))
        return QStringLiteral("the record's owner");
    return QStringLiteral("field ") + quoted(c.field->Name);
}

TSqlType::TFamily familyOfType(const QString& fieldType) {
    if (fieldType == FieldTypes::Integer || fieldType == FieldTypes::Image)
        return TFamily::Int;
    if (fieldType == FieldTypes::Real)
        return TFamily::Real;
    if (fieldType == FieldTypes::YesNo)
        return TFamily::Bool;
    return TFamily::Text;
}

} // namespace

std::optional<TLiveTables> TLiveTables::Parse(const QByteArray& json, const QString& charSet) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    if (!o.value(QStringLiteral("tables")).isArray() ||
        !o.value(QStringLiteral("columns")).isArray())
        return std::nullopt;
    TLiveTables live;
    for (const QJsonValue& v : o.value(QStringLiteral("tables")).toArray())
        live.Tables << v.toString();
    live.Records = o.value(QStringLiteral("records")).toInteger();
    for (const QJsonValue& v : o.value(QStringLiteral("columns")).toArray()) {
        const QJsonObject c = v.toObject();
        live.Columns.push_back({c.value(QStringLiteral("name")).toString(),
                                c.value(QStringLiteral("type")).toString(),
                                c.value(QStringLiteral("comment")).toString(),
                                c.value(QStringLiteral("nullable")).toBool(),
                                c.value(QStringLiteral("nulls")).toInteger(),
                                c.value(QStringLiteral("filled")).toInteger()});
    }
    for (const QJsonValue& v : o.value(QStringLiteral("keys")).toArray()) {
        TLiveKey key{v.toObject().value(QStringLiteral("name")).toString(), {}};
        for (const QJsonValue& column : v.toObject().value(QStringLiteral("columns")).toArray())
            key.Columns << column.toString();
        live.Keys.push_back(key);
    }
    QStringDecoder decoder(charSet.toLatin1().constData());
    const auto values = [&](const QString& name, QMap<QString, TMisfits>& into) {
        const QJsonObject all = o.value(name).toObject();
        for (auto it = all.begin(); it != all.end(); ++it) {
            const QJsonObject m = it.value().toObject();
            TMisfits found;
            found.Count = m.value(QStringLiteral("count")).toInteger();
            for (const QJsonValue& first : m.value(QStringLiteral("first")).toArray()) {
                const QJsonArray pair = first.toArray();
                const QByteArray bytes = QByteArray::fromHex(pair.at(1).toString().toLatin1());
                found.First.append({pair.at(0).toInteger(), decoder.isValid()
                                                                ? decoder.decode(bytes)
                                                                : QString::fromLatin1(bytes)});
            }
            into.insert(it.key(), found);
        }
    };
    values(QStringLiteral("misfits"), live.Misfits);
    values(QStringLiteral("repeats"), live.Repeats);
    return live;
}

const TLiveColumn* TLiveTables::Column(const QString& name) const {
    for (const TLiveColumn& c : Columns)
        if (c.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

TTablePlan TTablePlan::Compute(const TBTable& t, const TLiveTables& live) {
    using TKind = TTableStep::TKind;
    using TRole = TColumnDef::TRole;
    TTablePlan plan;
    plan.table_ = t.TableName;
    plan.exists_ = live.Tables.contains(t.TableName);
    plan.records_ = plan.exists_ ? live.Records : 0;
    if (!plan.exists_)
        return plan;

    for (const auto& [table, create] : TPHPGenerator::OtherTables(t))
        if (!live.Tables.contains(table)) {
            TTableStep step;
            step.Kind = TKind::CreateTable;
            step.Table = table;
            step.Sql = create;
            step.Text = QStringLiteral("Create the missing table %1 (empty).").arg(table);
            plan.steps_.push_back(step);
        }

    const std::vector<TColumnDef> columns = TPHPGenerator::RecordColumns(t);
    // A new field's columns come in one step.
    constexpr size_t kNone = size_t(-1);
    size_t adding = kNone;
    const TBField* addingField = nullptr;
    for (const TColumnDef& c : columns) {
        if (c.name == QLatin1String("recordid"))
            continue; // the records' numbers are never touched
        const TLiveColumn* now = live.Column(c.name);
        if (!now) {
            // Records stored before the field have no value for it, even
            // where it is required from now on; a default is a value.
            const QString clause = QStringLiteral("ADD COLUMN ") +
                                   c.Sql(plan.records_ > 0 && c.defaultValue.isEmpty());
            if (adding != kNone && addingField == c.field) {
                plan.steps_[adding].Columns << c.name;
                plan.steps_[adding].Sql += QStringLiteral(", ") + clause;
                continue;
            }
            TTableStep step;
            step.Kind = TKind::AddColumn;
            step.Table = t.TableName;
            step.Columns = {c.name};
            step.Sql = clause;
            step.Text = c.role == TRole::Lock
                            ? QStringLiteral("Add the lock column %1 of %2.").arg(c.name, label(c))
                            : QStringLiteral("Add column %1 for %2 (%3).")
                                  .arg(c.name, label(c), c.field->FieldType);
            if (plan.records_ > 0 && c.role != TRole::Lock)
                step.Cost =
                    QStringLiteral("The %1 stored so far %2 no value in it yet.")
                        .arg(counted(plan.records_, QStringLiteral("record"),
                                     QStringLiteral("records")),
                             plan.records_ == 1 ? QStringLiteral("has") : QStringLiteral("have"));
            plan.steps_.push_back(step);
            adding = plan.steps_.size() - 1;
            addingField = c.field;
            continue;
        }
        adding = kNone;

        const TSqlType was = sqlType(now->Type), wanted = sqlType(c.type);
        const bool typeChanged = knownComment(now->Comment) && now->Comment != c.Comment();
        // Required from now on only where every record has a value.
        const bool nullable = !c.notNull || (now->Nullable && now->Nulls > 0);
        const bool sameType = was == wanted && !typeChanged;
        if (sameType && nullable == now->Nullable)
            continue;
        TTableStep step;
        step.Table = t.TableName;
        step.Columns = {c.name};
        step.Sql = QStringLiteral("MODIFY COLUMN ") + c.Sql(nullable);
        const QString from = typeChanged ? now->Comment.section(u':', 0, 0) : now->Type;
        const QString to = typeChanged ? c.field->FieldType : c.type;
        if (sameType) {
            step.Kind = nullable ? TKind::RelaxColumn : TKind::ConvertColumn;
            step.Text =
                nullable ? QStringLiteral("Let column %1 of %2 stay empty.").arg(c.name, label(c))
                         : QStringLiteral("Make column %1 of %2 required: every record "
                                          "has a value in it.")
                               .arg(c.name, label(c));
        } else if (!typeChanged && widens(was, wanted)) {
            step.Kind = TKind::WidenColumn;
            step.Text = QStringLiteral("Widen column %1 of %2 from %3 to %4.")
                            .arg(c.name, label(c), now->Type, c.type);
        } else {
            step.Kind = TKind::ConvertColumn;
            step.Misfit = c.Misfit(c.name);
            step.Text = QStringLiteral("Convert column %1 of %2 from %3 to %4.")
                            .arg(c.name, label(c), from, to);
            step.Cost = QStringLiteral("Runs only when every stored value converts exactly.");
        }
        plan.steps_.push_back(step);
    }

    // Unique keys, matched by their columns: the server may have named them
    // otherwise.
    const auto sameColumns = [](const QStringList& a, const QStringList& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](auto& x, auto& y) { return x.compare(y, Qt::CaseInsensitive) == 0; });
    };
    const std::vector<TUniqueKey> keys = TPHPGenerator::UniqueKeys(t);
    const auto keyLabel = [&](const QStringList& keyColumns) {
        QStringList labels;
        for (const QString& column : keyColumns) {
            const auto c = std::find_if(columns.begin(), columns.end(), [&](const TColumnDef& s) {
                return s.name.compare(column, Qt::CaseInsensitive) == 0;
            });
            labels << (c != columns.end() && c->field ? quoted(c->field->Name) : column);
        }
        return (labels.size() > 1 ? QStringLiteral("fields ") : QStringLiteral("field ")) +
               labels.join(QStringLiteral(" and "));
    };
    for (const TLiveKey& now : live.Keys) {
        if (std::any_of(keys.begin(), keys.end(),
                        [&](const TUniqueKey& k) { return sameColumns(k.columns, now.Columns); }))
            continue;
        TTableStep step;
        step.Kind = TKind::DropUnique;
        step.Table = t.TableName;
        step.Columns = now.Columns;
        step.Sql = QStringLiteral("DROP INDEX ") + now.Name;
        step.Text = QStringLiteral("Let the values of %1 repeat: remove the unique key %2.")
                        .arg(keyLabel(now.Columns), now.Name);
        plan.steps_.push_back(step);
    }
    for (const TUniqueKey& key : keys) {
        if (std::any_of(live.Keys.begin(), live.Keys.end(),
                        [&](const TLiveKey& k) { return sameColumns(key.columns, k.Columns); }))
            continue;
        TTableStep step;
        step.Kind = TKind::AddUnique;
        step.Table = t.TableName;
        step.Columns = key.columns;
        step.Key = key.name;
        step.Sql = QStringLiteral("ADD UNIQUE %1 (%2)")
                       .arg(key.name, key.columns.join(QStringLiteral(", ")));
        step.Text = QStringLiteral("Keep the values of %1 from repeating: add the unique key %2.")
                        .arg(keyLabel(key.columns), key.name);
        step.Cost = QStringLiteral("Runs only when no stored value repeats.");
        plan.steps_.push_back(step);
    }

    // Columns no field names any more; a lock column goes with its value.
    const auto defined = [&](const QString& name) {
        return std::any_of(columns.begin(), columns.end(), [&](const TColumnDef& c) {
            return c.name.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    QStringList taken;
    for (const TLiveColumn& now : live.Columns) {
        if (defined(now.Name) || taken.contains(now.Name, Qt::CaseInsensitive) ||
            now.Name.compare(QLatin1String("recordid"), Qt::CaseInsensitive) == 0)
            continue;
        const QString lockName = now.Name + QStringLiteral("_USEREDIT");
        const TLiveColumn* lock = live.Column(lockName);
        if (now.Name.endsWith(QLatin1String("_USEREDIT"), Qt::CaseInsensitive)) {
            const QString base = now.Name.chopped(9);
            if (live.Column(base) && !defined(base))
                continue; // goes with its value's step
        }
        TTableStep step;
        step.Kind = TKind::DropColumn;
        step.Table = t.TableName;
        step.Columns = {now.Name};
        step.Sql = QStringLiteral("DROP COLUMN ") + now.Name;
        if (lock && !defined(lock->Name)) {
            step.Columns << lock->Name;
            step.Sql += QStringLiteral(", DROP COLUMN ") + lock->Name;
            taken << lock->Name;
        }
        step.Text =
            QStringLiteral("Remove column %1, which holds %2.")
                .arg(now.Name, counted(now.Filled, QStringLiteral("value that is not empty"),
                                       QStringLiteral("values that are not empty")));
        step.Cost = now.Filled > 0
                        ? QStringLiteral("The records are first downloaded to a backup file "
                                         "beside the project.")
                        : QStringLiteral("It holds no value; the records are still downloaded "
                                         "to a backup file beside the project first.");
        step.AfterPages = true;
        plan.steps_.push_back(step);
        plan.dropped_.push_back(now);
    }
    return plan;
}

TBTable TTablePlan::BackupTable(const TBTable& t, QStringList* lockless) const {
    TBTable backup = t;
    for (const TLiveColumn& c : dropped_) {
        TBField f = TBField::StoredDefaults();
        f.FieldName = c.Name;
        f.SeqNo = backup.Fields.back().SeqNo + 1;
        f.Name = c.Name;
        // A plain field of the kind its values are: they come back as
        // written, whatever the field was.
        const QString commented = c.Comment.section(u':', 0, 0);
        TFamily family = sqlType(c.Type).family;
        if (knownComment(c.Comment) && !c.Comment.contains(u':'))
            family = familyOfType(commented);
        f.FieldType = family == TFamily::Bool   ? FieldTypes::YesNo
                      : family == TFamily::Int  ? FieldTypes::Integer
                      : family == TFamily::Real ? FieldTypes::Real
                                                : FieldTypes::Text;
        if (f.FieldType == FieldTypes::Text && commented == FieldTypes::DateTime)
            f.FieldType = FieldTypes::DateTime;
        f.InputType = InputTypes::Text;
        backup.Fields.push_back(f);
        if (lockless && !std::any_of(steps_.begin(), steps_.end(), [&](const TTableStep& s) {
                return s.Kind == TTableStep::TKind::DropColumn && s.Columns.size() > 1 &&
                       s.Columns.first() == c.Name;
            }))
            *lockless << c.Name;
    }
    return backup;
}
