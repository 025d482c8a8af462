// Start-up and shut-down of the main window: the window size, the thumbnail size and the
// history-pane width come from the settings store and go back to it.

#include "app/frmBrowser.h"
#include "dialogs/Form1.h"
#include "dialogs/Form2.h"
#include "platform/ErrorStyles.h"
#include "platform/NumberText.h"
#include "platform/ScreenMetrics.h"

#include <stdexcept>

namespace quillet {
namespace {

const std::string kApp = "Quillet";
const std::string kSection = "sets";

// Window sizes are pixels on screen; this turns outer twips into the pixels to ask for. A size
// the screen cannot show is refused like a negative one, so the window stays usable.
int pixelsToAskFor(float twips, double twipsPerPixel, int screenPixels) {
    if (twips < 0)
        throw std::invalid_argument("a window size cannot be negative");
    const int pixels = std::max(1, roundHalfEven(twips / twipsPerPixel));
    if (pixels > screenPixels)
        throw std::invalid_argument("a window size larger than the screen");
    return pixels;
}

} // namespace

Gdk::Rectangle frmBrowser::outerPixels() const {
    Gdk::Rectangle frame(0, 0, requestedWidth_, requestedHeight_);
    if (get_realized())
        get_window()->get_frame_extents(frame); // what the window really has, frame included
    return frame;
}

float frmBrowser::Width() const {
    return static_cast<float>(outerPixels().get_width() * twipsPerPixelX());
}

float frmBrowser::Height() const {
    return static_cast<float>(outerPixels().get_height() * twipsPerPixelY());
}

void frmBrowser::setWidth(float twips) {
    requestedWidth_ = pixelsToAskFor(twips, twipsPerPixelX(), get_screen()->get_width());
    resizeToRequested();
}

void frmBrowser::setHeight(float twips) {
    requestedHeight_ = pixelsToAskFor(twips, twipsPerPixelY(), get_screen()->get_height());
    resizeToRequested();
}

void frmBrowser::resizeToRequested() {
    // resize() sets the client area; the frame the window manager adds comes off the outer size.
    int frameWidth = 0, frameHeight = 0;
    if (get_realized()) {
        const Gdk::Rectangle frame = outerPixels();
        frameWidth = frame.get_width() - get_window()->get_width();
        frameHeight = frame.get_height() - get_window()->get_height();
    }
    resize(std::max(1, requestedWidth_ - frameWidth), std::max(1, requestedHeight_ - frameHeight));
}

void frmBrowser::Form_Load() {
    const auto read = [this](const char* key, const char* fallback) {
        return readNumber(settings_.read(kApp, kSection, key, fallback));
    };
    continueOnError({
        [&] { setWidth(toSingle(read("width_main", "8000"))); },
        [&] { setHeight(toSingle(read("height_main", "8000"))); },
        [&] { tx = read("width_thumb", "120"); },
        [&] { ty = read("height_thumb", "120"); },
        [&] { historyWidth_ = read("width_history", "2"); },
        [&] { brwWebBrowser.GoHome(); },
    });
}

void frmBrowser::Form_Unload() {
    // An open dialog stays open, but the window it would hand values to is gone.
    if (form1_)
        form1_->mainWindowClosed();
    if (form2_)
        form2_->mainWindowClosed();
    const auto write = [this](const char* key, const std::string& text) {
        settings_.write(kApp, kSection, key, text);
    };
    write("width_main", writeNumber(Width(), Precision::Single));
    write("height_main", writeNumber(Height(), Precision::Single));
    write("width_thumb", writeNumber(tx, Precision::Double));
    write("height_thumb", writeNumber(ty, Precision::Double));
    write("width_history", writeNumber(historyWidth_, Precision::Double));
}

} // namespace quillet
