// SPDX-License-Identifier: MIT
#pragma once
// Whether a run keeps what it leaves behind (settings, cookies, the cache, the kept history) or
// is private and leaves nothing; and the window's caption, which says when it is private.

#include <string>

namespace quillet {

enum class Privacy { Normal, Private };

// The caption for `shown` (the page's name, or 読み込み中...): "Quillet <shown>", with the
// private mark after the program's name. Before any page (`shown` empty) a normal window has
// no caption; a private one already says it is private.
std::string windowCaption(Privacy privacy, const std::string& shown);

} // namespace quillet
