// SPDX-License-Identifier: MIT
#include "SavedChangesPage.h"

#include "ErrorPages.h"
#include "TimelineDays.h"

namespace quillet {
namespace {

constexpr const char* kHead = R"html(<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<style>
body { font-family: sans-serif; margin: 24px; max-width: 60em; color: #1A1A1A; background: #FFFFFF; line-height: 1.6; }
h1 { font-size: 20px; margin: 0 0 4px; }
.address { color: #555; font-size: 13px; margin: 0 0 12px; overflow-wrap: anywhere; }
.span, .summary { margin: 0 0 4px; }
.legend { margin: 8px 0 16px; font-size: 13px; }
ins { background: #D7F5DD; color: #0B5A1C; text-decoration: underline; }
del { background: #FCE1E1; color: #8A1212; text-decoration: line-through; }
p.added, p.removed { padding-left: 8px; }
p.added { border-left: 4px solid #2E9E4A; }
p.removed { border-left: 4px solid #C83232; }
p.edited { border-left: 4px solid #B08A00; padding-left: 8px; }
</style>
)html";

std::string when(StoredTime time) {
    return dateInWords(time) + " " + timeOfDay(time);
}

std::string marked(const ChangedPiece& piece) {
    const std::string text = htmlEscape(piece.text);
    switch (piece.change) {
    case Change::Added:
        return "<ins>" + text + "</ins>";
    case Change::Removed:
        return "<del>" + text + "</del>";
    case Change::Same:
        break;
    }
    return text;
}

std::string paragraphHtml(const ChangedParagraph& paragraph) {
    std::string kind;
    if (paragraph.edited())
        kind = " class=\"edited\"";
    else if (paragraph.pieces.front().change == Change::Added)
        kind = " class=\"added\"";
    else if (paragraph.pieces.front().change == Change::Removed)
        kind = " class=\"removed\"";
    std::string html = "<p" + kind + ">";
    for (const ChangedPiece& piece : paragraph.pieces)
        html += marked(piece);
    return html + "</p>\n";
}

} // namespace

std::string savedChangesPage(const SavedChangesAsked& page, const TextChanges& changes) {
    const std::string title = htmlEscape(page.title.empty() ? page.address : page.title);
    std::string html = kHead;
    html += "<title>" + title + " の変更</title></head><body>\n<h1>" + title +
            " の変更</h1>\n<p class=\"address\">" + htmlEscape(page.address) +
            "</p>\n<p class=\"span\">" + when(page.before) + " に保存したページから " +
            when(page.after) + " に保存したページへの変更</p>\n";
    if (changes.added == 0 && changes.removed == 0) {
        html += "<p class=\"summary\">文章に変わったところはありません</p>\n";
    } else {
        html +=
            "<p class=\"summary\">追加 " + std::to_string(changes.added) + " か所、削除 " +
            std::to_string(changes.removed) +
            " か所</p>\n<p class=\"legend\"><ins>追加した文字</ins> <del>削除した文字</del></p>\n";
    }
    html += "<main>\n";
    for (const ChangedParagraph& paragraph : changes.paragraphs)
        html += paragraphHtml(paragraph);
    return html + "</main></body></html>\n";
}

} // namespace quillet
