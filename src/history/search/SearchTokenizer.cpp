// SPDX-License-Identifier: MIT
#include "SearchTokenizer.h"

#include "SearchText.h"

#include <glib.h>
#include <stdexcept>

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
        for (const SearchTerm& term :
             searchTerms(std::string_view(text, static_cast<std::size_t>(length)), use)) {
            const int result =
                token(context, 0, term.text.data(), static_cast<int>(term.text.size()),
                      static_cast<int>(term.begin), static_cast<int>(term.end));
            if (result != SQLITE_OK)
                return result;
        }
        return SQLITE_OK;
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    } catch (...) {
        return SQLITE_ERROR;
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

void registerSearchTokenizer(sqlite3* db) {
    fts5_api* api = fts5Of(db);
    if (!api)
        throw std::runtime_error("this SQLite has no full-text search (FTS5)");
    fts5_tokenizer tokenizer{createTokenizer, deleteTokenizer, tokenize};
    if (api->xCreateTokenizer(api, "quillet", nullptr, &tokenizer, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

std::string searchQuery(std::string_view typed) {
    // Each word becomes a quoted string, its quotes doubled.
    std::string query;
    for (const std::string& word : typedWords(foldForSearch(typed))) {
        if (searchTerms(word, TermsFor::Query).empty())
            continue;
        if (!query.empty())
            query += " AND ";
        query += '"';
        for (char c : word)
            query += c == '"' ? std::string("\"\"") : std::string(1, c);
        query += "\"*";
    }
    return query;
}

} // namespace quillet
