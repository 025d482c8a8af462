// SPDX-License-Identifier: MIT
// The pane's commands as actions, and its menu (right click, the menu key, Shift+F10) over
// them: keeping the history, its search, and the privacy controls.

#include "HistoryPane.h"

#include "SavedPageAddress.h"
#include "TimelineDays.h"

#include <gtkmm/separatormenuitem.h>

namespace quillet {

void HistoryPane::addActions() {
    actions_->add_action_bool(
        "keep", [] {}, keeper_.keeping());
    // The keep action takes the state asked for (the menu's check item hands its new state).
    auto keep = Glib::RefPtr<Gio::SimpleAction>::cast_dynamic(actions_->lookup_action("keep"));
    keep->signal_change_state().connect([this](const Glib::VariantBase& wanted) {
        setKeepHistory(Glib::VariantBase::cast_dynamic<Glib::Variant<bool>>(wanted).get());
    });
    keep->set_enabled(privacy_ == Privacy::Normal);
    actions_->add_action_bool(
        "pause", [] {}, false);
    auto pause = Glib::RefPtr<Gio::SimpleAction>::cast_dynamic(actions_->lookup_action("pause"));
    pause->signal_change_state().connect([this](const Glib::VariantBase& wanted) {
        setPaused(Glib::VariantBase::cast_dynamic<Glib::Variant<bool>>(wanted).get());
    });
    pause->set_enabled(keeper_.keeping());
    actions_->add_action("search", [this] { openSearch(); });
    actions_->add_action("similar", [this] { showSimilarPages(); });
    actions_->add_action("timeline", [this] { openTimeline(); });
    actions_->add_action("open-saved", [this] { openSavedCopy(); });
    actions_->add_action("delete", [this] { deleteSelectedEntry(); });
    actions_->add_action("exclude-site", [this] { excludeSelectedSite(); });
    actions_->add_action("clear", [this] { showClearHistoryDialog(); });
    ListView1.tree().insert_action_group("history", actions_);
}

void HistoryPane::buildMenu() {
    keepHistoryItem.set_label("履歴を次回も残す");
    pauseKeepingItem.set_label("一時的に残さない");
    searchHistoryItem.set_label("履歴を検索...");
    similarPagesItem.set_label("似たページを探す");
    timelineItem.set_label("履歴をたどる");
    openSavedItem.set_label("保存したページを開く");
    savedVersionsItem.set_label("以前のバージョン");
    savedVersionsItem.set_submenu(savedVersionsMenu);
    deleteEntryItem.set_label("この履歴を削除");
    excludeSiteItem.set_label("このサイトを履歴に残さない");
    clearHistoryItem.set_label("履歴を消去...");
    keepHistoryItem.set_active(keeper_.keeping());
    if (privacy_ == Privacy::Private) {
        keepHistoryItem.set_sensitive(false);
        keepHistoryItem.set_tooltip_text("プライベートウィンドウの履歴は残りません");
    }
    historyMenu.append(keepHistoryItem);
    historyMenu.append(pauseKeepingItem);
    historyMenu.append(searchHistoryItem);
    historyMenu.append(similarPagesItem);
    historyMenu.append(timelineItem);
    historyMenu.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
    historyMenu.append(openSavedItem);
    historyMenu.append(savedVersionsItem);
    historyMenu.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
    historyMenu.append(deleteEntryItem);
    historyMenu.append(excludeSiteItem);
    historyMenu.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
    historyMenu.append(clearHistoryItem);
    historyMenu.show_all();
    historyMenu.attach_to_widget(ListView1.tree());
    // The menu greys out what has nothing to act on while it is open; the Delete key and any
    // other control find every command there again once it closes.
    historyMenu.signal_hide().connect([this] {
        for (const char* name : {"delete", "exclude-site", "similar", "open-saved"})
            enableAction(name, true);
    });

    // The check item shows the keeping state and asks for the other one; the plain items are
    // the actions themselves.
    keepToggled_ = keepHistoryItem.signal_toggled().connect([this] {
        actions_->lookup_action("keep")->change_state(
            Glib::Variant<bool>::create(keepHistoryItem.get_active()));
    });
    pauseToggled_ = pauseKeepingItem.signal_toggled().connect([this] {
        actions_->lookup_action("pause")->change_state(
            Glib::Variant<bool>::create(pauseKeepingItem.get_active()));
    });
    pauseKeepingItem.set_sensitive(keeper_.keeping());
    const std::pair<Gtk::MenuItem*, const char*> commands[] = {
        {&searchHistoryItem, "history.search"}, {&similarPagesItem, "history.similar"},
        {&timelineItem, "history.timeline"},    {&openSavedItem, "history.open-saved"},
        {&deleteEntryItem, "history.delete"},   {&excludeSiteItem, "history.exclude-site"},
        {&clearHistoryItem, "history.clear"}};
    for (const auto& [item, action] : commands) // (gtkmm 3 does not wrap GtkActionable)
        gtk_actionable_set_action_name(GTK_ACTIONABLE(item->gobj()), action);

    Gtk::TreeView& tree = ListView1.tree();
    tree.signal_button_press_event().connect(
        [this, &tree](GdkEventButton* event) {
            if (event->type != GDK_BUTTON_PRESS || event->button != 3)
                return false;
            // The entry under the pointer is the one the menu acts on.
            Gtk::TreeModel::Path path;
            if (tree.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path))
                tree.set_cursor(path);
            popUpMenu(reinterpret_cast<GdkEvent*>(event));
            return true;
        },
        false);
    tree.signal_popup_menu().connect([this] {
        popUpMenu(nullptr);
        return true;
    });
}

void HistoryPane::enableAction(const char* name, bool enabled) {
    Glib::RefPtr<Gio::SimpleAction>::cast_dynamic(actions_->lookup_action(name))
        ->set_enabled(enabled);
}

void HistoryPane::listSavedVersions(const std::optional<std::string>& address) {
    // Until the history answers (at once, as a rule) there is nothing to open.
    versionRequests_.cancel();
    enableAction("open-saved", false);
    savedVersionsItem.set_sensitive(false);
    for (Gtk::Widget* item : savedVersionsMenu.get_children())
        savedVersionsMenu.remove(*item);
    if (!address || !keeper_.keeping())
        return;
    keeper_.savedVersions(
        *address, versionRequests_, [this, address = *address](std::vector<SavedVersion> versions) {
            if (versions.empty())
                return;
            enableAction("open-saved", true);
            savedVersionsItem.set_sensitive(true);
            for (auto version = versions.rbegin(); version != versions.rend(); ++version) {
                auto* item = Gtk::manage(new Gtk::MenuItem(dateInWords(version->saved) + " " +
                                                           timeOfDay(version->saved)));
                item->signal_activate().connect([this, address, saved = version->saved] {
                    open_.emit(savedPageAddress(address, saved), "");
                });
                savedVersionsMenu.append(*item);
            }
            savedVersionsMenu.show_all();
        });
}

void HistoryPane::popUpMenu(const GdkEvent* event) {
    const std::optional<std::string> selected = selectedAddress();
    const bool entry = selected.has_value();
    enableAction("delete", entry);
    enableAction("similar", entry);
    enableAction("exclude-site", entry && keeper_.keeping()); // only the kept history can
    listSavedVersions(selected);
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
