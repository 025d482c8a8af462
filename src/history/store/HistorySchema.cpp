// SPDX-License-Identifier: MIT
#include "HistorySchema.h"

#include "SearchTokenizer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace quillet {

// The text and title indexes as this version makes them (the first schema's text index had no
// index of first characters).
#define QUILLET_TEXT_INDEX "fts5(title, address, body, tokenize='quillet', prefix='1')"
#define QUILLET_TITLE_INDEX "fts5(title, tokenize='quillet', prefix='1')"
const char* const kTextIndex = QUILLET_TEXT_INDEX;
const char* const kTitleIndex = QUILLET_TITLE_INDEX;

namespace {

// Pages are numbered by their last visit: the newest page has the largest number, which is
// also its row in the text index, so "newest first" is the index's own order.
constexpr const char* kSchema = R"sql(
CREATE TABLE pages(
    id INTEGER PRIMARY KEY,
    address TEXT NOT NULL UNIQUE,
    host TEXT NOT NULL,
    title TEXT NOT NULL,
    last_visit INTEGER NOT NULL,
    thumbnail_width INTEGER NOT NULL DEFAULT 0,
    thumbnail_height INTEGER NOT NULL DEFAULT 0,
    thumbnail BLOB);
CREATE INDEX pages_by_host ON pages(host);
CREATE INDEX pages_by_last_visit ON pages(last_visit);
CREATE TABLE visits(
    page INTEGER NOT NULL REFERENCES pages(id) ON DELETE CASCADE ON UPDATE CASCADE,
    time INTEGER NOT NULL);
CREATE INDEX visits_by_page ON visits(page);
CREATE VIRTUAL TABLE page_text USING fts5(title, address, body, tokenize='quillet');
CREATE TABLE excluded_hosts(host TEXT PRIMARY KEY) WITHOUT ROWID;
)sql";

// Each step of the ladder moves a file of version n - 1 to version n, in the transaction that
// opens it; a file made before a step is moved forward rather than set aside.
constexpr const char* kMigrations[] = {
    kSchema, // to version 1: the tables
    // To version 2: the visits by their time, for walking the history day by day; and the
    // scrubbing a removal still owes the file, should the process end before it is done.
    "CREATE INDEX visits_by_time ON visits(time);"
    "CREATE TABLE owed(task TEXT PRIMARY KEY) WITHOUT ROWID;",
    // To version 3: whether a page's content (text and thumbnail) is kept, or only its
    // address, title and visits (a sign-in or payment page, one its site said not to store).
    "ALTER TABLE pages ADD COLUMN content_kept INTEGER NOT NULL DEFAULT 1;",
    // To version 4: each thumbnail's look (LookSignature, packed) and its colour chips, in a
    // table of their own: read for every page at once, they must not sit behind the
    // thumbnails' overflow pages. The pages stored before have none until the worker has
    // worked theirs out, a few at a time.
    "CREATE TABLE looks(page INTEGER PRIMARY KEY REFERENCES pages(id) ON DELETE CASCADE "
    "ON UPDATE CASCADE, look BLOB NOT NULL, chips INTEGER NOT NULL);"
    "CREATE INDEX looks_by_chips ON looks(chips, page);",
    // To version 5: what the pane shows of every page, in an index in the pages' order: the
    // pane's 32,767 rows are read from a few hundred pages of the file, not from each page's
    // row, which its thumbnail fills (and which a sealed file decrypts page by page).
    "CREATE INDEX pages_for_pane ON pages(id, address, title, last_visit, content_kept);",
    // To version 6: each kept page as it was seen (SavedCopies): its versions, each with the
    // text it showed and its message's frame, and their parts, stored once by their hash. A
    // part goes with the last version that has it (prepareSavedCopies). A visit saw the page's
    // newest version saved at its time or before. The sizes are in indexes of their own, so
    // that the space the copies take is summed without reading them.
    "CREATE TABLE saved_parts(id INTEGER PRIMARY KEY, hash BLOB NOT NULL UNIQUE, "
    "size INTEGER NOT NULL, bytes BLOB NOT NULL);"
    "CREATE INDEX saved_parts_by_size ON saved_parts(size);"
    "CREATE TABLE page_versions(id INTEGER PRIMARY KEY, page INTEGER NOT NULL REFERENCES "
    "pages(id) ON DELETE CASCADE ON UPDATE CASCADE, saved INTEGER NOT NULL, text_hash BLOB NOT "
    "NULL, text BLOB NOT NULL, head BLOB NOT NULL, boundary TEXT, tail BLOB NOT NULL, "
    "size INTEGER NOT NULL);"
    "CREATE INDEX page_versions_by_page ON page_versions(page, saved);"
    "CREATE INDEX page_versions_by_saved ON page_versions(saved, size);"
    "CREATE TABLE version_parts(version INTEGER NOT NULL REFERENCES page_versions(id) ON DELETE "
    "CASCADE, position INTEGER NOT NULL, part INTEGER NOT NULL REFERENCES saved_parts(id), "
    "PRIMARY KEY(version, position)) WITHOUT ROWID;"
    "CREATE INDEX version_parts_by_part ON version_parts(part);",
    // To version 7: the text index with an index of its terms' first characters, so that a
    // query of one character (the first state of many typed ones: の, a Latin letter) reads one
    // list of pages newest first instead of merging those of every term it begins; the pages'
    // text indexed again into it. And the titles in an index of their own, by the pages'
    // numbers: the pages with a word in their title, of any age, found without reading the
    // lists of all the pages that have it anywhere.
    "CREATE VIRTUAL TABLE page_text_prefixed USING " QUILLET_TEXT_INDEX ";"
    "INSERT INTO page_text_prefixed(rowid, title, address, body) "
    "SELECT rowid, title, address, body FROM page_text;"
    "DROP TABLE page_text; ALTER TABLE page_text_prefixed RENAME TO page_text;"
    "CREATE VIRTUAL TABLE page_titles USING " QUILLET_TITLE_INDEX ";"
    "INSERT INTO page_titles(rowid, title) SELECT id, title FROM pages;",
};
static_assert(std::size(kMigrations) == kHistorySchemaVersion);
#undef QUILLET_TEXT_INDEX
#undef QUILLET_TITLE_INDEX

// The version and every object, in one statement: both of the same moment.
constexpr const char* kReadSchema =
    "SELECT 'version', user_version, '', '' FROM pragma_user_version "
    "UNION ALL SELECT type, name, tbl_name, coalesce(sql, '') FROM sqlite_master";

// A statement as SQLite keeps it, less what does not change its meaning: runs of white space,
// white space beside punctuation, and quotes around the object's own name (a table renamed
// into place, as the text index is by a large removal, has it quoted; one made anew has not).
std::string plainStatement(std::string sql, const std::string& name) {
    for (const std::string& quoted : {"\"" + name + "\"", "'" + name + "'"})
        for (auto at = sql.find(quoted); at != std::string::npos; at = sql.find(quoted, at))
            sql.replace(at, quoted.size(), name);
    std::string plain;
    bool space = false;
    for (const char c : sql) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        const bool punctuation = c == '(' || c == ')' || c == ',' || c == ';';
        if (space && !plain.empty() && !punctuation && !std::strchr("(,", plain.back()))
            plain += ' ';
        space = false;
        plain += c;
    }
    return plain;
}

} // namespace

void migrateHistorySchema(Database& db, int from) {
    for (int step = from; step < kHistorySchemaVersion; ++step)
        db.execute(kMigrations[step]);
    db.exec(("PRAGMA user_version=" + std::to_string(kHistorySchemaVersion)).c_str());
}

HistorySchema readHistorySchema(Database& db) {
    HistorySchema schema;
    std::vector<std::string> objects;
    Statement read = db.prepare(kReadSchema);
    while (read.step()) {
        const std::string type = read.text(0);
        if (type == "version") {
            schema.version = read.integer(1);
            continue;
        }
        const std::string name = read.text(1);
        objects.push_back(type + " " + name + " " + read.text(2) + " " +
                          plainStatement(read.text(3), name));
    }
    schema.empty = objects.empty();
    std::sort(objects.begin(), objects.end());
    for (const std::string& object : objects)
        schema.objects += object + "\n";
    return schema;
}

std::string expectedHistoryObjects(int version) {
    if (version < 1 || version > kHistorySchemaVersion)
        throw std::invalid_argument("no history schema of version " + std::to_string(version));
    Database made(":memory:", true);
    registerTextSearch(made.handle());
    for (int step = 0; step < version; ++step)
        made.execute(kMigrations[step]);
    return readHistorySchema(made).objects;
}

} // namespace quillet
