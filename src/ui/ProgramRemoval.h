#pragma once

#include <QString>

// How the user removes the program itself; the welcome window's Uninstall
// deletes only the projects. A program installed from its package is removed
// with the package manager, any other copy by deleting its files.
// programFile: the running executable; packageList: the package manager's
// list of the package's files.
QString ProgramRemovalHint(const QString& programFile, const QString& packageList);
// The same for the running program.
QString ProgramRemovalHint();
