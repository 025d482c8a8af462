// SPDX-License-Identifier: MIT
#include "HistoryStore.h"

#include "NumberRedaction.h"
#include "SearchTokenizer.h"
#include "WordMatches.h"

#include <algorithm>
#include <functional>
#include <glib.h>
#include <iterator>
#include <tuple>
#include <unordered_set>

namespace quillet {
namespace {

bool isBrokenFile(const SqliteError& error) {
    // A sealed page that does not open (a wrong key, a changed byte) is as broken as a page
    // SQLite cannot read.
    return error.code() == SQLITE_NOTADB || error.code() == SQLITE_CORRUPT ||
           error.extendedCode() == SQLITE_IOERR_DATA;
}

// The first column of the first row, if there is one. The statement is finished before this
// returns: a statement left on a row keeps its read open past the commit, and the log could
// then never be checkpointed and emptied.
std::optional<std::int64_t> firstInteger(Statement& statement) {
    std::optional<std::int64_t> value;
    if (statement.step())
        value = statement.integer(0);
    statement.reset();
    return value;
}
std::optional<std::int64_t> firstInteger(Statement&& statement) {
    return firstInteger(statement);
}

std::string lowerCase(std::string_view text) {
    gchar* lower = g_utf8_strdown(text.data(), static_cast<gssize>(text.size()));
    std::string result(lower);
    g_free(lower);
    return result;
}

} // namespace

StoredTime toStoredTime(std::chrono::system_clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
}

std::chrono::system_clock::time_point fromStoredTime(StoredTime seconds) {
    return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

std::string hostOfAddress(std::string_view address) {
    const std::string text(address);
    GUri* uri = g_uri_parse(text.c_str(), G_URI_FLAGS_NON_DNS, nullptr);
    if (!uri)
        return {};
    const char* host = g_uri_get_host(uri);
    std::string result = host ? lowerCase(host) : std::string();
    g_uri_unref(uri);
    return result;
}

std::string cleanStoredText(std::string_view text, std::size_t maxCharacters) {
    std::string clean;
    clean.reserve(std::min(text.size(), maxCharacters * 3));
    const char* p = text.data();
    const char* end = p + text.size();
    for (std::size_t count = 0; p < end && count < maxCharacters; ++count) {
        const gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2) || c == 0) {
            clean += "\xEF\xBF\xBD"; // U+FFFD
            ++p;
            continue;
        }
        const char* next = g_utf8_next_char(p);
        clean.append(p, next);
        p = next;
    }
    return clean;
}

HistoryStore::HistoryStore(const std::string& path, const SealedVfs* seal) try
    : db_(path, true, seal ? seal->name() : nullptr) {
    sqlite3_busy_timeout(db_.handle(), 5000); // another Quillet writing: wait, on this thread
    if (seal != nullptr)
        prepareSealedDatabase(db_.handle());
    // A search of a large history walks the same pages of the text index again at every
    // keystroke: a larger cache than SQLite's 2 MiB holds them, where each would otherwise be
    // read from the system again (and, sealed, decrypted again). It fills only as far as
    // reads go.
    db_.execute("PRAGMA cache_size=-32768");
    registerTextSearch(db_.handle());
    createOrCheckSchema();
    prepareSavedCopies(db_);
    if (seal != nullptr)
        markLedgeredDatabase(db_.handle());
    try {
        payWhatIsOwed(); // a removal a process ended before it was done
    } catch (const SqliteError& error) {
        if (error.code() != SQLITE_BUSY) // another Quillet is writing: the next opening pays
            throw;
    }
} catch (const SqliteError& error) {
    if (isBrokenFile(error))
        throw UnusableHistoryFile(error.what());
    throw;
}

void HistoryStore::createOrCheckSchema() {
    const auto version = [this] {
        Statement read = db_.prepare("PRAGMA user_version");
        read.step();
        return read.integer(0);
    };
    // Only read until the file is known to be ours: a file set aside must stay as it was.
    const HistorySchema found = readHistorySchema(db_);
    if (found.version == 0 && !found.empty)
        throw UnusableHistoryFile("a database of another program");
    if (found.version > kSchemaVersion)
        throw UnusableHistoryFile("a history of a newer version");
    if (found.version > 0 &&
        found.objects != expectedHistoryObjects(static_cast<int>(found.version)))
        throw UnusableHistoryFile("a history whose tables were changed by another program");
    db_.execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON; "
                "PRAGMA secure_delete=ON");
    if (version() < kSchemaVersion) {
        Transaction transaction(db_);
        // Read again inside the transaction: another process may have moved it meanwhile.
        if (const auto from = version(); from < kSchemaVersion)
            migrateHistorySchema(db_, static_cast<int>(from));
        transaction.commit();
    }
    if (const auto now = version(); now != kSchemaVersion)
        throw UnusableHistoryFile("a history of schema version " + std::to_string(now));
}

bool HistoryStore::store(const PageVisit& visit) {
    const std::string host = hostOfAddress(visit.address);
    Transaction transaction(db_);
    if (!host.empty() &&
        firstInteger(db_.cached("SELECT 1 FROM excluded_hosts WHERE host = ?").bind(1, host)))
        return false;

    const std::int64_t id = *firstInteger(db_.cached("SELECT coalesce(max(id), 0) + 1 FROM pages"));
    // Card numbers and My Numbers are taken out of the text before anything is written.
    const std::string title = redactNumbers(cleanStoredText(visit.title, kMaxTitleCharacters));
    const bool withheld = visit.contentWithheld;
    const std::string shownText =
        withheld ? std::string() : cleanStoredText(visit.text, kMaxTextCharacters);
    std::string body = redactNumbers(shownText);
    // The copy holds the page's numbers as it showed them: none is kept of a page that had any.
    // Nor one of another page than the visit's (the view had moved on when it was saved).
    const bool keepCopy = !withheld && !visit.savedCopy.empty() && !shownText.empty() &&
                          body == shownText && isCopyOf(visit.savedCopy, visit.address);
    const std::optional<LookSignature> keptLook = withheld ? std::nullopt : visit.look;
    // A page whose content was kept before and is withheld now loses it: its text and
    // thumbnail are scrubbed as a removal's are.
    bool contentRemoved = false;

    const auto old = pageId(visit.address);
    if (old) {
        if (withheld)
            contentRemoved =
                firstInteger(
                    db_.cached("SELECT content_kept FROM pages WHERE id = ?").bind(1, *old))
                    .value_or(0) != 0;
        else if (visit.text.empty()) {
            Statement oldText = db_.cached("SELECT body FROM page_text WHERE rowid = ?");
            if (oldText.bind(1, *old).step())
                body = oldText.text(0);
        }
        db_.cached("DELETE FROM page_text WHERE rowid = ?").bind(1, *old).run();
        db_.cached("DELETE FROM page_titles WHERE rowid = ?").bind(1, *old).run();
        Statement update = db_.cached(
            "UPDATE pages SET id = ?1, title = ?2, last_visit = ?3, content_kept = NOT ?8, "
            "thumbnail_width = iif(?8, 0, iif(?4 IS NULL, thumbnail_width, ?5)), "
            "thumbnail_height = iif(?8, 0, iif(?4 IS NULL, thumbnail_height, ?6)), "
            "thumbnail = iif(?8, NULL, coalesce(?4, thumbnail)) WHERE id = ?7");
        update.bind(1, id).bind(2, title).bind(3, visit.time).bindBlob(4, visit.thumbnail.bytes);
        update.bind(5, visit.thumbnail.width).bind(6, visit.thumbnail.height).bind(7, *old);
        update.bind(8, withheld ? 1 : 0).run();
    } else {
        const PackedImage none;
        const PackedImage& thumbnail = withheld ? none : visit.thumbnail;
        Statement insert = db_.cached("INSERT INTO pages(id, address, host, title, last_visit, "
                                      "thumbnail_width, thumbnail_height, thumbnail, "
                                      "content_kept) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insert.bind(1, id).bind(2, visit.address).bind(3, host).bind(4, title);
        insert.bind(5, visit.time).bind(6, thumbnail.width).bind(7, thumbnail.height);
        insert.bindBlob(8, thumbnail.bytes).bind(9, withheld ? 0 : 1).run();
    }
    db_.cached("INSERT INTO visits(page, time) VALUES(?, ?)").bind(1, id).bind(2, visit.time).run();
    const std::int64_t copyBytes =
        keepCopy ? keepSavedCopy(db_, id, visit.time, visit.savedCopy, body) : 0;
    // The look goes with the thumbnail it was worked out from: a new thumbnail without one
    // leaves it to be worked out again, and a withheld visit takes it out.
    if (keptLook)
        db_.cached("INSERT OR REPLACE INTO looks(page, look, chips) VALUES(?, ?, ?)")
            .bind(1, id)
            .bindBlob(2, packLook(*keptLook))
            .bind(3, keptLook->chips)
            .run();
    else if (withheld || !visit.thumbnail.bytes.empty())
        db_.cached("DELETE FROM looks WHERE page = ?").bind(1, id).run();
    Statement text =
        db_.cached("INSERT INTO page_text(rowid, title, address, body) VALUES(?, ?, ?, ?)");
    text.bind(1, id).bind(2, title).bind(3, visit.address).bind(4, body).run();
    db_.cached("INSERT INTO page_titles(rowid, title) VALUES(?, ?)")
        .bind(1, id)
        .bind(2, title)
        .run();
    if (contentRemoved) {
        db_.cached("DELETE FROM page_versions WHERE page = ?").bind(1, id).run();
        db_.exec("INSERT OR IGNORE INTO owed(task) VALUES('scrub')");
    }
    transaction.commit();
    if (contentRemoved)
        savedSize_.reset();
    else if (savedSize_)
        *savedSize_ += copyBytes;
    if (looks_) {
        if (old && (keptLook || withheld || !visit.thumbnail.bytes.empty()))
            looks_->forget(*old);
        else if (old)
            looks_->renumber(*old, id);
        if (keptLook)
            looks_->set(id, *keptLook);
    }
    if (contentRemoved)
        payWhatIsOwed();
    return true;
}

std::vector<StoredEntry> HistoryStore::newest(int limit, bool withThumbnails) {
    Statement rows = db_.prepare(
        withThumbnails ? "SELECT address, title, last_visit, content_kept, thumbnail_width, "
                         "thumbnail_height, thumbnail FROM pages ORDER BY id DESC LIMIT ?"
                       : "SELECT address, title, last_visit, content_kept FROM pages "
                         "INDEXED BY pages_for_pane ORDER BY id DESC LIMIT ?");
    rows.bind(1, limit);
    std::vector<StoredEntry> entries;
    while (rows.step()) {
        StoredEntry& entry = entries.emplace_back(
            StoredEntry{rows.text(0), rows.text(1), rows.integer(2), {}, rows.integer(3) != 0});
        if (withThumbnails)
            entry.thumbnail = {static_cast<int>(rows.integer(4)), static_cast<int>(rows.integer(5)),
                               rows.blob(6)};
    }
    return entries;
}

std::optional<PackedImage> HistoryStore::thumbnail(std::string_view address) {
    Statement row = db_.cached(
        "SELECT thumbnail_width, thumbnail_height, thumbnail FROM pages WHERE address = ?");
    if (!row.bind(1, address).step() || row.isNull(2))
        return std::nullopt;
    return PackedImage{static_cast<int>(row.integer(0)), static_cast<int>(row.integer(1)),
                       row.blob(2)};
}

std::int64_t HistoryStore::pageCount() {
    Statement count = db_.prepare("SELECT count(*) FROM pages");
    count.step();
    return count.integer(0);
}

std::vector<StoredTime> HistoryStore::visitsOf(std::string_view address) {
    Statement rows = db_.prepare("SELECT v.time FROM visits v JOIN pages p ON p.id = v.page "
                                 "WHERE p.address = ? ORDER BY v.time");
    rows.bind(1, address);
    std::vector<StoredTime> times;
    while (rows.step())
        times.push_back(rows.integer(0));
    return times;
}

bool HistoryFilter::empty() const {
    return chips == 0 && !span && searchQuery(typed).empty();
}

std::vector<SearchHit> HistoryStore::search(std::string_view typed, int limit) {
    return search(HistoryFilter{std::string(typed), 0}, limit);
}

std::vector<SearchHit> HistoryStore::search(const HistoryFilter& filter, int limit) {
    const std::string query = searchQuery(filter.typed);
    if (filter.span)
        return searchWithin(filter, query, limit);
    if (!query.empty())
        return wordMatches(db_, {filter.typed, filter.order, filter.chips}, limit);
    if (filter.chips == 0)
        return {};
    // Chips alone: the looks walked newest first.
    Statement rows = db_.prepare("SELECT p.address, p.title, p.last_visit FROM looks l JOIN pages "
                                 "p ON p.id = l.page WHERE (l.chips & ?1) = ?1 ORDER BY l.page "
                                 "DESC LIMIT ?2");
    rows.bind(1, filter.chips).bind(2, limit);
    std::vector<SearchHit> hits;
    while (rows.step())
        hits.push_back({{rows.text(0), rows.text(1), rows.integer(2), {}}, ""});
    return hits;
}

std::vector<SearchHit> HistoryStore::searchWithin(const HistoryFilter& filter,
                                                  const std::string& query, int limit) {
    // Each page once, at its latest visit in the span. With words, the matches come from the
    // text index, held to the pages visited in the span's numbers (from the lowest to the
    // highest, which the index seeks to). With none, the span's visits are walked by their
    // time, newest first.
    const TimeSpan span = *filter.span;
    if (!query.empty()) {
        Statement pages =
            db_.cached("SELECT min(page), max(page) FROM visits WHERE time >= ?1 AND time < ?2");
        if (!pages.bind(1, span.from).bind(2, span.to).step() || pages.isNull(0))
            return {};
        return wordMatches(
            db_,
            {filter.typed, filter.order, filter.chips, span, pages.integer(0), pages.integer(1)},
            limit);
    }
    // The span's visits walked back from its end by the visits' time index, each page taken at
    // its first (latest) visit met, until `limit` pages: a month holds thousands of visits.
    const std::string chipsCondition =
        filter.chips != 0
            ? " AND EXISTS (SELECT 1 FROM looks WHERE page = v.page AND (chips & ?1) = ?1)"
            : "";
    Statement visits = db_.prepare(("SELECT v.page, v.time FROM visits v WHERE v.time >= ?2 AND "
                                    "v.time < ?3" +
                                    chipsCondition + " ORDER BY v.time DESC")
                                       .c_str());
    visits.bind(2, span.from).bind(3, span.to);
    if (filter.chips != 0)
        visits.bind(1, filter.chips);
    std::vector<std::pair<std::int64_t, StoredTime>> latest;
    std::unordered_set<std::int64_t> seen;
    while (latest.size() < static_cast<std::size_t>(std::max(limit, 0)) && visits.step())
        if (seen.insert(visits.integer(0)).second)
            latest.emplace_back(visits.integer(0), visits.integer(1));
    visits.reset();
    std::vector<SearchHit> hits;
    Statement page = db_.cached("SELECT address, title FROM pages WHERE id = ?");
    for (const auto& [id, time] : latest) {
        if (page.bind(1, id).step())
            hits.push_back({{page.text(0), page.text(1), time, {}}, ""});
        page.reset();
    }
    return hits;
}

std::optional<PageVisit> HistoryStore::visitOf(std::string_view address) {
    Statement row = db_.cached("SELECT p.title, p.last_visit, t.body FROM pages p JOIN page_text t "
                               "ON t.rowid = p.id WHERE p.address = ?");
    if (!row.bind(1, address).step())
        return std::nullopt;
    return PageVisit{std::string(address), row.text(0), row.integer(1), {}, row.text(2)};
}

std::optional<std::int64_t> HistoryStore::pageId(std::string_view address) {
    return firstInteger(db_.cached("SELECT id FROM pages WHERE address = ?").bind(1, address));
}

std::vector<SavedVersion> HistoryStore::savedVersions(std::string_view address) {
    const auto page = pageId(address);
    return page ? quillet::savedVersions(db_, *page) : std::vector<SavedVersion>{};
}

std::optional<SavedVersion> HistoryStore::savedVersionSeenAt(std::string_view address,
                                                             StoredTime time) {
    const auto page = pageId(address);
    return page ? versionSeenAt(db_, *page, time) : std::nullopt;
}

std::int64_t HistoryStore::savedCopiesSize() {
    if (!savedSize_)
        savedSize_ = savedBytes(db_);
    return *savedSize_;
}

int HistoryStore::keepSavedCopiesWithin(std::int64_t limit) {
    if (savedCopiesSize() <= limit)
        return 0;
    savedSize_.reset();
    Transaction transaction(db_);
    const int dropped = keepSavedWithin(db_, limit);
    transaction.commit();
    return dropped;
}

void HistoryStore::removeWhere(const char* condition, const std::function<void(Statement&)>& bind) {
    const std::string where = std::string(" WHERE ") + condition;
    Statement counted =
        db_.prepare(("SELECT count(*), (SELECT count(*) FROM pages) FROM pages" + where).c_str());
    bind(counted);
    counted.step();
    const std::int64_t removed = counted.integer(0);
    const std::int64_t all = counted.integer(1);
    counted.reset();
    if (removed == 0)
        return;
    looks_.reset(); // read again when next looked for
    looksReadTo_.reset();
    savedSize_.reset();
    if (removed * 2 >= all) {
        rewriteWithout(condition, bind);
        return;
    }
    Transaction transaction(db_);
    for (const char* index : {"page_text", "page_titles"}) {
        Statement text = db_.prepare(("DELETE FROM " + std::string(index) +
                                      " WHERE rowid IN (SELECT id FROM pages" + where + ")")
                                         .c_str());
        bind(text);
        text.run();
    }
    Statement pages = db_.prepare(("DELETE FROM pages" + where).c_str());
    bind(pages);
    pages.run();
    db_.exec("INSERT OR IGNORE INTO owed(task) VALUES('scrub')");
    transaction.commit();
    payWhatIsOwed();
}

void HistoryStore::rewriteWithout(const char* condition,
                                  const std::function<void(Statement&)>& bind) {
    // Most of the history goes: the indexes are rebuilt from the pages that stay rather than
    // each removed page's terms taken out one by one (which reads and splits all its text
    // again), and the removed rows are freed without being zeroed: VACUUM then writes the file
    // afresh from what is left, so nothing removed stays in it, and the log is emptied after.
    // The transaction that removes them also notes the VACUUM owed, so a process ended before
    // it leaves the next opening of the file to do it.
    // The pages that stay are found by their rows in pages and read from each index by rowid:
    // a scan of an index's own table would read every removed page's text too.
    const std::string staying =
        std::string(" WHERE rowid IN (SELECT id FROM pages WHERE (") + condition + ") IS NOT TRUE)";
    db_.execute("PRAGMA secure_delete=OFF");
    try {
        Transaction transaction(db_);
        // Both indexes rebuilt with the pages that stay, made as the schema makes them.
        for (const auto& [index, made, columns] :
             {std::tuple{"page_text", kTextIndex, "title, address, body"},
              std::tuple{"page_titles", kTitleIndex, "title"}}) {
            const std::string name(index), kept = name + "_kept";
            db_.execute(("CREATE VIRTUAL TABLE " + kept + " USING " + made).c_str());
            Statement keep = db_.prepare(("INSERT INTO " + kept + "(rowid, " + columns +
                                          ") SELECT rowid, " + columns + " FROM " + name + staying)
                                             .c_str());
            bind(keep);
            keep.run();
            db_.execute(
                ("DROP TABLE " + name + "; ALTER TABLE " + kept + " RENAME TO " + name).c_str());
        }
        Statement pages =
            db_.prepare((std::string("DELETE FROM pages WHERE ") + condition).c_str());
        bind(pages);
        pages.run();
        db_.exec("INSERT OR IGNORE INTO owed(task) VALUES('vacuum')");
        transaction.commit();
    } catch (...) {
        db_.execute("PRAGMA secure_delete=ON");
        throw;
    }
    db_.execute("PRAGMA secure_delete=ON");
    payWhatIsOwed();
}

void HistoryStore::payWhatIsOwed() {
    // What a removal noted, done now or at the next opening after a process that ended first.
    // Secure delete has zeroed the removed rows; the indexes still hold their terms in older
    // segments until they are rewritten (scrub), the space a rewrite freed is given back (vacuum),
    // and the log holds old copies of the pages until a checkpoint empties it.
    bool vacuum = false, scrub = false;
    {
        Statement tasks = db_.prepare("SELECT task FROM owed");
        while (tasks.step()) {
            vacuum = vacuum || tasks.text(0) == "vacuum";
            scrub = scrub || tasks.text(0) == "scrub";
        }
    }
    if (!vacuum && !scrub)
        return;
    if (scrub) {
        db_.exec("INSERT INTO page_text(page_text) VALUES('optimize')");
        db_.exec("INSERT INTO page_titles(page_titles) VALUES('optimize')");
    }
    if (vacuum)
        db_.exec("VACUUM");
    db_.exec("DELETE FROM owed");
    logOwed_ = !emptyLog();
}

void HistoryStore::remove(std::string_view address) {
    remove(std::vector<std::string>{std::string(address)});
}

void HistoryStore::remove(const std::vector<std::string>& addresses) {
    if (addresses.empty())
        return;
    Transaction transaction(db_);
    std::vector<std::int64_t> removed;
    for (const std::string& address : addresses) {
        if (const auto page = pageId(address))
            removed.push_back(*page);
        for (const char* removal :
             {"DELETE FROM page_text WHERE rowid = (SELECT id FROM pages WHERE address = ?)",
              "DELETE FROM page_titles WHERE rowid = (SELECT id FROM pages WHERE address = ?)"})
            db_.cached(removal).bind(1, address).run();
        db_.cached("DELETE FROM pages WHERE address = ?").bind(1, address).run();
    }
    db_.exec("INSERT OR IGNORE INTO owed(task) VALUES('scrub')");
    transaction.commit();
    savedSize_.reset();
    if (looks_)
        for (const std::int64_t page : removed)
            looks_->forget(page);
    payWhatIsOwed();
}

void HistoryStore::removeVisitedSince(StoredTime since) {
    removeWhere("last_visit >= ?", [&](Statement& s) { s.bind(1, since); });
}

void HistoryStore::removeVisitedBefore(StoredTime before) {
    removeWhere("last_visit < ?", [&](Statement& s) { s.bind(1, before); });
}

bool HistoryStore::emptyLog() {
    // The checkpoint answers (busy, pages in the log, pages copied); busy means a reader (another
    // Quillet) still needs the log, which then keeps what was removed until a later try.
    Statement checkpoint = db_.prepare("PRAGMA wal_checkpoint(TRUNCATE)");
    if (!checkpoint.step())
        return true; // not in WAL mode: nothing is kept in a log
    const bool emptied = checkpoint.integer(0) == 0;
    logOwed_ = !emptied;
    return emptied;
}

void HistoryStore::excludeHost(std::string_view addressOrHost) {
    std::string host = hostOfAddress(addressOrHost);
    if (host.empty())
        host = lowerCase(addressOrHost);
    if (host.empty())
        return;
    db_.prepare("INSERT OR IGNORE INTO excluded_hosts(host) VALUES(?)").bind(1, host).run();
    removeWhere("host = ?", [&](Statement& s) { s.bind(1, host); });
}

void HistoryStore::includeHost(std::string_view host) {
    db_.prepare("DELETE FROM excluded_hosts WHERE host = ?").bind(1, lowerCase(host)).run();
}

std::vector<std::string> HistoryStore::excludedHosts() {
    Statement rows = db_.prepare("SELECT host FROM excluded_hosts ORDER BY host");
    std::vector<std::string> hosts;
    while (rows.step())
        hosts.push_back(rows.text(0));
    return hosts;
}

bool HistoryStore::isExcluded(std::string_view address) {
    const std::string host = hostOfAddress(address);
    return !host.empty() &&
           db_.cached("SELECT 1 FROM excluded_hosts WHERE host = ?").bind(1, host).step();
}

std::optional<LookSignature> HistoryStore::lookOf(std::string_view address) {
    Statement row =
        db_.cached("SELECT l.look FROM looks l JOIN pages p ON p.id = l.page WHERE p.address = ?");
    std::optional<LookSignature> look;
    if (row.bind(1, address).step())
        look = unpackLook(row.blob(0));
    row.reset();
    return look;
}

bool HistoryStore::readLooksPart(int count) {
    if (!looks_) {
        looks_.emplace();
        looksReadTo_ = std::numeric_limits<std::int64_t>::min();
        if (const auto all = firstInteger(db_.cached("SELECT count(*) FROM looks")))
            looks_->reserve(static_cast<std::size_t>(*all));
    }
    if (!looksReadTo_)
        return true;
    // The looks table alone, in the pages' order: a page's row would be read with its
    // thumbnail. A look read again after a store set it is the same.
    Statement rows = db_.cached("SELECT page, look FROM looks WHERE page > ? AND length(look) > 0 "
                                "ORDER BY page LIMIT ?");
    rows.bind(1, *looksReadTo_).bind(2, count);
    int read = 0;
    for (; rows.step(); ++read) {
        looksReadTo_ = rows.integer(0);
        if (const auto look = unpackLook(rows.blob(1)))
            looks_->set(*looksReadTo_, *look);
    }
    if (read < count)
        looksReadTo_.reset();
    return !looksReadTo_;
}

LookIndex& HistoryStore::looks() {
    while (!readLooksPart(std::numeric_limits<int>::max())) {
    }
    return *looks_;
}

std::vector<LookMatch> HistoryStore::nearest(const LookSignature& look, int limit) {
    std::vector<LookMatch> matches;
    Statement row = db_.cached("SELECT address, title, last_visit FROM pages WHERE id = ?");
    for (const auto& [page, nearness] :
         looks().nearest(look, static_cast<std::size_t>(std::max(limit, 0)))) {
        if (row.bind(1, page).step())
            matches.push_back({{row.text(0), row.text(1), row.integer(2), {}}, nearness});
        row.reset();
    }
    return matches;
}

std::vector<UnseenLook> HistoryStore::unseenLooks(int limit, std::int64_t below) {
    // Newest first from `below` on, so that each batch starts where the last one ended. The
    // pages without a look are found in the pane's index, in the pages' order (a batch stops
    // at its limit), not in the pages themselves, each of which its thumbnail fills: a
    // history whose looks are all there is checked at every start.
    Statement rows =
        db_.cached("SELECT p.id, p.address, p.thumbnail_width, p.thumbnail_height, p.thumbnail "
                   "FROM pages v INDEXED BY pages_for_pane JOIN pages p ON p.id = v.id "
                   "WHERE v.id < ?1 AND NOT EXISTS (SELECT 1 FROM looks WHERE page = v.id) "
                   "AND p.thumbnail IS NOT NULL ORDER BY v.id DESC LIMIT ?2");
    rows.bind(1, below).bind(2, limit);
    std::vector<UnseenLook> unseen;
    while (rows.step())
        unseen.push_back(
            {rows.integer(0),
             rows.text(1),
             {static_cast<int>(rows.integer(2)), static_cast<int>(rows.integer(3)), rows.blob(4)}});
    rows.reset();
    return unseen;
}

void HistoryStore::setLooks(
    const std::vector<std::pair<std::int64_t, std::optional<LookSignature>>>& looks) {
    Transaction transaction(db_);
    for (const auto& [page, look] : looks) {
        // An unreadable thumbnail gets an empty look, so it is not asked for again.
        Statement set = db_.cached("INSERT OR REPLACE INTO looks(page, look, chips) SELECT id, "
                                   "coalesce(?1, zeroblob(0)), ?2 FROM pages WHERE id = ?3 "
                                   "AND thumbnail IS NOT NULL");
        set.bindBlob(1, look ? packLook(*look) : std::vector<std::uint8_t>{});
        set.bind(2, look ? look->chips : 0).bind(3, page).run();
    }
    transaction.commit();
    if (looks_)
        for (const auto& [page, look] : looks)
            look ? looks_->set(page, *look) : looks_->forget(page);
}

namespace {

// The filter's conditions on `v` (visits) but its words (which the caller checks against
// pagesMatching), with its chips bound as ?4 and its span as ?5 and ?6.
std::string filterCondition(const HistoryFilter& filter) {
    std::string condition;
    if (filter.span)
        condition += " AND v.time >= ?5 AND v.time < ?6";
    if (filter.chips != 0)
        condition += " AND EXISTS (SELECT 1 FROM looks WHERE page = v.page AND (chips & ?4) = ?4)";
    return condition;
}

void bindFilter(Statement& statement, const HistoryFilter& filter) {
    if (filter.chips != 0)
        statement.bind(4, filter.chips);
    if (filter.span)
        statement.bind(5, filter.span->from).bind(6, filter.span->to);
}

bool holds(const std::vector<std::int64_t>& sorted, std::int64_t page) {
    return std::binary_search(sorted.begin(), sorted.end(), page);
}

} // namespace

const std::vector<std::int64_t>& HistoryStore::pagesMatching(const std::string& query) {
    const std::int64_t changes = db_.totalChanges();
    const std::int64_t fileVersion = firstInteger(db_.cached("PRAGMA data_version")).value_or(0);
    if (!matching_ || matching_->query != query || matching_->changes != changes ||
        matching_->fileVersion != fileVersion) {
        matching_ = MatchingPages{query, changes, fileVersion, {}};
        Statement pages = db_.cached("SELECT rowid FROM page_text WHERE page_text MATCH ?");
        pages.bind(1, query);
        while (pages.step())
            matching_->pages.push_back(pages.integer(0));
        std::ranges::sort(matching_->pages);
    }
    return matching_->pages;
}

std::optional<StoredTime> HistoryStore::latestVisitBefore(StoredTime before,
                                                          const HistoryFilter& filter) {
    // The visits are walked back from `before` on their time's index. With words, each visit's
    // page is looked for among the pages they match, for as many visits as there are such
    // pages; past that, the pages are few beside the visits, and each one's latest visit
    // before `before` is looked up instead. The pages' rows are not read: each fills a page of
    // the file with its thumbnail.
    const std::string query = searchQuery(filter.typed);
    Statement walk = db_.cached(("SELECT v.time, v.page FROM visits v WHERE v.time < ?1" +
                                 filterCondition(filter) + " ORDER BY v.time DESC")
                                    .c_str());
    walk.bind(1, before);
    bindFilter(walk, filter);
    if (query.empty())
        return walk.step() ? std::optional(walk.integer(0)) : std::nullopt;
    const std::vector<std::int64_t>& matching = pagesMatching(query);
    for (std::size_t walked = 0; walked < matching.size(); ++walked) {
        if (!walk.step())
            return std::nullopt; // back to the first visit
        if (holds(matching, walk.integer(1)))
            return walk.integer(0);
    }
    walk.reset();
    Statement latest =
        db_.cached(("SELECT max(v.time) FROM visits v WHERE v.page = ?2 AND v.time < ?1" +
                    filterCondition(filter))
                       .c_str());
    latest.bind(1, before);
    bindFilter(latest, filter);
    std::optional<StoredTime> found;
    for (const std::int64_t page : matching) {
        latest.bind(2, page);
        if (latest.step() && !latest.isNull(0))
            found = std::max(found.value_or(latest.integer(0)), latest.integer(0));
        latest.reset();
    }
    return found;
}

std::vector<StoredEntry> HistoryStore::visitedBetween(StoredTime from, StoredTime to,
                                                      const HistoryFilter& filter) {
    const std::string query = searchQuery(filter.typed);
    // What the pane shows of a page, from the index that holds it rather than from the page's
    // row, which its thumbnail fills.
    Statement rows = db_.cached(
        ("SELECT p.address, p.title, max(v.time) AS latest, p.content_kept, p.id FROM visits v "
         "INDEXED BY visits_by_time JOIN pages p INDEXED BY pages_for_pane ON p.id = v.page "
         "WHERE v.time >= ?1 AND v.time < ?2" +
         filterCondition(filter) + " GROUP BY v.page ORDER BY latest DESC")
            .c_str());
    rows.bind(1, from).bind(2, to);
    bindFilter(rows, filter);
    const std::vector<std::int64_t>* matching = query.empty() ? nullptr : &pagesMatching(query);
    std::vector<StoredEntry> entries;
    while (rows.step())
        if (!matching || holds(*matching, rows.integer(4)))
            entries.push_back(
                {rows.text(0), rows.text(1), rows.integer(2), {}, rows.integer(3) != 0});
    return entries;
}

} // namespace quillet
