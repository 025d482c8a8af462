// SPDX-License-Identifier: MIT
#include "Widgets.h"

#include "PlacedControl.h"
#include "UserPresent.h"

#include <atkmm/object.h>
#include <gdkmm/cursor.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/messagedialog.h>

namespace quillet {

void styleWidget(Gtk::Widget& widget, const std::string& css) {
    auto provider = Gtk::CssProvider::create();
    provider->load_from_data(css);
    widget.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

std::string japaneseFont(const std::string& points) {
    return "font: " + points + " " + kJapaneseFace + ";";
}

void styleWindow(Gtk::Window& window, const std::string& background, const std::string& text) {
    styleWidget(window, "window { background-color: " + background + "; color: " + text + "; " +
                            japaneseFont("9pt") + " }");
}

void makeToolWindow(Gtk::Window& window, const std::string& title, float widthTwips,
                    float heightTwips) {
    window.set_title(title);
    window.set_type_hint(Gdk::WINDOW_TYPE_HINT_UTILITY);
    window.set_skip_taskbar_hint(true);
    window.set_resizable(false);
    styleWindow(window, "@theme_bg_color", "@theme_fg_color");
    const int width = pixelsFromTwipsX(widthTwips);
    const int height = pixelsFromTwipsY(heightTwips);
    window.set_default_size(width, height);
    window.set_size_request(width, height);
}

void useHandPointer(Gtk::Widget& widget) {
    // Buttons have no window of their own to carry a cursor: set it on the window below
    // while the pointer is inside, and put the normal pointer back when it leaves.
    widget.add_events(Gdk::ENTER_NOTIFY_MASK | Gdk::LEAVE_NOTIFY_MASK);
    widget.signal_enter_notify_event().connect([&widget](GdkEventCrossing*) {
        if (auto window = widget.get_window())
            window->set_cursor(Gdk::Cursor::create(widget.get_display(), "pointer"));
        return false;
    });
    widget.signal_leave_notify_event().connect([&widget](GdkEventCrossing*) {
        if (auto window = widget.get_window())
            window->set_cursor();
        return false;
    });
}

void setAccessible(Gtk::Widget& widget, const std::string& name, Atk::Role role) {
    auto accessible = widget.get_accessible();
    accessible->set_name(name);
    accessible->set_role(role);
}

void showMessageBox(Gtk::Window* parent, const std::string& text) {
    Gtk::MessageDialog box(text, false, Gtk::MESSAGE_OTHER, Gtk::BUTTONS_OK, parent != nullptr);
    if (parent)
        box.set_transient_for(*parent);
    box.set_title("Quillet");
    runForUser(box);
}

bool askQuestion(Gtk::Window& parent, const std::string& title, const std::string& question,
                 const std::string& yes) {
    Gtk::MessageDialog dialog(parent, question, false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE,
                              true);
    dialog.set_title(title);
    dialog.add_button("キャンセル", Gtk::RESPONSE_CANCEL);
    dialog.add_button(yes, Gtk::RESPONSE_YES);
    dialog.set_default_response(Gtk::RESPONSE_CANCEL);
    return runForUser(dialog) == Gtk::RESPONSE_YES;
}

} // namespace quillet
