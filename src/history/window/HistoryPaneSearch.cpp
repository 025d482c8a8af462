// SPDX-License-Identifier: MIT
// The search of the history by what its pages said (Ctrl+H): a field over the top of the pane
// that filters the pane to the matching pages as the user types, newest first; date words in it
// (昨日, 先週の火曜日の午後) narrow the matches to the visits of their span, shown under the
// field as it was read; the colour chips under it, which narrow the matches to the pages of their
// colours; and the pages that look like a chosen one (似たページを探す, Ctrl+Enter), nearest first.

#include "DateWords.h"
#include "ErrorStyles.h"
#include "HistoryPane.h"
#include "HistoryRules.h"
#include "SearchTokenizer.h"
#include "TimelinePage.h"
#include "Widgets.h"

#include <gdk/gdkkeysyms.h>

namespace quillet {
namespace {

constexpr float kSearchFieldHeight = 360; // twips
constexpr float kChipStripHeight = 270;   // twips
constexpr float kSpanLineHeight = 240;    // twips
constexpr int kMatchesShown = 50;

std::string chipCss(ColourChip chip) {
    // A swatch, with a dark ring when picked; white gets a grey edge to be seen on white.
    return std::string("button { min-width: 12px; min-height: 12px; padding: 0; margin: 0; "
                       "border-radius: 8px; border: 1px solid #8A8A8A; box-shadow: none; "
                       "background-image: none; background-color: ") +
           std::string(chipColour(chip)) + "; } button:checked { border: 3px solid #1A1A1A; }";
}

} // namespace

void HistoryPane::placeSearchField(Placements& placements, Gtk::Fixed& fixed, PlacedControl& pane) {
    placedPane_ = &pane;
    placedSearch_ = &placements.put(fixed, historySearch, 0, 0, 2055, kSearchFieldHeight);
    placedChips_ =
        &placements.put(fixed, colourChipStrip, 0, kSearchFieldHeight, 2055, kChipStripHeight);
    placedSpan_ = &placements.put(fixed, searchSpan, 0, kSearchFieldHeight, 2055, kSpanLineHeight);
    historySearch.set_no_show_all(true);
    historySearch.hide();
    searchSpan.set_no_show_all(true);
    searchSpan.hide();
    searchSpan.set_xalign(0);
    searchSpan.set_ellipsize(Pango::ELLIPSIZE_END);
    styleWidget(searchSpan, std::string("label { padding: 0 4px; color: #333; background: #FFF; ") +
                                japaneseFont("9pt") + " }");
    colourChipStrip.set_no_show_all(true);
    colourChipStrip.set_homogeneous(true);
    colourChipStrip.set_spacing(2);
    for (int i = 0; i < kColourChipCount; ++i) {
        const auto chip = static_cast<ColourChip>(i);
        Gtk::ToggleButton& button = colourChips[static_cast<std::size_t>(i)];
        const std::string name(chipName(chip));
        button.set_tooltip_text(name + "のページに絞る");
        setAccessible(button, name, Atk::ROLE_TOGGLE_BUTTON);
        styleWidget(button, chipCss(chip));
        button.show();
        colourChipStrip.pack_start(button, Gtk::PACK_EXPAND_WIDGET);
    }
    colourChipStrip.hide();
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
            if ((event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) &&
                (event->state & GDK_CONTROL_MASK) != 0) {
                showSimilarPages();
                return true;
            }
            return false;
        },
        false);
    ListView1.signal_ResultSelected().connect([this] { showSelectedMatchTooltip(); });
    ListView1.signal_CtrlEnter().connect([this] { showSimilarPages(); });
    connectColourChips();
}

void HistoryPane::connectColourChips() {
    for (Gtk::ToggleButton& chip : colourChips)
        chip.signal_toggled().connect([this] { searchFor(historySearch.get_text()); });
}

ColourChips HistoryPane::pickedChips() const {
    ColourChips chips = 0;
    for (int i = 0; i < kColourChipCount; ++i)
        if (colourChips[static_cast<std::size_t>(i)].get_active())
            chips |= chipBit(static_cast<ColourChip>(i));
    return chips;
}

HistoryFilter HistoryPane::searchFilter() const {
    if (!searchOpen())
        return {};
    return {historySearch.get_text(), pickedChips()};
}

void HistoryPane::layOutSearchField() {
    // The layout keeps the list's top (lowered while the search is open) and fits its height
    // to it, so only the field, the span and the chips follow it here.
    for (PlacedControl* placed : {placedSearch_, placedSpan_, placedChips_}) {
        placed->setLeft(placedPane_->left());
        placed->setWidth(std::max(0.0F, placedPane_->width()));
    }
    const float top = placedPane_->top() - listShift_;
    placedSearch_->setTop(top);
    placedSpan_->setTop(top + kSearchFieldHeight);
    placedChips_->setTop(top + kSearchFieldHeight +
                         (searchSpan.get_visible() ? kSpanLineHeight : 0.0F));
}

void HistoryPane::shiftListBelowSearch(bool open) {
    // The field covers the list's column headers; the chips (and the span above them) would
    // cover its first rows, so the list stands their height lower while they show.
    const float under = kChipStripHeight + (searchSpan.get_visible() ? kSpanLineHeight : 0.0F);
    const float shift = open ? std::min(under, placedPane_->height() + listShift_) : 0;
    placedPane_->setTop(placedPane_->top() + shift - listShift_);
    placedPane_->setHeight(std::max(0.0F, placedPane_->height() - (shift - listShift_)));
    listShift_ = shift;
}

void HistoryPane::openSearch() {
    const bool wasOpen = searchOpen();
    historySearch.show();
    colourChipStrip.show();
    if (!wasOpen) {
        shiftListBelowSearch(true);
        layOutSearchField();
    }
    historySearch.grab_focus();
    // What was typed and picked before shows its matches again.
    if (!HistoryFilter{historySearch.get_text(), pickedChips()}.empty())
        searchFor(historySearch.get_text());
}

void HistoryPane::closeSearch() {
    if (!searchOpen())
        return;
    ++searchNumber_; // a search still under way is not shown
    // The match the user had selected stays selected in the whole list: what Delete or Enter
    // acts on next is the page they found.
    const auto found = selectedAddress();
    similarTo_.reset();
    historySearch.hide();
    colourChipStrip.hide();
    searchSpan.hide();
    shiftListBelowSearch(false);
    ListView1.showAllItems();
    if (const auto position = found ? ListView1.items().indexOfKey(*found) : std::nullopt) {
        ListView1.setSelected(*position);
        ListView1.ensureVisible(*position);
    }
    ListView1.setFocus();
}

void HistoryPane::searchFor(const std::string& typed) {
    const unsigned number = ++searchNumber_;
    similarTo_.reset();
    const DatedSearch dated = readDateWords(typed, toStoredTime(clock_()));
    showSearchSpan(dated.spanText);
    const HistoryFilter filter{dated.words, pickedChips(), dated.span};
    if (filter.empty()) { // nothing but spaces and punctuation, and no chip
        ListView1.showAllItems();
        return;
    }
    keeper_.search(filter, kMatchesShown, searchRequests_,
                   [this, number, words = dated.words](std::vector<SearchHit> hits) {
                       if (number != searchNumber_ || !searchOpen())
                           return;
                       showMatches(std::move(hits));
                       matchedWords_ = words;
                   });
}

void HistoryPane::showSearchSpan(const std::string& spanText) {
    searchSpan.set_text(spanText);
    // Read with the field by a screen reader, as it is seen under it.
    historySearch.get_accessible()->set_description(spanText);
    if (!searchOpen() || searchSpan.get_visible() == !spanText.empty())
        return;
    searchSpan.set_visible(!spanText.empty());
    shiftListBelowSearch(true);
    layOutSearchField();
}

void HistoryPane::showMatches(std::vector<SearchHit> hits) {
    std::vector<ListView::ResultRow> rows;
    rows.reserve(hits.size());
    for (SearchHit& hit : hits)
        rows.push_back({std::move(hit.entry.address), std::move(hit.entry.title),
                        formatVisitTime(fromStoredTime(hit.entry.lastVisit)),
                        std::move(hit.snippet)});
    ListView1.showResults(std::move(rows));
}

void HistoryPane::showSimilarPages() {
    const auto picked = selectedAddress();
    if (!picked)
        return;
    openSearch();
    const unsigned number = ++searchNumber_;
    similarTo_ = *picked;
    matchedWords_.clear(); // pages alike in look, not in words
    keeper_.similar(*picked, kMatchesShown, searchRequests_,
                    [this, number](std::vector<SearchHit> hits) {
                        if (number != searchNumber_ || !searchOpen())
                            return;
                        showMatches(std::move(hits));
                        if (!ListView1.results().empty())
                            ListView1.setSelectedResult(0); // the page picked
                    });
}

void HistoryPane::openTimeline() {
    open_.emit(timelineAddress(searchFilter()), "");
}

void HistoryPane::openSelectedMatch() {
    if (const auto row = ListView1.selectedResult())
        open_.emit(ListView1.results()[static_cast<std::size_t>(*row)].address, matchedWords_);
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
