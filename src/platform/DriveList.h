// SPDX-License-Identifier: MIT
#pragma once
// The drives of this machine: its mounted file systems (and "/"), each shown as its root
// path, followed by the mount's name in brackets where it has one.

#include <gtkmm/comboboxtext.h>
#include <string>
#include <vector>

namespace quillet {

class DriveList : public Gtk::ComboBoxText {
  public:
    DriveList();
    // Reads the mounts afresh and selects the drive that holds `folder`.
    void fill(const std::string& folder);
    // The root path of the selected drive ("" when none is selected).
    std::string Drive() const;
    void selectRoot(const std::string& root);
    const std::vector<std::string>& roots() const { return roots_; }

  private:
    std::vector<std::string> roots_;
};

} // namespace quillet
