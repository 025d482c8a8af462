// SPDX-License-Identifier: MIT
#include "HtmlText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <glib.h>

namespace quillet {
namespace {

constexpr std::array kBlockElements{
    "address", "article", "aside", "blockquote", "br",      "dd",    "div",    "dl", "dt", "footer",
    "h1",      "h2",      "h3",    "h4",         "h5",      "h6",    "header", "hr", "li", "main",
    "nav",     "ol",      "p",     "pre",        "section", "table", "td",     "th", "tr", "ul"};
// Elements whose content is not shown: their end tag is searched for.
constexpr std::array kHiddenElements{"head", "script", "style", "template", "title"};

std::string lowered(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool isOneOf(const std::string& name, const auto& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// "&amp;", "&#12354;", "&#x3042;" ... at `at` to UTF-8; `length` gets the reference's length.
std::string decodedReference(std::string_view html, std::size_t at, std::size_t& length) {
    length = 1;
    const std::size_t end = html.find(';', at);
    if (end == std::string_view::npos || end - at > 10)
        return "&";
    const std::string name(html.substr(at + 1, end - at - 1));
    gunichar code = 0;
    if (name == "amp")
        code = '&';
    else if (name == "lt")
        code = '<';
    else if (name == "gt")
        code = '>';
    else if (name == "quot")
        code = '"';
    else if (name == "apos")
        code = '\'';
    else if (name == "nbsp")
        code = ' ';
    else if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        code = static_cast<gunichar>(
            std::strtoul(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10));
    }
    if (code == 0 || !g_unichar_validate(code))
        return "&";
    length = end - at + 1;
    char utf8[6];
    return std::string(utf8, static_cast<std::size_t>(g_unichar_to_utf8(code, utf8)));
}

// Collects words and line breaks: a space or a break is written only between words.
class Lines {
  public:
    void text(std::string_view piece) {
        for (char c : piece) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
                space_ = !out_.empty();
                continue;
            }
            if (lineBreak_)
                out_ += '\n';
            else if (space_)
                out_ += ' ';
            lineBreak_ = space_ = false;
            out_ += c;
        }
    }
    void lineBreak() { lineBreak_ = !out_.empty(); }
    std::string take() { return std::move(out_); }

  private:
    std::string out_;
    bool space_ = false, lineBreak_ = false;
};

} // namespace

std::string shownTextOfHtml(std::string_view html) {
    Lines lines;
    std::size_t at = 0;
    while (at < html.size()) {
        const std::size_t special = html.find_first_of("<&", at);
        lines.text(html.substr(at, special - at));
        if (special == std::string_view::npos)
            break;
        if (html[special] == '&') {
            std::size_t length = 0;
            lines.text(decodedReference(html, special, length));
            at = special + length;
            continue;
        }
        if (html.compare(special, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", special + 4);
            at = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const std::size_t close = html.find('>', special);
        if (close == std::string_view::npos)
            break;
        const std::string_view tag = html.substr(special + 1, close - special - 1);
        const bool endTag = !tag.empty() && tag[0] == '/';
        const std::string_view named = tag.substr(endTag ? 1 : 0);
        const std::string name = lowered(named.substr(0, named.find_first_of(" \t\n\r/")));
        at = close + 1;
        if (isOneOf(name, kBlockElements))
            lines.lineBreak();
        if (!endTag && isOneOf(name, kHiddenElements)) {
            const std::size_t end = lowered(html.substr(at)).find("</" + name);
            at = end == std::string::npos ? html.size() : at + end;
        }
    }
    return lines.take();
}

} // namespace quillet
