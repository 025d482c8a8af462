// SPDX-License-Identifier: MIT
#include "DriveList.h"

#include <algorithm>
#include <giomm/file.h>
#include <giomm/mount.h>
#include <giomm/volumemonitor.h>

namespace quillet {

DriveList::DriveList() = default;

void DriveList::fill(const std::string& folder) {
    remove_all();
    roots_.clear();
    std::vector<std::pair<std::string, std::string>> drives{{"/", ""}};
    for (const auto& mount : Gio::VolumeMonitor::get()->get_mounts()) {
        const auto root = mount->get_root();
        if (root && root->get_path() != "" && root->get_path() != "/")
            drives.emplace_back(root->get_path(), mount->get_name());
    }
    std::sort(drives.begin(), drives.end());
    for (const auto& [root, name] : drives) {
        roots_.push_back(root);
        append(name.empty() ? root : root + " [" + name + "]");
    }
    // The drive that holds the folder: the longest root that begins its path.
    std::string best = "/";
    for (const std::string& root : roots_)
        if (folder.starts_with(root) &&
            (folder.size() == root.size() || folder[root.size()] == '/') &&
            root.size() > best.size())
            best = root;
    selectRoot(best);
}

std::string DriveList::Drive() const {
    const int row = get_active_row_number();
    return row < 0 ? "" : roots_[static_cast<std::size_t>(row)];
}

void DriveList::selectRoot(const std::string& root) {
    const auto found = std::find(roots_.begin(), roots_.end(), root);
    if (found != roots_.end())
        set_active(static_cast<int>(found - roots_.begin()));
}

} // namespace quillet
