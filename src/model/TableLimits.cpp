// How much room the record table takes in MariaDB and MySQL (InnoDB), so a
// definition the server would refuse is refused before anything is sent.
// The columns mirror those the schema script creates for each field.
#include "ProjectCheck.h"

#include <algorithm>
#include <vector>

namespace {

// The smaller of the two servers' limits.
constexpr int kMaxColumns = 1017; // InnoDB
constexpr int kMaxIndexes = 64;
constexpr int kMaxKeyParts = 16;       // MySQL; MariaDB allows 32
constexpr int kMaxKeyBytes = 3072;     // MySQL; MariaDB hashes longer keys
constexpr int kMaxRowBytes = 65535;    // the server, long texts counted by their pointers
constexpr int kMaxInnoDbRecord = 8126; // half a 16 KB page; a record must stay below
constexpr int kBytesPerChar = 4;       // utf8mb4, today's default character set
constexpr int kLongText = 65535;       // bytes a TEXT column holds

struct TColumn {
    enum class Type { Int, Double, Tiny, VarChar, Text } type;
    int chars = 0; // VARCHAR length
    bool nullable = true;

    // Bytes the server counts towards a row, and bytes an InnoDB record
    // needs at most: long values may move off the page and leave a 20-byte
    // pointer behind.
    struct TSize {
        int server, innoDb;
    };
    TSize size() const {
        switch (type) {
        case Type::Int:
            return {4, 4};
        case Type::Double:
            return {8, 8};
        case Type::Tiny:
            return {1, 1};
        case Type::Text:
            return {10, 21};
        case Type::VarChar: {
            const int bytes = chars * kBytesPerChar;
            return {bytes + (bytes > 255 ? 2 : 1), bytes > 255 ? 21 : bytes + 1};
        }
        }
        return {0, 0};
    }
    // Bytes of the column in an index.
    int keyBytes() const {
        return type == Type::VarChar ? chars * kBytesPerChar
                                     : (type == Type::Text ? kLongText : size().server);
    }
};

bool hasSecondColumn(const TBField& f) {
    return f.FieldType == FieldTypes::ImageLink || f.FieldType == FieldTypes::Mailto ||
           f.FieldType == FieldTypes::Hyperlink;
}

// The field's columns, the column its unique keys name first.
std::vector<TColumn> columnsOf(const TBField& f) {
    using T = TColumn::Type;
    const bool unique = f.NoDuplicates || f.Key;
    const bool nullable = !f.Required;
    const TColumn text{T::Text, 0, nullable};
    const TColumn uniqueText{T::VarChar, 255, nullable};
    std::vector<TColumn> columns;
    if (f.FieldType == FieldTypes::Text)
        columns = {unique ? TColumn{T::VarChar, f.MaxLength, nullable} : text};
    else if (f.FieldType == FieldTypes::Integer || f.FieldType == FieldTypes::Image)
        columns = {{T::Int, 0, nullable}};
    else if (f.FieldType == FieldTypes::Real)
        columns = {{T::Double, 0, nullable}};
    else if (f.FieldType == FieldTypes::YesNo)
        columns = {{T::Tiny, 0, nullable}};
    else if (f.FieldType == FieldTypes::DateTime)
        columns = {{T::VarChar, 14, nullable}};
    else if (f.FieldType == FieldTypes::ImageLink)
        columns = {unique ? uniqueText : text, {T::Int, 0, nullable}};
    else if (hasSecondColumn(f)) // Mailto, Hyperlink: the key is the address
        columns = {unique ? uniqueText : text, text};
    columns.push_back({T::Tiny, 0, false}); // the field's lock
    return columns;
}

TDefinitionProblem tableProblem(const QString& what) {
    return {QString(), 0, what};
}

} // namespace

TDefinitionCheck CheckTableLimits(const TBTable& t) {
    int columns = 0;
    int nullable = 0;
    qint64 serverBytes = 0;
    qint64 innoDbBytes = 0;
    int indexes = 0;
    int keyParts = 0;
    qint64 keyBytes = 0;
    bool singleUniqueKey = false;
    for (const TBField& f : t.Fields) {
        const std::vector<TColumn> own = columnsOf(f);
        for (const TColumn& c : own) {
            ++columns;
            nullable += c.nullable ? 1 : 0;
            serverBytes += c.size().server;
            innoDbBytes += c.size().innoDb;
        }
        if (f.NoDuplicates)
            ++indexes;
        if (f.Key) {
            ++keyParts;
            keyBytes += own.front().keyBytes();
            singleUniqueKey = f.NoDuplicates;
        }
    }
    // One key over the Key fields, unless a single one is unique already.
    if (keyParts > 1 || (keyParts == 1 && !singleUniqueKey))
        ++indexes;

    const int userFields = int(std::count_if(t.Fields.begin(), t.Fields.end(),
                                             [](const TBField& f) { return f.SeqNo > 0; }));
    if (columns > kMaxColumns)
        return tableProblem(
            QStringLiteral("The table would have %1 columns for its %2 fields; MariaDB and MySQL "
                           "allow %3. Each field takes two columns (Image link, Mailto and "
                           "Hyperlink three): remove fields.")
                .arg(columns)
                .arg(userFields)
                .arg(kMaxColumns));
    if (indexes > kMaxIndexes)
        return tableProblem(
            QStringLiteral("The table would have %1 unique keys; MariaDB and MySQL allow %2. Each "
                           "field with No duplicates has one: clear No duplicates on some fields.")
                .arg(indexes)
                .arg(kMaxIndexes));
    if (keyParts > kMaxKeyParts)
        return tableProblem(QStringLiteral("%1 fields are marked Key; a key may have at most %2.")
                                .arg(keyParts)
                                .arg(kMaxKeyParts));
    if (keyBytes > kMaxKeyBytes)
        return tableProblem(
            QStringLiteral("The fields marked Key make a key of %1 bytes; at most %2 are allowed "
                           "(a text takes 4 bytes per character of its Max length, Image link, "
                           "Mailto and Hyperlink 1020).")
                .arg(keyBytes)
                .arg(kMaxKeyBytes));
    const int nullBytes = (nullable + 1 + 7) / 8;
    if (serverBytes + nullBytes > kMaxRowBytes)
        return tableProblem(
            QStringLiteral("A record would need %1 bytes; MariaDB and MySQL allow %2. Fields with "
                           "No duplicates or Key take 4 bytes per character of their Max length: "
                           "lower it or clear the option on some fields.")
                .arg(serverBytes + nullBytes)
                .arg(kMaxRowBytes));
    // Record header, null flags, the transaction and rollback fields.
    const qint64 record = 5 + (nullable + 7) / 8 + 13 + innoDbBytes;
    if (record >= kMaxInnoDbRecord)
        return tableProblem(
            QStringLiteral("The %1 fields need %2 bytes in a record; MariaDB and MySQL allow %3. "
                           "A text field takes 22 bytes, a Date & time field 58 and a text of up "
                           "to 63 characters with No duplicates 4 per character: remove fields.")
                .arg(userFields)
                .arg(record)
                .arg(kMaxInnoDbRecord - 1));
    return std::nullopt;
}
