// SPDX-License-Identifier: MIT
#include "HistoryFile.h"

#include "FolderLock.h"

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

// SQLite gives the log files the mode of the database file, so making the file 0600 before
// SQLite first opens it covers all three.
void createPrivateFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
    for (int n = 2; fs::exists(target); ++n)
        target = file.string() + ".broken-" + stamp + "-" + std::to_string(n);
    fs::rename(file, target);
    // The log belongs to the file: it goes with it. The shared-memory index is rebuilt from
    // them, so it is only removed.
    std::error_code ignored;
    if (fs::exists(file.string() + "-wal"))
        fs::rename(file.string() + "-wal", target.string() + "-wal", ignored);
    fs::remove(file.string() + "-shm", ignored);
    return target.string();
}

} // namespace

std::string keptHistoryFolder() {
    return (fs::path(g_get_user_data_dir()) / "Quillet").string();
}

OpenedHistory openKeptHistory(const std::string& folder,
                              std::chrono::system_clock::time_point now) {
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0)
        throw std::system_error(errno, std::generic_category(), folder);
    ::chmod(folder.c_str(), 0700);
    // Another Quillet opening the same file meanwhile would find it half made (an empty file
    // looks unusable) and move it away under this one.
    const FolderLock lock(folder);
    const fs::path file = fs::path(folder) / kHistoryFileName;
    OpenedHistory opened;
    // An empty file is one that was never a history (SQLite would take it as a new one).
    std::error_code noSize;
    if (fs::exists(file) && fs::file_size(file, noSize) == 0 && !noSize)
        opened.setAsideAs = setAside(file, now);
    createPrivateFile(file);
    try {
        opened.store = std::make_unique<HistoryStore>(file.string());
    } catch (const UnusableHistoryFile&) {
        opened.setAsideAs = setAside(file, now);
        createPrivateFile(file);
        opened.store = std::make_unique<HistoryStore>(file.string());
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
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(file.string() + suffix);
}

} // namespace quillet
