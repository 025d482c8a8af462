// SPDX-License-Identifier: MIT
#include "ListItems.h"

#include <algorithm>
#include <stdexcept>

namespace quillet {

void ListItems::add(int index, const std::string& key, const std::string& text, int smallIcon) {
    if (index < 1 || index > count() + 1)
        throw std::out_of_range("list item index out of range");
    if (positionOfKey_.contains(key))
        throw std::invalid_argument("key is not unique in the list");
    items_.insert(items_.begin() + (index - 1), ListItem{key, text, {}, {}, smallIcon, false});
    for (int i = index; i <= count(); ++i)
        positionOfKey_[items_[i - 1].key] = i;
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
    if (keys.empty())
        return;
    // imagesRemovedBefore[n]: how many of the removed items' images stand before image n.
    int lastImage = 0;
    for (const ListItem& item : items_)
        lastImage = std::max(lastImage, item.smallIcon);
    std::vector<int> imagesRemovedBefore(static_cast<std::size_t>(lastImage) + 2, 0);
    for (const ListItem& item : items_)
        if (keys.contains(item.key) && item.smallIcon > 0)
            ++imagesRemovedBefore[static_cast<std::size_t>(item.smallIcon) + 1];
    for (std::size_t n = 1; n < imagesRemovedBefore.size(); ++n)
        imagesRemovedBefore[n] += imagesRemovedBefore[n - 1];

    std::optional<int> selected;
    std::vector<ListItem> kept;
    kept.reserve(items_.size());
    for (int i = 1; i <= count(); ++i) {
        ListItem& item = items_[static_cast<std::size_t>(i - 1)];
        if (keys.contains(item.key))
            continue;
        if (item.smallIcon > 0)
            item.smallIcon -= imagesRemovedBefore[static_cast<std::size_t>(item.smallIcon)];
        kept.push_back(std::move(item));
        if (selected_ && !selected && i >= *selected_)
            selected = static_cast<int>(kept.size()); // the selected item, or the next left
    }
    items_ = std::move(kept);
    positionOfKey_.clear();
    for (int i = 1; i <= count(); ++i)
        positionOfKey_[items_[static_cast<std::size_t>(i - 1)].key] = i;
    if (selected_ && !selected && count() > 0)
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
    const auto found = positionOfKey_.find(key);
    if (found == positionOfKey_.end())
        return std::nullopt;
    return found->second;
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
