// SPDX-License-Identifier: MIT
#pragma once
// The page view: a WebKitGTK web view on a web context of Quillet's own, behind the few
// operations the window uses. The home page is built in and served as quillet://home/.

#include "platform/ErrorPages.h"
#include "platform/GObjectPtr.h"

#include <gtkmm/widget.h>
#include <sigc++/signal.h>
#include <string>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace quillet {

inline constexpr const char* kHomeAddress = "quillet://home/";

class PageView {
  public:
    PageView();
    ~PageView();
    PageView(const PageView&) = delete;
    PageView& operator=(const PageView&) = delete;

    Gtk::Widget& widget() { return *widget_; }

    // Begin loading; the address is passed on unchanged.
    void Navigate(const std::string& address);
    void GoHome();
    // Throw std::runtime_error when there is nothing to go back or forward to.
    void GoBack();
    void GoForward();
    void Refresh();
    void Stop();
    void SetFocus();

    bool Busy() const;
    std::string LocationName() const; // the title, or the address when the page has none
    std::string LocationURL() const;

    // Find in the page: the matches of `text` (any case, wrapping at the end) are marked and
    // the first after the current one selected; next and previous step through them.
    void FindText(const std::string& text);
    void FindNext();
    void FindPrevious();
    void FindFinish();
    // Raised after each find with the number of matches (0 when there is none).
    sigc::signal<void(unsigned)>& signal_FoundMatches() { return foundMatches_; }

    // Zoom of the page, 1 being its own size; steps of 10 %, from 30 % to 500 %.
    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    double ZoomLevel() const;

    // True while the view shows one of Quillet's own pages for an address that failed
    // (the load failed, its certificate was untrusted, or the web process ended).
    bool ShowingErrorPage() const { return showingErrorPage_; }

    // Raised at the start of every load, the home page's first one included.
    sigc::signal<void()>& signal_DownloadBegin() { return downloadBegin_; }

    WebKitWebView* webView() const { return view_; }

  private:
    friend struct PageViewSignals;
    void showErrorPage(PageProblem problem, const std::string& address, const std::string& detail);

    GObjectPtr<WebKitWebContext> context_;
    WebKitWebView* view_ = nullptr; // owned by widget_, which the window's container manages
    Gtk::Widget* widget_ = nullptr;
    sigc::signal<void()> downloadBegin_;
    sigc::signal<void(unsigned)> foundMatches_;
    bool errorPagePending_ = false; // the next commit is one of our own pages
    bool showingErrorPage_ = false;
};

} // namespace quillet
