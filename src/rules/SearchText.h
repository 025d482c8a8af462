// SPDX-License-Identifier: MIT
#pragma once
// Text as the history search compares it, for page text and queries alike. Japanese has no
// spaces between words, so its runs are indexed as overlapping two-character pieces: any word
// of two or more characters is then a run of pieces, and a one-character word the first
// character of a piece or the last character of a run.

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// NFKC (full-width Latin and digits to ASCII, half-width katakana to full width), case folded,
// katakana as hiragana. Invalid UTF-8 and NUL characters become U+FFFD.
std::string foldForSearch(std::string_view text);

// The terms of folded text, in order: each word of letters and digits outside Japanese whole;
// each run of kanji and kana as its overlapping two-character pieces followed by its last
// character alone. Everything else (spaces, punctuation, symbols) separates terms.
std::vector<std::string> searchTerms(std::string_view folded);

} // namespace quillet
