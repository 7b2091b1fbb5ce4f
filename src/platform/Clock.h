#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace fadebin {

// Instants are wall-clock time (they are persisted and compared across restarts). Timers
// armed for a duration measure monotonic time and stand still while the machine sleeps;
// timers armed at an instant follow the wall clock, through a suspend and when it is set.
using Duration = std::chrono::milliseconds;
using Instant = std::chrono::sys_time<std::chrono::milliseconds>;

[[nodiscard]] double toUnixSeconds(Instant instant);

// The calendar fields of an instant in UTC, to the whole second (fractions dropped).
struct UtcFields {
    int year;
    unsigned month, day;
    int hour, minute, second;
};
[[nodiscard]] UtcFields utcFields(Instant instant);

// The span an instant read from outside (the database, a peer) is held to. Every instant in
// it has a four-digit UTC year, so it formats as an expiry text, and the difference of any
// two of them or with now is far from overflowing.
inline constexpr Instant earliestInstant{
    std::chrono::sys_days(std::chrono::year(0) / std::chrono::January / 1)};
inline constexpr Instant latestInstant{
    std::chrono::sys_days(std::chrono::year(10'000) / std::chrono::January / 1) -
    std::chrono::milliseconds(1)};
// Unix seconds as an instant, saturating at the span's ends rather than wrapping into
// another time: anything past the latest instant is the latest instant, anything before the
// earliest the earliest. NaN is the far future, so a corrupt time never makes a file due;
// callers that can treat it as missing check for it first.
[[nodiscard]] Instant fromUnixSeconds(double seconds);

// Durations beyond this are taken as "never" for arithmetic's sake: far past any schedule a
// person means, yet far from overflowing when added to an instant.
inline constexpr Duration longestDuration = std::chrono::years(10'000);
// Seconds as a duration, saturating at ±longestDuration; NaN is zero.
[[nodiscard]] Duration durationFromSeconds(double seconds);
// at + d without wrapping around: clamped to the far past or future instead.
[[nodiscard]] Instant addSaturating(Instant at, Duration d);

// A scheduled callback. Destroying the handle cancels it, so a timer held in an
// owner's field can never outlive the owner.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void cancel() = 0;
    [[nodiscard]] virtual bool isActive() const = 0;
    // Time left until it fires next, none once inactive.
    [[nodiscard]] virtual std::optional<Duration> remaining() const = 0;
};

using TimerHandle = std::unique_ptr<Timer>;

// The one source of time and timers. Everything that waits goes through it so that
// tests can walk through minutes and days on a manual clock.
class Clock {
public:
    enum class Precision { Coarse, Precise };

    virtual ~Clock() = default;
    [[nodiscard]] virtual Instant now() const = 0;
    [[nodiscard]] virtual TimerHandle singleShot(Duration after,
                                                 std::function<void()> callback) = 0;
    [[nodiscard]] virtual TimerHandle repeating(Duration interval, std::function<void()> callback,
                                                Precision precision = Precision::Coarse) = 0;
    // Fires once the wall clock reads `deadline` or later, however it gets there. A deadline
    // already past fires on the next turn of the loop, never inside this call.
    [[nodiscard]] virtual TimerHandle at(Instant deadline, std::function<void()> callback) = 0;
    // Calls back each time the wall clock is set, for as long as the handle lives.
    [[nodiscard]] virtual TimerHandle onWallClockSet(std::function<void()> callback) = 0;
    // Time spent awake since some fixed moment: it never jumps with the wall clock and stands
    // still while the machine sleeps, as the duration timers do.
    [[nodiscard]] virtual Duration awakeTime() const = 0;
    // Waits span with the event loop standing still: only for the last tries of a stop, when
    // no loop will turn again.
    virtual void block(Duration span) = 0;

    // The real clock on the main event loop.
    [[nodiscard]] static Clock& system();
};

} // namespace fadebin
