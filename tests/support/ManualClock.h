#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace fadebin {

// Virtual time for tests: nothing happens until the test moves time. advance() moves the wall
// clock and awake time together and fires every timer that falls due in time order (equal due
// times in creation order). jumpWallClock() and suspend() move the wall clock alone: duration
// timers wait on, timers armed at an instant now reached fire.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start = Instant(std::chrono::seconds(1'800'000'000)));
    ~ManualClock() override;

    [[nodiscard]] Instant now() const override { return m_now; }
    [[nodiscard]] Duration awakeTime() const override { return m_awake; }
    [[nodiscard]] TimerHandle singleShot(Duration after, std::function<void()> callback) override;
    [[nodiscard]] TimerHandle repeating(Duration interval, std::function<void()> callback,
                                        Precision precision = Precision::Coarse) override;
    [[nodiscard]] TimerHandle at(Instant deadline, std::function<void()> callback) override;
    [[nodiscard]] TimerHandle onWallClockSet(std::function<void()> callback) override;

    void advance(Duration by);
    // Time passes and nothing fires (the loop stands still); whileBlocked runs meanwhile.
    void block(Duration span) override;
    std::function<void()> whileBlocked;
    // The wall clock is set, forwards or back: what is now due fires, then the watchers hear.
    void jumpWallClock(Duration by);
    // The machine sleeps: wall time runs on, awake time stands still, and what fell due fires
    // on resume. Nothing is announced: the kernel does report a resume as a set, but nothing
    // may depend on it.
    void suspend(Duration by);
    // Timers that can fall due; clock-set watchers are not counted.
    [[nodiscard]] std::size_t activeTimerCount() const;
    // When, by the wall clock, the earliest active timer falls due, if any.
    [[nodiscard]] std::optional<Instant> nextDue() const;

    enum class Kind { duration, instant, watch };
    struct Entry;
    // When, by the wall clock, the timer falls due.
    [[nodiscard]] Instant wallDue(const Entry& entry) const;

private:
    [[nodiscard]] TimerHandle add(Kind kind, Duration due, Duration interval,
                                  std::function<void()> callback);
    // Fires what falls due, in time order: walking time to `walkTo` (awake time) every timer,
    // else only the instant timers the wall clock has now reached.
    void fireDue(std::optional<Duration> walkTo);

    Instant m_now;
    Duration m_awake{0};
    std::uint64_t m_sequence = 0;
    std::vector<std::shared_ptr<Entry>> m_entries;
    std::vector<std::shared_ptr<Entry>> m_watchers;
};

} // namespace fadebin
