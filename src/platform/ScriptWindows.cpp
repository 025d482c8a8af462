// SPDX-License-Identifier: MIT
#include "ScriptWindows.h"

#include "PagePermissions.h"
#include "SignalGuard.h"

#include <algorithm>
#include <glibmm/main.h>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

void readyToShow(WebKitWebView*, gpointer window) {
    static_cast<Gtk::Window*>(window)->show_all();
}

void titleChanged(WebKitWebView* page, GParamSpec*, gpointer window) {
    const char* title = webkit_web_view_get_title(page);
    static_cast<Gtk::Window*>(window)->set_title(title ? title : "");
}

// The page's window.close(): the window goes, as when the user closes it.
void closeRequested(WebKitWebView*, gpointer window) {
    static_cast<Gtk::Window*>(window)->hide();
}

} // namespace

ScriptWindows::~ScriptWindows() {
    windows_.clear();    // the windows pages opened close with the main window
    sweep_.disconnect(); // which their closing may have asked for again
}

GtkWidget* ScriptWindows::open(WebKitWebView* opener, Gtk::Window* owner) {
    auto* page = WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(opener));
    permissions_.watch(page);
    auto window = std::make_unique<Gtk::Window>();
    window->set_default_size(kWidth, kHeight);
    if (owner)
        window->set_transient_for(*owner);
    window->add(*Gtk::manage(Glib::wrap(GTK_WIDGET(page))));
    Gtk::Window* shown = window.get();
    windows_.push_back(std::move(window));
    connectGuarded<readyToShow>(page, "ready-to-show", shown);
    connectGuarded<titleChanged>(page, "notify::title", shown);
    connectGuarded<closeRequested>(page, "close", shown);
    shown->signal_hide().connect([this, shown] { forget(shown); });
    return GTK_WIDGET(page);
}

void ScriptWindows::forget(Gtk::Window* window) {
    // Destroyed once the signal that closed it has returned, not inside it.
    closed_.push_back(window);
    if (!sweep_.connected())
        sweep_ = Glib::signal_idle().connect([this] {
            std::erase_if(windows_, [this](const std::unique_ptr<Gtk::Window>& window) {
                return std::ranges::find(closed_, window.get()) != closed_.end();
            });
            closed_.clear();
            return false;
        });
}

} // namespace quillet
