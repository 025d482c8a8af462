// SPDX-License-Identifier: MIT
#pragma once
// The text a page shows, for the history's search: asked of Quillet's extension in the web
// process, which reads it by a script in a world of its own (the page's scripts cannot see or
// change it), so the window never waits for it. At most page_messages::kMaxTextCharacters are
// handed over, with whether the page holds a secret field (a password, a card number).

#include "GObjectPtr.h"
#include "KeptContent.h"

#include <functional>
#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _GCancellable GCancellable;
typedef struct _GAsyncResult GAsyncResult;

namespace quillet {

class PageText {
  public:
    explicit PageText(WebKitWebView* view) : view_(view) {}
    ~PageText() { cancel(); }
    PageText(const PageText&) = delete;
    PageText& operator=(const PageText&) = delete;

    // `done` gets the text of the page at `address`, or "" when the page gave none or the
    // view had moved on to another page by then; it is not called once the view is gone. A
    // second request while one runs does not cancel the first. Only `withheld.secretField` is
    // set: of a page that gave no answer, as a page that holds one.
    void take(std::string address, std::function<void(PageContent)> done);
    void cancel(); // the view is going away

  private:
    static void taken(GObject* webView, GAsyncResult* result, gpointer data);
    WebKitWebView* view_;
    GObjectPtr<GCancellable> running_;
};

} // namespace quillet
