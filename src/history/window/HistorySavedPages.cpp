// SPDX-License-Identifier: MIT
#include "HistorySavedPages.h"

namespace quillet {

HistorySavedPages::HistorySavedPages(HistoryKeeper& keeper, PageView& view, NoticeStrip& strip,
                                     std::function<void(std::string)> open)
    : keeper_(keeper), view_(view), strip_(strip), open_(std::move(open)) {}

void HistorySavedPages::serve(const std::shared_ptr<BuiltInRequest>& request) {
    const std::optional<SavedPageAsked> asked = readSavedPageAddress(request->address());
    if (!asked) {
        request->fail(kNoSavedCopy);
        return;
    }
    if (asked->changes) {
        serveChanges(request, *asked);
        return;
    }
    keeper_.savedCopy(
        asked->address, asked->time, requests_,
        [this, request, page = asked->address](std::optional<HistoryKeeper::SavedCopy> copy) {
            if (!copy) {
                request->fail(kNoSavedCopy);
                return;
            }
            const std::string address = request->address();
            served_[address] = Served{page, copy->saved};
            request->finishSavedCopy(copy->archive);
            tellIfShown(address);
        });
}

void HistorySavedPages::serveChanges(const std::shared_ptr<BuiltInRequest>& request,
                                     const SavedPageAsked& asked) {
    keeper_.savedChanges(asked.address, asked.time, requests_,
                         [request](std::optional<HistoryKeeper::SavedChanges> found) {
                             if (!found) {
                                 request->fail(kNoSavedCopy);
                                 return;
                             }
                             request->finish(savedChangesPage(found->page, found->changes),
                                             "text/html; charset=utf-8");
                         });
}

void HistorySavedPages::copyStored(const std::string& address, StoredTime time) {
    keeper_.savedVersions(
        address, requests_, [this, address, time](std::vector<SavedVersion> versions) {
            if (versions.size() < 2 || versions.back().saved != time ||
                view_.LocationURL() != address)
                return;
            strip_.tell(changedSinceNotice(versions[versions.size() - 2].saved, time),
                        kShowChangesButton,
                        [this, address, time] { open_(savedChangesAddress(address, time)); });
        });
}

void HistorySavedPages::pageChanging() {
    strip_.withdraw();
}

void HistorySavedPages::pageShown() {
    tellIfShown(view_.LocationURL());
}

void HistorySavedPages::tellIfShown(const std::string& address) {
    const auto served = served_.find(address);
    if (served == served_.end() || view_.LocationURL() != address)
        return;
    strip_.tell(savedPageNotice(served->second.saved), kOpenLatestButton,
                [this, page = served->second.page] { open_(page); });
}

} // namespace quillet
