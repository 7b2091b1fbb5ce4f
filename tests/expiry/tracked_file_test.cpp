#include "expiry/TrackedFile.h"
#include "platform/ManualClock.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

std::unique_ptr<TrackedFile> makeRecord(const Clock& clock, const char* status = "pending") {
    return std::make_unique<TrackedFile>(QByteArray("bookmark"), QStringLiteral("a.zip"),
                                         QStringLiteral("example.com"), 42,
                                         QString::fromLatin1(status), std::nullopt,
                                         std::filesystem::path("/home/u/Downloads/a.zip"), clock);
}

} // namespace

TEST(FileStatus, ReadsTheFiveStringsAndAnythingElseAsCancelled) {
    for (FileStatus status : allFileStatuses)
        EXPECT_EQ(fileStatusFromRaw(rawValue(status)), status);
    EXPECT_EQ(rawValue(FileStatus::keepForever), QStringLiteral("keepForever"));
    for (const char16_t* unknown : {u"Pending", u"", u"expired"})
        EXPECT_EQ(fileStatusFromRaw(unknown), FileStatus::cancelled);
    ManualClock clock;
    EXPECT_EQ(makeRecord(clock, "somethingElse")->status(), FileStatus::cancelled);
}

TEST(TrackedFile, NewRecordStartsWithNoAttemptsAtTheClocksNowAndAFreshId) {
    ManualClock clock;
    clock.advance(1234ms);
    auto record = makeRecord(clock);
    EXPECT_EQ(record->addedAt(), clock.now());
    EXPECT_EQ(record->deleteAttempts(), 0);
    EXPECT_EQ(record->status(), FileStatus::pending);
    EXPECT_FALSE(record->expiresAt().has_value());
    EXPECT_TRUE(record->isDirty()) << "a new record is not saved yet";
    EXPECT_EQ(record->idText(), record->id().toString(QUuid::WithoutBraces).toLower());
}
