#pragma once

#include <QString>
#include <QStringList>

// One field of the project's table. Field types and input types are held and
// compared as their display texts.
struct TBField {
    QString FieldName;  // SQL column; never changed after creation
    QString FieldName2; // second column of "Image link", "Mailto", "Hyperlink"
    qint32 SeqNo = 0;   // 1..n for the user's fields, 0 for the built-in ones
    QString FieldType;
    qint32 MaxLength = 0;
    QString DecimalSymbol;
    bool NoDuplicates = false;
    bool Required = false;
    bool Key = false;
    QString Name; // the label the user typed
    bool Visible = false;
    bool Searchable = false;
    bool Hidden = false;
    bool Editable = false;
    QString InputType;
    qint32 TextLength = 0;
    QStringList EnumValues;
    QString DateTimeFormat;
    qint32 ImageWidth = 0;
    qint32 ImageHeight = 0;
    qint32 TextAreaColumns = 0;
    qint32 TextAreaLines = 0;

    // A field as loading a store key without values builds it.
    static TBField StoredDefaults();
    // What a field the user creates starts with: shown in the results,
    // searchable and editable, so a site built from names and types alone
    // can be searched and read; text up to 100 characters.
    static TBField NewField();
    // Copies what the field details dialog edits (everything but the column
    // names and the sequence number).
    void AssignEditable(const TBField& from);

    bool operator==(const TBField&) const = default;
};

// "000001" for 1: the last six characters of "00000" + decimal SeqNo.
QString FieldKey(qint32 seqNo);

namespace FieldTypes {
inline const QString Text = QStringLiteral("Text");
inline const QString Integer = QStringLiteral("Integer");
inline const QString Real = QStringLiteral("Real number");
inline const QString YesNo = QStringLiteral("Yes/No");
inline const QString DateTime = QStringLiteral("Date & time");
inline const QString Image = QStringLiteral("Image");
inline const QString ImageLink = QStringLiteral("Image link");
inline const QString Mailto = QStringLiteral("Mailto");
inline const QString Hyperlink = QStringLiteral("Hyperlink");
// In the order the program offers them.
QStringList All();
} // namespace FieldTypes

namespace InputTypes {
inline const QString Text = QStringLiteral("Text");
inline const QString Radio = QStringLiteral("Radio");
inline const QString Select = QStringLiteral("Select");
inline const QString Checkbox = QStringLiteral("Checkbox");
inline const QString TextArea = QStringLiteral("Text area");
inline const QString DateTime = QStringLiteral("Date & time");
inline const QString Image = QStringLiteral("Image");
inline const QString ImageLink = QStringLiteral("Image link");
inline const QString Mailto = QStringLiteral("Mailto");
inline const QString Hyperlink = QStringLiteral("Hyperlink");
QStringList All();
} // namespace InputTypes

// The date and time formats a "Date & time" field may use.
QStringList DateTimeFormats();
