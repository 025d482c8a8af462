#pragma once
// Small helpers shared by the windows: CSS on one widget, the hand pointer, accessible names,
// and the program's message box.

#include <gtkmm/widget.h>
#include <gtkmm/window.h>
#include <string>

namespace quillet {

void styleWidget(Gtk::Widget& widget, const std::string& css);

// The hand pointer over a clickable picture or link.
void useHandPointer(Gtk::Widget& widget);

void setAccessible(Gtk::Widget& widget, const std::string& name, Atk::Role role);

// An OK-only message box without an icon, titled "Quillet"; returns when it is closed.
void showMessageBox(Gtk::Window* parent, const std::string& text);

} // namespace quillet
