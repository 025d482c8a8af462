// SPDX-License-Identifier: MIT
#pragma once
// The web context Quillet's pages run in: site data in the user's XDG folders (in memory only
// for a private run), the web processes sandboxed where that works, and the built-in pages
// under quillet://.

#include "AddressRules.h"
#include "GObjectPtr.h"
#include "Privacy.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitURISchemeRequest WebKitURISchemeRequest;
typedef struct _WebKitWebView WebKitWebView;

namespace quillet {

// The home page's background (#F4F8F3 in resources/home/index.html), which fills its top left
// corner; 0x00BBGGRR, as the windows keep colours.
inline constexpr std::uint32_t kHomeBackground = 0x00F3F8F4;

GObjectPtr<WebKitWebContext> newWebContext(Privacy privacy);

// A request for one of the window's own pages (quillet://history/...), answered once, now or
// later; a request dropped unanswered fails.
class BuiltInRequest {
  public:
    explicit BuiltInRequest(WebKitURISchemeRequest* request);
    ~BuiltInRequest();
    BuiltInRequest(const BuiltInRequest&) = delete;
    BuiltInRequest& operator=(const BuiltInRequest&) = delete;

    std::string address() const;
    void finish(std::vector<std::uint8_t> bytes, const char* contentType);
    void finish(const std::string& text, const char* contentType);
    // A saved copy (a multipart archive) for the view that asked; the frames it holds are
    // noted on the view (see savedCopyFramesOf).
    void finishSavedCopy(const std::string& archive);
    void fail(const std::string& why);

  private:
    GObjectPtr<WebKitURISchemeRequest> request_;
    bool answered_ = false;
};
// The saved copy a view was last served, and the frames in it: the only pages its frames may
// load while it is shown.
struct SavedCopyFrames {
    std::string address;
    std::set<std::string> frames;
};
const SavedCopyFrames* savedCopyFramesOf(WebKitWebView* view); // null: none served to it
using BuiltInServer = std::function<void(std::shared_ptr<BuiltInRequest>)>;
// The context's quillet:// pages are answered in `view` alone, and only while it shows one of
// them; every other request fails the same way.
void serveBuiltInPagesTo(WebKitWebContext* context, WebKitWebView* view);
// Hands the context's requests for quillet://history/ to `server` (none: they fail).
void serveHistoryPages(WebKitWebContext* context, BuiltInServer server);

// The text the home page shows, read from its HTML without the web engine.
std::string homePageText();

} // namespace quillet
