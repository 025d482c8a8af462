// SPDX-License-Identifier: MIT
#pragma once
// What each dialog needs of the window that opened it, and nothing more: the dialogs know
// these small interfaces, not the main window.

#include "HistoryKeeper.h"
#include "ListItems.h"
#include "Retention.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// The thumbnail-size dialog: the size thumbnails are made at in this run.
class ThumbnailSizeHost {
  public:
    virtual double thumbnailWidth() const = 0;
    virtual double thumbnailHeight() const = 0;
    virtual void setThumbnailSize(double width, double height) = 0;

  protected:
    ~ThumbnailSizeHost() = default;
};

// The export dialog: the history pane's entries, their ticks and their thumbnails.
class ExportHost {
  public:
    virtual const ListItems& entries() const = 0;
    virtual void untick(const std::string& key) = 0;
    virtual int thumbnailWidth() const = 0; // the pane's thumbnails' size in pixels
    virtual int thumbnailHeight() const = 0;
    // The thumbnails of these entries, in that order (none where there is none), packed at the
    // pane's size; `done` is not called once `requests` is gone.
    virtual void
    thumbnailsForExport(std::vector<std::string> keys, HistoryKeeper::Requests& requests,
                        std::function<void(std::vector<std::optional<PackedImage>>)> done) = 0;

  protected:
    ~ExportHost() = default;
};

// The clearing dialog: clearing by time and the sites never kept.
class ClearHistoryHost {
  public:
    // Clears what was visited in the last `length` by the window's clock; zero: everything.
    virtual void clearHistoryOfLast(std::chrono::seconds length) = 0;
    virtual void excludedSites(HistoryKeeper::Requests& requests,
                               std::function<void(std::vector<std::string>)> done) = 0;
    virtual void keepSiteAgain(const std::string& host) = 0;
    virtual Retention retention() const = 0;
    virtual void setRetention(Retention retention) = 0;
    // The number of kept pages and the bytes of their files.
    virtual void keptSize(HistoryKeeper::Requests& requests,
                          std::function<void(std::pair<std::int64_t, std::uint64_t>)> done) = 0;
    virtual const SavedCopiesSpace& savedCopiesSpace() const = 0;
    virtual void setSavedCopiesSpace(const SavedCopiesSpace& space) = 0;
    // The bytes the saved copies of kept pages take.
    virtual void savedCopiesSize(HistoryKeeper::Requests& requests,
                                 std::function<void(std::int64_t)> done) = 0;

  protected:
    ~ClearHistoryHost() = default;
};

} // namespace quillet
