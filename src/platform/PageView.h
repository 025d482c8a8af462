// SPDX-License-Identifier: MIT
#pragma once
// The page view: a WebKitGTK web view on a web context of Quillet's own, behind the few
// operations the window uses. The home page is built in and served as quillet://home/.

#include "ErrorPages.h"
#include "GObjectPtr.h"
#include "PagePermissions.h"

#include <functional>
#include <gtkmm/widget.h>
#include <gtkmm/window.h>
#include <memory>
#include <sigc++/signal.h>
#include <string>
#include <vector>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitDownload WebKitDownload;
typedef struct _GError GError;
typedef struct _GCancellable GCancellable;

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

    // Asks the page whether it may be closed: a page with unsaved input asks the user first
    // (its beforeunload prompt, in Japanese). `agreed` runs once it may; when the user keeps
    // the page, nothing happens. A page that gives no answer (its process is gone or hangs)
    // does not hold the window: after a short wait `agreed` runs all the same.
    void AskToClose(std::function<void()> agreed);

    // Downloads: a response the view cannot show, or one the site sends as an attachment, is
    // saved in the user's download folder under a name no file has yet, written beside it
    // first (".part") and renamed when complete. The signals report its name, progress
    // (0 to 1) and end: the saved path, or a reason it failed or was cancelled.
    sigc::signal<void(std::string)>& signal_DownloadStarted() { return downloadStarted_; }
    sigc::signal<void(std::string, double)>& signal_DownloadProgress() { return downloadProgress_; }
    sigc::signal<void(std::string, std::string)>& signal_DownloadFinished() {
        return downloadFinished_;
    }
    sigc::signal<void(std::string, std::string)>& signal_DownloadFailed() {
        return downloadFailed_;
    }
    void CancelDownloads();
    static std::string DownloadFolder();

    // The permission questions waiting for the user's answer.
    std::vector<Gtk::MessageDialog*> PermissionQuestions() const {
        return permissions_.openQuestions();
    }

    // The windows that pages' scripts opened and that are still open.
    std::size_t ScriptWindowCount() const { return scriptWindows_.size(); }

  private:
    friend struct PageViewSignals;
    static constexpr int kScriptWindowWidth = 500; // pixels: a sign-in or payment window
    static constexpr int kScriptWindowHeight = 600;
    GtkWidget* openScriptWindow(WebKitWebView* opener);
    void forgetScriptWindow(Gtk::Window* window);
    struct Download;
    void startDownload(WebKitDownload* download);
    Download* findDownload(WebKitDownload* download);
    void decideDestination(Download& record, const std::string& suggested);
    void endDownload(Download& record, const GError* error); // error: null when complete
    void forgetDownload(WebKitDownload* download);
    void showErrorPage(PageProblem problem, const std::string& address, const std::string& detail);
    void awaitFirstFrame();
    void stopAwaitingFrame();

    GObjectPtr<WebKitWebContext> context_;
    WebKitWebView* view_ = nullptr; // owned by widget_, which the window's container manages
    Gtk::Widget* widget_ = nullptr;
    sigc::signal<void()> downloadBegin_;
    sigc::signal<void(unsigned)> foundMatches_;
    PagePermissions permissions_; // outlives the script windows, whose views it watches
    std::vector<std::unique_ptr<Gtk::Window>> scriptWindows_;
    std::vector<Gtk::Window*> closedScriptWindows_;
    sigc::connection sweep_;
    std::function<void()> closeAgreed_;
    sigc::connection closeAnswerTimeout_;
    bool askingUser_ = false;
    std::vector<std::unique_ptr<Download>> downloads_;
    sigc::signal<void(std::string)> downloadStarted_;
    sigc::signal<void(std::string, double)> downloadProgress_;
    sigc::signal<void(std::string, std::string)> downloadFinished_;
    sigc::signal<void(std::string, std::string)> downloadFailed_;
    static constexpr unsigned kLongestFrameWait = 2000; // milliseconds
    GObjectPtr<GCancellable> frameScript_;
    sigc::connection frameDrawn_;
    sigc::connection frameTimeout_; // connected while the first frame is awaited
    bool errorPagePending_ = false; // the next commit is one of our own pages
    bool showingErrorPage_ = false;
};

} // namespace quillet
