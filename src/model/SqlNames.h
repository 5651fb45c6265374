#pragma once

#include <QString>

// Whether the database refuses the name as an unquoted table or column name
// (compared without regard to case).
bool IsReservedSqlWord(const QString& name);
