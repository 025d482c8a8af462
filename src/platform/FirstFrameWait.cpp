// SPDX-License-Identifier: MIT
#include "FirstFrameWait.h"

#include "SignalGuard.h"

#include <glibmm/main.h>
#include <webkit2/webkit2.h>

namespace quillet {

void FirstFrameWait::start() {
    stop();
    script_.reset(g_cancellable_new());
    // An isolated script world: the page's own requestAnimationFrame may be replaced.
    static constexpr const char* kTwoFrames =
        "await new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)));";
    webkit_web_view_call_async_javascript_function(view_, kTwoFrames, -1, nullptr, "quillet",
                                                   nullptr, script_.get(), Guarded<framesRan>::call,
                                                   this);
    timeout_ = Glib::signal_timeout().connect(
        [this] {
            stop();
            shown_.emit();
            return false;
        },
        kLongestWait);
}

void FirstFrameWait::stop() {
    if (script_)
        g_cancellable_cancel(script_.get());
    script_.reset();
    drawn_.disconnect();
    timeout_.disconnect();
}

// The page has run two animation frames: the first was drawn and handed to this process.
void FirstFrameWait::framesRan(GObject* webView, GAsyncResult* result, gpointer data) {
    GErrorPtr error;
    GObjectPtr<JSCValue> value(webkit_web_view_call_async_javascript_function_finish(
        WEBKIT_WEB_VIEW(webView), result, out(error)));
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return; // a newer load, or the view is gone
    auto* wait = static_cast<FirstFrameWait*>(data);
    // Whatever the script's outcome, the window draws the view once more; from then on it
    // shows the page's own pixels.
    wait->drawn_ = wait->widget_.signal_draw().connect(
        [wait](const Cairo::RefPtr<Cairo::Context>&) {
            wait->stop();
            wait->shown_.emit();
            return false;
        },
        true);
    wait->widget_.queue_draw();
}

} // namespace quillet
