// SPDX-License-Identifier: MIT
#pragma once
// The page as the view shows it, after its scripts ran, saved by the engine as one MHTML
// message (its HTML, style sheets, pictures, fonts and frames), for the kept history's copy of
// the visit. The engine serializes it in the page's process and hands the bytes over; the
// window never waits for them.

#include "GObjectPtr.h"

#include <cstddef>
#include <functional>
#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _GCancellable GCancellable;
typedef struct _GAsyncResult GAsyncResult;
typedef struct _GInputStream GInputStream;

namespace quillet {

class PageArchive {
  public:
    // A page's copy past this is not kept (what a page can make its process build is not
    // bounded; the history's worker must not be asked to hold and compress any size).
    static constexpr std::size_t kLargest = std::size_t{64} << 20;

    explicit PageArchive(WebKitWebView* view) : view_(view) {}
    ~PageArchive() { cancel(); }
    PageArchive(const PageArchive&) = delete;
    PageArchive& operator=(const PageArchive&) = delete;

    // `done` gets the copy of the page the view shows when the engine serializes it (which
    // need not be the one shown when it was asked: the store checks), or "" when the engine
    // gave none or it was larger than kLargest; it is not called once the view is gone.
    void save(std::function<void(std::string)> done);
    void cancel(); // the view is going away

    // Hands the copy `stream` holds to `done`: at once when the engine holds its bytes in
    // memory already, otherwise read a part at a time between the window's events and never
    // more than kLargest of it; "" past that or when reading fails. `done` is not called once
    // `cancellable` is cancelled.
    static void readCopy(GInputStream* stream, GCancellable* cancellable,
                         std::function<void(std::string)> done);

  private:
    static void saved(GObject* webView, GAsyncResult* result, gpointer data);
    static void read(GObject* stream, GAsyncResult* result, gpointer data);
    WebKitWebView* view_;
    GObjectPtr<GCancellable> running_;
};

} // namespace quillet
