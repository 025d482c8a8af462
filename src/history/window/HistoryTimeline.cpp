// SPDX-License-Identifier: MIT
#include "HistoryTimeline.h"

#include "DateWords.h"
#include "Form2.h"
#include "TimelineDays.h"
#include "UserPresent.h"

#include <gtkmm/application.h>
#include <limits>

namespace quillet {

HistoryTimeline::HistoryTimeline(Gtk::Window& window, HistoryKeeper& keeper, HistoryPane& pane,
                                 Clock clock)
    : window_(window), keeper_(keeper), pane_(pane), clock_(std::move(clock)) {}

HistoryTimeline::~HistoryTimeline() = default;

void HistoryTimeline::windowClosed() {
    requests_.cancel();
    if (export_)
        export_->mainWindowClosed();
}

void HistoryTimeline::serve(const std::shared_ptr<BuiltInRequest>& request) {
    const TimelineRequest asked = readTimelineRequest(request->address());
    switch (asked.kind) {
    case TimelineRequest::Kind::Page:
    case TimelineRequest::Kind::Day:
        serveDay(request, asked, asked.kind == TimelineRequest::Kind::Page);
        return;
    case TimelineRequest::Kind::Thumbnail:
        if (asked.addresses.size() == 1) {
            serveThumbnail(request, asked.addresses.front());
            return;
        }
        break;
    case TimelineRequest::Kind::Unknown:
        break;
    }
    request->fail("Quillet には、このページはありません");
}

void HistoryTimeline::serveDay(const std::shared_ptr<BuiltInRequest>& request,
                               const TimelineRequest& asked, bool wholePage) {
    // The page starts at the day asked for (the date field) or the newest; a further day is
    // the one before the last day shown.
    StoredTime before = std::numeric_limits<StoredTime>::max();
    if (wholePage && asked.day)
        before = startOfNextLocalDay(*asked.day);
    else if (!wholePage)
        before = asked.before.value_or(std::numeric_limits<StoredTime>::min());
    // Date words are read as the page or its further day is asked for (昨日 stays yesterday).
    DatedSearch dated = readDateWords(asked.filter.typed, toStoredTime(clock_()));
    keeper_.dayBefore(
        before, HistoryFilter{dated.words, asked.filter.chips, dated.span}, requests_,
        [this, request, asked, wholePage, spanText = dated.spanText,
         words = dated.words](HistoryKeeper::Day day) {
            const char* html = "text/html; charset=utf-8";
            const std::size_t from = std::min(asked.from.value_or(0), day.pages.size());
            prefetch({day.pages.begin() + static_cast<std::ptrdiff_t>(from),
                      day.pages.begin() + static_cast<std::ptrdiff_t>(
                                              std::min(day.pages.size(), from + kTilesAtOnce))});
            if (wholePage) {
                shown_.clear();
                searchedWords_ = words;
            }
            for (const StoredEntry& page : day.pages)
                shown_[page.address] = page.title;
            if (asked.from)
                request->finish(timelineTiles(day.pages, from), html);
            else if (wholePage)
                request->finish(timelinePage(asked, day.start, day.pages, spanText), html);
            else
                request->finish(timelineDay(day.start, day.pages), html);
        });
}

std::optional<std::string> HistoryTimeline::wordsThatFound(const std::string& address) const {
    if (searchedWords_.empty() || !shown_.contains(address))
        return std::nullopt;
    return searchedWords_;
}

void HistoryTimeline::serveThumbnail(const std::shared_ptr<BuiltInRequest>& request,
                                     const std::string& address) {
    // This run's thumbnails are in the pane; the kept ones in the file (the pane holds none
    // of theirs but those of drawn rows).
    if (const PackedImage* picture = thisRunsThumbnail(address)) {
        request->finish(picture->bytes, "image/png");
        return;
    }
    if (const auto found = prefetched_.find(address); found != prefetched_.end()) {
        request->finish(found->second.bytes, "image/png");
        return;
    }
    if (const auto coming = coming_.find(address); coming != coming_.end()) {
        coming->second.push_back(request);
        return;
    }
    keeper_.thumbnails({address}, requests_, [request](HistoryKeeper::Thumbnails pictures) {
        if (!pictures.empty() && pictures.front() && !pictures.front()->bytes.empty())
            request->finish(std::move(pictures.front()->bytes), "image/png");
        else
            request->fail("この履歴には縮小画像がありません");
    });
}

const PackedImage* HistoryTimeline::thisRunsThumbnail(const std::string& address) const {
    // The pane holds this run's thumbnails; of a kept entry it holds an empty one.
    if (!pane_.ImageList1.contains(address) || pane_.ImageList1.image(address).bytes.empty())
        return nullptr;
    return &pane_.ImageList1.image(address);
}

void HistoryTimeline::prefetch(const std::vector<StoredEntry>& pages) {
    std::vector<std::string> addresses;
    for (const StoredEntry& page : pages)
        if (page.contentKept && !prefetched_.contains(page.address) &&
            !coming_.contains(page.address) && !thisRunsThumbnail(page.address)) {
            addresses.push_back(page.address);
            coming_[page.address];
        }
    if (addresses.empty())
        return;
    keeper_.thumbnails(addresses, requests_, [this, addresses](HistoryKeeper::Thumbnails pictures) {
        // The oldest days' pictures go first once they hold more than this.
        constexpr std::size_t kPrefetchedBytes = 16 * 1024 * 1024;
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            std::vector<std::shared_ptr<BuiltInRequest>> waiting;
            if (auto coming = coming_.extract(addresses[i]))
                waiting = std::move(coming.mapped());
            const bool found = i < pictures.size() && pictures[i] && !pictures[i]->bytes.empty();
            for (const auto& request : waiting) {
                if (found)
                    request->finish(pictures[i]->bytes, "image/png");
                else
                    request->fail("この履歴には縮小画像がありません");
            }
            if (found) {
                prefetchedBytes_ += pictures[i]->bytes.size();
                prefetched_[addresses[i]] = std::move(*pictures[i]);
            }
        }
        prefetchedDays_.push_back(addresses);
        while (prefetchedBytes_ > kPrefetchedBytes && prefetchedDays_.size() > 1) {
            for (const std::string& address : prefetchedDays_.front())
                if (auto gone = prefetched_.extract(address))
                    prefetchedBytes_ -= gone.mapped().bytes.size();
            prefetchedDays_.pop_front();
        }
    });
}

void HistoryTimeline::exportTicked(const std::vector<std::string>& addresses) {
    if (export_ && export_->get_visible())
        return; // an export under way keeps its pages
    // Only pages the timeline showed, with the titles the history gave them.
    ticked_ = ListItems();
    for (const std::string& address : addresses) {
        const auto shown = shown_.find(address);
        if (shown == shown_.end() || ticked_.indexOfKey(address))
            continue;
        const int position = ticked_.count() + 1;
        ticked_.add(position, address, address, position);
        ticked_.setSubItem(position, 1, shown->second);
        ticked_.setChecked(position, true);
    }
    if (!export_)
        export_ = std::make_unique<Form2>(*this);
    export_->Form_Load();
    if (auto application = window_.get_application())
        application->add_window(*export_);
    presentForUser(*export_);
}

void HistoryTimeline::untick(const std::string& key) {
    if (const auto position = ticked_.indexOfKey(key))
        ticked_.setChecked(*position, false);
}

} // namespace quillet
