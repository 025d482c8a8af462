// SPDX-License-Identifier: MIT
// Downloads as the user sees them: a small strip over the page view's bottom-right corner says
// that a download started, how far it is and how it ended, and offers to stop it. The page
// view chooses the file (a free name in the download folder) and keeps half-written data out
// of it.

#include "Widgets.h"
#include "frmBrowser.h"

#include <cmath>
#include <glibmm/main.h>

namespace quillet {
namespace {

constexpr int kDownloadBarWidth = 320;    // pixels
constexpr unsigned kShownAfterTheEnd = 8; // seconds the last word stays

} // namespace

void frmBrowser::connectDownloads() {
    downloadText_.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
    downloadText_.set_xalign(0);
    downloadBar_.set_spacing(6);
    downloadBar_.set_size_request(kDownloadBarWidth, -1);
    downloadBar_.pack_start(downloadText_, true, true);
    downloadBar_.pack_start(downloadCancel_, false, false);
    styleWidget(downloadBar_, std::string("box { ") + kBlackOnWhite +
                                  " border: 1px solid #A0A0A0; padding: 2px 4px; }");
    setAccessible(downloadBar_, "ダウンロード", Atk::ROLE_STATUSBAR);
    downloadBar_.show_all();
    downloadBar_.set_no_show_all(true);
    downloadBar_.hide();
    fixed_.put(downloadBar_, 0, 0); // after the page view: it lies over it

    downloadCancel_.signal_clicked().connect([this] { brwWebBrowser.CancelDownloads(); });
    brwWebBrowser.signal_DownloadStarted().connect(
        [this](const std::string& name) { showDownloadState("ダウンロード中: " + name, true); });
    brwWebBrowser.signal_DownloadProgress().connect([this](const std::string& name,
                                                           double progress) {
        const int percent = static_cast<int>(std::floor(progress * 100));
        showDownloadState("ダウンロード中: " + name + " " + std::to_string(percent) + "%", true);
    });
    brwWebBrowser.signal_DownloadFinished().connect(
        [this](const std::string& name, const std::string& path) {
            showDownloadState("ダウンロードしました: " + name, false);
            downloadText_.set_tooltip_text(path);
        });
    brwWebBrowser.signal_DownloadFailed().connect(
        [this](const std::string& name, const std::string& reason) {
            showDownloadState("ダウンロードできませんでした: " + name + " (" + reason + ")", false);
        });
    brwWebBrowser.widget().signal_size_allocate().connect(
        [this](Gtk::Allocation&) { placeOverPageView(downloadBar_, PageCorner::BottomRight); });
}

void frmBrowser::showDownloadState(const std::string& text, bool cancellable) {
    downloadText_.set_text(text);
    downloadText_.set_tooltip_text(text);
    downloadCancel_.set_visible(cancellable);
    downloadBarTimeout_.disconnect();
    if (!cancellable)
        downloadBarTimeout_ = Glib::signal_timeout().connect_seconds(
            [this] {
                downloadBar_.hide();
                return false;
            },
            kShownAfterTheEnd);
    placeOverPageView(downloadBar_, PageCorner::BottomRight);
    downloadBar_.show();
}

} // namespace quillet
