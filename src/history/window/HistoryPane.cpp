// SPDX-License-Identifier: MIT
// The pane's entries and the kept history behind them: kept entries read at start, their
// thumbnails read when their rows are drawn, and the privacy controls (delete an entry, a site
// never kept, clearing by time, keeping turned off), each done to the history first.

#include "HistoryPane.h"

#include "ClearHistoryDialog.h"
#include "ErrorStyles.h"
#include "HistoryRules.h"
#include "SavedPageAddress.h"
#include "ThumbnailCodec.h"
#include "UserPresent.h"
#include "Widgets.h"

#include <limits>

namespace quillet {

HistoryPane::HistoryPane(Gtk::Window& window, HistoryKeeper& keeper, VisitRecorder& recorder,
                         SettingsStore& settings, Privacy privacy, Clock clock,
                         std::function<PixelSize()> thumbnailSize)
    : ListView1(ImageList1), window_(window), keeper_(keeper), recorder_(recorder),
      settings_(settings), privacy_(privacy), clock_(std::move(clock)),
      thumbnailSize_(std::move(thumbnailSize)) {
    addActions();
    buildMenu();
    connectSearchField();
    keeper_.signal_Problem().connect([this](const std::string& text) { tellProblem(text); });
    keeper_.signal_NoKeyring().connect([this] { askWithoutKeyring(); });
    keeper_.setSavedCopiesSpace(savedCopiesSpace().bytes);
    ListView1.signal_ThumbnailWanted().connect([this](const std::string& address) {
        keeper_.thumbnails({address}, keptRequests_,
                           [this, address](HistoryKeeper::Thumbnails pictures) {
                               stopSilently([&] {
                                   auto& picture = pictures.front();
                                   if (picture)
                                       picture = fitted(std::move(*picture));
                                   ListView1.thumbnailArrived(address, std::move(picture));
                               });
                           });
    });
    ListView1.signal_DeleteKey().connect([this] { actions_->activate_action("delete"); });
}

HistoryPane::~HistoryPane() {
    removeLeaving_.disconnect();
    dailyRemoval_.disconnect();
}

Retention HistoryPane::retention() const {
    return retentionFromSetting(settings_.read(kSettingsApp, kHistorySection, kHistoryRetention.key,
                                               kHistoryRetention.fallback));
}

void HistoryPane::setRetention(Retention retention) {
    settings_.write(kSettingsApp, kHistorySection, kHistoryRetention.key,
                    retentionSetting(retention));
    removeExpired();
}

const SavedCopiesSpace& HistoryPane::savedCopiesSpace() const {
    return savedCopiesSpaceFromSetting(settings_.read(
        kSettingsApp, kHistorySection, kSavedCopiesSpace.key, kSavedCopiesSpace.fallback));
}

void HistoryPane::setSavedCopiesSpace(const SavedCopiesSpace& space) {
    settings_.write(kSettingsApp, kHistorySection, kSavedCopiesSpace.key, space.setting);
    keeper_.setSavedCopiesSpace(space.bytes);
}

void HistoryPane::removeExpired() {
    const auto cutoff = retentionCutoff(retention(), std::chrono::system_clock::now());
    if (!cutoff || !keeper_.keeping())
        return;
    keeper_.removeKeptVisitedBefore(*cutoff);
    std::unordered_set<std::string> expired;
    for (const std::string& address : keptEntries_)
        if (const auto visit = visitTimes_.find(address);
            visit != visitTimes_.end() && visit->second < *cutoff)
            expired.insert(address);
    removeFromPane(expired);
}

PackedImage HistoryPane::fitted(PackedImage picture) const {
    // A thumbnail kept at another size (the size was changed since) is fitted to the pane's.
    if (picture.width == ImageList1.imageWidth() && picture.height == ImageList1.imageHeight())
        return picture;
    return packThumbnail(unpackThumbnail(picture)->scale_simple(
        ImageList1.imageWidth(), ImageList1.imageHeight(), Gdk::INTERP_BILINEAR));
}

void HistoryPane::loadKept() {
    removeExpired(); // before the entries are read: what expired is not shown at all
    dailyRemoval_ = Glib::signal_timeout().connect_seconds(
        [this] {
            removeExpired();
            return true;
        },
        24 * 60 * 60);
    if (keeper_.keeping())
        keeper_.loadKept(
            ImageList::kMaxCount, keptRequests_,
            [this](std::vector<StoredEntry> part) { addKeptEntries(std::move(part)); });
}

void HistoryPane::addKeptEntries(std::vector<StoredEntry> entries) {
    // Kept entries go before this run's, oldest first, so the newest stays at the end. Their
    // thumbnails stay in the file until their rows are drawn.
    const PixelSize made = thumbnailSize_();
    const int width = ImageList1.imageWidth() ? ImageList1.imageWidth() : made.width;
    const int height = ImageList1.imageHeight() ? ImageList1.imageHeight() : made.height;
    std::vector<ListItem> items;
    for (StoredEntry& entry : entries) {
        if (ImageList1.contains(entry.address) || ImageList1.count() == ImageList::kMaxCount)
            continue; // this run's entry of the same page stands for it
        ImageList1.add(keptEntriesPlaced_ + 1, entry.address, PackedImage{width, height, {}});
        items.push_back({entry.address, entry.address, entry.title,
                         formatVisitTime(fromStoredTime(entry.lastVisit)), 0, false});
        visitTimes_[entry.address] = entry.lastVisit;
        keptEntries_.insert(entry.address);
        if (!entry.contentKept) {
            contentNotKept_.insert(entry.address);
            ListView1.markWithoutThumbnail(entry.address);
        }
        ++keptEntriesPlaced_;
    }
    ListView1.insertItemsWithImages(keptEntriesPlaced_ - static_cast<int>(items.size()) + 1, items);
}

std::optional<std::string> HistoryPane::selectedAddress() const {
    if (ListView1.showingResults()) {
        if (const auto row = ListView1.selectedResult())
            return ListView1.results()[static_cast<std::size_t>(*row)].address;
        return std::nullopt;
    }
    if (const auto selected = ListView1.selectedIndex())
        return ListView1.item(*selected).key;
    return std::nullopt;
}

void HistoryPane::removeEntries(const std::unordered_set<std::string>& addresses) {
    // The history first: from here on a window closed, even killed, has lost them too, and a
    // page whose text is still on the way is not stored after all.
    recorder_.forget(addresses);
    keeper_.remove(std::vector<std::string>(addresses.begin(), addresses.end()));
    removeFromPane(addresses);
}

void HistoryPane::removeFromPane(const std::unordered_set<std::string>& addresses) {
    if (!addresses.empty() && addresses.size() >= static_cast<std::size_t>(ListView1.count()) &&
        std::ranges::all_of(addresses,
                            [this](const std::string& key) { return ImageList1.contains(key); })) {
        removeEverythingFromPane();
        return;
    }
    if (addresses.size() <= kRemovedAtOnce) {
        removeFromPaneNow(addresses);
        if (searchOpen())
            searchFor(historySearch.get_text()); // the match list without them
        return;
    }
    // Each slice renumbers the whole pane and takes its rows out of the tree view one by one:
    // thousands at once would hold the window still for longer than a user notices. The
    // history has them already, so only the pane waits, a slice each time the window is idle.
    leaving_.insert(leaving_.end(), addresses.begin(), addresses.end());
    if (!removeLeaving_.connected())
        removeLeaving_ = Glib::signal_idle().connect([this] {
            const std::size_t rest = leaving_.size() - std::min(leaving_.size(), kRemovedAtOnce);
            removeFromPaneNow(
                {leaving_.begin() + static_cast<std::ptrdiff_t>(rest), leaving_.end()});
            leaving_.resize(rest);
            if (!leaving_.empty())
                return true;
            if (searchOpen())
                searchFor(historySearch.get_text());
            return false;
        });
}

void HistoryPane::removeFromPaneNow(const std::unordered_set<std::string>& addresses) {
    for (const std::string& address : addresses) {
        visitTimes_.erase(address);
        contentNotKept_.erase(address);
        if (keptEntries_.erase(address))
            --keptEntriesPlaced_;
    }
    ListView1.removeItemsWithImages(addresses);
    ImageList1.removeKeys(addresses);
}

void HistoryPane::removeEverythingFromPane() {
    // At once, and what the pane held is freed on the history's worker: 32,767 entries take
    // longer to free than the window may stand still.
    struct Everything {
        std::unordered_map<std::string, StoredTime> visitTimes;
        std::unordered_set<std::string> keptEntries;
        ListItems items;
        ImageList images;
    };
    removeLeaving_.disconnect();
    leaving_.clear();
    auto everything = std::make_shared<Everything>();
    std::swap(everything->visitTimes, visitTimes_);
    std::swap(everything->keptEntries, keptEntries_);
    contentNotKept_.clear();
    keptEntriesPlaced_ = 0;
    everything->items = ListView1.removeAllItems();
    everything->images = ImageList1.takeAll();
    keeper_.dispose(std::move(everything));
    if (searchOpen())
        searchFor(historySearch.get_text());
}

void HistoryPane::openSavedCopy() {
    const std::optional<std::string> address = selectedAddress();
    if (!address)
        return;
    // The version its last visit saw; a match of the search found in the file alone, the
    // newest.
    const auto visited = visitTimes_.find(*address);
    open_.emit(savedPageAddress(*address, visited != visitTimes_.end()
                                              ? visited->second
                                              : std::numeric_limits<StoredTime>::max()),
               "");
}

void HistoryPane::deleteSelectedEntry() {
    if (const auto address = selectedAddress())
        removeEntries({*address});
}

void HistoryPane::excludeSelectedSite() {
    const auto address = selectedAddress();
    if (!address)
        return;
    const std::string host = hostOfAddress(*address);
    if (host.empty() ||
        !askQuestion(window_, "Quillet",
                     host + " のページを保存された履歴から消去し、今後は残しません。\n"
                            "(今回見たページは、このウィンドウを閉じるまで履歴に表示されます)",
                     "残さない"))
        return;
    std::unordered_set<std::string> kept;
    // Parsing every address takes long in a pane of 32,767: an address that does not hold the
    // host's name (ASCII, in any case) is passed over first.
    const bool ascii = std::ranges::all_of(host, [](char c) { return (c & 0x80) == 0; });
    const auto mayBeOf = [&](const std::string& address) {
        return !ascii || !std::ranges::search(address, host, [](char a, char b) {
                              return g_ascii_tolower(a) == b;
                          }).empty();
    };
    for (const std::string& entry : keptEntries_)
        if (mayBeOf(entry) && hostOfAddress(entry) == host)
            kept.insert(entry);
    keeper_.excludeHost(host);
    removeFromPane(kept);
}

void HistoryPane::clearHistoryOfLast(std::chrono::seconds length) {
    const StoredTime since = length.count() == 0 ? std::numeric_limits<StoredTime>::min()
                                                 : toStoredTime(clock_() - length);
    recorder_.forgetVisitedSince(since);
    keeper_.removeVisitedSince(since);
    if (std::ranges::all_of(visitTimes_,
                            [&](const auto& visit) { return visit.second >= since; }) &&
        visitTimes_.size() == static_cast<std::size_t>(ListView1.count())) {
        removeEverythingFromPane(); // without a set of every address first
        return;
    }
    std::unordered_set<std::string> cleared;
    for (const auto& [address, time] : visitTimes_)
        if (time >= since)
            cleared.insert(address);
    removeFromPane(cleared);
}

void HistoryPane::showClearHistoryDialog() {
    if (!clearDialog_)
        clearDialog_ = std::make_unique<ClearHistoryDialog>(*this);
    clearDialog_->refresh();
    presentForUser(*clearDialog_);
}

void HistoryPane::excludedSites(HistoryKeeper::Requests& requests,
                                std::function<void(std::vector<std::string>)> done) {
    keeper_.excludedHosts(requests, std::move(done));
}

void HistoryPane::setKeepHistory(bool keep) {
    const auto showChoice = [this](bool kept) {
        keepToggled_.block();
        keepHistoryItem.set_active(kept);
        Glib::RefPtr<Gio::SimpleAction>::cast_dynamic(actions_->lookup_action("keep"))
            ->set_state(Glib::Variant<bool>::create(kept)); // shown, not asked for again
        keepToggled_.unblock();
    };
    if (keep == keeper_.keeping()) {
        showChoice(keep);
        return;
    }
    if (keep) {
        // Turned on anew: where no keyring answers, the user is asked again, so an earlier
        // answer (残さない or 暗号化せずに残す) can be changed.
        settings_.write(kSettingsApp, kHistorySection, kHistoryWithoutKeyring.key, "");
        keeper_.setWithoutKeyring(HistoryKeeper::WithoutKeyring::Ask);
        keeper_.startKeeping();
        removeExpired(); // the file kept from an earlier run keeps no more than it should
    } else {
        Gtk::MessageDialog question(window_,
                                    "履歴を残すのをやめます。保存されている履歴も削除しますか?",
                                    false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
        question.set_title("Quillet");
        question.add_button("キャンセル", Gtk::RESPONSE_CANCEL);
        question.add_button("残しておく", Gtk::RESPONSE_NO);
        question.add_button("削除する", Gtk::RESPONSE_YES);
        question.set_default_response(Gtk::RESPONSE_CANCEL);
        const int answer = runForUser(question);
        if (answer != Gtk::RESPONSE_YES && answer != Gtk::RESPONSE_NO) {
            showChoice(true);
            return;
        }
        keeper_.stopKeeping(answer == Gtk::RESPONSE_YES);
        keptRequests_.cancel(); // kept entries and thumbnails still on their way stay out
        if (answer == Gtk::RESPONSE_YES)
            removeFromPane(
                std::unordered_set<std::string>(keptEntries_.begin(), keptEntries_.end()));
    }
    showChoice(keep);
    setPaused(false); // a pause lasts while keeping does
    enableAction("pause", keep);
    pauseKeepingItem.set_sensitive(keep);
    settings_.write(kSettingsApp, kHistorySection, kKeepHistory.key, keep ? "1" : "0");
}

void HistoryPane::setPaused(bool paused) {
    if (paused != paused_)
        keeper_.pauseKeeping(paused);
    paused_ = paused;
    pauseToggled_.block();
    pauseKeepingItem.set_active(paused);
    Glib::RefPtr<Gio::SimpleAction>::cast_dynamic(actions_->lookup_action("pause"))
        ->set_state(Glib::Variant<bool>::create(paused));
    pauseToggled_.unblock();
}

void HistoryPane::untick(const std::string& key) {
    if (const auto position = ListView1.items().indexOfKey(key))
        ListView1.setChecked(*position, false);
}

void HistoryPane::thumbnailsForExport(
    std::vector<std::string> keys, HistoryKeeper::Requests& requests,
    std::function<void(std::vector<std::optional<PackedImage>>)> done) {
    std::vector<std::optional<PackedImage>> pictures(keys.size());
    std::vector<std::string> toRead;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (const PackedImage* held = ListView1.heldThumbnail(keys[i]))
            pictures[i] = *held;
        else
            toRead.push_back(keys[i]);
    }
    if (toRead.empty()) {
        done(std::move(pictures));
        return;
    }
    keeper_.thumbnails(std::move(toRead), requests,
                       [this, pictures = std::move(pictures),
                        done = std::move(done)](HistoryKeeper::Thumbnails read) mutable {
                           // The ones read fill the places left empty, in order.
                           std::size_t next = 0;
                           for (auto& picture : pictures)
                               if (!picture && next < read.size())
                                   if (auto& found = read[next++])
                                       picture = fitted(std::move(*found));
                           done(std::move(pictures));
                       });
}

void HistoryPane::askWithoutKeyring() {
    keyringQuestion_ = std::make_unique<Gtk::MessageDialog>(
        window_, kNoKeyringQuestion, false, Gtk::MESSAGE_WARNING, Gtk::BUTTONS_NONE, false);
    keyringQuestion_->set_title("Quillet");
    keyringQuestion_->add_button(kKeepNothingButton, Gtk::RESPONSE_NO);
    keyringQuestion_->add_button(kKeepUnsealedButton, Gtk::RESPONSE_YES);
    keyringQuestion_->set_default_response(Gtk::RESPONSE_NO);
    keyringQuestion_->signal_response().connect([this](int response) {
        keyringQuestion_->hide();
        // Closed without an answer: nothing is kept this run, and the question comes again.
        if (response != Gtk::RESPONSE_YES && response != Gtk::RESPONSE_NO)
            return;
        const bool unsealed = response == Gtk::RESPONSE_YES;
        settings_.write(kSettingsApp, kHistorySection, kHistoryWithoutKeyring.key,
                        unsealed ? "unsealed" : "none");
        keeper_.setWithoutKeyring(unsealed ? HistoryKeeper::WithoutKeyring::KeepUnsealed
                                           : HistoryKeeper::WithoutKeyring::DontKeep);
    });
    presentForUser(*keyringQuestion_);
}

void HistoryPane::tellProblem(const std::string& text) {
    notice_ = std::make_unique<Gtk::MessageDialog>(window_, text, false, Gtk::MESSAGE_WARNING,
                                                   Gtk::BUTTONS_OK, false);
    notice_->set_title("Quillet");
    notice_->signal_response().connect([this](int) { notice_->hide(); });
    presentForUser(*notice_);
}

} // namespace quillet
