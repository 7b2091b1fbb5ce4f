#include "expiry/StoreFixture.h"
#include "platform/Trash.h"
#include "support/ScopedMount.h"

#include <fstream>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;
using StoreTest = StoreFixture;

TEST_F(StoreTest, DecisionsSurviveClosingAndReopening) {
    TrackedFile* record = pending("report.pdf");
    clock.advance(1'234ms);
    store->apply(ExpiryOption::oneHour, *record, true);
    const Instant expires = *record->expiresAt();
    EXPECT_EQ(expires, clock.now() + 1h);
    EXPECT_EQ(parseExpiry(*attribute(dl("report.pdf"))),
              std::chrono::floor<std::chrono::seconds>(expires));
    EXPECT_EQ(*readXattr(dl("report.pdf"), tagsAttribute), std::optional<QByteArray>("Temporary"));

    const QString id = record->idText();
    EXPECT_EQ(deleter->readAttribute(recordIdAttribute, dl("report.pdf")), id);
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

TEST_F(StoreTest, ARenamedFileKeepsItsRecordWhileRunningAndAcrossARestart) {
    TrackedFile* record = pending("draft.txt");
    std::filesystem::rename(dl("draft.txt"), dl("final.txt"));
    EXPECT_EQ(store->resolveURL(*record), dl("final.txt"));
    EXPECT_EQ(record->displayName(), QStringLiteral("final.txt"));
    store->save();

    reopen(); // renamed again while the program was not running
    std::filesystem::rename(dl("final.txt"), dl("v2.txt"));
    TrackedFile* again = store->files(FileStatus::pending).at(0);
    EXPECT_EQ(store->resolveURL(*again), dl("v2.txt"));
    EXPECT_EQ(again->displayName(), QStringLiteral("v2.txt"));
}

TEST_F(StoreTest, TrashedFilesAreDeletedAndMovedOutFilesAreReleasedOnce) {
    TrackedFile* trashed = pending("trashed.pdf");
    TrackedFile* moved = pending("moved.pdf");
    store->apply(ExpiryOption::oneHour, *trashed, true);
    store->apply(ExpiryOption::oneHour, *moved, true);
    ASSERT_TRUE(moveToTrash(dl("trashed.pdf")).ok());
    const path outside = home.root() / "moved.pdf";
    std::filesystem::rename(dl("moved.pdf"), outside);

    store->reconcile();
    store->reconcile();
    EXPECT_EQ(trashed->status(), FileStatus::deleted);
    EXPECT_EQ(moved->status(), FileStatus::cancelled);
    EXPECT_EQ(attribute(outside), std::nullopt);
    EXPECT_EQ(readXattr(outside, tagsAttribute).value(), std::nullopt);
    EXPECT_EQ(releases, (std::vector<std::vector<TrackedFile*>>{{moved}}));
    EXPECT_EQ(store->bookmarks().openDescriptorCount(), 0u) << "final records keep no descriptor";
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

    store.reset();
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path(databaseFile().native() + suffix));
    reopen();
    store->recoverFromExtendedAttributes();
    store->recoverFromExtendedAttributes(); // already known paths are not rebuilt twice
    EXPECT_TRUE(log.contains("Recovered 2 tracked file(s) from xattrs"));
    reopen();
    const auto scheduled = store->activeFiles();
    ASSERT_EQ(scheduled.size(), 2u) << "the rebuilt records were saved";
    EXPECT_EQ(scheduled[0]->displayName(), QStringLiteral("a.iso"));
    EXPECT_EQ(scheduled[0]->expiresAt(), aExpiry);
    EXPECT_EQ(deleter->readAttribute(recordIdAttribute, dl("a.iso")), scheduled[0]->idText())
        << "the file now names its new record";
}

TEST_F(StoreTest, AFileRenamedOrSortedIntoAFolderWhileStoppedKeepsItsOneRecord) {
    TrackedFile* record = pending("a.iso");
    store->apply(ExpiryOption::oneDay, *record, true);
    const QString id = record->idText();
    store.reset();
    std::filesystem::rename(dl("a.iso"), dl("b.iso"));
    for (int restart = 0; restart < 2; ++restart) {
        reopen();
        store->recoverFromExtendedAttributes();
        store->reconcile();
        const auto active = store->activeFiles();
        ASSERT_EQ(active.size(), 1u) << "restart " << restart;
        EXPECT_EQ(active[0]->idText(), id);
        EXPECT_EQ(active[0]->lastKnownPath(), dl("b.iso"));
    }
    // A file of ours from before ids were written is still known by who it is.
    ASSERT_TRUE(removeXattr(dl("b.iso"), recordIdAttribute).ok());
    std::filesystem::create_directories(dl("sorted/deeper"));
    store.reset();
    std::filesystem::rename(dl("b.iso"), dl("sorted/deeper/b.iso"));
    reopen();
    store->recoverFromExtendedAttributes();
    store->reconcile();
    ASSERT_EQ(store->activeFiles().size(), 1u);
    EXPECT_EQ(store->activeFiles()[0]->lastKnownPath(), dl("sorted/deeper/b.iso"))
        << "a restart looks into Downloads' folders before calling a file gone";
    EXPECT_TRUE(releases.empty());
}

TEST_F(StoreTest, AnUnavailableDownloadsIsNotAnEmptyOne) {
    TrackedFile* waiting = pending("waiting.txt");
    TrackedFile* timed = pending("timed.txt");
    store->apply(ExpiryOption::oneHour, *timed, false);
    auto expectIntact = [&](const char* when) {
        store->reconcile();
        store->recoverFromExtendedAttributes();
        EXPECT_EQ(waiting->status(), FileStatus::pending) << when;
        EXPECT_EQ(timed->status(), FileStatus::scheduled) << when;
    };
    const path away = home.root() / "away";
    std::filesystem::rename(home.downloads(), away);
    expectIntact("missing");
    expectIntact("still missing");
    EXPECT_EQ(log.count("Downloads is unavailable (%s); records are left as they are"), 1);
    std::filesystem::rename(away, home.downloads());
    expectIntact("back");
    EXPECT_EQ(log.count("Downloads is available again"), 1);

    if (::geteuid() != 0) {
        std::filesystem::permissions(home.downloads(), std::filesystem::perms::none);
        expectIntact("unreadable");
        std::filesystem::permissions(home.downloads(), std::filesystem::perms::owner_all);
    }
    // An empty folder on another device than every tracked file: its disk is not mounted.
    auto unmountedDisk = ScopedMount::tmpfs(home.downloads());
    if (!unmountedDisk)
        GTEST_SKIP() << "cannot mount over Downloads here (needs root)";
    expectIntact("not mounted");
    EXPECT_EQ(log.count("Downloads is unavailable (%s); records are left as they are"), 2);
    unmountedDisk.reset();
    expectIntact("mounted again");
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
}

TEST_F(StoreTest, KeptAndEndedRecordsPinNoFileAndStayAsTheyAre) {
    TrackedFile* kept = pending("kept.mov");
    TrackedFile* ended = pending("ended.mov");
    EXPECT_EQ(store->bookmarks().openDescriptorCount(), 2u);
    store->apply(ExpiryOption::forever, *kept, true);
    store->cancel(*ended);
    EXPECT_EQ(store->resolveURL(*kept), dl("kept.mov"));
    EXPECT_EQ(store->bookmarks().openDescriptorCount(), 0u)
        << "a file the user keeps frees its space as soon as the user deletes it";
    store->apply(ExpiryOption::oneHour, *ended, true);
    EXPECT_EQ(ended->status(), FileStatus::cancelled);
    EXPECT_EQ(attribute(dl("ended.mov")), std::nullopt);
}

TEST_F(StoreTest, InsideDownloadsMeansBelowTheResolvedFolder) {
    std::filesystem::create_directory(home.root() / "Downloads-old");
    std::filesystem::create_directory_symlink(home.downloads(), home.root() / "dl");
    std::filesystem::create_symlink(home.root(), dl("escape"));
    EXPECT_TRUE(store->isInsideDownloads(dl("x")));
    EXPECT_TRUE(store->isInsideDownloads(home.root() / "dl" / "x"));
    EXPECT_FALSE(store->isInsideDownloads(home.downloads()));
    EXPECT_FALSE(store->isInsideDownloads(home.root() / "Downloads-old" / "x"));
    EXPECT_FALSE(store->isInsideDownloads(dl("escape")));
    EXPECT_EQ(store->addPending(dl("escape"), std::nullopt), nullptr);
}

TEST_F(StoreTest, UnopenableDatabasesFailWithTheReason) {
    store.reset();
    auto openError = [&] {
        QString error;
        EXPECT_EQ(ExpiryStore::open(home.downloads(), clock, *deleter, error), nullptr);
        return error;
    };
    writeFile(databaseFile(), std::string(4096, 'g'));
    EXPECT_EQ(openError(), QStringLiteral("file is not a database"));
    std::filesystem::remove(databaseFile());

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) { // another process holds the database locked
        sqlite3* db = nullptr;
        sqlite3_open(databaseFile().c_str(), &db);
        sqlite3_exec(db, "BEGIN EXCLUSIVE; CREATE TABLE held(x);", nullptr, nullptr, nullptr);
        [[maybe_unused]] auto w = ::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(openError(), QStringLiteral("database is locked"));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    std::filesystem::remove_all(home.dataHome());
    std::filesystem::create_directories(home.dataHome());
    auto readOnly = ScopedMount::readOnly(home.dataHome());
    if (!readOnly)
        GTEST_SKIP() << "cannot make a read-only mount here (needs root)";
    EXPECT_EQ(openError(), QStringLiteral("Read-only file system"));
}

TEST_F(StoreTest, AFailedSaveKeepsTheChangesForTheNextSave) {
    store.reset();
    const path data = home.dataHome() / "Fadebin";
    std::filesystem::create_directories(data);
    if (::geteuid() != 0 || ::mount("tmpfs", data.c_str(), "tmpfs", 0, "size=200k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    struct Unmount {
        path dir;
        ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
    } unmount{data};
    reopen();
    {
        std::ofstream out(data / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())))
            ;
    }
    std::vector<TrackedFile*> added;
    // The filler may leave a few pages free; keep adding until a save fails.
    for (int i = 0; i < 200 && log.count("Save failed: %s") == 0; ++i)
        added.push_back(
            store->addPending(make("f" + std::to_string(i), std::string(2000, 'n')), std::nullopt));
    ASSERT_GE(log.count("Save failed: %s"), 1);
    EXPECT_TRUE(added.back()->isDirty()) << "the change waits in memory";
    std::filesystem::remove(data / "filler");
    EXPECT_TRUE(store->save());
    reopen();
    EXPECT_EQ(store->activeFiles().size(), added.size());
}
