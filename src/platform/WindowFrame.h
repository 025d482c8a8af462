// SPDX-License-Identifier: MIT
#pragma once
// The size of a top-level window as the user sees it: the client area plus the title bar and
// border, whoever draws them (the window manager on X11, GTK itself on Wayland), and never
// the invisible shadow a client-side decorated window carries around it.

#include <gtkmm/window.h>

namespace quillet {

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// The visible outer size, or `fallback` while the window is not on screen.
PixelSize visibleOuterSize(const Gtk::Window& window, PixelSize fallback);

// What the title bar and border add to the size that Gtk::Window::resize() takes; zero while
// the window is not on screen (the decoration is not known before that).
PixelSize decorationSize(const Gtk::Window& window);

// Whether the window's decoration is known: GTK's own once the window is on screen; a window
// manager's once it has framed the window and said so (_NET_FRAME_EXTENTS), where it is one
// that says so.
bool decorationKnown(const Gtk::Window& window);

// Where the window's content (its one child) starts in the top-level's own coordinates.
PixelSize contentOrigin(const Gtk::Window& window);

} // namespace quillet
