// SPDX-License-Identifier: MIT
// The kept history as the window sees it: entries read from it at start, each shown page
// stored, thumbnails read when first drawn, and the privacy controls (delete an entry, a site
// never kept, clearing by time, keeping turned off).

#include "ClearHistoryDialog.h"
#include "ErrorStyles.h"
#include "ScreenMetrics.h"
#include "ThumbnailCodec.h"
#include "UserPresent.h"
#include "Widgets.h"
#include "frmBrowser.h"

#include <gtkmm/messagedialog.h>

namespace quillet {
namespace {

// A thumbnail kept at another size (the size was changed since) is fitted to the pane's.
PackedImage fittedTo(const ImageList& list, PackedImage picture) {
    if (picture.width == list.imageWidth() && picture.height == list.imageHeight())
        return picture;
    return packThumbnail(unpackThumbnail(picture)->scale_simple(
        list.imageWidth(), list.imageHeight(), Gdk::INTERP_BILINEAR));
}

} // namespace

void frmBrowser::connectHistory() {
    buildHistoryMenu();
    placeHistorySearch();
    keeper_->signal_Problem().connect(
        [this](const std::string& text) { tellHistoryProblem(text); });
    ListView1.signal_ThumbnailWanted().connect([this](const std::string& address) {
        keeper_->thumbnails({address}, keptRequests_,
                            [this, address](HistoryKeeper::Thumbnails pictures) {
                                stopSilently([&] {
                                    auto& picture = pictures.front();
                                    if (picture)
                                        picture = fittedTo(ImageList1, std::move(*picture));
                                    ListView1.thumbnailArrived(address, std::move(picture));
                                });
                            });
    });
    // The kept entries are read once the first page is on screen: a start with a long kept
    // history paints its first page as soon as one without.
    if (keeper_->keeping())
        firstPageShown_ = brwWebBrowser.signal_PageShown().connect([this] {
            firstPageShown_.disconnect();
            keeper_->loadKept(
                ImageList::kMaxCount, keptRequests_,
                [this](std::vector<StoredEntry> part) { addKeptEntries(std::move(part)); });
        });
}

void frmBrowser::addKeptEntries(std::vector<StoredEntry> entries) {
    // Kept entries go before this run's, oldest first, so the newest stays at the end. Their
    // thumbnails stay in the file until their rows are drawn.
    const int width = ImageList1.imageWidth() ? ImageList1.imageWidth() : roundHalfEven(tx);
    const int height = ImageList1.imageHeight() ? ImageList1.imageHeight() : roundHalfEven(ty);
    std::vector<ListItem> items;
    for (StoredEntry& entry : entries) {
        if (ImageList1.contains(entry.address) || ImageList1.count() == ImageList::kMaxCount)
            continue; // this run's entry of the same page stands for it
        ImageList1.add(keptEntriesPlaced_ + 1, entry.address, PackedImage{width, height, {}});
        items.push_back({entry.address, entry.address, entry.title,
                         formatVisitTime(fromStoredTime(entry.lastVisit)), 0, false});
        visitTimes_[entry.address] = entry.lastVisit;
        keptEntries_.insert(entry.address);
        ++keptEntriesPlaced_;
    }
    ListView1.insertItemsWithImages(keptEntriesPlaced_ - static_cast<int>(items.size()) + 1, items);
}

std::optional<std::string> frmBrowser::selectedAddress() const {
    if (ListView1.showingResults()) {
        if (const auto row = ListView1.selectedResult())
            return ListView1.results()[static_cast<std::size_t>(*row)].address;
        return std::nullopt;
    }
    if (const auto selected = ListView1.selectedIndex())
        return ListView1.item(*selected).key;
    return std::nullopt;
}

void frmBrowser::removeEntries(const std::unordered_set<std::string>& addresses) {
    // The history first: from here on a window closed, even killed, has lost them too, and a
    // page whose text is still on the way is not stored after all.
    recorder_->forget(addresses);
    keeper_->remove(std::vector<std::string>(addresses.begin(), addresses.end()));
    removeFromPane(addresses);
}

void frmBrowser::removeFromPane(const std::unordered_set<std::string>& addresses) {
    for (const std::string& address : addresses) {
        visitTimes_.erase(address);
        if (keptEntries_.erase(address))
            --keptEntriesPlaced_;
    }
    ListView1.removeItemsWithImages(addresses);
    ImageList1.removeKeys(addresses);
    if (historySearchOpen())
        searchHistoryFor(historySearch.get_text()); // the match list without them
}

void frmBrowser::deleteSelectedEntry() {
    if (const auto address = selectedAddress())
        removeEntries({*address});
}

void frmBrowser::excludeSelectedSite() {
    const auto address = selectedAddress();
    if (!address)
        return;
    const std::string host = hostOfAddress(*address);
    if (host.empty() ||
        !askQuestion(*this, "Quillet",
                     host + " のページを保存された履歴から消去し、今後は残しません。\n"
                            "(今回見たページは、このウィンドウを閉じるまで履歴に表示されます)",
                     "残さない"))
        return;
    std::unordered_set<std::string> kept;
    for (const std::string& entry : keptEntries_)
        if (hostOfAddress(entry) == host)
            kept.insert(entry);
    keeper_->excludeHost(host);
    removeFromPane(kept);
}

void frmBrowser::clearHistorySince(StoredTime since) {
    std::unordered_set<std::string> cleared;
    for (const auto& [address, time] : visitTimes_)
        if (time >= since)
            cleared.insert(address);
    recorder_->forgetVisitedSince(since);
    keeper_->removeVisitedSince(since);
    removeFromPane(cleared);
}

void frmBrowser::showClearHistoryDialog() {
    if (!clearDialog_)
        clearDialog_ = std::make_unique<ClearHistoryDialog>(*this);
    clearDialog_->refresh();
    presentForUser(*clearDialog_);
}

void frmBrowser::setKeepHistory(bool keep) {
    if (keep == keeper_->keeping())
        return;
    if (keep) {
        keeper_->startKeeping();
    } else {
        Gtk::MessageDialog question(*this,
                                    "履歴を残すのをやめます。保存されている履歴も削除しますか?",
                                    false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
        question.set_title("Quillet");
        question.add_button("キャンセル", Gtk::RESPONSE_CANCEL);
        question.add_button("残しておく", Gtk::RESPONSE_NO);
        question.add_button("削除する", Gtk::RESPONSE_YES);
        question.set_default_response(Gtk::RESPONSE_CANCEL);
        const int answer = runForUser(question);
        if (answer != Gtk::RESPONSE_YES && answer != Gtk::RESPONSE_NO) {
            keepHistoryItem.set_active(true);
            return;
        }
        keeper_->stopKeeping(answer == Gtk::RESPONSE_YES);
        keptRequests_.cancel(); // kept entries and thumbnails still on their way stay out
        if (answer == Gtk::RESPONSE_YES)
            removeFromPane(
                std::unordered_set<std::string>(keptEntries_.begin(), keptEntries_.end()));
    }
    keepHistoryItem.set_active(keep);
    settings_.write(kSettingsApp, kHistorySection, kKeepHistory.key, keep ? "1" : "0");
}

void frmBrowser::thumbnailsForExport(
    std::vector<std::string> addresses, HistoryKeeper::Requests& requests,
    std::function<void(std::vector<std::optional<PackedImage>>)> done) {
    std::vector<std::optional<PackedImage>> pictures(addresses.size());
    std::vector<std::string> toRead;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (const PackedImage* held = ListView1.heldThumbnail(addresses[i]))
            pictures[i] = *held;
        else
            toRead.push_back(addresses[i]);
    }
    if (toRead.empty()) {
        done(std::move(pictures));
        return;
    }
    keeper_->thumbnails(toRead, requests,
                        [this, pictures = std::move(pictures),
                         done = std::move(done)](HistoryKeeper::Thumbnails read) mutable {
                            std::size_t next = 0;
                            for (auto& picture : pictures)
                                if (!picture && next < read.size())
                                    if (auto& found = read[next++])
                                        picture = fittedTo(ImageList1, std::move(*found));
                            done(std::move(pictures));
                        });
}

void frmBrowser::tellHistoryProblem(const std::string& text) {
    historyNotice_ = std::make_unique<Gtk::MessageDialog>(*this, text, false, Gtk::MESSAGE_WARNING,
                                                          Gtk::BUTTONS_OK, false);
    historyNotice_->set_title("Quillet");
    historyNotice_->signal_response().connect([this](int) { historyNotice_->hide(); });
    presentForUser(*historyNotice_);
}

} // namespace quillet
