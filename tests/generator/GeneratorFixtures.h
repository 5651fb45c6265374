#pragma once

#include "generator/PHPgenerator.h"
#include "model/TableFields.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A user field: column names from `column`; `flags` holds R (Required),
// U (NoDuplicates), K (Key), S (Searchable).
TBField MakeField(const QString& column, const QString& type, const QString& flags = {},
                  qint32 maxLength = 40);
// A new project with these fields (numbered in order) and an administrator
// password.
TBTable MakeProject(const QString& tableName, const std::vector<TBField>& fields);

// A generator whose warnings are collected.
struct TGeneratorProbe {
    QStringList warnings;
    TPHPGenerator generator{[this](const QString& text) { warnings += text; }};
};

// The text of the first paragraph of class `cssClass` in an answer, or a null
// array when there is none.
QByteArray Paragraph(const QByteArray& answer, const QByteArray& cssClass);
// The text between two markers of a download answer.
QByteArray Section(const QByteArray& answer, const QByteArray& start, const QByteArray& end);
