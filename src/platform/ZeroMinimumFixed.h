// SPDX-License-Identifier: MIT
#pragma once
// A Gtk::Fixed that asks for no minimum size, so the window can be made smaller than where
// its controls stand; the layout moves them, controls past the edge are simply cut off.

#include <gtkmm/fixed.h>

namespace quillet {

class ZeroMinimumFixed : public Gtk::Fixed {
  protected:
    void get_preferred_width_vfunc(int& minimum, int& natural) const override {
        minimum = natural = 1;
    }
    void get_preferred_height_vfunc(int& minimum, int& natural) const override {
        minimum = natural = 1;
    }
};

} // namespace quillet
