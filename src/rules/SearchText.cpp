// SPDX-License-Identifier: MIT
#include "SearchText.h"

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

enum class Kind { Separator, Word, Japanese };

Kind kindOf(gunichar c) {
    if (isJapanese(c))
        return Kind::Japanese;
    if (g_unichar_isalnum(c) || g_unichar_ismark(c))
        return Kind::Word;
    return Kind::Separator;
}

void appendUtf8(std::string& out, gunichar c) {
    char bytes[6];
    out.append(bytes, static_cast<std::size_t>(g_unichar_to_utf8(c, bytes)));
}

// The run of one kind as its terms.
void addTerms(std::vector<std::string>& terms, Kind kind, const std::vector<gunichar>& run) {
    if (run.empty() || kind == Kind::Separator)
        return;
    if (kind == Kind::Word) {
        std::string word;
        for (gunichar c : run)
            appendUtf8(word, c);
        terms.push_back(std::move(word));
        return;
    }
    for (std::size_t i = 0; i + 1 < run.size(); ++i) {
        std::string piece;
        appendUtf8(piece, run[i]);
        appendUtf8(piece, run[i + 1]);
        terms.push_back(std::move(piece));
    }
    std::string last;
    appendUtf8(last, run.back());
    terms.push_back(std::move(last));
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

std::vector<std::string> searchTerms(std::string_view folded) {
    // Folded text is valid UTF-8; of anything else, the valid beginning counts.
    const char* end = nullptr;
    g_utf8_validate(folded.data(), static_cast<gssize>(folded.size()), &end);
    std::vector<std::string> terms;
    std::vector<gunichar> run;
    Kind runKind = Kind::Separator;
    for (const char* p = folded.data(); p < end; p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        const Kind kind = kindOf(c);
        if (kind != runKind) {
            addTerms(terms, runKind, run);
            run.clear();
            runKind = kind;
        }
        if (kind != Kind::Separator)
            run.push_back(c);
    }
    addTerms(terms, runKind, run);
    return terms;
}

} // namespace quillet
