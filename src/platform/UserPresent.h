// SPDX-License-Identifier: MIT
#pragma once
// Showing a window the user asked for, so that it gets the focus. A window manager that
// prevents focus stealing gives a new window the focus only when it carries the time of the
// user's action that opened it, newer than the user's last action in the window they were
// using; without it (GTK's plain present()), the user's typing keeps going to the main window.

#include <gtkmm/dialog.h>
#include <gtkmm/window.h>

namespace quillet {

// Shows `window` in front with the time of the click or key being handled, or, where none is
// (a page's request), the last one the display saw; on Wayland it is then activated with the
// last input's serial once mapped.
void presentForUser(Gtk::Window& window);

// presentForUser, then the dialog's own modal loop; returns its response.
int runForUser(Gtk::Dialog& dialog);

} // namespace quillet
