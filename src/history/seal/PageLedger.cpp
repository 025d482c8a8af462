// SPDX-License-Identifier: MIT
#include "PageLedger.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quillet {
namespace {

constexpr char kMagic[8] = {'Q', 'L', 'E', 'D', 'G', 'E', 'R', '1'};
constexpr std::size_t kHeader = 4 + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kEntry = 4 + kSealTagBytes;
constexpr std::uint32_t kNotCut = 0xffffffff;
constexpr std::size_t kEntriesPerRecord = 4096; // 80 KiB
constexpr std::size_t kShortestRecord = 9 + crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kLongestRecord = kShortestRecord + kEntriesPerRecord * kEntry;
enum : std::uint8_t { kChanges = 0, kWhole = 1 };

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t get32(const std::uint8_t* in) {
    return std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16) |
           (std::uint32_t{in[3]} << 24);
}

bool isZero(const PageLedger::Tag& tag) {
    return sodium_is_zero(tag.data(), tag.size()) == 1;
}

// What a record is sealed with besides its body: the file's salt, so that it belongs to that
// file alone, and the previous record's tag, so that none is left out, moved or put back.
using RecordBinding = std::array<std::uint8_t, kSaltBytes + kSealTagBytes>;

RecordBinding recordBinding(const FileSalt& salt, const PageLedger::Tag& previous) {
    RecordBinding binding{};
    std::memcpy(binding.data(), salt.data(), kSaltBytes);
    std::memcpy(binding.data() + kSaltBytes, previous.data(), kSealTagBytes);
    return binding;
}

bool readAll(int fd, std::uint8_t* out, std::size_t size, off_t at) {
    while (size > 0) {
        const ssize_t got = ::pread(fd, out, size, at);
        if (got <= 0)
            return false;
        out += got;
        size -= static_cast<std::size_t>(got);
        at += got;
    }
    return true;
}

bool writeAll(int fd, const std::uint8_t* in, std::size_t size, off_t at) {
    while (size > 0) {
        const ssize_t wrote = ::pwrite(fd, in, size, at);
        if (wrote <= 0)
            return false;
        in += wrote;
        size -= static_cast<std::size_t>(wrote);
        at += wrote;
    }
    return true;
}

} // namespace

// A lock on the ledger's file for as long as it lives: shared to read, alone to write. It
// holds a descriptor of its own, so the ledger may move to a rewritten file meanwhile.
class PageLedger::FileLock {
  public:
    FileLock(int fd, int kind) : fd_(::dup(fd)) { ::flock(fd_, kind); }
    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ~FileLock() {
        if (fd_ < 0)
            return;
        ::flock(fd_, LOCK_UN); // the lock is the open file's, which the ledger's descriptor shares
        ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock& operator=(FileLock&&) = delete;

  private:
    int fd_;
};

PageLedger::PageLedger(std::string path, const SealKey& key, const FileSalt& salt)
    : path_(std::move(path)), key_(key), salt_(salt) {
    open();
    const FileLock lock = lockCurrent(LOCK_SH);
    readNewRecords();
}

PageLedger::~PageLedger() {
    if (fd_ >= 0)
        ::close(fd_);
}

PageLedger::Tag PageLedger::tagOf(const std::uint8_t* sealedPage) {
    Tag tag;
    std::memcpy(tag.data(), sealedPage + kSealedPageSize - kSealTagBytes, tag.size());
    return tag;
}

void PageLedger::open() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), path_);
    end_ = 0;
    last_ = {};
    tags_.clear();
}

// A lock on the file the ledger's name stands for now: one rewritten by another process is
// opened first, and read whole by the next readNewRecords().
PageLedger::FileLock PageLedger::lockCurrent(int kind) {
    for (;;) {
        if (!sameFileAsPath())
            open();
        FileLock lock(fd_, kind);
        if (sameFileAsPath())
            return lock;
    }
}

bool PageLedger::sameFileAsPath() const {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd_, &opened) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
           opened.st_ino == named.st_ino && opened.st_dev == named.st_dev;
}

// Reads the records appended since the last read (all of them, when the ledger was rewritten
// under another name meanwhile), then what this process entered and has not synced yet, which
// is newer than any of them.
void PageLedger::readNewRecords() {
    if (end_ == 0) {
        char magic[sizeof kMagic];
        if (!readAll(fd_, reinterpret_cast<std::uint8_t*>(magic), sizeof magic, 0) ||
            std::memcmp(magic, kMagic, sizeof magic) != 0)
            return;
        end_ = sizeof kMagic;
    }
    struct stat file {};
    if (::fstat(fd_, &file) != 0)
        return;
    tags_.reserve(std::min<std::size_t>(static_cast<std::size_t>(file.st_size) / kEntry, 1u << 24));
    std::vector<std::uint8_t> record;
    for (;;) {
        std::uint8_t header[kHeader];
        if (!readAll(fd_, header, kHeader, end_))
            break;
        const std::uint32_t length = get32(header);
        if (length < kShortestRecord || length > kLongestRecord ||
            end_ + static_cast<long long>(kHeader + length) > file.st_size)
            break;
        record.resize(length);
        if (!readAll(fd_, record.data(), length, end_ + static_cast<long long>(kHeader)))
            break;
        Tag tag;
        std::memcpy(tag.data(), record.data() + length - kSealTagBytes, kSealTagBytes);
        const RecordBinding binding = recordBinding(salt_, last_);
        // Opened in place: the body takes the place of its sealed bytes.
        if (crypto_aead_xchacha20poly1305_ietf_decrypt(
                record.data(), nullptr, nullptr, record.data(), length, binding.data(),
                binding.size(), header + 4, key_.bytes()) != 0)
            break;
        apply(record.data(), length - crypto_aead_xchacha20poly1305_ietf_ABYTES);
        last_ = tag;
        end_ += static_cast<long long>(kHeader + length);
    }
    if (cut_ && tags_.size() > unsyncedPages_)
        tags_.resize(unsyncedPages_);
    for (const auto& [page, tag] : unsynced_) {
        if (tags_.size() < page)
            tags_.resize(page);
        tags_[page - 1] = tag;
    }
}

// A record: its kind, the file's size in pages when it was cut (or kNotCut), the number of
// entries, then each entry's page number and tag.
void PageLedger::apply(const std::uint8_t* body, std::size_t size) {
    if (size < 9 || (size - 9) % kEntry != 0 || get32(body + 5) != (size - 9) / kEntry)
        return; // sealed with our key but not of our making: nothing to take from it
    if (body[0] == kWhole)
        tags_.clear();
    if (const std::uint32_t pages = get32(body + 1); pages != kNotCut && pages < tags_.size())
        tags_.resize(pages);
    for (std::size_t at = 9; at < size; at += kEntry) {
        const std::uint32_t page = get32(body + at);
        if (page == 0)
            continue;
        if (tags_.size() < page)
            tags_.resize(page);
        std::memcpy(tags_[page - 1].data(), body + at + 4, kSealTagBytes);
    }
}

bool PageLedger::empty() {
    const std::lock_guard guard(mutex_);
    for (const Tag& tag : tags_)
        if (!isZero(tag))
            return false;
    return true;
}

std::optional<bool> PageLedger::holds(std::uint32_t page, const Tag& tag) {
    const std::lock_guard guard(mutex_);
    const auto matches = [&] {
        return page >= 1 && page <= tags_.size() &&
               sodium_memcmp(tags_[page - 1].data(), tag.data(), tag.size()) == 0;
    };
    if (matches())
        return true;
    try {
        const FileLock lock = lockCurrent(LOCK_SH); // another process may have written it since
        readNewRecords();
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    return matches();
}

void PageLedger::wrote(std::uint32_t page, const Tag& tag) {
    const std::lock_guard guard(mutex_);
    if (page == 0)
        return;
    if (tags_.size() < page)
        tags_.resize(page);
    tags_[page - 1] = tag;
    unsynced_[page] = tag;
}

void PageLedger::truncated(std::uint32_t pages) {
    const std::lock_guard guard(mutex_);
    if (pages >= tags_.size()) // SQLite sets the file's size after each whole checkpoint
        return;
    tags_.resize(pages);
    unsynced_.erase(unsynced_.upper_bound(pages), unsynced_.end());
    cut_ = true;
    unsyncedPages_ = pages;
}

bool PageLedger::sync() {
    const std::lock_guard guard(mutex_);
    if (unsynced_.empty() && !cut_)
        return true;
    bool written = false;
    try {
        const FileLock lock = lockCurrent(LOCK_EX);
        readNewRecords(); // another process's records come first: ours are newer
        // Every opening reads the whole ledger: it is written anew once it is a quarter and
        // 256 KiB larger than what it holds (8 MB at 100,000 pages).
        const std::size_t asOne = sizeof kMagic + kHeader + 9 + tags_.size() * kEntry;
        const bool whole =
            end_ == 0 || static_cast<std::size_t>(end_) > asOne + asOne / 4 + (256 << 10);
        written = whole ? rewrite() : append(false);
    } catch (const std::system_error&) {
        return false;
    }
    if (written) {
        unsynced_.clear();
        cut_ = false;
    }
    return written;
}

// The records of what was entered since the last sync (or of every page, `whole`), sealed and
// chained to the last: of at most kEntriesPerRecord entries each, so that reading the ledger
// needs no more memory than one of them.
bool PageLedger::append(bool whole) {
    std::vector<std::pair<std::uint32_t, Tag>> entries;
    if (whole) {
        for (std::uint32_t page = 1; page <= tags_.size(); ++page)
            if (!isZero(tags_[page - 1]))
                entries.emplace_back(page, tags_[page - 1]);
    } else {
        entries.assign(unsynced_.begin(), unsynced_.end());
    }
    std::vector<std::uint8_t> records;
    Tag chain = last_;
    std::vector<std::uint8_t> body;
    for (std::size_t from = 0; from == 0 || from < entries.size(); from += kEntriesPerRecord) {
        const std::size_t count = std::min(kEntriesPerRecord, entries.size() - from);
        body.clear();
        body.push_back(whole && from == 0 ? kWhole : kChanges);
        put32(body, whole || !cut_ || from > 0 ? kNotCut : unsyncedPages_);
        put32(body, static_cast<std::uint32_t>(count));
        for (std::size_t n = from; n < from + count; ++n) {
            put32(body, entries[n].first);
            body.insert(body.end(), entries[n].second.begin(), entries[n].second.end());
        }
        const std::size_t length = body.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES;
        const std::size_t at = records.size();
        records.resize(at + kHeader + length);
        std::uint8_t* record = records.data() + at;
        for (int i = 0; i < 4; ++i)
            record[i] = static_cast<std::uint8_t>(length >> (8 * i));
        randombytes_buf(record + 4, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
        const RecordBinding binding = recordBinding(salt_, chain);
        crypto_aead_xchacha20poly1305_ietf_encrypt(record + kHeader, nullptr, body.data(),
                                                   body.size(), binding.data(), binding.size(),
                                                   nullptr, record + 4, key_.bytes());
        std::memcpy(chain.data(), record + kHeader + length - kSealTagBytes, kSealTagBytes);
    }
    if (end_ == 0) {
        if (!writeAll(fd_, reinterpret_cast<const std::uint8_t*>(kMagic), sizeof kMagic, 0))
            return false;
        end_ = sizeof kMagic;
    }
    // What follows the last record that opened (a record a crash cut short) goes.
    if (::ftruncate(fd_, end_) != 0 || !writeAll(fd_, records.data(), records.size(), end_) ||
        ::fdatasync(fd_) != 0)
        return false;
    end_ += static_cast<long long>(records.size());
    last_ = chain;
    return true;
}

// The ledger written anew as the records of every page, beside it, then renamed over it; a
// process that has the old one open finds it renamed at its next read.
bool PageLedger::rewrite() {
    const std::string next = path_ + "-new";
    std::error_code ignored;
    std::filesystem::remove(next, ignored);
    const int fd = ::open(next.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const int old = fd_;
    const long long oldEnd = end_;
    const Tag oldLast = last_;
    fd_ = fd;
    end_ = 0;
    last_ = {};
    if (!append(true) || ::rename(next.c_str(), path_.c_str()) != 0) {
        ::close(fd);
        std::filesystem::remove(next, ignored);
        fd_ = old;
        end_ = oldEnd;
        last_ = oldLast;
        return false;
    }
    ::close(old); // the lock on it is the caller's own descriptor's
    const int folder =
        ::open(std::filesystem::path(path_).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace quillet
