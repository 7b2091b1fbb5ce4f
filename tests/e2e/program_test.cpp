// The built program, run as a user would run it, against a private home.
#include "e2e/ProgramFixture.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// 3 s of grace, then the 10-second timer.
constexpr const char* shortTimers =
    R"({"pendingGraceMinutes": 0.05, "defaultAction": "tenSeconds"})";

class ProgramTest : public ::testing::Test {
protected:
    TempHome home;
    Program program{home};
    const std::string name = "report.pdf";
    const path file = home.downloads() / name;

    void SetUp() override { writeSettings(home, shortTimers); }

    void startProgram() {
        program.start();
        ASSERT_TRUE(program.waitUntilWatching()) << program.log();
    }

    double waitForSchedule() {
        EXPECT_TRUE(waitFor([&] { return expiryAttribute(file).has_value(); }, 40s))
            << program.log();
        return expiryAttribute(file).value_or(0);
    }

    // The file stays in Downloads until its time, then goes to the Trash promptly.
    void expectTrashedOnTime(double expiresAt) {
        while (unixNow() < expiresAt - 1) {
            ASSERT_TRUE(std::filesystem::exists(file)) << "deleted early\n" << program.log();
            waitFor([] { return false; }, 50ms);
        }
        ASSERT_TRUE(waitFor([&] { return trashEntries(home).contains(name); }, 40s))
            << program.log();
        const TrashEntry entry = trashEntries(home).at(name);
        EXPECT_EQ(entry.originalPath, file.native());
        EXPECT_GE(static_cast<double>(entry.deletedAt), expiresAt - 1);
        EXPECT_LE(static_cast<double>(entry.deletedAt), expiresAt + 5);
        EXPECT_FALSE(std::filesystem::exists(file));
        EXPECT_TRUE(
            waitFor([&] { return readRecord(home, name).value_or(Record{}).status == "deleted"; }));
    }
};

TEST_F(ProgramTest, BrowserDownloadIsTimedThenTrashed) {
    startProgram();
    writeDownload(home.downloads(), name);

    ASSERT_TRUE(waitFor([&] { return readRecord(home, name).has_value(); }, 40s)) << program.log();
    const Record pending = *readRecord(home, name);
    EXPECT_EQ(pending.status, "pending");
    EXPECT_EQ(pending.source, "example.org");
    if (logsToStderr()) {
        EXPECT_TRUE(program.waitForLog("Pending: report.pdf from example.org")) << program.log();
    }

    const double expiresAt = waitForSchedule();
    const Record scheduled = *readRecord(home, name);
    EXPECT_EQ(scheduled.status, "scheduled");
    // The attribute keeps whole seconds of the recorded instant.
    EXPECT_NEAR(scheduled.expiresAt.value_or(0), expiresAt + 0.5, 0.5);
    EXPECT_NEAR(expiresAt, unixNow() + 10, 3);
    expectTrashedOnTime(expiresAt);
}

TEST_F(ProgramTest, ScheduleSurvivesKill) {
    startProgram();
    writeDownload(home.downloads(), name);
    const double expiresAt = waitForSchedule();
    program.kill();

    startProgram();
    expectTrashedOnTime(expiresAt);
}

TEST_F(ProgramTest, ScheduleIsRecoveredFromTheAttributeWhenTheDatabaseIsLost) {
    startProgram();
    writeDownload(home.downloads(), name);
    const double expiresAt = waitForSchedule();
    ASSERT_EQ(program.terminate(), 0) << program.log();
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(home.dataHome() / (std::string("Fadebin/Fadebin.store") + suffix));

    startProgram();
    if (logsToStderr()) {
        EXPECT_TRUE(program.waitForLog("Recovered 1 tracked file(s) from xattrs")) << program.log();
        ASSERT_TRUE(waitFor([&] { return readRecord(home, name).has_value(); })) << program.log();
    }
    EXPECT_EQ(readRecord(home, name)->expiresAt, expiresAt);
    expectTrashedOnTime(expiresAt);
}

TEST_F(ProgramTest, TerminateEndsCleanlyAndKeepsTheLatestDecision) {
    startProgram();
    writeDownload(home.downloads(), name);
    const double expiresAt = waitForSchedule();
    ASSERT_EQ(program.terminate(), 0) << program.log();
    if (logsToStderr()) {
        EXPECT_NE(program.log().find("Stopped watching"), std::string::npos) << program.log();
    }

    const std::optional<Record> saved = readRecord(home, name);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->status, "scheduled");
    EXPECT_NEAR(saved->expiresAt.value_or(0), expiresAt + 0.5, 0.5);
}

} // namespace
