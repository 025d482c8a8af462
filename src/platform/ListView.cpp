// SPDX-License-Identifier: MIT
#include "ListView.h"

#include "KeyCodes.h"
#include "ThumbnailCodec.h"
#include "Widgets.h"

#include <gdk/gdkkeysyms.h>
#include <glibmm/main.h>
#include <gtkmm/cellrendererpixbuf.h>
#include <gtkmm/cellrenderertext.h>
#include <gtkmm/cellrenderertoggle.h>
#include <ranges>

namespace quillet {
namespace {
constexpr int kColumnWidth = 200; // 3000 twips at 96 DPI

// A list of GTK's own type. gtkmm's ListStore::create makes one of a type of its own, whose
// every step from row to row goes through a C++ trampoline: the tree view walks all 32,767
// rows that way each time its model changes, the half of it that a search's first matches
// wait for.
Glib::RefPtr<Gtk::ListStore> plainListStore(const Gtk::TreeModelColumnRecord& columns) {
    return Glib::wrap(gtk_list_store_newv(static_cast<gint>(columns.size()),
                                          const_cast<GType*>(columns.types())));
}
} // namespace

ListView::ListView(const ImageList& smallIcons)
    : smallIcons_(smallIcons), store_(plainListStore(columns_)) {
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
            if (const auto position = items_.indexOfKey((*row)[columns_.key]))
                items_.select(*position);
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
    freeRetiredRows_.disconnect();
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
        const ResultRow* result = resultOf(row);
        const ListItem* item = result ? nullptr : itemOf(row);
        address->property_text() = result ? result->address : item ? item->text : std::string();
    });
    tree_.append_column(*history);

    const auto addTextColumn = [this](const char* title, std::string ListItem::*field,
                                      std::string ResultRow::*resultField) {
        auto* column = Gtk::manage(new Gtk::TreeViewColumn(title));
        auto* text = Gtk::manage(new Gtk::CellRendererText());
        column->pack_start(*text, true);
        column->set_cell_data_func(
            *text, [this, text, field, resultField](Gtk::CellRenderer*, const auto& row) {
                const ResultRow* result = resultOf(row);
                const ListItem* item = result ? nullptr : itemOf(row);
                text->property_text() = result ? result->*resultField
                                        : item ? item->*field
                                               : std::string();
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

const ListItem* ListView::itemOf(const Gtk::TreeModel::iterator& row) const {
    // A row whose entry has just gone (the tree view may draw it once more) shows nothing.
    const auto position = items_.indexOfKey((*row)[columns_.key]);
    return position ? &items_.item(*position) : nullptr;
}

const ListView::ResultRow* ListView::resultOf(const Gtk::TreeModel::iterator& row) const {
    const int result = (*row)[columns_.result];
    if (result < 0 || result >= static_cast<int>(results_.size()))
        return nullptr;
    return &results_[static_cast<std::size_t>(result)];
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
    insertRow(index, key, wasEmpty);
}

void ListView::insertItemsWithImages(int index, const std::vector<ListItem>& items) {
    int position = index;
    for (const ListItem& item : items) {
        const bool wasEmpty = items_.count() == 0;
        items_.insertWithImage(position, item.key, item.text);
        items_.setSubItem(position, 1, item.subItem1);
        items_.setSubItem(position, 2, item.subItem2);
        insertRow(position++, item.key, wasEmpty);
    }
}

void ListView::insertRow(int index, const std::string& key, bool wasEmpty) {
    const auto rows = store_->children();
    auto row = index > static_cast<int>(rows.size())
                   ? store_->append()
                   : store_->insert(rows[static_cast<unsigned>(index - 1)]);
    (*row)[columns_.key] = key;
    (*row)[columns_.result] = -1;
    if (wasEmpty && !showingResults_)
        tree_.get_selection()->select(pathOf(1));
}

void ListView::removeItemsWithImages(const std::unordered_set<std::string>& keys) {
    // Rows go one by one from the list the tree view shows, each found by its position: the
    // tree view takes each out of its own tree of rows, where detaching it and attaching it
    // again would build that tree anew for every row left.
    const auto selectedBefore = items_.selected();
    const std::string selectedKey = selectedBefore ? items_.item(*selectedBefore).key : "";
    std::vector<int> positions;
    for (const std::string& key : keys)
        if (const auto position = items_.indexOfKey(key))
            positions.push_back(*position);
    std::ranges::sort(positions, std::greater<>());
    for (const int position : positions)
        store_->erase(store_->get_iter(pathOf(position)));
    for (const std::string& key : keys) {
        keptThumbnails_.erase(key);
        thumbnailsAskedFor_.erase(key);
        withoutThumbnail_.erase(key);
        unpacked_.erase(key);
    }
    std::erase_if(unpackedOrder_, [&](const std::string& key) { return keys.contains(key); });
    items_.removeWithImages(keys);
    if (!showingResults_)
        selectAfterRemoval(keys.contains(selectedKey));
}

ListItems ListView::removeAllItems() {
    // The tree view gets a new, empty list at once; the old list's rows are freed a few
    // thousand at a time while the window is idle.
    retiredStores_.push_back(store_);
    store_ = plainListStore(columns_);
    if (!showingResults_)
        tree_.set_model(store_);
    if (!freeRetiredRows_.connected())
        freeRetiredRows_ = Glib::signal_idle().connect([this] {
            constexpr int kRowsAtATime = 2000;
            auto& store = retiredStores_.front();
            for (int n = 0; n < kRowsAtATime && !store->children().empty(); ++n)
                store->erase(store->children().begin());
            if (store->children().empty())
                retiredStores_.pop_front();
            return !retiredStores_.empty();
        });
    keptThumbnails_.clear();
    thumbnailsAskedFor_.clear();
    withoutThumbnail_.clear();
    unpacked_.clear();
    unpackedOrder_.clear();
    return std::exchange(items_, ListItems());
}

void ListView::selectAfterRemoval(bool moveCursor) {
    const auto selected = items_.selected();
    if (!selected)
        return;
    tree_.get_selection()->select(pathOf(*selected));
    // The cursor was on a row that went, or the tree view was detached: it goes with the
    // selection.
    if (moveCursor)
        tree_.set_cursor(pathOf(*selected));
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
        resultStore_ = plainListStore(columns_);
    tree_.unset_model();
    resultStore_->clear();
    for (int i = 0; i < static_cast<int>(results_.size()); ++i) {
        auto row = resultStore_->append();
        (*row)[columns_.key] = results_[static_cast<std::size_t>(i)].address;
        (*row)[columns_.result] = i;
    }
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
    const int result = (*row)[columns_.result];
    return result;
}

void ListView::setSelectedResult(int row) {
    Gtk::TreeModel::Path path;
    path.push_back(row);
    tree_.set_cursor(path);
}

void ListView::thumbnailArrived(const std::string& key, std::optional<PackedImage> picture) {
    if (!items_.indexOfKey(key))
        return;
    if (!picture)
        withoutThumbnail_.insert(key); // asked for once: it stays without one
    else
        keptThumbnails_.put(key, std::move(*picture));
    thumbnailsAskedFor_.erase(key);
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
    const PackedImage* packed = heldThumbnail(key);
    if (!packed && withoutThumbnail_.contains(key)) {
        if (!placeholder_) {
            placeholder_ = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8,
                                               std::max(1, smallIcons_.imageWidth()),
                                               std::max(1, smallIcons_.imageHeight()));
            placeholder_->fill(0xE4E4E4FF);
        }
        return placeholder_;
    }
    if (!packed) {
        if (thumbnailsAskedFor_.insert(key).second)
            thumbnailWanted_.emit(key);
        return {};
    }
    auto picture = unpackThumbnail(*packed);
    unpacked_[key] = picture;
    unpackedOrder_.push_back(key);
    if (unpackedOrder_.size() > kUnpackedLimit) {
        unpacked_.erase(unpackedOrder_.front());
        unpackedOrder_.pop_front();
    }
    return picture;
}

const PackedImage* ListView::heldThumbnail(const std::string& key) {
    if (smallIcons_.contains(key))
        if (const PackedImage& own = smallIcons_.image(key); !own.bytes.empty())
            return &own;
    return keptThumbnails_.find(key);
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
        if ((event->state & GDK_CONTROL_MASK) != 0) {
            ctrlEnter_.emit();
            return true;
        }
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
