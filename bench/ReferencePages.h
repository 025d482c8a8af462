// SPDX-License-Identifier: MIT
#pragma once
// Pages of real Japanese text for the kept-history benchmarks, from Debian's debian-reference-ja:
// - filler: its text without markup, each place with the heading of the section it is in, so a
//   page cut from it has a title as a real page has;
// - known items: sections set apart from the filler, each a page of distinct text under its own
//   heading, and the two or three words a person would remember of it to find it again: the
//   title's longest word (its second too, when it has one), and the word its text repeats most.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <glib.h>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace quillet::bench {

struct KnownItem {
    std::string title;
    std::string text;
    std::string query;
};

struct ReferencePages {
    std::string filler;
    std::vector<std::pair<std::size_t, std::string>> headings; // where each section begins
    std::vector<KnownItem> known;

    // About 2,000 characters of the filler from a different place for each page, and the
    // heading of the section it begins in.
    std::pair<std::string, std::string> page(std::size_t index) const {
        std::size_t start = (index * 7919 * 13) % (filler.size() - 8000);
        while ((static_cast<unsigned char>(filler[start]) & 0xC0) == 0x80)
            ++start;
        const char* p = filler.c_str() + start;
        const char* end = p;
        for (int n = 0; n < 2000 && *end; ++n)
            end = g_utf8_next_char(end);
        auto section = std::upper_bound(headings.begin(), headings.end(), start,
                                        [](std::size_t at, const auto& h) { return at < h.first; });
        const std::string title = section == headings.begin() ? "" : std::prev(section)->second;
        return {title, std::string(p, end)};
    }
};

namespace reference {

inline std::string withoutMarkup(const std::string& html) {
    static const std::regex tags("<[^>]*>"), spaces("\\s+");
    return std::regex_replace(std::regex_replace(html, tags, " "), spaces, " ");
}

// "5.1.1. ホスト名の解決" → "ホスト名の解決"
inline std::string headingText(const std::string& html) {
    static const std::regex number("^\\s*[0-9.]+\\s*");
    std::string text = withoutMarkup(html);
    text = std::regex_replace(text, number, "");
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

enum class Kind { Other, Katakana, Kanji, Latin };

inline Kind kindOf(gunichar c) {
    if ((c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC)
        return Kind::Katakana;
    if (g_unichar_get_script(c) == G_UNICODE_SCRIPT_HAN)
        return Kind::Kanji;
    if (c < 0x80 && (g_ascii_isalnum(static_cast<char>(c)) || c == '_'))
        return Kind::Latin;
    return Kind::Other;
}

// Runs of katakana or kanji of two characters or more, and Latin words of three or more.
inline std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    std::string run;
    Kind runKind = Kind::Other;
    long length = 0;
    const auto flush = [&] {
        if (runKind != Kind::Other && length >= (runKind == Kind::Latin ? 3 : 2))
            words.push_back(run);
        run.clear();
        length = 0;
    };
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
        const Kind kind = kindOf(g_utf8_get_char(p));
        if (kind != runKind)
            flush();
        runKind = kind;
        if (kind != Kind::Other) {
            run.append(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
            ++length;
        }
    }
    flush();
    return words;
}

inline long characters(const std::string& word) {
    return g_utf8_strlen(word.c_str(), -1);
}

// The words to find it by; empty when it has too few.
inline std::string queryFor(const std::string& title, const std::string& text) {
    std::vector<std::string> titleWords = wordsOf(title);
    std::stable_sort(titleWords.begin(), titleWords.end(),
                     [](const auto& a, const auto& b) { return characters(a) > characters(b); });
    titleWords.erase(std::unique(titleWords.begin(), titleWords.end()), titleWords.end());
    if (titleWords.empty())
        return {};
    std::map<std::string, int> counts;
    for (const std::string& word : wordsOf(text))
        if (title.find(word) == std::string::npos)
            ++counts[word];
    std::string repeated;
    int most = 1;
    for (const auto& [word, count] : counts)
        if (count > most ||
            (count == most && !repeated.empty() && characters(word) > characters(repeated))) {
            repeated = word;
            most = count;
        }
    if (repeated.empty())
        return {};
    std::string query = titleWords[0] + " " + repeated;
    if (titleWords.size() > 1)
        query += " " + titleWords[1];
    return query;
}

} // namespace reference

// The reference's chapters (HTML), in order.
inline std::vector<std::filesystem::path> referenceChapters() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/debian-reference"))
        if (entry.path().string().ends_with(".ja.html"))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The chapters of the reference; every `knownEvery`-th section of a fair length set apart as a
// known item (none with 0).
inline ReferencePages readReference(int knownEvery = 3) {
    namespace fs = std::filesystem;
    ReferencePages pages;
    const std::regex heading("<h([23])[^>]*>([\\s\\S]*?)</h\\1>");
    int section = 0;
    for (const fs::path& file : referenceChapters()) {
        std::ifstream in(file);
        const std::string html((std::istreambuf_iterator<char>(in)), {});
        // Each heading and the text up to the next one.
        std::vector<std::smatch> found(std::sregex_iterator(html.begin(), html.end(), heading),
                                       std::sregex_iterator());
        pages.filler += reference::withoutMarkup(
            html.substr(0, found.empty() ? html.size() : found.front().position()));
        for (std::size_t i = 0; i < found.size(); ++i) {
            const std::size_t begin = found[i].position() + found[i].length();
            const std::size_t end = i + 1 < found.size() ? found[i + 1].position() : html.size();
            const std::string title = reference::headingText(found[i][2].str());
            std::string text = reference::withoutMarkup(html.substr(begin, end - begin));
            if (knownEvery > 0 && found[i][1] == "3" && ++section % knownEvery == 0 &&
                reference::characters(text) >= 600) {
                const char* cut = text.c_str();
                for (int n = 0; n < 3000 && *cut; ++n)
                    cut = g_utf8_next_char(cut);
                text.resize(static_cast<std::size_t>(cut - text.c_str()));
                if (std::string query = reference::queryFor(title, text); !query.empty()) {
                    pages.known.push_back({title, text, query});
                    continue;
                }
            }
            pages.headings.emplace_back(pages.filler.size(), title);
            pages.filler += " " + title + " " + text;
        }
    }
    return pages;
}

} // namespace quillet::bench
