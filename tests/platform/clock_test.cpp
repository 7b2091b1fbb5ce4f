#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

// Qt's timer interval is an int of milliseconds: the 30-day timer would wrap negative.
TEST(SystemClock, InstantTimersFireThroughTheEventLoopAndLongTimersWaitTheirWholeTime) {
    Clock& clock = Clock::system();
    std::optional<Instant> firedAt;
    bool pastFired = false, cancelledFired = false, monthFired = false;
    const Instant deadline = clock.now() + 200ms;
    TimerHandle timer = clock.at(deadline, [&] { firedAt = clock.now(); });
    TimerHandle past = clock.at(clock.now() - 1h, [&] { pastFired = true; });
    TimerHandle cancelled = clock.at(deadline, [&] { cancelledFired = true; });
    TimerHandle month = clock.singleShot(std::chrono::days(30), [&] { monthFired = true; });
    TimerHandle soon = clock.singleShot(20ms, [] {});
    cancelled->cancel();
    EXPECT_FALSE(pastFired) << "never inside at()";
    ASSERT_TRUE(timer->isActive());
    EXPECT_GT(*timer->remaining(), 100ms);
    EXPECT_LE(*timer->remaining(), 200ms);
    waitFor([&] { return firedAt.has_value() && !soon->isActive(); }, 5s);
    ASSERT_TRUE(firedAt.has_value());
    EXPECT_GE(*firedAt, deadline);
    EXPECT_TRUE(pastFired);
    EXPECT_FALSE(cancelledFired);
    EXPECT_FALSE(timer->isActive());
    EXPECT_GT(clock.awakeTime(), Duration::zero());
    EXPECT_FALSE(soon->isActive()) << "an ordinary timer fires";
    EXPECT_FALSE(monthFired);
    ASSERT_TRUE(month->isActive());
    EXPECT_GT(*month->remaining(), std::chrono::days(30) - 1min);
    EXPECT_LE(*month->remaining(), std::chrono::days(30));
    month->cancel();
    EXPECT_EQ(month->remaining(), std::nullopt);
}

// Sets the machine's clock, for the few milliseconds the event loop needs.
TEST(SystemClock, SettingTheWallClockPastAnInstantFiresItAtOnce) {
    const WallClockLock alone(WallClockLock::setting);
    Clock& clock = Clock::system();
    bool fired = false;
    int sets = 0;
    TimerHandle timer = clock.at(clock.now() + 60s, [&] { fired = true; });
    TimerHandle watch = clock.onWallClockSet([&] { ++sets; });
    if (const int error = stepWallClock(61s); error != 0)
        GTEST_SKIP() << "the wall clock cannot be set here (needs root): " << std::strerror(error);
    // The loop stands still until both the set and the expiry are pending on the timer: its
    // one read then tells only of the set, and the deadline must be armed again to come.
    std::this_thread::sleep_for(50ms);
    waitFor([&] { return fired; }, 2s);
    stepWallClock(-61s);
    EXPECT_TRUE(fired);
    waitFor([&] { return sets > 0; }, 2s);
    EXPECT_GT(sets, 0);
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
        {253402300799.0, latestInstant - 999ms} // 9999-12-31T23:59:59Z
    };
    for (const auto& [seconds, expected] : stored)
        EXPECT_EQ(fromUnixSeconds(seconds), expected) << seconds;
}
