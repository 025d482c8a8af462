// SPDX-License-Identifier: MIT
#pragma once
// A word search's matches, read from the history's tables: the best first (MatchScore), or the
// newest first. Ranking every match of a common word would read every page that holds it; the
// newest matches are ranked, and with them those that have one of the words in their title,
// of any age: what a person remembers of a page is most often in its title.

#include "HistoryStore.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

struct WordsQuery {
    std::string typed; // the words, every one to be found (searchPhrases)
    MatchOrder order = MatchOrder::Best;
    ColourChips chips = 0; // the pages must have every chip
    // The pages must have a visit in the span; each is then at its latest visit there.
    std::optional<TimeSpan> span = std::nullopt;
    // The pages' numbers to look among (a span's pages lie between two).
    std::int64_t lowest = 0;
    std::int64_t highest = std::numeric_limits<std::int64_t>::max();
};

// At most `limit` matches, each with its score (0 newest first) and snippet (MatchSnippet).
std::vector<SearchHit> wordMatches(Database& db, const WordsQuery& query, int limit);

} // namespace quillet
