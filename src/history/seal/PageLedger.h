// SPDX-License-Identifier: MIT
#pragma once
// Which version of each page of a sealed database is the one written last: the tag its seal
// ended with, kept in a sealed file beside the database (its name and "-ledger"). A page's
// seal binds it to its place in the file but not to its moment; the ledger tells the page
// written last from an older version of the same page put back, from a backup or by another
// hand.
//
// It follows the database file, not its log: a page is entered when SQLite writes it into the
// file (a checkpoint), and the entries reach the disk when the checkpoint ends and when SQLite
// syncs the file (sync(), called by SealedVfs), before SQLite takes those pages from the file
// rather than the log. A crash in between leaves the ledger behind the file only for pages the
// log still holds, and SQLite reads those from the log.
//
// The file: "QLEDGER1", then records appended one after another, each of at most 4,096 entries,
// sealed with XChaCha20-Poly1305 and chained to the one before (the database's salt and the
// last record's tag are its associated data). The first record that does not open ends the ledger, as a
// write a crash cut short would; what it held is then missing, and the pages it named no
// longer match. Several processes may share a database: appends are made under a lock, and a
// page that does not match is looked for again in what others appended since.

#include "PageSeal.h"
#include "SealKey.h"

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

class PageLedger {
  public:
    using Tag = std::array<std::uint8_t, kSealTagBytes>;

    // Opens the ledger at `path`, or makes an empty one; throws std::system_error when it can
    // be neither read nor made.
    PageLedger(std::string path, const SealKey& key, const FileSalt& salt);
    ~PageLedger();
    PageLedger(const PageLedger&) = delete;
    PageLedger& operator=(const PageLedger&) = delete;

    // Nothing entered yet: a new database's, or one whose first record does not open.
    bool empty();
    // Whether `tag` is the one `page` was written with last, here or by another process;
    // nullopt when the ledger could not be read again.
    std::optional<bool> holds(std::uint32_t page, const Tag& tag);
    // A page written into the database file, and the file cut to `pages` pages: entered now,
    // on the disk at the next sync().
    void wrote(std::uint32_t page, const Tag& tag);
    void truncated(std::uint32_t pages);
    // Appends what was entered since the last sync and syncs the ledger; rewrites it whole when
    // records of pages written again make it a quarter larger than what it holds. False on an
    // error of the disk.
    bool sync();

    // The tag a sealed page ends with.
    static Tag tagOf(const std::uint8_t* sealedPage);

  private:
    class FileLock;
    FileLock lockCurrent(int kind);
    void open();
    void readNewRecords();
    void apply(const std::uint8_t* body, std::size_t size);
    bool append(bool whole);
    bool rewrite();
    bool sameFileAsPath() const;

    std::mutex mutex_;
    std::string path_;
    const SealKey& key_;
    FileSalt salt_;
    int fd_ = -1;
    long long end_ = 0;     // where the records read so far end
    Tag last_{};            // the last record's tag, which the next one is chained to
    std::vector<Tag> tags_; // by page number - 1; all zeros: none
    std::map<std::uint32_t, Tag> unsynced_; // entered here since the last sync
    std::uint32_t unsyncedPages_ = 0;       // the file's size in pages when it was cut
    bool cut_ = false;
};

} // namespace quillet
