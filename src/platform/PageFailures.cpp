// SPDX-License-Identifier: MIT
#include "PageFailures.h"

#include "SignalGuard.h"

#include <utility>
#include <webkit2/webkit2.h>

namespace quillet {

struct PageFailures::Signals {
    static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
        auto* self = static_cast<PageFailures*>(data);
        if (event == WEBKIT_LOAD_COMMITTED)
            self->showing_ = std::exchange(self->pending_, false);
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
        static_cast<PageFailures*>(data)->show(untrusted ? PageProblem::UntrustedCertificate
                                                         : PageProblem::LoadFailed,
                                               uri, error->message);
        return TRUE;
    }

    static gboolean tlsFailed(WebKitWebView*, const char* uri, GTlsCertificate*,
                              GTlsCertificateFlags, gpointer data) {
        static_cast<PageFailures*>(data)->show(PageProblem::UntrustedCertificate, uri, "");
        return TRUE;
    }

    static void processEnded(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                             gpointer data) {
        const char* uri = webkit_web_view_get_uri(view);
        static_cast<PageFailures*>(data)->show(
            PageProblem::ProcessEnded, uri ? uri : "",
            reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "メモリーの上限を超えました" : "");
    }
};

PageFailures::PageFailures(WebKitWebView* view) : view_(view) {
    connectGuarded<Signals::loadChanged>(view_, "load-changed", this);
    connectGuarded<Signals::loadFailed>(view_, "load-failed", this);
    connectGuarded<Signals::tlsFailed>(view_, "load-failed-with-tls-errors", this);
    connectGuarded<Signals::processEnded>(view_, "web-process-terminated", this);
}

PageFailures::~PageFailures() {
    g_signal_handlers_disconnect_by_data(view_, this);
}

void PageFailures::show(PageProblem problem, const std::string& address,
                        const std::string& detail) {
    pending_ = true;
    const std::string html = errorPageHtml(problem, address, detail);
    webkit_web_view_load_alternate_html(view_, html.c_str(), address.c_str(), nullptr);
}

} // namespace quillet
