// SPDX-License-Identifier: MIT
// Start-up and shut-down of the main window: the window size, the thumbnail size and the
// history-pane width come from the settings store and go back to it.

#include "ErrorStyles.h"
#include "Form1.h"
#include "Form2.h"
#include "NumberText.h"
#include "ScreenMetrics.h"
#include "frmBrowser.h"

#include <cmath>
#include <stdexcept>

namespace quillet {
namespace {

// The smallest window that still shows its toolbar, address box and a page: 100 pixels each
// way. A stored size below it (zero from junk text, say) is refused like a negative one.
constexpr int kSmallestUsablePixels = 100;

// Window sizes are pixels on screen; this turns outer twips into the pixels to ask for. A size
// the screen cannot show, or too small to use, is refused, so the window stays usable.
int pixelsToAskFor(float twips, double twipsPerPixel, int screenPixels) {
    if (twips < 0)
        throw std::invalid_argument("a window size cannot be negative");
    const int pixels = roundHalfEven(twips / twipsPerPixel);
    if (pixels < kSmallestUsablePixels)
        throw std::invalid_argument("a window size too small to use");
    if (pixels > screenPixels)
        throw std::invalid_argument("a window size larger than the screen");
    return pixels;
}

// A stored number that is not finite (1e999 reads as infinity) is refused at its step like a
// failed conversion: nothing could show it, and it could never be written back.
double finite(double value) {
    if (!std::isfinite(value))
        throw std::out_of_range("a stored number that is not finite");
    return value;
}

} // namespace

PixelSize frmBrowser::outerPixels() const {
    return visibleOuterSize(*this,
                            {requested_.width < 0 ? kDesignClientArea.width : requested_.width,
                             requested_.height < 0 ? kDesignClientArea.height : requested_.height});
}

std::optional<int> frmBrowser::knownDecorationHeight() const {
    if (!decorationKnown(*this))
        return std::nullopt;
    return decorationSize(*this).height;
}

float frmBrowser::Width() const {
    return static_cast<float>(outerPixels().width * twipsPerPixelX());
}

float frmBrowser::Height() const {
    return static_cast<float>(outerPixels().height * twipsPerPixelY());
}

void frmBrowser::setWidth(float twips) {
    requested_.width = pixelsToAskFor(twips, twipsPerPixelX(), get_screen()->get_width());
    resizeToRequested();
}

void frmBrowser::setHeight(float twips) {
    requested_.height = pixelsToAskFor(twips, twipsPerPixelY(), get_screen()->get_height());
    resizeToRequested();
}

void frmBrowser::resizeToRequested() {
    // resize() sets the client area (and GTK's own title bar, where it draws one, is not
    // counted): what the decoration adds comes off the outer size.
    decorationAllowedFor_ = decorationSize(*this);
    requestedSizeOwed_ = true;
    const auto client = [](int outer, int decoration, int design) {
        return outer < 0 ? design : std::max(1, outer - decoration);
    };
    resize(client(requested_.width, decorationAllowedFor_.width, kDesignClientArea.width),
           client(requested_.height, decorationAllowedFor_.height, kDesignClientArea.height));
}

void frmBrowser::followOuterSize() {
    const PixelSize outer = outerPixels();
    if (requestedSizeOwed_ && decorationKnown(*this)) {
        // A size asked for before the window was framed counted no title bar: ask again now
        // that the frame is known, or the window would grow by its title bar at every start.
        if (decorationSize(*this) != decorationAllowedFor_)
            resizeToRequested();
        else if ((requested_.width < 0 || outer.width == requested_.width) &&
                 (requested_.height < 0 || outer.height == requested_.height))
            requestedSizeOwed_ = false;
    }
    // Both ask the display (X11 round trips): once each for every size the window goes through.
    const std::optional<int> decoration = knownDecorationHeight();
    if (outer == laidOutFor_ && decoration == laidOutForDecoration_)
        return;
    layOut(outer, decoration);
}

void frmBrowser::Form_Load() {
    const auto read = [this](const StoredSetting& setting) {
        return finite(readNumber(settings_.read(setting)));
    };
    continueOnError({
        [&] { setWidth(toSingle(read(kWindowWidth))); },
        [&] { setHeight(toSingle(read(kWindowHeight))); },
        [&] { tx = read(kThumbnailWidth); },
        [&] { ty = read(kThumbnailHeight); },
        [&] { historyWidth_ = read(kHistoryWidth); },
        // A link another program started the window for is the first page shown.
        [&] { addressesToVisit_.empty() ? brwWebBrowser.GoHome() : visitNextAddress(); },
    });
}

void frmBrowser::Form_Unload() {
    // An open dialog stays open, but the window it would hand values to is gone.
    if (form1_)
        form1_->mainWindowClosed();
    if (form2_)
        form2_->mainWindowClosed();
    timeline_.windowClosed();
    savedPages_.windowClosed();
    settings_.write({{kWindowWidth, writeNumber(Width(), Precision::Single)},
                     {kWindowHeight, writeNumber(Height(), Precision::Single)},
                     {kThumbnailWidth, writeNumber(tx, Precision::Double)},
                     {kThumbnailHeight, writeNumber(ty, Precision::Double)},
                     {kHistoryWidth, writeNumber(historyWidth_, Precision::Double)}});
}

} // namespace quillet
