// The program killed at random moments while downloads arrive and timers run out: no file
// may go before its time, and no schedule may be lost.
#include "e2e/ProgramFixture.h"

#include <cstdio>
#include <cstdlib>
#include <random>

using namespace fadebin;
using namespace fadebin::test;

using SteadyClock = std::chrono::steady_clock;

TEST(CrashTest, RandomKillsNeverDeleteEarlyNorLoseASchedule) {
    constexpr int total = 200;
    // Expiries are wall-clock times: a clock set ahead meanwhile would make them due early.
    const WallClockLock trueTime(WallClockLock::reading);
    TempHome home;
    writeSettings(home, R"({"pendingGraceMinutes": 0.01, "defaultAction": "tenSeconds"})");
    const char* seedText = std::getenv("FADEBIN_CRASH_SEED");
    const unsigned seed = seedText ? std::strtoul(seedText, nullptr, 10) : std::random_device{}();
    std::printf("seed %u (set FADEBIN_CRASH_SEED to repeat)\n", seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> lifetimeMs(500, 4000);
    const auto pathOf = [&](size_t i) {
        return home.downloads() / ("download-" + std::to_string(i) + ".bin");
    };

    // The latest expiry ever shown for each file, by the database or by the attribute.
    std::map<path, double> promised;
    Program program(home);
    const auto observe = [&] {
        program.log();
        for (const Record& r : readRecords(home))
            if (r.expiresAt)
                promised[home.downloads() / r.displayName] =
                    std::max(promised[home.downloads() / r.displayName], *r.expiresAt);
        for (size_t i = 0; i < total; ++i)
            if (auto expiresAt = expiryAttribute(pathOf(i)))
                promised[pathOf(i)] = std::max(promised[pathOf(i)], *expiresAt);
    };

    // A download done as the program died is in the next baseline; 2.5 s before, it is tracked.
    std::vector<bool> mustBeTracked;
    for (auto killUntil = SteadyClock::time_point::max(); SteadyClock::now() < killUntil;) {
        ASSERT_TRUE(program.start()) << program.log();
        const auto killAt = SteadyClock::now() + std::chrono::milliseconds(lifetimeMs(random));
        for (int i = 0; i < 10 && mustBeTracked.size() < total; ++i) {
            writeDownload(home.downloads(), pathOf(mustBeTracked.size()).filename());
            mustBeTracked.push_back(SteadyClock::now() + 2500ms <= killAt);
            if (mustBeTracked.size() == total)
                killUntil = SteadyClock::now() + 12s;
        }
        waitFor([&] { return observe(), SteadyClock::now() >= killAt; }, 10s);
        program.kill();
        observe();
    }

    ASSERT_TRUE(program.start()) << program.log();
    EXPECT_TRUE(waitFor(
        [&] {
            observe();
            return std::ranges::none_of(readRecords(home), [](const Record& r) {
                return r.status == "pending" || r.status == "scheduled";
            });
        },
        60s))
        << program.log();

    const auto trash = trashEntries(home.dataHome() / "Trash");
    for (const auto& [original, deletedAt] : trash) {
        ASSERT_TRUE(promised.contains(original)) << original << " was trashed without a schedule";
        EXPECT_GE(double(deletedAt), promised.at(original) - 1) << original << " was trashed early";
    }
    EXPECT_GT(std::ranges::count(mustBeTracked, true), 0);
    for (size_t i = 0; i < total; ++i)
        EXPECT_TRUE(!mustBeTracked[i] || promised.contains(pathOf(i))) << i;
    for (const auto& [file, expiresAt] : promised) {
        EXPECT_TRUE(trash.contains(file)) << file << " (due " << std::fixed << expiresAt << ")";
        EXPECT_EQ(readRecord(home, file.filename()).status, "deleted") << file;
    }
    if (::testing::Test::HasFailure())
        std::printf("%s\n", program.log().c_str());
}
