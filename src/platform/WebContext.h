// SPDX-License-Identifier: MIT
#pragma once
// The web context Quillet's pages run in: site data in the user's XDG folders (in memory only
// for a private run), the web processes sandboxed where that works, and the built-in pages
// under quillet://.

#include "GObjectPtr.h"
#include "Privacy.h"

#include <string>

typedef struct _WebKitWebContext WebKitWebContext;

namespace quillet {

inline constexpr const char* kHomeAddress = "quillet://home/";

GObjectPtr<WebKitWebContext> newWebContext(Privacy privacy);

// Whether `address` is one of Quillet's built-in pages, and the text that page shows ("" for
// none), read from its HTML without the web engine.
bool isBuiltInPage(const std::string& address);
std::string builtInPageText(const std::string& address);

} // namespace quillet
