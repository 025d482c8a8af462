// SPDX-License-Identifier: MIT
#include "MutterInput.h"

#include "TestSupport.h"

#include <cstdlib>
#include <gdk/gdk.h>
#include <giomm/dbusconnection.h>
#include <glib.h>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace quillet::test {
namespace {

constexpr const char* kService = "org.gnome.Mutter.RemoteDesktop";

// xdotool's short names for the modifiers, then GDK's (X11's) key names.
unsigned keysymNamed(const std::string& name) {
    static const std::pair<const char*, const char*> kAliases[] = {
        {"ctrl", "Control_L"}, {"shift", "Shift_L"}, {"alt", "Alt_L"}, {"super", "Super_L"}};
    std::string gdkName = name;
    for (const auto& [alias, real] : kAliases)
        if (name == alias)
            gdkName = real;
    const unsigned keysym = gdk_keyval_from_name(gdkName.c_str());
    if (keysym == GDK_KEY_VoidSymbol)
        throw std::invalid_argument("no key named " + name);
    return keysym;
}

} // namespace

MutterInput& mutterInput() {
    static MutterInput input;
    return input;
}

bool underMutter() {
    const char* display = std::getenv("QUILLET_TEST_DISPLAY");
    return display && std::string(display).starts_with("mutter");
}

MutterInput::MutterInput() {
    auto bus = Gio::DBus::Connection::get_sync(Gio::DBus::BUS_TYPE_SESSION);
    auto desktop =
        Gio::DBus::Proxy::create_sync(bus, kService, "/org/gnome/Mutter/RemoteDesktop", kService);
    Glib::Variant<Glib::DBusObjectPathString> path;
    desktop->call_sync("CreateSession").get_child(path, 0);
    // The session lives as long as this connection and ends with it.
    session_ = Gio::DBus::Proxy::create_sync(bus, kService, path.get(),
                                             std::string(kService) + ".Session");
    session_->call_sync("Start");
    // mutter adds the virtual keyboard to its seat at its first key: a Shift, which types
    // nothing.
    key(GDK_KEY_Shift_L, true);
    key(GDK_KEY_Shift_L, false);
}

MutterInput::~MutterInput() {
    try {
        session_->call_sync("Stop");
    } catch (const Glib::Error&) {
        // mutter went first: the session ended with it
    }
}

void MutterInput::key(unsigned keysym, bool pressed) {
    session_->call_sync("NotifyKeyboardKeysym", Glib::VariantContainerBase::create_tuple(
                                                    {Glib::Variant<guint32>::create(keysym),
                                                     Glib::Variant<bool>::create(pressed)}));
    pumpFor(std::chrono::milliseconds(30)); // xdotool's --delay 30
}

void MutterInput::move(double dx, double dy) {
    session_->call_sync("NotifyPointerMotionRelative", Glib::VariantContainerBase::create_tuple(
                                                           {Glib::Variant<double>::create(dx),
                                                            Glib::Variant<double>::create(dy)}));
    pumpFor(std::chrono::milliseconds(50));
}

void MutterInput::click(Gtk::Widget& widget, int x, int y) {
    Gtk::Widget& toplevel = *widget.get_toplevel();
    int targetX = 0, targetY = 0;
    widget.translate_coordinates(toplevel, x, y, targetX, targetY);
    GdkWindow* window = toplevel.get_window()->gobj();
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(window)));
    const auto overWindow = [&](int& px, int& py) {
        GdkWindow* under = gdk_device_get_window_at_position(pointer, nullptr, nullptr);
        if (!under || gdk_window_get_toplevel(under) != window)
            return false;
        gdk_window_get_device_position(window, pointer, &px, &py, nullptr);
        return true;
    };
    // From the screen's top left, across it in steps until the pointer is over the window,
    // then straight to the point, read back until it is there. On a busy machine the pointer's
    // position can come late, and a move worked out from an old one overshoot the window:
    // the pointer then starts over.
    const auto reach = [&] {
        move(-100000, -100000);
        int px = 0, py = 0;
        bool found = false;
        for (int step = 0; step < 400 && !(found = overWindow(px, py)); ++step)
            move(step % 20 == 19 ? -1900 : 100, step % 20 == 19 ? 100 : 0);
        if (!found)
            throw std::runtime_error("the pointer came over no part of the window");
        for (int tries = 0; tries < 10 && (px != targetX || py != targetY); ++tries) {
            move(targetX - px, targetY - py);
            if (!overWindow(px, py))
                return false; // left the window on its way to the point
        }
        return px == targetX && py == targetY;
    };
    bool reached = false;
    for (int attempt = 0; attempt < 3 && !reached; ++attempt)
        reached = reach();
    if (!reached)
        throw std::runtime_error("the pointer did not reach the point");
    constexpr int kLeftButton = 0x110; // BTN_LEFT
    for (const bool pressed : {true, false})
        session_->call_sync("NotifyPointerButton", Glib::VariantContainerBase::create_tuple(
                                                       {Glib::Variant<int>::create(kLeftButton),
                                                        Glib::Variant<bool>::create(pressed)}));
    pumpFor(std::chrono::milliseconds(100));
}

void MutterInput::pressKeys(const std::string& keys) {
    std::istringstream chords(keys);
    for (std::string chord; chords >> chord;) {
        std::vector<unsigned> held;
        std::istringstream names(chord);
        for (std::string name; std::getline(names, name, '+');) {
            held.push_back(keysymNamed(name));
            key(held.back(), true);
        }
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            key(*it, false);
    }
    pumpFor(std::chrono::milliseconds(100));
}

void MutterInput::typeText(const std::string& text) {
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
        const unsigned keysym = gdk_unicode_to_keyval(g_utf8_get_char(p));
        key(keysym, true);
        key(keysym, false);
    }
    pumpFor(std::chrono::milliseconds(100));
}

} // namespace quillet::test
