// SPDX-License-Identifier: MIT
#pragma once
// A real main window on a settings folder of its own, shown, with helpers to wait for loads.

#include "TestSupport.h"
#include "frmBrowser.h"

#include <map>
#include <memory>
#include <optional>

namespace quillet::test {

using StoredSettings = std::map<std::string, std::string>;

class BrowserHarness {
  public:
    // `stored` values are written to the settings store before the window loads ("section/key"
    // for a key outside the windows' own section). With `folder`, the settings and the kept
    // history are those of an earlier harness's folder (a restart); else a fresh one's.
    explicit BrowserHarness(const StoredSettings& stored = {},
                            Clock clock = std::chrono::system_clock::now,
                            const std::string& folder = "", Privacy privacy = Privacy::Normal);
    ~BrowserHarness();

    frmBrowser& window() { return *window_; }
    frmBrowser* operator->() { return window_.get(); }

    // Waits until the window has the outer size it asked for (or a window manager's answer).
    void waitForSettledSize();
    // Waits until the load indicator has reported a completed page.
    void waitForPageShown();
    // Runs `start` (which begins a load) and waits for that load to be reported complete.
    void loadAndWait(const std::function<void()>& start);
    void navigateAndWait(const std::string& address);
    // Waits until every page shown so far has its text read and is stored (in the kept
    // history or this run's search), and the history's worker has answered all it was asked.
    void waitUntilStored();
    // Waits until the history's worker has done all it was handed and its answers are in.
    void waitForHistoryAnswers();
    // Resizes the window (outer size in twips) and waits until it has that size.
    void resizeTo(float widthTwips, float heightTwips);

    // The history pane, by position from 1, as the user sees and uses it.
    int entryCount() const { return window_->ListView1.count(); }
    const ListItem& entry(int position) const { return window_->ListView1.item(position); }
    std::optional<int> positionOf(const std::string& address) const {
        return window_->ListView1.items().indexOfKey(address);
    }
    bool hasEntry(const std::string& address) const { return positionOf(address).has_value(); }
    void selectEntry(int position) { window_->ListView1.setSelected(position); }
    void selectEntry(const std::string& address) { selectEntry(positionOf(address).value()); }
    std::optional<int> selectedEntry() const { return window_->ListView1.selectedIndex(); }
    void tickEntry(int position, bool ticked = true) {
        window_->ListView1.setChecked(position, ticked);
    }
    // Fills the pane to `count` more entries, each with the thumbnail of entry `like` and an
    // address of its own, as many visits would.
    void addEntriesLike(int like, int count);
    void focusHistory() { window_->ListView1.setFocus(); }
    // Puts the keyboard focus in the pane as a user does: a real click on its first row on X11
    // (on Wayland a client cannot learn where its window is, so there the pane takes it).
    void focusPaneAsUser();
    // Ctrl+H in the pane and `text` typed through the input method, as a user searches; then
    // waits for the pane to show `rows` matches of it.
    void searchAsUser(const std::string& text, std::size_t rows);
    bool historyFocused() const { return window_->ListView1.hasFocus(); }
    // The list the user clicks and types into, for real pointer and key events.
    Gtk::TreeView& historyList() { return window_->ListView1.tree(); }
    std::string historyTooltip() const { return window_->ListView1.toolTipText(); }
    // The search's match list, shown in the pane's place while the search is open.
    bool showingMatches() const { return window_->ListView1.showingResults(); }
    const std::vector<ListView::ResultRow>& matches() const { return window_->ListView1.results(); }
    // Entries' thumbnails: this run's as captured (a kept one's is empty: the file has it),
    // and a kept one once its row was drawn.
    int thumbnailCount() const { return window_->ImageList1.count(); }
    const PackedImage& thumbnail(int position) const { return window_->ImageList1.image(position); }
    const PackedImage& thumbnail(const std::string& address) const {
        return window_->ImageList1.image(address);
    }
    PixelSize thumbnailSize() const {
        return {window_->ImageList1.imageWidth(), window_->ImageList1.imageHeight()};
    }
    const PackedImage* drawnKeptThumbnail(const std::string& address) {
        return window_->ListView1.heldThumbnail(address);
    }
    // What a script run in the shown page gives back, as text (empty when it fails).
    std::string pageScript(const std::string& script);
    // The pane's search field, menu and kept-history controls.
    HistoryPane& pane() { return window_->historyPane(); }

    // The address box and the status line.
    void typeAddress(const std::string& text) { window_->cboAddress.set_text(text); }
    std::string addressText() const { return window_->cboAddress.get_text(); }
    // A key as the address box hands it on, by character code (kKeyEnter, kKeyEscape).
    void pressKeyInAddressBox(int keyAscii) { window_->cboAddress_KeyPress(keyAscii); }
    std::string statusText() const { return window_->Label1.get_text(); }

    std::string setting(const std::string& key) const;
    const std::string& folder() const { return folder_; }
    std::string historyFolder() const { return folder_ + "/data/Quillet"; }

  private:
    std::optional<TempFolder> ownFolder_;
    std::string folder_;
    std::unique_ptr<frmBrowser> window_;
};

} // namespace quillet::test
