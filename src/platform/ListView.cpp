// SPDX-License-Identifier: MIT
#include "ListView.h"

#include "KeyCodes.h"
#include "ThumbnailCodec.h"
#include "Widgets.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/cellrendererpixbuf.h>
#include <gtkmm/cellrenderertext.h>
#include <gtkmm/cellrenderertoggle.h>

namespace quillet {
namespace {
constexpr int kColumnWidth = 200; // 3000 twips at 96 DPI
}

ListView::ListView(const ImageList& smallIcons)
    : smallIcons_(smallIcons), store_(Gtk::ListStore::create(columns_)) {
    tree_.set_model(store_);
    tree_.set_enable_search(false);
    tree_.get_selection()->set_mode(Gtk::SELECTION_SINGLE);
    addColumns();
    tree_.set_fixed_height_mode(true);
    add(tree_);
    set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    set_shadow_type(Gtk::SHADOW_IN);
    // White like the address box, whatever the desktop's theme: so the text is black too.
    styleWidget(tree_, std::string("treeview.view { ") + kBlackOnWhite + " }");
    setAccessible(tree_, "履歴", Atk::ROLE_TABLE);

    tree_.get_selection()->signal_changed().connect([this] {
        auto row = tree_.get_selection()->get_selected();
        if (showingResults_)
            resultSelected_.emit();
        else if (row)
            items_.select(positionOf(row));
    });
    tree_.signal_button_press_event().connect(sigc::mem_fun(*this, &ListView::onButtonPress),
                                              false);
    tree_.signal_button_release_event().connect(sigc::mem_fun(*this, &ListView::onButtonRelease),
                                                false);
    tree_.signal_key_press_event().connect(sigc::mem_fun(*this, &ListView::onKeyPress), false);
    // Mouse double-clicks and Enter never reach the tree view's row activation, so what
    // remains is a screen reader's "toggle" (or "activate") of a cell in the first column.
    tree_.signal_row_activated().connect(
        [this](const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn* column) {
            if (column == tree_.get_column(0))
                toggleCheckAt(path);
        });
    tree_.signal_focus_in_event().connect([this](GdkEventFocus*) {
        gotFocus_.emit();
        return false;
    });
    tree_.signal_focus_out_event().connect([this](GdkEventFocus*) {
        lostFocus_.emit();
        return false;
    });
}

ListView::~ListView() {
    // The window that listens is going away too: tell it nothing more.
    for (auto* signal : {&dblClick_, &gotFocus_, &lostFocus_, &resultSelected_, &deleteKey_})
        signal->clear();
    keyPress_.clear();
    itemClick_.clear();
    thumbnailWanted_.clear();
}

void ListView::addColumns() {
    // Column "履歴": the check box, the thumbnail and the address.
    auto* history = Gtk::manage(new Gtk::TreeViewColumn("履歴"));
    auto* check = Gtk::manage(new Gtk::CellRendererToggle());
    auto* picture = Gtk::manage(new Gtk::CellRendererPixbuf());
    auto* address = Gtk::manage(new Gtk::CellRendererText());
    history->pack_start(*check, false);
    history->pack_start(*picture, false);
    history->pack_start(*address, true);
    check->set_activatable(true);
    check->signal_toggled().connect(
        [this](const Glib::ustring& path) { toggleCheckAt(Gtk::TreeModel::Path(path)); });
    history->set_cell_data_func(*check, [this, check](Gtk::CellRenderer*, const auto& row) {
        const ListItem* item = itemOf(row);
        check->set_active(item && item->checked);
        check->set_visible(item != nullptr);
    });
    history->set_cell_data_func(*picture, [this, picture](Gtk::CellRenderer*, const auto& row) {
        const ListItem* item = itemOf(row);
        picture->property_pixbuf() =
            item ? smallIconPicture(item->smallIcon) : Glib::RefPtr<Gdk::Pixbuf>();
        picture->set_fixed_size(smallIcons_.imageWidth(), smallIcons_.imageHeight());
    });
    history->set_cell_data_func(*address, [this, address](Gtk::CellRenderer*, const auto& row) {
        address->property_text() = showingResults_
                                       ? results_[static_cast<std::size_t>(positionOf(row))].address
                                       : items_.item(positionOf(row)).text;
    });
    tree_.append_column(*history);

    const auto addTextColumn = [this](const char* title, std::string ListItem::*field,
                                      std::string ResultRow::*resultField) {
        auto* column = Gtk::manage(new Gtk::TreeViewColumn(title));
        auto* text = Gtk::manage(new Gtk::CellRendererText());
        column->pack_start(*text, true);
        column->set_cell_data_func(*text, [this, text, field, resultField](Gtk::CellRenderer*,
                                                                           const auto& row) {
            text->property_text() =
                showingResults_ ? results_[static_cast<std::size_t>(positionOf(row))].*resultField
                                : items_.item(positionOf(row)).*field;
        });
        tree_.append_column(*column);
    };
    addTextColumn("タイトル", &ListItem::subItem1, &ResultRow::title);
    addTextColumn("閲覧日時", &ListItem::subItem2, &ResultRow::visitTime);
    // Headers in the text's own weight, as list headers on other desktops are: a bold
    // Japanese face is a second CJK font file in memory for three words.
    for (Gtk::TreeViewColumn* column : tree_.get_columns())
        if (Gtk::Widget* header = column->get_button())
            styleWidget(*header, "button { font-weight: normal; }");

    for (auto* column : tree_.get_columns()) {
        column->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
        column->set_fixed_width(kColumnWidth);
        column->set_resizable(true);
    }
}

int ListView::positionOf(const Gtk::TreeModel::iterator& row) const {
    return (*row)[columns_.position];
}

const ListItem* ListView::itemOf(const Gtk::TreeModel::iterator& row) const {
    if (!showingResults_)
        return &items_.item(positionOf(row));
    const auto position =
        items_.indexOfKey(results_[static_cast<std::size_t>(positionOf(row))].address);
    return position ? &items_.item(*position) : nullptr;
}

void ListView::renumberFrom(Gtk::TreeModel::iterator row, int position) {
    for (; row; ++row)
        (*row)[columns_.position] = position++;
}

Gtk::TreeModel::Path ListView::pathOf(int index) const {
    items_.item(index); // range check
    Gtk::TreeModel::Path path;
    path.push_back(index - 1);
    return path;
}

void ListView::addItem(int index, const std::string& key, const std::string& text, int smallIcon) {
    const bool wasEmpty = items_.count() == 0;
    items_.add(index, key, text, smallIcon);
    insertRow(index, wasEmpty);
}

void ListView::insertItemsWithImages(int index, const std::vector<ListItem>& items) {
    int position = index;
    for (const ListItem& item : items) {
        const bool wasEmpty = items_.count() == 0;
        items_.insertWithImage(position, item.key, item.text);
        items_.setSubItem(position, 1, item.subItem1);
        items_.setSubItem(position, 2, item.subItem2);
        insertRow(position++, wasEmpty);
    }
}

void ListView::insertRow(int index, bool wasEmpty) {
    const auto rows = store_->children();
    auto row = index > static_cast<int>(rows.size())
                   ? store_->append()
                   : store_->insert(rows[static_cast<unsigned>(index - 1)]);
    // Positions after an insertion move up by one; appending (the usual case) numbers one row.
    renumberFrom(row, index);
    if (wasEmpty && !showingResults_)
        tree_.get_selection()->select(pathOf(1));
}

void ListView::removeItemWithImage(int index) {
    const auto selectedBefore = items_.selected();
    // The row goes first: while the tree view redraws around it, every row it asks for still
    // has its item.
    renumberFrom(store_->erase(store_->get_iter(pathOf(index))), index);
    items_.removeWithImage(index);
    if (showingResults_)
        return;
    if (const auto selected = items_.selected()) {
        tree_.get_selection()->select(pathOf(*selected));
        if (selectedBefore == index)
            tree_.set_cursor(pathOf(*selected));
    }
}

void ListView::setSubItem(int index, int column, const std::string& text) {
    items_.setSubItem(index, column, text);
    redrawRow(index);
}

void ListView::setChecked(int index, bool checked) {
    items_.setChecked(index, checked);
    redrawRow(index);
}

void ListView::toggleCheck(int index) {
    setChecked(index, !items_.item(index).checked);
}

void ListView::toggleCheckAt(const Gtk::TreeModel::Path& path) {
    const ListItem* item = itemOf(tree_.get_model()->get_iter(path));
    if (item)
        toggleCheck(*items_.indexOfKey(item->key));
}

void ListView::redrawRow(int index) {
    if (showingResults_) {
        tree_.queue_draw();
        return;
    }
    const auto path = pathOf(index);
    store_->row_changed(path, store_->get_iter(path));
}

void ListView::showResults(std::vector<ResultRow> rows) {
    results_ = std::move(rows);
    if (!resultStore_)
        resultStore_ = Gtk::ListStore::create(columns_);
    tree_.unset_model();
    resultStore_->clear();
    for (int i = 0; i < static_cast<int>(results_.size()); ++i)
        (*resultStore_->append())[columns_.position] = i;
    showingResults_ = true;
    tree_.set_model(resultStore_);
    if (!results_.empty())
        setSelectedResult(0);
    resultSelected_.emit();
}

void ListView::showAllItems() {
    if (!showingResults_)
        return;
    tree_.unset_model();
    showingResults_ = false;
    results_.clear();
    resultStore_->clear();
    tree_.set_model(store_);
    if (const auto selected = items_.selected()) {
        tree_.set_cursor(pathOf(*selected));
        tree_.scroll_to_row(pathOf(*selected));
    }
}

std::optional<int> ListView::selectedResult() const {
    if (!showingResults_)
        return std::nullopt;
    auto row = const_cast<Gtk::TreeView&>(tree_).get_selection()->get_selected();
    if (!row)
        return std::nullopt;
    return positionOf(row);
}

void ListView::setSelectedResult(int row) {
    Gtk::TreeModel::Path path;
    path.push_back(row);
    tree_.set_cursor(path);
}

void ListView::thumbnailArrived(const std::string& key) {
    thumbnailsAskedFor_.erase(key);
    unpacked_.erase(key);
    unpackedOrder_.remove(key);
    if (showingResults_)
        tree_.queue_draw();
    else if (const auto position = items_.indexOfKey(key))
        redrawRow(*position);
}

void ListView::setSelected(int index) {
    items_.select(index);
    tree_.set_cursor(pathOf(index));
}

void ListView::ensureVisible(int index) {
    tree_.scroll_to_row(pathOf(index));
}

void ListView::setFocus() {
    tree_.grab_focus();
}
bool ListView::hasFocus() const {
    return tree_.has_focus();
}

void ListView::setToolTipText(const std::string& text) {
    toolTip_ = text;
    if (text.empty())
        tree_.set_has_tooltip(false);
    else
        tree_.set_tooltip_text(text);
}

Glib::RefPtr<Gdk::Pixbuf> ListView::smallIconPicture(int imageIndex) {
    if (imageIndex < 1 || imageIndex > smallIcons_.count())
        return {};
    const std::string& key = smallIcons_.key(imageIndex);
    if (auto found = unpacked_.find(key); found != unpacked_.end())
        return found->second;
    if (smallIcons_.image(imageIndex).bytes.empty()) {
        if (thumbnailsAskedFor_.insert(key).second)
            thumbnailWanted_.emit(key);
        return {};
    }
    auto picture = unpackThumbnail(smallIcons_.image(imageIndex));
    unpacked_[key] = picture;
    unpackedOrder_.push_back(key);
    if (unpackedOrder_.size() > kUnpackedLimit) {
        unpacked_.erase(unpackedOrder_.front());
        unpackedOrder_.pop_front();
    }
    return picture;
}

bool ListView::onButtonPress(GdkEventButton* event) {
    // A double-click is ours alone: the tree view's own row activation stays for the
    // accessible "toggle" action (see the constructor).
    if (event->type == GDK_2BUTTON_PRESS && event->button == 1) {
        dblClick_.emit();
        return true;
    }
    return false;
}

bool ListView::onButtonRelease(GdkEventButton* event) {
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    int cellX = 0, cellY = 0;
    if (event->button == 1 &&
        tree_.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path, column,
                              cellX, cellY))
        itemClick_.emit(path[0] + 1);
    return false;
}

bool ListView::onKeyPress(GdkEventKey* event) {
    switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        keyPress_.emit(kKeyEnter);
        return true; // the tree view would activate the row too; Enter means "open" here
    case GDK_KEY_Escape:
        keyPress_.emit(kKeyEscape);
        return false;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        deleteKey_.emit();
        return true;
    case GDK_KEY_space:
        if (auto row = tree_.get_selection()->get_selected()) {
            toggleCheckAt(tree_.get_model()->get_path(row));
            return true;
        }
        return false;
    default:
        if (const gunichar c = gdk_keyval_to_unicode(event->keyval); c > 0 && c < 128)
            keyPress_.emit(static_cast<int>(c));
        return false;
    }
}

} // namespace quillet
