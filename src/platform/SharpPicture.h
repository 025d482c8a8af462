// SPDX-License-Identifier: MIT
#pragma once
// Shows a built-in picture at a size in screen pixels, drawn from the picture made for the
// screen's scale: on a HiDPI screen (scale 2) from a picture of twice the pixels, so that it
// stays sharp instead of being enlarged.

#include <gtkmm/image.h>
#include <string>

namespace quillet {

// `resource` names the picture for scale 1 ("/org/quillet/pictures/go.png"); its scale-2
// companion has "@2x" before the extension. Follows later changes of the screen's scale.
void showSharpPicture(Gtk::Image& image, const std::string& resource, int width, int height);

} // namespace quillet
