// SPDX-License-Identifier: MIT
#pragma once
// The history pane as one object: the entries (ImageList1, ListView1), the kept entries placed
// before this run's, each entry's last visit, removal and clearing (the history first, then
// the pane), the search field over the pane (Ctrl+H) with its colour chips, the pages that
// look like an entry, and the pane's menu. Its commands are actions of the group "history"
// (keep, pause, search, similar, timeline, open-saved, delete, exclude-site, clear), shared by the
// menu, the Delete key and any later control. The main window wires it: it adds this run's entries,
// and opens what signal_open names (a page, or the timeline).

#include "DialogHosts.h"
#include "HistoryKeeper.h"
#include "ImageList.h"
#include "ListView.h"
#include "PlacedControl.h"
#include "Privacy.h"
#include "SettingsStore.h"
#include "VisitRecorder.h"
#include "WindowFrame.h"

#include <array>
#include <giomm/simpleactiongroup.h>
#include <gtkmm/checkmenuitem.h>
#include <gtkmm/fixed.h>
#include <gtkmm/menu.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/searchentry.h>
#include <gtkmm/togglebutton.h>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace quillet {

// Asked once where keeping is on and no keyring can hold the history's key.
inline constexpr const char* kNoKeyringQuestion =
    "キーリングが使えないため、履歴を暗号化できません。";
inline constexpr const char* kKeepNothingButton = "残さない";
inline constexpr const char* kKeepUnsealedButton = "暗号化せずに残す";

class ClearHistoryDialog;

class HistoryPane : public ExportHost, public ClearHistoryHost {
  public:
    // `window` is the pane's window (the parent of its questions); `thumbnailSize` the size
    // thumbnails are made at now, for kept entries placed before this run's first.
    // `clock` reads the date words of a search (昨日, 先週の火曜日).
    HistoryPane(Gtk::Window& window, HistoryKeeper& keeper, VisitRecorder& recorder,
                SettingsStore& settings, Privacy privacy, Clock clock,
                std::function<PixelSize()> thumbnailSize);
    ~HistoryPane();
    HistoryPane(const HistoryPane&) = delete;
    HistoryPane& operator=(const HistoryPane&) = delete;

    ImageList ImageList1; // the thumbnails, keyed by address, packed as PNG
    ListView ListView1;   // the pane: thumbnail, address, title, visit time, tick box
    Gtk::SearchEntry historySearch;
    // Under the search field while it holds date words: the span they were read as.
    Gtk::Label searchSpan;
    // Under the search field: 赤 橙 黄 緑 青 紫 白 黒, each narrowing the matches to the pages
    // of its colour, with the words typed.
    Gtk::Box colourChipStrip;
    std::array<Gtk::ToggleButton, kColourChipCount> colourChips;
    Gtk::Menu historyMenu;
    Gtk::CheckMenuItem keepHistoryItem, pauseKeepingItem;
    Gtk::MenuItem searchHistoryItem, similarPagesItem, timelineItem, openSavedItem,
        savedVersionsItem, deleteEntryItem, excludeSiteItem, clearHistoryItem;
    // 以前のバージョン: the selected page's saved versions, newest first, filled as the menu
    // opens.
    Gtk::Menu savedVersionsMenu;

    // The search field and its chips, placed in the window's layout over the top of `pane`
    // (the list view's place), and laid out again there when the window's layout changes;
    // while they are open the list stands below the chips.
    void placeSearchField(Placements& placements, Gtk::Fixed& fixed, PlacedControl& pane);
    void layOutSearchField();
    // Reads the kept entries into the pane (once the window's first page is on screen).
    void loadKept();
    // A visit of this run, for clearing by time.
    void noteVisit(const std::string& address, StoredTime time) { visitTimes_[address] = time; }

    Glib::RefPtr<Gio::SimpleActionGroup> actions() const { return actions_; }
    // A page to open: a match chosen in the search (with the words it was found by, for the
    // page to open at them; empty for none), the timeline or a saved copy.
    sigc::signal<void(std::string, std::string)>& signal_open() { return open_; }

    bool keepingHistory() const { return keeper_.keeping(); }
    // Turning keeping off asks whether to delete what is stored.
    void setKeepHistory(bool keep);
    // 一時的に残さない: nothing more is stored in the kept history until unpaused, keeping is
    // turned off or on, or the window closes; the pane and its search work as ever.
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    void openSearch();
    void closeSearch();
    bool searchOpen() const { return historySearch.get_visible(); }
    // What the search shows: the words typed (date words as typed, to be read when shown) and
    // the chips picked.
    HistoryFilter searchFilter() const;
    ColourChips pickedChips() const;
    // 似たページを探す: the 50 pages that look most like the selected one, it first.
    void showSimilarPages();
    bool showingSimilarPages() const { return similarTo_.has_value(); }
    // 履歴をたどる: the timeline (quillet://history/) in the page view, with the search's filter.
    void openTimeline();
    void openSelectedMatch();
    // 保存したページを開く: the selected kept page as its last visit saw it, from its saved copy.
    void openSavedCopy();
    void showSelectedMatchTooltip();
    void deleteSelectedEntry();
    void excludeSelectedSite(); // asks first
    void showClearHistoryDialog();
    ClearHistoryDialog* clearHistoryDialog() { return clearDialog_.get(); }
    // Removes from the history and the pane every page visited in the last `length` by the
    // window's clock (zero: every page).
    void clearHistoryOfLast(std::chrono::seconds length) override;
    // Removes these pages from the history, then from the pane, in one pass over it.
    void removeEntries(const std::unordered_set<std::string>& addresses);
    // Whether the entry is a kept one whose content the file does not hold (its thumbnail is
    // a placeholder).
    bool contentNotKept(const std::string& address) const {
        return contentNotKept_.contains(address);
    }
    // The address the pane's selection stands for: the selected entry, or the selected match.
    std::optional<std::string> selectedAddress() const;
    // The last notice about the kept history (a file set aside, storing stopped); null if none.
    Gtk::MessageDialog* historyNotice() { return notice_.get(); }
    Gtk::MessageDialog* keyringQuestion() { return keyringQuestion_.get(); }

    // For the export and clearing dialogs.
    const ListItems& entries() const override { return ListView1.items(); }
    void untick(const std::string& key) override;
    int thumbnailWidth() const override { return ImageList1.imageWidth(); }
    int thumbnailHeight() const override { return ImageList1.imageHeight(); }
    void
    thumbnailsForExport(std::vector<std::string> keys, HistoryKeeper::Requests& requests,
                        std::function<void(std::vector<std::optional<PackedImage>>)> done) override;
    void excludedSites(HistoryKeeper::Requests& requests,
                       std::function<void(std::vector<std::string>)> done) override;
    void keepSiteAgain(const std::string& host) override { keeper_.includeHost(host); }
    // 保存期間: kept pages last visited longer ago are removed, from the file and the pane, at
    // start, once a day while the window is open, and when the user sets it.
    Retention retention() const override;
    void setRetention(Retention retention) override;
    void keptSize(HistoryKeeper::Requests& requests,
                  std::function<void(std::pair<std::int64_t, std::uint64_t>)> done) override {
        keeper_.keptSize(requests, std::move(done));
    }
    // 保存するページの容量: applied at start and whenever the user sets it.
    const SavedCopiesSpace& savedCopiesSpace() const override;
    void setSavedCopiesSpace(const SavedCopiesSpace& space) override;
    void savedCopiesSize(HistoryKeeper::Requests& requests,
                         std::function<void(std::int64_t)> done) override {
        keeper_.savedCopiesSize(requests, std::move(done));
    }

  private:
    void addActions();
    void buildMenu();
    void popUpMenu(const GdkEvent* event);
    void listSavedVersions(const std::optional<std::string>& address);
    void enableAction(const char* name, bool enabled);
    void connectSearchField();
    void searchFor(const std::string& typed);
    void connectColourChips();
    void showMatches(std::vector<SearchHit> hits);
    void shiftListBelowSearch(bool open);
    void showSearchSpan(const std::string& spanText);
    void addKeptEntries(std::vector<StoredEntry> entries);
    void removeFromPane(const std::unordered_set<std::string>& addresses);
    void removeFromPaneNow(const std::unordered_set<std::string>& addresses);
    void removeEverythingFromPane();
    void removeExpired(); // what the retention no longer keeps
    void tellProblem(const std::string& text);
    void askWithoutKeyring();
    PackedImage fitted(PackedImage picture) const;

    Gtk::Window& window_;
    HistoryKeeper& keeper_;
    VisitRecorder& recorder_;
    SettingsStore& settings_;
    Privacy privacy_;
    Clock clock_;
    std::function<PixelSize()> thumbnailSize_;
    Glib::RefPtr<Gio::SimpleActionGroup> actions_ = Gio::SimpleActionGroup::create();
    sigc::signal<void(std::string, std::string)> open_;
    sigc::connection keepToggled_, pauseToggled_;
    bool paused_ = false;
    PlacedControl* placedSearch_ = nullptr;
    PlacedControl* placedChips_ = nullptr;
    PlacedControl* placedSpan_ = nullptr;
    PlacedControl* placedPane_ = nullptr;
    float listShift_ = 0; // twips the list stands below its place, under the open search
    std::optional<std::string> similarTo_; // the page the shown matches look like
    std::unique_ptr<ClearHistoryDialog> clearDialog_;
    std::unique_ptr<Gtk::MessageDialog> notice_;
    std::unique_ptr<Gtk::MessageDialog> keyringQuestion_; // no keyring: keep the file unsealed?
    // Each entry's last visit, for clearing by time; and the entries read from the kept
    // history (the others are this run's), which stand at the top of the pane.
    std::unordered_map<std::string, StoredTime> visitTimes_;
    std::unordered_set<std::string> keptEntries_, contentNotKept_;
    int keptEntriesPlaced_ = 0;
    // A removal of more entries than this leaves the pane a slice at a time (`leaving_`).
    static constexpr std::size_t kRemovedAtOnce = 1000;
    std::vector<std::string> leaving_;
    sigc::connection removeLeaving_;
    sigc::connection dailyRemoval_;
    unsigned searchNumber_ = 0; // answers to an older search are dropped
    std::string matchedWords_;  // the words the matches shown were found by (no date words)
    // Answers the pane waits for: the kept entries and their thumbnails, and the search's.
    HistoryKeeper::Requests keptRequests_, searchRequests_, versionRequests_;
};

} // namespace quillet
