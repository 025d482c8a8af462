// SPDX-License-Identifier: MIT
#include "HistoryKeeper.h"

#include "HistoryFile.h"

#include <algorithm>
#include <future>
#include <glib.h>
#include <glibmm/main.h>
#include <unordered_set>

namespace quillet {
namespace {

constexpr int kEntriesPerPart = 250;

} // namespace

HistoryKeeper::HistoryKeeper(std::string keptFolder, bool keep)
    : keptFolder_(std::move(keptFolder)), keeping_(keep), worker_([this] { run(); }) {
    answered_.connect([this] { deliverAnswers(); });
    if (keep)
        post([this] { openKept(); });
}

HistoryKeeper::~HistoryKeeper() {
    nextAnswer_.disconnect();
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    workArrived_.notify_one();
    worker_.join();
}

void HistoryKeeper::post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
    }
    workArrived_.notify_one();
}

void HistoryKeeper::answer(std::function<void()> onWindow) {
    {
        std::lock_guard lock(mutex_);
        answers_.push_back(std::move(onWindow));
    }
    answered_.emit();
}

void HistoryKeeper::deliverAnswers() {
    // One answer per turn of the main loop, when it is idle: a burst of answers (the parts of
    // the kept entries at start) leaves the window time to draw between them.
    if (!nextAnswer_.connected())
        nextAnswer_ = Glib::signal_idle().connect([this] { return deliverOneAnswer(); });
}

bool HistoryKeeper::deliverOneAnswer() {
    std::function<void()> onWindow;
    {
        std::lock_guard lock(mutex_);
        if (answers_.empty())
            return false;
        onWindow = std::move(answers_.front());
        answers_.pop_front();
    }
    onWindow();
    std::lock_guard lock(mutex_);
    return !answers_.empty();
}

void HistoryKeeper::run() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            busy_ = false;
            if (work_.empty())
                idle_.notify_all();
            workArrived_.wait(lock, [this] { return ending_ || !work_.empty(); });
            if (work_.empty())
                return; // ending, with nothing left to store
            work = std::move(work_.front());
            work_.pop_front();
            busy_ = true;
        }
        try {
            work();
        } catch (const std::exception& error) {
            g_warning("history: %s", error.what());
        }
    }
}

void HistoryKeeper::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return work_.empty() && !busy_; });
}

void HistoryKeeper::openKept() {
    try {
        OpenedHistory opened = openKeptHistory(keptFolder_, std::chrono::system_clock::now());
        kept_ = std::move(opened.store);
        if (!opened.setAsideAs.empty())
            answer([this, path = opened.setAsideAs] {
                problem_.emit("履歴のファイルを読めなかったため、" + path +
                              " として残し、新しい履歴を始めました。");
            });
    } catch (const std::exception& error) {
        stopStoring("履歴を保存できません (" + std::string(error.what()) + ")。");
    }
}

void HistoryKeeper::stopStoring(const std::string& why) {
    kept_.reset();
    if (storingStoppedTold_)
        return;
    storingStoppedTold_ = true;
    answer([this,
            text = why + "このあとのページは保存しません。閲覧と今回の履歴はそのまま使えます。"] {
        problem_.emit(text);
    });
}

void HistoryKeeper::onKept(const std::function<void(HistoryStore&)>& work) {
    if (!kept_)
        return;
    try {
        work(*kept_);
    } catch (const SqliteError& error) {
        if (error.code() == SQLITE_BUSY) {
            // Another Quillet held the file past the wait: this piece of work is skipped.
            g_warning("history: the kept history was busy: %s", error.what());
            return;
        }
        // A full disk, a folder made read-only, a file damaged meanwhile: what is stored
        // stays as it is, and nothing more is written to it in this run.
        stopStoring("履歴を保存できなくなりました (" + std::string(error.what()) + ")。");
    }
}

void HistoryKeeper::startKeeping() {
    if (keeping_)
        return;
    keeping_ = true;
    post([this] {
        storingStoppedTold_ = false;
        openKept();
    });
}

void HistoryKeeper::stopKeeping(bool deleteStored) {
    if (!keeping_)
        return;
    keeping_ = false;
    post([this, deleteStored] {
        kept_.reset();
        if (deleteStored)
            deleteKeptHistory(keptFolder_);
    });
}

void HistoryKeeper::store(PageVisit visit) {
    post([this, visit = std::move(visit)]() mutable {
        onKept([&](HistoryStore& kept) { kept.store(visit); });
        visit.thumbnail = {}; // this run's pane holds this run's thumbnails
        session_.store(visit);
    });
}

void HistoryKeeper::loadKept(int limit, EntriesPart part) {
    post([this, limit, part = std::move(part)] {
        std::vector<StoredEntry> entries;
        onKept([&](HistoryStore& kept) { entries = kept.newest(limit, false); });
        std::reverse(entries.begin(), entries.end());
        std::size_t from = 0;
        do {
            const std::size_t to = std::min(entries.size(), from + kEntriesPerPart);
            std::vector<StoredEntry> chunk(std::make_move_iterator(entries.begin() + from),
                                           std::make_move_iterator(entries.begin() + to));
            answer([part, chunk = std::move(chunk)]() mutable { part(std::move(chunk)); });
            from = to;
        } while (from < entries.size());
    });
}

void HistoryKeeper::thumbnail(std::string address,
                              std::function<void(std::optional<PackedImage>)> done) {
    post([this, address = std::move(address), done = std::move(done)] {
        std::optional<PackedImage> picture;
        onKept([&](HistoryStore& kept) { picture = kept.thumbnail(address); });
        answer([done, picture = std::move(picture)] { done(picture); });
    });
}

std::optional<PackedImage> HistoryKeeper::thumbnailNow(const std::string& address) {
    std::promise<std::optional<PackedImage>> read;
    post([&] {
        std::optional<PackedImage> picture;
        try {
            onKept([&](HistoryStore& kept) { picture = kept.thumbnail(address); });
        } catch (...) {
            // Whatever went wrong, the window waiting here gets an answer: no thumbnail.
        }
        read.set_value(std::move(picture));
    });
    return read.get_future().get();
}

void HistoryKeeper::search(std::string typed, int limit,
                           std::function<void(std::vector<SearchHit>)> done) {
    const unsigned number = ++latestSearch_;
    post([this, number, typed = std::move(typed), limit, done = std::move(done)] {
        if (number != latestSearch_)
            return;
        std::vector<SearchHit> hits = session_.search(typed, limit);
        onKept([&](HistoryStore& kept) {
            for (SearchHit& hit : kept.search(typed, limit))
                hits.push_back(std::move(hit));
        });
        // A page of this run is in both: the later visit wins, then newest first.
        std::stable_sort(hits.begin(), hits.end(), [](const SearchHit& a, const SearchHit& b) {
            return a.entry.lastVisit > b.entry.lastVisit;
        });
        std::unordered_set<std::string> seen;
        std::erase_if(hits,
                      [&](const SearchHit& hit) { return !seen.insert(hit.entry.address).second; });
        if (hits.size() > static_cast<std::size_t>(limit))
            hits.resize(static_cast<std::size_t>(limit));
        answer([done, hits = std::move(hits)]() mutable { done(std::move(hits)); });
    });
}

void HistoryKeeper::remove(std::string address) {
    post([this, address = std::move(address)] {
        session_.remove(address);
        onKept([&](HistoryStore& kept) { kept.remove(address); });
    });
}

void HistoryKeeper::removeVisitedSince(StoredTime since) {
    post([this, since] {
        session_.removeVisitedSince(since);
        onKept([&](HistoryStore& kept) { kept.removeVisitedSince(since); });
    });
}

void HistoryKeeper::excludeHost(std::string addressOrHost) {
    post([this, addressOrHost = std::move(addressOrHost)] {
        onKept([&](HistoryStore& kept) { kept.excludeHost(addressOrHost); });
    });
}

void HistoryKeeper::includeHost(std::string host) {
    post([this, host = std::move(host)] {
        onKept([&](HistoryStore& kept) { kept.includeHost(host); });
    });
}

void HistoryKeeper::excludedHosts(std::function<void(std::vector<std::string>)> done) {
    post([this, done = std::move(done)] {
        std::vector<std::string> hosts;
        onKept([&](HistoryStore& kept) { hosts = kept.excludedHosts(); });
        answer([done, hosts = std::move(hosts)] { done(hosts); });
    });
}

} // namespace quillet
