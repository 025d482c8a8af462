// SPDX-License-Identifier: MIT
#pragma once
// What the page view shows when it cannot show a page: Quillet's own page for a load that
// failed, a certificate that could not be trusted, or a web process that ended.

#include "ErrorPages.h"

#include <string>

typedef struct _WebKitWebView WebKitWebView;

namespace quillet {

class PageFailures {
  public:
    explicit PageFailures(WebKitWebView* view);
    ~PageFailures();
    PageFailures(const PageFailures&) = delete;
    PageFailures& operator=(const PageFailures&) = delete;

    // True while the view shows one of these pages in place of the address that failed.
    bool showingErrorPage() const { return showing_; }
    // Shows the page for `problem` in place of `address`.
    void show(PageProblem problem, const std::string& address, const std::string& detail);

  private:
    struct Signals;

    WebKitWebView* view_;
    bool pending_ = false; // the next commit is one of our own pages
    bool showing_ = false;
};

} // namespace quillet
