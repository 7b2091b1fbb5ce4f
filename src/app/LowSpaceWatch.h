#pragma once

#include "platform/Clock.h"

#include <QObject>

#include <optional>

namespace fadebin {

class AppModel;
class DesktopNotifications;

// Notices when the file system that holds Downloads runs low while items Fadebin moved to the
// Trash could give space back, and tells it once until the space has recovered. It looks when
// asked (at start and as sweeps change the files), at most once an interval: no timer of its
// own, so nothing wakes the program while it is idle.
class LowSpaceWatch : public QObject {
    Q_OBJECT

public:
    // Low: under 2 GB, or under 5 % of the file system, available.
    static constexpr std::uintmax_t lowBytes = 2'000'000'000;
    static constexpr std::uintmax_t lowPercent = 5;
    static constexpr Duration interval = std::chrono::hours(1);

    LowSpaceWatch(AppModel& model, Clock& clock, QObject* parent = nullptr);

    // A look now, unless the last one was less than an interval ago.
    void check();
    // What Fadebin can free while space is low; none when space is fine or nothing of ours is
    // in the Trash.
    [[nodiscard]] std::optional<qint64> freeable() const { return m_freeable; }
    // Removes from the Trash what freeable() named (oldest first); the bytes that went.
    qint64 freeNamed();
    // Each time space runs low, a notification with a button that frees what it names.
    void tellThrough(DesktopNotifications& notifications);

Q_SIGNALS:
    // freeable() changed.
    void changed();
    // Space ran low with this much to free: said once until space has recovered.
    void ranLow(qint64 freeable);

private:
    void setFreeable(std::optional<qint64> freeable);

    AppModel& m_model;
    Clock& m_clock;
    std::optional<Instant> m_lastLook;
    std::optional<qint64> m_freeable;
    bool m_told = false;
};

} // namespace fadebin
