// SPDX-License-Identifier: MIT
#pragma once
// The history's text index in SQLite (FTS5) with Quillet's own tokenizer, "quillet": page
// text and queries become the terms of SearchText, so that Japanese words of one or two
// characters are found, and width, case and kana do not matter. And its function
// quillet_match(table[, weights]): how well the row matches the query (MatchScore; the words'
// weights as text, "2.5 1").

#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Makes the tokenizer (tokenize='quillet') and quillet_match available to FTS5 tables of
// `db`. Throws std::runtime_error when the SQLite library has no FTS5.
void registerTextSearch(sqlite3* db);

// An FTS5 MATCH expression for what the user typed: every word must be found (in any order),
// each as a phrase of its terms, the last term of each a prefix (so that a word being typed
// finds its pages) unless it is a whole term of the index (SearchText's endsInWholeTerm). FTS5
// syntax in the text ("", *, NEAR, OR, -, parentheses) is plain text. Empty when the text holds no
// term.
std::string searchQuery(std::string_view typed);
// The same words, each as its phrase ("word"*), in the order typed; and such phrases, all of
// them, as one expression.
std::vector<std::string> searchPhrases(std::string_view typed);
std::string searchQuery(const std::vector<std::string>& phrases);

} // namespace quillet
