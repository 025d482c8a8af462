// SPDX-License-Identifier: MIT
#include "WordPlaces.h"

#include "SearchText.h"

#include <algorithm>
#include <glib.h>
#include <vector>

namespace quillet {
namespace {

using WordTerms = std::vector<std::string>;

bool foundAt(const std::vector<SearchTerm>& terms, std::size_t at, const WordTerms& word) {
    if (at + word.size() > terms.size())
        return false;
    for (std::size_t i = 0; i + 1 < word.size(); ++i)
        if (terms[at + i].text != word[i])
            return false;
    return terms[at + word.size() - 1].text.starts_with(word.back());
}

// Calls `found(word, position, byte)` for each place of a word in the first `maxBytes` of the
// text, until it returns false. Positions count the terms from the text's start, as the index
// does: a chunk ends where no term goes on, but a word of several terms ("apt-get") may go on
// into the next chunk, so the last chunk's last terms are looked at again with it.
template <typename Found>
void eachPlace(std::string_view text, const TypedWords& words, std::size_t maxBytes, Found found) {
    std::size_t longest = 1;
    for (const WordTerms& word : words.terms)
        longest = std::max(longest, word.size());
    std::vector<SearchTerm> terms; // the last chunk's last terms, then this chunk's
    int firstPosition = 0;         // the place of terms[0] in the text
    const std::string_view read = text.substr(0, std::min(maxBytes, text.size()));
    for (std::size_t from = 0, end = 0; from < read.size(); from = end) {
        end = termsPartEnd(read, from);
        if (terms.size() >= longest) {
            const std::size_t dropped = terms.size() - (longest - 1);
            terms.erase(terms.begin(), terms.begin() + static_cast<std::ptrdiff_t>(dropped));
            firstPosition += static_cast<int>(dropped);
        }
        const std::size_t carried = terms.size();
        for (SearchTerm& term : searchTerms(read.substr(from, end - from))) {
            term.begin += from;
            terms.push_back(std::move(term));
        }
        for (std::size_t at = 0; at < terms.size(); ++at)
            for (std::size_t word = 0; word < words.terms.size(); ++word)
                if (at + words.terms[word].size() > carried && // not all in the last chunk
                    foundAt(terms, at, words.terms[word]) &&
                    !found(static_cast<int>(word), firstPosition + static_cast<int>(at),
                           terms[at].begin))
                    return;
    }
}

// `count` characters back from `at` (or to the start).
std::size_t charactersBack(std::string_view text, std::size_t at, int count) {
    const char* start = text.data();
    const char* p = start + at;
    for (int i = 0; i < count && p > start; ++i) {
        const char* previous = g_utf8_find_prev_char(start, p);
        p = previous ? previous : start; // none: only bytes that begin no character before
    }
    return static_cast<std::size_t>(p - start);
}

std::size_t charactersOn(std::string_view text, std::size_t at, int count) {
    const char* end = text.data() + text.size();
    const char* p = text.data() + at;
    for (int i = 0; i < count && p < end; ++i) {
        const char* next = g_utf8_find_next_char(p, end);
        p = next ? next : end;
    }
    return static_cast<std::size_t>(p - text.data());
}

} // namespace

TypedWords::TypedWords(std::string_view typed) {
    for (const std::string& word : typedWords(foldForSearch(typed))) {
        std::vector<std::string> wordTerms;
        for (SearchTerm& term : searchTerms(word, TermsFor::Query))
            wordTerms.push_back(std::move(term.text));
        if (!wordTerms.empty())
            terms.push_back(std::move(wordTerms));
    }
}

std::vector<int> TypedWords::lengths() const {
    std::vector<int> lengths;
    for (const auto& word : terms)
        lengths.push_back(static_cast<int>(word.size()));
    return lengths;
}

std::vector<WordFound> wordPlaces(std::string_view text, const TypedWords& words,
                                  MatchColumn column, std::size_t maxBytes) {
    std::vector<WordFound> places;
    eachPlace(text, words, maxBytes, [&](int word, int position, std::size_t) {
        places.push_back({word, column, position});
        return true;
    });
    return places;
}

std::string matchSnippet(std::string_view text, const TypedWords& words) {
    std::size_t place = 0;
    eachPlace(text, words, kSnippetSearchBytes, [&](int, int, std::size_t byte) {
        place = byte;
        return false;
    });
    const std::size_t from = charactersBack(text, place, kSnippetBefore);
    const std::size_t to = charactersOn(text, place, kSnippetAfter);
    std::string snippet = from > 0 ? "…" : "";
    bool space = false;
    for (char c : text.substr(from, to - from)) {
        if (g_ascii_isspace(c)) {
            space = true;
            continue;
        }
        if (space && !snippet.empty() && snippet != "…")
            snippet += ' ';
        space = false;
        snippet += c;
    }
    if (to < text.size())
        snippet += "…";
    return snippet;
}

} // namespace quillet
