// SPDX-License-Identifier: MIT
#include "PageSchemes.h"

#include "GObjectPtr.h"
#include "PageFailures.h"
#include "PagePermissions.h"
#include "SignalGuard.h"
#include "UserPresent.h"
#include "WebContext.h"

#include <glibmm/main.h>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

// An address as Quillet asked for it and as the view reports it may differ in escapes and a
// last slash ("quillet://history" and "quillet://history/").
std::string comparable(const std::string& address) {
    GMallocPtr<char> plain(g_uri_unescape_string(address.c_str(), nullptr));
    std::string text = plain ? plain.get() : address;
    while (text.ends_with('/'))
        text.pop_back();
    return text;
}

NavigationCause causeOf(WebKitNavigationAction* action, bool askedByQuillet) {
    if (askedByQuillet && !webkit_navigation_action_is_redirect(action))
        return NavigationCause::Quillet;
    switch (webkit_navigation_action_get_navigation_type(action)) {
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
        return webkit_navigation_action_is_redirect(action) ? NavigationCause::Page
                                                            : NavigationCause::BackForward;
    default:
        return NavigationCause::Page;
    }
}

GObjectPtr<GAppInfo> desktopProgramFor(const std::string& address) {
    return GObjectPtr<GAppInfo>(g_app_info_get_default_for_uri_scheme(schemeOf(address).c_str()));
}

// Sends the view to `address` once the engine has finished deciding about the navigation under
// way (it cannot start another while it decides).
void sendViewTo(WebKitWebView* view, const std::string& address) {
    struct Sending {
        GObjectPtr<WebKitWebView> view;
        std::string address;
    };
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) {
            const auto* sending = static_cast<Sending*>(data);
            webkit_web_view_load_uri(sending->view.get(), sending->address.c_str());
            return G_SOURCE_REMOVE;
        },
        new Sending{GObjectPtr<WebKitWebView>(WEBKIT_WEB_VIEW(g_object_ref(view))), address},
        [](gpointer data) { delete static_cast<Sending*>(data); });
}

} // namespace

struct PageSchemes::Signals {
    static gboolean decidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data) {
        if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION)
            return FALSE;
        auto* self = static_cast<PageSchemes*>(data);
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const std::string address =
            webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (isSavedCopyAddress(self->shown_) && !self->savedCopyMayGo(action, address)) {
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        const AddressKind kind = addressKind(address);
        if (kind == AddressKind::Web)
            return FALSE;
        const bool asked = self->askedForByQuillet(address);
        if (asked)
            self->asked_.clear(); // once: a page going to the same address later is a page
        const NavigationCause cause = causeOf(action, asked);
        if (kind == AddressKind::BuiltIn) {
            // Judged by the page the view last showed: while a load is under way (a server's
            // redirect), the view already names the address it is going to.
            if (!webkit_navigation_action_is_redirect(action) &&
                mayEnterBuiltInPage(cause, self->shown_)) {
                // The engine shows a saved copy only where the view is sent to it, not where
                // a page's link leads (a tile of the timeline's): the view is sent there.
                if (cause == NavigationCause::Page && isSavedCopyAddress(address)) {
                    webkit_policy_decision_ignore(decision);
                    self->askedByQuillet(address);
                    sendViewTo(view, address);
                    return TRUE;
                }
                return FALSE;
            }
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        webkit_policy_decision_ignore(decision);
        if (cause == NavigationCause::Quillet)
            self->openElsewhere(address, true);
        else if (!webkit_navigation_action_is_user_gesture(action) ||
                 cause == NavigationCause::BackForward)
            self->refused_.emit(openElsewhereRefused(address));
        else
            self->openElsewhere(address, false);
        return TRUE;
    }

    static void loadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
        auto* self = static_cast<PageSchemes*>(data);
        // A question of a page that is left is no longer the user's to answer.
        if (event == WEBKIT_LOAD_STARTED)
            self->closeQuestion();
        if (event == WEBKIT_LOAD_COMMITTED) {
            const char* shown = webkit_web_view_get_uri(view);
            self->shown_ = shown ? shown : "";
            self->shownLoaded_ = false;
            self->leavingSavedCopy_ = false;
        }
        if (event == WEBKIT_LOAD_FINISHED)
            self->shownLoaded_ = true;
    }
};

PageSchemes::PageSchemes(WebKitWebView* view, PageFailures& failures)
    : view_(view), failures_(failures) {
    connectGuarded<Signals::decidePolicy>(view_, "decide-policy", this);
    connectGuarded<Signals::loadChanged>(view_, "load-changed", this);
}

PageSchemes::~PageSchemes() {
    g_signal_handlers_disconnect_by_data(view_, this);
}

void PageSchemes::followPageLink(const std::string& address) {
    if (addressKind(address) == AddressKind::Elsewhere)
        openElsewhere(address, false);
}

bool PageSchemes::askedForByQuillet(const std::string& address) const {
    return !asked_.empty() && comparable(address) == comparable(asked_);
}

// A saved copy goes nowhere on its own: no refresh, no form, no script (the engine runs none in
// it). While it loads, its frames load the pages saved with it (from the copy); a click of the
// user's, Quillet's controls, and back, forward and reload take the view on, and the redirects
// on that way follow.
bool PageSchemes::savedCopyMayGo(WebKitNavigationAction* action, const std::string& address) {
    if (webkit_navigation_action_is_redirect(action))
        return leavingSavedCopy_;
    bool leaves = askedForByQuillet(address);
    switch (webkit_navigation_action_get_navigation_type(action)) {
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
        leaves = true;
        break;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
        return leaves;
    default:
        leaves = leaves || webkit_navigation_action_is_user_gesture(action);
    }
    if (leaves) {
        leavingSavedCopy_ = true;
        return true;
    }
    const SavedCopyFrames* copy = savedCopyFramesOf(view_);
    return !shownLoaded_ && copy && copy->address == shown_ && copy->frames.contains(address);
}

void PageSchemes::openElsewhere(const std::string& address, bool asked) {
    const GObjectPtr<GAppInfo> program = desktopProgramFor(address);
    if (!program) {
        // Only a page the user clicked on, or Quillet itself, gets a page that says so.
        failures_.show(PageProblem::LoadFailed, address,
                       "このアドレスを開くアプリケーションがありません");
        return;
    }
    if (!asked) {
        const std::string site = siteOfPage(view_);
        const auto known = answers_.answer(site, schemeOf(address));
        if (!known) {
            ask(site, address);
            return;
        }
        if (!*known) {
            refused_.emit(openElsewhereRefused(address));
            return;
        }
    }
    g_app_info_launch_default_for_uri(address.c_str(), nullptr, nullptr);
}

void PageSchemes::ask(const std::string& site, const std::string& address) {
    if (question_) { // one question at a time: a page asking again meanwhile is refused
        refused_.emit(openElsewhereRefused(address));
        return;
    }
    const GObjectPtr<GAppInfo> program = desktopProgramFor(address);
    questionSite_ = site;
    questionAddress_ = address;
    question_ = std::make_unique<Gtk::MessageDialog>(
        openElsewhereQuestion(g_app_info_get_display_name(program.get()), address), false,
        Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, false);
    if (auto* parent = dynamic_cast<Gtk::Window*>(Glib::wrap(GTK_WIDGET(view_))->get_toplevel()))
        question_->set_transient_for(*parent);
    question_->set_title("Quillet");
    question_->set_secondary_text(
        "この答えは Quillet を終了するまで、このサイトについて覚えておきます。");
    question_->add_button("開かない", Gtk::RESPONSE_REJECT);
    question_->add_button("開く", Gtk::RESPONSE_ACCEPT);
    question_->set_default_response(Gtk::RESPONSE_REJECT);
    question_->signal_response().connect([this](int response) { answered(response); });
    presentForUser(*question_);
}

void PageSchemes::answered(int response) {
    const bool open = response == Gtk::RESPONSE_ACCEPT;
    // Only a button is an answer to keep; a question closed otherwise refuses this time.
    if (open || response == Gtk::RESPONSE_REJECT)
        answers_.remember(questionSite_, schemeOf(questionAddress_), open);
    const std::string address = questionAddress_;
    closeQuestion();
    if (open)
        g_app_info_launch_default_for_uri(address.c_str(), nullptr, nullptr);
}

void PageSchemes::closeQuestion() {
    if (!question_)
        return;
    // The dialog may be inside its own response handler: it is deleted once that returns.
    std::shared_ptr<Gtk::MessageDialog> dialog(std::move(question_));
    dialog->hide();
    Glib::signal_idle().connect_once([dialog] {});
}

} // namespace quillet
