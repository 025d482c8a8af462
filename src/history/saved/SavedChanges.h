// SPDX-License-Identifier: MIT
#pragma once
// What changed between two versions of a kept page's text: paragraph by paragraph, and within
// a paragraph that was edited, word by word (Latin words and numbers whole, Japanese and any
// other script character by character), from dtl's shortest edit script.

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

enum class Change { Same, Added, Removed };

struct ChangedPiece {
    Change change = Change::Same;
    std::string text;
    bool operator==(const ChangedPiece&) const = default;
};

// One paragraph of the text as both versions give it: unchanged, added or removed whole
// (one piece), or edited (its pieces marked).
struct ChangedParagraph {
    std::vector<ChangedPiece> pieces;
    bool edited() const { return pieces.size() > 1; }
};

struct TextChanges {
    std::vector<ChangedParagraph> paragraphs;
    int added = 0;   // pieces added, in all paragraphs
    int removed = 0; // pieces removed
};

// `before` and `after` are a page's text, a paragraph a line.
TextChanges textChanges(std::string_view before, std::string_view after);

} // namespace quillet
