// SPDX-License-Identifier: MIT
#include "FindBar.h"

#include "Widgets.h"

#include <gdk/gdkkeysyms.h>

namespace quillet {

FindBar::FindBar(PageView& page) : page_(page) {
    set_no_show_all(true);
    set_placeholder_text("ページ内検索");
    set_tooltip_text("Enter: 次へ  Shift+Enter: 前へ  Esc: 閉じる");
    set_size_request(kWidth, kHeight);
    setAccessible(*this, "ページ内検索", Atk::ROLE_ENTRY);

    signal_changed().connect([this] { page_.FindText(get_text()); });
    // After the input method, which may be composing the text to find.
    signal_key_press_event().connect([this](GdkEventKey* event) { return onKeyPress(*event); },
                                     true);
    page_.signal_FoundMatches().connect([this](unsigned matches) {
        auto style = get_style_context();
        if (matches == 0 && !get_text().empty())
            style->add_class("error");
        else
            style->remove_class("error");
    });
}

bool FindBar::onKeyPress(const GdkEventKey& event) {
    if (event.keyval == GDK_KEY_Escape) {
        close();
        return true;
    }
    if (event.keyval == GDK_KEY_Return || event.keyval == GDK_KEY_KP_Enter) {
        (event.state & GDK_SHIFT_MASK) ? findPrevious() : findNext();
        return true;
    }
    return false;
}

void FindBar::open() {
    show();
    grab_focus();
    select_region(0, -1);
    if (!get_text().empty())
        page_.FindText(get_text());
}

void FindBar::close() {
    page_.FindFinish();
    hide();
    page_.SetFocus();
}

} // namespace quillet
