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
// A long value leaves a 20-byte pointer and its length in the record, but
// one of up to 40 bytes stays in it whole: the most a long column takes.
constexpr int kLongInRecord = 40 + 1;

struct TColumn {
    enum class Type { Int, Double, Tiny, VarChar, Text } type;
    int chars = 0; // VARCHAR length
    bool nullable = true;

    // Bytes the server counts towards a row, and bytes an InnoDB record
    // needs at most when every value is as long as it can be there.
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
            return {10, kLongInRecord};
        case Type::VarChar: {
            const int bytes = chars * kBytesPerChar;
            return {bytes + (bytes > 255 ? 2 : 1), bytes > 255 ? kLongInRecord : bytes + 1};
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
    std::vector<std::pair<qint64, const TBField*>> roomiest; // bytes in a record, field
    for (const TBField& f : t.Fields) {
        const std::vector<TColumn> own = columnsOf(f);
        qint64 fieldBytes = 0;
        for (const TColumn& c : own) {
            ++columns;
            nullable += c.nullable ? 1 : 0;
            serverBytes += c.size().server;
            fieldBytes += c.size().innoDb;
        }
        innoDbBytes += fieldBytes;
        if (f.SeqNo > 0)
            roomiest.push_back({fieldBytes, &f});
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
    if (record >= kMaxInnoDbRecord) {
        // Name the fields that take the most room, so the user knows which.
        std::stable_sort(roomiest.begin(), roomiest.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        QStringList names;
        for (qsizetype i = 0; i < qsizetype(roomiest.size()) && i < 8; ++i)
            names << u'"' + roomiest[size_t(i)].second->Name + u'"';
        if (roomiest.size() > 8)
            names << QStringLiteral("%1 more").arg(roomiest.size() - 8);
        return tableProblem(
            QStringLiteral("A full record of the %1 fields needs %2 bytes; MariaDB and MySQL "
                           "keep at most %3 in a record, so a record with every field filled "
                           "would be refused. A text field takes up to 42 bytes, a Date & time "
                           "field 58 and a text of up to 63 characters with No duplicates 4 per "
                           "character. The fields that take the most: %4. Remove some fields.")
                .arg(userFields)
                .arg(record)
                .arg(kMaxInnoDbRecord - 1)
                .arg(names.join(QStringLiteral(", "))));
    }
    return std::nullopt;
}
