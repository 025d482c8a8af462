// SPDX-License-Identifier: MIT
#pragma once
// Where the page view may go beyond the web (rules in rules/AddressRules): Quillet's own pages
// only when Quillet itself asked for them, and an address of another scheme to the desktop's
// program for it only after a click or key of the user's on the page and the user's yes to a
// question; the answer holds for that site and scheme until Quillet ends. What a page tried
// and was refused is told (signal_refused), for the status line.

#include "AddressRules.h"

#include <gtkmm/messagedialog.h>
#include <memory>
#include <sigc++/signal.h>
#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitNavigationAction WebKitNavigationAction;

namespace quillet {

class PageFailures;

class PageSchemes {
  public:
    PageSchemes(WebKitWebView* view, PageFailures& failures);
    ~PageSchemes();
    PageSchemes(const PageSchemes&) = delete;
    PageSchemes& operator=(const PageSchemes&) = delete;

    // Quillet's controls are about to send the view to `address`: it may enter Quillet's own
    // pages, and one of another scheme goes to the desktop without a question.
    void askedByQuillet(const std::string& address) { asked_ = address; }
    // A link the user clicked on a page asks for a new window with an address the view does
    // not show: one of another scheme is put to the user; one of Quillet's own goes nowhere.
    void followPageLink(const std::string& address);

    sigc::signal<void(std::string)>& signal_refused() { return refused_; }
    // The question open now, if any.
    Gtk::MessageDialog* question() const { return question_.get(); }

  private:
    struct Signals;
    bool askedForByQuillet(const std::string& address) const;
    // Whether the page shown from a saved copy may go to `address`.
    bool savedCopyMayGo(WebKitNavigationAction* action, const std::string& address);
    void openElsewhere(const std::string& address, bool asked);
    void ask(const std::string& site, const std::string& address);
    void answered(int response);
    void closeQuestion();

    WebKitWebView* view_;
    PageFailures& failures_;
    std::string asked_;
    std::string shown_;             // the address of the page the view last committed to
    bool shownLoaded_ = false;      // it has finished loading
    bool leavingSavedCopy_ = false; // the user or Quillet sent the view on from a saved copy
    OpenElsewhereAnswers answers_;
    std::unique_ptr<Gtk::MessageDialog> question_;
    std::string questionSite_, questionAddress_;
    sigc::signal<void(std::string)> refused_;
};

} // namespace quillet
