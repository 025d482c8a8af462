// SPDX-License-Identifier: MIT
#pragma once
// The text a page of Quillet's own shows, read from its HTML without the web engine, so that
// showing it never starts the engine's script interpreter. Tags break words where they break
// lines (block elements and <br>), head, style and script are left out, character references
// are decoded and runs of white space become one space. Enough for the HTML Quillet writes
// itself; not a parser for the web's.

#include <string>
#include <string_view>

namespace quillet {

// Lines of text, one per block, separated by '\n', each trimmed.
std::string shownTextOfHtml(std::string_view html);

} // namespace quillet
