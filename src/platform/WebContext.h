// SPDX-License-Identifier: MIT
#pragma once
// The web context Quillet's pages run in: site data in the user's XDG folders (in memory only
// for a private run), the web processes sandboxed where that works, and the built-in pages
// under quillet://.

#include "GObjectPtr.h"
#include "Privacy.h"

typedef struct _WebKitWebContext WebKitWebContext;

namespace quillet {

inline constexpr const char* kHomeAddress = "quillet://home/";

GObjectPtr<WebKitWebContext> newWebContext(Privacy privacy);

} // namespace quillet
