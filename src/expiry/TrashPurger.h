#pragma once

#include "expiry/ExpiryStore.h"
#include "platform/Clock.h"
#include "settings/AppSettings.h"

#include <QObject>

namespace fadebin {

// Empties from the Trash, at start, once a day and when the setting changes, the items Fadebin
// put there that have been there longer than the setting says. One timer, a day apart: nothing
// wakes the program more often while it is idle.
class TrashPurger : public QObject {
    Q_OBJECT
public:
    static constexpr Duration interval = std::chrono::hours(24);

    TrashPurger(ExpiryStore& store, const AppSettings& settings, Clock& clock,
                QObject* parent = nullptr);

    // A pass now, then one every interval.
    void start();
    // One pass; how many items went (none when the setting says never).
    std::size_t purgeNow();

Q_SIGNALS:
    // A pass removed some.
    void purged();

private:
    ExpiryStore& m_store;
    const AppSettings& m_settings;
    Clock& m_clock;
    TimerHandle m_daily;
};

} // namespace fadebin
