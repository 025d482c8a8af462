// SPDX-License-Identifier: MIT
// Quillet's extension of the web process: it answers the window's questions about a page
// (PageMessages.h) by scripts in a script world of its own, which the page's scripts can
// neither see nor change.

#define G_LOG_DOMAIN "Quillet"

#include "GObjectPtr.h"
#include "PageMessages.h"

#include <gmodule.h>
#include <list>
#include <memory>
#include <string>
#include <vector>
#include <webkit2/webkit-web-extension.h>

namespace {

namespace messages = quillet::page_messages;
using quillet::GMallocPtr;
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

// The frames of a page the extension has seen, each as a weak reference: a frame that went
// is gone from here too. Filled as each frame's document gets its window object.
class PageFrames {
  public:
    ~PageFrames() {
        for (GWeakRef& frame : frames_)
            g_weak_ref_clear(&frame);
    }
    void add(WebKitFrame* frame) {
        for (GWeakRef& known : frames_) {
            const GObjectPtr<GObject> alive(static_cast<GObject*>(g_weak_ref_get(&known)));
            if (alive.get() == G_OBJECT(frame))
                return;
        }
        g_weak_ref_init(&frames_.emplace_back(), frame);
    }
    std::vector<GObjectPtr<WebKitFrame>> alive() {
        std::vector<GObjectPtr<WebKitFrame>> frames;
        std::erase_if(frames_, [&frames](GWeakRef& known) {
            GObjectPtr<WebKitFrame> frame(static_cast<WebKitFrame*>(g_weak_ref_get(&known)));
            if (!frame) {
                g_weak_ref_clear(&known);
                return true;
            }
            frames.push_back(std::move(frame));
            return false;
        });
        return frames;
    }

  private:
    std::list<GWeakRef> frames_; // a list: a weak reference must keep its own address
};

PageFrames& framesOf(WebKitWebPage* page) {
    static constexpr const char* kKey = "quillet-frames";
    auto* frames = static_cast<PageFrames*>(g_object_get_data(G_OBJECT(page), kKey));
    if (!frames) {
        frames = new PageFrames;
        g_object_set_data_full(G_OBJECT(page), kKey, frames,
                               [](gpointer data) { delete static_cast<PageFrames*>(data); });
    }
    return *frames;
}

void windowObjectCleared(WebKitScriptWorld*, WebKitWebPage* page, WebKitFrame* frame, gpointer) {
    framesOf(page).add(frame);
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
// Whether a document of a frame that runs no script, or a frame within it, holds any form
// field at all; a frame whose document cannot be read counts as holding one. Read through the
// document tree, the one way into such a frame.
bool anyFieldIn(WebKitDOMDocument* document) {
    if (!document)
        return true;
    GObjectPtr<WebKitDOMElement> field(
        webkit_dom_document_query_selector(document, "input, textarea, select", nullptr));
    if (field)
        return true;
    GObjectPtr<WebKitDOMNodeList> frames(
        webkit_dom_document_query_selector_all(document, "iframe, frame", nullptr));
    const gulong count = frames ? webkit_dom_node_list_get_length(frames.get()) : 0;
    for (gulong i = 0; i < count; ++i) {
        WebKitDOMNode* frame = webkit_dom_node_list_item(frames.get(), i);
        WebKitDOMDocument* inner = WEBKIT_DOM_IS_HTML_IFRAME_ELEMENT(frame)
                                       ? webkit_dom_html_iframe_element_get_content_document(
                                             WEBKIT_DOM_HTML_IFRAME_ELEMENT(frame))
                                       : webkit_dom_html_frame_element_get_content_document(
                                             WEBKIT_DOM_HTML_FRAME_ELEMENT(frame));
        if (anyFieldIn(inner))
            return true;
    }
    return false;
}

// Whether a frame that runs no script (a sandbox without allow-scripts), anywhere in the page,
// holds a form field: such a frame is in no list of frames, and no script can look into it.
bool scriptlessFrameHoldsAField(WebKitDOMDocument* document) {
    GObjectPtr<WebKitDOMNodeList> frames(
        webkit_dom_document_query_selector_all(document, "iframe", nullptr));
    const gulong count = frames ? webkit_dom_node_list_get_length(frames.get()) : 0;
    for (gulong i = 0; i < count; ++i) {
        auto* frame = WEBKIT_DOM_HTML_IFRAME_ELEMENT(webkit_dom_node_list_item(frames.get(), i));
        WebKitDOMDocument* inner = webkit_dom_html_iframe_element_get_content_document(frame);
        const GMallocPtr<char> sandbox(
            webkit_dom_element_get_attribute(WEBKIT_DOM_ELEMENT(frame), "sandbox"));
        const bool scriptless =
            webkit_dom_element_has_attribute(WEBKIT_DOM_ELEMENT(frame), "sandbox") &&
            std::string(sandbox ? sandbox.get() : "").find("allow-scripts") == std::string::npos;
        if (scriptless ? anyFieldIn(inner) : inner && scriptlessFrameHoldsAField(inner))
            return true;
    }
    return false;
}
G_GNUC_END_IGNORE_DEPRECATIONS

bool booleanProperty(JSCValue* object, const char* name) {
    const GObjectPtr<JSCValue> value(jsc_value_object_get_property(object, name));
    return jsc_value_is_boolean(value.get()) && jsc_value_to_boolean(value.get());
}

// A count the look gave; one that is missing or not a number counts as one.
int countProperty(JSCValue* object, const char* name) {
    const GObjectPtr<JSCValue> value(jsc_value_object_get_property(object, name));
    return jsc_value_is_number(value.get()) ? jsc_value_to_int32(value.get()) : 1;
}

// Whether the page holds a field whose page is not kept, in any of its frames, other sites'
// frames included: each frame that its parent cannot look into is asked in its own document.
// A frame that is there but could not be asked, or a look that failed, counts as holding one.
bool holdsSecretField(WebKitWebPage* page, WebKitWebExtension* extension) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    WebKitFrame* mainFrame = webkit_web_page_get_main_frame(page);
    G_GNUC_END_IGNORE_DEPRECATIONS
    PageFrames& known = framesOf(page);
    known.add(mainFrame);
    int roots = 0, needed = 1, scriptless = 0;
    for (const auto& frame : known.alive()) {
        const GObjectPtr<JSCContext> context(
            webkit_frame_get_js_context_for_script_world(frame.get(), quilletWorld(extension)));
        if (!context)
            continue;
        const GObjectPtr<JSCValue> found(
            jsc_context_evaluate(context.get(), messages::kSecretFieldScript, -1));
        const bool failed = jsc_context_get_exception(context.get()) != nullptr;
        jsc_context_clear_exception(context.get());
        if (failed || !jsc_value_is_object(found.get()))
            return true;
        if (!booleanProperty(found.get(), "root"))
            continue;
        if (booleanProperty(found.get(), "secret"))
            return true;
        ++roots;
        needed += countProperty(found.get(), "unreached");
        scriptless += countProperty(found.get(), "scriptless");
    }
    if (roots < needed) {
        g_debug("%d of %d frames of %s could not be asked for secret fields: taken as holding one",
                needed - roots, needed, webkit_web_page_get_uri(page));
        return true;
    }
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    return scriptless > 0 && scriptlessFrameHoldsAField(webkit_web_page_get_dom_document(page));
    G_GNUC_END_IGNORE_DEPRECATIONS
}

void answerPageText(WebKitWebPage* page, WebKitWebExtension* extension, JSCContext* context,
                    WebKitUserMessage* message) {
    const bool secret = holdsSecretField(page, extension);
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
        answerPageText(page, WEBKIT_WEB_EXTENSION(extension), context.get(), message);
    return TRUE;
}

void pageCreated(WebKitWebExtension* extension, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "user-message-received", G_CALLBACK(messageReceived), extension);
}

} // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize(WebKitWebExtension* extension) {
    g_signal_connect(extension, "page-created", G_CALLBACK(pageCreated), nullptr);
    // Every frame's document, whatever its site, gets its window object in the page's world,
    // also one that runs no script of its own.
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                     G_CALLBACK(windowObjectCleared), nullptr);
}
