// SPDX-License-Identifier: MIT
#pragma once
// The one way the timeline page (quillet://history/) hands the window the pages ticked on it
// for export: a script of Quillet's own, run in a script world of its own in that page alone,
// posts them to a message handler of that world. No page of the web can reach the world, and
// no address (a GET a page could make) does anything.

#include "GObjectPtr.h"

#include <sigc++/signal.h>
#include <string>
#include <vector>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitUserContentManager WebKitUserContentManager;

namespace quillet {

class TimelineChannel {
  public:
    explicit TimelineChannel(WebKitWebView* view);
    ~TimelineChannel();
    TimelineChannel(const TimelineChannel&) = delete;
    TimelineChannel& operator=(const TimelineChannel&) = delete;

    // The addresses ticked on the timeline, as the page names them: the receiver takes only
    // those it showed there.
    sigc::signal<void(std::vector<std::string>)>& signal_export() { return export_; }

  private:
    struct Signals;
    WebKitWebView* view_;
    GObjectPtr<WebKitUserContentManager> content_; // the view's, held for as long as this is
    sigc::signal<void(std::vector<std::string>)> export_;
};

} // namespace quillet
