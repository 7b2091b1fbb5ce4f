// The built program, run as a user would run it, against a private home.
#include "e2e/ProgramFixture.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class ProgramTest : public ::testing::Test {
protected:
    // 3 s of grace, then the 10-second timer.
    void SetUp() override {
        writeSettings(home, R"({"pendingGraceMinutes": 0.05, "defaultAction": "tenSeconds"})");
        ASSERT_TRUE(program.start()) << program.log();
        writeDownload(home.downloads(), name);
    }

    double waitForSchedule() {
        EXPECT_TRUE(waitFor([&] { return expiryAttribute(file).has_value(); }, 40s))
            << program.log();
        return expiryAttribute(file).value_or(0);
    }

    void expectTrashedOnTime(double expiresAt) {
        const auto early =
            std::chrono::milliseconds(std::int64_t((expiresAt - 1 - unixNow()) * 1e3));
        ASSERT_FALSE(waitFor([&] { return !exists(file); }, early)) << "early\n" << program.log();
        ASSERT_TRUE(waitFor([&] { return trashEntries(home).contains(file.native()); }, 40s))
            << program.log();
        EXPECT_LE(static_cast<double>(trashEntries(home).at(file.native())), expiresAt + 5);
        EXPECT_TRUE(waitFor([&] { return readRecord(home, name).status == "deleted"; }));
    }

    TempHome home;
    Program program{home};
    const std::string name = "report.pdf";
    const path file = home.downloads() / name;
};

TEST_F(ProgramTest, BrowserDownloadIsTimedThenTrashed) {
    ASSERT_TRUE(waitFor([&] { return readRecord(home, name).status == "pending"; }, 40s))
        << program.log();
    EXPECT_EQ(readRecord(home, name).source, "example.org");
    // With a journal running the program logs there instead.
    struct stat journal {};
    const auto logged = [&] {
        return program.log().find("Pending: report.pdf from example.org") != std::string::npos;
    };
    EXPECT_TRUE(::stat("/run/systemd/journal/socket", &journal) == 0 || waitFor(logged, 40s));

    const double expiresAt = waitForSchedule();
    // The attribute is written just before the database is.
    EXPECT_TRUE(waitFor([&] { return readRecord(home, name).status == "scheduled"; }));
    EXPECT_NEAR(expiresAt, unixNow() + 10, 3);
    expectTrashedOnTime(expiresAt);
}

TEST_F(ProgramTest, ScheduleSurvivesKill) {
    const double expiresAt = waitForSchedule();
    program.kill();
    ASSERT_TRUE(program.start()) << program.log();
    expectTrashedOnTime(expiresAt);
}

TEST_F(ProgramTest, TerminateExitsCleanlyAndALostDatabaseIsRebuiltFromTheAttribute) {
    const double expiresAt = waitForSchedule();
    ASSERT_EQ(program.terminate(), 0) << program.log();
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(home.dataHome() / (std::string("Fadebin/Fadebin.store") + suffix));
    ASSERT_TRUE(program.start()) << program.log();
    ASSERT_TRUE(waitFor([&] { return readRecord(home, name).expiresAt == expiresAt; }))
        << program.log();
    expectTrashedOnTime(expiresAt);
}

} // namespace
