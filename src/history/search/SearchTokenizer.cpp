// SPDX-License-Identifier: MIT
#include "SearchTokenizer.h"

#include "MatchScore.h"
#include "SearchText.h"

#include <algorithm>
#include <glib.h>
#include <stdexcept>
#include <vector>

namespace quillet {
namespace {

// The tokenizer has no settings: one static instance serves every table.
int createTokenizer(void*, const char**, int, Fts5Tokenizer** tokenizer) {
    static int instance = 0;
    *tokenizer = reinterpret_cast<Fts5Tokenizer*>(&instance);
    return SQLITE_OK;
}

void deleteTokenizer(Fts5Tokenizer*) {}

int tokenize(Fts5Tokenizer*, void* context, int flags, const char* text, int length,
             int (*token)(void*, int, const char*, int, int, int)) {
    try {
        const TermsFor use = (flags & FTS5_TOKENIZE_QUERY) ? TermsFor::Query : TermsFor::Text;
        int result = SQLITE_OK;
        eachSearchTerm(std::string_view(text, static_cast<std::size_t>(length)), use,
                       [&](const SearchTerm& term) {
                           result = token(context, 0, term.text.data(),
                                          static_cast<int>(term.text.size()),
                                          static_cast<int>(term.begin), static_cast<int>(term.end));
                           return result == SQLITE_OK;
                       });
        return result;
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    } catch (...) {
        return SQLITE_ERROR;
    }
}

// The weights given as text, one number for each phrase ("2.5 1"); none when there is none.
std::vector<double> weightsOf(int count, sqlite3_value** values) {
    std::vector<double> weights;
    if (count < 1)
        return weights;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    for (const char* p = text; p && *p;) {
        char* end = nullptr;
        const double weight = g_ascii_strtod(p, &end);
        if (end == p)
            break;
        weights.push_back(weight);
        p = end;
    }
    return weights;
}

// quillet_match(table[, weights]): the matchScore of the row, from each place a phrase (a typed
// word) was found. A page's commonest words can be found hundreds of times: the first places
// are enough to tell how near the words are.
void matchFunction(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result,
                   int argumentCount, sqlite3_value** arguments) {
    constexpr int kMostPlaces = 512;
    try {
        std::vector<int> lengths(static_cast<std::size_t>(std::max(api->xPhraseCount(fts), 0)));
        for (std::size_t i = 0; i < lengths.size(); ++i)
            lengths[i] = api->xPhraseSize(fts, static_cast<int>(i));
        int places = 0;
        if (const int status = api->xInstCount(fts, &places); status != SQLITE_OK) {
            sqlite3_result_error_code(result, status);
            return;
        }
        std::vector<WordFound> found;
        for (int i = 0; i < std::min(places, kMostPlaces); ++i) {
            int phrase = 0, column = 0, offset = 0;
            if (api->xInst(fts, i, &phrase, &column, &offset) != SQLITE_OK || column < 0 ||
                column > static_cast<int>(MatchColumn::Body))
                continue;
            found.push_back({phrase, static_cast<MatchColumn>(column), offset});
        }
        int titleTerms = 0;
        if (api->xColumnSize(fts, static_cast<int>(MatchColumn::Title), &titleTerms) != SQLITE_OK)
            titleTerms = 0;
        sqlite3_result_double(
            result, matchScore(found, lengths, weightsOf(argumentCount, arguments), titleTerms));
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(result);
    }
}

fts5_api* fts5Of(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

} // namespace

void registerTextSearch(sqlite3* db) {
    fts5_api* api = fts5Of(db);
    if (!api)
        throw std::runtime_error("this SQLite has no full-text search (FTS5)");
    fts5_tokenizer tokenizer{createTokenizer, deleteTokenizer, tokenize};
    if (api->xCreateTokenizer(api, "quillet", nullptr, &tokenizer, nullptr) != SQLITE_OK ||
        api->xCreateFunction(api, "quillet_match", nullptr, matchFunction, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

std::vector<std::string> searchPhrases(std::string_view typed) {
    // Each word becomes a quoted string, its quotes doubled; a beginning unless it ends in a
    // whole term (a prefix query reads the list of every term it begins, at each look-up).
    std::vector<std::string> phrases;
    for (const std::string& word : typedWords(foldForSearch(typed))) {
        if (searchTerms(word, TermsFor::Query).empty())
            continue;
        std::string phrase = "\"";
        for (char c : word)
            phrase += c == '"' ? std::string("\"\"") : std::string(1, c);
        phrases.push_back(phrase + (endsInWholeTerm(word) ? "\"" : "\"*"));
    }
    return phrases;
}

std::string searchQuery(const std::vector<std::string>& phrases) {
    std::string query;
    for (const std::string& phrase : phrases)
        query += (query.empty() ? "" : " AND ") + phrase;
    return query;
}

std::string searchQuery(std::string_view typed) {
    return searchQuery(searchPhrases(typed));
}

} // namespace quillet
