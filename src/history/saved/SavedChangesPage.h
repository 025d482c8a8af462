// SPDX-License-Identifier: MIT
#pragma once
// 変更を見る: a kept page's two versions as one text, what was added and removed marked, as
// Quillet's own page (everything the page held escaped; no script, no request).

#include "HistoryStore.h"
#include "SavedChanges.h"

#include <string>

namespace quillet {

struct SavedChangesAsked {
    std::string address; // of the page
    std::string title;
    StoredTime before = 0; // when the older version was saved
    StoredTime after = 0;
};

std::string savedChangesPage(const SavedChangesAsked& page, const TextChanges& changes);

} // namespace quillet
