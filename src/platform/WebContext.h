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
// The home page's background (#F4F8F3 in resources/home/index.html), which fills its top left
// corner; 0x00BBGGRR, as the windows keep colours.
inline constexpr std::uint32_t kHomeBackground = 0x00F3F8F4;

GObjectPtr<WebKitWebContext> newWebContext(Privacy privacy);

// The text the home page shows, read from its HTML without the web engine.
std::string homePageText();

} // namespace quillet
