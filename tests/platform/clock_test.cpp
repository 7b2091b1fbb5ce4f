#include "platform/ManualClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace fadebin;
using namespace std::chrono_literals;

TEST(ManualClock, FiresTimersInTimeOrderAtTheirInstantsAndCallbacksMayReplaceTheirOwnTimer) {
    ManualClock clock;
    const Instant start = clock.now();
    std::vector<std::pair<int, Instant>> fired;
    auto timer = [&](auto after, int id) {
        return clock.singleShot(after,
                                [&fired, &clock, id] { fired.emplace_back(id, clock.now()); });
    };
    auto late = timer(3s, 1), early = timer(1s, 2), tie = timer(3s, 3);
    timer(1s, 4); // destroying the handle cancels
    int ticks = 0, selfTicks = 0, chained = 0;
    TimerHandle repeating = clock.repeating(500ms, [&] { ++ticks; });
    TimerHandle self = clock.repeating(100ms, [&] {
        if (++selfTicks == 2)
            self.reset(); // cancelled by its own callback
    });
    TimerHandle chain;
    std::function<void()> again = [&] {
        if (++chained < 3)
            chain = clock.singleShot(1s, again); // replaces the handle that is firing
    };
    chain = clock.singleShot(1s, again);
    clock.advance(1'499ms);
    EXPECT_EQ(fired, (std::vector<std::pair<int, Instant>>{{2, start + 1s}}));
    EXPECT_EQ(ticks, 2);
    clock.advance(1ms);
    EXPECT_EQ(ticks, 3);
    repeating->cancel();
    clock.advance(1'500ms);
    EXPECT_EQ(fired, (std::vector<std::pair<int, Instant>>{
                         {2, start + 1s}, {1, start + 3s}, {3, start + 3s}}));
    EXPECT_EQ(clock.now(), start + 3s);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(selfTicks, 2);
    EXPECT_EQ(chained, 3);
    EXPECT_EQ(clock.activeTimerCount(), 0u);
    EXPECT_FALSE(clock.nextDue().has_value());
    EXPECT_DOUBLE_EQ(toUnixSeconds(fromUnixSeconds(1'765'000'000.25)), 1'765'000'000.25);
}

TEST(SystemClock, TimersLongerThanQtCanArmWaitTheirWholeTime) {
    // Qt's timer interval is an int of milliseconds: 30 days would wrap negative.
    bool fired = false;
    TimerHandle month = Clock::system().singleShot(std::chrono::days(30), [&] { fired = true; });
    TimerHandle soon = Clock::system().singleShot(20ms, [] {});
    QElapsedTimer waited;
    waited.start();
    while (soon->isActive() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
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
