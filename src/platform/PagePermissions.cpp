// SPDX-License-Identifier: MIT
#include "PagePermissions.h"

#include "SignalGuard.h"
#include "UserPresent.h"

#include <algorithm>
#include <glibmm/main.h>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

// What a request asks for; 0 for the kinds the user is not asked about.
Permissions permissionsAsked(WebKitPermissionRequest* request) {
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request))
        return kLocation;
    if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request))
        return kNotifications;
    if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request))
        return kClipboardRead;
    if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
        auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
        if (webkit_user_media_permission_is_for_display_device(media))
            return kScreen;
        return (webkit_user_media_permission_is_for_video_device(media) ? kCamera : 0u) |
               (webkit_user_media_permission_is_for_audio_device(media) ? kMicrophone : 0u);
    }
    return 0;
}

void settle(WebKitPermissionRequest* request, bool allowed) {
    if (allowed)
        webkit_permission_request_allow(request);
    else
        webkit_permission_request_deny(request);
}

} // namespace

std::string siteOfPage(WebKitWebView* view) {
    const char* uri = webkit_web_view_get_uri(view);
    if (!uri)
        return "";
    const std::unique_ptr<WebKitSecurityOrigin, decltype(&webkit_security_origin_unref)> origin(
        webkit_security_origin_new_for_uri(uri), webkit_security_origin_unref);
    GMallocPtr<char> text(webkit_security_origin_to_string(origin.get()));
    return text ? text.get() : uri; // a page of its own (file:, data:) is named by its address
}

struct PermissionSignals {
    static gboolean request(WebKitWebView* view, WebKitPermissionRequest* request, gpointer data) {
        return static_cast<PagePermissions*>(data)->decide(view, request);
    }

    // navigator.permissions.query(): what the user answered, or "prompt" before that.
    static gboolean query(WebKitWebView*, WebKitPermissionStateQuery* query, gpointer data) {
        const auto permission = permissionNamed(webkit_permission_state_query_get_name(query));
        if (!permission)
            return FALSE;
        GMallocPtr<char> origin(webkit_security_origin_to_string(
            webkit_permission_state_query_get_security_origin(query)));
        const auto answer = static_cast<PagePermissions*>(data)->answers_.answer(
            origin ? origin.get() : "", *permission);
        webkit_permission_state_query_finish(query, !answer   ? WEBKIT_PERMISSION_STATE_PROMPT
                                                    : *answer ? WEBKIT_PERMISSION_STATE_GRANTED
                                                              : WEBKIT_PERMISSION_STATE_DENIED);
        return TRUE;
    }

    static void loadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
        if (event == WEBKIT_LOAD_STARTED)
            static_cast<PagePermissions*>(data)->dropQuestions(view);
    }

    static void destroyed(GtkWidget* widget, gpointer data) {
        auto* permissions = static_cast<PagePermissions*>(data);
        auto* view = WEBKIT_WEB_VIEW(widget);
        permissions->dropQuestions(view);
        g_signal_handlers_disconnect_by_data(view, permissions);
        std::erase(permissions->watched_, view);
    }
};

PagePermissions::~PagePermissions() {
    for (WebKitWebView* view : watched_)
        g_signal_handlers_disconnect_by_data(view, this);
    // Requests still unanswered are denied as WebKit drops them.
}

void PagePermissions::watch(WebKitWebView* view) {
    watched_.push_back(view);
    connectGuarded<PermissionSignals::request>(view, "permission-request", this);
    connectGuarded<PermissionSignals::query>(view, "query-permission-state", this);
    connectGuarded<PermissionSignals::loadChanged>(view, "load-changed", this);
    connectGuarded<PermissionSignals::destroyed>(view, "destroy", this);
}

std::vector<Gtk::MessageDialog*> PagePermissions::openQuestions() const {
    std::vector<Gtk::MessageDialog*> open;
    for (const auto& question : questions_)
        open.push_back(question->dialog.get());
    return open;
}

bool PagePermissions::decide(WebKitWebView* view, WebKitPermissionRequest* request) {
    const std::string origin = siteOfPage(view);
    // Listing the cameras and microphones by name comes with permission to use them.
    if (WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request)) {
        settle(request, answers_.answer(origin, kCamera).value_or(false) ||
                            answers_.answer(origin, kMicrophone).value_or(false));
        return true;
    }
    const Permissions asked = permissionsAsked(request);
    if (asked == 0)
        return false; // WebKit's own answer
    if (const auto known = answers_.answer(origin, asked)) {
        settle(request, *known);
        return true;
    }
    ask(view, origin, asked, request);
    return true;
}

void PagePermissions::ask(WebKitWebView* view, const std::string& origin, Permissions asked,
                          WebKitPermissionRequest* request) {
    // The same request again while its question is open waits for the same answer.
    for (const auto& open : questions_)
        if (open->view == view && open->origin == origin && open->asked == asked) {
            open->requests.emplace_back(addReference(request));
            return;
        }
    auto question = std::make_unique<Question>(Question{view, origin, asked, {}, nullptr});
    question->requests.emplace_back(addReference(request));
    auto* parent = dynamic_cast<Gtk::Window*>(Glib::wrap(GTK_WIDGET(view))->get_toplevel());
    question->dialog = std::make_unique<Gtk::MessageDialog>(
        permissionQuestion(origin, asked), false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, false);
    Gtk::MessageDialog& dialog = *question->dialog;
    if (parent)
        dialog.set_transient_for(*parent);
    dialog.set_title("Quillet");
    dialog.set_secondary_text(
        "この答えは Quillet を終了するまで、このサイトについて覚えておきます。");
    dialog.add_button("許可しない", Gtk::RESPONSE_REJECT);
    dialog.add_button("許可する", Gtk::RESPONSE_ACCEPT);
    dialog.set_default_response(Gtk::RESPONSE_REJECT);
    Question* asking = question.get();
    dialog.signal_response().connect([this, asking](int response) { answer(asking, response); });
    questions_.push_back(std::move(question));
    presentForUser(dialog);
}

void PagePermissions::answer(Question* question, int response) {
    const bool allowed = response == Gtk::RESPONSE_ACCEPT;
    // Only a button is an answer to keep; a question closed otherwise is denied this time.
    if (response == Gtk::RESPONSE_ACCEPT || response == Gtk::RESPONSE_REJECT)
        answers_.remember(question->origin, question->asked, allowed);
    close(question, allowed);
}

void PagePermissions::dropQuestions(WebKitWebView* view) {
    std::vector<Question*> dropped;
    for (const auto& question : questions_)
        if (question->view == view)
            dropped.push_back(question.get());
    for (Question* question : dropped)
        close(question, false);
}

void PagePermissions::close(Question* question, bool allowed) {
    for (const auto& request : question->requests)
        settle(request.get(), allowed);
    const auto found = std::ranges::find_if(
        questions_, [question](const auto& open) { return open.get() == question; });
    if (found == questions_.end())
        return;
    // The dialog may be inside its own response handler: it is deleted once that returns.
    std::shared_ptr<Gtk::MessageDialog> dialog(std::move((*found)->dialog));
    dialog->hide();
    questions_.erase(found);
    Glib::signal_idle().connect_once([dialog] {});
}

} // namespace quillet
