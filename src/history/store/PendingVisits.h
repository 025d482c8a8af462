// SPDX-License-Identifier: MIT
#pragma once
// Visits whose page text is still being read in the page's process. Each waits under a number
// until its text arrives; a visit that the user deletes or clears meanwhile is forgotten here,
// so the text arriving afterwards stores nothing.

#include "HistoryStore.h"

#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quillet {

class PendingVisits {
  public:
    unsigned add(PageVisit visit); // its number
    // The visit with that number, with `text`, taken out to be stored; none if forgotten.
    std::optional<PageVisit> take(unsigned number, std::string text);
    // Every visit still waiting, without its text, in the order they were added.
    std::vector<PageVisit> takeAll();

    void forget(const std::unordered_set<std::string>& addresses);
    void forgetVisitedSince(StoredTime since);

    std::size_t size() const { return waiting_.size(); }

  private:
    std::map<unsigned, PageVisit> waiting_;
    unsigned added_ = 0;
};

} // namespace quillet
