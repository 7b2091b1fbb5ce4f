// The store's records: decisions kept across restarts, one record per file through renames and
// lost databases, trash on other mounts, files changed while stopped; the deleter's marks.
#include "expiry/StoreFixture.h"
#include "platform/Trash.h"
#include "platform/TrashInfo.h"
#include "support/ScopedMount.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;

TEST(FileStatus, TheStoredTextIsExactAndAnythingElseReadsAsCancelled) {
    EXPECT_EQ(rawValue(FileStatus::keepForever), QStringLiteral("keepForever"));
    for (const char16_t* unknown : {u"Pending", u"", u"expired"})
        EXPECT_EQ(fileStatusFromRaw(unknown), FileStatus::cancelled);
}

TEST_F(StoreTest, DecisionsSurviveClosingAndReopening) {
    TrackedFile* record = pending("report.pdf");
    clock.advance(1'234ms);
    store->apply(ExpiryOption::oneHour, *record, true);
    const Instant expires = *record->expiresAt();
    EXPECT_EQ(expires, clock.now() + 1h);
    EXPECT_EQ(parseExpiry(*attribute(dl("report.pdf"))),
              std::chrono::floor<std::chrono::seconds>(expires));
    EXPECT_EQ(raw(dl("report.pdf")), QByteArray("Temporary"));
    const QString id = record->idText();
    EXPECT_EQ(deleter->readAttribute(recordIdAttribute, dl("report.pdf")), id);
    // A timed file given another expiry is marked anew; kept after all, it loses the mark.
    TrackedFile* notes = pending("notes.txt");
    store->apply(ExpiryOption::oneHour, *notes, false);
    store->apply(ExpiryOption::oneDay, *notes, false);
    EXPECT_EQ(parseExpiry(*attribute(dl("notes.txt"))),
              std::chrono::floor<std::chrono::seconds>(clock.now() + 24h));
    store->apply(ExpiryOption::forever, *notes, false);
    EXPECT_FALSE(notes->expiresAt().has_value());
    EXPECT_FALSE(attribute(dl("notes.txt")).has_value());
    // Names are bytes: one that is not UTF-8 comes back from the database exactly.
    ASSERT_NE(pending("caf\xe9\xff\nx.txt"), nullptr);
    reopen();
    ASSERT_EQ(store->files(FileStatus::pending).size(), 1u);
    EXPECT_EQ(store->files(FileStatus::pending)[0]->lastKnownPath().native(),
              dl("caf\xe9\xff\nx.txt").native());
    const auto scheduled = store->files(FileStatus::scheduled);
    ASSERT_EQ(scheduled.size(), 1u);
    EXPECT_EQ(scheduled[0]->idText(), id);
    EXPECT_EQ(scheduled[0]->expiresAt(), expires);
    EXPECT_EQ(scheduled[0]->source(), QStringLiteral("example.com"));
    EXPECT_EQ(store->files(FileStatus::scheduled)[0], scheduled[0]) << "one live object per record";
}

TEST_F(StoreTest, OnlyAnActiveRecordBlocksAddingAndActiveOrderIsPendingThenSoonest) {
    TrackedFile* first = pending("a.zip");
    EXPECT_EQ(store->addPending(dl("a.zip"), std::nullopt), nullptr);
    store->apply(ExpiryOption::forever, *first, false);
    TrackedFile* second = store->addPending(dl("a.zip"), std::nullopt);
    ASSERT_NE(second, nullptr);
    clock.advance(1s);
    store->cancel(*second);
    TrackedFile* third = store->addPending(dl("a.zip"), std::nullopt);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(store->recordForPath(dl("a.zip")), third) << "the newest wins";
    store->apply(ExpiryOption::forever, *third, false);

    TrackedFile* gone = pending("gone.txt");
    std::filesystem::remove(dl("gone.txt"));
    store->apply(ExpiryOption::forever, *gone, true); // touches nothing
    EXPECT_EQ(gone->status(), FileStatus::keepForever);

    TrackedFile* late = pending("late");
    TrackedFile* early = pending("early");
    clock.advance(1s);
    TrackedFile* p1 = pending("p1");
    clock.advance(1s);
    TrackedFile* p2 = pending("p2");
    store->apply(ExpiryOption::oneDay, *late, false);
    store->apply(ExpiryOption::tenSeconds, *early, false);
    EXPECT_EQ(store->activeFiles(), (std::vector<TrackedFile*>{p1, p2, early, late}));
}

TEST_F(StoreTest, ARenamedFileKeepsItsOneRecordWhileRunningAcrossRestartsAndInSubfolders) {
    TrackedFile* record = pending("draft.txt");
    std::filesystem::rename(dl("draft.txt"), dl("a.iso"));
    EXPECT_EQ(store->resolvePath(*record), dl("a.iso"));
    EXPECT_EQ(record->displayName(), QStringLiteral("a.iso"));
    store->apply(ExpiryOption::oneDay, *record, true);
    const QString id = record->idText();
    // Renamed while the program is stopped, then started twice.
    restart([&] { std::filesystem::rename(dl("a.iso"), dl("b.iso")); });
    for (int again = 0; again < 2; ++again, restart()) {
        ASSERT_EQ(store->activeFiles().size(), 1u) << "restart " << again;
        EXPECT_EQ(store->activeFiles()[0]->idText(), id);
        EXPECT_EQ(store->activeFiles()[0]->lastKnownPath(), dl("b.iso"));
        EXPECT_EQ(store->activeFiles()[0]->displayName(), QStringLiteral("b.iso"));
    }
    // A copy that took the file's place while stopped (restored from a backup, say) is
    // another file, but its attributes name the record: that record follows it.
    restart([&] {
        writeFile(dl("c.iso"), readFile(dl("b.iso")));
        for (const char* name : {expiryAttribute, recordIdAttribute})
            ASSERT_TRUE(writeXattr(dl("c.iso"), name, readXattr(dl("b.iso"), name)->value()).ok());
        std::filesystem::remove(dl("b.iso"));
    });
    ASSERT_EQ(store->activeFiles().size(), 1u);
    EXPECT_EQ(store->activeFiles()[0]->idText(), id);
    EXPECT_EQ(store->activeFiles()[0]->lastKnownPath(), dl("c.iso"));
    std::filesystem::rename(dl("c.iso"), dl("b.iso"));
    // A file of ours from before ids were written is still known by who it is.
    ASSERT_TRUE(removeXattr(dl("b.iso"), recordIdAttribute).ok());
    std::filesystem::create_directories(dl("sorted/deeper"));
    restart([&] { std::filesystem::rename(dl("b.iso"), dl("sorted/deeper/b.iso")); });
    ASSERT_EQ(store->activeFiles().size(), 1u);
    EXPECT_EQ(store->activeFiles()[0]->lastKnownPath(), dl("sorted/deeper/b.iso"))
        << "a restart looks into Downloads' folders before calling a file gone";
    // Another name of the same file (a hard link) is that file, not a copy: the marks it
    // shows are the file's own and stay.
    restart(
        [&] { std::filesystem::create_hard_link(dl("sorted/deeper/b.iso"), dl("b-link.iso")); });
    EXPECT_TRUE(attribute(dl("sorted/deeper/b.iso")).has_value());
    EXPECT_EQ(store->activeFiles().size(), 1u);
    EXPECT_TRUE(releases.empty());
}

TEST_F(StoreTest, LosingTheDatabaseRebuildsSchedulesFromAttributes) {
    TrackedFile* a = pending("a.iso");
    store->apply(ExpiryOption::oneDay, *a, false);
    store->apply(ExpiryOption::tenDays, *pending("b.dmg"), false);
    const Instant aExpiry = std::chrono::floor<std::chrono::seconds>(*a->expiresAt());
    // None of these is ours: a fraction, a foreign format, a hidden file, a link leading out.
    ASSERT_TRUE(writeXattr(make("fraction.bin"), expiryAttribute, "2026-12-05T03:15:29.5Z").ok());
    ASSERT_TRUE(writeXattr(make("foreign.bin"), expiryAttribute, "1796440529").ok());
    ASSERT_TRUE(writeXattr(make(".hidden"), expiryAttribute, "2026-12-05T03:15:29Z").ok());
    const path outside = home.root() / "outside.txt";
    writeFile(outside, "not ours");
    ASSERT_TRUE(writeXattr(outside, expiryAttribute, "2026-12-05T03:15:29Z").ok());
    std::filesystem::create_symlink(outside, dl("link-out"));

    restart([&] { removeDatabase(); });
    store->recoverFromExtendedAttributes(); // already known paths are not rebuilt twice
    EXPECT_TRUE(log.contains("Recovered 2 tracked file(s) from xattrs"));
    reopen();
    const auto scheduled = store->activeFiles();
    ASSERT_EQ(scheduled.size(), 2u) << "the rebuilt records were saved";
    EXPECT_EQ(scheduled[0]->displayName(), QStringLiteral("a.iso"));
    EXPECT_EQ(scheduled[0]->expiresAt(), aExpiry);
    EXPECT_EQ(deleter->readAttribute(recordIdAttribute, dl("a.iso")), scheduled[0]->idText())
        << "the file now names its new record";

    // Lost again, and Downloads is not there at the start (a disk mounted late): the
    // schedules are rebuilt once it is.
    restart([&] {
        removeDatabase();
        std::filesystem::rename(home.downloads(), home.root() / "disk");
    });
    EXPECT_TRUE(store->activeFiles().empty());
    std::filesystem::rename(home.root() / "disk", home.downloads());
    store->reconcile();
    EXPECT_EQ(store->activeFiles().size(), 2u);
}

TEST_F(StoreTest, TheTrashOfADownloadsMountIsTrashNotDownloads) {
    auto disk = ScopedMount::tmpfs(home.downloads());
    if (!disk)
        GTEST_SKIP() << "cannot mount a filesystem on Downloads here (needs root)";
    reopen();
    TrackedFile* record = pending("gone.pdf");
    store->apply(ExpiryOption::oneHour, *record, false);
    auto trashed = moveToTrash(dl("gone.pdf"));
    ASSERT_TRUE(trashed.ok()) << trashed.error().text();
    ASSERT_EQ(trashed->parent_path().parent_path().parent_path(), home.downloads())
        << "the volume trash lies inside Downloads";
    EXPECT_FALSE(store->isInsideDownloads(*trashed));
    store->reconcile();
    EXPECT_EQ(record->status(), FileStatus::deleted);
    EXPECT_TRUE(releases.empty());
    EXPECT_EQ(store->addPending(*trashed, std::nullopt), nullptr) << "nothing in a trash is timed";
    // The info file is anyone's to write: the trash's own folder inside Downloads is no place
    // to put an item back.
    writeFile(trashed->parent_path().parent_path() / "info/gone.pdf.trashinfo",
              "[Trash Info]\nPath=" +
                  encodeTrashInfoPath((trashed->parent_path() / "back.pdf").native()) +
                  "\nDeletionDate=2026-12-07T00:00:00\n");
    const auto restored = store->restoreTrashed(*trashed, std::nullopt);
    ASSERT_FALSE(restored);
    EXPECT_EQ(restored.error().code, EXDEV);
    EXPECT_TRUE(pathExists(*trashed));
}

TEST_F(StoreTest, ADeletedFileFreesItsSpaceAtOnceAndEndedRecordsStayEnded) {
    const auto freeBytes = [this] {
        return static_cast<std::int64_t>(std::filesystem::space(home.downloads()).available);
    };
    TrackedFile* big = pending("big.iso", std::string(32 << 20, 'b'));
    store->apply(ExpiryOption::tenDays, *big, false);
    ASSERT_EQ(store->resolvePath(*big), dl("big.iso"));
    const std::int64_t before = freeBytes();
    std::filesystem::remove(dl("big.iso")); // while nothing looks (watching paused, say)
    EXPECT_GT(freeBytes() - before, 16 << 20) << "no descriptor of ours holds the file";

    TrackedFile* ended = pending("ended.mov");
    store->cancel(*ended);
    store->apply(ExpiryOption::oneHour, *ended, true);
    EXPECT_EQ(ended->status(), FileStatus::cancelled);
    EXPECT_EQ(attribute(dl("ended.mov")), std::nullopt);
}

TEST_F(StoreTest, WithoutBirthTimesAnUndecidedFileChangedWhileStoppedIsStillItself) {
    store.reset();
    const auto disk = ScopedMount::ramfs(home.downloads()); // ramfs reports no birth time
    if (!disk)
        GTEST_SKIP() << "cannot mount ramfs on Downloads here (needs root)";
    reopen();
    TrackedFile* draft = pending("draft.txt");
    store->apply(ExpiryOption::oneHour, *pending("decided.txt"), false);
    EXPECT_EQ(log.count("This filesystem gives no birth times: files are told apart by device, "
                        "inode, size and modification time (%s)"),
              1);
    const QString id = draft->idText();
    store.reset();
    appendFile(dl("draft.txt"), " edited while we were stopped");
    appendFile(dl("decided.txt"), " edited too");
    reopen();
    store->reconcile();
    const auto pendingNow = store->files(FileStatus::pending);
    ASSERT_EQ(pendingNow.size(), 1u) << "not taken for gone";
    EXPECT_EQ(pendingNow[0]->idText(), id);
    EXPECT_EQ(store->resolvePath(*pendingNow[0]), dl("draft.txt"));
    EXPECT_TRUE(store->files(FileStatus::scheduled).empty())
        << "a decided file that cannot prove itself is never deleted by mistake";
    EXPECT_TRUE(pathExists(dl("decided.txt")));
}

const Instant when = Instant(std::chrono::seconds(1'796'440'529)); // 2026-12-05T03:15:29Z

// The store's deleter (opened on Downloads with the store), for the marks it writes.
using DeleterTest = StoreFixture;

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

TEST_F(DeleterTest, ExpiryAttributeRoundTripsEmptyOrAbsentReadsAsNoneAndFailuresAreLogged) {
    const path file = make("a.pdf", "x");
    EXPECT_EQ(attribute(file), std::nullopt);
    deleter->writeExpiry(when, file);
    EXPECT_EQ(raw(file, expiryAttribute), QByteArray("2026-12-05T03:15:29Z"));
    deleter->removeExpiry(file);
    deleter->removeExpiry(file);
    EXPECT_EQ(attribute(file), std::nullopt);
    EXPECT_TRUE(log.lines().empty()) << "removing what is not there is quiet";
    ASSERT_TRUE(writeXattr(file, expiryAttribute, QByteArray()).ok());
    EXPECT_EQ(attribute(file), std::nullopt);
    EXPECT_EQ(attribute(dl("missing")), std::nullopt);

    deleter->writeExpiry(Instant{}, dl("missing"));
    EXPECT_TRUE(log.contains("setxattr failed for missing: errno 2"));

    const path locked = make("locked.txt", "x");
    std::unique_ptr<ScopedMount> readOnly;
    if (::geteuid() == 0) {
        if (!(readOnly = ScopedMount::readOnly(home.downloads())))
            GTEST_SKIP() << "cannot make a read-only mount here";
    } else {
        ::chmod(locked.c_str(), 0444);
    }
    deleter->writeExpiry(Instant{}, locked);
    EXPECT_EQ(log.count("setxattr failed for %s: errno %d"), 2);
    EXPECT_EQ(raw(locked, expiryAttribute), std::nullopt);
}

TEST_F(DeleterTest, TagsAreAddedOnceAndRemovedEverywhereKeepingOrder) {
    // The tags before, ours added or removed, the tags after: none left is no attribute at all.
    const std::tuple<const char*, bool, std::optional<QByteArray>> rows[] = {
        {"A,,Temporary,B", true, "A,,Temporary,B"},
        {"A,Temporary,B,Temporary", false, "A,B"},
        {nullptr, false, std::nullopt},
        {nullptr, true, "Temporary"},
        {"Temporary", false, std::nullopt}};
    int n = 0;
    for (const auto& [before, add, after] : rows) {
        const path file = make(std::to_string(n++));
        ASSERT_TRUE(!before || writeXattr(file, tagsAttribute, before).ok());
        deleter->setFileTag(add, temporaryTag, file);
        EXPECT_EQ(raw(file), after) << (before ? before : "");
    }
    deleter->setFileTag(true, temporaryTag, dl("missing"));
    EXPECT_EQ(log.count("Finder tag update failed for %s: %s"), 1);
}
