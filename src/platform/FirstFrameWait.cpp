// SPDX-License-Identifier: MIT
#include "FirstFrameWait.h"

#include "Colors.h"
#include "PageMessages.h"
#include "PixelCopy.h"
#include "SignalGuard.h"

#include <algorithm>
#include <cstdlib>
#include <glibmm/main.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

namespace quillet {

void FirstFrameWait::start() {
    stop();
    script_.reset(g_cancellable_new());
    webkit_web_view_send_message_to_page(
        view_, webkit_user_message_new(page_messages::kFirstFrame, nullptr), script_.get(),
        Guarded<framesRan>::call, this);
    waitAtMostTheLongestWait();
}

void FirstFrameWait::startForCorner(std::uint32_t colour) {
    stop();
    waitAtMostTheLongestWait();
    // Each time the view draws (a new frame from the web process makes it), the corner is
    // looked at once the drawing is over; the check's own drawing does not count.
    drawn_ = widget_.signal_draw().connect(
        [this, colour](const Cairo::RefPtr<Cairo::Context>&) {
            if (!drawingForTheCheck_ && !cornerCheck_.connected())
                cornerCheck_ = Glib::signal_idle().connect([this, colour] {
                    checkCorner(colour);
                    return false;
                });
            return false;
        },
        true);
    checkCorner(colour); // the frame may be there already
}

void FirstFrameWait::stop() {
    if (script_)
        g_cancellable_cancel(script_.get());
    script_.reset();
    drawn_.disconnect();
    cornerCheck_.disconnect();
    timeout_.disconnect();
}

void FirstFrameWait::waitAtMostTheLongestWait() {
    ranOut_ = false;
    timeout_ = Glib::signal_timeout().connect(
        [this] {
            ranOut_ = true;
            end();
            return false;
        },
        kLongestWait);
}

void FirstFrameWait::end() {
    stop();
    shown_.emit();
}

void FirstFrameWait::checkCorner(std::uint32_t colour) {
    if (cornerShows(colour))
        end();
}

// What the window draws at the view's top left corner, as a capture reads it, is `colour`.
bool FirstFrameWait::cornerShows(std::uint32_t colour) {
    constexpr int kCorner = 8; // pixels each way
    auto* window = dynamic_cast<Gtk::Window*>(widget_.get_toplevel());
    int x = 0, y = 0;
    if (!window || !window->get_child() || !widget_.get_mapped() ||
        !widget_.translate_coordinates(*window->get_child(), 0, 0, x, y))
        return false;
    const PixelRect corner{x, y, std::min(kCorner, widget_.get_allocated_width()),
                           std::min(kCorner, widget_.get_allocated_height())};
    drawingForTheCheck_ = true;
    // Where the view has no pixel, the plain colour given is one the corner cannot match.
    const auto drawn = copyAndShrink(*window, corner, 1, 1, colour ^ 0x808080);
    drawingForTheCheck_ = false;
    const guint8* pixel = drawn->get_pixels();
    const Rgb wanted = decodeColour(colour);
    // A channel may be off by one where the window composites the view.
    const auto near = [](int drawnChannel, int wantedChannel) {
        return std::abs(drawnChannel - wantedChannel) <= 1;
    };
    return near(pixel[0], wanted.red) && near(pixel[1], wanted.green) &&
           near(pixel[2], wanted.blue);
}

// The page has run two animation frames: the first was drawn and handed to this process.
void FirstFrameWait::framesRan(GObject* webView, GAsyncResult* result, gpointer data) {
    GErrorPtr error;
    GObjectPtr<WebKitUserMessage> answer(
        webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(webView), result, out(error)));
    // Cancelled: a newer load, or the view is gone. Unanswered (the page was left, or its
    // process ended): the longest wait ends it.
    if (!answer)
        return;
    auto* wait = static_cast<FirstFrameWait*>(data);
    // The window draws the view once more; from then on it shows the page's own pixels.
    wait->drawn_ = wait->widget_.signal_draw().connect(
        [wait](const Cairo::RefPtr<Cairo::Context>&) {
            wait->end();
            return false;
        },
        true);
    wait->widget_.queue_draw();
}

} // namespace quillet
