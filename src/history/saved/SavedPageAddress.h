// SPDX-License-Identifier: MIT
#pragma once
// The address a saved copy opens at: quillet://saved/?a=<the page's address>&t=<a time>, the
// version of that page a visit at that time saw. The page view serves it from the kept bytes
// alone; the strip over it says when the copy was saved. quillet://saved/changes?a=...&t=...
// shows what changed from the version before that one to it.

#include "HistoryStore.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct SavedPageAsked {
    std::string address; // of the page as it was visited
    StoredTime time = 0;
    bool changes = false; // what changed, rather than the copy
};

std::string savedPageAddress(std::string_view pageAddress, StoredTime time);
std::string savedChangesAddress(std::string_view pageAddress, StoredTime time);
// None for any other address, or one that does not name a page and a time.
std::optional<SavedPageAsked> readSavedPageAddress(std::string_view address);

// 「2026年12月8日 14:03 に保存したページです」, in local time.
std::string savedPageNotice(StoredTime saved);
// 「前回 (12月1日) から変わりました」: the year too when it is not `now`'s.
std::string changedSinceNotice(StoredTime previous, StoredTime now);

} // namespace quillet
