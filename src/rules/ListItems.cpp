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

void ListItems::removeWithImage(int index) {
    const int image = item(index).smallIcon;
    positionOfKey_.erase(items_[static_cast<std::size_t>(index - 1)].key);
    items_.erase(items_.begin() + (index - 1));
    for (int i = index; i <= count(); ++i)
        positionOfKey_[items_[static_cast<std::size_t>(i - 1)].key] = i;
    for (ListItem& other : items_)
        if (other.smallIcon > image)
            --other.smallIcon;
    if (count() == 0)
        selected_.reset();
    else if (selected_ && (*selected_ > index || *selected_ > count()))
        --*selected_;
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
