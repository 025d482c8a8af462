// SPDX-License-Identifier: MIT
#include "KeyPositions.h"

namespace quillet {

std::optional<int> KeyPositions::find(const std::string& key) const {
    const auto found = slotOfKey_.find(key);
    if (found == slotOfKey_.end())
        return std::nullopt;
    return positionOfSlot_[static_cast<std::size_t>(found->second)];
}

void KeyPositions::insert(int position, const std::string& key) {
    int slot = static_cast<int>(positionOfSlot_.size());
    if (freeSlots_.empty()) {
        positionOfSlot_.push_back(0);
    } else {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
    }
    slotOfKey_.emplace(key, slot);
    const auto index = static_cast<std::size_t>(position - 1);
    slotAt_.insert(slotAt_.begin() + static_cast<std::ptrdiff_t>(index), slot);
    renumberFrom(index);
}

void KeyPositions::removeAt(const std::vector<int>& positions,
                            const std::unordered_set<std::string>& keys) {
    if (positions.empty())
        return;
    if (positions.size() == slotAt_.size()) {
        clear();
        return;
    }
    for (const std::string& key : keys)
        if (const auto found = slotOfKey_.find(key); found != slotOfKey_.end()) {
            freeSlots_.push_back(found->second);
            slotOfKey_.erase(found);
        }
    const auto first = static_cast<std::size_t>(positions.front() - 1);
    std::size_t to = first, next = 0;
    for (std::size_t from = first; from < slotAt_.size(); ++from) {
        if (next < positions.size() && from + 1 == static_cast<std::size_t>(positions[next])) {
            ++next;
            continue;
        }
        slotAt_[to++] = slotAt_[from];
    }
    slotAt_.resize(to);
    renumberFrom(first);
}

void KeyPositions::clear() {
    slotOfKey_.clear();
    positionOfSlot_.clear();
    slotAt_.clear();
    freeSlots_.clear();
}

void KeyPositions::renumberFrom(std::size_t index) {
    for (std::size_t i = index; i < slotAt_.size(); ++i)
        positionOfSlot_[static_cast<std::size_t>(slotAt_[i])] = static_cast<int>(i) + 1;
}

} // namespace quillet
