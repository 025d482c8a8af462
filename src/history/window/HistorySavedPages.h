// SPDX-License-Identifier: MIT
#pragma once
// The window's side of quillet://saved/: a kept page as it was seen, served from its saved copy
// in the kept history (nothing is asked of the site), with a strip over it that says when it
// was saved and opens the page as it is now; and what changed since the page's last version,
// told in the same strip when a visit saves a new one, shown by 変更を見る.

#include "HistoryKeeper.h"
#include "NoticeStrip.h"
#include "PageView.h"
#include "SavedPageAddress.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

namespace quillet {

inline constexpr const char* kOpenLatestButton = "最新のページを開く";
inline constexpr const char* kNoSavedCopy = "このページの保存したコピーはありません";
inline constexpr const char* kShowChangesButton = "変更を見る";

class HistorySavedPages {
  public:
    // `open` takes the view to a page as Quillet's controls do.
    HistorySavedPages(HistoryKeeper& keeper, PageView& view, NoticeStrip& strip,
                      std::function<void(std::string)> open);

    void serve(const std::shared_ptr<BuiltInRequest>& request);
    // The view started another load, or shows a page: the strip follows what it shows.
    void pageChanging();
    void pageShown();
    // A visit of `address` at `time` was stored with its copy: if that made a new version of
    // a page kept before and the view still shows it, the strip says so.
    void copyStored(const std::string& address, StoredTime time);
    void windowClosed() { requests_.cancel(); }

  private:
    struct Served {
        std::string page; // the address the copy was saved from
        StoredTime saved = 0;
    };
    void tellIfShown(const std::string& address);
    void serveChanges(const std::shared_ptr<BuiltInRequest>& request, const SavedPageAsked& asked);

    HistoryKeeper& keeper_;
    PageView& view_;
    NoticeStrip& strip_;
    std::function<void(std::string)> open_;
    // The copies served in this run, by their quillet://saved/ address: what the strip says
    // when the view shows one again (back, forward).
    std::unordered_map<std::string, Served> served_;
    HistoryKeeper::Requests requests_;
};

} // namespace quillet
