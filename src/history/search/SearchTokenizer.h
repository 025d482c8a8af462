// SPDX-License-Identifier: MIT
#pragma once
// The history's text index in SQLite (FTS5) with Quillet's own tokenizer, "quillet": page
// text and queries become the terms of SearchText, so that Japanese words of one or two
// characters are found, and width, case and kana do not matter.

#include <sqlite3.h>
#include <string>
#include <string_view>

namespace quillet {

// Makes the tokenizer available to FTS5 tables of `db` (tokenize='quillet'). Throws
// std::runtime_error when the SQLite library has no FTS5.
void registerSearchTokenizer(sqlite3* db);

// An FTS5 MATCH expression for what the user typed: every word must be found (in any order),
// each as a phrase of its terms, the last term of each a prefix (so that a word being typed
// finds its pages). FTS5 syntax in the text ("", *, NEAR, OR, -, parentheses) is plain text.
// Empty when the text holds no term.
std::string searchQuery(std::string_view typed);

} // namespace quillet
