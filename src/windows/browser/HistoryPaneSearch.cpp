// SPDX-License-Identifier: MIT
// The search of the history by what its pages said (Ctrl+H): a field over the top of the pane
// that filters the pane to the matching pages as the user types, newest first.

#include "ErrorStyles.h"
#include "HistoryPane.h"
#include "HistoryRules.h"
#include "SearchTokenizer.h"
#include "Widgets.h"

#include <gdk/gdkkeysyms.h>

namespace quillet {
namespace {

constexpr float kSearchFieldHeight = 360; // twips
constexpr int kMatchesShown = 50;

} // namespace

void HistoryPane::placeSearchField(Placements& placements, Gtk::Fixed& fixed,
                                   const PlacedControl& pane) {
    placedPane_ = &pane;
    placedSearch_ = &placements.put(fixed, historySearch, 0, 0, 2055, kSearchFieldHeight);
    historySearch.set_no_show_all(true);
    historySearch.hide();
    historySearch.set_placeholder_text("履歴を検索");
    historySearch.set_width_chars(1);
    setAccessible(historySearch, "履歴を検索", Atk::ROLE_ENTRY);
    // As tall as the pane's column headers, which it covers: the first row stays in sight.
    styleWidget(historySearch, kCompactEntry);
    styleWidget(historySearch, std::string("entry { ") + japaneseFont("9.75pt") + " }");
}

void HistoryPane::connectSearchField() {
    // At every change, not after the search entry's pause: the worker drops a search that a
    // newer one has overtaken, and matches come back well within the pause.
    historySearch.signal_changed().connect([this] { searchFor(historySearch.get_text()); });
    historySearch.signal_activate().connect([this] { openSelectedMatch(); });
    // Before the entry: Escape would only clear it, and Down would do nothing.
    historySearch.signal_key_press_event().connect(
        [this](GdkEventKey* event) {
            if (event->keyval == GDK_KEY_Escape) {
                closeSearch();
                return true;
            }
            if (event->keyval == GDK_KEY_Down || event->keyval == GDK_KEY_KP_Down) {
                ListView1.setFocus();
                return true;
            }
            return false;
        },
        false);
    ListView1.signal_ResultSelected().connect([this] { showSelectedMatchTooltip(); });
}

void HistoryPane::layOutSearchField() {
    placedSearch_->setLeft(placedPane_->left());
    placedSearch_->setTop(placedPane_->top());
    placedSearch_->setWidth(std::max(0.0F, placedPane_->width()));
}

void HistoryPane::openSearch() {
    layOutSearchField();
    historySearch.show();
    historySearch.grab_focus();
    if (!historySearch.get_text().empty())
        searchFor(historySearch.get_text());
}

void HistoryPane::closeSearch() {
    if (!searchOpen())
        return;
    ++searchNumber_; // a search still under way is not shown
    // The match the user had selected stays selected in the whole list: what Delete or Enter
    // acts on next is the page they found.
    const auto found = selectedAddress();
    historySearch.hide();
    ListView1.showAllItems();
    if (const auto position = found ? ListView1.items().indexOfKey(*found) : std::nullopt) {
        ListView1.setSelected(*position);
        ListView1.ensureVisible(*position);
    }
    ListView1.setFocus();
}

void HistoryPane::searchFor(const std::string& typed) {
    const unsigned number = ++searchNumber_;
    if (searchQuery(typed).empty()) { // nothing but spaces and punctuation
        ListView1.showAllItems();
        return;
    }
    keeper_.search(typed, kMatchesShown, searchRequests_,
                   [this, number](std::vector<SearchHit> hits) {
                       if (number != searchNumber_ || !searchOpen())
                           return;
                       std::vector<ListView::ResultRow> rows;
                       rows.reserve(hits.size());
                       for (SearchHit& hit : hits)
                           rows.push_back({std::move(hit.entry.address), std::move(hit.entry.title),
                                           formatVisitTime(fromStoredTime(hit.entry.lastVisit)),
                                           std::move(hit.snippet)});
                       ListView1.showResults(std::move(rows));
                   });
}

void HistoryPane::openSelectedMatch() {
    if (const auto row = ListView1.selectedResult())
        open_.emit(ListView1.results()[static_cast<std::size_t>(*row)].address);
}

void HistoryPane::showSelectedMatchTooltip() {
    const auto row = ListView1.selectedResult();
    if (!row) {
        ListView1.setToolTipText("");
        return;
    }
    const ListView::ResultRow& match = ListView1.results()[static_cast<std::size_t>(*row)];
    std::string text = entryTooltip(match.title, match.address);
    if (!match.snippet.empty())
        text += "\n" + match.snippet;
    ListView1.setToolTipText(text);
}

} // namespace quillet
