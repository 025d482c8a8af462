// SPDX-License-Identifier: MIT
#include "WordMatches.h"

#include "MatchScore.h"
#include "SearchText.h"
#include "SearchTokenizer.h"
#include "WordPlaces.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace quillet {
namespace {

// What is ranked: the newest matches; the newest pages with every word in their title, of any
// age; and a few older pages with some of the words in their title (two of three, or one few
// titles have), scored from their text here (looked up in the text index one by one, each
// would cost a search). Enough that the page a person looks for is among them, few enough to
// answer within a frame.
constexpr int kNewestRanked = 1000;
constexpr int kTitledRanked = 200;
constexpr int kScoredHere = 30;
// A word in at most this many titles is rare in titles: its pages are all looked at. Titles
// are counted up to kTitlesCounted for the words' weights.
constexpr int kRareInTitles = 200;
constexpr int kTitlesCounted = 5000;
// How much of such a page's text is read for its words.
constexpr std::size_t kScoredTextBytes = 64 * 1024;

struct Candidate {
    double match = 0;
    StoredTime time = 0;
    std::int64_t visits = 0;
};

// Any two of the phrases: "(a AND b) OR (a AND c) OR (b AND c)".
std::string twoOf(const std::vector<std::string>& phrases) {
    std::string any;
    for (std::size_t i = 0; i < phrases.size(); ++i)
        for (std::size_t j = i + 1; j < phrases.size(); ++j)
            any += (any.empty() ? "(" : " OR (") + phrases[i] + " AND " + phrases[j] + ")";
    return any;
}

// A candidate's time (its latest visit, in the span if there is one), visits and whether its
// chips are the query's, as SQL on `page` (a page number); the span bound as ?4 and ?5, the chips
// as ?3.
struct PageFacts {
    std::string time, visits, condition;
};

PageFacts factsOf(const WordsQuery& query, const std::string& page) {
    PageFacts facts;
    facts.time =
        query.span
            ? "(SELECT max(time) FROM visits WHERE page = " + page +
                  " AND time >= ?4 AND time < ?5)"
            : "(SELECT last_visit FROM pages INDEXED BY pages_for_pane WHERE id = " + page + ")";
    facts.visits = query.order == MatchOrder::Best
                       ? "(SELECT count(*) FROM visits WHERE page = " + page + ")"
                       : "0";
    if (query.span)
        facts.condition += " AND latest IS NOT NULL";
    if (query.chips != 0)
        facts.condition +=
            " AND EXISTS (SELECT 1 FROM looks WHERE page = " + page + " AND (chips & ?3) = ?3)";
    return facts;
}

// The matches of `index` (page_text or page_titles): numbers, times, scores and visits, newest
// first; the words bound as ?1, the limit as ?2, the numbers' bounds as ?6 and ?7 and the words'
// weights as ?8.
std::string matchesSql(const WordsQuery& query, const std::string& index) {
    const std::string page = index + ".rowid";
    const PageFacts facts = factsOf(query, page);
    const std::string match =
        query.order == MatchOrder::Best ? "quillet_match(" + index + ", ?8)" : "0";
    return "SELECT " + page + ", " + facts.time + " AS latest, " + match + ", " + facts.visits +
           " FROM " + index + " WHERE " + index + " MATCH ?1 AND " + page + " >= ?6 AND " + page +
           " <= ?7" + facts.condition + " ORDER BY " + page + " DESC LIMIT ?2";
}

// How well the page matches, from its text read here; none when a word is not in it.
std::optional<double> scoreFromText(Database& db, std::int64_t page, const TypedWords& words,
                                    const std::vector<double>& weights) {
    Statement row = db.cached("SELECT title, address, body FROM page_text WHERE rowid = ?");
    if (!row.bind(1, page).step())
        return std::nullopt;
    std::vector<WordFound> places;
    for (const auto column : {MatchColumn::Title, MatchColumn::Address, MatchColumn::Body}) {
        const std::vector<WordFound> found =
            wordPlaces(row.text(static_cast<int>(column)), words, column, kScoredTextBytes);
        places.insert(places.end(), found.begin(), found.end());
    }
    std::vector<bool> seen(words.terms.size(), false);
    for (const WordFound& place : places)
        seen[static_cast<std::size_t>(place.word)] = true;
    if (std::find(seen.begin(), seen.end(), false) != seen.end())
        return std::nullopt;
    return matchScore(places, words.lengths(), weights,
                      static_cast<int>(searchTerms(row.text(0)).size()));
}

// Each word's titles: the newest pages with it in their title (kRareInTitles + 1 at most) and
// its weight from how many they are (kTitlesCounted at most).
struct WordTitles {
    std::vector<std::vector<std::int64_t>> pages;
    std::vector<double> weights;
    std::string weightsText; // as quillet_match takes them
};

WordTitles titlesOf(Database& db, const std::vector<std::string>& phrases) {
    WordTitles titles;
    Statement count = db.cached("SELECT coalesce(max(id), 0) FROM pages");
    count.step();
    const std::int64_t pages = count.integer(0);
    count.reset();
    Statement rows = db.cached(
        "SELECT rowid FROM page_titles WHERE page_titles MATCH ?1 ORDER BY rowid DESC LIMIT ?2");
    for (const std::string& phrase : phrases) {
        std::vector<std::int64_t>& found = titles.pages.emplace_back();
        rows.bind(1, phrase).bind(2, kTitlesCounted);
        std::int64_t counted = 0;
        for (; rows.step(); ++counted)
            if (counted <= kRareInTitles)
                found.push_back(rows.integer(0));
        rows.reset();
        titles.weights.push_back(titleWeight(counted, pages));
        char number[32];
        const auto end = std::to_chars(number, number + sizeof number, titles.weights.back(),
                                       std::chars_format::fixed, 4)
                             .ptr;
        titles.weightsText += std::string(number, end) + " ";
    }
    return titles;
}

// The older pages to score from their text, the first first: with three words or more, the
// titles with two of them, best first; then the newest with a word few titles have.
std::vector<std::int64_t>
toScoreHere(Database& db, const WordsQuery& query, const std::vector<std::string>& phrases,
            const WordTitles& titles, std::int64_t older,
            const std::unordered_map<std::int64_t, Candidate>& candidates) {
    std::vector<std::int64_t> pages;
    const auto add = [&](std::int64_t page) {
        if (page < older && page >= query.lowest && !candidates.contains(page) &&
            std::find(pages.begin(), pages.end(), page) == pages.end())
            pages.push_back(page);
    };
    if (phrases.size() >= 3) {
        Statement paired = db.prepare("SELECT rowid FROM page_titles WHERE page_titles MATCH ?1 "
                                      "AND rowid >= ?2 AND rowid < ?3 ORDER BY rank LIMIT ?4");
        paired.bind(1, twoOf(phrases)).bind(2, query.lowest).bind(3, older);
        paired.bind(4, kScoredHere);
        while (paired.step())
            add(paired.integer(0));
    }
    std::vector<std::int64_t> rare;
    for (const std::vector<std::int64_t>& titled : titles.pages)
        if (titled.size() <= static_cast<std::size_t>(kRareInTitles))
            rare.insert(rare.end(), titled.begin(), titled.end());
    std::sort(rare.begin(), rare.end(), std::greater<>());
    for (const std::int64_t page : rare)
        add(page);
    if (pages.size() > static_cast<std::size_t>(kScoredHere))
        pages.resize(kScoredHere);
    return pages;
}

// A page's time and visits, if it has a visit in the span and the chips asked for.
std::optional<Candidate> factsAbout(Database& db, const WordsQuery& query, std::int64_t page) {
    const PageFacts facts = factsOf(query, "?9");
    Statement row = db.cached(
        ("SELECT " + facts.time + " AS latest, " + facts.visits + " WHERE 1" + facts.condition)
            .c_str());
    if (query.chips != 0)
        row.bind(3, query.chips);
    if (query.span)
        row.bind(4, query.span->from).bind(5, query.span->to);
    if (!row.bind(9, page).step())
        return std::nullopt;
    return Candidate{0, row.integer(0), row.integer(1)};
}

struct Ranked {
    std::int64_t id;
    double score;
    StoredTime time;
};

// The candidates in order, at most `limit`: the best first, equal scores newest first.
std::vector<Ranked> inOrder(const std::unordered_map<std::int64_t, Candidate>& candidates,
                            MatchOrder order, int limit) {
    StoredTime newest = 0;
    for (const auto& [id, candidate] : candidates)
        newest = std::max(newest, candidate.time);
    std::vector<Ranked> ranked;
    ranked.reserve(candidates.size());
    for (const auto& [id, candidate] : candidates)
        ranked.push_back(
            {id,
             order == MatchOrder::Best
                 ? rankScore(candidate.match, newest - candidate.time, candidate.visits)
                 : 0,
             candidate.time});
    const auto before = [](const Ranked& a, const Ranked& b) {
        return a.score != b.score ? a.score > b.score
               : a.time != b.time ? a.time > b.time
                                  : a.id > b.id;
    };
    const auto shown = std::min(ranked.size(), static_cast<std::size_t>(std::max(limit, 0)));
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(shown),
                      ranked.end(), before);
    ranked.resize(shown);
    return ranked;
}

} // namespace

std::vector<SearchHit> wordMatches(Database& db, const WordsQuery& query, int limit) {
    const std::vector<std::string> phrases = searchPhrases(query.typed);
    if (phrases.empty() || limit <= 0)
        return {};
    const TypedWords words(query.typed);
    const WordTitles titles =
        query.order == MatchOrder::Best ? titlesOf(db, phrases) : WordTitles{};
    std::unordered_map<std::int64_t, Candidate> candidates;
    // The matches of all the words in `index`, newest first, from `highest` down. Returns the
    // lowest number met, if there were `count`.
    const auto gather = [&](const char* index, int count,
                            std::int64_t highest) -> std::optional<std::int64_t> {
        Statement rows = db.prepare(matchesSql(query, index).c_str());
        rows.bind(1, searchQuery(phrases)).bind(2, count).bind(6, query.lowest);
        rows.bind(7, highest);
        if (query.order == MatchOrder::Best)
            rows.bind(8, titles.weightsText);
        if (query.chips != 0)
            rows.bind(3, query.chips);
        if (query.span)
            rows.bind(4, query.span->from).bind(5, query.span->to);
        int found = 0;
        std::int64_t lowest = highest;
        for (; rows.step(); ++found) {
            lowest = rows.integer(0);
            Candidate& candidate = candidates[lowest];
            candidate = {std::max(candidate.match, rows.real(2)), rows.integer(1), rows.integer(3)};
        }
        return found == count ? std::optional(lowest) : std::nullopt;
    };
    if (query.order == MatchOrder::Newest) {
        gather("page_text", limit, query.highest);
    } else if (const auto older =
                   gather("page_text", std::max(kNewestRanked, limit), query.highest)) {
        // More matches than are ranked: those with every word in their title, of any age, and
        // a few older ones with some of them there.
        gather("page_titles", kTitledRanked, *older - 1);
        for (const std::int64_t page : toScoreHere(db, query, phrases, titles, *older, candidates))
            if (const auto facts = factsAbout(db, query, page))
                if (const auto match = scoreFromText(db, page, words, titles.weights))
                    candidates[page] = {*match, facts->time, facts->visits};
    }

    // Only the pages shown are read, and their text only up to the first place of a word.
    std::vector<SearchHit> hits;
    Statement row = db.cached("SELECT p.address, p.title, t.body FROM pages p JOIN page_text t "
                              "ON t.rowid = p.id WHERE p.id = ?");
    for (const Ranked& page : inOrder(candidates, query.order, limit)) {
        if (row.bind(1, page.id).step())
            hits.push_back({{row.text(0), row.text(1), page.time, {}},
                            matchSnippet(row.text(2), words),
                            page.score});
        row.reset();
    }
    return hits;
}

} // namespace quillet
