#include "expiry/ExpiryScheduler.h"
#include "expiry/StoreFixture.h"
#include "platform/Trash.h"
#include "support/ScopedMount.h"

#include <cmath>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class SchedulerTest : public StoreFixture {
protected:
    SchedulerTest() { makeScheduler(); }

    void makeScheduler() {
        scheduler = std::make_unique<ExpiryScheduler>(*store, settings, *deleter, clock);
        scheduler->onSweep = [this] { ++sweeps; };
        scheduler->onDeletion = [this](const DeletionEvent& e) { events.push_back(e); };
    }
    // Stopped, `whileStopped` done meanwhile, and opened again with a new, unstarted scheduler.
    void restart(const std::function<void()>& whileStopped = {}) {
        scheduler.reset();
        store.reset();
        if (whileStopped)
            whileStopped();
        reopen();
        makeScheduler();
    }
    TrackedFile* scheduled(const std::string& name, ExpiryOption how = ExpiryOption::tenSeconds) {
        TrackedFile* record = pending(name);
        store->apply(how, *record, settings.applyFileTag());
        return record;
    }
    [[nodiscard]] Duration timerIn() const { return clock.nextDue().value() - clock.now(); }
    bool trashed(const std::string& n) const {
        return pathExists(home.dataHome() / "Trash/files" / n);
    }

    std::unique_ptr<ExpiryScheduler> scheduler;
    int sweeps = 0;
    std::vector<DeletionEvent> events;
};

// Puts something else in the due file's place at the last moment, as a racing program would.
class RacingDeleter : public FileDeleter {
public:
    path victim;
    std::function<void(const path&)> swap;
    Result<std::optional<TrashedItem>> deleteItem(const path& filePath, DeletionMethod method,
                                                  const FileIdentity& expected) override {
        if (filePath == victim) {
            std::filesystem::remove(filePath);
            swap(filePath);
        }
        return FileDeleter::deleteItem(filePath, method, expected);
    }
};

} // namespace

TEST_F(SchedulerTest, TheTimerAimsAtTheNextDueMomentButNeverSoonerThanOneSecond) {
    store->apply(ExpiryOption::forever, *pending("kept"), false);
    scheduler->start();
    EXPECT_FALSE(scheduler->hasTimer());
    EXPECT_EQ(log.count("Next sweep at %s"), 0) << "nothing to wait for: no timer, no line";
    EXPECT_EQ(sweeps, 1);

    settings.setPendingGraceMinutes(10);
    pending("waiting.pdf");
    clock.advance(5min);
    scheduled("later.pdf", ExpiryOption::thirtyMinutes);
    scheduler->reschedule();
    EXPECT_EQ(timerIn(), 5min) << "the grace ends before the expiry";
    settings.setPendingGraceMinutes(60);
    scheduler->reschedule();
    EXPECT_EQ(timerIn(), 30min);
    EXPECT_EQ(log.count("Next sweep at %s"), 2);

    TrackedFile* old = scheduled("old.bin");
    clock.suspend(30s); // already past when the timer is armed
    scheduler->reschedule();
    EXPECT_EQ(timerIn(), 1s);
    clock.advance(999ms);
    EXPECT_EQ(old->status(), FileStatus::scheduled);
    clock.advance(1ms);
    EXPECT_TRUE(trashed("old.bin"));
}

TEST_F(SchedulerTest, ThreeFailuresGiveUpAndLeaveTheFileInPlace) {
    TrackedFile* record = scheduled("stuck.iso");
    std::filesystem::create_directories(home.dataHome());
    writeFile(home.dataHome() / "Trash", "in the way"); // the trash folder cannot be made
    scheduler->start();
    clock.advance(10s);
    EXPECT_EQ(parseExpiry(*attribute(dl("stuck.iso"))), clock.now() + 60s);
    clock.advance(120s);
    EXPECT_EQ(record->status(), FileStatus::cancelled);
    EXPECT_EQ(record->deleteAttempts(), 3);
    EXPECT_TRUE(pathExists(dl("stuck.iso")));
    EXPECT_EQ(attribute(dl("stuck.iso")), std::nullopt);
    EXPECT_EQ(log.count("Delete failed for %s (attempt %ld): %s"), 3);
    for (const char* attempt : {"1", "2", "3"})
        EXPECT_TRUE(log.contains(std::string("Delete failed for stuck.iso (attempt ") + attempt +
                                 "): cannot open the home trash: Not a directory"));
    EXPECT_TRUE(events.empty());

    TrackedFile* retried = scheduled("again.iso");
    scheduler->reschedule();
    clock.advance(11s);
    ASSERT_EQ(retried->deleteAttempts(), 1);
    store->apply(ExpiryOption::oneHour, *retried, false);
    EXPECT_EQ(retried->deleteAttempts(), 0) << "a new decision starts counting again";
}

TEST_F(SchedulerTest, OneSweepReportsEveryDeletionInOneEvent) {
    for (const char* name : {"one.pdf", "two.pdf", "three.png"}) {
        scheduled(name);
        clock.advance(1s);
    }
    clock.advance(20s);
    scheduler->sweep();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].names, (QStringList{"one.pdf", "two.pdf", "three.png"}));
    EXPECT_EQ(events[0].kind, FileKind::pdf);
    EXPECT_EQ(events[0].title(), QStringLiteral("3 files moved to Trash"));

    settings.setDeletionMethod(DeletionMethod::permanent);
    scheduled("gone.txt");
    scheduler->reschedule();
    clock.advance(10s);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].title(), QStringLiteral("Deleted"));
    EXPECT_FALSE(pathExists(dl("gone.txt")) || trashed("gone.txt"));

    const int before = sweeps;
    scheduler->sweep();
    EXPECT_EQ(sweeps, before + 1);
    EXPECT_EQ(events.size(), 2u) << "a sweep that deletes nothing reports nothing";
    EXPECT_EQ((DeletionEvent{{"a", "b"}, FileKind::other, DeletionMethod::permanent, {}}).title(),
              QStringLiteral("2 files deleted"));
}

TEST_F(SchedulerTest, UndecidedFilesGetTheDefaultAfterTheGraceAndWakingSweeps) {
    settings.setPendingGraceMinutes(0.5);
    settings.setDefaultAction(ExpiryOption::tenSeconds);
    settings.setApplyFileTag(true);
    TrackedFile* record = pending("undecided.zip");
    scheduler->start();
    clock.advance(30s);
    EXPECT_EQ(record->expiresAt(), clock.now() + 10s);
    EXPECT_EQ(raw(dl("undecided.zip")), QByteArray("Temporary"));
    clock.advance(10s);
    EXPECT_EQ(record->status(), FileStatus::deleted);

    TrackedFile* slept = scheduled("slept.txt", ExpiryOption::thirtyMinutes);
    clock.suspend(2h); // no timer aims at it: only the waking sweep can find it due
    scheduler->wakeNotice();
    // Read from the store: a record that ended leaves memory as the event loop turns.
    const QString id = slept->idText();
    EXPECT_TRUE(waitFor([&] {
        return std::ranges::any_of(store->files(FileStatus::deleted),
                                   [&](TrackedFile* r) { return r->idText() == id; });
    }));
}

// Deadlines are wall-clock instants: a clock set forward or a sleep without a wake notice (no
// logind) leaves no due file waiting; a clock set back neither hastens nor stretches a delay.
TEST_F(SchedulerTest, DeadlinesFollowTheWallClockThroughClockChangesAndSleep) {
    TrackedFile* stepped = scheduled("stepped.pdf", ExpiryOption::oneHour);
    scheduler->start();
    clock.jumpWallClock(2h);
    EXPECT_EQ(stepped->status(), FileStatus::deleted);
    TrackedFile* slept = scheduled("slept.pdf", ExpiryOption::oneHour);
    scheduler->reschedule();
    clock.suspend(2h);
    EXPECT_EQ(slept->status(), FileStatus::deleted);
    EXPECT_TRUE(trashed("stepped.pdf") && trashed("slept.pdf"));

    scheduled("later.pdf", ExpiryOption::oneHour);
    scheduler->reschedule();
    clock.jumpWallClock(-1h);
    EXPECT_EQ(timerIn(), 2h);
    std::filesystem::rename(home.downloads(), home.root() / "unplugged");
    clock.advance(2h); // due, but Downloads is gone: it is looked for again a minute later
    clock.jumpWallClock(-30s);
    EXPECT_EQ(timerIn(), 60s) << "the wait for Downloads to return is a delay, not an instant";
}

// Nothing outside Downloads is ever deleted, however the file got there.
TEST_F(SchedulerTest, FilesTrashedMovedOutOrLinkedFromOutsideAreNeverDeleted) {
    settings.setApplyFileTag(true);
    TrackedFile* trashed = scheduled("trashed.pdf");
    TrackedFile* moved = scheduled("moved.pdf");
    ASSERT_TRUE(moveToTrash(dl("trashed.pdf")).ok());
    std::filesystem::create_directory(home.root() / "Downloads2");
    const path sibling = home.root() / "Downloads2" / "moved.pdf";
    std::filesystem::rename(dl("moved.pdf"), sibling);
    store->noteMovedAway(dl("moved.pdf")); // as the watcher tells of the rename
    const path outside = home.root() / "precious.txt";
    writeFile(outside, "keep me");
    ASSERT_TRUE(writeXattr(outside, expiryAttribute, "2020-01-01T00:00:00Z").ok());
    std::filesystem::create_symlink(outside, dl("link.txt"));
    store->recoverFromExtendedAttributes();
    EXPECT_EQ(store->addPending(dl("link.txt"), std::nullopt), nullptr);

    scheduler->start();
    clock.advance(1h);
    store->reconcile();
    EXPECT_EQ(trashed->status(), FileStatus::deleted);
    EXPECT_EQ(moved->status(), FileStatus::cancelled);
    EXPECT_TRUE(pathExists(sibling));
    EXPECT_EQ(releases, (std::vector<std::vector<TrackedFile*>>{{moved}})) << "released once";
    EXPECT_EQ(readFile(outside), "keep me");
    EXPECT_TRUE(std::filesystem::is_symlink(dl("link.txt")));
    EXPECT_TRUE(store->activeFiles().empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(SchedulerTest, WhateverTakesTheDueFilesPlaceJustBeforeDeletionIsLeftAlone) {
    deleter = std::make_unique<RacingDeleter>();
    auto& race = static_cast<RacingDeleter&>(*deleter);
    restart();
    const path outside = home.root() / "target.bin";
    writeFile(outside, "outside");
    // A link leading out of Downloads, then another file of the user's inside it.
    for (const auto& swap : std::vector<std::function<void(const path&)>>{
             [&](const path& at) { std::filesystem::create_symlink(outside, at); },
             [&](const path& at) { writeFile(at, "the user's new file"); }}) {
        race.victim = dl("swap.bin");
        race.swap = swap;
        TrackedFile* record = scheduled("swap.bin");
        clock.advance(10s);
        scheduler->sweep();
        EXPECT_EQ(record->status(), FileStatus::scheduled) << "not let go: it never left";
        // Found nowhere at the looks of the next sweeps, a retry apart: gone.
        clock.advance(ExpiryScheduler::retryDelay * ExpiryScheduler::attemptLimit + 1s);
        EXPECT_EQ(record->status(), FileStatus::deleted);
        EXPECT_TRUE(pathExists(dl("swap.bin")));
        EXPECT_FALSE(trashed("swap.bin"));
        std::filesystem::remove(dl("swap.bin"));
    }
    EXPECT_EQ(readFile(outside), "outside");
    EXPECT_TRUE(events.empty());
}

TEST_F(SchedulerTest, AFileLetGoWhileStoppedIsNeverTimedAgainByItsOldExpiry) {
    settings.setApplyFileTag(true);
    scheduled("letgo.pdf", ExpiryOption::thirtyMinutes);
    const path outside = home.root() / "letgo.pdf";
    for (const auto& [from, to] :
         {std::pair{dl("letgo.pdf"), outside}, {outside, dl("letgo.pdf")}}) {
        restart([&] {
            clock.advance(1h); // stopped past its old expiry
            std::filesystem::rename(from, to);
        });
        store->recoverFromExtendedAttributes();
        scheduler->start();
        EXPECT_EQ(store->files(FileStatus::deleted).size(), 1u) << "its record could not find it";
    }
    clock.advance(1min);
    EXPECT_FALSE(trashed("letgo.pdf"));
    EXPECT_TRUE(store->activeFiles().empty());
    EXPECT_EQ(attribute(dl("letgo.pdf")), std::nullopt);
    EXPECT_EQ(deleter->readAttribute(recordIdAttribute, dl("letgo.pdf")), std::nullopt);
    EXPECT_EQ(readXattr(dl("letgo.pdf"), tagsAttribute).value(), std::nullopt);
    EXPECT_TRUE(events.empty());
}

TEST_F(SchedulerTest, StoredTimesTooLargeForAnInstantAreTheFarFutureNotThePast) {
    TrackedFile* record = scheduled("far.iso");
    const QString id = record->idText();
    restart([&] {
        EXPECT_EQ(sql("UPDATE TrackedFile SET expiresAt = 1e20, addedAt = 1e20"), SQLITE_OK);
    });
    scheduler->start();
    clock.advance(1min);
    const auto kept = store->files(FileStatus::scheduled);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0]->idText(), id);
    EXPECT_EQ(kept[0]->expiresAt(), latestInstant);
    EXPECT_TRUE(pathExists(dl("far.iso")));
    EXPECT_FALSE(trashed("far.iso"));
    EXPECT_TRUE(events.empty());
}

// A missing, unreadable or unmounted Downloads is not an empty one: nothing is decided meanwhile.
TEST_F(SchedulerTest, NothingIsDecidedWhileDownloadsCannotBeSeen) {
    settings.setPendingGraceMinutes(std::nan(""));
    TrackedFile* due = scheduled("due.txt", ExpiryOption::thirtyMinutes);
    TrackedFile* waiting = pending("waiting.txt");
    scheduler->start();
    clock.advance(4min);
    EXPECT_EQ(waiting->status(), FileStatus::pending) << "an unusable grace is the default 5 min";
    auto expectIntact = [&](const char* when) {
        store->reconcile();
        store->recoverFromExtendedAttributes();
        EXPECT_EQ(due->status(), FileStatus::scheduled) << when;
        EXPECT_EQ(waiting->status(), FileStatus::pending) << when;
        EXPECT_TRUE(releases.empty()) << when;
    };
    const path away = home.root() / "unplugged";
    std::filesystem::rename(home.downloads(), away);
    clock.advance(30min);
    expectIntact("missing");
    EXPECT_GE(timerIn(), 59s) << "no sweep every second while the disk is away";
    std::filesystem::create_directory(home.downloads());
    if (auto disk = ScopedMount::tmpfs(home.downloads())) {
        expectIntact("an empty folder on another device than every tracked file");
    } else if (::geteuid() != 0) {
        std::filesystem::permissions(home.downloads(), std::filesystem::perms::none);
        expectIntact("unreadable");
    }
    EXPECT_EQ(log.count("Downloads is unavailable (%s); records are left as they are"), 1);

    std::filesystem::remove(home.downloads());
    std::filesystem::rename(away, home.downloads());
    clock.advance(1min);
    store->reconcile();
    EXPECT_TRUE(trashed("due.txt"));
    EXPECT_EQ(waiting->status(), FileStatus::keepForever);
    EXPECT_EQ(log.count("Downloads is available again"), 1);
}
