// SPDX-License-Identifier: MIT
#include "ListItems.h"

#include <algorithm>
#include <stdexcept>

namespace quillet {

void ListItems::add(int index, const std::string& key, const std::string& text, int smallIcon) {
    if (index < 1 || index > count() + 1)
        throw std::out_of_range("list item index out of range");
    if (positions_.contains(key))
        throw std::invalid_argument("key is not unique in the list");
    items_.insert(items_.begin() + (index - 1), ListItem{key, text, {}, {}, smallIcon, false});
    positions_.insert(index, key);
    if (!selected_)
        selected_ = index;
    else if (*selected_ >= index)
        ++*selected_;
}

void ListItems::insertWithImage(int index, const std::string& key, const std::string& text) {
    add(index, key, text, index);
    // Items and their images stand in the same order: only the items after it move.
    for (int i = index + 1; i <= count(); ++i)
        if (ListItem& later = at(i); later.smallIcon >= index)
            ++later.smallIcon;
}

void ListItems::removeWithImages(const std::unordered_set<std::string>& keys) {
    // The removed items' positions and images, found by key: nothing before the first of them
    // moves.
    std::vector<int> removed, removedImages;
    for (const std::string& key : keys)
        if (const auto position = indexOfKey(key)) {
            removed.push_back(*position);
            removedImages.push_back(item(*position).smallIcon);
        }
    if (removed.empty())
        return;
    if (removed.size() == items_.size()) {
        items_.clear();
        positions_.clear();
        selected_.reset();
        return;
    }
    std::ranges::sort(removed);
    std::ranges::sort(removedImages);
    const auto imagesRemovedBefore = [&](int image) {
        return static_cast<int>(std::ranges::lower_bound(removedImages, image) -
                                removedImages.begin());
    };

    // The selected item, or the next one left, stands as many places up as items went before
    // it (the last one left when none is after it).
    std::optional<int> selected = selected_;
    if (selected_)
        selected = *selected_ - static_cast<int>(std::ranges::lower_bound(removed, *selected_) -
                                                 removed.begin());
    positions_.removeAt(removed, keys);
    std::size_t to = static_cast<std::size_t>(removed.front() - 1);
    std::size_t next = 0; // of `removed`
    for (std::size_t from = to; from < items_.size(); ++from) {
        if (next < removed.size() && static_cast<int>(from) + 1 == removed[next]) {
            ++next;
            continue;
        }
        ListItem& moved = items_[from];
        if (moved.smallIcon > 0)
            moved.smallIcon -= imagesRemovedBefore(moved.smallIcon);
        if (to != from)
            items_[to] = std::move(moved);
        ++to;
    }
    items_.resize(to);
    if (count() == 0)
        selected.reset();
    else if (selected && *selected > count())
        selected = count();
    selected_ = selected;
}

const ListItem& ListItems::item(int index) const {
    if (index < 1 || index > count())
        throw std::out_of_range("list item index out of range");
    return items_[static_cast<std::size_t>(index - 1)];
}

ListItem& ListItems::at(int index) {
    return const_cast<ListItem&>(item(index));
}

std::optional<int> ListItems::indexOfKey(const std::string& key) const {
    return positions_.find(key);
}

void ListItems::setSubItem(int index, int column, std::string text) {
    ListItem& target = at(index);
    if (column == 1)
        target.subItem1 = std::move(text);
    else if (column == 2)
        target.subItem2 = std::move(text);
    else
        throw std::out_of_range("sub-item column out of range");
}

void ListItems::setChecked(int index, bool checked) {
    at(index).checked = checked;
}

void ListItems::select(int index) {
    item(index); // range check
    selected_ = index;
}

std::optional<int> ListItems::findItem(const std::string& text, int start) const {
    for (int i = std::max(start, 1); i <= count(); ++i)
        if (items_[static_cast<std::size_t>(i - 1)].text.starts_with(text))
            return i;
    return std::nullopt;
}

} // namespace quillet
