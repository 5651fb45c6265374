#pragma once

#include "Store.h"
#include "Table.h"

// Projects in the store: one subkey of the root per project, named as the
// user typed the name. Every function raises TStoreError when the store file
// cannot be read or written; what was stored before stays.
namespace ProjectStore {

QStringList List(const TStore& store);
bool Exists(const TStore& store, const QString& name);
// Creates the empty project key (loading it gives the stored defaults).
void Create(TStore& store, const QString& name);
// An empty name gives a new project; an absent key gives a table with the
// built-in fields only and every setting empty, false or 0.
TBTable Load(const TStore& store, const QString& name);
// Writes the whole project under table.DbName in one atomic step.
void Save(TStore& store, const TBTable& table);
void Remove(TStore& store, const QString& name);
void MarkUploaded(TStore& store, const QString& name);
bool ReadUploaded(const TStore& store, const QString& name);
// An upload stopped half-way: files were sent, the tables may not exist.
void MarkUploadIncomplete(TStore& store, const QString& name, bool incomplete);
bool ReadUploadIncomplete(const TStore& store, const QString& name);
// The export runs that may have left staged tables and parts on the server
// (noted when one begins, cleared when it ended cleanly), comma-separated;
// empty when none.
void SetTransferRun(TStore& store, const QString& name, const QString& run);
QString ReadTransferRun(const TStore& store, const QString& name);
// Writes one trust setting (TrustedCertificates, TrustedHostKey) of a stored
// project without touching the rest of it.
void StoreTrust(TStore& store, const QString& name, const QString& setting,
                const QString& fingerprint);

// The help folder kept at the store root.
QString HelpPath(const TStore& store);
void SetHelpPath(TStore& store, const QString& path);

} // namespace ProjectStore
