#include "expiry/SpacePlan.h"

namespace fadebin {

SpacePlan planFreeing(ExpiryStore& store, qint64 wanted) {
    SpacePlan plan;
    plan.wanted = wanted;
    std::vector<ExpiryStore::OwnTrashed> trashed = store.ownTrashed();
    const std::vector<TrackedFile*> scheduled = store.files(FileStatus::scheduled);
    plan.steps.reserve(trashed.size() + scheduled.size());
    for (ExpiryStore::OwnTrashed& item : trashed) {
        if (plan.enough())
            return plan;
        plan.fromTrash += item.size;
        plan.steps.push_back({SpacePlanStep::Kind::fromTrash, item.id, std::move(item.item),
                              std::move(item.originalPath), item.size, item.trashedAt});
    }
    for (const TrackedFile* record : scheduled) {
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
