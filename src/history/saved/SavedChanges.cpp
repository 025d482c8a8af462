// SPDX-License-Identifier: MIT
#include "SavedChanges.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <glib.h>
#include <optional>

namespace quillet {
namespace {

using Sequence = std::vector<std::string>;

Sequence paragraphsOf(std::string_view text) {
    Sequence paragraphs;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (!line.empty())
            paragraphs.emplace_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return paragraphs;
}

enum class TokenKind { Word, Space, Single };

TokenKind kindOf(gunichar c) {
    if (g_unichar_isspace(c))
        return TokenKind::Space;
    // Scripts that part their words with spaces keep a word whole; Japanese, Chinese and the
    // rest of the world's unspaced scripts are compared a character at a time.
    const GUnicodeScript script = g_unichar_get_script(c);
    const bool spacedScript = script == G_UNICODE_SCRIPT_LATIN ||
                              script == G_UNICODE_SCRIPT_CYRILLIC ||
                              script == G_UNICODE_SCRIPT_GREEK || script == G_UNICODE_SCRIPT_COMMON;
    if (g_unichar_isalnum(c) && spacedScript && !g_unichar_iswide(c))
        return TokenKind::Word;
    return TokenKind::Single;
}

// Words, runs of white space, and every other character alone.
Sequence tokensOf(const std::string& paragraph) {
    Sequence tokens;
    const char* at = paragraph.c_str();
    const char* end = at + paragraph.size();
    if (!g_utf8_validate(at, static_cast<gssize>(paragraph.size()), nullptr)) {
        tokens.push_back(paragraph); // not text: compared whole
        return tokens;
    }
    std::optional<TokenKind> previous;
    while (at < end) {
        const char* next = g_utf8_next_char(at);
        const TokenKind kind = kindOf(g_utf8_get_char(at));
        if (kind != TokenKind::Single && previous == kind)
            tokens.back().append(at, next);
        else
            tokens.emplace_back(at, next);
        previous = kind;
        at = next;
    }
    return tokens;
}

void addPiece(std::vector<ChangedPiece>& pieces, Change change, const std::string& text) {
    if (!pieces.empty() && pieces.back().change == change)
        pieces.back().text += text;
    else
        pieces.push_back({change, text});
}

Change changeOf(dtl::edit_t type) {
    return type == dtl::SES_ADD      ? Change::Added
           : type == dtl::SES_DELETE ? Change::Removed
                                     : Change::Same;
}

// The edit script from `a` to `b`, removals before additions where they meet.
std::vector<std::pair<std::string, dtl::elemInfo>> editScript(const Sequence& a,
                                                              const Sequence& b) {
    dtl::Diff<std::string, Sequence> diff(a, b, true);
    diff.enableHuge();
    diff.compose();
    return diff.getSes().getSequence();
}

// A paragraph edited into another, its pieces marked; none when the two have too little in
// common to be one paragraph edited (then one was removed and the other added).
std::optional<ChangedParagraph> edited(const std::string& before, const std::string& after) {
    const Sequence a = tokensOf(before), b = tokensOf(after);
    ChangedParagraph paragraph;
    std::size_t common = 0;
    for (const auto& [token, info] : editScript(a, b)) {
        const Change change = changeOf(info.type);
        if (change == Change::Same)
            common += token.size();
        addPiece(paragraph.pieces, change, token);
    }
    if (common * 3 < std::max(before.size(), after.size()))
        return std::nullopt;
    return paragraph;
}

void count(TextChanges& changes, const ChangedParagraph& paragraph) {
    for (const ChangedPiece& piece : paragraph.pieces) {
        changes.added += piece.change == Change::Added;
        changes.removed += piece.change == Change::Removed;
    }
}

// A run of removed paragraphs followed by added ones: the n-th removed and n-th added are one
// paragraph edited where they have enough in common.
void addRun(TextChanges& changes, const Sequence& removed, const Sequence& added) {
    std::size_t r = 0, a = 0;
    while (r < removed.size() || a < added.size()) {
        std::optional<ChangedParagraph> paragraph;
        if (r < removed.size() && a < added.size())
            paragraph = edited(removed[r], added[a]);
        if (paragraph) {
            ++r;
            ++a;
        } else if (r < removed.size()) {
            paragraph = ChangedParagraph{{{Change::Removed, removed[r++]}}};
        } else {
            paragraph = ChangedParagraph{{{Change::Added, added[a++]}}};
        }
        count(changes, *paragraph);
        changes.paragraphs.push_back(std::move(*paragraph));
    }
}

} // namespace

TextChanges textChanges(std::string_view before, std::string_view after) {
    TextChanges changes;
    Sequence removed, added;
    for (const auto& [paragraph, info] : editScript(paragraphsOf(before), paragraphsOf(after))) {
        const Change change = changeOf(info.type);
        if (change == Change::Removed) {
            removed.push_back(paragraph);
            continue;
        }
        if (change == Change::Added) {
            added.push_back(paragraph);
            continue;
        }
        addRun(changes, removed, added);
        removed.clear();
        added.clear();
        changes.paragraphs.push_back({{{Change::Same, paragraph}}});
    }
    addRun(changes, removed, added);
    return changes;
}

} // namespace quillet
