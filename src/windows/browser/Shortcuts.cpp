// SPDX-License-Identifier: MIT
// The keys people expect of a browser, wherever the focus is in the main window: Alt+Left and
// Alt+Right (and the mouse's back and forward buttons), Alt+Home, F5 and Ctrl+R, Ctrl+L and
// F6, Ctrl+F with F3 / Shift+F3, Ctrl+H (the history's search), Ctrl+Shift+H (the timeline), and
// Ctrl+plus, Ctrl+minus and Ctrl+0 for the page's zoom. Enter and Escape keep their own meanings in
// the address box and the history pane.

#include "frmBrowser.h"

#include <gdk/gdkkeysyms.h>

namespace quillet {
namespace {

// The mouse's thumb buttons, as X11 and Wayland number them for GTK.
constexpr guint kMouseBack = 8;
constexpr guint kMouseForward = 9;

} // namespace

void frmBrowser::connectShortcuts() {
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
    brwWebBrowser.Widget().signal_button_press_event().connect(thumbButton, false);
    signal_button_press_event().connect(thumbButton, false);
    add_events(Gdk::BUTTON_PRESS_MASK);
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
        findBar.open();
    else if (ctrl && (key == GDK_KEY_h || key == GDK_KEY_H))
        historyPane_.openSearch();
    else if (modifiers == (GDK_CONTROL_MASK | GDK_SHIFT_MASK) &&
             (key == GDK_KEY_h || key == GDK_KEY_H))
        historyPane_.openTimeline();
    else if (key == GDK_KEY_F3 && findBar.isOpen())
        (modifiers == GDK_SHIFT_MASK) ? findBar.findPrevious() : findBar.findNext();
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

} // namespace quillet
