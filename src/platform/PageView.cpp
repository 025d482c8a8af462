// SPDX-License-Identifier: MIT
#include "PageView.h"

#include <algorithm>

#include "DownloadNames.h"
#include "ErrorPages.h"
#include "Rendering.h"
#include "TypedAddress.h"

#include <cerrno>
#include <giomm/resource.h>
#include <glib/gstdio.h>
#include <glibmm/exceptionhandler.h>
#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/object.h>
#include <stdexcept>
#include <utility>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

// Serves the built-in pages from the program's resources: quillet://home/ is the home page.
void serveBuiltInPage(WebKitURISchemeRequest* request, gpointer) {
    const std::string path = webkit_uri_scheme_request_get_path(request);
    const std::string resource =
        path == "/" || path.empty() ? "/org/quillet/home/index.html" : "/org/quillet/home" + path;
    GErrorPtr error;
    GObjectPtr<GInputStream> stream(
        g_resources_open_stream(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, out(error)));
    if (!stream) {
        webkit_uri_scheme_request_finish_error(request, error.get());
        return;
    }
    gsize size = 0;
    g_resources_get_info(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &size, nullptr, nullptr);
    const bool html = resource.ends_with(".html");
    webkit_uri_scheme_request_finish(request, stream.get(), static_cast<gint64>(size),
                                     html ? "text/html; charset=utf-8" : nullptr);
}

// True when the user chooses to leave the page.
bool askToLeave(Gtk::Widget& pageView) {
    Gtk::MessageDialog question(*dynamic_cast<Gtk::Window*>(pageView.get_toplevel()),
                                "このページを離れますか？", false, Gtk::MESSAGE_QUESTION,
                                Gtk::BUTTONS_NONE, true);
    question.set_title("Quillet");
    question.set_secondary_text("入力した内容は保存されないことがあります。");
    question.add_button("留まる", Gtk::RESPONSE_CANCEL);
    question.add_button("離れる", Gtk::RESPONSE_ACCEPT);
    question.set_default_response(Gtk::RESPONSE_CANCEL);
    return question.run() == Gtk::RESPONSE_ACCEPT;
}

bool isShownInTheView(const std::string& scheme) {
    for (const char* shown : {"http", "https", "file", "data", "about", "blob", "quillet"})
        if (g_ascii_strcasecmp(scheme.c_str(), shown) == 0)
            return true;
    return false;
}

// Hands `uri` to the desktop's default application for its scheme; false when it has none.
bool openWithDesktop(const std::string& uri) {
    GMallocPtr<char> scheme(g_uri_parse_scheme(uri.c_str()));
    GObjectPtr<GAppInfo> handler(g_app_info_get_default_for_uri_scheme(scheme.get()));
    return handler && g_app_info_launch_default_for_uri(uri.c_str(), nullptr, nullptr);
}

} // namespace

// One download in progress: where it is written and where it goes when complete.
struct PageView::Download {
    GObjectPtr<WebKitDownload> download;
    std::string name;      // as the user sees it
    std::string finalPath; // free when chosen
    std::string partPath;  // finalPath + ".part", what WebKit writes
    bool failed = false;
};

// The web view's C signals, routed to the PageView; an exception is reported at this
// boundary like any handler's.
struct PageViewSignals {
    static void foundText(WebKitFindController*, guint matches, gpointer data) {
        static_cast<PageView*>(data)->foundMatches_.emit(matches);
    }
    static void failedToFindText(WebKitFindController*, gpointer data) {
        static_cast<PageView*>(data)->foundMatches_.emit(0);
    }

    static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
        auto* view = static_cast<PageView*>(data);
        if (event == WEBKIT_LOAD_COMMITTED) {
            view->showingErrorPage_ = view->errorPagePending_;
            view->errorPagePending_ = false;
        }
        if (event == WEBKIT_LOAD_FINISHED)
            view->awaitFirstFrame();
        if (event != WEBKIT_LOAD_STARTED)
            return;
        view->stopAwaitingFrame();
        try {
            view->downloadBegin_.emit();
        } catch (...) {
            Glib::exception_handlers_invoke();
        }
    }

    // The page has run two animation frames: the first was drawn and handed to this process.
    static void framesRan(GObject* webView, GAsyncResult* result, gpointer data) {
        GErrorPtr error;
        GObjectPtr<JSCValue> value(webkit_web_view_call_async_javascript_function_finish(
            WEBKIT_WEB_VIEW(webView), result, out(error)));
        if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
            return; // a newer load, or the view is gone
        auto* view = static_cast<PageView*>(data);
        // Whatever the script's outcome, the window draws the view once more; from then on
        // it shows the page's own pixels.
        view->frameDrawn_ = view->widget_->signal_draw().connect(
            [view](const Cairo::RefPtr<Cairo::Context>&) {
                view->stopAwaitingFrame();
                return false;
            },
            true);
        view->widget_->queue_draw();
    }

    static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri, GError* error,
                               gpointer data) {
        // A load the user or a newer load cancelled is no failure to show.
        if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
            g_error_matches(error, WEBKIT_POLICY_ERROR,
                            WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
            return FALSE;
        // A certificate can also be refused on a connection WebKit reports as a plain failure.
        const bool untrusted = error->domain == G_TLS_ERROR;
        static_cast<PageView*>(data)->showErrorPage(untrusted ? PageProblem::UntrustedCertificate
                                                              : PageProblem::LoadFailed,
                                                    uri, error->message);
        return TRUE;
    }

    // A new window the page asks for. One the user asked for by clicking a link opens in this
    // view; one a script opens (a sign-in or payment window) gets a small window of its own,
    // related to this view so that window.opener and window.close() work.
    static GtkWidget* create(WebKitWebView* webView, WebKitNavigationAction* action,
                             gpointer data) {
        auto* view = static_cast<PageView*>(data);
        if (webkit_navigation_action_get_navigation_type(action) ==
            WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
            view->Navigate(
                webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
            return nullptr;
        }
        return view->openScriptWindow(webView);
    }

    // Addresses of schemes the view cannot show (mailto:, tel:, magnet:, ...) go to the
    // desktop's application for them; with none, the view shows what failed.
    static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data) {
        if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION)
            return FALSE;
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const std::string uri =
            webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        GMallocPtr<char> scheme(g_uri_parse_scheme(uri.c_str()));
        if (!scheme || isShownInTheView(scheme.get()))
            return FALSE;
        webkit_policy_decision_ignore(decision);
        if (!openWithDesktop(uri))
            static_cast<PageView*>(data)->showErrorPage(
                PageProblem::LoadFailed, uri, "このアドレスを開くアプリケーションがありません");
        return TRUE;
    }

    static void downloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer data) {
        static_cast<PageView*>(data)->startDownload(download);
    }
    static gboolean decideDestination(WebKitDownload* download, const char* suggested,
                                      gpointer data) {
        auto* view = static_cast<PageView*>(data);
        if (PageView::Download* record = view->findDownload(download))
            view->decideDestination(*record, suggested ? suggested : "");
        return TRUE;
    }
    static void receivedData(WebKitDownload* download, guint64, gpointer data) {
        auto* view = static_cast<PageView*>(data);
        if (PageView::Download* record = view->findDownload(download))
            view->downloadProgress_.emit(record->name,
                                         webkit_download_get_estimated_progress(download));
    }
    static void downloadFailed(WebKitDownload* download, GError* error, gpointer data) {
        auto* view = static_cast<PageView*>(data);
        if (PageView::Download* record = view->findDownload(download))
            view->endDownload(*record, error);
    }
    static void downloadFinished(WebKitDownload* download, gpointer data) {
        auto* view = static_cast<PageView*>(data);
        if (PageView::Download* record = view->findDownload(download))
            view->endDownload(*record, nullptr);
        view->forgetDownload(download);
    }

    // The page agreed to close (no beforeunload prompt, or the user chose to leave).
    static void closeRequested(WebKitWebView*, gpointer data) {
        auto* view = static_cast<PageView*>(data);
        view->closeAnswerTimeout_.disconnect();
        if (auto agreed = std::exchange(view->closeAgreed_, nullptr))
            agreed();
    }

    // The page's "leave this page?" question, asked in Japanese.
    static gboolean scriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
        if (webkit_script_dialog_get_dialog_type(dialog) !=
            WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
            return FALSE; // alert, confirm and prompt: WebKit's own dialogs
        auto* view = static_cast<PageView*>(data);
        view->closeAnswerTimeout_.disconnect(); // the user is answering: no hurry
        view->askingUser_ = true;
        webkit_script_dialog_confirm_set_confirmed(dialog, askToLeave(*view->widget_));
        view->askingUser_ = false;
        return TRUE;
    }

    static gboolean tlsFailed(WebKitWebView*, const char* uri, GTlsCertificate*,
                              GTlsCertificateFlags, gpointer data) {
        static_cast<PageView*>(data)->showErrorPage(PageProblem::UntrustedCertificate, uri, "");
        return TRUE;
    }

    static void processEnded(WebKitWebView* webView, WebKitWebProcessTerminationReason reason,
                             gpointer data) {
        const char* uri = webkit_web_view_get_uri(webView);
        static_cast<PageView*>(data)->showErrorPage(
            PageProblem::ProcessEnded, uri ? uri : "",
            reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "メモリーの上限を超えました" : "");
    }
};

namespace {

// Cookies, the cache and other site data live in the user's XDG folders, under Quillet/:
// cookies persist between runs, as a browser's users expect; the history never does.
WebKitWebContext* newWebContext() {
    const std::string data = Glib::build_filename(Glib::get_user_data_dir(), "Quillet");
    const std::string cache = Glib::build_filename(Glib::get_user_cache_dir(), "Quillet");
    GObjectPtr<WebKitWebsiteDataManager> manager(WEBKIT_WEBSITE_DATA_MANAGER(
        g_object_new(WEBKIT_TYPE_WEBSITE_DATA_MANAGER, "base-data-directory", data.c_str(),
                     "base-cache-directory", cache.c_str(), nullptr)));
    webkit_cookie_manager_set_persistent_storage(
        webkit_website_data_manager_get_cookie_manager(manager.get()),
        Glib::build_filename(data, "cookies.sqlite").c_str(),
        WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    return webkit_web_context_new_with_website_data_manager(manager.get());
}

} // namespace

PageView::PageView() : context_(newWebContext()) {
    // Pages run in a bubblewrap sandbox wherever one can be made.
    if (webSandboxUsable())
        webkit_web_context_set_sandbox_enabled(context_.get(), TRUE);
    webkit_web_context_register_uri_scheme(context_.get(), "quillet", serveBuiltInPage, nullptr,
                                           nullptr);
    view_ =
        WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_.get(), nullptr));
    if (softwareRenderingOnly())
        webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(view_),
                                                         WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // Calls in the page (WebRTC, with camera and microphone when the user allows them).
    WebKitSettings* settings = webkit_web_view_get_settings(view_);
    webkit_settings_set_enable_webrtc(settings, TRUE);
    webkit_settings_set_enable_media_stream(settings, TRUE);
    widget_ = Gtk::manage(Glib::wrap(GTK_WIDGET(view_)));
    permissions_.watch(view_);
    g_signal_connect(view_, "load-changed", G_CALLBACK(PageViewSignals::loadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(PageViewSignals::loadFailed), this);
    g_signal_connect(view_, "load-failed-with-tls-errors", G_CALLBACK(PageViewSignals::tlsFailed),
                     this);
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(PageViewSignals::processEnded),
                     this);
    g_signal_connect(view_, "create", G_CALLBACK(PageViewSignals::create), this);
    g_signal_connect(view_, "close", G_CALLBACK(PageViewSignals::closeRequested), this);
    g_signal_connect(view_, "script-dialog", G_CALLBACK(PageViewSignals::scriptDialog), this);
    g_signal_connect(context_.get(), "download-started",
                     G_CALLBACK(PageViewSignals::downloadStarted), this);
    g_signal_connect(view_, "decide-policy", G_CALLBACK(PageViewSignals::decidePolicy), this);
    WebKitFindController* finder = webkit_web_view_get_find_controller(view_);
    g_signal_connect(finder, "found-text", G_CALLBACK(PageViewSignals::foundText), this);
    g_signal_connect(finder, "failed-to-find-text", G_CALLBACK(PageViewSignals::failedToFindText),
                     this);
}

PageView::~PageView() {
    stopAwaitingFrame();
    closeAnswerTimeout_.disconnect();
    g_signal_handlers_disconnect_by_data(context_.get(), this);
    CancelDownloads();
    for (const auto& record : downloads_)
        g_signal_handlers_disconnect_by_data(record->download.get(), this);
    sweep_.disconnect();
    scriptWindows_.clear(); // the windows a page opened close with the main window
    if (view_) {
        g_signal_handlers_disconnect_by_data(webkit_web_view_get_find_controller(view_), this);
        g_signal_handlers_disconnect_by_data(view_, this);
    }
}

void PageView::FindText(const std::string& text) {
    WebKitFindController* finder = webkit_web_view_get_find_controller(view_);
    if (text.empty()) {
        webkit_find_controller_search_finish(finder);
        return;
    }
    webkit_find_controller_search(
        finder, text.c_str(),
        WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND, G_MAXUINT);
}

void PageView::FindNext() {
    webkit_find_controller_search_next(webkit_web_view_get_find_controller(view_));
}

void PageView::FindPrevious() {
    webkit_find_controller_search_previous(webkit_web_view_get_find_controller(view_));
}

void PageView::FindFinish() {
    webkit_find_controller_search_finish(webkit_web_view_get_find_controller(view_));
}

namespace {
constexpr double kZoomStep = 1.1;
constexpr double kSmallestZoom = 0.3;
constexpr double kLargestZoom = 5.0;
} // namespace

void PageView::ZoomIn() {
    webkit_web_view_set_zoom_level(view_, std::min(kLargestZoom, ZoomLevel() * kZoomStep));
}

void PageView::ZoomOut() {
    webkit_web_view_set_zoom_level(view_, std::max(kSmallestZoom, ZoomLevel() / kZoomStep));
}

void PageView::ResetZoom() {
    webkit_web_view_set_zoom_level(view_, 1.0);
}

double PageView::ZoomLevel() const {
    return webkit_web_view_get_zoom_level(view_);
}

void PageView::showErrorPage(PageProblem problem, const std::string& address,
                             const std::string& detail) {
    errorPagePending_ = true;
    const std::string html = errorPageHtml(problem, address, detail);
    webkit_web_view_load_alternate_html(view_, html.c_str(), address.c_str(), nullptr);
}

void PageView::Navigate(const std::string& address) {
    webkit_web_view_load_uri(view_, withWebScheme(address).c_str());
}

GtkWidget* PageView::openScriptWindow(WebKitWebView* opener) {
    auto* page = WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(opener));
    permissions_.watch(page);
    auto window = std::make_unique<Gtk::Window>();
    window->set_default_size(kScriptWindowWidth, kScriptWindowHeight);
    window->set_transient_for(*dynamic_cast<Gtk::Window*>(widget_->get_toplevel()));
    window->add(*Gtk::manage(Glib::wrap(GTK_WIDGET(page))));
    Gtk::Window* shown = window.get();
    scriptWindows_.push_back(std::move(window));
    g_signal_connect(page, "ready-to-show", G_CALLBACK(+[](WebKitWebView*, gpointer w) {
                         static_cast<Gtk::Window*>(w)->show_all();
                     }),
                     shown);
    g_signal_connect(page, "notify::title",
                     G_CALLBACK(+[](WebKitWebView* v, GParamSpec*, gpointer w) {
                         const char* title = webkit_web_view_get_title(v);
                         static_cast<Gtk::Window*>(w)->set_title(title ? title : "");
                     }),
                     shown);
    // The page's window.close(), or the user's close box: the window goes.
    g_signal_connect(page, "close", G_CALLBACK(+[](WebKitWebView*, gpointer w) {
                         static_cast<Gtk::Window*>(w)->hide();
                     }),
                     shown);
    shown->signal_hide().connect([this, shown] { forgetScriptWindow(shown); });
    return GTK_WIDGET(page);
}

void PageView::AskToClose(std::function<void()> agreed) {
    if (askingUser_)
        return; // the question is on screen already
    closeAgreed_ = std::move(agreed);
    // A page whose process is gone or hangs never answers.
    constexpr unsigned kAnswerWaitMilliseconds = 1500;
    closeAnswerTimeout_.disconnect();
    closeAnswerTimeout_ = Glib::signal_timeout().connect(
        [this] {
            if (auto agreedAnyway = std::exchange(closeAgreed_, nullptr))
                agreedAnyway();
            return false;
        },
        kAnswerWaitMilliseconds);
    webkit_web_view_try_close(view_);
}

std::string PageView::DownloadFolder() {
    const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    return folder ? folder : Glib::build_filename(Glib::get_home_dir(), "Downloads");
}

void PageView::CancelDownloads() {
    for (const auto& record : downloads_)
        webkit_download_cancel(record->download.get());
}

void PageView::startDownload(WebKitDownload* download) {
    auto record = std::make_unique<Download>();
    record->download = addReference(download);
    downloads_.push_back(std::move(record));
    g_signal_connect(download, "decide-destination", G_CALLBACK(PageViewSignals::decideDestination),
                     this);
    g_signal_connect(download, "received-data", G_CALLBACK(PageViewSignals::receivedData), this);
    g_signal_connect(download, "failed", G_CALLBACK(PageViewSignals::downloadFailed), this);
    g_signal_connect(download, "finished", G_CALLBACK(PageViewSignals::downloadFinished), this);
}

PageView::Download* PageView::findDownload(WebKitDownload* download) {
    for (const auto& record : downloads_)
        if (record->download.get() == download)
            return record.get();
    return nullptr;
}

void PageView::decideDestination(Download& record, const std::string& suggested) {
    const std::string folder = DownloadFolder();
    g_mkdir_with_parents(folder.c_str(), 0700);
    // Free of a finished file and of another download's part file alike.
    record.finalPath =
        freeDownloadPath(folder, safeDownloadName(suggested), [](const std::string& path) {
            return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) ||
                   g_file_test((path + ".part").c_str(), G_FILE_TEST_EXISTS);
        });
    record.name = Glib::path_get_basename(record.finalPath);
    record.partPath = record.finalPath + ".part";
    webkit_download_set_allow_overwrite(record.download.get(), FALSE);
    webkit_download_set_destination(record.download.get(), record.partPath.c_str());
    downloadStarted_.emit(record.name);
}

void PageView::endDownload(Download& record, const GError* error) {
    if (error) {
        record.failed = true;
        if (!record.partPath.empty())
            g_unlink(record.partPath.c_str()); // nothing half-written stays behind
        const bool cancelled =
            g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER);
        downloadFailed_.emit(record.name, cancelled ? "中止しました" : error->message);
        return;
    }
    if (record.failed) // "finished" follows "failed" as well
        return;
    // The name was free when it was chosen; a file that has appeared there since is kept.
    const std::string target = freeDownloadPath(
        Glib::path_get_dirname(record.finalPath), record.name,
        [](const std::string& path) { return g_file_test(path.c_str(), G_FILE_TEST_EXISTS); });
    if (g_rename(record.partPath.c_str(), target.c_str()) == 0)
        downloadFinished_.emit(record.name, target);
    else
        downloadFailed_.emit(record.name, g_strerror(errno));
}

void PageView::forgetDownload(WebKitDownload* download) {
    g_signal_handlers_disconnect_by_data(download, this);
    std::erase_if(downloads_, [download](const std::unique_ptr<Download>& record) {
        return record->download.get() == download;
    });
}

void PageView::forgetScriptWindow(Gtk::Window* window) {
    // Destroyed once the signal that closed it has returned, not inside it.
    closedScriptWindows_.push_back(window);
    if (!sweep_.connected())
        sweep_ = Glib::signal_idle().connect([this] {
            std::erase_if(scriptWindows_, [this](const std::unique_ptr<Gtk::Window>& window) {
                return std::ranges::find(closedScriptWindows_, window.get()) !=
                       closedScriptWindows_.end();
            });
            closedScriptWindows_.clear();
            return false;
        });
}

void PageView::GoHome() {
    Navigate(kHomeAddress);
}

void PageView::GoBack() {
    if (!webkit_web_view_can_go_back(view_))
        throw std::runtime_error("there is no page to go back to");
    webkit_web_view_go_back(view_);
}

void PageView::GoForward() {
    if (!webkit_web_view_can_go_forward(view_))
        throw std::runtime_error("there is no page to go forward to");
    webkit_web_view_go_forward(view_);
}

void PageView::Refresh() {
    webkit_web_view_reload(view_);
}
void PageView::Stop() {
    webkit_web_view_stop_loading(view_);
}
void PageView::SetFocus() {
    widget_->grab_focus();
}

bool PageView::Busy() const {
    return webkit_web_view_is_loading(view_) || frameTimeout_.connected();
}

// A finished load is not yet a page on screen: with GL compositing the window keeps showing
// the previous frame (or none, just after start) until the web process has drawn the new one
// and handed it over. Two animation frames in the page's own time, then one draw of the view,
// mark that point. A page that never runs them (its scripts hang, the window is hidden) holds
// the view busy no longer than kLongestFrameWait.
void PageView::awaitFirstFrame() {
    stopAwaitingFrame();
    frameScript_.reset(g_cancellable_new());
    // An isolated script world: the page's own requestAnimationFrame may be replaced.
    static constexpr const char* kTwoFrames =
        "await new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)));";
    webkit_web_view_call_async_javascript_function(view_, kTwoFrames, -1, nullptr, "quillet",
                                                   nullptr, frameScript_.get(),
                                                   PageViewSignals::framesRan, this);
    frameTimeout_ = Glib::signal_timeout().connect(
        [this] {
            stopAwaitingFrame();
            return false;
        },
        kLongestFrameWait);
}

void PageView::stopAwaitingFrame() {
    if (frameScript_)
        g_cancellable_cancel(frameScript_.get());
    frameScript_.reset();
    frameDrawn_.disconnect();
    frameTimeout_.disconnect();
}

std::string PageView::LocationName() const {
    const char* title = webkit_web_view_get_title(view_);
    return title && *title ? title : LocationURL();
}

std::string PageView::LocationURL() const {
    const char* uri = webkit_web_view_get_uri(view_);
    return uri ? uri : "";
}

} // namespace quillet
