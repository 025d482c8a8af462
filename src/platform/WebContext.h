// SPDX-License-Identifier: MIT
#pragma once
// The web context Quillet's pages run in: site data in the user's XDG folders, the web
// processes sandboxed where that works, and the built-in pages under quillet://.

#include "GObjectPtr.h"

typedef struct _WebKitWebContext WebKitWebContext;

namespace quillet {

inline constexpr const char* kHomeAddress = "quillet://home/";

GObjectPtr<WebKitWebContext> newWebContext();

} // namespace quillet
