#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

// The per-user settings store: a tree of keys, each with named values of two
// kinds (string, 32-bit integer) and subkeys enumerated in ascending order.
// The root key of the tree is the program's own key; projects are its subkeys.

class TStoreError : public std::runtime_error {
public:
    explicit TStoreError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

struct TStoreValue {
    enum class Kind { String, Integer };
    QString name;
    Kind kind = Kind::String;
    QString text;
    qint32 number = 0;
};

class TStoreKey {
public:
    // Ascending, as the platform store enumerates them: without regard to
    // case first, then by case so the order is total.
    struct NameLess {
        bool operator()(const QString& a, const QString& b) const;
    };
    using Subkeys = std::map<QString, TStoreKey, NameLess>;

    // Values, in the order they were first written.
    const QList<TStoreValue>& values() const { return values_; }
    bool hasValue(const QString& name) const { return findValue(name) != nullptr; }
    // Reads raise TStoreError naming `where` (the key's path) when the value
    // has the other kind. An absent value gives nullopt.
    std::optional<QString> readString(const QString& name, const QString& where = {}) const;
    std::optional<qint32> readInteger(const QString& name, const QString& where = {}) const;
    void writeString(const QString& name, const QString& text);
    void writeInteger(const QString& name, qint32 number);
    bool deleteValue(const QString& name);

    QStringList subkeyNames() const;
    const Subkeys& subkeys() const { return subkeys_; }
    const TStoreKey* subkey(const QString& name) const;
    TStoreKey* subkey(const QString& name);
    // Opens the subkey, creating it when absent.
    TStoreKey& createSubkey(const QString& name);
    bool deleteSubkey(const QString& name);
    void clear();

    bool operator==(const TStoreKey& other) const;

private:
    const TStoreValue* findValue(const QString& name) const;
    TStoreValue& valueSlot(const QString& name);

    QList<TStoreValue> values_;
    Subkeys subkeys_;
};

// One store file. Every change is a locked read-modify-write of the whole
// file, written to a temporary file and renamed over the old one, so a crash
// or a second running instance never loses or corrupts what is stored.
class TStore {
public:
    // The file named by CORVANTA_STORE, else $XDG_CONFIG_HOME/corvanta/store.json.
    static QString DefaultPath();

    explicit TStore(QString path = DefaultPath());
    const QString& path() const { return path_; }

    // The whole tree as stored now; a missing file is an empty tree.
    // Raises TStoreError when the file cannot be read or is damaged.
    TStoreKey read() const;
    // Applies `change` to the current tree and stores the result; nothing is
    // written when `change` throws. Raises TStoreError on any failure, and
    // then the file holds what it held before.
    void update(const std::function<void(TStoreKey& root)>& change);

    // The file format, exposed for tools and tests.
    static QByteArray Serialize(const TStoreKey& root);
    static TStoreKey Parse(const QByteArray& bytes, const QString& path);

private:
    QString path_;
};
