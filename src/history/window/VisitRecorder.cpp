// SPDX-License-Identifier: MIT
#include "VisitRecorder.h"

namespace quillet {

VisitRecorder::~VisitRecorder() {
    // What an earlier visit stored of these pages stays.
    for (PendingVisits::Recorded& recorded : pending_.takeAll())
        keeper_.store(std::move(recorded.visit), recorded.kept);
}

void VisitRecorder::record(PageVisit visit) {
    // A pause (or its end) while the text and copy are on the way does not change where the
    // visit goes. Copies are kept of the web's pages alone, in the kept history alone.
    const bool kept = keeper_.keepingNow();
    const bool withCopy = kept && page_.ShowsWebPage();
    const unsigned number = pending_.add(std::move(visit), kept, withCopy);
    page_.TakeText([this, alive = std::weak_ptr<int>(alive_), number](PageContent content) {
        if (!alive.expired())
            storeIfWhole(
                pending_.giveText(number, std::move(content.text), content.withheld.any()));
    });
    if (withCopy)
        page_.SaveCopy([this, alive = std::weak_ptr<int>(alive_), number](std::string copy) {
            if (!alive.expired())
                storeIfWhole(pending_.giveCopy(number, std::move(copy)));
        });
}

void VisitRecorder::storeIfWhole(std::optional<PendingVisits::Recorded> recorded) {
    if (!recorded)
        return;
    const bool withCopy = recorded->kept && !recorded->visit.savedCopy.empty();
    const std::string address = recorded->visit.address;
    const StoredTime time = recorded->visit.time;
    keeper_.store(std::move(recorded->visit), recorded->kept);
    if (withCopy)
        copyStored_.emit(address, time);
}

} // namespace quillet
