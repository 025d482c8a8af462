// SPDX-License-Identifier: MIT
#pragma once
// The 1-based positions of the keys of an ordered list. Each key keeps one slot for as long as
// it is in the list, and only the slots' numbers change when entries are inserted or removed:
// renumbering a list of 32,767 writes that many integers, not that many hash entries.

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillet {

class KeyPositions {
  public:
    std::optional<int> find(const std::string& key) const;
    bool contains(const std::string& key) const { return slotOfKey_.contains(key); }
    // `key` (not yet present) at `position` (1 to size + 1); those at and after it move down.
    void insert(int position, const std::string& key);
    // Removes `keys`, which stand at `positions` (ascending; keys not present are passed
    // over); those after them move up, in one pass.
    void removeAt(const std::vector<int>& positions, const std::unordered_set<std::string>& keys);
    void clear();
    int size() const { return static_cast<int>(slotAt_.size()); }

  private:
    void renumberFrom(std::size_t index);

    std::unordered_map<std::string, int> slotOfKey_;
    std::vector<int> positionOfSlot_; // by slot
    std::vector<int> slotAt_;         // by position - 1
    std::vector<int> freeSlots_;
};

} // namespace quillet
