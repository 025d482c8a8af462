// SPDX-License-Identifier: MIT
#pragma once
// Each kept page as it was seen: the engine's saved copy of a visit, kept in the history's
// own file, so that it is sealed, removed and scrubbed with the page. A copy's parts (the
// page's HTML, its style sheets, pictures, fonts and frames) are stored once each by their
// content's hash and compressed, so a site's shared style sheet and logo are kept once; a
// visit whose page shows the same text as its last version adds no version, only points at
// that one.

#include "Sqlite.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The space the saved copies may take unless the user sets another: past it, the oldest
// versions go first.
inline constexpr std::int64_t kDefaultSavedCopiesSpace = 2'000'000'000;

struct SavedVersion {
    std::int64_t id = 0;
    std::int64_t saved = 0; // when the visit that saved it was made (the history's time)
};

// Whether `archive` is a copy of the page at `address` (its first part came from there, the
// two addresses compared without their fragments).
bool isCopyOf(std::string_view archive, std::string_view address);

// On each connection, once the file's tables are there: a part goes from the file with the last
// version that has it, however the version goes (a page removed, the space limit). A trigger of
// the connection's own: the file's triggers are never run, so that a changed file runs nothing.
void prepareSavedCopies(Database& db);

// Within the transaction that stores the visit to `page`: its copy `archive` and the text the
// page showed. A new version when the text is not that of the page's newest version; the
// bytes that added to the file (0: the visit saw the newest version).
std::int64_t keepSavedCopy(Database& db, std::int64_t page, std::int64_t saved,
                           std::string_view archive, std::string_view text);

// The page's versions, oldest first.
std::vector<SavedVersion> savedVersions(Database& db, std::int64_t page);
// The version a visit at `time` saw: the newest saved then or before, else the oldest.
std::optional<SavedVersion> versionSeenAt(Database& db, std::int64_t page, std::int64_t time);
// A version's copy, byte for byte as it was saved, and the text its page showed. None when
// the version is gone or its bytes do not read back whole.
std::optional<std::string> savedArchive(Database& db, std::int64_t version);
std::optional<std::string> savedText(Database& db, std::int64_t version);

// The bytes the saved copies take in the file (compressed).
std::int64_t savedBytes(Database& db);
// Drops the oldest versions until the copies take at most `limit` bytes; the pages, their
// text and thumbnails stay. The number of versions dropped.
int keepSavedWithin(Database& db, std::int64_t limit);

} // namespace quillet
