// SPDX-License-Identifier: MIT
#include "PageText.h"

#include "SignalGuard.h"

#include <webkit2/webkit2.h>

namespace quillet {
namespace {

struct Request {
    std::function<void(std::string)> done;
};

} // namespace

void PageText::take(std::function<void(std::string)> done) {
    if (!running_)
        running_.reset(g_cancellable_new());
    // innerText is the text as laid out and shown: no scripts, styles or hidden elements.
    static const std::string script = "(document.body ? document.body.innerText : '').slice(0, " +
                                      std::to_string(kMaxCharacters) + ")";
    webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, "quillet", nullptr,
                                        running_.get(), Guarded<taken>::call,
                                        new Request{std::move(done)});
}

void PageText::cancel() {
    if (running_)
        g_cancellable_cancel(running_.get());
    running_.reset();
}

void PageText::taken(GObject* webView, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<Request> request(static_cast<Request*>(data));
    GErrorPtr error;
    GObjectPtr<JSCValue> value(
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(webView), result, out(error)));
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return;
    std::string text;
    if (value && jsc_value_is_string(value.get())) {
        // As bytes: a NUL character in the page's text would end a C string.
        GBytes* bytes = jsc_value_to_string_as_bytes(value.get());
        gsize size = 0;
        const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
        text.assign(data ? data : "", size);
        g_bytes_unref(bytes);
    }
    request->done(std::move(text));
}

} // namespace quillet
