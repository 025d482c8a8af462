// SPDX-License-Identifier: MIT
#pragma once
// A folder tree: the folders from the root down to the opened folder, and the folders inside
// it. Opening a row (double-click or Enter) makes it the opened folder, its Path. Only the
// opened folder is read, when it is opened.

#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>
#include <string>

namespace quillet {

class FolderList : public Gtk::ScrolledWindow {
  public:
    FolderList();

    const std::string& Path() const { return path_; }
    // Opens `folder`. A folder that cannot be read throws std::runtime_error and leaves the
    // list as it was.
    void setPath(const std::string& folder);

    Gtk::TreeView& tree() { return tree_; }
    // A row was opened and could not be read: the list stays; the window tells the user.
    sigc::signal<void(std::string, std::string)>& signal_open_failed() { return openFailed_; }

  private:
    struct Columns : Gtk::TreeModelColumnRecord {
        Gtk::TreeModelColumn<Glib::ustring> icon;
        Gtk::TreeModelColumn<Glib::ustring> label;
        Gtk::TreeModelColumn<std::string> path;
        Columns() {
            add(icon);
            add(label);
            add(path);
        }
    };
    Columns columns_;
    Glib::RefPtr<Gtk::TreeStore> store_;
    Gtk::TreeView tree_;
    std::string path_;
    sigc::signal<void(std::string, std::string)> openFailed_;
};

} // namespace quillet
