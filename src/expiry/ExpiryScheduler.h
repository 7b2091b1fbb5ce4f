#pragma once

#include "expiry/AwayLedger.h"
#include "expiry/ExpiryStore.h"
#include "expiry/FileDeleter.h"
#include "intake/FileKind.h"
#include "platform/Clock.h"
#include "platform/Presence.h"
#include "settings/AppSettings.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <vector>

namespace fadebin {

// What one sweep deleted.
struct DeletionEvent {
    QStringList names;
    FileKind kind = FileKind::other;
    DeletionMethod method = DeletionMethod::trash;
    Instant date;
    // Where each file moved to the Trash was: what an undo puts back. Empty for files deleted
    // for good.
    std::vector<std::filesystem::path> places{};

    [[nodiscard]] QString title() const;
    friend bool operator==(const DeletionEvent&, const DeletionEvent&) = default;
};

// Which tracked files left Downloads.
struct ReleaseEvent {
    QStringList names;
    FileKind kind = FileKind::other;
    Instant date;

    friend bool operator==(const ReleaseEvent&, const ReleaseEvent&) = default;
};

// Deletes files when their time is up: one timer armed at the next due instant by the wall
// clock, a sweep when it fires, at start, after the machine wakes and when the clock is set.
// Gives up on a file after three failed tries and applies the default choice to downloads left
// undecided too long: that grace counts only while the person is at the machine, when they
// want it so and something can tell.
class ExpiryScheduler : public QObject {
    Q_OBJECT
public:
    ExpiryScheduler(ExpiryStore& store, AppSettings& settings, FileDeleter& deleter, Clock& clock,
                    QObject* parent = nullptr);
    ~ExpiryScheduler() override;

    // Sweeps at once, and whenever the wall clock is set from then on. Wake-ups reach sweep()
    // through wakeNotice, connected by the owner.
    void start();
    void reschedule();
    void sweep();
    // Called when the machine has resumed from sleep.
    void wakeNotice();

    // Whether the person is here, followed from now on.
    void setPresence(Presence* presence);

    [[nodiscard]] bool hasTimer() const { return m_timer != nullptr; }

    std::function<void()> onSweep;
    std::function<void(const DeletionEvent&)> onDeletion;
    // The person is back: the newest undecided file that came while they were away.
    std::function<void(TrackedFile*)> onReturn;

    static constexpr Duration retryDelay{60'000};
    static constexpr int attemptLimit = 3;
    static constexpr Duration minimumLead{1'000};

private:
    void presenceChanged();
    // When the undecided file's grace ends; none while the person is away.
    [[nodiscard]] std::optional<Instant> graceEnd(const TrackedFile& record, Instant now) const;

    ExpiryStore& m_store;
    AppSettings& m_settings;
    FileDeleter& m_deleter;
    Clock& m_clock;
    TimerHandle m_timer;
    TimerHandle m_clockSet;
    QPointer<Presence> m_presence;
    AwayLedger m_away;
};

} // namespace fadebin
