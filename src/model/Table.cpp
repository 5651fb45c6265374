#include "Table.h"

#include "SqlNames.h"

#include <QTime>

#include <algorithm>

namespace {

bool isReservedColumn(const QString& name) {
    return name == QLatin1String("recordid") || name == QLatin1String("username") ||
           name == QLatin1String("email") || name == QLatin1String("password") ||
           IsReservedSqlWord(name);
}

// Letters kept of a display name: with the number and the lock column's
// "_USEREDIT" the column name stays within the database's 64 characters.
constexpr int kMaxColumnBase = 46;

} // namespace

TBTable::TBTable() : MilliClock([] { return QTime::currentTime().msec(); }) {
    TBField recordid;
    recordid.FieldName = QStringLiteral("recordid");
    recordid.FieldType = FieldTypes::Integer;
    recordid.NoDuplicates = true;
    recordid.Required = true;
    recordid.Hidden = true;
    Fields.push_back(recordid);

    TBField userid;
    userid.FieldName = QStringLiteral("userid");
    userid.FieldType = FieldTypes::Integer;
    userid.Name = QStringLiteral("User ID");
    userid.InputType = InputTypes::Text;
    userid.TextLength = 20;
    userid.Hidden = true;
    Fields.push_back(userid);
}

TBTable TBTable::New() {
    TBTable t;
    t.MenuHeight = 100;
    t.LinesPerPage = 10;
    t.NumOfFilterFields = 2;
    t.NumOfSortFields = 2;
    t.Skin = QStringLiteral("default.css");
    t.FieldDelimiter = QStringLiteral("|");
    t.RecordDelimiter = QStringLiteral("\n");
    t.ReplaceDelimiterWith = QStringLiteral("_");
    t.Layout = Layouts::OnePage;
    t.Transfer = TransferModes::IfOffered;
    // Every language's letters, whatever the language's own set.
    t.CharSet = QStringLiteral("UTF-8");
    return t;
}

QString TBTable::PageCharSet() const {
    const QString own = CharSet.trimmed();
    return own.isEmpty() ? Language.Text(QStringLiteral("CharSet")) : own;
}

bool TBTable::MembersRule() const {
    return UserMode == QLatin1String("Login") ||
           (UserMode == QLatin1String("Join") && OnlyMembersCanAdd);
}

int TBTable::indexOfSeqNo(qint32 n) const {
    if (n <= 0)
        return -1;
    const QString key = FieldKey(n);
    for (size_t i = 0; i < Fields.size(); ++i)
        if (FieldKey(Fields[i].SeqNo) == key)
            return int(i);
    return -1;
}

const TBField* TBTable::FieldBySeqNo(qint32 n) const {
    const int i = indexOfSeqNo(n);
    return i < 0 ? nullptr : &Fields[size_t(i)];
}

void TBTable::sortFields() {
    std::stable_sort(Fields.begin(), Fields.end(), [](const TBField& a, const TBField& b) {
        return FieldKey(a.SeqNo) < FieldKey(b.SeqNo);
    });
}

QString TBTable::MakeColumnName(const QString& displayName, const QString& avoid) const {
    QString base;
    for (QChar c : displayName) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            base += QChar(u + (u'a' - u'A'));
        else if (u >= u'a' && u <= u'z')
            base += c;
    }
    if (base.isEmpty())
        base = QStringLiteral("generated");
    base.truncate(kMaxColumnBase);

    auto refused = [&](const QString& candidate) {
        if (isReservedColumn(candidate) || candidate == avoid)
            return true;
        return std::any_of(Fields.begin(), Fields.end(), [&](const TBField& f) {
            return f.FieldName == candidate || f.FieldName2 == candidate;
        });
    };
    const int m = MilliClock();
    for (qint64 i = m + 1;; ++i) {
        const QString candidate = base + QString::number(i);
        if (!refused(candidate))
            return candidate;
    }
}

bool TBTable::AddField(const TBField& entered) {
    TBField field;
    field.FieldName = MakeColumnName(entered.Name);
    field.FieldName2 = MakeColumnName(entered.Name, field.FieldName);
    field.SeqNo = Fields.empty() ? 1 : Fields.back().SeqNo + 1;
    field.AssignEditable(entered);
    Fields.push_back(field);
    return true;
}

bool TBTable::ModifyField(qint32 n, const TBField& entered) {
    const int i = indexOfSeqNo(n);
    if (i < 0)
        return false;
    Fields[size_t(i)].AssignEditable(entered);
    return true;
}

bool TBTable::DeleteField(qint32 n, const std::function<bool()>& confirm) {
    const int i = indexOfSeqNo(n);
    if (i < 0 || !confirm())
        return false;
    for (size_t j = size_t(i) + 1; j < Fields.size(); ++j)
        Fields[j].SeqNo -= 1;
    Fields.erase(Fields.begin() + i);
    return true;
}

bool TBTable::FieldUp(qint32 n) {
    const int p = n > 1 ? indexOfSeqNo(n) : -1;
    if (p < 1)
        return false;
    Fields[size_t(p)].SeqNo = n - 1;
    Fields[size_t(p) - 1].SeqNo = n;
    sortFields();
    return true;
}

bool TBTable::FieldDown(qint32 n) {
    if (Fields.empty() || n >= Fields.back().SeqNo)
        return false;
    const int p = indexOfSeqNo(n);
    if (p < 0 || size_t(p) + 1 >= Fields.size())
        return false;
    Fields[size_t(p)].SeqNo = n + 1;
    Fields[size_t(p) + 1].SeqNo = n;
    sortFields();
    return true;
}

TFieldGrid TBTable::FillGrid() const {
    TFieldGrid grid;
    grid.RowCount = std::max(Fields.empty() ? 1 : Fields.back().SeqNo + 1, 2);
    grid.Headers = {QStringLiteral("Seq."),          QStringLiteral("Name"),
                    QStringLiteral("Field Type"),    QStringLiteral("Input Type"),
                    QStringLiteral("No Duplicates"), QStringLiteral("Required"),
                    QStringLiteral("Searchable")};
    grid.ColumnWidths = {28, 150, 100, 100, 80, 80, 80};
    for (int row = 1; row < grid.RowCount; ++row)
        grid.Rows.append(QStringList(7, QString()));
    auto yesNo = [](bool b) { return b ? QStringLiteral("Yes") : QStringLiteral("No"); };
    for (const TBField& f : Fields) {
        if (f.SeqNo <= 0 || f.SeqNo >= grid.RowCount)
            continue;
        grid.Rows[f.SeqNo - 1] = {QString::number(f.SeqNo),
                                  f.Name,
                                  f.FieldType,
                                  f.InputType,
                                  yesNo(f.NoDuplicates),
                                  yesNo(f.Required),
                                  yesNo(f.Searchable)};
    }
    return grid;
}
