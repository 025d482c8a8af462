// SPDX-License-Identifier: MIT
#pragma once
// An SQLite VFS of Quillet's own, over the system's: every page of a database opened through
// it, and every page of its log, is sealed (PageSeal) before it reaches the disk and opened
// when it is read; a page read whole from the database must be the version its ledger
// (PageLedger, beside the database) says was written last. SQLite's own bookkeeping in the log (its
// header, each frame's page number, salts and checksums) stays in the clear; the shared-memory
// index holds no page's content. Temporary files (sorts, VACUUM's copy, statement journals) are
// kept in memory, never written; a rollback journal is refused, since the sealed file is always in
// WAL mode (a VFS made for writing a new copy, which a crash throws away anyway, keeps it in memory
// instead).
//
// One VFS per key, registered under a name of its own while the object lives; open databases
// with `name()`. A database created through it must be made with kSealedPageSize pages and
// kSealReserve reserved bytes (prepareSealedDatabase), which it checks on every first page.

#include "SealKey.h"

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <string>

namespace quillet {

class SealedVfs {
  public:
    enum class Journals { Refused, InMemory };
    explicit SealedVfs(SealKey key, Journals journals = Journals::Refused);
    ~SealedVfs();
    SealedVfs(const SealedVfs&) = delete;
    SealedVfs& operator=(const SealedVfs&) = delete;

    const char* name() const;
    const SealKey& key() const;
    // How many pages read through it were not sealed with its key for their place: a wrong key,
    // or a file changed by another hand.
    int forgeries() const;

    struct State;

  private:
    std::unique_ptr<State> state_;
};

// SQLite's application id of a sealed database whose pages are entered in a ledger, so that a
// ledger removed is told from one never made.
inline constexpr int kLedgeredApplicationId = 0x514c4447; // "QLDG"

// Gives an empty database opened through a SealedVfs its page size and reserved bytes, and
// WAL mode, before anything is written to it. Does nothing to a database already made.
void prepareSealedDatabase(sqlite3* db);
// Marks a sealed database as having a ledger (once the database is known to be the history's;
// a database sealed before ledgers were kept gets one at its first opening).
void markLedgeredDatabase(sqlite3* db);

} // namespace quillet
