// SPDX-License-Identifier: MIT
#pragma once
// The history pane: a report-style list with a check box, the entry's thumbnail and three
// columns. Items live in a ListItems model and thumbnails in an ImageList; each row of the
// tree view holds its entry's key, not its position, and the tree view asks for what it
// draws, so a pane of 32,767 entries costs only the rows on screen and removing entries
// renumbers nothing in it.

#include "ImageList.h"
#include "ListItems.h"
#include "ThumbnailCache.h"

#include <deque>
#include <gtkmm/liststore.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treeview.h>
#include <list>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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
    // Items, each with the image inserted at the same position (see
    // ListItems::insertWithImage), placed together from `index` on.
    void insertItemsWithImages(int index, const std::vector<ListItem>& items);
    // Removes the items with these keys (see ListItems::removeWithImages); many at once are
    // taken out while the tree view is detached, so it redraws once.
    void removeItemsWithImages(const std::unordered_set<std::string>& keys);
    // Removes every item, at once however many there are; hands back what it held, for the
    // caller to let go of where that costs the window nothing.
    ListItems removeAllItems();
    void setSubItem(int index, int column, const std::string& text);
    void setChecked(int index, bool checked);

    std::optional<int> selectedIndex() const { return items_.selected(); }
    void setSelected(int index); // the item becomes the selected item
    void ensureVisible(int index);
    void setFocus();
    bool hasFocus() const;

    void setToolTipText(const std::string& text);
    const std::string& toolTipText() const { return toolTip_; }

    // Search results: the pane shows only these rows (an entry of the pane shows its
    // thumbnail and tick box), the first one selected, until showAllItems() brings the whole
    // list back with its selection as it was.
    struct ResultRow {
        std::string address;
        std::string title;
        std::string visitTime;
        std::string snippet;
    };
    void showResults(std::vector<ResultRow> rows);
    void showAllItems();
    bool showingResults() const { return showingResults_; }
    const std::vector<ResultRow>& results() const { return results_; }
    std::optional<int> selectedResult() const; // 0-based
    void setSelectedResult(int row);

    // A thumbnail added without its bytes (a kept entry's, which stays in the file) is asked
    // for when its row is drawn and not held; thumbnailArrived() holds it among the kept
    // thumbnails read, a cache of kKeptThumbnailBytes, and draws the rows showing it again.
    // One that cannot be read (none: the page was stored without one) is not asked for again,
    // and its row shows a plain placeholder, as does an entry marked as having none.
    sigc::signal<void(std::string)>& signal_ThumbnailWanted() { return thumbnailWanted_; }
    void thumbnailArrived(const std::string& key, std::optional<PackedImage> picture);
    void markWithoutThumbnail(const std::string& key) { withoutThumbnail_.insert(key); }
    static constexpr std::size_t kKeptThumbnailBytes = 16u << 20;
    // The thumbnail of an entry as the pane holds it: its own, or the kept one read for its
    // row; null when neither is at hand.
    const PackedImage* heldThumbnail(const std::string& key);
    const ThumbnailCache& keptThumbnails() const { return keptThumbnails_; }

    Gtk::TreeView& tree() { return tree_; }
    // The picture the pane draws for image `imageIndex` (null when there is none).
    Glib::RefPtr<Gdk::Pixbuf> smallIconPicture(int imageIndex);

    sigc::signal<void()>& signal_DblClick() { return dblClick_; }
    sigc::signal<void(int)>& signal_KeyPress() { return keyPress_; } // the character code
    sigc::signal<void()>& signal_CtrlEnter() { return ctrlEnter_; }
    sigc::signal<void(int)>& signal_ItemClick() { return itemClick_; }
    sigc::signal<void()>& signal_GotFocus() { return gotFocus_; }
    sigc::signal<void()>& signal_LostFocus() { return lostFocus_; }
    sigc::signal<void()>& signal_ResultSelected() { return resultSelected_; }
    sigc::signal<void()>& signal_DeleteKey() { return deleteKey_; }

  private:
    // A row of the pane holds its entry's key; a row of search results also the match it
    // shows (its position in results_; -1 in the pane).
    struct Columns : Gtk::TreeModelColumnRecord {
        Gtk::TreeModelColumn<std::string> key;
        Gtk::TreeModelColumn<int> result;
        Columns() {
            add(key);
            add(result);
        }
    };

    // The pane item a row shows (in results, the entry of that address; null when none).
    const ListItem* itemOf(const Gtk::TreeModel::iterator& row) const;
    const ResultRow* resultOf(const Gtk::TreeModel::iterator& row) const;
    void insertRow(int index, const std::string& key, bool wasEmpty);
    void selectAfterRemoval(bool moveCursor);
    Gtk::TreeModel::Path pathOf(int index) const;
    void addColumns();
    void redrawRow(int index);
    void toggleCheck(int index);
    void toggleCheckAt(const Gtk::TreeModel::Path& path); // the row's entry, if it has one
    bool onButtonPress(GdkEventButton* event);
    bool onButtonRelease(GdkEventButton* event);
    bool onKeyPress(GdkEventKey* event);

    // Declared before the tree view: it still reports focus changes while it is destroyed.
    sigc::signal<void()> dblClick_;
    sigc::signal<void(int)> keyPress_;
    sigc::signal<void()> ctrlEnter_;
    sigc::signal<void(int)> itemClick_;
    sigc::signal<void()> gotFocus_;
    sigc::signal<void()> lostFocus_;
    sigc::signal<void()> resultSelected_;
    sigc::signal<void()> deleteKey_;
    sigc::signal<void(std::string)> thumbnailWanted_;

    const ImageList& smallIcons_;
    ListItems items_;
    Columns columns_;
    Glib::RefPtr<Gtk::ListStore> store_;
    Glib::RefPtr<Gtk::ListStore> resultStore_;
    std::deque<Glib::RefPtr<Gtk::ListStore>> retiredStores_; // emptied while the window is idle
    sigc::connection freeRetiredRows_;
    std::vector<ResultRow> results_;
    bool showingResults_ = false;
    std::unordered_set<std::string> thumbnailsAskedFor_, withoutThumbnail_;
    Glib::RefPtr<Gdk::Pixbuf> placeholder_; // made at the thumbnails' size when first drawn
    ThumbnailCache keptThumbnails_{kKeptThumbnailBytes};
    Gtk::TreeView tree_;
    std::string toolTip_;

    // Recently drawn thumbnails, unpacked, by their image's key: an image inserted before them
    // moves their positions, not their keys. The rest stay packed.
    static constexpr std::size_t kUnpackedLimit = 96;
    std::list<std::string> unpackedOrder_;
    std::unordered_map<std::string, Glib::RefPtr<Gdk::Pixbuf>> unpacked_;
};

} // namespace quillet
