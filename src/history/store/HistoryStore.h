// SPDX-License-Identifier: MIT
#pragma once
// The kept history: one SQLite file holding each page's address, title, visits, thumbnail and
// the text it showed, with a full-text index of title, address and text (the "quillet"
// tokenizer of SearchTokenizer). One visit is one transaction, so a killed process loses at
// most the page it was storing. What is removed is scrubbed from the file itself: secure
// delete zeroes freed space, the index is rewritten without it, and the write-ahead log is
// emptied.
//
// The store is not thread-safe; one thread (the history's worker) owns it.

#include "HistorySchema.h"
#include "ImageList.h"
#include "LookIndex.h"
#include "LookSignature.h"
#include "SavedCopies.h"
#include "SealedVfs.h"
#include "Sqlite.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Seconds since 1970 (UTC): how visit times are stored.
using StoredTime = std::int64_t;
StoredTime toStoredTime(std::chrono::system_clock::time_point when);
std::chrono::system_clock::time_point fromStoredTime(StoredTime seconds);
// The time now; the tests set their own.
using Clock = std::function<std::chrono::system_clock::time_point()>;

// The times from `from` up to `to`, not including `to`.
struct TimeSpan {
    StoredTime from = 0;
    StoredTime to = 0;
    bool operator==(const TimeSpan&) const = default;
};

// What one shown page adds to the history.
struct PageVisit {
    std::string address;
    std::string title;
    StoredTime time = 0;
    PackedImage thumbnail; // empty bytes: keep the one stored before
    std::string text;      // the page's visible text; empty: keep the text stored before
    // The page's content is not to be kept (a sign-in or payment page, a page its site said
    // not to store): its address, title and visits are stored, its text and thumbnail not.
    bool contentWithheld = false;
    // How the thumbnail looks; none with a thumbnail: to be worked out later (the file's
    // pages without one are filled in the background).
    std::optional<LookSignature> look = std::nullopt;
    // The page as the view showed it, saved by the engine (MHTML); none: no copy is kept.
    // Kept only with the page's text, and never for a page whose text held a card number
    // or a My Number.
    std::string savedCopy = {};
};

struct StoredEntry {
    std::string address;
    std::string title;
    StoredTime lastVisit = 0;
    PackedImage thumbnail;   // empty unless asked for
    bool contentKept = true; // false: the file holds no text nor thumbnail of it
};

struct SearchHit {
    StoredEntry entry;
    std::string snippet; // the text around the first match
    double score = 0;    // how well it matched (rankScore); 0 in the order of time
};

// Matches of words the best first (the default), or the newest first.
enum class MatchOrder { Best, Newest };

// Words typed, colour chips picked and a span of time (DateWords): a page matches when it holds
// every word, has every chip and was visited in the span (any may be missing; all missing
// matches every page).
struct HistoryFilter {
    std::string typed;
    ColourChips chips = 0;
    std::optional<TimeSpan> span = std::nullopt;
    MatchOrder order = MatchOrder::Best;
    bool empty() const;
};

struct LookMatch {
    StoredEntry entry;
    LookNearness nearness; // to the page looked for
};

// A page whose thumbnail has no look worked out yet.
struct UnseenLook {
    std::int64_t id = 0; // its place in the file's order, newest highest
    std::string address;
    PackedImage thumbnail;
};

// A file that is not a history this version can use (not a database, another program's
// database, a newer schema): it must be set aside, not written to.
class UnusableHistoryFile : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

class HistoryStore {
  public:
    static constexpr int kSchemaVersion = kHistorySchemaVersion;
    static constexpr std::size_t kMaxTextCharacters = 200'000;
    static constexpr std::size_t kMaxTitleCharacters = 2'000;

    // `path` is created when missing (mode 0600); ":memory:" keeps the history in memory only.
    // With `seal`, every page of the file and its log is sealed with its key (SealedVfs).
    // Throws UnusableHistoryFile, or SqliteError when the file cannot be opened or written.
    explicit HistoryStore(const std::string& path, const SealedVfs* seal = nullptr);

    // Stores one visit, unless the page's host is excluded (then returns false). A page
    // already stored becomes the newest, its title and time updated.
    bool store(const PageVisit& visit);

    // The newest `limit` entries, newest first.
    std::vector<StoredEntry> newest(int limit, bool withThumbnails);
    std::optional<PackedImage> thumbnail(std::string_view address);
    std::int64_t pageCount();
    std::vector<StoredTime> visitsOf(std::string_view address);

    // Entries whose title, address or text hold every word typed, the best match first.
    std::vector<SearchHit> search(std::string_view typed, int limit);
    // The same, narrowed to the pages with every chip picked and visited in the span (or only
    // by them, with no words, newest first); with a span, each at its latest visit there.
    std::vector<SearchHit> search(const HistoryFilter& filter, int limit);

    // By look: the page's signature, and the first `limit` pages that look like one, in
    // lookAlikeOrder. The signatures are read once into memory and kept up to date there.
    std::optional<LookSignature> lookOf(std::string_view address);
    std::vector<LookMatch> nearest(const LookSignature& look, int limit);
    // Reads the signatures into memory ahead of the first search by look, `count` more pages'
    // at a time, so that other work waits for one part at most; true once all are read. A
    // search by look reads what is left at once.
    bool readLooksPart(int count);
    // Pages with a thumbnail and no signature (a file of an earlier version), at most
    // `limit`, newest first from those below `below` (the last batch's lowest id); setLooks
    // stores theirs in one transaction (none: the thumbnail is unreadable, and is not asked
    // for again).
    std::vector<UnseenLook>
    unseenLooks(int limit, std::int64_t below = std::numeric_limits<std::int64_t>::max());
    void setLooks(const std::vector<std::pair<std::int64_t, std::optional<LookSignature>>>& looks);

    // Day by day: the latest visit before `before` of a page that matches (none: no earlier
    // visit), and the matching pages visited in [from, to), each with its latest visit there,
    // newest first.
    std::optional<StoredTime> latestVisitBefore(StoredTime before, const HistoryFilter& filter);
    std::vector<StoredEntry> visitedBetween(StoredTime from, StoredTime to,
                                            const HistoryFilter& filter);

    // This page's title, last visit and text, as stored (no thumbnail); none if not stored.
    std::optional<PageVisit> visitOf(std::string_view address);

    // The page as it was seen: its saved versions, oldest first; the one a visit at `time`
    // saw; a version's copy (MHTML) and the text its page showed; the space all copies take,
    // and the oldest versions dropped until they take at most `limit` bytes.
    std::vector<SavedVersion> savedVersions(std::string_view address);
    std::optional<SavedVersion> savedVersionSeenAt(std::string_view address, StoredTime time);
    std::optional<std::string> savedCopy(std::int64_t version) {
        return savedArchive(db_, version);
    }
    std::optional<std::string> savedCopyText(std::int64_t version) {
        return savedText(db_, version);
    }
    std::int64_t savedCopiesSize(); // worked out once, then kept up to date here
    int keepSavedCopiesWithin(std::int64_t limit);

    void remove(std::string_view address);
    void remove(const std::vector<std::string>& addresses); // one transaction, one scrub
    // Removes every page last visited at or after `since` (with its earlier visits).
    void removeVisitedSince(StoredTime since);
    // Removes every page last visited before `before` (the retention the user set).
    void removeVisitedBefore(StoredTime before);

    // Pages of an excluded host are removed and never stored again. Hosts are compared in
    // lower case; `excludeHost` takes an address or a host.
    void excludeHost(std::string_view addressOrHost);
    void includeHost(std::string_view host);
    std::vector<std::string> excludedHosts();
    bool isExcluded(std::string_view address);

    // Whether the log still holds something removed: a reader held it at the last checkpoint.
    // emptyLog() tries the checkpoint again and says whether the log is empty now.
    bool logOwed() const { return logOwed_; }
    bool emptyLog();

  private:
    void createOrCheckSchema();
    std::vector<SearchHit> searchWithin(const HistoryFilter& filter, const std::string& query,
                                        int limit);
    std::optional<std::int64_t> pageId(std::string_view address);
    void removeWhere(const char* condition, const std::function<void(Statement&)>& bind);
    void rewriteWithout(const char* condition, const std::function<void(Statement&)>& bind);
    void payWhatIsOwed();
    LookIndex& looks(); // what is left of them read from the file the first time
    // The pages `query` matches, by number, in order; read again once the file changed.
    const std::vector<std::int64_t>& pagesMatching(const std::string& query);

    Database db_;
    // The pages' signatures, as far as they have been read (none before); kept up to date as
    // pages are stored and removed, also while the rest is still to be read, from the pages
    // after the one read last.
    std::optional<LookIndex> looks_;
    std::optional<std::int64_t> looksReadTo_; // the page read last, while some are left
    bool logOwed_ = false;
    std::optional<std::int64_t> savedSize_; // none: to be worked out again
    // The day-by-day walk asks for the same words once a day: their pages are kept while the
    // file stays as it was (no change by this connection nor, by the file's version, another).
    struct MatchingPages {
        std::string query;
        std::int64_t changes = -1;
        std::int64_t fileVersion = -1;
        std::vector<std::int64_t> pages;
    };
    std::optional<MatchingPages> matching_;
};

// The host of an address in lower case ("" when it has none).
std::string hostOfAddress(std::string_view address);

// At most `maxCharacters` characters of `text`, as valid UTF-8 without NUL characters
// (both become U+FFFD), cut at a character boundary.
std::string cleanStoredText(std::string_view text, std::size_t maxCharacters);

} // namespace quillet
