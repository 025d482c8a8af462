// SPDX-License-Identifier: MIT
#pragma once
// Real key events under mutter, which has no X server beside it for xdotool: they go in through
// mutter's remote-desktop session (a virtual keyboard of the compositor's own, the one
// gnome-remote-desktop uses), so the window gets them exactly as from a keyboard.

#include <giomm/dbusproxy.h>
#include <gtkmm/widget.h>
#include <string>

namespace quillet::test {

// Whether the session's compositor is mutter (run-in-session.sh's "mutter" display).
bool underMutter();

class MutterInput {
  public:
    MutterInput(); // starts a remote-desktop session on the session bus
    ~MutterInput();
    MutterInput(const MutterInput&) = delete;
    MutterInput& operator=(const MutterInput&) = delete;

    // Keys as xdotool names them: "ctrl+shift+u Return" presses the chords one after another.
    void pressKeys(const std::string& keys);
    // `text` one character at a time (the keysym of each character).
    void typeText(const std::string& text);
    // A left click at `x`, `y` of `widget`. A Wayland client cannot learn where its window is:
    // the pointer is steered there, moved and read back in the window's own coordinates.
    void click(Gtk::Widget& widget, int x, int y);

  private:
    void key(unsigned keysym, bool pressed);
    void move(double dx, double dy);
    Glib::RefPtr<Gio::DBus::Proxy> session_;
};

// The test process's one remote-desktop session. Headless mutter has no keyboard until it
// starts, and gives no window the focus without one: the window tests start it first.
MutterInput& mutterInput();

} // namespace quillet::test
