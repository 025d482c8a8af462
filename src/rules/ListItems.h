// SPDX-License-Identifier: MIT
#pragma once
// The items of the history pane, without any widget: 1-based positions, unique keys,
// two sub-item texts, a check mark and the small-image position of each item, and the
// selected item. The pane widget (ListView) shows what this holds.

#include "KeyPositions.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillet {

struct ListItem {
    std::string key;
    std::string text;
    std::string subItem1; // page title
    std::string subItem2; // visit time
    int smallIcon = 0;
    bool checked = false;
};

class ListItems {
  public:
    // Inserts at `index` (1 to count + 1). A key already present throws std::invalid_argument
    // and adds nothing. The first item of an empty list becomes the selected item.
    void add(int index, const std::string& key, const std::string& text, int smallIcon);

    // Inserts at `index` an item showing the image inserted at the same position: the items
    // after it, which show that image or a later one, now show the next one (their own).
    void insertWithImage(int index, const std::string& key, const std::string& text);
    // Removes the items with these keys and, likewise, the images they show from the
    // numbering of the others, in one pass however many go. The selection stays on the same
    // item, or moves to the next one left (the last one left at the end).
    void removeWithImages(const std::unordered_set<std::string>& keys);

    int count() const { return static_cast<int>(items_.size()); }
    const ListItem& item(int index) const;
    std::optional<int> indexOfKey(const std::string& key) const;

    void setSubItem(int index, int column, std::string text);
    void setChecked(int index, bool checked);

    std::optional<int> selected() const { return selected_; }
    void select(int index);

    // First item at or after `start` whose text begins with `text` (case-sensitive, no
    // wrap-around); nothing when there is none or `start` is past the end.
    std::optional<int> findItem(const std::string& text, int start) const;

  private:
    ListItem& at(int index);
    std::vector<ListItem> items_;
    KeyPositions positions_;
    std::optional<int> selected_;
};

} // namespace quillet
