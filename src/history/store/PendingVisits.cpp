// SPDX-License-Identifier: MIT
#include "PendingVisits.h"

namespace quillet {

unsigned PendingVisits::add(PageVisit visit) {
    waiting_.emplace(++added_, std::move(visit));
    return added_;
}

std::optional<PageVisit> PendingVisits::take(unsigned number, std::string text) {
    auto found = waiting_.extract(number);
    if (found.empty())
        return std::nullopt;
    found.mapped().text = std::move(text);
    return std::move(found.mapped());
}

std::vector<PageVisit> PendingVisits::takeAll() {
    std::vector<PageVisit> all;
    for (auto& [number, visit] : waiting_)
        all.push_back(std::move(visit));
    waiting_.clear();
    return all;
}

void PendingVisits::forget(const std::unordered_set<std::string>& addresses) {
    std::erase_if(waiting_,
                  [&](const auto& waiting) { return addresses.contains(waiting.second.address); });
}

void PendingVisits::forgetVisitedSince(StoredTime since) {
    std::erase_if(waiting_, [&](const auto& waiting) { return waiting.second.time >= since; });
}

} // namespace quillet
