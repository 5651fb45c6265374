#pragma once

#include <QStringList>

class TBTable;

// The files of a generated site, by folder.
namespace SiteFiles {

// What Generate writes for the project's settings, in report order: the
// visitor half (LocalPath) and the administrator half (LocalPath/admin).
QStringList Visitor(const TBTable& t);
QStringList Admin(const TBTable& t);

// Every file the program may write into LocalPath and LocalPath/admin,
// whatever the settings: the only files the local removal deletes.
const QStringList& OwnVisitor();
const QStringList& OwnAdmin();

// The site files the server removal deletes from PHPPath and PHPPath/admin.
const QStringList& RemoteVisitor();
const QStringList& RemoteAdmin();

} // namespace SiteFiles
