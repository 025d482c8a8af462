// SPDX-License-Identifier: MIT
#pragma once
// The history's storing, off the window's thread: one worker thread owns this run's history
// (in memory, for the search with keeping off) and, while keeping is on, the kept history
// file. The window hands it work and gets answers back on its own main loop; it never waits on
// the disk.
//
// The contract, in one place:
// - Work is done in the order it was handed over, so a search sees every page stored before
//   it and a removal handed over before a store cannot lose to it.
// - Every piece of work that answers answers exactly once, also when it fails (an exception
//   of any type): with an empty result. A failure of the disk ends keeping for the run and is
//   told once through signal_Problem.
// - Answers come on the main loop, one per idle turn, in order. An answer whose caller's
//   Requests has been dropped (or cancelled) since is not delivered; one that throws is
//   reported and the others still come.
// - The worker finishes what it was handed before it ends: closing the window loses no
//   removal and no visit.

#include "HistoryKeyring.h"
#include "HistoryStore.h"
#include "SavedChangesPage.h"
#include "SealedVfs.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <glibmm/dispatcher.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sigc++/signal.h>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace quillet {

class HistoryKeeper {
  public:
    // A caller's hold on the answers it asked for: when it is destroyed or cancelled, the
    // answers still to come are dropped. Main loop only.
    class Requests {
      public:
        Requests() = default;
        Requests(const Requests&) = delete;
        Requests& operator=(const Requests&) = delete;
        void cancel() { alive_ = std::make_shared<int>(0); }

      private:
        friend class HistoryKeeper;
        std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    };

    // What is kept where no keyring answers: nothing until the user is asked (Ask), nothing
    // (DontKeep), or the file unsealed (KeepUnsealed). Where one answers, the file is sealed.
    enum class WithoutKeyring { Ask, DontKeep, KeepUnsealed };

    // `keptFolder` is where the kept history's file lives; `keep` whether it is opened now.
    // `keyring` is asked for the key, on the worker (a process that cannot reach the session
    // bus, a forked one, hands over the key it read before).
    HistoryKeeper(std::string keptFolder, bool keep,
                  WithoutKeyring withoutKeyring = WithoutKeyring::Ask,
                  std::function<KeyringAnswer()> keyring = historyKeyFromKeyring);
    // Finishes the work already handed over (the last pages are stored, removals scrubbed),
    // then ends the worker.
    ~HistoryKeeper();
    HistoryKeeper(const HistoryKeeper&) = delete;
    HistoryKeeper& operator=(const HistoryKeeper&) = delete;

    bool keeping() const { return keeping_; }
    // Keeping, and not paused: what the window shows now is stored in the kept history.
    bool keepingNow() const { return keeping_ && !pausedAsAsked_; }
    void startKeeping();
    // Stops storing; with `deleteStored` the file is removed with everything in it.
    void stopKeeping(bool deleteStored);

    // Stores one visit in this run's history, and in the kept one unless its host is excluded
    // or keeping is paused. Of a visit whose content is withheld, the kept history stores the
    // address, title and time, and this run's the text (so this run's search finds it).
    // `keptWhenVisited`: whether keeping was on and not paused when the page was shown (its
    // text and copy arrive later); none: as it is when the visit reaches the history.
    void store(PageVisit visit, std::optional<bool> keptWhenVisited = std::nullopt);
    // While paused, visits are stored in this run's history only; the kept one is read,
    // searched and removed from as ever.
    void pauseKeeping(bool paused);

    // The kept entries (newest `limit`, without thumbnails), handed over oldest first in
    // parts, so the window draws between them.
    using EntriesPart = std::function<void(std::vector<StoredEntry> part)>;
    void loadKept(int limit, Requests& requests, EntriesPart part);
    // Kept thumbnails, by address, in the order asked (none where the file has none).
    using Thumbnails = std::vector<std::optional<PackedImage>>;
    void thumbnails(std::vector<std::string> addresses, Requests& requests,
                    std::function<void(Thumbnails)> done);

    // Matches in this run's history and the kept one, the best first, at most `limit`. A search
    // overtaken by a newer one before the worker reaches it is dropped (`done` is not called).
    void search(HistoryFilter filter, int limit, Requests& requests,
                std::function<void(std::vector<SearchHit>)> done);
    void search(std::string typed, int limit, Requests& requests,
                std::function<void(std::vector<SearchHit>)> done) {
        search(HistoryFilter{std::move(typed), 0}, limit, requests, std::move(done));
    }
    // The first `limit` pages of either history that look like this one, in lookAlikeOrder,
    // the page itself first (none if its look is not known).
    void similar(std::string address, int limit, Requests& requests,
                 std::function<void(std::vector<SearchHit>)> done);

    // One day of the timeline: the matching pages of the latest day with a visit before
    // `before`, in either history, each with its latest visit that day, newest first. A day
    // starting at 0 with no pages: there is no earlier day.
    struct Day {
        StoredTime start = 0;
        std::vector<StoredEntry> pages;
    };
    void dayBefore(StoredTime before, HistoryFilter filter, Requests& requests,
                   std::function<void(Day)> done);

    // The saved copy of the kept page at `address` that a visit at `time` saw, and when it
    // was saved; none when the file holds no copy of it.
    struct SavedCopy {
        std::string archive;
        StoredTime saved = 0;
    };
    void savedCopy(std::string address, StoredTime time, Requests& requests,
                   std::function<void(std::optional<SavedCopy>)> done);
    // What changed in the kept page's text from the version before the one a visit at `time`
    // saw to that one; none when that version is its first, or there is none.
    struct SavedChanges {
        SavedChangesAsked page;
        TextChanges changes;
    };
    void savedChanges(std::string address, StoredTime time, Requests& requests,
                      std::function<void(std::optional<SavedChanges>)> done);
    // The kept page's saved versions, oldest first.
    void savedVersions(std::string address, Requests& requests,
                       std::function<void(std::vector<SavedVersion>)> done);
    // The space the saved copies may take (bytes in the file; none: no limit). Past it the
    // oldest versions go, now and after each copy stored.
    void setSavedCopiesSpace(std::optional<std::int64_t> space);
    // The bytes the saved copies take in the kept history (0 when none is kept).
    void savedCopiesSize(Requests& requests, std::function<void(std::int64_t)> done);
    void remove(std::vector<std::string> addresses);
    void removeVisitedSince(StoredTime since);
    // Removes the kept pages last visited before `before` (this run's history is left alone).
    void removeKeptVisitedBefore(StoredTime before);
    // The number of kept pages and the bytes of the kept history's files (0, 0 when none).
    void keptSize(Requests& requests,
                  std::function<void(std::pair<std::int64_t, std::uint64_t>)> done);
    void excludeHost(std::string addressOrHost);
    void includeHost(std::string host);
    void excludedHosts(Requests& requests, std::function<void(std::vector<std::string>)> done);

    // Blocks until every piece of work handed over so far is done, and the looks the worker
    // works out on its own (an older file's) with it (tests and benchmarks).
    void waitUntilIdle();
    // Runs `work` on the worker, in turn with the rest (tests: a piece of work that fails).
    void runOnWorker(std::function<void()> work) { post(std::move(work)); }
    // Lets go of `garbage` on the worker: what the window drops in bulk (the whole pane's
    // entries) is freed there, not while the window waits.
    void dispose(std::shared_ptr<void> garbage) {
        post([garbage = std::move(garbage)]() mutable { garbage.reset(); });
    }

    // A problem the user should know of, in Japanese: an unusable file set aside, storing
    // stopped (disk full, folder read-only). Each kind is told once.
    sigc::signal<void(std::string)>& signal_Problem() { return problem_; }
    // Keeping is on, no keyring answered and the user has not chosen what to do then: nothing
    // is kept until setWithoutKeyring. Once a run, and again after setWithoutKeyring(Ask).
    sigc::signal<void()>& signal_NoKeyring() { return noKeyring_; }
    void setWithoutKeyring(WithoutKeyring choice);

  private:
    void post(std::function<void()> work);
    // Runs `work` on the worker and hands its result (an empty one if it threw) to `done` on
    // the main loop, unless `requests` is gone by then.
    template <typename Result>
    void ask(Requests& requests, std::function<Result()> work, std::function<void(Result)> done);
    void answer(const std::shared_ptr<int>& requests, std::function<void()> onWindow);
    void run();
    void assertOnWorker() const;
    void deliverAnswers();
    bool deliverOneAnswer(); // whether more are waiting
    // Runs `work` on the kept history; a failure of the disk ends keeping for this run.
    void onKept(const std::function<void(HistoryStore&)>& work);
    void openKept();
    bool findSeal();
    bool logOwed() const;
    void emptyLogBeforeTheEnd();
    // Copies this run's pages that `which` picks from the kept history into this run's own,
    // before the kept history stops holding them for this run.
    void keepThisRunsPagesInSession(const std::function<bool(const std::string&)>& which);
    // Works out the looks of a few kept thumbnails stored without one (an older file's); once
    // none is left, reads a part of the kept looks into memory.
    void workOutLooks();
    // Closes the kept history for the rest of the run and tells the user (the first time).
    void stopStoring(const std::string& why);

    struct Answer {
        std::weak_ptr<int> requests; // expired: the caller is gone, the answer is dropped
        std::function<void()> onWindow;
    };

    std::string keptFolder_;
    bool keeping_;                  // as the window sees it
    bool pausedAsAsked_ = false;    // by the window
    WithoutKeyring withoutKeyring_; // the worker's
    std::function<KeyringAnswer()> keyring_;
    Requests own_; // answers of the keeper's own (its problems)

    // Owned by the worker thread.
    std::thread::id workerId_;
    HistoryStore session_{":memory:"};
    std::unique_ptr<SealedVfs> seal_; // the keyring's key; outlives the file opened with it
    bool noKeyringTold_ = false;
    std::unique_ptr<HistoryStore> kept_;
    std::unordered_set<std::string> keptThisRun_; // this run's pages the kept history holds
    bool storingStoppedTold_ = false;
    bool paused_ = false;
    std::optional<std::int64_t> savedCopiesSpace_ = kDefaultSavedCopiesSpace;
    bool looksOwed_ = false; // looks to work out or to read into memory
    std::chrono::steady_clock::time_point looksHeldUntil_; // not before the window's first rows
    bool unseenLooksLeft_ = false; // the kept file may hold thumbnails without their look
    std::int64_t unseenBelow_ = 0; // where the next batch of them starts

    unsigned latestSearch_ = 0; // guarded by mutex_

    sigc::signal<void(std::string)> problem_;
    sigc::signal<void()> noKeyring_;
    Glib::Dispatcher answered_;
    sigc::connection nextAnswer_;
    std::mutex mutex_;
    std::condition_variable workArrived_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> work_;
    std::deque<Answer> answers_;
    bool busy_ = false;
    bool ending_ = false;
    std::thread worker_; // last: starts once everything above exists
};

} // namespace quillet
