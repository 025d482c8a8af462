// SPDX-License-Identifier: MIT
#include "PendingVisits.h"

namespace quillet {

unsigned PendingVisits::add(PageVisit visit, bool kept, bool copyToCome) {
    waiting_.emplace(++added_, Waiting{{std::move(visit), kept}, true, copyToCome});
    return added_;
}

std::optional<PendingVisits::Recorded> PendingVisits::giveText(unsigned number, std::string text,
                                                               bool withheld) {
    const auto waiting = waiting_.find(number);
    if (waiting == waiting_.end() || !waiting->second.textToCome)
        return std::nullopt;
    waiting->second.recorded.visit.text = std::move(text);
    waiting->second.recorded.visit.contentWithheld = withheld;
    waiting->second.textToCome = false;
    return takeIfWhole(waiting);
}

std::optional<PendingVisits::Recorded> PendingVisits::giveCopy(unsigned number, std::string copy) {
    const auto waiting = waiting_.find(number);
    if (waiting == waiting_.end() || !waiting->second.copyToCome)
        return std::nullopt;
    waiting->second.recorded.visit.savedCopy = std::move(copy);
    waiting->second.copyToCome = false;
    return takeIfWhole(waiting);
}

std::optional<PendingVisits::Recorded>
PendingVisits::takeIfWhole(std::map<unsigned, Waiting>::iterator waiting) {
    if (waiting->second.textToCome || waiting->second.copyToCome)
        return std::nullopt;
    Recorded recorded = std::move(waiting->second.recorded);
    waiting_.erase(waiting);
    return recorded;
}

std::vector<PendingVisits::Recorded> PendingVisits::takeAll() {
    std::vector<Recorded> all;
    for (auto& [number, waiting] : waiting_) {
        // Whether a page whose text is still to come holds a secret is not known: its
        // thumbnail is not stored either.
        if (waiting.textToCome)
            waiting.recorded.visit.thumbnail = {};
        waiting.recorded.visit.savedCopy.clear();
        all.push_back(std::move(waiting.recorded));
    }
    waiting_.clear();
    return all;
}

void PendingVisits::forget(const std::unordered_set<std::string>& addresses) {
    std::erase_if(waiting_, [&](const auto& waiting) {
        return addresses.contains(waiting.second.recorded.visit.address);
    });
}

void PendingVisits::forgetVisitedSince(StoredTime since) {
    std::erase_if(waiting_,
                  [&](const auto& waiting) { return waiting.second.recorded.visit.time >= since; });
}

} // namespace quillet
