#pragma once

#include <QString>

// The database's names for a character set of the pages (TBTable::PageCharSet).
// What a change of the set on a live site converts its tables to.

// The MySQL/MariaDB character set: UTF-8 is utf8mb4, ISO-8859-1 latin1, ...;
// an unknown set is latin1, which carries every byte unchanged.
QString SqlCharSet(const QString& charSet);
// The collation the site's tables get, or empty for the server's default of
// that set. UTF-8 tables compare by Unicode rules, without regard to case.
QString SqlCollation(const QString& charSet);
// The table options that give a new table the set and collation, with a
// leading blank; empty where the server's default is kept (the sets sites had
// before UTF-8 was the rule).
QString SqlTableCharSet(const QString& charSet);
