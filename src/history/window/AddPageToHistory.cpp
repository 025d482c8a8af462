// SPDX-License-Identifier: MIT
// Page capture: the page as it shows in the window becomes a thumbnail, and the page's
// address, title and visit time a new history entry.

#include "Colors.h"
#include "ErrorStyles.h"
#include "HistoryRules.h"
#include "NumberText.h"
#include "PixelCopy.h"
#include "ScreenMetrics.h"
#include "ThumbnailCodec.h"
#include "TimelinePage.h"
#include "frmBrowser.h"

namespace quillet {
namespace {

// The image list holds pictures of one size, set by the first; a thumbnail made after the
// size was changed during the run is scaled to it.
Glib::RefPtr<Gdk::Pixbuf> fitToList(const Glib::RefPtr<Gdk::Pixbuf>& picture,
                                    const ImageList& list) {
    if (list.imageWidth() == 0 ||
        (picture->get_width() == list.imageWidth() && picture->get_height() == list.imageHeight()))
        return picture;
    return picture->scale_simple(list.imageWidth(), list.imageHeight(), Gdk::INTERP_BILINEAR);
}

} // namespace

void frmBrowser::AddPageToHistory() {
    // One of our own error pages stands in for an address that failed: recording it would
    // take that address's place in the history, and the real page could never be added.
    if (brwWebBrowser.ShowingErrorPage())
        return;
    // The timeline and a saved copy show the history; they are not pages of it.
    if (isTimelineAddress(brwWebBrowser.LocationURL()) ||
        isSavedCopyAddress(brwWebBrowser.LocationURL()))
        return;
    // Stops at the first failing step; whatever the steps before it did stays done.
    stopSilently([this] {
        placedPicture2->setPixelSize(tx, ty);

        const PixelRect source = captureSourceRect(
            placedPageView->left(), placedPageView->top(), placedPageView->width(),
            placedPageView->height(), twipsPerPixelX(), twipsPerPixelY());
        Glib::RefPtr<Gdk::Pixbuf> thumbnail;
        pageArea_.withoutStrips([&] {
            thumbnail = copyAndShrink(*this, source, roundHalfEven(tx), roundHalfEven(ty),
                                      kWindowBackground);
        });
        Picture2.setImage(thumbnail); // the last thumbnail made stays on the capture surface

        const std::string address = brwWebBrowser.LocationURL();
        const std::string title = brwWebBrowser.LocationName();
        const auto now = clock_();
        const bool known = ImageList1.contains(address);
        // Packed once, for the pane (a new address) and for the history (every visit kept, and
        // this run's new pages, whose look the history works out from it).
        PackedImage packed;
        if (!known || keeper_->keeping())
            packed = packThumbnail(fitToList(thumbnail, ImageList1));
        historyPane_.noteVisit(address, toStoredTime(now));
        recorder_->record(PageVisit{address, title, toStoredTime(now), packed, {}});
        const int n = nextPosition(ImageList1.count());
        // A known address stops here, as adding its key would fail: nothing is added.
        if (known)
            return;
        ImageList1.add(n, address, std::move(packed));
        ListView1.addItem(n, address, address, n);
        ListView1.setSubItem(n, kTitleColumn, title);
        ListView1.setSubItem(n, kVisitTimeColumn, formatVisitTime(now));
    });
}

} // namespace quillet
