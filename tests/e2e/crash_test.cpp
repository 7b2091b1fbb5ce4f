// The program killed at random moments while downloads arrive and timers run out: no file
// may go before its time, and no schedule may be lost.
#include "e2e/ProgramFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                                   : std::random_device{}();
    std::printf("seed %u (set FADEBIN_CRASH_SEED to repeat)\n", seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> lifetimeMs(500, 4000);

    // The latest expiry ever shown for each file, by the database or by the attribute.
    std::map<std::string, double> promised;
    auto observe = [&] {
        for (const Record& r : readRecords(home))
            if (r.expiresAt)
                promised[r.displayName] = std::max(promised[r.displayName], *r.expiresAt);
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(home.downloads(), ec))
            if (auto expiresAt = expiryAttribute(entry.path()))
                promised[entry.path().filename()] =
                    std::max(promised[entry.path().filename()], *expiresAt);
    };
    auto nameOf = [](int i) { return "download-" + std::to_string(i) + ".bin"; };

    Program program(home);
    int written = 0;
    int kills = 0;
    // Downloads that had this long before a kill must have been reported.
    constexpr auto enoughTime = 2500ms;
    std::vector<bool> mustBeTracked;
    // Killing goes on past the last download, until its timer has run out too.
    auto killUntil = SteadyClock::time_point::max();
    while (SteadyClock::now() < killUntil) {
        program.start();
        ASSERT_TRUE(program.waitUntilWatching()) << program.log();
        const auto killAt = SteadyClock::now() + std::chrono::milliseconds(lifetimeMs(random));
        for (int i = 0; i < 10 && written < total; ++i) {
            writeDownload(home.downloads(), nameOf(written++));
            mustBeTracked.push_back(SteadyClock::now() + enoughTime <= killAt);
            if (written == total)
                killUntil = SteadyClock::now() + 12s;
        }
        while (SteadyClock::now() < killAt) {
            observe();
            program.log();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        program.kill();
        ++kills;
        observe();
    }

    // A last run without kills lets everything that was scheduled come due.
    program.start();
    ASSERT_TRUE(program.waitUntilWatching()) << program.log();
    const bool settled = waitFor(
        [&] {
            observe();
            program.log();
            for (const Record& r : readRecords(home))
                if (r.status == "pending" || r.status == "scheduled")
                    return false;
            return true;
        },
        60s);

    const std::map<std::string, TrashEntry> trash = trashEntries(home);
    std::printf("%d kills, %zu of %d downloads tracked, %zu trashed\n", kills, promised.size(),
                total, trash.size());
    EXPECT_TRUE(settled) << program.log();

    for (const auto& [name, entry] : trash) {
        ASSERT_TRUE(promised.contains(name)) << name << " was trashed without a schedule";
        EXPECT_GE(static_cast<double>(entry.deletedAt), promised.at(name) - 1)
            << name << " was trashed early";
    }
    const std::vector<Record> records = readRecords(home);
    // A download that completed just as the program died is part of the next start's
    // baseline and is never tracked; one given time enough must have been.
    for (int i = 0; i < total; ++i)
        EXPECT_TRUE(!mustBeTracked[i] || promised.contains(nameOf(i)))
            << nameOf(i) << " was missed";
    EXPECT_GT(std::count(mustBeTracked.begin(), mustBeTracked.end(), true), 0);
    for (const auto& [name, expiresAt] : promised) {
        const path file = home.downloads() / name;
        EXPECT_TRUE(trash.contains(name))
            << name << " (due " << std::fixed << expiresAt << ") was not trashed; attribute "
            << expiryAttribute(file).has_value() << ", in Downloads "
            << std::filesystem::exists(file);
        const auto record = std::find_if(records.begin(), records.end(),
                                         [&](const Record& r) { return r.displayName == name; });
        EXPECT_TRUE(record != records.end() && record->status == "deleted")
            << name << " has no deleted record";
    }
    EXPECT_EQ(program.terminate(), 0) << program.log();
}

} // namespace
