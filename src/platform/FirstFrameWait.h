// SPDX-License-Identifier: MIT
#pragma once
// A finished load is not yet a page on screen: with GL compositing the window keeps showing
// the previous frame (or none, just after start) until the web process has drawn the new one
// and handed it over. Two animation frames in the page's own time (counted by Quillet's
// extension in the web process), then one draw of the view, mark that point. A page of
// Quillet's own whose corner colour is known is instead watched for in what the window draws,
// so that showing it runs no script (and starts no script engine). A page that never gets
// there (its scripts hang, the window is hidden) is waited for no longer than kLongestWait.

#include "GObjectPtr.h"

#include <cstdint>
#include <gtkmm/widget.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _GCancellable GCancellable;

namespace quillet {

class FirstFrameWait {
  public:
    FirstFrameWait(WebKitWebView* view, Gtk::Widget& widget) : view_(view), widget_(widget) {}
    ~FirstFrameWait() { stop(); }
    FirstFrameWait(const FirstFrameWait&) = delete;
    FirstFrameWait& operator=(const FirstFrameWait&) = delete;

    void start(); // the load finished
    // The load finished of a page whose top left corner is `colour` (0x00BBGGRR) on screen.
    void startForCorner(std::uint32_t colour);
    void stop(); // a new load started, or the frame is on screen
    bool waiting() const { return timeout_.connected(); }
    // Whether the last wait ended at kLongestWait rather than with the page on screen.
    bool ranOut() const { return ranOut_; }
    // The page's frame is on screen (or was waited for long enough).
    sigc::signal<void()>& signal_shown() { return shown_; }

  private:
    static void framesRan(GObject* webView, GAsyncResult* result, gpointer data);
    void waitAtMostTheLongestWait();
    void checkCorner(std::uint32_t colour);
    bool cornerShows(std::uint32_t colour);
    void end();
    static constexpr unsigned kLongestWait = 2000; // milliseconds

    WebKitWebView* view_;
    Gtk::Widget& widget_;
    GObjectPtr<GCancellable> script_;
    sigc::connection drawn_;
    sigc::connection cornerCheck_;
    sigc::connection timeout_; // connected while the frame is awaited
    bool drawingForTheCheck_ = false;
    bool ranOut_ = false;
    sigc::signal<void()> shown_;
};

} // namespace quillet
