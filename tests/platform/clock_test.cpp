#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <thread>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

TEST(SystemClock, AnInstantTimerFiresAtItsInstantThroughTheEventLoop) {
    Clock& clock = Clock::system();
    std::optional<Instant> firedAt;
    bool pastFired = false, cancelledFired = false;
    const Instant deadline = clock.now() + 200ms;
    TimerHandle timer = clock.at(deadline, [&] { firedAt = clock.now(); });
    TimerHandle past = clock.at(clock.now() - 1h, [&] { pastFired = true; });
    TimerHandle cancelled = clock.at(deadline, [&] { cancelledFired = true; });
    cancelled->cancel();
    EXPECT_FALSE(pastFired) << "never inside at()";
    ASSERT_TRUE(timer->isActive());
    EXPECT_GT(*timer->remaining(), 100ms);
    EXPECT_LE(*timer->remaining(), 200ms);
    waitFor([&] { return firedAt.has_value(); }, 5s);
    ASSERT_TRUE(firedAt.has_value());
    EXPECT_GE(*firedAt, deadline);
    EXPECT_TRUE(pastFired);
    EXPECT_FALSE(cancelledFired);
    EXPECT_FALSE(timer->isActive());
    EXPECT_GT(clock.awakeTime(), Duration::zero());
}

// Sets the machine's clock, for the few milliseconds the event loop needs.
TEST(SystemClock, SettingTheWallClockPastAnInstantFiresItAtOnce) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "setting the wall clock needs root";
    const WallClockLock alone(WallClockLock::setting);
    Clock& clock = Clock::system();
    bool fired = false;
    int sets = 0;
    TimerHandle timer = clock.at(clock.now() + 60s, [&] { fired = true; });
    TimerHandle watch = clock.onWallClockSet([&] { ++sets; });
    const auto step = [](std::chrono::seconds by) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        now.tv_sec += by.count();
        return ::clock_settime(CLOCK_REALTIME, &now) == 0 ? 0 : errno;
    };
    if (const int error = step(61s); error != 0)
        GTEST_SKIP() << "the wall clock cannot be set here: " << std::strerror(error);
    // The loop stands still until both the set and the expiry are pending on the timer: its
    // one read then tells only of the set, and the deadline must be armed again to come.
    std::this_thread::sleep_for(50ms);
    waitFor([&] { return fired; }, 2s);
    step(-61s);
    EXPECT_TRUE(fired);
    waitFor([&] { return sets > 0; }, 2s);
    EXPECT_GT(sets, 0);
}

TEST(SystemClock, TimersLongerThanQtCanArmWaitTheirWholeTime) {
    // Qt's timer interval is an int of milliseconds: 30 days would wrap negative.
    bool fired = false;
    TimerHandle month = Clock::system().singleShot(std::chrono::days(30), [&] { fired = true; });
    TimerHandle soon = Clock::system().singleShot(20ms, [] {});
    waitFor([&] { return !soon->isActive(); }, 5s);
    EXPECT_FALSE(soon->isActive()) << "an ordinary timer fires";
    EXPECT_FALSE(fired);
    ASSERT_TRUE(month->isActive());
    const Duration left = *month->remaining();
    EXPECT_GT(left, std::chrono::days(30) - 1min);
    EXPECT_LE(left, std::chrono::days(30));
    month->cancel();
    EXPECT_EQ(month->remaining(), std::nullopt);
}

TEST(Clock, DurationArithmeticSaturatesInsteadOfWrapping) {
    EXPECT_EQ(durationFromSeconds(1.5), 1500ms);
    EXPECT_EQ(durationFromSeconds(std::nan("")), Duration::zero());
    EXPECT_EQ(durationFromSeconds(1e300), longestDuration);
    EXPECT_EQ(durationFromSeconds(-1e300), -longestDuration);
    const Instant now = ManualClock().now();
    EXPECT_EQ(addSaturating(now, 1h), now + 1h);
    EXPECT_GT(addSaturating(now, longestDuration), now);
    EXPECT_EQ(addSaturating(Instant::max() - 1h, 2h), Instant::max());
    EXPECT_EQ(addSaturating(Instant::min() + 1h, -2h), Instant::min());
    // Times read back from a file are held to a span every reader can format and subtract.
    const std::pair<double, Instant> stored[] = {
        {1e20, latestInstant},
        {HUGE_VAL, latestInstant},
        {std::nan(""), latestInstant},
        {-1e20, earliestInstant},
        {-HUGE_VAL, earliestInstant},
        {253402300799.0, latestInstant - 999ms}, // 9999-12-31T23:59:59Z
    };
    for (const auto& [seconds, expected] : stored)
        EXPECT_EQ(fromUnixSeconds(seconds), expected) << seconds;
}
