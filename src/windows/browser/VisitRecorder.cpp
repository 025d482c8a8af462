// SPDX-License-Identifier: MIT
#include "VisitRecorder.h"

namespace quillet {

VisitRecorder::~VisitRecorder() {
    for (PageVisit& visit : pending_.takeAll())
        keeper_.store(std::move(visit));
}

void VisitRecorder::record(PageVisit visit) {
    const unsigned number = pending_.add(std::move(visit));
    page_.TakeText([this, alive = std::weak_ptr<int>(alive_), number](std::string text) {
        if (alive.expired())
            return;
        if (auto visit = pending_.take(number, std::move(text)))
            keeper_.store(std::move(*visit));
    });
}

} // namespace quillet
