// SPDX-License-Identifier: MIT
#include "LookIndex.h"

namespace quillet {

void LookIndex::set(std::int64_t page, const LookSignature& look) {
    if (const auto found = positions_.find(page); found != positions_.end()) {
        looks_[found->second] = look;
        colours_[found->second] = colourSums(look);
        return;
    }
    positions_.emplace(page, pages_.size());
    pages_.push_back(page);
    looks_.push_back(look);
    colours_.push_back(colourSums(look));
}

void LookIndex::forget(std::int64_t page) {
    const auto found = positions_.find(page);
    if (found == positions_.end())
        return;
    // The last look takes the place of the one that goes.
    const std::size_t at = found->second;
    positions_.erase(found);
    if (at + 1 != pages_.size()) {
        pages_[at] = pages_.back();
        looks_[at] = looks_.back();
        colours_[at] = colours_.back();
        positions_[pages_[at]] = at;
    }
    pages_.pop_back();
    looks_.pop_back();
    colours_.pop_back();
}

void LookIndex::renumber(std::int64_t from, std::int64_t to) {
    if (from == to || !positions_.contains(from))
        return;
    forget(to); // (no page has it: numbers only grow; but should one, it goes)
    const auto found = positions_.find(from);
    const std::size_t at = found->second;
    positions_.erase(found);
    pages_[at] = to;
    positions_[to] = at;
}

std::vector<std::pair<std::int64_t, LookNearness>> LookIndex::nearest(const LookSignature& look,
                                                                      std::size_t count) const {
    const NearnessTo nearnessTo(look);
    std::vector<LookNearness> nearness(looks_.size());
    for (std::size_t i = 0; i < looks_.size(); ++i)
        nearness[i] = nearnessTo(looks_[i], colours_[i]);
    std::vector<std::pair<std::int64_t, LookNearness>> found;
    for (const std::size_t at : lookAlikeOrder(nearness, count))
        found.emplace_back(pages_[at], nearness[at]);
    return found;
}

} // namespace quillet
