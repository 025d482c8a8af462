// SPDX-License-Identifier: MIT
#include "ImageButton.h"

#include "SharpPicture.h"
#include "Widgets.h"

namespace quillet {

ImageButton::ImageButton(const std::string& resource, int width, int height,
                         const std::string& tooltip, const std::string& name) {
    showSharpPicture(picture_, resource, width, height);
    add(picture_);
    set_relief(Gtk::RELIEF_NONE);
    set_can_focus(false);
    // Only the picture shows: no frame, no padding, no hover shading.
    styleWidget(*this, "button { padding: 0; margin: 0; border: none; min-width: 0; "
                       "min-height: 0; background: none; box-shadow: none; outline: none; }");
    if (!tooltip.empty())
        set_tooltip_text(tooltip);
    useHandPointer(*this);
    setAccessible(*this, name, Atk::ROLE_PUSH_BUTTON);
}

} // namespace quillet
