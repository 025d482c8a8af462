// SPDX-License-Identifier: MIT
// Quillet's extension of the web process: it answers the window's questions about a page
// (PageMessages.h) by scripts in a script world of its own, which the page's scripts can
// neither see nor change.

#include "GObjectPtr.h"
#include "PageMessages.h"

#include <gmodule.h>
#include <memory>
#include <string>
#include <webkit2/webkit-web-extension.h>

namespace {

namespace messages = quillet::page_messages;
using quillet::GObjectPtr;

// The extension's script world, made once per web process and kept for its lifetime.
WebKitScriptWorld* quilletWorld(WebKitWebExtension* extension) {
    static constexpr const char* kKey = "quillet-script-world";
    auto* world = static_cast<WebKitScriptWorld*>(g_object_get_data(G_OBJECT(extension), kKey));
    if (!world) {
        world = webkit_script_world_new_with_name("quillet");
        g_object_set_data_full(G_OBJECT(extension), kKey, world, g_object_unref);
    }
    return world;
}

GObjectPtr<JSCContext> pageContext(WebKitWebPage* page, WebKitWebExtension* extension) {
    // Marked deprecated (frames of other sites will live in other processes), but the API has
    // no other way to the main frame, and the main frame is always in the page's own process.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    WebKitFrame* mainFrame = webkit_web_page_get_main_frame(page);
    G_GNUC_END_IGNORE_DEPRECATIONS
    return GObjectPtr<JSCContext>(
        webkit_frame_get_js_context_for_script_world(mainFrame, quilletWorld(extension)));
}

void reply(WebKitUserMessage* message, GVariant* parameters) {
    webkit_user_message_send_reply(
        message, webkit_user_message_new(webkit_user_message_get_name(message), parameters));
}

// Called by the page's second animation frame; `message` is the question's own reference.
void twoFramesRan(gpointer message) {
    reply(WEBKIT_USER_MESSAGE(message), nullptr);
}

void answerFirstFrame(JSCContext* context, WebKitUserMessage* message) {
    const GObjectPtr<JSCValue> whenTwoFramesRan(jsc_context_evaluate(
        context, "(done) => requestAnimationFrame(() => requestAnimationFrame(done))", -1));
    // The answer goes when the page calls `done`; if it never does (the page is left first),
    // the message is dropped unanswered with the function, and the window stops waiting on its
    // own.
    const GObjectPtr<JSCValue> done(
        jsc_value_new_function(context, nullptr, G_CALLBACK(twoFramesRan), g_object_ref(message),
                               g_object_unref, G_TYPE_NONE, 0));
    const GObjectPtr<JSCValue> result(
        jsc_value_function_call(whenTwoFramesRan.get(), JSC_TYPE_VALUE, done.get(), G_TYPE_NONE));
}

// Whether the page, or a frame of it from the same site, holds a field whose page is not
// kept (a password, a card, a one-time code). Frames of other sites cannot be looked into.
bool holdsSecretField(JSCContext* context) {
    const GObjectPtr<JSCValue> found(
        jsc_context_evaluate(context, messages::kSecretFieldScript, -1));
    // A script that failed says nothing either way: the page is taken as holding one.
    const bool failed = jsc_context_get_exception(context) != nullptr;
    jsc_context_clear_exception(context);
    return failed || !jsc_value_is_boolean(found.get()) || jsc_value_to_boolean(found.get());
}

void answerPageText(WebKitWebPage* page, JSCContext* context, WebKitUserMessage* message) {
    const bool secret = holdsSecretField(context);
    // innerText is the text as laid out and shown: no scripts, styles or hidden elements.
    const std::string script = "(document.body ? document.body.innerText : '').slice(0, " +
                               std::to_string(messages::kMaxTextCharacters) + ")";
    const GObjectPtr<JSCValue> text(jsc_context_evaluate(context, script.c_str(), -1));
    const std::unique_ptr<GBytes, decltype(&g_bytes_unref)> bytes(
        jsc_value_is_string(text.get()) ? jsc_value_to_string_as_bytes(text.get())
                                        : g_bytes_new(nullptr, 0),
        g_bytes_unref);
    jsc_context_clear_exception(context);
    // With the address of the page read: the window may have moved on to another meanwhile.
    const char* address = webkit_web_page_get_uri(page);
    reply(message,
          g_variant_new("(s@ayb)", address ? address : "",
                        g_variant_new_from_bytes(G_VARIANT_TYPE_BYTESTRING, bytes.get(), TRUE),
                        secret));
}

gboolean messageReceived(WebKitWebPage* page, WebKitUserMessage* message, gpointer extension) {
    const std::string name = webkit_user_message_get_name(message);
    if (name != messages::kFirstFrame && name != messages::kPageText)
        return FALSE;
    const auto context = pageContext(page, WEBKIT_WEB_EXTENSION(extension));
    if (name == messages::kFirstFrame)
        answerFirstFrame(context.get(), message);
    else
        answerPageText(page, context.get(), message);
    return TRUE;
}

void pageCreated(WebKitWebExtension* extension, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "user-message-received", G_CALLBACK(messageReceived), extension);
}

} // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize(WebKitWebExtension* extension) {
    g_signal_connect(extension, "page-created", G_CALLBACK(pageCreated), nullptr);
}
