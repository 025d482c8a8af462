// SPDX-License-Identifier: MIT
#include "PageView.h"

#include "Rendering.h"
#include "SignalGuard.h"
#include "TypedAddress.h"

#include <algorithm>
#include <stdexcept>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

WebKitWebView* newWebView(WebKitWebContext* context) {
    auto* view =
        WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, nullptr));
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    if (softwareRenderingOnly())
        webkit_settings_set_hardware_acceleration_policy(settings,
                                                         WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // Calls in the page (WebRTC, with camera and microphone when the user allows them).
    webkit_settings_set_enable_webrtc(settings, TRUE);
    webkit_settings_set_enable_media_stream(settings, TRUE);
    return view;
}

// "host:port" of an address, as an authentication's protection space names its site.
std::string siteOf(const std::string& address) {
    GUri* uri = g_uri_parse(address.c_str(), G_URI_FLAGS_NONE, nullptr);
    if (!uri)
        return {};
    const char* host = g_uri_get_host(uri);
    int port = g_uri_get_port(uri);
    if (port == -1)
        port = g_str_equal(g_uri_get_scheme(uri), "https") ? 443 : 80;
    std::string site = host ? std::string(host) + ":" + std::to_string(port) : std::string();
    g_uri_unref(uri);
    return site;
}

constexpr double kZoomStep = 1.1;
constexpr double kSmallestZoom = 0.3;
constexpr double kLargestZoom = 5.0;

} // namespace

struct PageView::Signals {
    static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
        auto* view = static_cast<PageView*>(data);
        // Quillet's home page is watched for on screen: it runs no script, and none is started
        // for it.
        if (event == WEBKIT_LOAD_FINISHED && view->showsHomePage())
            view->firstFrame_.startForCorner(kHomeBackground);
        else if (event == WEBKIT_LOAD_FINISHED)
            view->firstFrame_.start();
        if (event != WEBKIT_LOAD_STARTED)
            return;
        view->firstFrame_.stop();
        view->loadStarted_.emit();
    }

    // A new window the page asks for. One the user asked for by clicking a link opens in this
    // view; one a script opens (a sign-in or payment window) gets a small window of its own.
    static GtkWidget* create(WebKitWebView* webView, WebKitNavigationAction* action,
                             gpointer data) {
        auto* view = static_cast<PageView*>(data);
        if (webkit_navigation_action_get_navigation_type(action) ==
            WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
            // The page's link, not Quillet's own address: it goes where a page may go.
            const char* address =
                webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
            if (addressKind(address) == AddressKind::Web)
                webkit_web_view_load_uri(webView, address);
            else
                view->schemes_.followPageLink(address);
            return nullptr;
        }
        return view->scriptWindows_.open(webView,
                                         dynamic_cast<Gtk::Window*>(view->widget_->get_toplevel()));
    }

    // The site asks for a user name and password: its pages from here on are a signed-in
    // user's. WebKit's own dialog asks the user.
    static gboolean authenticate(WebKitWebView*, WebKitAuthenticationRequest* request,
                                 gpointer data) {
        if (const char* host = webkit_authentication_request_get_host(request))
            static_cast<PageView*>(data)->authenticatedSites_.insert(
                std::string(host) + ":" +
                std::to_string(webkit_authentication_request_get_port(request)));
        return FALSE;
    }

    static void foundText(WebKitFindController*, guint matches, gpointer data) {
        auto* page = static_cast<PageView*>(data);
        page->passageWords_.clear();
        page->foundMatches_.emit(matches);
    }
    static void failedToFindText(WebKitFindController*, gpointer data) {
        auto* page = static_cast<PageView*>(data);
        if (!page->passageWords_.empty()) { // a passage's word the page does not hold: the next
            const std::string next = std::move(page->passageWords_.front());
            page->passageWords_.pop_front();
            page->FindText(next);
            return;
        }
        page->foundMatches_.emit(0);
    }
};

PageView::PageView(Privacy privacy)
    : context_(newWebContext(privacy)), view_(newWebView(context_.get())),
      widget_(Gtk::manage(Glib::wrap(GTK_WIDGET(view_)))), firstFrame_(view_, *widget_),
      failures_(view_), schemes_(view_, failures_), closing_(view_, *widget_),
      scriptWindows_(permissions_), downloads_(context_.get()), text_(view_), archive_(view_),
      timeline_(view_) {
    serveBuiltInPagesTo(context_.get(), view_);
    permissions_.watch(view_);
    connectGuarded<Signals::loadChanged>(view_, "load-changed", this);
    connectGuarded<Signals::create>(view_, "create", this);
    connectGuarded<Signals::authenticate>(view_, "authenticate", this);
    WebKitFindController* finder = webkit_web_view_get_find_controller(view_);
    connectGuarded<Signals::foundText>(finder, "found-text", this);
    connectGuarded<Signals::failedToFindText>(finder, "failed-to-find-text", this);
}

PageView::~PageView() {
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_find_controller(view_), this);
    g_signal_handlers_disconnect_by_data(view_, this);
}

// Navigation.

void PageView::Navigate(const std::string& address) {
    const std::string uri = withWebScheme(address);
    schemes_.askedByQuillet(uri);
    webkit_web_view_load_uri(view_, uri.c_str());
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

// The page shown.

bool PageView::Busy() const {
    return webkit_web_view_is_loading(view_) || firstFrame_.waiting();
}

std::string PageView::LocationName() const {
    const char* title = webkit_web_view_get_title(view_);
    return title && *title ? title : LocationURL();
}

void PageView::TakeText(std::function<void(PageContent)> done) {
    if (showsHomePage()) {
        done({homePageText(), {}}); // read from its HTML: a script would start the engine for it
        return;
    }
    // The facts of the page whose text is asked for, with the fields its process finds, and
    // the facts again as the text comes, if the page is still the one shown (a sign-in asked
    // for meanwhile counts).
    const ContentWithheld facts = shownPageFacts();
    const std::string address = LocationURL();
    text_.take(address, [this, facts, address, done = std::move(done)](PageContent content) {
        ContentWithheld& withheld = content.withheld;
        const ContentWithheld now = LocationURL() == address ? shownPageFacts() : facts;
        withheld.noStore = facts.noStore || now.noStore;
        withheld.authenticated = facts.authenticated || now.authenticated;
        withheld.certificateException = facts.certificateException || now.certificateException;
        done(std::move(content));
    });
}

ContentWithheld PageView::shownPageFacts() const {
    ContentWithheld facts;
    if (WebKitWebResource* page = webkit_web_view_get_main_resource(view_))
        if (WebKitURIResponse* response = webkit_web_resource_get_response(page))
            if (SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response))
                if (const char* cacheControl =
                        soup_message_headers_get_list(headers, "Cache-Control"))
                    facts.noStore = saysNoStore(cacheControl);
    GTlsCertificate* certificate = nullptr;
    GTlsCertificateFlags errors{};
    facts.certificateException =
        webkit_web_view_get_tls_info(view_, &certificate, &errors) && errors != 0;
    facts.authenticated = authenticatedSites_.contains(siteOf(LocationURL()));
    return facts;
}

bool PageView::ShowsWebPage() const {
    const std::string address = LocationURL();
    return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

bool PageView::showsHomePage() const {
    return LocationURL() == kHomeAddress;
}

std::string PageView::LocationURL() const {
    const char* uri = webkit_web_view_get_uri(view_);
    return uri ? uri : "";
}

// Find in the page.

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

void PageView::ShowPassage(const std::vector<std::string>& words) {
    passageWords_.assign(words.begin(), words.end());
    if (passageWords_.empty())
        return;
    const std::string first = std::move(passageWords_.front());
    passageWords_.pop_front();
    FindText(first);
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

// Zoom.

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

} // namespace quillet
