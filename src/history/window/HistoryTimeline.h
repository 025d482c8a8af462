// SPDX-License-Identifier: MIT
#pragma once
// The window's side of quillet://history/, the history day by day as pictures: it answers the
// page's requests from the history (the page with its first day, each further day, the
// thumbnails as PNG) and exports the pages ticked on it (handed over by the page view's
// timeline channel), through the export dialog, as the pane's ticked entries are.

#include "DialogHosts.h"
#include "HistoryKeeper.h"
#include "HistoryPane.h"
#include "TimelinePage.h"
#include "WebContext.h"

#include <deque>
#include <gtkmm/window.h>
#include <memory>
#include <unordered_map>

namespace quillet {

class Form2;

class HistoryTimeline : public ExportHost {
  public:
    // `clock` reads the date words of the timeline's search.
    HistoryTimeline(Gtk::Window& window, HistoryKeeper& keeper, HistoryPane& pane, Clock clock);
    ~HistoryTimeline();
    HistoryTimeline(const HistoryTimeline&) = delete;
    HistoryTimeline& operator=(const HistoryTimeline&) = delete;

    void serve(const std::shared_ptr<BuiltInRequest>& request);
    // The export dialog for the pages ticked on the timeline (the addresses the page's export
    // names; those it was not shown are passed over).
    void exportTicked(const std::vector<std::string>& addresses);
    // The export dialog of the pages ticked on the timeline, once opened (null before).
    Form2* exportDialog() { return export_.get(); }
    void windowClosed();
    // The words the timeline's pages were found by, when it sent `address` among them (a page
    // opened from it opens at them); none when it did not or had no words.
    std::optional<std::string> wordsThatFound(const std::string& address) const;

    // For the export dialog: the pages ticked on the timeline, all ticked.
    const ListItems& entries() const override { return ticked_; }
    void untick(const std::string& key) override;
    int thumbnailWidth() const override { return pane_.thumbnailWidth(); }
    int thumbnailHeight() const override { return pane_.thumbnailHeight(); }
    void thumbnailsForExport(
        std::vector<std::string> keys, HistoryKeeper::Requests& requests,
        std::function<void(std::vector<std::optional<PackedImage>>)> done) override {
        pane_.thumbnailsForExport(std::move(keys), requests, std::move(done));
    }

  private:
    void serveDay(const std::shared_ptr<BuiltInRequest>& request, const TimelineRequest& asked,
                  bool wholePage);
    void serveThumbnail(const std::shared_ptr<BuiltInRequest>& request, const std::string& address);
    // A day's kept thumbnails read in one go as its section is sent, so that the page's many
    // requests for them are answered at once.
    void prefetch(const std::vector<StoredEntry>& pages);
    const PackedImage* thisRunsThumbnail(const std::string& address) const; // null: not in the pane

    Gtk::Window& window_;
    HistoryKeeper& keeper_;
    HistoryPane& pane_;
    Clock clock_;
    ListItems ticked_;
    // The pages the timeline has been sent since it was last opened, by address, with their
    // titles: the only ones its export may name.
    std::unordered_map<std::string, std::string> shown_;
    std::string searchedWords_; // of the page last sent whole, without its date words
    // The thumbnails prefetched (the last few days' worth), those on their way, and the
    // requests waiting for them.
    std::unordered_map<std::string, PackedImage> prefetched_;
    std::deque<std::vector<std::string>> prefetchedDays_;
    std::size_t prefetchedBytes_ = 0;
    std::unordered_map<std::string, std::vector<std::shared_ptr<BuiltInRequest>>> coming_;
    std::unique_ptr<Form2> export_;
    HistoryKeeper::Requests requests_;
};

} // namespace quillet
