// SPDX-License-Identifier: MIT
// The history pane's menu (right click, the menu key, Shift+F10): keeping the history, its
// search, and the privacy controls.

#include "frmBrowser.h"

#include <gtkmm/separatormenuitem.h>

namespace quillet {

void frmBrowser::buildHistoryMenu() {
    keepHistoryItem.set_label("履歴を次回も残す");
    searchHistoryItem.set_label("履歴を検索...");
    deleteEntryItem.set_label("この履歴を削除");
    excludeSiteItem.set_label("このサイトを履歴に残さない");
    clearHistoryItem.set_label("履歴を消去...");
    keepHistoryItem.set_active(keeper_->keeping());
    if (privacy_ == Privacy::Private) {
        keepHistoryItem.set_sensitive(false);
        keepHistoryItem.set_tooltip_text("プライベートウィンドウの履歴は残りません");
    }
    historyMenu.append(keepHistoryItem);
    historyMenu.append(searchHistoryItem);
    historyMenu.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
    historyMenu.append(deleteEntryItem);
    historyMenu.append(excludeSiteItem);
    historyMenu.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
    historyMenu.append(clearHistoryItem);
    historyMenu.show_all();
    historyMenu.attach_to_widget(ListView1.tree());

    keepHistoryItem.signal_toggled().connect(
        [this] { setKeepHistory(keepHistoryItem.get_active()); });
    searchHistoryItem.signal_activate().connect([this] { openHistorySearch(); });
    deleteEntryItem.signal_activate().connect([this] { deleteSelectedEntry(); });
    excludeSiteItem.signal_activate().connect([this] { excludeSelectedSite(); });
    clearHistoryItem.signal_activate().connect([this] { showClearHistoryDialog(); });

    Gtk::TreeView& tree = ListView1.tree();
    tree.signal_button_press_event().connect(
        [this, &tree](GdkEventButton* event) {
            if (event->type != GDK_BUTTON_PRESS || event->button != 3)
                return false;
            // The entry under the pointer is the one the menu acts on.
            Gtk::TreeModel::Path path;
            if (tree.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path))
                tree.set_cursor(path);
            popUpHistoryMenu(reinterpret_cast<GdkEvent*>(event));
            return true;
        },
        false);
    tree.signal_popup_menu().connect([this] {
        popUpHistoryMenu(nullptr);
        return true;
    });
}

void frmBrowser::popUpHistoryMenu(const GdkEvent* event) {
    const bool entry = selectedAddress().has_value();
    deleteEntryItem.set_sensitive(entry);
    // Only the kept history can leave a site out.
    excludeSiteItem.set_sensitive(entry && keeper_->keeping());
    if (event) {
        historyMenu.popup_at_pointer(event);
        return;
    }
    // From the keyboard: at the selected row, or the pane's top corner.
    Gtk::TreeView& tree = ListView1.tree();
    Gdk::Rectangle cell(0, 0, 1, 1);
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    tree.get_cursor(path, column);
    if (!path.empty())
        tree.get_cell_area(path, *tree.get_column(0), cell);
    historyMenu.popup_at_rect(tree.get_bin_window(), cell, Gdk::GRAVITY_SOUTH_WEST,
                              Gdk::GRAVITY_NORTH_WEST, nullptr);
}

} // namespace quillet
