// SPDX-License-Identifier: MIT
#pragma once
// A handler without a trap of its own ends at the failing step; the user is told, and the
// program goes on.

#include <gtkmm/window.h>

namespace quillet {

// For the program's exception handler (Glib::add_exception_handler): reports the exception
// being handled on standard error and in a message box over `window`.
void reportHandlerFailure(Gtk::Window& window);

} // namespace quillet
