#include "ProjectStore.h"

#include "Settings.h"

#include <type_traits>

namespace {

const QString kUploaded = QStringLiteral("Uploaded");
const QString kUploadIncomplete = QStringLiteral("UploadIncomplete");
const QString kTransferRun = QStringLiteral("TransferRun");
const QString kHelpPath = QStringLiteral("HelpPath");

// Names the place of a stored value in error messages.
QString keyPath(const TStore& store, const QString& project) {
    return QStringLiteral("project \"%1\" in the store %2").arg(project, store.path());
}

} // namespace

void TBTable::LoadFromKey(const TStoreKey& key, const QString& where) {
    {
        // Start from an empty definition: nothing of an earlier load stays.
        TBTable fresh;
        fresh.DbName = DbName;
        fresh.MilliClock = MilliClock;
        *this = std::move(fresh);
    }
    for (const TSettingInfo& s : ProjectSettings()) {
        if (std::holds_alternative<std::monostate>(s.member)) {
            Language.Load(key.readString(s.name, where).value_or(QString()));
        } else if (auto str = std::get_if<QString TBTable::*>(&s.member)) {
            this->*(*str) = key.readString(s.name, where).value_or(QString());
        } else if (auto num = std::get_if<qint32 TBTable::*>(&s.member)) {
            this->*(*num) = key.readInteger(s.name, where).value_or(s.storedDefault);
        } else if (auto flag = std::get_if<bool TBTable::*>(&s.member)) {
            this->*(*flag) = key.readInteger(s.name, where).value_or(s.storedDefault) != 0;
        }
    }
    if (FieldDelimiter.isEmpty())
        FieldDelimiter = QStringLiteral("|");
    if (RecordDelimiter.isEmpty())
        RecordDelimiter = QStringLiteral("\n");
    if (ReplaceDelimiterWith.isEmpty())
        ReplaceDelimiterWith = QStringLiteral("_");
    // Projects stored before the one-page layout existed keep their frames.
    if (Layout != Layouts::OnePage)
        Layout = Layouts::Frames;
    // Projects stored before encryption was offered take it where offered.
    if (Transfer.isEmpty())
        Transfer = TransferModes::IfOffered;

    for (const auto& [subName, sub] : key.subkeys()) {
        const QString subWhere =
            where.isEmpty() ? subName : where + QStringLiteral(", field ") + subName;
        TBField field = TBField::StoredDefaults();
        for (const TFieldValueInfo& v : FieldValues()) {
            if (auto str = std::get_if<QString TBField::*>(&v.member)) {
                field.*(*str) = sub.readString(v.name, subWhere).value_or(QString());
            } else if (auto lines = std::get_if<QStringList TBField::*>(&v.member)) {
                field.*(*lines) = SplitLines(sub.readString(v.name, subWhere).value_or(QString()));
            } else if (auto num = std::get_if<qint32 TBField::*>(&v.member)) {
                if (auto stored = sub.readInteger(v.name, subWhere))
                    field.*(*num) = *stored;
            } else if (auto flag = std::get_if<bool TBField::*>(&v.member)) {
                if (auto stored = sub.readInteger(v.name, subWhere))
                    field.*(*flag) = *stored != 0;
            }
        }
        Fields.push_back(field);
    }
}

void TBTable::SaveToKey(TStoreKey& key) const {
    for (const TSettingInfo& s : ProjectSettings()) {
        if (std::holds_alternative<std::monostate>(s.member))
            key.writeString(s.name, Language.Name());
        else if (auto str = std::get_if<QString TBTable::*>(&s.member))
            key.writeString(s.name, this->*(*str));
        else if (auto num = std::get_if<qint32 TBTable::*>(&s.member))
            key.writeInteger(s.name, this->*(*num));
        else if (auto flag = std::get_if<bool TBTable::*>(&s.member))
            key.writeInteger(s.name, this->*(*flag) ? 1 : 0);
    }
    // Deleted and renumbered fields disappear because every field subkey is
    // written anew.
    for (const QString& name : key.subkeyNames())
        key.deleteSubkey(name);
    for (const TBField& field : Fields) {
        if (field.SeqNo <= 0)
            continue;
        TStoreKey& sub = key.createSubkey(FieldKey(field.SeqNo));
        for (const TFieldValueInfo& v : FieldValues()) {
            if (auto str = std::get_if<QString TBField::*>(&v.member))
                sub.writeString(v.name, field.*(*str));
            else if (auto lines = std::get_if<QStringList TBField::*>(&v.member))
                sub.writeString(v.name, JoinLines(field.*(*lines)));
            else if (auto num = std::get_if<qint32 TBField::*>(&v.member))
                sub.writeInteger(v.name, field.*(*num));
            else if (auto flag = std::get_if<bool TBField::*>(&v.member))
                sub.writeInteger(v.name, field.*(*flag) ? 1 : 0);
        }
    }
}

namespace ProjectStore {

QStringList List(const TStore& store) {
    return store.read().subkeyNames();
}

bool Exists(const TStore& store, const QString& name) {
    return !name.isEmpty() && store.read().subkey(name) != nullptr;
}

// The key holds what a new project differs in from a key without values.
void Create(TStore& store, const QString& name) {
    // A new project starts with the shipped default skin: without one the
    // settings cannot be confirmed, and a newcomer would not know where to
    // find one. It gets the one-page layout (a key without one keeps the
    // frames it was made with) and sends no passwords until asked to.
    const TBTable fresh = TBTable::New();
    store.update([&](TStoreKey& root) {
        TStoreKey& key = root.createSubkey(name);
        key.writeString(QStringLiteral("Skin"), fresh.Skin);
        key.writeString(QStringLiteral("Layout"), fresh.Layout);
        key.writeInteger(QStringLiteral("AllowSendPassword"), fresh.AllowSendPassword ? 1 : 0);
    });
}

TBTable Load(const TStore& store, const QString& name) {
    if (name.isEmpty())
        return TBTable::New();
    TBTable table;
    table.DbName = name;
    const TStoreKey root = store.read();
    if (const TStoreKey* key = root.subkey(name))
        table.LoadFromKey(*key, keyPath(store, name));
    return table;
}

void Save(TStore& store, const TBTable& table) {
    store.update([&](TStoreKey& root) { table.SaveToKey(root.createSubkey(table.DbName)); });
}

void Remove(TStore& store, const QString& name) {
    store.update([&](TStoreKey& root) { root.deleteSubkey(name); });
}

void MarkUploaded(TStore& store, const QString& name) {
    store.update([&](TStoreKey& root) { root.createSubkey(name).writeInteger(kUploaded, 1); });
}

void MarkUploadIncomplete(TStore& store, const QString& name, bool incomplete) {
    store.update([&](TStoreKey& root) {
        root.createSubkey(name).writeInteger(kUploadIncomplete, incomplete ? 1 : 0);
    });
}

bool ReadUploadIncomplete(const TStore& store, const QString& name) {
    const TStoreKey root = store.read();
    const TStoreKey* key = root.subkey(name);
    return key && key->readInteger(kUploadIncomplete, keyPath(store, name)).value_or(0) != 0;
}

void SetTransferRun(TStore& store, const QString& name, const QString& run) {
    store.update([&](TStoreKey& root) {
        TStoreKey& key = root.createSubkey(name);
        if (run.isEmpty())
            key.deleteValue(kTransferRun);
        else
            key.writeString(kTransferRun, run);
    });
}

QString ReadTransferRun(const TStore& store, const QString& name) {
    const TStoreKey root = store.read();
    const TStoreKey* key = root.subkey(name);
    return key ? key->readString(kTransferRun, keyPath(store, name)).value_or(QString())
               : QString();
}

void StoreTrust(TStore& store, const QString& name, const QString& setting,
                const QString& fingerprint) {
    store.update(
        [&](TStoreKey& root) { root.createSubkey(name).writeString(setting, fingerprint); });
}

bool ReadUploaded(const TStore& store, const QString& name) {
    const TStoreKey root = store.read();
    const TStoreKey* key = root.subkey(name);
    return key && key->readInteger(kUploaded, keyPath(store, name)).value_or(0) != 0;
}

QString HelpPath(const TStore& store) {
    return store.read()
        .readString(kHelpPath, QStringLiteral("the store %1").arg(store.path()))
        .value_or(QString());
}

void SetHelpPath(TStore& store, const QString& path) {
    store.update([&](TStoreKey& root) { root.writeString(kHelpPath, path); });
}

} // namespace ProjectStore
