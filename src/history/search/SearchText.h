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

// Where a part of `text` read from `from` ends: about a kilobyte on, at the next ASCII space
// or punctuation (or the text's end), where no term goes on. The terms of the parts, one after
// another, are the text's.
std::size_t termsPartEnd(std::string_view text, std::size_t from);

// The terms of `text` as searchTerms gives them, handed to `each` in order (until it returns
// false), a part at a time: a page's whole text (up to 200,000 characters) is never held as
// terms at once, which took some seven times as long a character for want of memory.
template <typename Each> void eachSearchTerm(std::string_view text, TermsFor use, Each each) {
    for (std::size_t from = 0, end = 0; from < text.size(); from = end) {
        end = termsPartEnd(text, from);
        for (SearchTerm& term : searchTerms(text.substr(from, end - from), use)) {
            term.begin += from;
            term.end += from;
            if (!each(term))
                return;
        }
    }
}

// Whether the last term of `word` as a query is a whole term of the index, to be looked up as
// it is rather than as the beginning of terms: a pair of a Japanese run's characters (the
// index holds none longer). A Latin word or a single character may be a beginning.
bool endsInWholeTerm(std::string_view word);

// The words as the user separated them with spaces (a full-width one too), none empty.
std::vector<std::string> typedWords(std::string_view typed);

} // namespace quillet
