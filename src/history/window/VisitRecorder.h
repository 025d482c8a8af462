// SPDX-License-Identifier: MIT
#pragma once
// Each shown page's visit, from the capture to the history: the page's text (and, while the
// history is kept, the page's saved copy) is read in its own process, and the visit is handed
// to the history's worker once it arrived. A visit that the
// user deletes or clears while its text is on the way is forgotten, not stored after all.

#include "HistoryKeeper.h"
#include "PageView.h"
#include "PendingVisits.h"

#include <memory>
#include <sigc++/signal.h>

namespace quillet {

class VisitRecorder {
  public:
    VisitRecorder(PageView& page, HistoryKeeper& keeper) : page_(page), keeper_(keeper) {}
    // The visits still waiting are stored with what arrived of them (PendingVisits::takeAll):
    // the window is closing.
    ~VisitRecorder();
    VisitRecorder(const VisitRecorder&) = delete;
    VisitRecorder& operator=(const VisitRecorder&) = delete;

    // The page now shown, stored once its text is read.
    void record(PageVisit visit);
    void forget(const std::unordered_set<std::string>& addresses) { pending_.forget(addresses); }
    void forgetVisitedSince(StoredTime since) { pending_.forgetVisitedSince(since); }
    std::size_t waiting() const { return pending_.size(); }
    // A kept visit was handed to the history with its saved copy (its address and time).
    sigc::signal<void(const std::string&, StoredTime)>& signal_CopyStored() { return copyStored_; }

  private:
    void storeIfWhole(std::optional<PendingVisits::Recorded> recorded);

    PageView& page_;
    HistoryKeeper& keeper_;
    PendingVisits pending_;
    sigc::signal<void(const std::string&, StoredTime)> copyStored_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0); // for the text's answers
};

} // namespace quillet
