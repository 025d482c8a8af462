// SPDX-License-Identifier: MIT
#pragma once
// What pages ask permission for (location, notifications, camera and microphone, screen,
// reading the clipboard) is put to the user as a question naming the site. The answer holds
// for that site until the program ends; a question closed without an answer, or left open
// when the page goes away, is a denial.

#include "GObjectPtr.h"
#include "PermissionRules.h"

#include <gtkmm/messagedialog.h>
#include <memory>
#include <string>
#include <vector>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitPermissionRequest WebKitPermissionRequest;

namespace quillet {

// The site the user sees in the address box: scheme, host and port of the view's page (a page
// of its own, file: or data:, by its address).
std::string siteOfPage(WebKitWebView* view);

class PagePermissions {
  public:
    PagePermissions() = default;
    ~PagePermissions();
    PagePermissions(const PagePermissions&) = delete;
    PagePermissions& operator=(const PagePermissions&) = delete;

    // Answers the requests of `view`'s pages from now on, until the view is destroyed.
    void watch(WebKitWebView* view);

    // The questions waiting for the user.
    std::vector<Gtk::MessageDialog*> openQuestions() const;

  private:
    friend struct PermissionSignals;
    struct Question {
        WebKitWebView* view;
        std::string origin;
        Permissions asked;
        std::vector<GObjectPtr<WebKitPermissionRequest>> requests;
        std::unique_ptr<Gtk::MessageDialog> dialog;
    };
    bool decide(WebKitWebView* view, WebKitPermissionRequest* request);
    void ask(WebKitWebView* view, const std::string& origin, Permissions asked,
             WebKitPermissionRequest* request);
    void answer(Question* question, int response);
    void dropQuestions(WebKitWebView* view); // denied: the page they came from is gone
    void close(Question* question, bool allowed);

    PermissionAnswers answers_;
    std::vector<std::unique_ptr<Question>> questions_;
    std::vector<WebKitWebView*> watched_;
};

} // namespace quillet
