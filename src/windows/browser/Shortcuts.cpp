// SPDX-License-Identifier: MIT
// The keys people expect of a browser, wherever the focus is in the main window: Alt+Left and
// Alt+Right (and the mouse's back and forward buttons), Alt+Home, F5 and Ctrl+R, Ctrl+L and
// F6, Ctrl+F with F3 / Shift+F3, and Ctrl+plus, Ctrl+minus and Ctrl+0 for the page's zoom.
// Enter and Escape keep their own meanings in the address box and the history pane.

#include "Widgets.h"
#include "frmBrowser.h"

#include <gdk/gdkkeysyms.h>

namespace quillet {
namespace {

constexpr int kFindFieldWidth = 220; // pixels
constexpr int kFindFieldHeight = 26;

// The mouse's thumb buttons, as X11 and Wayland number them for GTK.
constexpr guint kMouseBack = 8;
constexpr guint kMouseForward = 9;

} // namespace

void frmBrowser::connectShortcuts() {
    findField_.set_no_show_all(true);
    findField_.set_placeholder_text("ページ内検索");
    findField_.set_tooltip_text("Enter: 次へ  Shift+Enter: 前へ  Esc: 閉じる");
    findField_.set_size_request(kFindFieldWidth, kFindFieldHeight);
    setAccessible(findField_, "ページ内検索", Atk::ROLE_ENTRY);
    fixed_.put(findField_, 0, 0); // put last: it lies over the page view

    // Before the focused control sees the key: shortcuts work wherever the focus is.
    signal_key_press_event().connect([this](GdkEventKey* event) { return onShortcutKey(*event); },
                                     false);
    // The mouse's back and forward buttons: the page view would take every button press for
    // the page, so it is asked first; elsewhere the press reaches the window.
    const auto thumbButton = [this](GdkEventButton* event) {
        if (event->type != GDK_BUTTON_PRESS)
            return false;
        if (event->button == kMouseBack)
            Image1_Click(kToolbarBack);
        else if (event->button == kMouseForward)
            Image1_Click(kToolbarForward);
        else
            return false;
        return true;
    };
    brwWebBrowser.widget().signal_button_press_event().connect(thumbButton, false);
    signal_button_press_event().connect(thumbButton, false);
    add_events(Gdk::BUTTON_PRESS_MASK);

    findField_.signal_changed().connect([this] { brwWebBrowser.FindText(findField_.get_text()); });
    findField_.signal_key_press_event().connect(
        [this](GdkEventKey* event) {
            const bool shift = event->state & GDK_SHIFT_MASK;
            if (event->keyval == GDK_KEY_Escape) {
                closeFindField();
                return true;
            }
            if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
                shift ? brwWebBrowser.FindPrevious() : brwWebBrowser.FindNext();
                return true;
            }
            return false;
        },
        true); // after the input method, which may be composing the text to find
    brwWebBrowser.signal_FoundMatches().connect([this](unsigned matches) {
        auto style = findField_.get_style_context();
        if (matches == 0 && !findField_.get_text().empty())
            style->add_class("error");
        else
            style->remove_class("error");
    });
    brwWebBrowser.widget().signal_size_allocate().connect(
        [this](Gtk::Allocation&) { placeOverPageView(findField_, PageCorner::BottomLeft); });
}

bool frmBrowser::onShortcutKey(const GdkEventKey& event) {
    const guint modifiers =
        event.state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK | GDK_SUPER_MASK);
    const bool ctrl = modifiers == GDK_CONTROL_MASK;
    const bool alt = modifiers == GDK_MOD1_MASK;
    const bool plain = modifiers == 0;
    const guint key = event.keyval;

    if (alt && (key == GDK_KEY_Left || key == GDK_KEY_KP_Left))
        Image1_Click(kToolbarBack);
    else if (alt && (key == GDK_KEY_Right || key == GDK_KEY_KP_Right))
        Image1_Click(kToolbarForward);
    else if (alt && (key == GDK_KEY_Home || key == GDK_KEY_KP_Home))
        Image1_Click(kToolbarHome);
    else if ((plain && key == GDK_KEY_F5) || (ctrl && (key == GDK_KEY_r || key == GDK_KEY_R)))
        Image1_Click(kToolbarRefresh);
    else if ((plain && key == GDK_KEY_F6) || (ctrl && (key == GDK_KEY_l || key == GDK_KEY_L))) {
        cboAddress.grab_focus(); // an entry selects its whole text as it takes the focus
        cboAddress.select_region(0, -1);
    } else if (ctrl && (key == GDK_KEY_f || key == GDK_KEY_F))
        openFindField();
    else if (key == GDK_KEY_F3 && findField_.get_visible())
        (modifiers == GDK_SHIFT_MASK) ? brwWebBrowser.FindPrevious() : brwWebBrowser.FindNext();
    else if ((ctrl || modifiers == (GDK_CONTROL_MASK | GDK_SHIFT_MASK)) &&
             (key == GDK_KEY_plus || key == GDK_KEY_equal || key == GDK_KEY_KP_Add))
        brwWebBrowser.ZoomIn(); // with Shift too, on keyboards where plus needs it
    else if (ctrl && (key == GDK_KEY_minus || key == GDK_KEY_KP_Subtract))
        brwWebBrowser.ZoomOut();
    else if (ctrl && (key == GDK_KEY_0 || key == GDK_KEY_KP_0))
        brwWebBrowser.ResetZoom();
    else
        return false;
    return true;
}

void frmBrowser::openFindField() {
    placeOverPageView(findField_, PageCorner::BottomLeft);
    findField_.show();
    findField_.grab_focus();
    findField_.select_region(0, -1);
    if (!findField_.get_text().empty())
        brwWebBrowser.FindText(findField_.get_text());
}

void frmBrowser::closeFindField() {
    brwWebBrowser.FindFinish();
    findField_.hide();
    brwWebBrowser.SetFocus();
}

void frmBrowser::placeOverPageView(Gtk::Widget& strip, PageCorner corner) {
    constexpr int kInset = 4; // from the page view's edges
    int x = 0, y = 0;
    brwWebBrowser.widget().translate_coordinates(fixed_, 0, 0, x, y);
    const Gtk::Allocation page = brwWebBrowser.widget().get_allocation();
    int width = 0, height = 0, natural = 0;
    strip.get_size_request(width, height);
    if (height < 0)
        strip.get_preferred_height(height, natural);
    const int left = corner == PageCorner::BottomLeft
                         ? x + kInset
                         : std::max(x, x + page.get_width() - width - kInset);
    const int top = std::max(y, y + page.get_height() - height - kInset);
    // Moving a control lays the window out again: only when the place really changes.
    if (fixed_.child_property_x(strip).get_value() != left ||
        fixed_.child_property_y(strip).get_value() != top)
        fixed_.move(strip, left, top);
}

} // namespace quillet
