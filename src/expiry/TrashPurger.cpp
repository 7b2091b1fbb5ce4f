#include "expiry/TrashPurger.h"

namespace fadebin {

TrashPurger::TrashPurger(ExpiryStore& store, const AppSettings& settings, Clock& clock,
                         QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_clock(clock) {
    connect(&settings, &AppSettings::trashPurgeDaysChanged, this, [this] {
        if (m_daily)
            purgeNow();
    });
}

void TrashPurger::start() {
    purgeNow();
    m_daily = m_clock.repeating(interval, [this] { purgeNow(); });
}

std::size_t TrashPurger::purgeNow() {
    const std::optional<Duration> age = m_settings.trashPurgeAge();
    const std::size_t removed = age ? m_store.purgeTrashed(m_clock.now() - *age) : 0;
    if (removed > 0)
        Q_EMIT purged();
    return removed;
}

} // namespace fadebin
