// SPDX-License-Identifier: MIT
#pragma once
// The small windows that pages' scripts open (a sign-in or payment window): each is related
// to the page that opened it, so that window.opener and window.close() work, and closes when
// the page closes it, when the user closes it, or with the main window.

#include <gtkmm/window.h>
#include <memory>
#include <sigc++/connection.h>
#include <vector>

typedef struct _WebKitWebView WebKitWebView;

namespace quillet {

class PagePermissions;

class ScriptWindows {
  public:
    // The windows' pages ask their permissions through `permissions`, which outlives them.
    explicit ScriptWindows(PagePermissions& permissions) : permissions_(permissions) {}
    ~ScriptWindows();
    ScriptWindows(const ScriptWindows&) = delete;
    ScriptWindows& operator=(const ScriptWindows&) = delete;

    // A window for a page `opener` opens, beside `owner`; shown once the page is ready. The
    // result is the new page's view, for WebKit's "create" signal.
    GtkWidget* open(WebKitWebView* opener, Gtk::Window* owner);
    std::size_t count() const { return windows_.size(); }

  private:
    static constexpr int kWidth = 500; // pixels
    static constexpr int kHeight = 600;
    void forget(Gtk::Window* window);

    PagePermissions& permissions_;
    std::vector<std::unique_ptr<Gtk::Window>> windows_;
    std::vector<Gtk::Window*> closed_;
    sigc::connection sweep_;
};

} // namespace quillet
