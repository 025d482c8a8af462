// SPDX-License-Identifier: MIT
#pragma once
// The looks of a history's pages in memory, by the page's number in its file, for finding the
// nearest to a look among all of them at once. The store keeps it up to date as pages are
// stored (a visit gives a page a new number), worked out and removed.

#include "LookSignature.h"

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillet {

class LookIndex {
  public:
    void set(std::int64_t page, const LookSignature& look);
    void forget(std::int64_t page);
    void renumber(std::int64_t from, std::int64_t to); // the page's new number after a visit
    std::size_t size() const { return pages_.size(); }
    void reserve(std::size_t count) {
        pages_.reserve(count);
        looks_.reserve(count);
        colours_.reserve(count);
        positions_.reserve(count);
    }

    // The first `count` look-alikes with how near they are, in lookAlikeOrder.
    std::vector<std::pair<std::int64_t, LookNearness>> nearest(const LookSignature& look,
                                                               std::size_t count) const;

  private:
    std::vector<std::int64_t> pages_;
    std::vector<LookSignature> looks_;
    std::vector<ColourSums> colours_; // each look's, worked out once
    std::unordered_map<std::int64_t, std::size_t> positions_;
};

} // namespace quillet
