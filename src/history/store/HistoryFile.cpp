// SPDX-License-Identifier: MIT
#include "HistoryFile.h"

#include "FolderLock.h"
#include "PlainHistorySealing.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <glib.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;

// A folder the history may live in: a folder of its own (no link), this user's, and writable by
// nobody else, who could put a file of their own in the history's place. Made 0700.
void checkPrivateFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), folder.string());
    struct stat status {};
    const bool read = ::fstat(fd, &status) == 0;
    const bool own = read && status.st_uid == ::geteuid() && (status.st_mode & 022) == 0;
    const bool privateNow = own && ::fchmod(fd, 0700) == 0;
    ::close(fd);
    if (!privateNow)
        throw std::system_error(EPERM, std::generic_category(),
                                folder.string() + " is not this user's own folder");
}

// Whether a history file (or its log) is one SQLite of this user made: no link, this user's,
// and writable by nobody else. Nothing there is fine too.
bool isOwnFile(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 022) == 0;
}

// SQLite gives the log files the mode of the database file, so making the file 0600 before
// SQLite first opens it covers all three.
void createPrivateFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), path.string());
    const int changed = ::fchmod(fd, 0600); // a file made by an older run with a wider mode
    ::close(fd);
    if (changed != 0)
        throw std::system_error(errno, std::generic_category(), path.string());
}

std::string setAside(const fs::path& file, std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    fs::path target = file.string() + ".broken-" + stamp;
    // Links are moved as they are, never followed.
    const auto present = [](const fs::path& path) { return fs::exists(fs::symlink_status(path)); };
    const auto taken = [&](const fs::path& name) {
        return present(name) || present(name.string() + "-wal") ||
               present(name.string() + "-ledger");
    };
    for (int n = 2; taken(target); ++n)
        target = file.string() + ".broken-" + stamp + "-" + std::to_string(n);
    if (present(file))
        fs::rename(file, target);
    // The log and the ledger belong to the file: they go with it. The shared-memory index is
    // rebuilt from them, so it is only removed.
    std::error_code ignored;
    for (const char* belonging : {"-wal", "-ledger"})
        if (present(file.string() + belonging))
            fs::rename(file.string() + belonging, target.string() + belonging, ignored);
    fs::remove(file.string() + "-shm", ignored);
    fs::remove(file.string() + "-ledger-new", ignored);
    return target.string();
}

} // namespace

std::string keptHistoryFolder() {
    return (fs::path(g_get_user_data_dir()) / "Quillet").string();
}

OpenedHistory openKeptHistory(const std::string& folder, std::chrono::system_clock::time_point now,
                              const SealedVfs* seal) {
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0)
        throw std::system_error(errno, std::generic_category(), folder);
    checkPrivateFolder(folder);
    // Another Quillet opening the same file meanwhile would find it half made (an empty file
    // looks unusable) and move it away under this one.
    const FolderLock lock(folder);
    const fs::path file = fs::path(folder) / kHistoryFileName;
    OpenedHistory opened;
    // An empty file is one that was never a history (SQLite would take it as a new one).
    std::error_code noSize;
    // A file, or a log, behind a link or of another user's making is not read: it is set
    // aside with its log, as an unusable file is.
    const bool own = isOwnFile(file) && isOwnFile(file.string() + "-wal") &&
                     isOwnFile(file.string() + "-shm") && isOwnFile(file.string() + "-ledger");
    if (!own || (fs::exists(file) && fs::file_size(file, noSize) == 0 && !noSize))
        opened.setAsideAs = setAside(file, now);
    removeUnfinishedSealing(file.string());
    const HistoryFileForm form = historyFileForm(file.string());
    if (seal == nullptr && form == HistoryFileForm::Sealed)
        throw SealedHistoryWithoutKey("the kept history is sealed and no key opens it");
    const SealedVfs* openWith = seal;
    if (seal != nullptr && form == HistoryFileForm::Plain) {
        try {
            HistoryStore{file.string()}; // only a history of ours is sealed, at its version
            opened.sealedNow = sealPlainHistory(file.string(), *seal);
            if (!opened.sealedNow) // another Quillet is writing to it: sealed at the next start
                openWith = nullptr;
        } catch (const UnusableHistoryFile&) {
            opened.setAsideAs = setAside(file, now);
        }
    }
    createPrivateFile(file);
    try {
        opened.store = std::make_unique<HistoryStore>(file.string(), openWith);
    } catch (const UnusableHistoryFile&) {
        opened.setAsideAs = setAside(file, now);
        createPrivateFile(file);
        opened.store = std::make_unique<HistoryStore>(file.string(), seal);
    }
    return opened;
}

void deleteKeptHistory(const std::string& folder) {
    if (!fs::exists(folder))
        return;
    // Under the lock, as opening is: another Quillet opening the file meanwhile would find its
    // log gone under it.
    const FolderLock lock(folder);
    const fs::path file = fs::path(folder) / kHistoryFileName;
    for (const char* suffix : {"", "-wal", "-shm", "-ledger", "-ledger-new"})
        fs::remove(file.string() + suffix);
}

} // namespace quillet
