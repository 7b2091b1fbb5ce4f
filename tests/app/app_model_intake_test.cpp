// Downloads coming into the model: finished ones, drops, the watch on the folder through pauses,
// a missing or lost folder and a full inotify table; and the words for why nothing is watched.
#include "app/IntakeProblem.h"
#include "app/ModelFixture.h"

#include <QSignalSpy>

using namespace fadebin;
using namespace fadebin::test;

TEST_F(ModelTest, FinishedDownloadsBecomePendingOldestFirstUnlessExcluded) {
    settings.setExcludedExtensionsText(QStringLiteral("pdf, .dmg"));
    model.start();
    download("REPORT.PDF");
    download("noextension");
    clock.advance(60s);
    download("second.zip", "zip", "https://www.example.net/z");

    EXPECT_TRUE(log.contains("Ignoring REPORT.PDF: extension excluded in settings"));
    EXPECT_EQ(names(model.pendingFiles()), (QStringList{"noextension", "second.zip"}));
    EXPECT_TRUE(log.contains("Pending: second.zip from example.net"));
    EXPECT_EQ(newPending.size(), 2u);

    // Downloads finishing in one round of checks are published as one change, not one each.
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        writeFile(file(name), name);
        model.completionFilter().handleItemEvent(file(name));
    }
    QSignalSpy published(&model, &AppModel::pendingFilesChanged);
    clock.advance(1500ms);
    EXPECT_EQ(model.pendingFiles().size(), 5);
    EXPECT_EQ(published.size(), 1);
}

TEST_F(ModelTest, DropsAreAcceptedOnlyFromInsideDownloads) {
    model.start();
    const path outside = home.root() / "photo.jpg";
    writeFile(outside, "jpg");
    writeFile(file("fresh.txt"), "new");
    TrackedFile* ticking = decided("ticking.txt", ExpiryOption::oneHour);
    const Instant before = *ticking->expiresAt();

    const auto outcomes =
        model.acceptDrop({outside, file("missing.txt"), file("fresh.txt"), file("ticking.txt")});
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].kind, DropOutcome::Kind::pending);
    EXPECT_EQ(outcomes[0].file->displayName(), QStringLiteral("fresh.txt"));
    EXPECT_EQ(outcomes[1], (DropOutcome{DropOutcome::Kind::scheduled, ticking}));
    EXPECT_EQ(ticking->expiresAt(), before);
    EXPECT_TRUE(log.contains("Pending: fresh.txt dropped on the notch"));
    EXPECT_TRUE(newPending.empty()) << "a drop does not announce itself";
}

// Downloads not made yet, or lost under a running watch: the model says so, looks for it every
// few seconds, and takes up watching with a new baseline.
TEST_F(ModelTest, AMissingOrLostDownloadsFolderIsShownAndWatchedAgainOnceItIsThere) {
    settings.setPauseWatching(false);
    std::filesystem::remove(home.downloads());
    QSignalSpy denied(&model, &AppModel::downloadsAccessDeniedChanged);
    model.start();
    EXPECT_TRUE(model.downloadsAccessDenied());
    const std::size_t timersWhileWaiting = clock.activeTimerCount();
    clock.advance(3 * AppModel::downloadsCheckInterval);
    model.recheckDownloadsAccess(); // "Retry"
    EXPECT_EQ(log.count("Downloads access denied: %s"), 1) << "looked for again, logged once";
    EXPECT_TRUE(model.downloadsAccessDenied());

    std::filesystem::create_directory(home.downloads());
    clock.advance(AppModel::downloadsCheckInterval);
    EXPECT_FALSE(model.downloadsAccessDenied());
    EXPECT_EQ(denied.count(), 2);
    EXPECT_TRUE(model.watcher()->isWatching());
    EXPECT_EQ(clock.activeTimerCount(), timersWhileWaiting - 1) << "no checks while it is there";

    writeFile(file("timed.txt"), "leaves with its folder");
    ASSERT_TRUE(waitFor([&] { return model.completionFilter().inFlightCount() == 1; }));
    clock.advance(1500ms);
    ASSERT_EQ(names(model.pendingFiles()), QStringList{"timed.txt"});

    // Moved away and made again: a file written into the new one is a download, the old let go.
    std::filesystem::rename(home.downloads(), home.root() / "Away");
    ASSERT_TRUE(waitFor([&] { return model.downloadsAccessDenied(); }));
    std::filesystem::create_directory(home.downloads());
    writeFile(file("fresh.zip"), "written as the folder came back");
    clock.advance(AppModel::downloadsCheckInterval);
    ASSERT_TRUE(model.watcher()->isWatching());
    EXPECT_EQ(model.completionFilter().inFlightCount(), 1u);
    clock.advance(1500ms);
    EXPECT_EQ(names(model.pendingFiles()), QStringList{"fresh.zip"});
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases.front().names, QStringList{"timed.txt"});
    EXPECT_TRUE(model.store()->files(FileStatus::deleted).empty()) << "nothing deleted it";
}

// The calls fail here exactly as the kernel's do at a limit.
TEST_F(ModelTest, AFullInotifyTableIsToldAsSuchNotAsADeniedFolderAndWatchingIsTriedAgain) {
    ScopedKernelCalls kernel;
    auto& calls = kernel.calls();
    const QString limitText = QStringLiteral("Fadebin can't watch Downloads: the system's limit of "
                                             "watched folders is reached (fs.inotify.%1)");
    settings.setPauseWatching(false);
    QSignalSpy denied(&model, &AppModel::downloadsAccessDeniedChanged);
    QSignalSpy reached(&model, &AppModel::watchLimitReachedChanged);
    QSignalSpy texts(&model, &AppModel::watchLimitTextChanged);
    kernel.fillInstanceTable();
    model.start();
    EXPECT_TRUE(model.watchLimitReached());
    EXPECT_EQ(model.watchLimitText(), limitText.arg(u"max_user_instances"));
    EXPECT_FALSE(model.downloadsAccessDenied());
    calls = {kernel.real().init,
             [](int, const char*, std::uint32_t) { return errno = ENOSPC, -1; }};
    clock.advance(AppModel::downloadsCheckInterval);
    EXPECT_EQ(log.count("Downloads access denied: %s"), 0);
    // The same errors from the other call, or another error, are no limit.
    calls = {kernel.real().init,
             [](int, const char*, std::uint32_t) { return errno = EMFILE, -1; }};
    clock.advance(AppModel::downloadsCheckInterval);
    EXPECT_TRUE(model.downloadsAccessDenied());
    EXPECT_FALSE(model.watchLimitReached());
    clock.advance(AppModel::downloadsCheckInterval);
    EXPECT_EQ(log.count("Downloads access denied: %s"), 1) << "the same failure, logged once";
    kernel.restore();
    clock.advance(AppModel::downloadsCheckInterval);
    EXPECT_TRUE(model.watcher()->isWatching());
    EXPECT_FALSE(model.downloadsAccessDenied());
    EXPECT_EQ(reached.count(), 2);
    EXPECT_EQ(texts.count(), 3);
    EXPECT_EQ(denied.count(), 2);
}

TEST_F(ModelTest, PausingStopsIntakeNotTimersAndAFileDeletedMeanwhileIsAskedAboutAgain) {
    writeFile(file("report.pdf"), "last week's");
    settings.setPauseWatching(false);
    settings.setShowTestTimers(true);
    model.start();
    ASSERT_TRUE(model.watcher()->isWatching());
    ASSERT_NE(decided("timed.txt", ExpiryOption::oneHour), nullptr);
    decided("ticking.bin", ExpiryOption::tenSeconds);
    settings.setPauseWatching(true);
    model.updateWatching();
    EXPECT_FALSE(model.watcher()->isWatching());
    clock.advance(10s);
    EXPECT_EQ(deletions.size(), 1u);
    std::filesystem::remove(file("report.pdf"));
    std::filesystem::rename(file("timed.txt"), home.root() / "timed.txt");
    settings.setPauseWatching(false);
    model.updateWatching();
    EXPECT_EQ(log.count("Baseline recorded: %ld existing item(s)"), 2) << "resuming takes one";
    EXPECT_EQ(record("timed.txt"), nullptr) << "moved out unseen, let go on resuming";
    writeFile(file("report.pdf"), "this week's");
    ASSERT_TRUE(waitFor([&] { return model.completionFilter().inFlightCount() == 1; }));
    clock.advance(1500ms);
    EXPECT_EQ(names(model.pendingFiles()), QStringList{QStringLiteral("report.pdf")});
}

TEST_F(ModelTest, AFileCreatedTheMomentTheBaselineIsTakenIsReported) {
    settings.setPauseWatching(false);
    log.onLine = [&](const LogLine& line) {
        if (line.format == "Baseline recorded: %ld existing item(s)")
            writeFile(file("raced.zip"), "zip");
    };
    model.start();
    log.onLine = nullptr;
    ASSERT_TRUE(waitFor([&] { return model.completionFilter().inFlightCount() == 1; }));
    clock.advance(1500ms);
    EXPECT_EQ(names(model.pendingFiles()), QStringList{QStringLiteral("raced.zip")});
}

TEST_F(ModelTest, AFileBroughtInWithSomeoneElsesExpiryIsAskedAboutNotTrashed) {
    AppModel(settings, clock, fileManager, home.downloads()).start(); // a healthy database
    writeFile(file("copied.iso"), "from a backup");
    ASSERT_TRUE(writeXattr(file("copied.iso"), expiryAttribute, "2020-01-01T00:00:00Z").ok());
    model.start();
    clock.advance(2s);
    EXPECT_TRUE(pathExists(file("copied.iso")));
    EXPECT_EQ(names(model.pendingFiles()), QStringList{"copied.iso"});
    EXPECT_EQ(attributeText(expiryAttribute, file("copied.iso")), std::nullopt);
    EXPECT_EQ(newPending.size(), 1u);
}

TEST(IntakeProblemTexts, TheLimitsCommandTheSampleStepAndTheFolderPlace) {
    const IntakeProblem watches{IntakeCause::watchLimit, "/d", "fs.inotify.max_user_watches"};
    const IntakeProblem missing{IntakeCause::folderMissing, "/home/a/Downloads", {}};
    const std::pair<QString, QString> texts[] = {
        {raiseLimitCommand(watches), "sudo sysctl fs.inotify.max_user_watches=524288"},
        {raiseLimitCommand(missing), ""},
        {sampleRefusal(missing, true),
         "Your Downloads folder is missing, so the sample can't be dropped."},
        {sampleRefusal({}, true), "Watching is paused, so the sample can't be dropped."},
        {sampleRefusal({}, false), ""},
    };
    for (const auto& [shown, expected] : texts)
        EXPECT_EQ(shown, expected);

    TempHome home;
    writeFile(home.root() / "file", "x");
    const auto link = [&](const char* name, const path& to) {
        std::filesystem::create_directory_symlink(to, home.root() / name);
        return home.root() / name;
    };
    const std::pair<path, IntakeCause> places[] = {
        {home.root() / "file" / "below", IntakeCause::folderMissing},
        {link("toMedia", "/media/nobody-here/Disk/Downloads"), IntakeCause::unmounted},
        {link("toRunMedia", "/run/media/nobody-here/Disk/Downloads"), IntakeCause::unmounted},
        {link("toNowhere", home.root() / "nowhere"), IntakeCause::folderMissing},
    };
    for (const auto& [place, cause] : places)
        EXPECT_EQ(folderCause(place), cause) << place;
}
