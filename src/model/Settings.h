#pragma once

#include "Table.h"

#include <QList>
#include <variant>

// How one project setting is stored: its value name, the table member it
// lives in and the value that loading gives when the store lacks it.
// `WebLanguage` has no member: it is the message table's language name.
struct TSettingInfo {
    enum class Kind { String, Integer, Bool };
    using Member = std::variant<std::monostate, QString TBTable::*, qint32 TBTable::*,
                                bool TBTable::*>;

    QString name;
    Kind kind;
    Member member;
    qint32 storedDefault = 0; // integers and bools only; strings default to empty
};

// The 84 project values in the order the store writes them.
const QList<TSettingInfo>& ProjectSettings();

// How one field value is stored.
struct TFieldValueInfo {
    enum class Kind { String, Integer, Bool, Lines };
    using Member = std::variant<QString TBField::*, qint32 TBField::*, bool TBField::*,
                                QStringList TBField::*>;
    QString name;
    Kind kind;
    Member member;
};

// The 22 field values in the order the store writes them.
const QList<TFieldValueInfo>& FieldValues();

// EnumValues as stored: every line ended by CR LF.
QString JoinLines(const QStringList& lines);
QStringList SplitLines(const QString& text);
