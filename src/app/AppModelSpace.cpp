// The space Fadebin's own items take in the Trash, and giving it back.
#include "app/AppModel.h"

namespace fadebin {

AppModel::TrashedTotal AppModel::ownTrashedTotal() {
    TrashedTotal total;
    if (!m_store)
        return total;
    for (const ExpiryStore::OwnTrashed& item : m_store->ownTrashed()) {
        total.bytes += item.size;
        ++total.count;
    }
    return total;
}

std::vector<ExpiryStore::OwnTrashed> AppModel::freeTrashed(qint64 bytesWanted) {
    if (!m_store || bytesWanted <= 0)
        return {};
    auto freed = m_store->freeTrashed(bytesWanted);
    if (!freed.empty())
        Q_EMIT ownTrashedChanged();
    return freed;
}

} // namespace fadebin
