#pragma once

#include "expiry/ExpiryStore.h"

#include <vector>

namespace fadebin {

// One thing that would give space back, and why it is Fadebin's to give.
struct SpacePlanStep {
    enum class Kind {
        fromTrash, // an item we moved to a trash: removing it frees its bytes now
        scheduled, // a file in Downloads that is timed: its bytes go when it expires
    };
    Kind kind;
    QUuid id;
    path place;        // in a trash's files/ folder, or in Downloads
    path originalPath; // where a trashed item came from; empty for a scheduled file
    qint64 size = 0;
    Instant at; // when it went to the trash, or when it expires
};

struct SpacePlan {
    qint64 wanted = 0;
    std::vector<SpacePlanStep> steps;
    qint64 fromTrash = 0;
    qint64 fromScheduled = 0;
    [[nodiscard]] qint64 total() const { return fromTrash + fromScheduled; }
    [[nodiscard]] bool enough() const { return total() >= wanted; }
};

// What would free `wanted` bytes, in the order it would go, without acting: our items in the
// trashes oldest first, then scheduled files due soonest, until enough is found. Kept and
// waiting files, and anything that is not ours, are never in it.
[[nodiscard]] SpacePlan planFreeing(ExpiryStore& store, qint64 wanted);

} // namespace fadebin
