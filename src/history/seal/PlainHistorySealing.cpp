// SPDX-License-Identifier: MIT
#include "PlainHistorySealing.h"

#include "PageSeal.h"
#include "Sqlite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace quillet {
namespace {

namespace fs = std::filesystem;

std::string sealingPath(const std::string& path) {
    return path + ".sealing";
}

// A file name as the path of a "file:" address (RFC 3986: all but unreserved bytes escaped).
std::string fileAddress(const std::string& path, const char* vfs) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string address = "file:";
    for (const unsigned char c : path) {
        if (std::isalnum(c) != 0 || std::strchr("/-._~", c) != nullptr) {
            address += static_cast<char>(c);
        } else {
            address += '%';
            address += kHex[c >> 4];
            address += kHex[c & 15];
        }
    }
    return address + "?vfs=" + vfs;
}

void throwErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// A file descriptor closed when it goes.
class OpenFile {
  public:
    OpenFile(const std::string& path, int flags, mode_t mode = 0)
        : fd_(::open(path.c_str(), flags | O_CLOEXEC, mode)) {
        if (fd_ < 0)
            throwErrno(path);
    }
    ~OpenFile() { ::close(fd_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

void syncFile(const std::string& path, int flags) {
    const OpenFile file(path, flags);
    if (::fsync(file.fd()) != 0)
        throwErrno(path);
}

// The plain bytes, out of the file the rename unlinked: the disk's blocks held them.
void overwriteWithZeros(const OpenFile& file) {
    struct stat status {};
    if (::fstat(file.fd(), &status) != 0)
        return;
    const std::vector<char> zeros(1 << 20);
    for (off_t at = 0; at < status.st_size;) {
        const auto length = std::min<off_t>(zeros.size(), status.st_size - at);
        const ssize_t wrote = ::pwrite(file.fd(), zeros.data(), length, at);
        if (wrote <= 0)
            return;
        at += wrote;
    }
    ::fdatasync(file.fd());
}

bool logIsEmpty(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path + "-wal", error);
    return error || size == 0;
}

} // namespace

HistoryFileForm historyFileForm(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return HistoryFileForm::Absent;
    char head[16] = {};
    const ssize_t read = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    if (read <= 0)
        return HistoryFileForm::Absent;
    return read == sizeof head && std::memcmp(head, "SQLite format 3", 16) == 0
               ? HistoryFileForm::Plain
               : HistoryFileForm::Sealed;
}

void removeUnfinishedSealing(const std::string& path) {
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm", "-journal", "-ledger", "-ledger-new"})
        fs::remove(sealingPath(path) + suffix, ignored);
}

bool sealPlainHistory(const std::string& path, const SealedVfs& seal) {
    removeUnfinishedSealing(path);
    const std::string sealing = sealingPath(path);
    // The copy's journal, which SQLite keeps while it writes the copy, stays in memory.
    const SealedVfs copying(seal.key(), SealedVfs::Journals::InMemory);
    // Made empty first, so the copy has the history's mode (0600), never the process's.
    OpenFile(sealing, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    {
        Database plain(path, false, nullptr, true);
        sqlite3_busy_timeout(plain.handle(), 5000);
        // Everything in the plain log goes into the file first, so the copy and the file hold
        // the same pages, and nothing is left in a log the sealed file could never read.
        Statement checkpoint = plain.prepare("PRAGMA wal_checkpoint(TRUNCATE)");
        if (checkpoint.step() && checkpoint.integer(0) != 0)
            return false;
        checkpoint.reset();
        // The copy's page size and reserved bytes, in this order (the page size resets the
        // other).
        plain.execute(("PRAGMA page_size=" + std::to_string(kSealedPageSize)).c_str());
        int reserve = static_cast<int>(kSealReserve);
        plain.check(
            sqlite3_file_control(plain.handle(), "main", SQLITE_FCNTL_RESERVE_BYTES, &reserve));
        Statement copy = plain.prepare("VACUUM INTO ?");
        copy.bind(1, fileAddress(sealing, copying.name()));
        copy.run();
    }
    {
        Database sealed(sealing, false, copying.name());
        sealed.execute("PRAGMA journal_mode=MEMORY; PRAGMA journal_mode=WAL");
        Statement check = sealed.prepare("PRAGMA quick_check");
        if (!check.step() || check.text(0) != "ok")
            throw SqliteError(SQLITE_CORRUPT, "the sealed copy of the history did not check");
    }
    syncFile(sealing, O_RDONLY);
    if (!logIsEmpty(path)) // another Quillet wrote meanwhile: the next start tries again
        return false;
    const OpenFile plainFile(path, O_RDWR | O_NOFOLLOW);
    std::error_code ignored;
    fs::remove(path + "-wal", ignored);
    fs::remove(path + "-shm", ignored);
    // The ledger first: a sealed file found without its ledger would be taken for one whose
    // ledger was removed.
    fs::rename(sealing + "-ledger", path + "-ledger", ignored);
    fs::rename(sealing, path);
    syncFile(fs::path(path).parent_path().string(), O_RDONLY | O_DIRECTORY);
    overwriteWithZeros(plainFile);
    return true;
}

} // namespace quillet
