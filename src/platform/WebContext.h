// SPDX-License-Identifier: MIT
#pragma once
// The web context Quillet's pages run in: site data in the user's XDG folders (in memory only
// for a private run), the web processes sandboxed where that works, and the built-in pages
// under quillet://.

#include "GObjectPtr.h"
#include "Privacy.h"

#include <cstdint>
#include <string>

typedef struct _WebKitWebContext WebKitWebContext;

namespace quillet {

inline constexpr const char* kHomeAddress = "quillet://home/";
// The home page's background (resources/home/index.html), which fills its top left corner.
inline constexpr std::uint32_t kHomeBackground = 0xF4F8F3;

GObjectPtr<WebKitWebContext> newWebContext(Privacy privacy);

// The text the home page shows, read from its HTML without the web engine.
std::string homePageText();

} // namespace quillet
