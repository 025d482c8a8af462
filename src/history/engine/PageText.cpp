// SPDX-License-Identifier: MIT
#include "PageText.h"

#include "PageMessages.h"
#include "SignalGuard.h"

#include <webkit2/webkit2.h>

namespace quillet {
namespace {

struct Request {
    std::string address;
    std::function<void(PageContent)> done;
};

} // namespace

void PageText::take(std::string address, std::function<void(PageContent)> done) {
    if (!running_)
        running_.reset(g_cancellable_new());
    webkit_web_view_send_message_to_page(
        view_, webkit_user_message_new(page_messages::kPageText, nullptr), running_.get(),
        Guarded<taken>::call, new Request{std::move(address), std::move(done)});
}

void PageText::cancel() {
    if (running_)
        g_cancellable_cancel(running_.get());
    running_.reset();
}

void PageText::taken(GObject* webView, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<Request> request(static_cast<Request*>(data));
    GErrorPtr error;
    GObjectPtr<WebKitUserMessage> answer(
        webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(webView), result, out(error)));
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return;
    PageContent content;
    content.withheld.secretField = true; // until the page's own answer says otherwise
    GVariant* answered = answer ? webkit_user_message_get_parameters(answer.get()) : nullptr;
    if (answered && g_variant_is_of_type(answered, G_VARIANT_TYPE("(sayb)"))) {
        const char* address = nullptr;
        GVariant* bytes = nullptr;
        gboolean secret = TRUE;
        g_variant_get(answered, "(&s@ayb)", &address, &bytes, &secret);
        if (request->address == address) { // else another page's text: this one gets none
            gsize size = 0;
            const auto* data = static_cast<const char*>(g_variant_get_fixed_array(bytes, &size, 1));
            content.text.assign(data ? data : "", size);
            content.withheld.secretField = secret;
        }
        g_variant_unref(bytes);
    }
    request->done(std::move(content));
}

} // namespace quillet
