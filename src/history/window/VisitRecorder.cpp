// SPDX-License-Identifier: MIT
#include "VisitRecorder.h"

namespace quillet {

VisitRecorder::~VisitRecorder() {
    // Whether their pages hold a secret is not known: their thumbnails are not stored either.
    for (PageVisit& visit : pending_.takeAll()) {
        visit.thumbnail = {};
        keeper_.store(std::move(visit));
    }
}

void VisitRecorder::record(PageVisit visit) {
    const unsigned number = pending_.add(std::move(visit));
    page_.TakeText([this, alive = std::weak_ptr<int>(alive_), number](PageContent content) {
        if (alive.expired())
            return;
        if (auto visit = pending_.take(number, std::move(content.text))) {
            visit->contentWithheld = content.withheld.any();
            keeper_.store(std::move(*visit));
        }
    });
}

} // namespace quillet
