#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace fadebin {

// Virtual time for tests: nothing happens until advance() is called, which fires every
// timer that falls due in time order (equal due times in creation order).
class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start = Instant(std::chrono::seconds(1'800'000'000)));
    ~ManualClock() override;

    [[nodiscard]] Instant now() const override { return m_now; }
    [[nodiscard]] TimerHandle singleShot(Duration after, std::function<void()> callback) override;
    [[nodiscard]] TimerHandle repeating(Duration interval, std::function<void()> callback,
                                        Precision precision = Precision::Coarse) override;

    void advance(Duration by);
    // Moves wall time without firing anything, as a suspended machine does.
    void jumpWallClock(Duration by) { m_now += by; }
    [[nodiscard]] std::size_t activeTimerCount() const;
    // When the earliest active timer falls due, if any.
    [[nodiscard]] std::optional<Instant> nextDue() const;

    struct Entry;

private:
    TimerHandle add(Duration interval, bool repeat, std::function<void()> callback);

    Instant m_now;
    std::uint64_t m_sequence = 0;
    std::vector<std::shared_ptr<Entry>> m_entries;
};

} // namespace fadebin
