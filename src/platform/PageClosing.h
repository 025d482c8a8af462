// SPDX-License-Identifier: MIT
#pragma once
// Whether the page may be closed: a page with unsaved input asks the user first (its
// beforeunload prompt, asked in Japanese); a page that gives no answer (its process is gone or
// hangs) does not hold the window.

#include <functional>
#include <gtkmm/widget.h>
#include <sigc++/connection.h>

typedef struct _WebKitWebView WebKitWebView;

namespace quillet {

class PageClosing {
  public:
    PageClosing(WebKitWebView* view, Gtk::Widget& widget);
    ~PageClosing();
    PageClosing(const PageClosing&) = delete;
    PageClosing& operator=(const PageClosing&) = delete;

    // `agreed` runs once the page may close; when the user keeps the page, nothing happens.
    // Without an answer, after a short wait `agreed` runs all the same.
    void ask(std::function<void()> agreed);

  private:
    struct Signals;
    static constexpr unsigned kAnswerWait = 1500; // milliseconds

    WebKitWebView* view_;
    Gtk::Widget& widget_; // the page view, whose window the question belongs to
    std::function<void()> agreed_;
    sigc::connection answerTimeout_;
    bool askingUser_ = false;
};

} // namespace quillet
