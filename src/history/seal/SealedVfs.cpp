// SPDX-License-Identifier: MIT
#include "SealedVfs.h"

#include "MemoryFile.h"
#include "PageLedger.h"
#include "PageSeal.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quillet {
namespace {

constexpr sqlite3_int64 kPage = kSealedPageSize;
constexpr sqlite3_int64 kLogHeader = 32;   // the log's own header
constexpr sqlite3_int64 kFrameHeader = 24; // each frame's: page number, size, salts, sums
constexpr sqlite3_int64 kFrame = kFrameHeader + kPage;

// What a database and its log share: the file's salt, read from the first page, or made for a
// database that has none yet; and the database's ledger, read when its pages are first read or
// written.
struct DatabaseShared {
    std::mutex mutex;
    std::optional<FileSalt> salt;
    std::unique_ptr<PageLedger> ledger;
};

} // namespace

struct SealedVfs::State {
    State(SealKey k, SealedVfs::Journals j) : key(std::move(k)), journals(j) {}
    SealKey key;
    SealedVfs::Journals journals;
    sqlite3_vfs* system = nullptr;
    sqlite3_vfs vfs{};
    std::string name;
    std::atomic<int> forgeries{0};
    NonceSource nonces;
    std::mutex mutex; // the databases' map
    std::map<std::string, std::weak_ptr<DatabaseShared>> databases;

    std::shared_ptr<DatabaseShared> sharedOf(const std::string& database) {
        const std::lock_guard lock(mutex);
        std::erase_if(databases, [](const auto& entry) { return entry.second.expired(); });
        auto shared = databases[database].lock();
        if (!shared) {
            shared = std::make_shared<DatabaseShared>();
            databases[database] = shared;
        }
        return shared;
    }
};

namespace {

using State = SealedVfs::State;

enum class Kind { Database, Log };

struct FileState {
    State* vfs = nullptr;
    Kind kind = Kind::Database;
    std::shared_ptr<DatabaseShared> shared; // by a database and its log
    std::string ledgerPath;                 // a database's
    std::vector<std::uint8_t> scratch = std::vector<std::uint8_t>(kFrame);
    // A log's frame header that SQLite wrote last, not yet in the file: SQLite writes a frame
    // as its header, then its page, and the page is sealed with the header and written with it
    // in one go. -1: none held.
    sqlite3_int64 headerHeldAt = -1;
    std::array<std::uint8_t, kFrameHeader> headerHeld{};
};

// SQLite gives each open file szOsFile bytes: this header, then the system's file.
struct SealedFile {
    sqlite3_file base;
    FileState* state;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};
static_assert(sizeof(SealedFile) % 8 == 0, "the system's file follows, aligned");

SealedFile* sealed(sqlite3_file* file) {
    return reinterpret_cast<SealedFile*>(file);
}

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

// The salt of the file's database: its first page's, or a new one for a database not yet
// written. A log reads it from its database, which SQLite always opens and reads first.
const FileSalt* saltOf(FileState& state, sqlite3_file* databaseFile) {
    const std::lock_guard lock(state.shared->mutex);
    if (!state.shared->salt) {
        sqlite3_int64 size = 0;
        if (databaseFile != nullptr &&
            databaseFile->pMethods->xFileSize(databaseFile, &size) == SQLITE_OK && size >= kPage) {
            FileSalt salt{};
            if (databaseFile->pMethods->xRead(databaseFile, salt.data(), kSaltBytes, 0) !=
                SQLITE_OK)
                return nullptr;
            state.shared->salt = salt;
        } else {
            state.shared->salt = randomSalt();
        }
    }
    return &*state.shared->salt;
}

int forged(FileState& state, const char* where, sqlite3_int64 offset,
           const char* what = "is not sealed with this key") {
    state.vfs->forgeries.fetch_add(1);
    g_warning("a page of the kept history's %s at byte %lld %s", where,
              static_cast<long long>(offset), what);
    return SQLITE_IOERR_DATA;
}

// Whether a database's first page (opened) says the database has a ledger.
bool saysItHasALedger(const std::uint8_t* firstPage) {
    return bigEndian32(firstPage + 68) == static_cast<std::uint32_t>(kLedgeredApplicationId);
}

// Every page of a database sealed before ledgers were kept, entered as it is now, once. Not a
// database whose first page says it has a ledger: that one was removed, and with no page
// entered none is read.
void enterPagesAsTheyAre(PageLedger& ledger, const SealKey& key, const FileSalt& salt,
                         sqlite3_file* real) {
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) != SQLITE_OK)
        return;
    std::vector<std::uint8_t> page(kPage);
    for (sqlite3_int64 at = 0; at + kPage <= size; at += kPage) {
        if (real->pMethods->xRead(real, page.data(), kPage, at) != SQLITE_OK)
            return;
        const auto number = static_cast<std::uint32_t>(at / kPage + 1);
        const PageLedger::Tag tag = PageLedger::tagOf(page.data());
        if (!openPage(key, salt, {number, false, {}}, page.data()) ||
            (number == 1 && saysItHasALedger(page.data())))
            return;
        ledger.wrote(number, tag);
    }
    ledger.sync();
}

// The database's ledger, read at the first page read or written; nullptr when it can be
// neither read nor made.
PageLedger* ledgerOf(FileState& state, sqlite3_file* real, const FileSalt& salt) {
    const std::lock_guard lock(state.shared->mutex);
    if (!state.shared->ledger) {
        try {
            auto ledger = std::make_unique<PageLedger>(state.ledgerPath, state.vfs->key, salt);
            if (ledger->empty())
                enterPagesAsTheyAre(*ledger, state.vfs->key, salt, real);
            state.shared->ledger = std::move(ledger);
        } catch (const std::exception& error) { // nothing may cross SQLite's C frames
            g_warning("the kept history's ledger: %s", error.what());
            return nullptr;
        }
    }
    return state.shared->ledger.get();
}

PageLedger* loadedLedger(FileState& state) {
    const std::lock_guard lock(state.shared->mutex);
    return state.kind == Kind::Database ? state.shared->ledger.get() : nullptr;
}

// What was entered in the ledger reaches its disk; false, with a warning, when it did not.
bool syncLedger(FileState& state) {
    PageLedger* ledger = loadedLedger(state);
    if (ledger == nullptr || ledger->sync())
        return true;
    g_warning("the kept history's ledger could not be written");
    return false;
}

// A page about to be written as the database's first: SQLite's, with the page size and the
// reserved bytes the seal needs. Anything else would have its data overwritten by the seal.
bool firstPageFits(const std::uint8_t* page) {
    return std::memcmp(page, "SQLite format 3", 16) == 0 && page[16] == (kPage >> 8) &&
           page[17] == (kPage & 0xff) && page[20] == kSealReserve;
}

// The database file: whole pages only, each sealed as page (offset / kPage + 1).
int readDatabase(SealedFile* file, void* buffer, int amount, sqlite3_int64 offset) {
    FileState& state = *file->state;
    sqlite3_file* real = file->real();
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (sqlite3_int64 at = offset; at < offset + amount;) {
        const sqlite3_int64 pageStart = at - at % kPage;
        const sqlite3_int64 inPage = at - pageStart;
        const sqlite3_int64 take = std::min<sqlite3_int64>(kPage - inPage, offset + amount - at);
        const bool whole = inPage == 0 && take == kPage;
        std::uint8_t* page = whole ? out + (at - offset) : state.scratch.data();
        const int read = real->pMethods->xRead(real, page, kPage, pageStart);
        if (read == SQLITE_IOERR_SHORT_READ) { // past the end: SQLite reads zeros there
            std::memset(out + (at - offset), 0, offset + amount - at);
            return SQLITE_IOERR_SHORT_READ;
        }
        if (read != SQLITE_OK)
            return read;
        const FileSalt* salt = saltOf(state, real);
        if (salt == nullptr)
            return SQLITE_IOERR_READ;
        const PagePlace place{static_cast<std::uint32_t>(pageStart / kPage + 1), false, {}};
        const PageLedger::Tag tag = PageLedger::tagOf(page);
        if (!openPage(state.vfs->key, *salt, place, page))
            return forged(state, "file", pageStart);
        // SQLite reads whole pages, except the first page's header before it knows the page
        // size; the page itself is read whole next.
        if (whole) {
            PageLedger* ledger = ledgerOf(state, real, *salt);
            if (ledger == nullptr)
                return SQLITE_IOERR_READ;
            const std::optional<bool> holds = ledger->holds(place.pageNumber, tag);
            if (!holds)
                return SQLITE_IOERR_READ;
            if (!*holds)
                return forged(state, "file", pageStart, "is not the one written last");
        }
        if (!whole)
            std::memcpy(out + (at - offset), page + inPage, take);
        at += take;
    }
    return SQLITE_OK;
}

int writeDatabase(SealedFile* file, const void* buffer, int amount, sqlite3_int64 offset) {
    FileState& state = *file->state;
    sqlite3_file* real = file->real();
    if (offset % kPage != 0 || amount % kPage != 0) {
        g_warning("SQLite wrote part of a page of the kept history; refused");
        return SQLITE_IOERR_WRITE;
    }
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    for (int done = 0; done < amount; done += kPage) {
        const sqlite3_int64 at = offset + done;
        std::uint8_t* page = state.scratch.data();
        std::memcpy(page, in + done, kPage);
        if (at == 0 && !firstPageFits(page)) {
            g_warning("the kept history was not made for sealing; nothing written");
            return SQLITE_IOERR_WRITE;
        }
        const FileSalt* salt = saltOf(state, real);
        if (salt == nullptr)
            return SQLITE_IOERR_WRITE;
        const auto number = static_cast<std::uint32_t>(at / kPage + 1);
        sealPage(state.vfs->key, *salt, {number, false, {}}, state.vfs->nonces.next(), page);
        PageLedger* ledger = ledgerOf(state, real, *salt);
        if (ledger == nullptr)
            return SQLITE_IOERR_WRITE;
        ledger->wrote(number, PageLedger::tagOf(page));
        if (const int wrote = real->pMethods->xWrite(real, page, kPage, at); wrote != SQLITE_OK)
            return wrote;
    }
    return SQLITE_OK;
}

// The log: its header and each frame's header in the clear, each frame's page sealed with its
// place in the log (its offset) and the frame header's page number and commit size. Not the
// header's salts and checksums: SQLite writes them as zeros first when it rewrites a page of
// the same transaction in place, and fills them in at the commit.
PagePlace placeInLog(const std::uint8_t* frameHeader, sqlite3_int64 dataOffset) {
    PagePlace place{bigEndian32(frameHeader), true, {}};
    std::memcpy(place.frame.data(), frameHeader, 8);
    for (int i = 0; i < 8; ++i)
        place.frame[8 + i] =
            static_cast<std::uint8_t>(static_cast<std::uint64_t>(dataOffset) >> (8 * i));
    return place;
}

sqlite3_int64 frameStartOf(sqlite3_int64 offset) {
    return offset < kLogHeader ? -1 : offset - (offset - kLogHeader) % kFrame;
}

// A frame's page, as SQLite reads it from the log (a page read or a checkpoint's copy): read
// with its frame header in one go, which the page is sealed with.
int readLogPage(SealedFile* file, std::uint8_t* out, sqlite3_int64 data) {
    FileState& state = *file->state;
    sqlite3_file* real = file->real();
    std::uint8_t* frame = state.scratch.data();
    if (const int rc = real->pMethods->xRead(real, frame, kFrame, data - kFrameHeader);
        rc != SQLITE_OK) {
        if (rc == SQLITE_IOERR_SHORT_READ) // a frame not all written: SQLite passes it over
            std::memset(out, 0, kPage);
        return rc;
    }
    const FileSalt* salt = saltOf(state, nullptr);
    if (salt == nullptr)
        return SQLITE_IOERR_READ;
    std::uint8_t* page = frame + kFrameHeader;
    if (!openPage(state.vfs->key, *salt, placeInLog(frame, data), page))
        return forged(state, "log", data);
    std::memcpy(out, page, kPage);
    return SQLITE_OK;
}

int readLog(SealedFile* file, void* buffer, int amount, sqlite3_int64 offset) {
    if (amount == kPage && offset >= kLogHeader + kFrameHeader &&
        (offset - kLogHeader) % kFrame == kFrameHeader)
        return readLogPage(file, static_cast<std::uint8_t*>(buffer), offset);
    FileState& state = *file->state;
    sqlite3_file* real = file->real();
    const int read = real->pMethods->xRead(real, buffer, amount, offset);
    if (read != SQLITE_OK) // a short read is a frame not all written: SQLite passes it over
        return read;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const sqlite3_int64 end = offset + amount;
    for (sqlite3_int64 frame = std::max(frameStartOf(offset), kLogHeader); frame < end;
         frame += kFrame) {
        const sqlite3_int64 data = frame + kFrameHeader;
        if (data + kPage <= offset || data >= end)
            continue;
        std::uint8_t header[kFrameHeader];
        const bool headerHere = frame >= offset;
        if (headerHere)
            std::memcpy(header, out + (frame - offset), kFrameHeader);
        else if (const int rc = real->pMethods->xRead(real, header, kFrameHeader, frame);
                 rc != SQLITE_OK)
            return rc;
        const bool whole = data >= offset && data + kPage <= end;
        std::uint8_t* page = whole ? out + (data - offset) : state.scratch.data();
        if (!whole)
            if (const int rc = real->pMethods->xRead(real, page, kPage, data); rc != SQLITE_OK)
                return rc;
        const FileSalt* salt = saltOf(state, nullptr);
        if (salt == nullptr)
            return SQLITE_IOERR_READ;
        if (!openPage(state.vfs->key, *salt, placeInLog(header, data), page)) {
            if (headerHere) {
                // Finding the log's end after a crash reads whole frames: a frame whose page
                // is not the one its header was written with (a write the crash cut short, or
                // another hand) ends the log there, as a wrong checksum would.
                out[frame - offset + 8] ^= 0xff; // its salt no longer the log's
                g_message("the kept history's log ends at a frame whose page does not open");
                continue;
            }
            return forged(state, "log", data);
        }
        if (!whole) {
            const sqlite3_int64 from = std::max(offset, data);
            const sqlite3_int64 to = std::min(end, data + kPage);
            std::memcpy(out + (from - offset), page + (from - data), to - from);
        }
    }
    return SQLITE_OK;
}

// A frame header held back, written where SQLite put it: before anything else is done with
// the log, so that nothing sees it missing.
int writeHeldHeader(SealedFile* file) {
    FileState& state = *file->state;
    const sqlite3_int64 at = std::exchange(state.headerHeldAt, -1);
    if (at < 0)
        return SQLITE_OK;
    return file->real()->pMethods->xWrite(file->real(), state.headerHeld.data(), kFrameHeader, at);
}

// The page `in` of the frame with `header`, at `data` in the log, sealed into `page`.
int sealLogPage(FileState& state, const std::uint8_t* header, const std::uint8_t* in,
                sqlite3_int64 data, std::uint8_t* page) {
    const FileSalt* salt = saltOf(state, nullptr);
    if (salt == nullptr)
        return SQLITE_IOERR_WRITE;
    std::memcpy(page, in, kPage);
    sealPage(state.vfs->key, *salt, placeInLog(header, data), state.vfs->nonces.next(), page);
    return SQLITE_OK;
}

int writeLog(SealedFile* file, const void* buffer, int amount, sqlite3_int64 offset) {
    FileState& state = *file->state;
    sqlite3_file* real = file->real();
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    if (amount == kPage && state.headerHeldAt >= 0 && offset == state.headerHeldAt + kFrameHeader) {
        // The page of the header held: both in one write, a system call less for every frame.
        const sqlite3_int64 frame = std::exchange(state.headerHeldAt, -1);
        std::uint8_t* header = state.scratch.data();
        std::memcpy(header, state.headerHeld.data(), kFrameHeader);
        if (const int rc = sealLogPage(state, header, in, offset, header + kFrameHeader);
            rc != SQLITE_OK)
            return rc;
        return real->pMethods->xWrite(real, header, kFrame, frame);
    }
    if (const int rc = writeHeldHeader(file); rc != SQLITE_OK)
        return rc;
    if (amount == kFrameHeader && frameStartOf(offset) == offset) {
        std::memcpy(state.headerHeld.data(), in, kFrameHeader);
        state.headerHeldAt = offset;
        return SQLITE_OK;
    }
    const sqlite3_int64 end = offset + amount;
    sqlite3_int64 at = offset;
    while (at < end) {
        const sqlite3_int64 frame = frameStartOf(at);
        const sqlite3_int64 data = frame + kFrameHeader;
        if (frame < 0 || at < data) { // the log's header or a frame's: as they are
            const sqlite3_int64 upTo = frame < 0 ? kLogHeader : data;
            const sqlite3_int64 take = std::min(end, upTo) - at;
            if (const int rc =
                    real->pMethods->xWrite(real, in + (at - offset), static_cast<int>(take), at);
                rc != SQLITE_OK)
                return rc;
            at += take;
            continue;
        }
        if (at != data || end - at < kPage) {
            g_warning("SQLite wrote part of a page of the kept history's log; refused");
            return SQLITE_IOERR_WRITE;
        }
        std::uint8_t header[kFrameHeader];
        if (frame >= offset)
            std::memcpy(header, in + (frame - offset), kFrameHeader);
        else if (const int rc = real->pMethods->xRead(real, header, kFrameHeader, frame);
                 rc != SQLITE_OK)
            return rc;
        std::uint8_t* page = state.scratch.data();
        if (const int rc = sealLogPage(state, header, in + (at - offset), data, page);
            rc != SQLITE_OK)
            return rc;
        if (const int rc = real->pMethods->xWrite(real, page, kPage, at); rc != SQLITE_OK)
            return rc;
        at += kPage;
    }
    return SQLITE_OK;
}

// The io methods: reading and writing seal, the rest is the system's.
int sealedClose(sqlite3_file* file) {
    SealedFile* self = sealed(file);
    writeHeldHeader(self);
    syncLedger(*self->state); // pages written without a sync after them
    const int rc =
        self->real()->pMethods ? self->real()->pMethods->xClose(self->real()) : SQLITE_OK;
    delete self->state;
    self->state = nullptr;
    return rc;
}
int sealedRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    SealedFile* self = sealed(file);
    if (const int rc = writeHeldHeader(self); rc != SQLITE_OK)
        return rc;
    return self->state->kind == Kind::Database ? readDatabase(self, buffer, amount, offset)
                                               : readLog(self, buffer, amount, offset);
}
int sealedWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    SealedFile* self = sealed(file);
    return self->state->kind == Kind::Database ? writeDatabase(self, buffer, amount, offset)
                                               : writeLog(self, buffer, amount, offset);
}

#define FORWARD(name, ...) sealed(file)->real()->pMethods->name(sealed(file)->real(), __VA_ARGS__)
int sealedTruncate(sqlite3_file* file, sqlite3_int64 size) {
    if (const int held = writeHeldHeader(sealed(file)); held != SQLITE_OK)
        return held;
    const int rc = FORWARD(xTruncate, size);
    if (PageLedger* ledger = loadedLedger(*sealed(file)->state); ledger && rc == SQLITE_OK)
        ledger->truncated(static_cast<std::uint32_t>((size + kPage - 1) / kPage));
    return rc;
}
int sealedSync(sqlite3_file* file, int flags) {
    if (const int held = writeHeldHeader(sealed(file)); held != SQLITE_OK)
        return held;
    const int rc = FORWARD(xSync, flags);
    return rc == SQLITE_OK && !syncLedger(*sealed(file)->state) ? SQLITE_IOERR_FSYNC : rc;
}
int sealedFileSize(sqlite3_file* file, sqlite3_int64* size) {
    if (const int held = writeHeldHeader(sealed(file)); held != SQLITE_OK)
        return held;
    return FORWARD(xFileSize, size);
}
int sealedLock(sqlite3_file* file, int level) {
    return FORWARD(xLock, level);
}
int sealedUnlock(sqlite3_file* file, int level) {
    if (const int held = writeHeldHeader(sealed(file)); held != SQLITE_OK)
        return held;
    return FORWARD(xUnlock, level);
}
int sealedCheckReservedLock(sqlite3_file* file, int* out) {
    return FORWARD(xCheckReservedLock, out);
}
// A checkpoint that leaves part of the log for later syncs nothing, yet readers then take the
// pages it copied from the file: its pages reach the ledger's disk when it ends, before SQLite
// says they are in the file.
int sealedFileControl(sqlite3_file* file, int op, void* argument) {
    if (const int held = writeHeldHeader(sealed(file)); held != SQLITE_OK)
        return held;
    if (op == SQLITE_FCNTL_CKPT_DONE)
        syncLedger(*sealed(file)->state);
    return FORWARD(xFileControl, op, argument);
}
int sealedSectorSize(sqlite3_file* file) {
    return sealed(file)->real()->pMethods->xSectorSize(sealed(file)->real());
}
int sealedDeviceCharacteristics(sqlite3_file* file) {
    return sealed(file)->real()->pMethods->xDeviceCharacteristics(sealed(file)->real());
}
int sealedShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
    return FORWARD(xShmMap, region, size, extend, out);
}
int sealedShmLock(sqlite3_file* file, int offset, int n, int flags) {
    return FORWARD(xShmLock, offset, n, flags);
}
void sealedShmBarrier(sqlite3_file* file) {
    sealed(file)->real()->pMethods->xShmBarrier(sealed(file)->real());
}
int sealedShmUnmap(sqlite3_file* file, int deleteFlag) {
    return FORWARD(xShmUnmap, deleteFlag);
}
#undef FORWARD

// Version 2: no memory mapping, which would hand SQLite the sealed bytes themselves.
const sqlite3_io_methods kSealedMethods = {
    2,
    sealedClose,
    sealedRead,
    sealedWrite,
    sealedTruncate,
    sealedSync,
    sealedFileSize,
    sealedLock,
    sealedUnlock,
    sealedCheckReservedLock,
    sealedFileControl,
    sealedSectorSize,
    sealedDeviceCharacteristics,
    sealedShmMap,
    sealedShmLock,
    sealedShmBarrier,
    sealedShmUnmap,
    nullptr,
    nullptr,
};

State* stateOf(sqlite3_vfs* vfs) {
    return static_cast<State*>(vfs->pAppData);
}

int sealedOpen(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags,
               int* outFlags) {
    State* state = stateOf(vfs);
    constexpr int kTemporary = SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL |
                               SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_SUBJOURNAL;
    const bool journal = (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL)) != 0;
    if (name == nullptr || (flags & kTemporary) != 0 ||
        (journal && state->journals == SealedVfs::Journals::InMemory))
        return openMemoryFile(file, flags, outFlags);
    if ((flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_WAL)) == 0) {
        g_warning("SQLite asked for a journal beside the kept history (%s); refused", name);
        return SQLITE_CANTOPEN;
    }
    SealedFile* self = sealed(file);
    self->base.pMethods = nullptr;
    const int rc = state->system->xOpen(state->system, name, self->real(), flags, outFlags);
    if (rc != SQLITE_OK)
        return rc;
    auto* fileState = new FileState;
    fileState->vfs = state;
    const bool isLog = (flags & SQLITE_OPEN_WAL) != 0;
    fileState->kind = isLog ? Kind::Log : Kind::Database;
    const std::string database = isLog ? sqlite3_filename_database(name) : name;
    fileState->shared = state->sharedOf(database);
    fileState->ledgerPath = database + "-ledger";
    self->state = fileState;
    self->base.pMethods = &kSealedMethods;
    return SQLITE_OK;
}

int sealedDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    const int rc = stateOf(vfs)->system->xDelete(stateOf(vfs)->system, name, syncDir);
    // A journal kept in memory was never on disk to be deleted.
    return rc == SQLITE_IOERR_DELETE_NOENT &&
                   stateOf(vfs)->journals == SealedVfs::Journals::InMemory
               ? SQLITE_OK
               : rc;
}
int sealedAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
    return stateOf(vfs)->system->xAccess(stateOf(vfs)->system, name, flags, out);
}
int sealedFullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    return stateOf(vfs)->system->xFullPathname(stateOf(vfs)->system, name, size, out);
}
int sealedRandomness(sqlite3_vfs* vfs, int size, char* out) {
    return stateOf(vfs)->system->xRandomness(stateOf(vfs)->system, size, out);
}
int sealedSleep(sqlite3_vfs* vfs, int microseconds) {
    return stateOf(vfs)->system->xSleep(stateOf(vfs)->system, microseconds);
}
int sealedCurrentTime(sqlite3_vfs* vfs, double* out) {
    return stateOf(vfs)->system->xCurrentTime(stateOf(vfs)->system, out);
}
int sealedGetLastError(sqlite3_vfs* vfs, int size, char* out) {
    return stateOf(vfs)->system->xGetLastError(stateOf(vfs)->system, size, out);
}
int sealedCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
    return stateOf(vfs)->system->xCurrentTimeInt64(stateOf(vfs)->system, out);
}

} // namespace

SealedVfs::SealedVfs(SealKey key, Journals journals)
    : state_(std::make_unique<State>(std::move(key), journals)) {
    state_->system = sqlite3_vfs_find(nullptr);
    if (state_->system == nullptr)
        throw std::runtime_error("SQLite has no file system");
    static std::atomic<int> made{0}; // names only; each object owns its own registration
    state_->name = "quillet-sealed-" + std::to_string(made.fetch_add(1));
    sqlite3_vfs& vfs = state_->vfs;
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(
        std::max<std::size_t>(sizeof(SealedFile) + state_->system->szOsFile, memoryFileSize()));
    vfs.mxPathname = state_->system->mxPathname;
    vfs.zName = state_->name.c_str();
    vfs.pAppData = state_.get();
    vfs.xOpen = sealedOpen;
    vfs.xDelete = sealedDelete;
    vfs.xAccess = sealedAccess;
    vfs.xFullPathname = sealedFullPathname;
    vfs.xRandomness = sealedRandomness;
    vfs.xSleep = sealedSleep;
    vfs.xCurrentTime = sealedCurrentTime;
    vfs.xGetLastError = sealedGetLastError;
    vfs.xCurrentTimeInt64 = sealedCurrentTimeInt64;
    if (sqlite3_vfs_register(&vfs, 0) != SQLITE_OK)
        throw std::runtime_error("the sealed history's VFS could not be registered");
}

SealedVfs::~SealedVfs() {
    sqlite3_vfs_unregister(&state_->vfs);
}

const char* SealedVfs::name() const {
    return state_->name.c_str();
}

const SealKey& SealedVfs::key() const {
    return state_->key;
}

int SealedVfs::forgeries() const {
    return state_->forgeries.load();
}

void prepareSealedDatabase(sqlite3* db) {
    sqlite3_int64 size = 0;
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods->xFileSize(file, &size) != SQLITE_OK || size > 0)
        return;
    int reserve = static_cast<int>(kSealReserve);
    sqlite3_file_control(db, "main", SQLITE_FCNTL_RESERVE_BYTES, &reserve);
    // The switch to WAL writes the first page; its journal stays in memory, never on disk.
    const std::string pragmas = "PRAGMA page_size=" + std::to_string(kSealedPageSize) +
                                "; PRAGMA journal_mode=MEMORY; PRAGMA journal_mode=WAL";
    if (sqlite3_exec(db, pragmas.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void markLedgeredDatabase(sqlite3* db) {
    sqlite3_stmt* read = nullptr;
    int id = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &read, nullptr) == SQLITE_OK &&
        sqlite3_step(read) == SQLITE_ROW)
        id = sqlite3_column_int(read, 0);
    sqlite3_finalize(read);
    if (id == kLedgeredApplicationId)
        return;
    // Another Quillet writing meanwhile: marked at the next opening.
    const std::string mark = "PRAGMA application_id=" + std::to_string(kLedgeredApplicationId);
    sqlite3_exec(db, mark.c_str(), nullptr, nullptr, nullptr);
}

} // namespace quillet
