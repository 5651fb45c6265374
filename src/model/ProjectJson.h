#pragma once

#include "ProjectCheck.h"
#include "Table.h"

#include <QJsonObject>
#include <stdexcept>

class TProjectJsonError : public std::runtime_error {
public:
    explicit TProjectJsonError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A project as a JSON object: "DbName", "Settings" (every setting under its
// store name) and "Fields" (the user's fields in SeqNo order).
QJsonObject ProjectToJson(const TBTable& table);
// Missing values take the defaults of loading a store key without them; paths
// get their closing "/". A field without column names takes those of the
// `stored` project's field of the same Name, else gets them from its Name as
// a new field would. Unknown names, values of the wrong kind and a definition
// that fails the project checks raise TProjectJsonError naming them.
TBTable ProjectFromJson(const QJsonObject& json, const TBTable* stored = nullptr);

// Where settings are in a project's JSON: "Settings.LocalPath".
QStringList JsonSettingPlaces(const QStringList& settings);
// Where a definition problem is in the project's JSON: "Settings.LinesPerPage",
// "Fields[2].MaxLength" (the index in "Fields"); empty when the table as a
// whole is concerned.
QStringList JsonPlacesOf(const TBTable& t, const TDefinitionProblem& problem);
