// SPDX-License-Identifier: MIT
#pragma once
// Text as the history search compares it, for page text and queries alike. Japanese has no
// spaces between words, so its runs are indexed as overlapping two-character pieces: any word
// of two or more characters is then a run of pieces, and a one-character word the first
// character of a piece or the last character of a run.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// NFKC (full-width Latin and digits to ASCII, half-width katakana to full width), case folded,
// katakana as hiragana. Invalid UTF-8 and NUL characters become U+FFFD.
std::string foldForSearch(std::string_view text);

// One term, folded, with the bytes of the original text it comes from.
struct SearchTerm {
    std::string text;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const SearchTerm&) const = default;
};

// Page text is indexed with each run's last character too; a query looks for the pieces only
// (a run of one character is that character, to be found as a prefix).
enum class TermsFor { Text, Query };

// The terms of `text`, in order: each word of letters and digits outside Japanese whole; each
// run of kanji and kana as its overlapping two-character pieces. Everything else (spaces,
// punctuation, symbols) separates terms.
std::vector<SearchTerm> searchTerms(std::string_view text, TermsFor use = TermsFor::Text);

// Whether the last term of `word` as a query is a whole term of the index, to be looked up as
// it is rather than as the beginning of terms: a pair of a Japanese run's characters (the
// index holds none longer). A Latin word or a single character may be a beginning.
bool endsInWholeTerm(std::string_view word);

// The words as the user separated them with spaces (a full-width one too), none empty.
std::vector<std::string> typedWords(std::string_view typed);

} // namespace quillet
