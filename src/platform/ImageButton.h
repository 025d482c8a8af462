// SPDX-License-Identifier: MIT
#pragma once
// A flat button that shows a built-in picture at the picture's own size, with the hand
// pointer and, when given, a tooltip. Screen readers see a push button named `name`.

#include <gtkmm/button.h>
#include <gtkmm/image.h>
#include <string>

namespace quillet {

class ImageButton : public Gtk::Button {
  public:
    // `resource` is a picture in the program's resources, drawn at width x height pixels.
    ImageButton(const std::string& resource, int width, int height, const std::string& tooltip,
                const std::string& name);

  private:
    Gtk::Image picture_;
};

} // namespace quillet
