// SPDX-License-Identifier: MIT
#pragma once
// Where a download is saved: a name in the download folder that no file has yet, so that a
// download never replaces what the user already has.

#include <functional>
#include <string>

namespace quillet {

// The server's suggested file name made safe as one name in a folder: no folder parts, no
// leading dot (a hidden file), never empty.
std::string safeDownloadName(const std::string& suggested);

// `name` in `folder`, or "stem (1).ext", "stem (2).ext", ... : the first for which `taken`
// (asked with the full path) is false.
std::string freeDownloadPath(const std::string& folder, const std::string& name,
                             const std::function<bool(const std::string&)>& taken);

} // namespace quillet
