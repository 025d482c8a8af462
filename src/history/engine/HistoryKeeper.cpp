// SPDX-License-Identifier: MIT
#include "HistoryKeeper.h"

#include "FolderLock.h"
#include "HistoryFile.h"
#include "SavedPictures.h"
#include "ThumbnailCodec.h"
#include "TimelineDays.h"

#include <algorithm>
#include <filesystem>
#include <glib.h>
#include <glibmm/exceptionhandler.h>
#include <glibmm/main.h>
#include <limits>
#include <unordered_set>

namespace quillet {
namespace {

constexpr int kEntriesPerPart = 250;
// Looks worked out between other work: a batch takes some 20 ms, so a search or a visit handed
// over meanwhile waits no longer than that.
constexpr int kLooksPerBatch = 24;
// The kept looks are read into memory (for 似たページを探す) between other work as well, this
// many at a time: a few milliseconds each, where all 100,000 at once would hold the pane's
// first rows back at start.
constexpr int kLooksReadPerPart = 4096;
// Nor do they start before the window has its first rows (or this long after the file was
// opened, if it never asks): at start, the window and the web process have the machine's
// cores to themselves.
constexpr std::chrono::seconds kLooksHeldAfterOpening{3};
// A log that a reader held at the checkpoint is tried again this often, and at the end for
// at most kLastCheckpointTries of them.
constexpr std::chrono::milliseconds kCheckpointRetry{200};
constexpr int kLastCheckpointTries = 25;

// What went wrong, for the log, whatever was thrown.
std::string describeCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (const Glib::Exception& error) {
        return error.what();
    } catch (...) {
        return "an exception of an unknown type";
    }
}

// Both histories' answers as one: in the order `before` gives, each page once (a page in both,
// stored before keeping was on, shows where it stands first), at most `limit` of them.
template <typename Item, typename Before>
void mergeAnswers(std::vector<Item>& items, Before before,
                  const std::string& (*address)(const Item&), std::size_t limit) {
    std::stable_sort(items.begin(), items.end(), before);
    std::unordered_set<std::string> seen;
    std::erase_if(items, [&](const Item& item) { return !seen.insert(address(item)).second; });
    if (items.size() > limit)
        items.resize(limit);
}

const std::string& hitAddress(const SearchHit& hit) {
    return hit.entry.address;
}
const std::string& entryAddress(const StoredEntry& entry) {
    return entry.address;
}

} // namespace

HistoryKeeper::HistoryKeeper(std::string keptFolder, bool keep, WithoutKeyring withoutKeyring,
                             std::function<KeyringAnswer()> keyring)
    : keptFolder_(std::move(keptFolder)), keeping_(keep), withoutKeyring_(withoutKeyring),
      keyring_(std::move(keyring)), worker_([this] { run(); }) {
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

template <typename Result>
void HistoryKeeper::ask(Requests& requests, std::function<Result()> work,
                        std::function<void(Result)> done) {
    post([this, alive = requests.alive_, work = std::move(work), done = std::move(done)] {
        Result result{};
        try {
            result = work();
        } catch (...) {
            g_warning("history: %s", describeCurrentException().c_str());
        }
        answer(alive, [done, result = std::move(result)]() mutable { done(std::move(result)); });
    });
}

void HistoryKeeper::answer(const std::shared_ptr<int>& requests, std::function<void()> onWindow) {
    {
        std::lock_guard lock(mutex_);
        answers_.push_back(Answer{requests, std::move(onWindow)});
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
    Answer next;
    {
        std::lock_guard lock(mutex_);
        if (answers_.empty())
            return false;
        next = std::move(answers_.front());
        answers_.pop_front();
    }
    // The weak reference is only ever locked here, on the main loop, where the caller drops it.
    if (!next.requests.expired()) {
        try {
            next.onWindow();
        } catch (...) {
            Glib::exception_handlers_invoke(); // told the program's way; the next ones still come
        }
    }
    std::lock_guard lock(mutex_);
    return !answers_.empty();
}

void HistoryKeeper::run() {
    workerId_ = std::this_thread::get_id();
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            busy_ = false;
            if (work_.empty())
                idle_.notify_all();
            const auto ready = [this] { return ending_ || !work_.empty(); };
            const auto now = std::chrono::steady_clock::now();
            if (looksOwed_ && !ending_ && work_.empty() && now >= looksHeldUntil_) {
                work = [this] { workOutLooks(); }; // only while nothing else waits
            } else if (!logOwed() && !looksOwed_) {
                workArrived_.wait(lock, ready);
            } else {
                const auto retryLog = logOwed() ? now + kCheckpointRetry
                                                : std::chrono::steady_clock::time_point::max();
                const auto wakeUp = looksOwed_ ? std::min(retryLog, looksHeldUntil_) : retryLog;
                if (!workArrived_.wait_until(lock, wakeUp, ready)) {
                    if (wakeUp != retryLog)
                        continue; // the looks' turn
                    work = [this] { onKept([](HistoryStore& kept) { kept.emptyLog(); }); };
                }
            }
            if (!work && work_.empty()) {
                lock.unlock();
                emptyLogBeforeTheEnd();
                return; // ending, with nothing left to store
            }
            if (!work) {
                work = std::move(work_.front());
                work_.pop_front();
            }
            busy_ = true;
        }
        try {
            work();
        } catch (...) {
            g_warning("history: %s", describeCurrentException().c_str());
        }
    }
}

bool HistoryKeeper::logOwed() const {
    return kept_ && kept_->logOwed();
}

void HistoryKeeper::emptyLogBeforeTheEnd() {
    // What was removed must not outlive the program in the log: another Quillet reading it may
    // let go within a few seconds.
    for (int tries = 0; logOwed() && tries < kLastCheckpointTries; ++tries) {
        std::this_thread::sleep_for(kCheckpointRetry);
        onKept([](HistoryStore& kept) { kept.emptyLog(); });
    }
}

void HistoryKeeper::assertOnWorker() const {
    g_assert(std::this_thread::get_id() == workerId_);
}

void HistoryKeeper::waitUntilIdle() {
    post([this] { looksHeldUntil_ = {}; });
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return work_.empty() && !busy_; });
}

void HistoryKeeper::setWithoutKeyring(WithoutKeyring choice) {
    post([this, choice] {
        withoutKeyring_ = choice;
        if (choice == WithoutKeyring::Ask)
            noKeyringTold_ = false; // asked again at the next opening
        if (keeping_ && !kept_ && choice == WithoutKeyring::KeepUnsealed)
            openKept();
    });
}

// Whether the kept file can be opened now: sealed with the keyring's key, or unsealed where
// none answers and the user chose so. Asks the keyring the first time.
bool HistoryKeeper::findSeal() {
    if (seal_)
        return true;
    // Under the folder's lock: two Quillets started at once would each make a key of their own.
    g_mkdir_with_parents(keptFolder_.c_str(), 0700);
    KeyringAnswer keyring = [&] {
        const FolderLock lock(keptFolder_);
        return keyring_();
    }();
    if (keyring.key) {
        seal_ = std::make_unique<SealedVfs>(std::move(*keyring.key));
        return true;
    }
    g_message("history: no keyring answered: %s", keyring.why.c_str());
    if (withoutKeyring_ == WithoutKeyring::Ask && !noKeyringTold_) {
        noKeyringTold_ = true;
        answer(own_.alive_, [this] { noKeyring_.emit(); });
    }
    return withoutKeyring_ == WithoutKeyring::KeepUnsealed;
}

void HistoryKeeper::openKept() {
    assertOnWorker();
    try {
        if (!findSeal())
            return; // this run's pages stay in memory
        OpenedHistory opened =
            openKeptHistory(keptFolder_, std::chrono::system_clock::now(), seal_.get());
        kept_ = std::move(opened.store);
        looksOwed_ = true;
        looksHeldUntil_ = std::chrono::steady_clock::now() + kLooksHeldAfterOpening;
        unseenLooksLeft_ = true;
        unseenBelow_ = std::numeric_limits<std::int64_t>::max();
        if (!opened.setAsideAs.empty())
            answer(own_.alive_, [this, path = opened.setAsideAs] {
                problem_.emit("履歴のファイルを読めなかったため、" + path +
                              " として残し、新しい履歴を始めました。");
            });
    } catch (const SealedHistoryWithoutKey&) {
        stopStoring("保存した履歴は暗号化されていて、キーリングが使えないため開けません。");
    } catch (...) {
        stopStoring("履歴を保存できません (" + describeCurrentException() + ")。");
    }
}

void HistoryKeeper::stopStoring(const std::string& why) {
    assertOnWorker();
    keepThisRunsPagesInSession([](const std::string&) { return true; });
    kept_.reset();
    if (storingStoppedTold_)
        return;
    storingStoppedTold_ = true;
    answer(own_.alive_,
           [this,
            text = why + "このあとのページは保存しません。閲覧と今回の履歴はそのまま使えます。"] {
               problem_.emit(text);
           });
}

void HistoryKeeper::onKept(const std::function<void(HistoryStore&)>& work) {
    assertOnWorker();
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
        assertOnWorker();
        keepThisRunsPagesInSession([](const std::string&) { return true; });
        kept_.reset();
        if (deleteStored)
            deleteKeptHistory(keptFolder_);
    });
}

void HistoryKeeper::workOutLooks() {
    assertOnWorker();
    if (!unseenLooksLeft_) {
        bool allRead = true;
        onKept([&](HistoryStore& kept) { allRead = kept.readLooksPart(kLooksReadPerPart); });
        looksOwed_ = kept_ && !allRead;
        return;
    }
    std::vector<UnseenLook> unseen;
    onKept([&](HistoryStore& kept) { unseen = kept.unseenLooks(kLooksPerBatch, unseenBelow_); });
    unseenLooksLeft_ = unseen.size() == static_cast<std::size_t>(kLooksPerBatch);
    looksOwed_ = kept_ != nullptr;
    if (unseen.empty())
        return;
    unseenBelow_ = unseen.back().id;
    std::vector<std::pair<std::int64_t, std::optional<LookSignature>>> looks;
    looks.reserve(unseen.size());
    for (const UnseenLook& page : unseen)
        looks.emplace_back(page.id, lookOfThumbnail(page.thumbnail));
    onKept([&](HistoryStore& kept) { kept.setLooks(looks); });
}

void HistoryKeeper::store(PageVisit visit, std::optional<bool> keptWhenVisited) {
    post([this, visit = std::move(visit), keptWhenVisited]() mutable {
        assertOnWorker();
        if (!visit.look && !visit.contentWithheld)
            visit.look = lookOfThumbnail(visit.thumbnail);
        bool kept = false;
        if (keptWhenVisited.value_or(!paused_))
            onKept([&](HistoryStore& store) {
                kept = store.store(visit);
                if (kept && !visit.savedCopy.empty() && savedCopiesSpace_)
                    store.keepSavedCopiesWithin(*savedCopiesSpace_);
            });
        // This run's history holds only what the kept one does not (keeping off or paused, a
        // site never kept, a disk that failed, and the text of a page whose content is not
        // kept): the search reads both, and a page's text is not held twice.
        if (kept && !visit.contentWithheld) {
            if (session_.visitOf(visit.address)) // an earlier visit, while keeping was off
                session_.remove(visit.address);
            keptThisRun_.insert(visit.address);
            return;
        }
        visit.thumbnail = {}; // this run's pane holds this run's thumbnails (the look stays)
        visit.savedCopy = {}; // pages as they were seen are kept in the kept history alone
        visit.contentWithheld = false; // this run's search finds it by its text
        session_.store(visit);
    });
}

void HistoryKeeper::pauseKeeping(bool paused) {
    pausedAsAsked_ = paused;
    post([this, paused] {
        assertOnWorker();
        paused_ = paused;
    });
}

void HistoryKeeper::keepThisRunsPagesInSession(
    const std::function<bool(const std::string&)>& which) {
    assertOnWorker();
    for (auto page = keptThisRun_.begin(); page != keptThisRun_.end();) {
        if (!which(*page)) {
            ++page;
            continue;
        }
        try {
            if (const auto visit = kept_ ? kept_->visitOf(*page) : std::nullopt)
                session_.store(*visit); // (none: removed since)
        } catch (...) {
            g_warning("history: %s", describeCurrentException().c_str());
        }
        page = keptThisRun_.erase(page);
    }
}

void HistoryKeeper::loadKept(int limit, Requests& requests, EntriesPart part) {
    post([this, limit, alive = requests.alive_, part = std::move(part)] {
        std::vector<StoredEntry> entries;
        try {
            onKept([&](HistoryStore& kept) { entries = kept.newest(limit, false); });
        } catch (...) {
            g_warning("history: %s", describeCurrentException().c_str());
        }
        std::reverse(entries.begin(), entries.end());
        std::size_t from = 0;
        do {
            const std::size_t to = std::min(entries.size(), from + kEntriesPerPart);
            std::vector<StoredEntry> chunk(std::make_move_iterator(entries.begin() + from),
                                           std::make_move_iterator(entries.begin() + to));
            answer(alive, [part, chunk = std::move(chunk)]() mutable { part(std::move(chunk)); });
            from = to;
        } while (from < entries.size());
        looksHeldUntil_ = {}; // the window has its first rows: the looks' turn
    });
}

void HistoryKeeper::thumbnails(std::vector<std::string> addresses, Requests& requests,
                               std::function<void(Thumbnails)> done) {
    ask<Thumbnails>(
        requests,
        [this, addresses = std::move(addresses)] {
            Thumbnails pictures(addresses.size());
            onKept([&](HistoryStore& kept) {
                for (std::size_t i = 0; i < addresses.size(); ++i)
                    pictures[i] = kept.thumbnail(addresses[i]);
            });
            return pictures;
        },
        std::move(done));
}

void HistoryKeeper::search(HistoryFilter filter, int limit, Requests& requests,
                           std::function<void(std::vector<SearchHit>)> done) {
    unsigned number = 0;
    {
        std::lock_guard lock(mutex_);
        number = ++latestSearch_;
    }
    post([this, number, filter = std::move(filter), limit, alive = requests.alive_,
          done = std::move(done)] {
        {
            std::lock_guard lock(mutex_);
            if (number != latestSearch_)
                return; // overtaken: the newer search answers
        }
        std::vector<SearchHit> hits;
        try {
            hits = session_.search(filter, limit);
            onKept([&](HistoryStore& kept) {
                for (SearchHit& hit : kept.search(filter, limit))
                    hits.push_back(std::move(hit));
            });
        } catch (...) {
            g_warning("history: search: %s", describeCurrentException().c_str());
            hits.clear(); // answered all the same: no matches rather than the previous ones
        }
        // The best match first (all score 0 in the order of time), then the newest: a page
        // in both shows the better of its two.
        mergeAnswers(
            hits,
            [](const SearchHit& a, const SearchHit& b) {
                return a.score != b.score ? a.score > b.score
                                          : a.entry.lastVisit > b.entry.lastVisit;
            },
            hitAddress, static_cast<std::size_t>(limit));
        answer(alive, [done, hits = std::move(hits)]() mutable { done(std::move(hits)); });
    });
}

void HistoryKeeper::similar(std::string address, int limit, Requests& requests,
                            std::function<void(std::vector<SearchHit>)> done) {
    ask<std::vector<SearchHit>>(
        requests,
        [this, address = std::move(address), limit] {
            std::optional<LookSignature> look = session_.lookOf(address);
            onKept([&](HistoryStore& kept) {
                if (!look)
                    look = kept.lookOf(address);
            });
            if (!look)
                return std::vector<SearchHit>{};
            std::vector<LookMatch> matches = session_.nearest(*look, limit);
            onKept([&](HistoryStore& kept) {
                for (LookMatch& match : kept.nearest(*look, limit))
                    matches.push_back(std::move(match));
            });
            // Each page once (as this window's history has it), both histories' look-alikes
            // in one order, the page itself first even among pages that look exactly like it.
            std::unordered_set<std::string> seen;
            std::erase_if(matches, [&](const LookMatch& match) {
                return !seen.insert(match.entry.address).second;
            });
            std::vector<LookNearness> nearness;
            for (const LookMatch& match : matches)
                nearness.push_back(match.nearness);
            std::vector<SearchHit> hits;
            for (const std::size_t at :
                 lookAlikeOrder(nearness, static_cast<std::size_t>(std::max(limit, 0))))
                hits.push_back({std::move(matches[at].entry), {}});
            std::stable_partition(hits.begin(), hits.end(), [&](const SearchHit& hit) {
                return hit.entry.address == address;
            });
            return hits;
        },
        std::move(done));
}

void HistoryKeeper::dayBefore(StoredTime before, HistoryFilter filter, Requests& requests,
                              std::function<void(Day)> done) {
    ask<Day>(
        requests,
        [this, before, filter = std::move(filter)] {
            std::optional<StoredTime> latest = session_.latestVisitBefore(before, filter);
            onKept([&](HistoryStore& kept) {
                if (const auto keptLatest = kept.latestVisitBefore(before, filter))
                    latest = std::max(latest.value_or(*keptLatest), *keptLatest);
            });
            Day day;
            if (!latest)
                return day;
            day.start = startOfLocalDay(*latest);
            const StoredTime end = std::min(before, startOfNextLocalDay(day.start));
            day.pages = session_.visitedBetween(day.start, end, filter);
            onKept([&](HistoryStore& kept) {
                for (StoredEntry& page : kept.visitedBetween(day.start, end, filter))
                    day.pages.push_back(std::move(page));
            });
            mergeAnswers(
                day.pages,
                [](const StoredEntry& a, const StoredEntry& b) {
                    return a.lastVisit > b.lastVisit;
                },
                entryAddress, day.pages.size());
            return day;
        },
        std::move(done));
}

void HistoryKeeper::removeKeptVisitedBefore(StoredTime before) {
    post([this, before] { onKept([&](HistoryStore& kept) { kept.removeVisitedBefore(before); }); });
}

void HistoryKeeper::keptSize(Requests& requests,
                             std::function<void(std::pair<std::int64_t, std::uint64_t>)> done) {
    ask<std::pair<std::int64_t, std::uint64_t>>(
        requests,
        [this] {
            std::pair<std::int64_t, std::uint64_t> size{0, 0};
            onKept([&](HistoryStore& kept) { size.first = kept.pageCount(); });
            for (const char* name :
                 {"/history.sqlite", "/history.sqlite-wal", "/history.sqlite-ledger"}) {
                std::error_code failed;
                const auto bytes = std::filesystem::file_size(keptFolder_ + name, failed);
                if (!failed)
                    size.second += bytes;
            }
            return size;
        },
        std::move(done));
}

void HistoryKeeper::savedCopy(std::string address, StoredTime time, Requests& requests,
                              std::function<void(std::optional<SavedCopy>)> done) {
    ask<std::optional<SavedCopy>>(
        requests,
        [this, address = std::move(address), time] {
            std::optional<SavedCopy> copy;
            onKept([&](HistoryStore& kept) {
                const std::optional<SavedVersion> version = kept.savedVersionSeenAt(address, time);
                if (!version)
                    return;
                if (std::optional<std::string> archive = kept.savedCopy(version->id))
                    copy =
                        SavedCopy{withVectorPicturesDrawn(*archive, drawSvgAsPng), version->saved};
            });
            return copy;
        },
        std::move(done));
}

void HistoryKeeper::savedChanges(std::string address, StoredTime time, Requests& requests,
                                 std::function<void(std::optional<SavedChanges>)> done) {
    ask<std::optional<SavedChanges>>(
        requests,
        [this, address = std::move(address), time] {
            std::optional<SavedChanges> found;
            onKept([&](HistoryStore& kept) {
                const std::optional<SavedVersion> seen = kept.savedVersionSeenAt(address, time);
                if (!seen)
                    return;
                const std::vector<SavedVersion> versions = kept.savedVersions(address);
                const auto at =
                    std::find_if(versions.begin(), versions.end(),
                                 [&](const SavedVersion& v) { return v.id == seen->id; });
                if (at == versions.begin() || at == versions.end())
                    return;
                const SavedVersion& before = *(at - 1);
                const std::optional<std::string> oldText = kept.savedCopyText(before.id);
                const std::optional<std::string> newText = kept.savedCopyText(seen->id);
                if (!oldText || !newText)
                    return;
                const std::optional<PageVisit> page = kept.visitOf(address);
                found = SavedChanges{{address, page ? page->title : "", before.saved, seen->saved},
                                     textChanges(*oldText, *newText)};
            });
            return found;
        },
        std::move(done));
}

void HistoryKeeper::savedVersions(std::string address, Requests& requests,
                                  std::function<void(std::vector<SavedVersion>)> done) {
    ask<std::vector<SavedVersion>>(
        requests,
        [this, address = std::move(address)] {
            std::vector<SavedVersion> versions;
            onKept([&](HistoryStore& kept) { versions = kept.savedVersions(address); });
            return versions;
        },
        std::move(done));
}

void HistoryKeeper::setSavedCopiesSpace(std::optional<std::int64_t> space) {
    post([this, space] {
        savedCopiesSpace_ = space;
        if (space)
            onKept([&](HistoryStore& kept) { kept.keepSavedCopiesWithin(*space); });
    });
}

void HistoryKeeper::savedCopiesSize(Requests& requests, std::function<void(std::int64_t)> done) {
    ask<std::int64_t>(
        requests,
        [this] {
            std::int64_t size = 0;
            onKept([&](HistoryStore& kept) { size = kept.savedCopiesSize(); });
            return size;
        },
        std::move(done));
}

void HistoryKeeper::remove(std::vector<std::string> addresses) {
    post([this, addresses = std::move(addresses)] {
        session_.remove(addresses);
        onKept([&](HistoryStore& kept) { kept.remove(addresses); });
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
        // This run's pages of the site stay in this run's history, as they stay in its pane.
        std::string host = hostOfAddress(addressOrHost);
        if (host.empty())
            host = addressOrHost;
        keepThisRunsPagesInSession(
            [&](const std::string& address) { return hostOfAddress(address) == host; });
        onKept([&](HistoryStore& kept) { kept.excludeHost(addressOrHost); });
    });
}

void HistoryKeeper::includeHost(std::string host) {
    post([this, host = std::move(host)] {
        onKept([&](HistoryStore& kept) { kept.includeHost(host); });
    });
}

void HistoryKeeper::excludedHosts(Requests& requests,
                                  std::function<void(std::vector<std::string>)> done) {
    ask<std::vector<std::string>>(
        requests,
        [this] {
            std::vector<std::string> hosts;
            onKept([&](HistoryStore& kept) { hosts = kept.excludedHosts(); });
            return hosts;
        },
        std::move(done));
}

} // namespace quillet
