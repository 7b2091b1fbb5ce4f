#include "expiry/FileDeleter.h"
#include "platform/Trash.h"
#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;

const Instant when = Instant(std::chrono::seconds(1'796'440'529)); // 2026-12-05T03:15:29Z

TEST(ExpiryText, FormatsWholeUtcSecondsIn20BytesAndParsesOnlyZOrAnOffset) {
    const QByteArray text = formatExpiry(when + std::chrono::milliseconds(999));
    EXPECT_EQ(text, QByteArray("2026-12-05T03:15:29Z")); // 20 bytes
    EXPECT_EQ(parseExpiry(QString::fromLatin1(text)), when);
    EXPECT_EQ(parseExpiry(QStringLiteral("2026-12-05T04:15:29+01:00")), when);
    EXPECT_EQ(parseExpiry(QStringLiteral("2026-12-04T22:45:29-04:30")), when);
    for (const char* bad :
         {"2026-12-05T03:15:29.5Z", "2026-12-05T03:15:29.000Z", "2026-12-05 03:15:29Z",
          "2026-12-05T03:15:29z", "2026-12-05T03:15Z", "2026-12-05T03:15:29",
          "2026-02-30T03:15:29Z", "2026-12-05T24:00:00Z", "2026-12-05T03:15:29+0100",
          "2026-12-05T03:15:29+24:00", " 2026-12-05T03:15:29Z", "", "garbage"})
        EXPECT_EQ(parseExpiry(QString::fromLatin1(bad)), std::nullopt) << bad;
}

namespace {

class DeleterTest : public ::testing::Test {
protected:
    DeleterTest() { deleter.openDownloads(home.downloads()); }
    path make(const std::string& name, const char* tags = nullptr) {
        const path p = home.downloads() / name;
        writeFile(p, "x");
        if (tags) {
            EXPECT_TRUE(writeXattr(p, tagsAttribute, tags).ok());
        }
        return p;
    }
    std::optional<QByteArray> raw(const path& p, const char* name = tagsAttribute) {
        auto value = readXattr(p, name);
        return value.ok() ? *value : std::nullopt;
    }
    std::optional<QString> expiry(const path& p) {
        return deleter.readAttribute(expiryAttribute, p);
    }
    void tag(bool add, const path& p) { deleter.setFileTag(add, temporaryTag, p); }

    TempHome home;
    LogCapture log;
    FileDeleter deleter;
};

} // namespace

TEST_F(DeleterTest, ExpiryAttributeRoundTripsEmptyOrAbsentReadsAsNoneAndFailuresAreLogged) {
    const path file = make("a.pdf");
    EXPECT_EQ(expiry(file), std::nullopt);
    deleter.writeExpiry(when, file);
    EXPECT_EQ(raw(file, expiryAttribute), QByteArray("2026-12-05T03:15:29Z"));
    EXPECT_EQ(expiry(file), QStringLiteral("2026-12-05T03:15:29Z"));
    deleter.removeExpiry(file);
    deleter.removeExpiry(file);
    EXPECT_EQ(expiry(file), std::nullopt);
    EXPECT_TRUE(log.lines().empty()) << "removing what is not there is quiet";
    ASSERT_TRUE(writeXattr(file, expiryAttribute, QByteArray()).ok());
    EXPECT_EQ(expiry(file), std::nullopt);
    EXPECT_EQ(expiry(home.downloads() / "missing"), std::nullopt);

    deleter.writeExpiry(Instant{}, home.downloads() / "missing");
    EXPECT_TRUE(log.contains("setxattr failed for missing: errno 2"));

    const path locked = make("locked.txt");
    std::unique_ptr<ScopedMount> readOnly;
    if (::geteuid() == 0) {
        if (!(readOnly = ScopedMount::readOnly(home.downloads())))
            GTEST_SKIP() << "cannot make a read-only mount here";
    } else {
        ::chmod(locked.c_str(), 0444);
    }
    deleter.writeExpiry(Instant{}, locked);
    EXPECT_EQ(log.count("setxattr failed for %s: errno %d"), 2);
    EXPECT_EQ(raw(locked, expiryAttribute), std::nullopt);
}

TEST_F(DeleterTest, TagsAreAddedOnceAndRemovedEverywhereKeepingOrder) {
    const path has = make("has", "A,,Temporary,B");
    tag(true, has);
    EXPECT_EQ(raw(has), QByteArray("A,,Temporary,B")) << "nothing is written";
    const path twice = make("twice", "A,Temporary,B,Temporary");
    tag(false, twice);
    EXPECT_EQ(raw(twice), QByteArray("A,B"));
    const path none = make("none");
    tag(false, none);
    EXPECT_EQ(raw(none), std::nullopt);
    tag(true, none);
    EXPECT_EQ(raw(none), QByteArray("Temporary"));
    tag(false, none);
    EXPECT_EQ(raw(none), std::nullopt) << "no empty list is left behind";
    tag(true, home.downloads() / "missing");
    EXPECT_EQ(log.count("Finder tag update failed for %s: %s"), 1);
}
