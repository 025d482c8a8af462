// SPDX-License-Identifier: MIT
#include "WebContext.h"

#include "AddressRules.h"
#include "HtmlText.h"
#include "Rendering.h"
#include "SavedArchive.h"
#include "SignalGuard.h"

#include <glibmm/miscutils.h>
#include <string>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

constexpr const char* kHomePageResource = "/org/quillet/home/index.html";
constexpr const char* kBuiltInPagesKey = "quillet-built-in-pages";
constexpr const char* kSavedCopyFramesKey = "quillet-saved-copy-frames";
constexpr const char* kNoSuchPage = "Quillet には、このページはありません";

// What the context's quillet:// requests go to besides the program's resources, and the one
// view whose pages may have them.
struct BuiltInPages {
    BuiltInServer history;
    WebKitWebView* view = nullptr;
};

// Whether a request comes from one of Quillet's own pages in the window's page view. Web
// content cannot reach quillet:// at all (the scheme is display-isolated); this holds even if
// it could: a page of the web, or a window a page's script opened, is answered nothing.
// A saved copy is a page of the web's: from it only its own address is answered (the load of
// the copy itself; its parts come from the copy).
bool fromBuiltInPage(WebKitURISchemeRequest* request, const BuiltInPages& pages) {
    WebKitWebView* asking = webkit_uri_scheme_request_get_web_view(request);
    const char* shown = asking ? webkit_web_view_get_uri(asking) : nullptr;
    if (!asking || asking != pages.view || !shown || addressKind(shown) != AddressKind::BuiltIn)
        return false;
    return !isSavedCopyAddress(shown) ||
           std::string_view(shown) == webkit_uri_scheme_request_get_uri(request);
}

// Serves the built-in pages: quillet://home/ from the program's resources, quillet://history/
// from the window that asked for it to be served. Every request that is not to be answered
// fails the same way, whatever it asks for.
void serveBuiltInPage(WebKitURISchemeRequest* request, gpointer data) {
    const auto* pages = static_cast<BuiltInPages*>(data);
    if (!fromBuiltInPage(request, *pages)) {
        BuiltInRequest(request).fail(kNoSuchPage);
        return;
    }
    const std::string address = webkit_uri_scheme_request_get_uri(request);
    if (address.starts_with("quillet://history") || isSavedCopyAddress(address)) {
        if (pages->history) {
            pages->history(std::make_shared<BuiltInRequest>(request));
            return;
        }
    }
    const std::string path = webkit_uri_scheme_request_get_path(request);
    const std::string resource =
        path == "/" || path.empty() ? kHomePageResource : "/org/quillet/home" + path;
    GErrorPtr error;
    GObjectPtr<GInputStream> stream(
        g_resources_open_stream(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, out(error)));
    if (!stream) {
        BuiltInRequest(request).fail(kNoSuchPage);
        return;
    }
    gsize size = 0;
    g_resources_get_info(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &size, nullptr, nullptr);
    const bool html = resource.ends_with(".html");
    webkit_uri_scheme_request_finish(request, stream.get(), static_cast<gint64>(size),
                                     html ? "text/html; charset=utf-8" : nullptr);
}

// Cookies, the cache and other site data live in the user's XDG folders, under Quillet/:
// cookies persist between runs, as a browser's users expect; the history never does. A
// private run keeps them in memory, and they end with it.
GObjectPtr<WebKitWebContext> siteDataContext(Privacy privacy) {
    if (privacy == Privacy::Private)
        return GObjectPtr<WebKitWebContext>(webkit_web_context_new_ephemeral());
    const std::string data = Glib::build_filename(Glib::get_user_data_dir(), "Quillet");
    const std::string cache = Glib::build_filename(Glib::get_user_cache_dir(), "Quillet");
    GObjectPtr<WebKitWebsiteDataManager> manager(WEBKIT_WEBSITE_DATA_MANAGER(
        g_object_new(WEBKIT_TYPE_WEBSITE_DATA_MANAGER, "base-data-directory", data.c_str(),
                     "base-cache-directory", cache.c_str(), nullptr)));
    webkit_cookie_manager_set_persistent_storage(
        webkit_website_data_manager_get_cookie_manager(manager.get()),
        Glib::build_filename(data, "cookies.sqlite").c_str(),
        WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    return GObjectPtr<WebKitWebContext>(
        webkit_web_context_new_with_website_data_manager(manager.get()));
}

// Quillet's extension of the web process (src/web-process): the one this build made when the
// program runs from the build tree (the tests, the benchmarks, `quillet.sh run`), else the one
// installed beside the program, found from the program's own place (bin/ under the prefix).
std::string pageExtensionDirectory() {
    const GMallocPtr<char> self(g_file_read_link("/proc/self/exe", nullptr));
    const std::string program = self ? self.get() : "";
    if (program.starts_with(QUILLET_BUILD_TREE "/"))
        return QUILLET_BUILD_TREE "/web-process";
    const std::string prefix = Glib::path_get_dirname(Glib::path_get_dirname(program));
    return Glib::build_filename(prefix, QUILLET_PAGE_EXTENSION_DIR);
}

} // namespace

std::string homePageText() {
    const std::unique_ptr<GBytes, decltype(&g_bytes_unref)> html(
        g_resources_lookup_data(kHomePageResource, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr),
        g_bytes_unref);
    if (!html)
        return {};
    gsize size = 0;
    const auto* bytes = static_cast<const char*>(g_bytes_get_data(html.get(), &size));
    return shownTextOfHtml(std::string_view(bytes, size));
}

GObjectPtr<WebKitWebContext> newWebContext(Privacy privacy) {
    GObjectPtr<WebKitWebContext> context = siteDataContext(privacy);
    webkit_web_context_set_web_extensions_directory(context.get(),
                                                    pageExtensionDirectory().c_str());
    // Pages run in a bubblewrap sandbox wherever one can be made.
    if (webSandboxUsable())
        webkit_web_context_set_sandbox_enabled(context.get(), TRUE);
    auto* pages = new BuiltInPages;
    g_object_set_data(G_OBJECT(context.get()), kBuiltInPagesKey, pages);
    webkit_web_context_register_uri_scheme(
        context.get(), "quillet", Guarded<serveBuiltInPage>::call, pages,
        [](gpointer data) { delete static_cast<BuiltInPages*>(data); });
    // No page of another scheme may load, frame, fetch or go to a quillet:// address; its own
    // pages fetch their parts from it (the timeline's further days), as a site would.
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context.get());
    webkit_security_manager_register_uri_scheme_as_display_isolated(security, "quillet");
    // The engine opens a saved copy (a multipart archive) only from a scheme of the machine's
    // own; from a saved copy it loads nothing but the copy's own parts.
    webkit_security_manager_register_uri_scheme_as_local(security, "quillet");
    webkit_security_manager_register_uri_scheme_as_secure(security, "quillet");
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, "quillet");
    return context;
}

namespace {
BuiltInPages* builtInPagesOf(WebKitWebContext* context) {
    return static_cast<BuiltInPages*>(g_object_get_data(G_OBJECT(context), kBuiltInPagesKey));
}
} // namespace

void serveBuiltInPagesTo(WebKitWebContext* context, WebKitWebView* view) {
    if (auto* pages = builtInPagesOf(context))
        pages->view = view;
}

void serveHistoryPages(WebKitWebContext* context, BuiltInServer server) {
    if (auto* pages = builtInPagesOf(context))
        pages->history = std::move(server);
}

BuiltInRequest::BuiltInRequest(WebKitURISchemeRequest* request)
    : request_(
          GObjectPtr<WebKitURISchemeRequest>(WEBKIT_URI_SCHEME_REQUEST(g_object_ref(request)))) {}

BuiltInRequest::~BuiltInRequest() {
    if (!answered_)
        fail("not answered");
}

std::string BuiltInRequest::address() const {
    return webkit_uri_scheme_request_get_uri(request_.get());
}

void BuiltInRequest::finish(std::vector<std::uint8_t> bytes, const char* contentType) {
    answered_ = true;
    const std::unique_ptr<GBytes, decltype(&g_bytes_unref)> held(
        g_bytes_new(bytes.data(), bytes.size()), g_bytes_unref);
    GObjectPtr<GInputStream> stream(g_memory_input_stream_new_from_bytes(held.get()));
    GObjectPtr<WebKitURISchemeResponse> response(
        webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(bytes.size())));
    webkit_uri_scheme_response_set_content_type(response.get(), contentType);
    // The scheme is local (for saved copies), so the engine asks the timeline's fetches of its
    // further days as it would another site's: the answer says the timeline may read them.
    // No other page can ask at all (fromBuiltInPage).
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(headers, "Access-Control-Allow-Origin", "quillet://history");
    webkit_uri_scheme_response_set_http_headers(response.get(), headers); // takes them
    webkit_uri_scheme_request_finish_with_response(request_.get(), response.get());
}

void BuiltInRequest::finish(const std::string& text, const char* contentType) {
    finish(std::vector<std::uint8_t>(text.begin(), text.end()), contentType);
}

void BuiltInRequest::finishSavedCopy(const std::string& archive) {
    if (WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request_.get()))
        g_object_set_data_full(
            G_OBJECT(view), kSavedCopyFramesKey,
            new SavedCopyFrames{address(), archiveFrameAddresses(archive)},
            [](gpointer frames) { delete static_cast<SavedCopyFrames*>(frames); });
    finish(std::vector<std::uint8_t>(archive.begin(), archive.end()), "multipart/related");
}

const SavedCopyFrames* savedCopyFramesOf(WebKitWebView* view) {
    return static_cast<const SavedCopyFrames*>(
        g_object_get_data(G_OBJECT(view), kSavedCopyFramesKey));
}

void BuiltInRequest::fail(const std::string& why) {
    answered_ = true;
    GErrorPtr error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, why.c_str()));
    webkit_uri_scheme_request_finish_error(request_.get(), error.get());
}

} // namespace quillet
