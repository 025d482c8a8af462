// SPDX-License-Identifier: MIT
#include "PageView.h"

#include <algorithm>

#include "platform/ErrorPages.h"
#include "platform/Rendering.h"

#include <giomm/resource.h>
#include <glibmm/exceptionhandler.h>
#include <glibmm/miscutils.h>
#include <gtkmm/object.h>
#include <stdexcept>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

// Serves the built-in pages from the program's resources: quillet://home/ is the home page.
void serveBuiltInPage(WebKitURISchemeRequest* request, gpointer) {
    const std::string path = webkit_uri_scheme_request_get_path(request);
    const std::string resource =
        path == "/" || path.empty() ? "/org/quillet/home/index.html" : "/org/quillet/home" + path;
    GError* error = nullptr;
    GInputStream* stream =
        g_resources_open_stream(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &error);
    if (!stream) {
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    gsize size = 0;
    g_resources_get_info(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &size, nullptr, nullptr);
    const bool html = resource.ends_with(".html");
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(size),
                                     html ? "text/html; charset=utf-8" : nullptr);
    g_object_unref(stream);
}

} // namespace

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
        if (event != WEBKIT_LOAD_STARTED)
            return;
        try {
            view->downloadBegin_.emit();
        } catch (...) {
            Glib::exception_handlers_invoke();
        }
    }

    static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri, GError* error,
                               gpointer data) {
        // A load the user or a newer load cancelled is no failure to show.
        if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
            g_error_matches(error, WEBKIT_POLICY_ERROR,
                            WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
            g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL))
            return FALSE;
        // A certificate can also be refused on a connection WebKit reports as a plain failure.
        const bool untrusted = error->domain == G_TLS_ERROR;
        static_cast<PageView*>(data)->showErrorPage(untrusted ? PageProblem::UntrustedCertificate
                                                              : PageProblem::LoadFailed,
                                                    uri, error->message);
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
    widget_ = Gtk::manage(Glib::wrap(GTK_WIDGET(view_)));
    g_signal_connect(view_, "load-changed", G_CALLBACK(PageViewSignals::loadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(PageViewSignals::loadFailed), this);
    g_signal_connect(view_, "load-failed-with-tls-errors", G_CALLBACK(PageViewSignals::tlsFailed),
                     this);
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(PageViewSignals::processEnded),
                     this);
    WebKitFindController* finder = webkit_web_view_get_find_controller(view_);
    g_signal_connect(finder, "found-text", G_CALLBACK(PageViewSignals::foundText), this);
    g_signal_connect(finder, "failed-to-find-text", G_CALLBACK(PageViewSignals::failedToFindText),
                     this);
}

PageView::~PageView() {
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
    webkit_web_view_load_uri(view_, address.c_str());
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
    return webkit_web_view_is_loading(view_);
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
