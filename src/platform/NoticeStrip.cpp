// SPDX-License-Identifier: MIT
#include "NoticeStrip.h"

#include "Widgets.h"

namespace quillet {

NoticeStrip::NoticeStrip(const std::string& accessibleName)
    : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 8) {
    styleWidget(*this, "box { background-color: #FFF8D6; color: #000000; border: 1px solid "
                       "#C8B560; padding: 2px 6px; }");
    setAccessible(*this, accessibleName, Atk::ROLE_INFO_BAR);
    text_.set_xalign(0);
    text_.set_line_wrap(true); // all of it, in a narrow window too
    text_.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
    pack_start(text_, true, true);
    pack_start(button_, false, false);
    button_.signal_clicked().connect([this] {
        if (pressed_)
            pressed_();
    });
    text_.show();
    button_.show();
    set_no_show_all(true);
    hide();
}

void NoticeStrip::tell(const std::string& text, const std::string& buttonLabel,
                       std::function<void()> pressed) {
    text_.set_text(text);
    button_.set_label(buttonLabel);
    pressed_ = std::move(pressed);
    show();
}

void NoticeStrip::withdraw() {
    hide();
    pressed_ = nullptr;
}

} // namespace quillet
