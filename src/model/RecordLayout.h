#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TBTable;
struct TBField;

// What the lines of the record files carry for a table definition: the
// values in file order, the column each goes to, and how it is checked.

enum class TValueKind {
    Id,          // the member's or picture's own number; empty: a new one
    Owner,       // a member's number, 0 or empty for none
    Text,        // stored as written
    Integer,     // 32-bit whole number, empty: NULL
    Real,        // a decimal number, empty: NULL
    YesNo,       // the site's words for yes and no
    DateTime,    // 14 digits, or empty
    PictureRef,  // a picture's number, 0 or empty for none
    PictureData, // Base64
};

struct TTransferValue {
    QString Column; // SQL column
    QString Label;  // how messages name it
    TValueKind Kind = TValueKind::Text;
    const TBField* Field = nullptr; // records: the field it belongs to
};

struct TTransferFile {
    QString Kind;  // "users", "images", "records": also the name the scripts use
    QString Title; // "users file", ...
    QList<TTransferValue> Values;
    // Records of a Login site: one more value may follow with the field
    // locks, one "1" (member may change) or "0" per field; files made before
    // have none, and every field is then open.
    QStringList LockColumns;
    // The columns a staged row fills, in the order of its values: records
    // begin with recordid (the line number), then the values' columns and
    // the lock columns.
    QStringList StageColumns() const;
};

// The files in the order they are sent: members (only when the site has
// members), pictures, records. Members come first so that records and
// pictures can be checked against them.
QList<TTransferFile> TransferLayout(const TBTable& t);

// Records have owners: member accounts live in the site's users table.
bool SiteHasMembers(const TBTable& t);
// Records carry their field locks (the member may or may not change a field).
bool RecordsCarryLocks(const TBTable& t);
