// SPDX-License-Identifier: MIT
// Everything on the main window that starts a page or reports its loading: the address box,
// the toolbar, the links beside the address box and the once-a-second load indicator.

#include "Colors.h"
#include "ErrorStyles.h"
#include "Layout.h"
#include "ScreenMetrics.h"
#include "SearchText.h"
#include "frmBrowser.h"

#include <glibmm/exceptionhandler.h>
#include <glibmm/main.h>
#include <utility>

namespace quillet {
namespace {

std::string makerPage(const char* path) {
    return std::string("http://") + kMakerHost + path;
}

} // namespace

void frmBrowser::cboAddress_KeyPress(int keyAscii) {
    if (keyAscii == kKeyEnter) {
        brwWebBrowser.Navigate(cboAddress.get_text());
        brwWebBrowser.SetFocus();
    } else if (keyAscii == kKeyEscape) {
        FindInHistory(cboAddress.get_text(), SearchMode::Full);
    }
}

void frmBrowser::Image1_Click(int index) {
    continueOnError({[&] {
        switch (index) {
        case kToolbarBack:
            brwWebBrowser.GoBack();
            break;
        case kToolbarForward:
            brwWebBrowser.GoForward();
            break;
        case kToolbarRefresh:
            brwWebBrowser.Refresh();
            break;
        case kToolbarHome:
            brwWebBrowser.GoHome();
            break;
        case kToolbarSearch:
            brwWebBrowser.Navigate(makerPage("/004/gear.shtml"));
            brwWebBrowser.SetFocus();
            break;
        case kToolbarStop:
            brwWebBrowser.Stop();
            break;
        case kToolbarHistoryWidth:
            historyWidth_ += 1;
            if (historyWidth_ == 4)
                historyWidth_ = 1;
            Form_Resize();
            break;
        default:
            break;
        }
    }});
}

void frmBrowser::Image2_Click() {
    brwWebBrowser.Navigate(cboAddress.get_text());
    brwWebBrowser.SetFocus();
}

void frmBrowser::Image3_Click() {
    FindInHistory(cboAddress.get_text(), SearchMode::Full);
}

void frmBrowser::Label7_Click() {
    brwWebBrowser.Navigate(makerPage("/004/"));
    brwWebBrowser.SetFocus();
}

void frmBrowser::openAtWords(const std::string& address, const std::string& words) {
    passageWords_ = words;
    brwWebBrowser.Navigate(address);
}

void frmBrowser::brwWebBrowser_DownloadBegin() {
    startTimer();
    openRefused_.clear();
    Label1.set_text("");
    setStatusColour(kLoadingGreen);
}

void frmBrowser::brwWebBrowser_OpenRefused(const std::string& refused) {
    // While the page loads, the status line counts seconds: the word waits until it is shown.
    openRefused_ = refused;
    if (!timTimer_.connected())
        Label1.set_text(refused);
}

void frmBrowser::startTimer() {
    if (timTimer_.connected())
        return; // already running: the next tick keeps its time
    timTimer_ = Glib::signal_timeout().connect(
        [this] {
            // A failing tick is reported like any handler failure; the timer keeps running.
            try {
                timTimer_Timer();
            } catch (...) {
                Glib::exception_handlers_invoke();
            }
            return true;
        },
        1000);
}

void frmBrowser::timTimer_Timer() {
    if (!brwWebBrowser.Busy()) {
        timTimer_.disconnect();
        set_title(windowCaption(privacy_, brwWebBrowser.LocationName()));
        setStatusColour(kBlack);
        Label1.set_text(openRefused_.empty() ? "ページが表示されました" : openRefused_);
        cboAddress.set_text(brwWebBrowser.LocationURL());
        // A page opened from a match of a word search (the pane's, or the timeline's just
        // shown) opens at the words; any other at its top.
        std::string words = std::exchange(passageWords_, {});
        if (words.empty() && isTimelineAddress(shownAddress_))
            words = timeline_.wordsThatFound(brwWebBrowser.LocationURL()).value_or("");
        shownAddress_ = brwWebBrowser.LocationURL();
        AddPageToHistory();
        // After the capture: the thumbnail shows the page's top, as every visit's does.
        if (!words.empty())
            brwWebBrowser.ShowPassage(typedWords(words));
        visitNextAddress();
    } else {
        set_title(windowCaption(privacy_, "読み込み中..."));
        Label1.set_text(Label1.get_text() + "■");
    }
}

void frmBrowser::visitNextAddress() {
    if (addressesToVisit_.empty())
        return;
    cboAddress.set_text(addressesToVisit_.front());
    addressesToVisit_.pop_front();
    cboAddress_KeyPress(kKeyEnter);
    // Its page is taken into the history as soon as it is shown, not at the load indicator's
    // next once-a-second tick: the caption names it at once, and the next address starts.
    addressShown_.disconnect();
    addressShown_ = brwWebBrowser.signal_PageShown().connect([this] {
        addressShown_.disconnect();
        // Shown from within a draw: the capture draws the window, so it waits for idle.
        Glib::signal_idle().connect_once(sigc::mem_fun(*this, &frmBrowser::takeShownPage));
    });
}

void frmBrowser::takeShownPage() {
    if (timTimerEnabled() && !brwWebBrowser.Busy())
        timTimer_Timer();
}

void frmBrowser::Form_Resize() {
    layOut(outerPixels(), knownDecorationHeight());
}

void frmBrowser::layOut(PixelSize outer, std::optional<int> decoration) {
    LayoutControls controls{.cboAddress = *placedAddress,
                            .brwWebBrowser = *placedPageView,
                            .ListView1 = *placedListView,
                            .Label1 = *placedLabel1,
                            .Label2 = *placedLabel2,
                            .Image2 = *placedImage2,
                            .Label4 = *placedLabel4,
                            .Image3 = *placedImage3,
                            .Label5 = *placedLabel5,
                            .Image4 = *placedImage4,
                            .Image5 = *placedImage5,
                            .Frame1 = *placedFrame1,
                            .Line1 = Line1,
                            .Line2 = Line2,
                            .Line4 = Line4};
    laidOutFor_ = outer;
    laidOutForDecoration_ = decoration;
    std::optional<float> decorationTwips;
    if (decoration)
        decorationTwips = static_cast<float>(*decoration * twipsPerPixelY());
    layoutMainWindow(controls, static_cast<float>(outer.width * twipsPerPixelX()),
                     static_cast<float>(outer.height * twipsPerPixelY()), historyWidth_,
                     decorationTwips);
    historyPane_.layOutSearchField();
}

} // namespace quillet
