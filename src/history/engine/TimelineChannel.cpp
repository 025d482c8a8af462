// SPDX-License-Identifier: MIT
#include "TimelineChannel.h"

#include "GObjectPtr.h"
#include "SignalGuard.h"
#include "TimelinePage.h"

#include <webkit2/webkit2.h>

namespace quillet {
namespace {

constexpr const char* kWorld = "quillet-timeline";
constexpr const char* kHandler = "timelineExport";

// The export button's click, in the timeline's own world: the ticked pictures' addresses.
constexpr const char* kExportScript = R"js((() => {
  const button = document.getElementById('export');
  if (!button) return;
  button.addEventListener('click', () => {
    const ticked = [...document.querySelectorAll('ul.pages input:checked')]
      .map(box => String(box.dataset.address));
    window.webkit.messageHandlers.timelineExport.postMessage(ticked);
  });
})();)js";

std::vector<std::string> stringsOf(JSCValue* value) {
    std::vector<std::string> strings;
    if (!jsc_value_is_array(value))
        return strings;
    GObjectPtr<JSCValue> length(jsc_value_object_get_property(value, "length"));
    const int count = jsc_value_is_number(length.get()) ? jsc_value_to_int32(length.get()) : 0;
    for (int i = 0; i < count; ++i) {
        GObjectPtr<JSCValue> item(jsc_value_object_get_property_at_index(value, i));
        if (jsc_value_is_string(item.get())) {
            GMallocPtr<char> text(jsc_value_to_string(item.get()));
            strings.emplace_back(text.get());
        }
    }
    return strings;
}

} // namespace

struct TimelineChannel::Signals {
    static void received(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
        auto* self = static_cast<TimelineChannel*>(data);
        // Only while the view shows the timeline: a message from anything else is dropped.
        const char* shown = webkit_web_view_get_uri(self->view_);
        if (!shown || !isTimelineAddress(shown))
            return;
        // This API's message is a result that holds the value (a plain value in WebKit 6).
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        JSCValue* value = webkit_javascript_result_get_js_value(result);
        G_GNUC_END_IGNORE_DEPRECATIONS
        self->export_.emit(stringsOf(value));
    }
};

TimelineChannel::TimelineChannel(WebKitWebView* view)
    : view_(view), content_(addReference(webkit_web_view_get_user_content_manager(view))) {
    const std::string signal = std::string("script-message-received::") + kHandler;
    connectGuarded<Signals::received>(content_.get(), signal.c_str(), this);
    webkit_user_content_manager_register_script_message_handler_in_world(content_.get(), kHandler,
                                                                         kWorld);
    const char* const pages[] = {"quillet://history/*", nullptr};
    WebKitUserScript* script = webkit_user_script_new_for_world(
        kExportScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, kWorld, pages, nullptr);
    webkit_user_content_manager_add_script(content_.get(), script);
    webkit_user_script_unref(script);
}

TimelineChannel::~TimelineChannel() {
    g_signal_handlers_disconnect_by_data(content_.get(), this);
    webkit_user_content_manager_unregister_script_message_handler_in_world(content_.get(), kHandler,
                                                                           kWorld);
}

} // namespace quillet
