#include "TempFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kPrefix[] = "corvanta-run-";
const char kLock[] = "run.lock";
// The files a folder may hold, removed in this order before the folder.
const std::array<const char*, 2> kFiles = {"part.php", kLock};

// The folders alive now, as C strings a signal handler may use: written
// only while the handler is blocked.
constexpr int kSlots = 8;
constexpr size_t kPathMax = 4096;
struct TSlot {
    std::atomic<bool> used{false};
    char path[kPathMax];
};
std::array<TSlot, kSlots>& liveFolders() {
    static std::array<TSlot, kSlots> s;
    return s;
}

const std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Only what is safe in a signal handler: unlink, rmdir, signal, raise.
void removeFolder(const char* folder) {
    char file[kPathMax + 64];
    for (const char* name : kFiles) {
        const size_t n = strlen(folder);
        if (n + 1 + strlen(name) + 1 > sizeof file)
            continue;
        memcpy(file, folder, n);
        file[n] = '/';
        strcpy(file + n + 1, name);
        unlink(file);
    }
    rmdir(folder);
}

void onSignal(int sig) {
    for (TSlot& s : liveFolders())
        if (s.used.load())
            removeFolder(s.path);
    // Then end as the signal would have ended the program.
    signal(sig, SIG_DFL);
    raise(sig);
}

// Installs the handler where the signal would end the program anyway.
void catchSignals() {
    static const bool installed = [] {
        liveFolders(); // made before a handler may look at it
        for (int sig : kSignals) {
            struct sigaction old {};
            if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
                continue;
            struct sigaction action {};
            action.sa_handler = onSignal;
            sigemptyset(&action.sa_mask);
            sigaction(sig, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// Runs `f` with the caught signals held back.
template <typename F> void withSignalsBlocked(F f) {
    sigset_t block, old;
    sigemptyset(&block);
    for (int sig : kSignals)
        sigaddset(&block, sig);
    pthread_sigmask(SIG_BLOCK, &block, &old);
    f();
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void removeTree(const QString& path) {
    QDir(path).removeRecursively();
}

} // namespace

TTempFolder::TTempFolder() {
    catchSignals();
    QTemporaryDir dir(QDir::tempPath() + u'/' + QLatin1String(kPrefix) + QStringLiteral("XXXXXX"));
    if (!dir.isValid())
        return;
    const QByteArray lockName = QFile::encodeName(dir.filePath(QLatin1String(kLock)));
    const int fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    const QByteArray native = QFile::encodeName(dir.path());
    withSignalsBlocked([&] {
        for (int i = 0; i < kSlots; ++i) {
            TSlot& s = liveFolders()[size_t(i)];
            if (!s.used.load() && size_t(native.size()) < kPathMax) {
                memcpy(s.path, native.constData(), size_t(native.size()) + 1);
                s.used.store(true);
                slot_ = i;
                break;
            }
        }
    });
    dir.setAutoRemove(false);
    path_ = dir.path();
    lock_ = fd;
}

TTempFolder::~TTempFolder() {
    if (path_.isEmpty())
        return;
    withSignalsBlocked([&] {
        if (slot_ >= 0)
            liveFolders()[size_t(slot_)].used.store(false);
    });
    removeTree(path_);
    ::close(lock_);
}

QString TTempFolder::FilePath(const QString& name) const {
    return QDir(path_).filePath(name);
}

void TTempFolder::RemoveLeftovers() {
    const QDir temp(QDir::tempPath());
    const QStringList names = temp.entryList({QLatin1String(kPrefix) + u'*'},
                                             QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : names) {
        const QString folder = temp.filePath(name);
        struct stat info {};
        const QByteArray native = QFile::encodeName(folder);
        // Only our own folders, never one a link points elsewhere.
        if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::getuid())
            continue;
        const QByteArray lockName = QFile::encodeName(QDir(folder).filePath(QLatin1String(kLock)));
        const int fd = ::open(lockName.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            // Killed before it took its lock: gone once it is a minute old.
            if (info.st_mtime < ::time(nullptr) - 60)
                removeTree(folder);
            continue;
        }
        // Its run holds the lock while it lives.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            removeTree(folder);
        ::close(fd);
    }
}
