// SPDX-License-Identifier: MIT
#include "PageClosing.h"

#include "SignalGuard.h"
#include "UserPresent.h"

#include <glibmm/main.h>
#include <gtkmm/messagedialog.h>
#include <utility>
#include <webkit2/webkit2.h>

namespace quillet {
namespace {

// True when the user chooses to leave the page.
bool askToLeave(Gtk::Widget& pageView) {
    Gtk::MessageDialog question(*dynamic_cast<Gtk::Window*>(pageView.get_toplevel()),
                                "このページを離れますか？", false, Gtk::MESSAGE_QUESTION,
                                Gtk::BUTTONS_NONE, true);
    question.set_title("Quillet");
    question.set_secondary_text("入力した内容は保存されないことがあります。");
    question.add_button("留まる", Gtk::RESPONSE_CANCEL);
    question.add_button("離れる", Gtk::RESPONSE_ACCEPT);
    question.set_default_response(Gtk::RESPONSE_CANCEL);
    return runForUser(question) == Gtk::RESPONSE_ACCEPT;
}

} // namespace

struct PageClosing::Signals {
    // The page agreed to close (no beforeunload prompt, or the user chose to leave).
    static void closeRequested(WebKitWebView*, gpointer data) {
        auto* self = static_cast<PageClosing*>(data);
        self->answerTimeout_.disconnect();
        if (auto agreed = std::exchange(self->agreed_, nullptr))
            agreed();
    }

    // The page's "leave this page?" question.
    static gboolean scriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
        if (webkit_script_dialog_get_dialog_type(dialog) !=
            WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
            return FALSE; // alert, confirm and prompt: WebKit's own dialogs
        auto* self = static_cast<PageClosing*>(data);
        self->answerTimeout_.disconnect(); // the user is answering: no hurry
        self->askingUser_ = true;
        const bool leave = askToLeave(self->widget_);
        self->askingUser_ = false;
        webkit_script_dialog_confirm_set_confirmed(dialog, leave);
        return TRUE;
    }
};

PageClosing::PageClosing(WebKitWebView* view, Gtk::Widget& widget) : view_(view), widget_(widget) {
    connectGuarded<Signals::closeRequested>(view_, "close", this);
    connectGuarded<Signals::scriptDialog>(view_, "script-dialog", this);
}

PageClosing::~PageClosing() {
    answerTimeout_.disconnect();
    g_signal_handlers_disconnect_by_data(view_, this);
}

void PageClosing::ask(std::function<void()> agreed) {
    if (askingUser_)
        return; // the question is on screen already
    agreed_ = std::move(agreed);
    answerTimeout_.disconnect();
    answerTimeout_ = Glib::signal_timeout().connect(
        [this] {
            if (auto agreedAnyway = std::exchange(agreed_, nullptr))
                agreedAnyway();
            return false;
        },
        kAnswerWait);
    webkit_web_view_try_close(view_);
}

} // namespace quillet
