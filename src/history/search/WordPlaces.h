// SPDX-License-Identifier: MIT
#pragma once
// Where the words typed are in a text, found as the text index finds them (a word's terms one
// after another, the last one as a beginning), at the places the index gives them. The text is
// read from its start a chunk at a time and no further than needed: for the line shown with a
// match (the text around the first place), and to score a page outside the index.

#include "MatchScore.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The words of what was typed, each as the terms the index looks for.
struct TypedWords {
    explicit TypedWords(std::string_view typed);
    std::vector<std::vector<std::string>> terms; // a word's terms, for each word
    std::vector<int> lengths() const;            // each word's number of terms
};

// Every place of a word in the first `maxBytes` of `text` (a column of a page).
std::vector<WordFound> wordPlaces(std::string_view text, const TypedWords& words,
                                  MatchColumn column, std::size_t maxBytes);

// The line shown with a match: at most kSnippetBefore characters before the first place of a
// word and kSnippetAfter from it, white space as single spaces, "…" where the text goes on.
// With no word found (the words were in the title or the address), the text's beginning;
// a word is looked for in the first kSnippetSearchBytes only: a page of 200,000 characters
// whose words were in its title alone costs some 2 ms then, where reading it all took 20.
inline constexpr int kSnippetBefore = 24;
inline constexpr int kSnippetAfter = 72;
inline constexpr std::size_t kSnippetSearchBytes = 64 * 1024;
std::string matchSnippet(std::string_view text, const TypedWords& words);

} // namespace quillet
