// SPDX-License-Identifier: MIT
#include "SearchText.h"

#include <algorithm>
#include <glib.h>
#include <memory>

namespace quillet {
namespace {

using GlibText = std::unique_ptr<gchar, decltype(&g_free)>;

constexpr gunichar kReplacement = 0xFFFD;

bool isKatakana(gunichar c) {
    return c >= 0x30A1 && c <= 0x30F6; // ァ to ヶ; ー and the middle dot are left as they are
}

bool isJapanese(gunichar c) {
    if (c == 0x30FC || c == 0x3005) // ー, 々
        return true;
    switch (g_unichar_get_script(c)) {
    case G_UNICODE_SCRIPT_HAN:
    case G_UNICODE_SCRIPT_HIRAGANA:
    case G_UNICODE_SCRIPT_KATAKANA:
        return g_unichar_isalpha(c);
    default:
        return false;
    }
}

// Kana and the common kanji, which NFKC and case folding leave as they are (katakana then
// becomes hiragana): most characters of Japanese text, folded here without GLib's passes.
bool isPlainJapanese(gunichar c) {
    return (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30F6) ||
           (c >= 0x4E00 && c <= 0x9FFF);
}

enum class Kind { Separator, Word, Japanese };

Kind kindOf(gunichar c) {
    if (isPlainJapanese(c) || isJapanese(c))
        return Kind::Japanese;
    if (g_unichar_isalnum(c) || g_unichar_ismark(c))
        return Kind::Word;
    return Kind::Separator;
}

void appendUtf8(std::string& out, gunichar c) {
    char bytes[6];
    out.append(bytes, static_cast<std::size_t>(g_unichar_to_utf8(c, bytes)));
}

// A character of folded text and the bytes of the original it comes from.
struct FoldedChar {
    gunichar c;
    std::size_t begin, end;
};

void appendRunTerms(std::vector<SearchTerm>& terms, Kind kind, const std::vector<FoldedChar>& run,
                    TermsFor use) {
    if (run.empty() || kind == Kind::Separator)
        return;
    if (kind == Kind::Word) {
        SearchTerm word{"", run.front().begin, run.back().end};
        for (const FoldedChar& c : run)
            appendUtf8(word.text, c.c);
        terms.push_back(std::move(word));
        return;
    }
    for (std::size_t i = 0; i + 1 < run.size(); ++i) {
        SearchTerm piece{"", run[i].begin, run[i + 1].end};
        appendUtf8(piece.text, run[i].c);
        appendUtf8(piece.text, run[i + 1].c);
        terms.push_back(std::move(piece));
    }
    if (use == TermsFor::Text || run.size() == 1) {
        SearchTerm last{"", run.back().begin, run.back().end};
        appendUtf8(last.text, run.back().c);
        terms.push_back(std::move(last));
    }
}

// A voiced or semi-voiced sound mark that joins the kana before it under NFKC.
bool joinsThePrevious(gunichar c) {
    if (c < 0x300 || isPlainJapanese(c)) // (no mark is either: the first marks are U+0300)
        return false;
    return c == 0xFF9E || c == 0xFF9F || c == 0x3099 || c == 0x309A || g_unichar_ismark(c);
}

} // namespace

std::string foldForSearch(std::string_view text) {
    // Valid UTF-8 without NUL first: a page's text may hold anything.
    std::string valid;
    valid.reserve(text.size());
    const char* p = text.data();
    const char* end = text.data() + text.size();
    while (p < end) {
        const gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2) || c == 0) {
            appendUtf8(valid, kReplacement);
            ++p;
            continue;
        }
        appendUtf8(valid, c);
        p = g_utf8_next_char(p);
    }
    const GlibText normal(
        g_utf8_normalize(valid.data(), static_cast<gssize>(valid.size()), G_NORMALIZE_NFKC),
        g_free);
    const GlibText folded(g_utf8_casefold(normal.get(), -1), g_free);
    std::string out;
    out.reserve(valid.size());
    for (const char* q = folded.get(); *q; q = g_utf8_next_char(q)) {
        const gunichar c = g_utf8_get_char(q);
        appendUtf8(out, isKatakana(c) ? c - 0x60 : c);
    }
    return out;
}

std::vector<SearchTerm> searchTerms(std::string_view text, TermsFor use) {
    // Fold character by character (a kana with its sound marks as one), so that every folded
    // character knows the original bytes it stands for.
    std::vector<FoldedChar> chars;
    const char* start = text.data();
    const char* end = start + text.size();
    for (const char* p = start; p < end;) {
        const char* q = g_utf8_find_next_char(p, end);
        q = q ? q : end;
        while (q < end) {
            const gunichar next = g_utf8_get_char_validated(q, end - q);
            if (next == static_cast<gunichar>(-1) || next == static_cast<gunichar>(-2) ||
                !joinsThePrevious(next))
                break;
            q = g_utf8_next_char(q);
        }
        const auto begin = static_cast<std::size_t>(p - start);
        const auto after = static_cast<std::size_t>(q - start);
        if (q == p + 1 && *p != '\0' && static_cast<unsigned char>(*p) < 0x80) {
            // ASCII, most of many pages' text: only its case folds.
            chars.push_back({static_cast<gunichar>(g_ascii_tolower(*p)), begin, after});
        } else if (const gunichar c = g_utf8_get_char_validated(p, q - p);
                   q == g_utf8_next_char(p) && isPlainJapanese(c)) {
            chars.push_back({isKatakana(c) ? c - 0x60 : c, begin, after});
        } else {
            const std::string folded = foldForSearch(std::string_view(p, after - begin));
            for (const char* f = folded.c_str(); *f; f = g_utf8_next_char(f))
                chars.push_back({g_utf8_get_char(f), begin, after});
        }
        p = q;
    }
    std::vector<SearchTerm> terms;
    std::vector<FoldedChar> run;
    Kind runKind = Kind::Separator;
    for (const FoldedChar& c : chars) {
        const Kind kind = kindOf(c.c);
        if (kind != runKind) {
            appendRunTerms(terms, runKind, run, use);
            run.clear();
            runKind = kind;
        }
        if (kind != Kind::Separator)
            run.push_back(c);
    }
    appendRunTerms(terms, runKind, run, use);
    return terms;
}

std::size_t termsPartEnd(std::string_view text, std::size_t from) {
    constexpr std::size_t kPart = 1024;
    std::size_t at = from + kPart;
    while (at < text.size() && !g_ascii_isspace(text[at]) && !g_ascii_ispunct(text[at]))
        ++at;
    return std::min(at, text.size());
}

bool endsInWholeTerm(std::string_view word) {
    const std::vector<SearchTerm> terms = searchTerms(word, TermsFor::Query);
    if (terms.empty())
        return false;
    const std::string& last = terms.back().text;
    return g_utf8_strlen(last.c_str(), static_cast<gssize>(last.size())) == 2 &&
           kindOf(g_utf8_get_char(last.c_str())) == Kind::Japanese;
}

std::vector<std::string> typedWords(std::string_view typed) {
    std::vector<std::string> words(1);
    const std::string text(typed);
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
        if (g_unichar_isspace(g_utf8_get_char(p))) {
            if (!words.back().empty())
                words.emplace_back();
            continue;
        }
        words.back().append(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
    }
    if (words.back().empty())
        words.pop_back();
    return words;
}

} // namespace quillet
