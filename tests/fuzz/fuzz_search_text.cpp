// SPDX-License-Identifier: MIT
// The search folding, terms, date words, query, word places and snippet on any text, as hostile
// pages and typed queries give them: folded text is valid UTF-8 without NUL, every term points
// into the text, date words stand for a span that begins before it ends and leave no more than
// was typed, the places are in order and of the words typed, the snippet is no longer than the
// text and its marks, and the query (and its score) never makes a full-text search fail.
#include "DateWords.h"
#include "SearchText.h"
#include "SearchTokenizer.h"
#include "WordPlaces.h"

#include <cstdint>
#include <cstdlib>
#include <glib.h>
#include <string>

namespace {

sqlite3* searchIndex() {
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        if (sqlite3_open(":memory:", &opened) != SQLITE_OK)
            std::abort();
        quillet::registerTextSearch(opened);
        if (sqlite3_exec(opened,
                         "CREATE VIRTUAL TABLE pages USING fts5(body, tokenize='quillet');"
                         "INSERT INTO pages VALUES ('東京 Quillet ｶﾀｶﾅ \"quoted\" NEAR OR');",
                         nullptr, nullptr, nullptr) != SQLITE_OK)
            std::abort();
        return opened;
    }();
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string folded = quillet::foldForSearch(input);
    if (!g_utf8_validate(folded.data(), static_cast<gssize>(folded.size()), nullptr) ||
        folded.find('\0') != std::string::npos)
        std::abort();
    std::size_t previous = 0;
    for (const quillet::SearchTerm& term : quillet::searchTerms(input)) {
        if (term.text.empty() || term.begin >= term.end || term.end > input.size() ||
            term.begin < previous)
            std::abort();
        previous = term.begin;
    }
    const quillet::DatedSearch dated = quillet::readDateWords(input, 1'796'000'000);
    if ((dated.span && dated.span->from >= dated.span->to) || dated.words.size() > input.size() ||
        dated.span.has_value() == dated.spanText.empty())
        std::abort();
    const quillet::TypedWords words(input.substr(0, 16));
    int position = 0;
    for (const quillet::WordFound& place :
         quillet::wordPlaces(input, words, quillet::MatchColumn::Body, input.size())) {
        if (place.offset < position || place.word < 0 ||
            static_cast<std::size_t>(place.word) >= words.terms.size())
            std::abort();
        position = place.offset;
    }
    if (quillet::matchSnippet(input, words).size() > input.size() + 6)
        std::abort();
    const std::string query = quillet::searchQuery(input);
    if (query.empty())
        return 0;
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(searchIndex(),
                           "SELECT rowid, quillet_match(pages) FROM pages WHERE pages MATCH ?1", -1,
                           &select, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_bind_text(select, 1, query.data(), static_cast<int>(query.size()), SQLITE_TRANSIENT);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(select)) == SQLITE_ROW) {
    }
    sqlite3_finalize(select);
    if (step != SQLITE_DONE)
        std::abort();
    return 0;
}
