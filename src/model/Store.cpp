#include "Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool TStoreKey::NameLess::operator()(const QString& a, const QString& b) const {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

const TStoreValue* TStoreKey::findValue(const QString& name) const {
    for (const TStoreValue& v : values_)
        if (v.name == name)
            return &v;
    return nullptr;
}

TStoreValue& TStoreKey::valueSlot(const QString& name) {
    for (TStoreValue& v : values_)
        if (v.name == name)
            return v;
    values_.append(TStoreValue{name, TStoreValue::Kind::String, {}, 0});
    return values_.last();
}

namespace {
QString kindError(const QString& where, const QString& name, const char* expected) {
    return QStringLiteral("The stored value \"%1\" of %2 is not %3.")
        .arg(name, where.isEmpty() ? QStringLiteral("the project") : where,
             QString::fromLatin1(expected));
}
} // namespace

std::optional<QString> TStoreKey::readString(const QString& name, const QString& where) const {
    const TStoreValue* v = findValue(name);
    if (!v)
        return std::nullopt;
    if (v->kind != TStoreValue::Kind::String)
        throw TStoreError(kindError(where, name, "a text"));
    return v->text;
}

std::optional<qint32> TStoreKey::readInteger(const QString& name, const QString& where) const {
    const TStoreValue* v = findValue(name);
    if (!v)
        return std::nullopt;
    if (v->kind != TStoreValue::Kind::Integer)
        throw TStoreError(kindError(where, name, "a number"));
    return v->number;
}

void TStoreKey::writeString(const QString& name, const QString& text) {
    TStoreValue& v = valueSlot(name);
    v.kind = TStoreValue::Kind::String;
    v.text = text;
    v.number = 0;
}

void TStoreKey::writeInteger(const QString& name, qint32 number) {
    TStoreValue& v = valueSlot(name);
    v.kind = TStoreValue::Kind::Integer;
    v.text.clear();
    v.number = number;
}

bool TStoreKey::deleteValue(const QString& name) {
    for (qsizetype i = 0; i < values_.size(); ++i) {
        if (values_.at(i).name == name) {
            values_.removeAt(i);
            return true;
        }
    }
    return false;
}

QStringList TStoreKey::subkeyNames() const {
    QStringList names;
    for (const auto& [name, key] : subkeys_)
        names.append(name);
    return names;
}

const TStoreKey* TStoreKey::subkey(const QString& name) const {
    const auto it = subkeys_.find(name);
    return it == subkeys_.end() ? nullptr : &it->second;
}

TStoreKey* TStoreKey::subkey(const QString& name) {
    const auto it = subkeys_.find(name);
    return it == subkeys_.end() ? nullptr : &it->second;
}

TStoreKey& TStoreKey::createSubkey(const QString& name) {
    return subkeys_[name];
}

bool TStoreKey::deleteSubkey(const QString& name) {
    return subkeys_.erase(name) > 0;
}

void TStoreKey::clear() {
    values_.clear();
    subkeys_.clear();
}

bool TStoreKey::operator==(const TStoreKey& other) const {
    if (values_.size() != other.values_.size() || subkeys_.size() != other.subkeys_.size())
        return false;
    for (qsizetype i = 0; i < values_.size(); ++i) {
        const TStoreValue& a = values_.at(i);
        const TStoreValue& b = other.values_.at(i);
        if (a.name != b.name || a.kind != b.kind || a.text != b.text || a.number != b.number)
            return false;
    }
    auto it = other.subkeys_.begin();
    for (const auto& [name, key] : subkeys_) {
        if (name != it->first || !(key == it->second))
            return false;
        ++it;
    }
    return true;
}

// ---------------------------------------------------------------------------
// File format

namespace {

const char kFormat[] = "corvanta-store";
// Far more than any store holds (a project takes some kilobytes).
constexpr qint64 kMaxStoreBytes = 64 << 20;

QJsonObject keyToJson(const TStoreKey& key) {
    QJsonArray values;
    for (const TStoreValue& v : key.values()) {
        QJsonObject o{{QStringLiteral("name"), v.name}};
        if (v.kind == TStoreValue::Kind::String)
            o.insert(QStringLiteral("string"), v.text);
        else
            o.insert(QStringLiteral("integer"), v.number);
        values.append(o);
    }
    QJsonObject keys;
    for (const auto& [name, sub] : key.subkeys())
        keys.insert(name, keyToJson(sub));
    return {{QStringLiteral("values"), values}, {QStringLiteral("keys"), keys}};
}

[[noreturn]] void damaged(const QString& path, const QString& what) {
    throw TStoreError(QStringLiteral("The project store %1 is damaged (%2). It was left as it is.")
                          .arg(path, what));
}

void keyFromJson(const QJsonValue& json, TStoreKey& key, const QString& path) {
    if (!json.isObject())
        damaged(path, QStringLiteral("a key is not an object"));
    const QJsonObject o = json.toObject();
    // A part of the wrong kind must not read as empty: the next save would
    // write the emptiness back and lose what the part held.
    const QJsonValue valuesPart = o.value(QStringLiteral("values"));
    if (!valuesPart.isUndefined() && !valuesPart.isArray())
        damaged(path, QStringLiteral("the values of a key are not a list"));
    const QJsonValue keysPart = o.value(QStringLiteral("keys"));
    if (!keysPart.isUndefined() && !keysPart.isObject())
        damaged(path, QStringLiteral("the subkeys of a key are not an object"));
    for (const QJsonValue& item : valuesPart.toArray()) {
        if (!item.isObject())
            damaged(path, QStringLiteral("a value is not an object"));
        const QJsonObject v = item.toObject();
        const QString name = v.value(QStringLiteral("name")).toString();
        if (name.isEmpty())
            damaged(path, QStringLiteral("a value has no name"));
        if (key.hasValue(name))
            damaged(path, QStringLiteral("value \"%1\" appears twice").arg(name));
        const bool isString = v.contains(QStringLiteral("string"));
        const bool isInteger = v.contains(QStringLiteral("integer"));
        if (isString && isInteger)
            damaged(path, QStringLiteral("value \"%1\" has two kinds").arg(name));
        if (isString) {
            if (!v.value(QStringLiteral("string")).isString())
                damaged(path, QStringLiteral("value \"%1\" is not text").arg(name));
            key.writeString(name, v.value(QStringLiteral("string")).toString());
        } else if (isInteger) {
            const double number = v.value(QStringLiteral("integer")).toDouble(0.5);
            if (number < -2147483648.0 || number > 2147483647.0 || number != std::trunc(number))
                damaged(path, QStringLiteral("value \"%1\" is not a 32-bit integer").arg(name));
            key.writeInteger(name, qint32(number));
        } else {
            damaged(path, QStringLiteral("value \"%1\" has no kind").arg(name));
        }
    }
    const QJsonObject keys = keysPart.toObject();
    for (auto it = keys.begin(); it != keys.end(); ++it)
        keyFromJson(it.value(), key.createSubkey(it.key()), path);
}

// The first object member name that appears twice in one object of valid
// JSON text: the JSON reader keeps only one of them, so the next save would
// drop the other without a word.
std::optional<QString> duplicatedName(const QByteArray& json) {
    struct TFrame {
        bool object;
        bool expectName;
        QSet<QString> names;
    };
    std::vector<TFrame> frames;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            qsizetype j = i + 1;
            bool escaped = false;
            for (; j < json.size() && json[j] != '"'; ++j)
                if (json[j] == '\\') {
                    escaped = true;
                    ++j;
                }
            if (!frames.empty() && frames.back().object && frames.back().expectName) {
                const QByteArray token = json.mid(i, j - i + 1);
                const QString name =
                    escaped ? QJsonDocument::fromJson('[' + token + ']').array().at(0).toString()
                            : QString::fromUtf8(token.mid(1, token.size() - 2));
                if (frames.back().names.contains(name))
                    return name;
                frames.back().names.insert(name);
                frames.back().expectName = false;
            }
            i = j;
        } else if (c == '{' || c == '[') {
            frames.push_back({c == '{', c == '{', {}});
        } else if ((c == '}' || c == ']') && !frames.empty()) {
            frames.pop_back();
        } else if (c == ',' && !frames.empty() && frames.back().object) {
            frames.back().expectName = true;
        }
    }
    return std::nullopt;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// What a failed file operation means for the user: the cause first.
QString whyNot(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("the disk is full (no free space or no free file entries left); "
                              "make room on it");
    case EDQUOT:
        return QStringLiteral("your disk quota is used up; make room in it");
    case EROFS:
        return QStringLiteral("its folder is on a read-only file system; mount it writable or "
                              "name another store in CORVANTA_STORE");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied; give yourself write access to its folder");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// Why a file cannot be made in `folder` now (for a lock that failed without
// saying why).
QString whyNoFileIn(const QString& folder) {
    const QString probe =
        QStringLiteral("%1/.corvanta-probe-%2").arg(folder).arg(qint64(::getpid()));
    const QByteArray name = QFile::encodeName(probe);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return whyNot(errno);
    // A lock file holds a few bytes: a disk without room fails only there.
    const bool written = ::write(fd, "x", 1) == 1 && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    ::unlink(name.constData());
    return written ? QStringLiteral("its lock file cannot be made") : whyNot(error);
}

// Why `path` cannot be reached: the first folder on its way that cannot be
// searched, or the system's reason.
QString unreachable(const QString& path, int error) {
    if (error == EACCES) {
        QStringList folders;
        for (QString dir = QFileInfo(path).absolutePath();; dir = QFileInfo(dir).path()) {
            folders.prepend(dir);
            if (QFileInfo(dir).path() == dir)
                break;
        }
        for (const QString& dir : folders)
            if (::access(QFile::encodeName(dir).constData(), X_OK) != 0)
                return QStringLiteral("the folder %1 cannot be opened (permission denied); give "
                                      "yourself access to it")
                    .arg(dir);
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void unwritable(const QString& path, const QString& why) {
    throw TStoreError(
        QStringLiteral("The project store %1 cannot be written: %2. Nothing was changed.")
            .arg(path, why));
}

// The file a store path names: a symbolic link is followed, so a save
// replaces the file it points to and the link stays.
QString followLinks(const QString& path) {
    QString file = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(file);
        if (!info.isSymLink())
            break;
        file = info.symLinkTarget();
    }
    return file;
}

// The store's folder and any missing folder above it, owner-only: the store
// holds passwords. Folders that exist are left as they are.
void makePrivateFolder(const QString& path, const QString& store) {
    QStringList missing;
    for (QString dir = QDir::cleanPath(path); !QFileInfo(dir).isDir();
         dir = QFileInfo(dir).path()) {
        missing.prepend(dir);
        if (QFileInfo(dir).path() == dir)
            break;
    }
    for (const QString& dir : missing)
        if (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && errno != EEXIST)
            unwritable(
                store,
                QStringLiteral("its folder %1 cannot be created: %2").arg(dir, whyNot(errno)));
}

// A save killed between writing its temporary file and the rename leaves
// that file behind; the next save, holding the lock, removes it.
void removeLeftovers(const QString& path) {
    const QFileInfo info(path);
    const QRegularExpression leftover(QStringLiteral("^%1\\.[0-9]+-[0-9a-f]{8}\\.tmp$")
                                          .arg(QRegularExpression::escape(info.fileName())));
    QDir dir = info.dir();
    const QStringList names = dir.entryList({info.fileName() + QStringLiteral(".*.tmp")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (leftover.match(name).hasMatch())
            dir.remove(name);
}

// Writes bytes to a fresh owner-only file beside `path` and renames it over
// `path`: the store holds passwords, and a reader sees the old or the new file.
void writeAtomically(const QString& path, const QByteArray& bytes) {
    const QString temp = QStringLiteral("%1.%2-%3.tmp")
                             .arg(path)
                             .arg(qint64(::getpid()))
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QByteArray tempName = QFile::encodeName(temp);
    const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        unwritable(path, whyNot(errno));
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString why = whyNot(n < 0 ? errno : ENOSPC);
            ::close(fd);
            ::unlink(tempName.constData());
            unwritable(path, why);
        }
        done += n;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const QString why = whyNot(errno);
        ::unlink(tempName.constData());
        unwritable(path, why);
    }
    if (::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0) {
        const QString why = whyNot(errno);
        ::unlink(tempName.constData());
        unwritable(path, why);
    }
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

QByteArray TStore::Serialize(const TStoreKey& root) {
    QJsonObject doc{{QStringLiteral("format"), QString::fromLatin1(kFormat)},
                    {QStringLiteral("version"), 1},
                    {QStringLiteral("root"), keyToJson(root)}};
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

TStoreKey TStore::Parse(const QByteArray& bytes, const QString& path) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (doc.isNull())
        damaged(path, error.errorString());
    if (const auto name = duplicatedName(bytes))
        damaged(path, QStringLiteral("\"%1\" appears twice in one key").arg(*name));
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != QLatin1String(kFormat))
        damaged(path, QStringLiteral("it is not a Corvanta store file"));
    if (o.value(QStringLiteral("version")).toInt() != 1)
        damaged(path, QStringLiteral("unknown version"));
    TStoreKey root;
    keyFromJson(o.value(QStringLiteral("root")), root, path);
    return root;
}

// ---------------------------------------------------------------------------

QString TStore::DefaultPath() {
    const QString overridden = qEnvironmentVariable("CORVANTA_STORE");
    if (!overridden.isEmpty())
        return overridden;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir(config).filePath(QStringLiteral("corvanta/store.json"));
}

TStore::TStore(QString path) : path_(std::move(path)) {}

TStoreKey TStore::read() const {
    const QString file = followLinks(path_);
    const QByteArray name = QFile::encodeName(file);
    const auto unreadable = [&](const QString& why) {
        return TStoreError(
            QStringLiteral("The project store %1 cannot be read: %2.").arg(path_, why));
    };
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        // Only a store not made yet is empty; a folder that cannot be read
        // must not look like one.
        if (errno == ENOENT)
            return {};
        throw unreadable(unreachable(file, errno));
    }
    // Nothing but a regular file of a sensible size: a link to a device or
    // a pipe must neither hang nor fill the memory.
    if (!S_ISREG(info.st_mode))
        throw unreadable(QStringLiteral("%1 is not a regular file; name a file in "
                                        "CORVANTA_STORE or remove it")
                             .arg(file));
    if (info.st_size > kMaxStoreBytes)
        throw unreadable(QStringLiteral("it is larger than %1 MB, more than a store holds; it "
                                        "was left as it is")
                             .arg(kMaxStoreBytes >> 20));
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw unreadable(errno == EACCES ? QStringLiteral("permission denied; give yourself read "
                                                          "access to it")
                                         : systemError());
    QFile in;
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw unreadable(in.errorString());
    }
    const QByteArray bytes = in.read(kMaxStoreBytes + 1);
    if (in.error() != QFileDevice::NoError)
        throw unreadable(in.errorString());
    if (bytes.size() > kMaxStoreBytes)
        throw unreadable(QStringLiteral("it is larger than %1 MB, more than a store holds; it "
                                        "was left as it is")
                             .arg(kMaxStoreBytes >> 20));
    return Parse(bytes, path_);
}

void TStore::update(const std::function<void(TStoreKey& root)>& change) {
    const QString file = followLinks(path_);
    makePrivateFolder(QFileInfo(file).absolutePath(), path_);
    QLockFile lock(file + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(60000)) {
        if (lock.error() == QLockFile::LockFailedError)
            unwritable(path_, QStringLiteral("another program keeps it locked"));
        // A full disk or a read-only mount fails the lock too: say which.
        unwritable(path_, whyNoFileIn(QFileInfo(file).absolutePath()));
    }
    // Re-read under the lock, so a second running instance's changes stay.
    TStoreKey root = read();
    change(root);
    removeLeftovers(file);
    writeAtomically(file, Serialize(root));
}
