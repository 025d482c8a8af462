// SPDX-License-Identifier: MIT
#include "ClearHistoryDialog.h"

#include "Widgets.h"

namespace quillet {
namespace {

struct Period {
    const char* name;
    std::chrono::seconds length; // zero: all of it
};

constexpr Period kPeriods[] = {{"過去1時間", std::chrono::hours(1)},
                               {"過去24時間", std::chrono::hours(24)},
                               {"過去7日間", std::chrono::hours(24 * 7)},
                               {"すべての期間", std::chrono::seconds(0)}};

} // namespace

ClearHistoryDialog::ClearHistoryDialog(ClearHistoryHost& mainWindow)
    : lastHour(kPeriods[0].name), lastDay(kPeriods[1].name), lastWeek(kPeriods[2].name),
      everything(kPeriods[3].name), clearButton("消去..."), keepAgainButton("残すようにする"),
      closeButton("閉じる"), mainWindow_(mainWindow) {
    set_title("履歴を消去");
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_skip_taskbar_hint(true);
    set_default_size(360, 380);
    set_border_width(10);
    styleWindow(*this, "#F0F0F0", "#000000");

    periodLabel_.set_text("消去する期間:");
    periodLabel_.set_xalign(0);
    sitesLabel_.set_text("履歴に残さないサイト:");
    sitesLabel_.set_xalign(0);
    for (Gtk::RadioButton* choice : {&lastDay, &lastWeek, &everything})
        choice->join_group(lastHour);
    layout_.pack_start(periodLabel_, false, false);
    for (Gtk::RadioButton* choice : {&lastHour, &lastDay, &lastWeek, &everything})
        layout_.pack_start(*choice, false, false);
    layout_.pack_start(clearButton, false, false);
    retentionLabel_.set_text("保存期間:");
    for (const Retention retention : kRetentions)
        retentionChoice.append(retentionName(retention));
    retentionRow_.pack_start(retentionLabel_, false, false);
    retentionRow_.pack_start(retentionChoice, false, false);
    layout_.pack_start(retentionRow_, false, false);
    keptSummary.set_xalign(0);
    layout_.pack_start(keptSummary, false, false);
    savedSpaceLabel_.set_text("保存するページの容量:");
    for (const SavedCopiesSpace& space : kSavedCopiesSpaces)
        savedSpaceChoice.append(space.name);
    savedSpaceRow_.pack_start(savedSpaceLabel_, false, false);
    savedSpaceRow_.pack_start(savedSpaceChoice, false, false);
    layout_.pack_start(savedSpaceRow_, false, false);
    savedSummary.set_xalign(0);
    layout_.pack_start(savedSummary, false, false);
    layout_.pack_start(sitesLabel_, false, false);
    siteScroller_.add(siteList);
    siteScroller_.set_shadow_type(Gtk::SHADOW_IN);
    siteScroller_.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    layout_.pack_start(siteScroller_, true, true);
    buttons_.pack_start(keepAgainButton, false, false);
    buttons_.pack_end(closeButton, false, false);
    layout_.pack_start(buttons_, false, false);
    add(layout_);
    setAccessible(siteList, "履歴に残さないサイト", Atk::ROLE_LIST);
    setAccessible(retentionChoice, "保存期間", Atk::ROLE_COMBO_BOX);
    setAccessible(savedSpaceChoice, "保存するページの容量", Atk::ROLE_COMBO_BOX);

    clearButton.signal_clicked().connect([this] { clearChosenPeriod(); });
    keepAgainButton.signal_clicked().connect([this] { keepSelectedSiteAgain(); });
    closeButton.signal_clicked().connect([this] { hide(); });
    retentionChanged_ = retentionChoice.signal_changed().connect([this] {
        const int chosen = retentionChoice.get_active_row_number();
        if (chosen < 0)
            return;
        mainWindow_.setRetention(kRetentions[chosen]);
        showKeptSize();
    });
    savedSpaceChanged_ = savedSpaceChoice.signal_changed().connect([this] {
        const int chosen = savedSpaceChoice.get_active_row_number();
        if (chosen < 0)
            return;
        mainWindow_.setSavedCopiesSpace(kSavedCopiesSpaces[chosen]);
        showKeptSize();
    });
    siteList.signal_row_selected().connect(
        [this](Gtk::ListBoxRow* row) { keepAgainButton.set_sensitive(row != nullptr); });
    show_all_children();
}

void ClearHistoryDialog::showKeptSize() {
    const unsigned number = ++sizeAskings_;
    mainWindow_.keptSize(requests_, [this, number](std::pair<std::int64_t, std::uint64_t> size) {
        if (number == sizeAskings_)
            keptSummary.set_text(keptHistorySummary(size.first, size.second));
    });
    mainWindow_.savedCopiesSize(requests_, [this, number](std::int64_t size) {
        if (number == sizeAskings_)
            savedSummary.set_text(savedCopiesSummary(size));
    });
}

void ClearHistoryDialog::refresh() {
    retentionChanged_.block();
    const Retention retention = mainWindow_.retention();
    for (std::size_t n = 0; n < std::size(kRetentions); ++n)
        if (kRetentions[n] == retention)
            retentionChoice.set_active(static_cast<int>(n));
    retentionChanged_.unblock();
    savedSpaceChanged_.block();
    const SavedCopiesSpace& space = mainWindow_.savedCopiesSpace();
    for (std::size_t n = 0; n < std::size(kSavedCopiesSpaces); ++n)
        if (&kSavedCopiesSpaces[n] == &space)
            savedSpaceChoice.set_active(static_cast<int>(n));
    savedSpaceChanged_.unblock();
    showKeptSize();
    const unsigned number = ++refreshes_;
    mainWindow_.excludedSites(requests_, [this, number](std::vector<std::string> sites) {
        if (number == refreshes_)
            showSites(std::move(sites));
    });
}

void ClearHistoryDialog::showSites(std::vector<std::string> sites) {
    sites_ = std::move(sites);
    for (Gtk::Widget* row : siteList.get_children())
        siteList.remove(*row);
    for (const std::string& site : sites_) {
        auto* label = Gtk::manage(new Gtk::Label(site));
        label->set_xalign(0);
        siteList.append(*label);
    }
    siteList.show_all();
    keepAgainButton.set_sensitive(false);
}

void ClearHistoryDialog::clearChosenPeriod() {
    const Gtk::RadioButton* choices[] = {&lastHour, &lastDay, &lastWeek, &everything};
    std::size_t chosen = 0;
    while (chosen < 3 && !choices[chosen]->get_active())
        ++chosen;
    const Period& period = kPeriods[chosen];
    if (!askQuestion(*this, "履歴を消去",
                     std::string(period.name) +
                         "に見たページを履歴から消去します。よろしいですか?\n"
                         "(それより前の訪問もあわせて消えます)",
                     "消去する"))
        return;
    mainWindow_.clearHistoryOfLast(period.length);
    showKeptSize();
}

void ClearHistoryDialog::keepSelectedSiteAgain() {
    Gtk::ListBoxRow* row = siteList.get_selected_row();
    if (!row)
        return;
    mainWindow_.keepSiteAgain(sites_[static_cast<std::size_t>(row->get_index())]);
    refresh();
}

} // namespace quillet
