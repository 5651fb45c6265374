#pragma once

#include <QString>

// Read-only data shipped with the program (Language.ini, preview.htm, skins,
// help pages) lies beside the executable or in the installed data folder.
// CORVANTA_DATA_DIR, when set, names the one folder to use instead (tests).
// Returns the path of the first existing candidate, or an empty string.
QString DataFilePath(const QString& name);
// The folder where shipped data is looked up first.
QString DataFolder();
// True when path lies in one of the folders shipped data comes from: such
// files are shared by every user and project and are never rewritten.
bool IsShippedData(const QString& path);
// Per-user folder for files the program writes (preview copies).
QString UserDataFolder();
