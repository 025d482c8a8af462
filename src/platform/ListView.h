// SPDX-License-Identifier: MIT
#pragma once
// The history pane: a report-style list with a check box, the entry's thumbnail and three
// columns. Items live in a ListItems model and thumbnails in an ImageList; the tree view asks
// for what it draws, so a pane of 32,767 entries costs only the rows on screen.

#include "ImageList.h"
#include "ListItems.h"

#include <gtkmm/liststore.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treeview.h>
#include <list>
#include <unordered_map>

namespace quillet {

class ListView : public Gtk::ScrolledWindow {
  public:
    explicit ListView(const ImageList& smallIcons);
    ~ListView() override;

    // ListItems.Add: throws, adding nothing, on a duplicate key.
    void addItem(int index, const std::string& key, const std::string& text, int smallIcon);
    int count() const { return items_.count(); }
    const ListItem& item(int index) const { return items_.item(index); }
    const ListItems& items() const { return items_; }
    std::optional<int> findItem(const std::string& text, int start) const {
        return items_.findItem(text, start);
    }
    void setSubItem(int index, int column, const std::string& text);
    void setChecked(int index, bool checked);

    std::optional<int> selectedIndex() const { return items_.selected(); }
    void setSelected(int index); // the item becomes the selected item
    void ensureVisible(int index);
    void setFocus();
    bool hasFocus() const;

    void setToolTipText(const std::string& text);
    const std::string& toolTipText() const { return toolTip_; }

    Gtk::TreeView& tree() { return tree_; }
    // The picture the pane draws for image `imageIndex` (null when there is none).
    Glib::RefPtr<Gdk::Pixbuf> smallIconPicture(int imageIndex);

    sigc::signal<void()>& signal_DblClick() { return dblClick_; }
    sigc::signal<void(int)>& signal_KeyPress() { return keyPress_; } // the character code
    sigc::signal<void(int)>& signal_ItemClick() { return itemClick_; }
    sigc::signal<void()>& signal_GotFocus() { return gotFocus_; }
    sigc::signal<void()>& signal_LostFocus() { return lostFocus_; }

  private:
    struct Columns : Gtk::TreeModelColumnRecord {
        Gtk::TreeModelColumn<int> position;
        Columns() { add(position); }
    };

    int positionOf(const Gtk::TreeModel::iterator& row) const;
    Gtk::TreeModel::Path pathOf(int index) const;
    void addColumns();
    void redrawRow(int index);
    void toggleCheck(int index);
    bool onButtonPress(GdkEventButton* event);
    bool onButtonRelease(GdkEventButton* event);
    bool onKeyPress(GdkEventKey* event);

    // Declared before the tree view: it still reports focus changes while it is destroyed.
    sigc::signal<void()> dblClick_;
    sigc::signal<void(int)> keyPress_;
    sigc::signal<void(int)> itemClick_;
    sigc::signal<void()> gotFocus_;
    sigc::signal<void()> lostFocus_;

    const ImageList& smallIcons_;
    ListItems items_;
    Columns columns_;
    Glib::RefPtr<Gtk::ListStore> store_;
    Gtk::TreeView tree_;
    std::string toolTip_;

    // Recently drawn thumbnails, unpacked, by their image's key: an image inserted before them
    // moves their positions, not their keys. The rest stay packed.
    static constexpr std::size_t kUnpackedLimit = 96;
    std::list<std::string> unpackedOrder_;
    std::unordered_map<std::string, Glib::RefPtr<Gdk::Pixbuf>> unpacked_;
};

} // namespace quillet
