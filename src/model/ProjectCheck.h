#pragma once

#include "Table.h"

#include <QString>
#include <QStringList>

#include <optional>

// The one set of checks a project definition must pass before it is stored
// from a file, taken from a dialog, or generated and sent to a server: what
// the database, the generated pages and the record files can work with.

// The first rule a definition breaks.
struct TDefinitionProblem {
    // The setting concerned (its store name), or for a field the field value
    // concerned ("MaxLength"); empty when the table as a whole is concerned.
    QString Setting;
    // Sequence number of the field concerned; 0 for a setting or the table.
    qint32 Field = 0;
    // Names the setting or field and says what is allowed.
    QString Message;
};
using TDefinitionCheck = std::optional<TDefinitionProblem>;

// The settings of the settings dialog (table name, page sizes, delimiters, paths).
TDefinitionCheck CheckSettings(const TBTable& t);
// The delimiters of the record files: what Export and Import can carry
// exactly, in the site's character set. Part of CheckSettings.
TDefinitionCheck CheckDelimiters(const TBTable& t);
// One field's own values (not its column names).
TDefinitionCheck CheckField(const TBField& f);
// Column names of the user's fields: valid, not reserved, not used twice.
TDefinitionCheck CheckColumnNames(const TBTable& t);
// Columns, keys and record size within what MariaDB and MySQL allow.
TDefinitionCheck CheckTableLimits(const TBTable& t);
// Everything above, settings first, then the fields in order, then the table.
TDefinitionCheck CheckProject(const TBTable& t);

// A field as the field details dialog returns it, in the table it goes
// into: n is its sequence number, 0 for a new field. Checks the field and
// the table's limits with it.
TDefinitionCheck CheckFieldInTable(const TBTable& t, const TBField& entered, qint32 n);

// A new name for a project: refused when a stored project has the same name
// in another case (the stores of other platforms hold them as one).
TDefinitionCheck CheckProjectName(const QString& name, const QStringList& storedProjects);

// Web addresses and remote folders: "/" separated and ending with one,
// unless empty. Local folders end with "/" unless empty.
QString WebPath(const QString& text);
QString LocalFolderPath(const QString& text);
