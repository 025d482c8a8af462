// SPDX-License-Identifier: MIT
#pragma once
// The page view: a WebKitGTK web view on a web context of Quillet's own, behind the few
// operations the window uses: navigate, the view's own back and forward list, whether it is
// busy, the page's title and address, find in the page and zoom. The jobs around it are
// objects of their own that it holds: error pages, permission questions, script windows,
// downloads and the close question.

#include "FirstFrameWait.h"
#include "GObjectPtr.h"
#include "PageArchive.h"
#include "PageClosing.h"
#include "PageDownloads.h"
#include "PageFailures.h"
#include "PagePermissions.h"
#include "PageSchemes.h"
#include "PageText.h"
#include "ScriptWindows.h"
#include "TimelineChannel.h"
#include "WebContext.h"

#include <deque>
#include <functional>
#include <gtkmm/widget.h>
#include <set>
#include <sigc++/signal.h>
#include <string>
#include <vector>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace quillet {

class PageView {
  public:
    explicit PageView(Privacy privacy = Privacy::Normal);
    ~PageView();
    PageView(const PageView&) = delete;
    PageView& operator=(const PageView&) = delete;

    Gtk::Widget& Widget() { return *widget_; }
    WebKitWebView* WebView() const { return view_; }

    // Navigation. The address is visited as typed: one without a scheme that names a host
    // goes over http://.
    void Navigate(const std::string& address);
    void GoHome();
    // Throw std::runtime_error when there is nothing to go back or forward to.
    void GoBack();
    void GoForward();
    void Refresh();
    void Stop();
    void SetFocus();
    // Raised at the start of every load, the home page's first one included.
    sigc::signal<void()>& signal_LoadStarted() { return loadStarted_; }
    // Raised once a loaded page's first frame is on screen.
    sigc::signal<void()>& signal_PageShown() { return firstFrame_.signal_shown(); }

    // True while a page loads, and after it finished until its first frame is on screen.
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
    // The page scrolled to the first place that holds the first of `words` it holds, all of
    // that word's matches marked as a find marks them; holding none, it stays as it is.
    void ShowPassage(const std::vector<std::string>& words);

    // Zoom of the page, 1 being its own size; steps of 10 %, from 30 % to 500 %.
    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    double ZoomLevel() const;

    // True while the view shows one of Quillet's own pages for an address that failed
    // (the load failed, its certificate was untrusted, or the web process ended).
    bool ShowingErrorPage() const { return failures_.showingErrorPage(); }
    // quillet://history/ is answered by `server` (the window, over its history).
    void ServeHistoryPages(BuiltInServer server) {
        serveHistoryPages(context_.get(), std::move(server));
    }

    // Raised with a word for the status line when a page tried to open an address of another
    // scheme without the user's click or key, or the user said no to it.
    sigc::signal<void(std::string)>& signal_OpenRefused() { return schemes_.signal_refused(); }
    // The question before a page's address goes to the desktop, while it is open.
    Gtk::MessageDialog* OpenElsewhereQuestion() const { return schemes_.question(); }

    // Raised with the addresses ticked on the timeline when its export button is pressed.
    sigc::signal<void(std::vector<std::string>)>& signal_TimelineExport() {
        return timeline_.signal_export();
    }

    // Asks the page whether it may be closed (see PageClosing).
    void AskToClose(std::function<void()> agreed) { closing_.ask(std::move(agreed)); }

    PageDownloads& Downloads() { return downloads_; }

    // The text the page shows, for the history's search (see PageText), and why its content
    // is not to be kept, if it is not: a secret field, its response said no-store, it was
    // reached through HTTP authentication, or its certificate was not trusted.
    void TakeText(std::function<void(PageContent)> done);
    // Whether the page shown is one of the web's (http or https), whose copy may be kept; and
    // the copy, as the view shows it (see PageArchive).
    bool ShowsWebPage() const;
    void SaveCopy(std::function<void(std::string)> done) { archive_.save(std::move(done)); }
    // Whether the last page was taken as shown only after the longest wait for its frame.
    bool FirstFrameWaitRanOut() const { return firstFrame_.ranOut(); }

    // The permission questions waiting for the user's answer.
    std::vector<Gtk::MessageDialog*> PermissionQuestions() const {
        return permissions_.openQuestions();
    }

    // The windows that pages' scripts opened and that are still open.
    std::size_t ScriptWindowCount() const { return scriptWindows_.count(); }

  private:
    struct Signals;
    bool showsHomePage() const;             // Quillet's own home page, which runs no script
    ContentWithheld shownPageFacts() const; // of the page now shown, less its fields

    GObjectPtr<WebKitWebContext> context_;
    WebKitWebView* view_ = nullptr; // owned by widget_, which the window's container manages
    Gtk::Widget* widget_ = nullptr;
    sigc::signal<void()> loadStarted_;
    sigc::signal<void(unsigned)> foundMatches_;
    std::deque<std::string> passageWords_; // ShowPassage's words not yet looked for
    FirstFrameWait firstFrame_;
    PageFailures failures_;
    PageSchemes schemes_;
    PageClosing closing_;
    PagePermissions permissions_; // outlives the script windows, whose views it watches
    ScriptWindows scriptWindows_;
    PageDownloads downloads_;
    PageText text_;
    PageArchive archive_;
    TimelineChannel timeline_;
    // The sites ("host:port") that asked for HTTP authentication in this run: their pages
    // are reached with the credentials given then.
    std::set<std::string> authenticatedSites_;
};

} // namespace quillet
