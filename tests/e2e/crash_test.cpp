// The program killed at random moments while downloads arrive and timers run out: no file
// may go before its time, and no schedule may be lost.
#include "e2e/ProgramFixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

using namespace fadebin;
using namespace fadebin::test;

namespace {

using SteadyClock = std::chrono::steady_clock;

TEST(CrashTest, RandomKillsNeverDeleteEarlyNorLoseASchedule) {
    constexpr int total = 200;
    TempHome home;
    writeSettings(home, R"({"pendingGraceMinutes": 0.01, "defaultAction": "tenSeconds"})");
    const char* seedText = std::getenv("FADEBIN_CRASH_SEED");
    const unsigned seed = seedText ? std::strtoul(seedText, nullptr, 10) : std::random_device{}();
    std::printf("seed %u (set FADEBIN_CRASH_SEED to repeat)\n", seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> lifetimeMs(500, 4000);
    auto pathOf = [&](int i) {
        return home.downloads() / ("download-" + std::to_string(i) + ".bin");
    };

    // The latest expiry ever shown for each file, by the database or by the attribute.
    std::map<path, double> promised;
    Program program(home);
    auto observe = [&] {
        program.log();
        for (const Record& r : readRecords(home))
            if (r.expiresAt)
                promised[home.downloads() / r.displayName] =
                    std::max(promised[home.downloads() / r.displayName], *r.expiresAt);
        for (int i = 0; i < total; ++i)
            if (auto expiresAt = expiryAttribute(pathOf(i)))
                promised[pathOf(i)] = std::max(promised[pathOf(i)], *expiresAt);
    };

    // Downloads that had this long before a kill must have been reported.
    constexpr auto enoughTime = 2500ms;
    std::vector<bool> mustBeTracked;
    int kills = 0;
    // Killing goes on past the last download, until its timer has run out too.
    for (auto killUntil = SteadyClock::time_point::max(); SteadyClock::now() < killUntil; ++kills) {
        ASSERT_TRUE(program.start()) << program.log();
        const auto killAt = SteadyClock::now() + std::chrono::milliseconds(lifetimeMs(random));
        for (int i = 0; i < 10 && mustBeTracked.size() < total; ++i) {
            writeDownload(home.downloads(), pathOf(int(mustBeTracked.size())).filename());
            mustBeTracked.push_back(SteadyClock::now() + enoughTime <= killAt);
            if (mustBeTracked.size() == total)
                killUntil = SteadyClock::now() + 12s;
        }
        waitFor(
            [&] {
                observe();
                return SteadyClock::now() >= killAt;
            },
            10s);
        program.kill();
        observe();
    }

    // A last run without kills lets everything that was scheduled come due.
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

    const auto trash = trashEntries(home);
    std::printf("%d kills, %zu of %d downloads tracked, %zu trashed\n", kills, promised.size(),
                total, trash.size());
    for (const auto& [original, deletedAt] : trash) {
        ASSERT_TRUE(promised.contains(original)) << original << " was trashed without a schedule";
        EXPECT_GE(double(deletedAt), promised.at(original) - 1) << original << " was trashed early";
    }
    // A download that completed just as the program died is part of the next start's
    // baseline and is never tracked; one given time enough must have been.
    EXPECT_GT(std::ranges::count(mustBeTracked, true), 0);
    for (int i = 0; i < total; ++i)
        EXPECT_TRUE(!mustBeTracked[i] || promised.contains(pathOf(i))) << i;
    for (const auto& [file, expiresAt] : promised) {
        EXPECT_TRUE(trash.contains(file)) << file << " (due " << std::fixed << expiresAt << ")";
        EXPECT_EQ(readRecord(home, file.filename()).value_or(Record{}).status, "deleted") << file;
    }
    EXPECT_EQ(program.terminate(), 0) << program.log();
}

} // namespace
