// SPDX-License-Identifier: MIT
#include "FirstFrameWait.h"

#include "SignalGuard.h"

#include <glibmm/main.h>
#include <webkit2/webkit2.h>

namespace quillet {

void FirstFrameWait::start(Means means) {
    stop();
    running_.reset(g_cancellable_new());
    if (means == Means::Snapshot) {
        webkit_web_view_get_snapshot(view_, WEBKIT_SNAPSHOT_REGION_VISIBLE,
                                     WEBKIT_SNAPSHOT_OPTIONS_NONE, running_.get(),
                                     Guarded<snapshotTaken>::call, this);
    } else {
        // An isolated script world: the page's own requestAnimationFrame may be replaced.
        static constexpr const char* kTwoFrames =
            "await new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)));";
        webkit_web_view_call_async_javascript_function(view_, kTwoFrames, -1, nullptr, "quillet",
                                                       nullptr, running_.get(),
                                                       Guarded<framesRan>::call, this);
    }
    timeout_ = Glib::signal_timeout().connect(
        [this] {
            stop();
            shown_.emit();
            return false;
        },
        kLongestWait);
}

void FirstFrameWait::stop() {
    if (running_)
        g_cancellable_cancel(running_.get());
    running_.reset();
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
    // Whatever the script's outcome, the view's next draw shows the page's own pixels.
    static_cast<FirstFrameWait*>(data)->showAtNextDraw();
}

// The web process has laid out and painted the page for the snapshot, after the frames it
// had to hand over.
void FirstFrameWait::snapshotTaken(GObject* webView, GAsyncResult* result, gpointer data) {
    GErrorPtr error;
    cairo_surface_t* snapshot =
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(webView), result, out(error));
    if (snapshot)
        cairo_surface_destroy(snapshot);
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return;
    static_cast<FirstFrameWait*>(data)->showAtNextDraw();
}

// The window draws the view once more; from then on it shows the page's own pixels.
void FirstFrameWait::showAtNextDraw() {
    drawn_ = widget_.signal_draw().connect(
        [this](const Cairo::RefPtr<Cairo::Context>&) {
            stop();
            shown_.emit();
            return false;
        },
        true);
    widget_.queue_draw();
}

} // namespace quillet
