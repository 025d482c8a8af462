// SPDX-License-Identifier: MIT
#pragma once
// Visits whose page text (and, when one was asked for, the page's saved copy) is still being
// read in the page's process. Each waits under a number until all of it arrived; a visit that
// the user deletes or clears meanwhile is forgotten here, so what arrives afterwards stores
// nothing.

#include "HistoryStore.h"

#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quillet {

class PendingVisits {
  public:
    // A visit, and whether it goes to the kept history (keeping was on and not paused when it
    // was made), which is handed back with it.
    struct Recorded {
        PageVisit visit;
        bool kept = true;
    };

    unsigned add(PageVisit visit, bool kept = true, bool copyToCome = false); // its number
    // The visit with that number given its text (and whether its content is withheld), or its
    // copy: taken out to be stored once it has both; none while it waits, or if forgotten.
    std::optional<Recorded> giveText(unsigned number, std::string text, bool withheld = false);
    std::optional<Recorded> giveCopy(unsigned number, std::string copy);
    // Every visit still waiting, in the order they were added, without its copy; one whose
    // text is still to come without its thumbnail too (whether its page holds a secret is
    // not known).
    std::vector<Recorded> takeAll();

    void forget(const std::unordered_set<std::string>& addresses);
    void forgetVisitedSince(StoredTime since);

    std::size_t size() const { return waiting_.size(); }

  private:
    struct Waiting {
        Recorded recorded;
        bool textToCome = true;
        bool copyToCome = false;
    };
    std::optional<Recorded> takeIfWhole(std::map<unsigned, Waiting>::iterator waiting);

    std::map<unsigned, Waiting> waiting_;
    unsigned added_ = 0;
};

} // namespace quillet
