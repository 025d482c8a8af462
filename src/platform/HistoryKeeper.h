// SPDX-License-Identifier: MIT
#pragma once
// The history's storing, off the window's thread: one worker thread owns this run's history
// (in memory, for the search) and, while keeping is on, the kept history file. The window
// hands it work and gets answers back on its own main loop; it never waits on the disk.
// Work is done in the order it was handed over, so a search sees every page stored before it.

#include "HistoryStore.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <glibmm/dispatcher.h>
#include <mutex>
#include <optional>
#include <sigc++/signal.h>
#include <string>
#include <thread>
#include <vector>

namespace quillet {

class HistoryKeeper {
  public:
    // `keptFolder` is where the kept history's file lives; `keep` whether it is opened now.
    HistoryKeeper(std::string keptFolder, bool keep);
    // Finishes the work already handed over (the last pages are stored), then ends the worker.
    ~HistoryKeeper();
    HistoryKeeper(const HistoryKeeper&) = delete;
    HistoryKeeper& operator=(const HistoryKeeper&) = delete;

    bool keeping() const { return keeping_; }
    void startKeeping();
    // Stops storing; with `deleteStored` the file is removed with everything in it.
    void stopKeeping(bool deleteStored);

    // Stores one visit in this run's history, and in the kept one unless its host is excluded.
    void store(PageVisit visit);

    // The kept entries (newest `limit`, without thumbnails), handed over oldest first in
    // parts, so the window draws between them.
    using EntriesPart = std::function<void(std::vector<StoredEntry> part)>;
    void loadKept(int limit, EntriesPart part);
    void thumbnail(std::string address, std::function<void(std::optional<PackedImage>)> done);
    // Blocks until the thumbnail is read: only for the export, which writes files anyway.
    std::optional<PackedImage> thumbnailNow(const std::string& address);

    // Matches in this run's history and the kept one, newest first, at most `limit`. A search
    // overtaken by a newer one before the worker reaches it is dropped (`done` is not called).
    void search(std::string typed, int limit, std::function<void(std::vector<SearchHit>)> done);

    void remove(std::string address);
    void removeVisitedSince(StoredTime since);
    void excludeHost(std::string addressOrHost);
    void includeHost(std::string host);
    void excludedHosts(std::function<void(std::vector<std::string>)> done);

    // Blocks until every piece of work handed over so far is done (tests, and closing).
    void waitUntilIdle();

    // A problem the user should know of, in Japanese: an unusable file set aside, storing
    // stopped (disk full, folder read-only). Each kind is told once.
    sigc::signal<void(std::string)>& signal_Problem() { return problem_; }

  private:
    void post(std::function<void()> work);
    void answer(std::function<void()> onWindow);
    void run();
    void deliverAnswers();
    bool deliverOneAnswer(); // whether more are waiting
    // Runs `work` on the kept history; a failure of the disk ends keeping for this run.
    void onKept(const std::function<void(HistoryStore&)>& work);
    void openKept();
    // Closes the kept history for the rest of the run and tells the user (the first time).
    void stopStoring(const std::string& why);

    std::string keptFolder_;
    bool keeping_; // as the window sees it

    // Owned by the worker thread.
    HistoryStore session_{":memory:"};
    std::unique_ptr<HistoryStore> kept_;
    bool storingStoppedTold_ = false;
    std::atomic<unsigned> latestSearch_{0};

    sigc::signal<void(std::string)> problem_;
    Glib::Dispatcher answered_;
    sigc::connection nextAnswer_;
    std::mutex mutex_;
    std::condition_variable workArrived_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> work_;
    std::deque<std::function<void()>> answers_;
    bool busy_ = false;
    bool ending_ = false;
    std::thread worker_; // last: starts once everything above exists
};

} // namespace quillet
