#include "platform/ManualClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fadebin;
using namespace std::chrono_literals;

TEST(ManualClock, FiresDueTimersInTimeOrderAndMovesNow) {
    ManualClock clock;
    const Instant start = clock.now();
    std::vector<std::string> fired;
    std::vector<Instant> at;
    auto late = clock.singleShot(3s, [&] {
        fired.push_back("late");
        at.push_back(clock.now());
    });
    auto early = clock.singleShot(1s, [&] {
        fired.push_back("early");
        at.push_back(clock.now());
    });
    auto tie = clock.singleShot(3s, [&] {
        fired.push_back("tie");
        at.push_back(clock.now());
    });

    clock.advance(2s);
    EXPECT_EQ(fired, (std::vector<std::string>{"early"}));
    clock.advance(1s);
    EXPECT_EQ(fired, (std::vector<std::string>{"early", "late", "tie"}));
    EXPECT_EQ(at, (std::vector<Instant>{start + 1s, start + 3s, start + 3s}));
    EXPECT_EQ(clock.now(), start + 3s);
    EXPECT_FALSE(late->isActive());
    EXPECT_EQ(clock.activeTimerCount(), 0u);
}

TEST(ManualClock, RepeatingTimerFiresOncePerIntervalUntilCancelled) {
    ManualClock clock;
    int ticks = 0;
    TimerHandle timer = clock.repeating(500ms, [&] { ++ticks; });
    clock.advance(1'499ms);
    EXPECT_EQ(ticks, 2);
    clock.advance(1ms);
    EXPECT_EQ(ticks, 3);
    timer->cancel();
    clock.advance(10s);
    EXPECT_EQ(ticks, 3);
}

TEST(ManualClock, DestroyingTheHandleCancelsAndCallbacksMayReplaceTheirOwnTimer) {
    ManualClock clock;
    int fired = 0;
    {
        auto gone = clock.singleShot(1s, [&] { ++fired; });
    }
    TimerHandle chain;
    std::function<void()> again = [&] {
        ++fired;
        if (fired < 3)
            chain = clock.singleShot(1s, again); // replaces the handle that is firing
    };
    chain = clock.singleShot(1s, again);
    clock.advance(10s);
    EXPECT_EQ(fired, 3);
    auto due = clock.nextDue();
    EXPECT_FALSE(due.has_value());
}

TEST(ManualClock, RepeatingTimerCancelledByItsOwnCallbackStops) {
    ManualClock clock;
    int ticks = 0;
    TimerHandle timer;
    timer = clock.repeating(100ms, [&] {
        if (++ticks == 2)
            timer.reset();
    });
    clock.advance(1s);
    EXPECT_EQ(ticks, 2);
}

TEST(UnixSeconds, RoundTripsMilliseconds) {
    const Instant t = fromUnixSeconds(1'765'000'000.25);
    EXPECT_DOUBLE_EQ(toUnixSeconds(t), 1'765'000'000.25);
}
