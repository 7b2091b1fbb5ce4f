#include "expiry/SpacePlan.h"

namespace fadebin {

SpacePlan planFreeing(ExpiryStore& store, qint64 wanted) {
    SpacePlan plan;
    plan.wanted = wanted;
    for (const ExpiryStore::OwnTrashed& item : store.ownTrashed()) {
        if (plan.enough())
            return plan;
        plan.steps.push_back({SpacePlanStep::Kind::fromTrash, item.id, item.item, item.originalPath,
                              item.size, item.trashedAt});
        plan.fromTrash += item.size;
    }
    for (const TrackedFile* record : store.files(FileStatus::scheduled)) {
        if (plan.enough())
            return plan;
        if (!record->expiresAt())
            continue;
        plan.steps.push_back({SpacePlanStep::Kind::scheduled,
                              record->id(),
                              record->lastKnownPath(),
                              {},
                              record->sizeBytes(),
                              *record->expiresAt()});
        plan.fromScheduled += record->sizeBytes();
    }
    return plan;
}

} // namespace fadebin
