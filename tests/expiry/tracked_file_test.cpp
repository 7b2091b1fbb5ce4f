#include "expiry/TrackedFile.h"
#include "platform/ManualClock.h"

#include <QSet>
#include <QSignalSpy>
#include <QStringList>

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
    QStringList raws;
    for (FileStatus status : allFileStatuses) {
        raws << rawValue(status);
        EXPECT_EQ(fileStatusFromRaw(rawValue(status)), status);
    }
    EXPECT_EQ(raws, (QStringList{"pending", "scheduled", "keepForever", "deleted", "cancelled"}));
    for (const char16_t* unknown : {u"Pending", u"", u"expired"})
        EXPECT_EQ(fileStatusFromRaw(unknown), FileStatus::cancelled);
    ManualClock clock;
    auto record = makeRecord(clock, "somethingElse");
    EXPECT_EQ(record->status(), FileStatus::cancelled);
}

TEST(TrackedFile, NewRecordStartsWithNoAttemptsAtTheClocksNowAndAFreshId) {
    ManualClock clock;
    clock.advance(1234ms);
    auto record = makeRecord(clock);
    EXPECT_EQ(record->addedAt(), clock.now());
    EXPECT_EQ(record->deleteAttempts(), 0);
    EXPECT_EQ(record->status(), FileStatus::pending);
    EXPECT_EQ(record->source(), QStringLiteral("example.com"));
    EXPECT_FALSE(record->expiresAt().has_value());
    EXPECT_FALSE(record->id().isNull());
    EXPECT_TRUE(record->isDirty()) << "a new record is not saved yet";

    const QString text = record->idText();
    EXPECT_EQ(text.size(), 36);
    EXPECT_EQ(text, text.toLower());
    EXPECT_FALSE(text.contains(u'{'));
    EXPECT_EQ(QUuid::fromString(text), record->id());
}

TEST(TrackedFile, TwoRecordsWithEqualFieldsAreDistinct) {
    ManualClock clock;
    auto first = makeRecord(clock);
    auto second = makeRecord(clock);
    TrackedFile copy(first->fields()); // even the same id makes a separate record object
    EXPECT_NE(first->id(), second->id());
    QSet<const TrackedFile*> records{first.get(), second.get(), &copy};
    EXPECT_EQ(records.size(), 3);
    EXPECT_EQ(copy.id(), first->id());
    EXPECT_FALSE(copy.isDirty()) << "a record read back from the store is saved";
}

TEST(TrackedFile, SettersNotifyOnlyOnChangeAndMarkTheRecordDirty) {
    ManualClock clock;
    auto record = makeRecord(clock);
    record->clearDirty();
    QSignalSpy status(record.get(), &TrackedFile::statusRawChanged);
    QSignalSpy expires(record.get(), &TrackedFile::expiresAtChanged);
    QSignalSpy attempts(record.get(), &TrackedFile::deleteAttemptsChanged);

    record->setStatusRaw(QStringLiteral("pending"));
    record->setExpiresAt(std::nullopt);
    record->setDeleteAttempts(0);
    EXPECT_EQ(status.count() + expires.count() + attempts.count(), 0);
    EXPECT_FALSE(record->isDirty()) << "writing the same values changes nothing";

    record->setStatus(FileStatus::scheduled);
    record->setExpiresAt(clock.now() + 1h);
    record->setExpiresAt(clock.now() + 1h);
    record->setDeleteAttempts(2);
    EXPECT_EQ(status.count(), 1);
    EXPECT_EQ(expires.count(), 1);
    EXPECT_EQ(attempts.count(), 1);
    EXPECT_EQ(record->statusRaw(), QStringLiteral("scheduled"));
    EXPECT_TRUE(record->isDirty());
    record->clearDirty();

    QSignalSpy source(record.get(), &TrackedFile::sourceChanged);
    record->setSource(std::nullopt);
    EXPECT_EQ(source.count(), 1);
    EXPECT_TRUE(record->property("source").isNull());
    EXPECT_TRUE(record->isDirty());
}

TEST(TrackedFile, PathBytesThatAreNotUtf8Survive) {
    ManualClock clock;
    auto record = makeRecord(clock);
    const std::filesystem::path odd("/home/u/Downloads/caf\xe9\xff.txt");
    record->setLastKnownPath(odd);
    EXPECT_EQ(TrackedFile(record->fields()).lastKnownPath().native(), odd.native());
}
