// SPDX-License-Identifier: MIT
// The main window's handlers of its history pane: reopening an entry, the tooltip naming the
// selected entry, and the search of the history by the beginning of an address.

#include "HistoryRules.h"
#include "frmBrowser.h"

namespace quillet {

void frmBrowser::ListView1_DblClick() {
    if (ListView1.showingResults()) {
        historyPane_.openSelectedMatch();
        return;
    }
    // With an empty history there is nothing selected and nothing to open.
    if (const auto selected = ListView1.selectedIndex())
        brwWebBrowser.Navigate(ListView1.item(*selected).text);
}

void frmBrowser::ListView1_KeyPress(int keyAscii) {
    if (keyAscii == kKeyEnter)
        ListView1_DblClick();
    if (keyAscii == kKeyEscape && historyPane_.searchOpen())
        historyPane_.closeSearch();
    else if (keyAscii == kKeyEscape)
        FindInHistory(cboAddress.get_text(), SearchMode::Cursor);
}

void frmBrowser::ListView1_ItemClick(int) {
    showSelectedEntryTooltip();
}
void frmBrowser::ListView1_GotFocus() {
    showSelectedEntryTooltip();
}
void frmBrowser::ListView1_LostFocus() {
    ListView1.setToolTipText("");
}

void frmBrowser::showSelectedEntryTooltip() {
    if (ListView1.showingResults()) {
        historyPane_.showSelectedMatchTooltip();
        return;
    }
    if (const auto selected = ListView1.selectedIndex()) {
        const ListItem& entry = ListView1.item(*selected);
        std::string tooltip = entryTooltip(entry.subItem1, entry.text);
        if (historyPane_.contentNotKept(entry.key))
            tooltip += std::string("\n") + kContentNotKeptTooltip;
        ListView1.setToolTipText(tooltip);
    }
}

void frmBrowser::FindInHistory(std::string text, SearchMode mode) {
    text = historySearchText(std::move(text));
    searchIndex = historySearchStart(ListView1.selectedIndex(), mode);
    if (searchIndex <= ListView1.count()) {
        if (const auto found = ListView1.findItem(text, searchIndex)) {
            ListView1.ensureVisible(*found);
            ListView1.setSelected(*found);
            ListView1.setFocus();
            const ListItem& entry = ListView1.item(*found);
            std::string tooltip = entryTooltip(entry.subItem1, entry.text);
            if (historyPane_.contentNotKept(entry.key))
                tooltip += std::string("\n") + kContentNotKeptTooltip;
            ListView1.setToolTipText(tooltip);
            return;
        }
    }
    cboAddress.grab_focus();
}

} // namespace quillet
