// SPDX-License-Identifier: MIT
#pragma once
// Copies a rectangle of what a window shows on screen and shrinks it by averaging.

#include "PixelRect.h"

#include <cstdint>
#include <gdkmm/pixbuf.h>
#include <gtkmm/window.h>

namespace quillet {

// The window's client-area pixels inside `source`, scaled to width x height with every
// destination pixel the average of the source block it covers. Where `source` holds no pixel
// of the window (empty, negative or outside it), the result is filled with `plainColour`
// (0x00BBGGRR). Throws std::runtime_error when width or height is not positive.
Glib::RefPtr<Gdk::Pixbuf> copyAndShrink(Gtk::Window& window, PixelRect source, int width,
                                        int height, std::uint32_t plainColour);

} // namespace quillet
