// SPDX-License-Identifier: MIT
#include "FolderList.h"

#include "Widgets.h"

#include <algorithm>
#include <filesystem>
#include <gtkmm/cellrendererpixbuf.h>
#include <gtkmm/cellrenderertext.h>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace quillet {
namespace {

std::vector<std::string> subfolders(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        throw std::runtime_error(error.message());
    for (const auto& entry : entries) {
        std::error_code ignored;
        if (entry.is_directory(ignored))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

FolderList::FolderList() : store_(Gtk::TreeStore::create(columns_)) {
    tree_.set_model(store_);
    tree_.set_headers_visible(false);
    auto* column = Gtk::manage(new Gtk::TreeViewColumn());
    auto* icon = Gtk::manage(new Gtk::CellRendererPixbuf());
    auto* label = Gtk::manage(new Gtk::CellRendererText());
    column->pack_start(*icon, false);
    column->pack_start(*label, true);
    column->add_attribute(icon->property_icon_name(), columns_.icon);
    column->add_attribute(label->property_text(), columns_.label);
    tree_.append_column(*column);
    add(tree_);
    set_shadow_type(Gtk::SHADOW_IN);
    set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    setAccessible(tree_, "フォルダ", Atk::ROLE_TREE_TABLE);
    tree_.signal_row_activated().connect(
        [this](const Gtk::TreeModel::Path& row, Gtk::TreeViewColumn*) {
            const std::string folder = (*store_->get_iter(row))[columns_.path];
            try {
                setPath(folder);
            } catch (const std::exception& error) {
                openFailed_.emit(folder, error.what());
            }
        });
}

void FolderList::setPath(const std::string& folder) {
    const std::string absolute = fs::absolute(fs::path(folder)).lexically_normal().string();
    std::string opened = absolute.size() > 1 && absolute.ends_with('/')
                             ? absolute.substr(0, absolute.size() - 1)
                             : absolute;
    const std::vector<std::string> inside = subfolders(opened); // throws before changing a thing

    store_->clear();
    Gtk::TreeModel::iterator openedRow;
    fs::path sofar;
    for (const auto& part : fs::path(opened)) {
        sofar /= part;
        openedRow = openedRow ? store_->append(openedRow->children()) : store_->append();
        (*openedRow)[columns_.icon] = "folder-open";
        (*openedRow)[columns_.label] = part.string();
        (*openedRow)[columns_.path] = sofar.string();
    }
    for (const std::string& name : inside) {
        auto row = *store_->append(openedRow->children());
        row[columns_.icon] = "folder";
        row[columns_.label] = name;
        row[columns_.path] = (fs::path(opened) / name).string();
    }
    tree_.expand_all();
    path_ = opened;
    tree_.get_selection()->select(openedRow);
    tree_.scroll_to_row(store_->get_path(openedRow));
}

} // namespace quillet
