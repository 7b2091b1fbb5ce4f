#include "app/AppModel.h"
#include "platform/LoginItem.h"
#include "platform/ManualClock.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

class RecordingWorkspace : public Workspace {
public:
    void reveal(const path& item) override { revealed.push_back(item); }
    std::vector<path> revealed;
};

// The model on a manual clock with real folders. Intake is fed through the completion
// filter directly (watching paused), so nothing depends on kernel event timing.
class ModelTest : public ::testing::Test {
protected:
    ModelTest() {
        settings.setPauseWatching(true);
        model.onNewPendingFile = [this](TrackedFile* f) { newPending.push_back(f); };
        model.onRelease = [this](const ReleaseEvent& e) { releases.push_back(e); };
        model.onDeletion = [this](const DeletionEvent& e) { deletions.push_back(e); };
    }

    path file(const std::string& name) const { return home.downloads() / name; }
    // A download that appears and finishes.
    void download(const std::string& name, const std::string& contents = "payload") {
        writeFile(file(name), contents);
        model.completionFilter().handleItemEvent(file(name));
        clock.advance(1500ms);
    }
    static QStringList names(const QList<TrackedFile*>& files) {
        QStringList out;
        for (TrackedFile* f : files)
            out.append(f->displayName());
        return out;
    }
    TrackedFile* pendingNamed(const QString& name) {
        for (TrackedFile* f : model.pendingFiles())
            if (f->displayName() == name)
                return f;
        return nullptr;
    }

    TempHome home;
    LogCapture log;
    ManualClock clock;
    UserDefaults defaults{home.configHome() / "Fadebin/defaults.json"};
    AutostartLoginItem loginItem{home.configHome() / "autostart/fadebin.desktop",
                                 "/usr/bin/fadebin"};
    AppSettings settings{defaults, loginItem};
    RecordingWorkspace workspace;
    AppModel model{settings, clock, workspace, home.downloads()};
    std::vector<TrackedFile*> newPending;
    std::vector<ReleaseEvent> releases;
    std::vector<DeletionEvent> deletions;
};

} // namespace

TEST_F(ModelTest, FinishedDownloadsBecomePendingOldestFirstUnlessExcluded) {
    settings.setExcludedExtensionsText(QStringLiteral("pdf, .dmg"));
    model.start();
    download("REPORT.PDF");
    download("noextension");
    clock.advance(60s);
    writeFile(file("second.zip"), "zip");
    ASSERT_TRUE(
        writeXattr(file("second.zip"), originUrlAttribute, "https://www.example.net/z").ok());
    download("second.zip");

    EXPECT_TRUE(log.contains("Ignoring REPORT.PDF: extension excluded in settings"));
    EXPECT_EQ(names(model.pendingFiles()), (QStringList{"noextension", "second.zip"}));
    EXPECT_TRUE(log.contains("Pending: noextension from unknown"));
    EXPECT_TRUE(log.contains("Pending: second.zip from example.net"));
    EXPECT_EQ(newPending.size(), 2u);
}

TEST_F(ModelTest, TrackedFilesAreSoonestFirstAndListsNotifyOnlyOnRealChange) {
    model.start();
    for (const char* name : {"hour", "five", "day", "kept"})
        download(name);
    QSignalSpy pendingSpy(&model, &AppModel::pendingFilesChanged);
    QSignalSpy trackedSpy(&model, &AppModel::trackedFilesChanged);
    model.decide(pendingNamed("hour"), ExpiryOption::oneHour);
    model.decide(pendingNamed("kept"), ExpiryOption::forever);
    model.decide(pendingNamed("day"), ExpiryOption::oneDay);
    model.decideAll(ExpiryOption::thirtyMinutes);
    EXPECT_EQ(names(model.trackedFiles()), (QStringList{"five", "hour", "day"}));
    EXPECT_TRUE(model.pendingFiles().isEmpty());
    const auto changes = pendingSpy.count() + trackedSpy.count();
    model.refresh();
    model.reload();
    EXPECT_EQ(pendingSpy.count() + trackedSpy.count(), changes) << "same records, same order";
}

TEST_F(ModelTest, CountdownArmsTenSecondsBeforeTheFirstExpiry) {
    settings.setShowTestTimers(true);
    model.start();
    download("soon.txt");
    model.decide(pendingNamed("soon.txt"), ExpiryOption::thirtySeconds);
    const Instant expires = *model.trackedFiles()[0]->expiresAt();
    clock.advance(5s); // 25 s left
    model.refresh();
    EXPECT_EQ(model.countdownDeadline(), std::nullopt);
    EXPECT_TRUE(model.hasCountdownTimer());
    clock.advance(14'999ms);
    EXPECT_EQ(model.countdownDeadline(), std::nullopt);
    clock.advance(1ms);
    EXPECT_EQ(model.countdownDeadline(), expires);

    clock.advance(10s); // the file goes and the lists follow
    EXPECT_TRUE(model.trackedFiles().isEmpty());
    EXPECT_EQ(model.countdownDeadline(), std::nullopt);

    download("late.txt");
    model.decide(pendingNamed("late.txt"), ExpiryOption::tenSeconds);
    clock.advance(6s); // 4 s left at this refresh
    model.refresh();
    ASSERT_EQ(model.trackedFiles().size(), 1);
    EXPECT_EQ(model.countdownDeadline(), model.trackedFiles()[0]->expiresAt());
    EXPECT_FALSE(model.hasCountdownTimer());
}

TEST_F(ModelTest, DropsAreAcceptedOnlyFromInsideDownloads) {
    model.start();
    const path desktop = home.root() / "Desktop";
    std::filesystem::create_directory(desktop);
    writeFile(desktop / "photo.jpg", "jpg");
    std::filesystem::create_symlink(desktop / "photo.jpg", file("link-out.jpg"));
    writeFile(file("fresh.txt"), "new");
    download("ticking.txt");
    model.decide(pendingNamed("ticking.txt"), ExpiryOption::oneHour);
    TrackedFile* ticking = model.trackedFiles()[0];
    const Instant before = *ticking->expiresAt();

    const auto outcomes =
        model.acceptDrop({desktop / "photo.jpg", file("link-out.jpg"), file("missing.txt"),
                          file("fresh.txt"), file("ticking.txt")});
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].kind, DropOutcome::Kind::pending);
    EXPECT_EQ(outcomes[0].file->displayName(), QStringLiteral("fresh.txt"));
    EXPECT_EQ(outcomes[1], (DropOutcome{DropOutcome::Kind::scheduled, ticking}));
    EXPECT_EQ(ticking->expiresAt(), before);
    EXPECT_TRUE(log.contains("Pending: fresh.txt dropped on the notch"));
    EXPECT_EQ(newPending.size(), 1u) << "a drop does not announce itself";
    EXPECT_TRUE(model.acceptDrop({desktop / "photo.jpg"}).empty());
}

TEST_F(ModelTest, DeleteNowTrashesInsideAndCancelsAFileMovedElsewhere) {
    model.start();
    download("now.pdf");
    download("moved.pdf");
    TrackedFile* now = pendingNamed("now.pdf");
    TrackedFile* moved = pendingNamed("moved.pdf");
    model.decide(moved, ExpiryOption::oneHour);
    const path elsewhere = home.root() / "moved.pdf";
    std::filesystem::rename(file("moved.pdf"), elsewhere);

    model.deleteNow(moved);
    EXPECT_EQ(moved->status(), FileStatus::cancelled);
    EXPECT_TRUE(pathExists(elsewhere));
    model.deleteNow(now);
    EXPECT_EQ(now->status(), FileStatus::deleted);
    EXPECT_TRUE(pathExists(home.dataHome() / "Trash/files/now.pdf"));
    EXPECT_TRUE(deletions.empty()) << "no toast for a deletion made here";
    EXPECT_TRUE(model.pendingFiles().isEmpty());
    EXPECT_TRUE(model.trackedFiles().isEmpty());
}

TEST_F(ModelTest, SavesInPlaceKeepTimersRevivesFinishedRecordsAndIgnoresStrangers) {
    writeFile(file("old.txt"), "was here before");
    model.start();
    download("kept.odt");
    TrackedFile* kept = pendingNamed("kept.odt");
    model.decide(kept, ExpiryOption::oneDay);
    const Instant expires = *kept->expiresAt();

    auto saveOver = [&](const std::string& name) {
        writeFile(file(name + ".new"), "saved again");
        std::filesystem::rename(file(name + ".new"), file(name));
        model.completionFilter().handleItemEvent(file(name));
    };
    saveOver("kept.odt");
    EXPECT_EQ(kept->status(), FileStatus::scheduled);
    EXPECT_EQ(kept->expiresAt(), expires);
    EXPECT_EQ(parseExpiry(*FileDeleter().readAttribute(expiryAttribute, file("kept.odt"))),
              std::chrono::floor<std::chrono::seconds>(expires));
    EXPECT_TRUE(log.contains("Kept the decision for kept.odt after it was saved in place"));

    model.deleteNow(kept);
    writeFile(file("kept.odt"), "back again");
    model.completionFilter().handleItemEvent(file("kept.odt"));
    clock.advance(1500ms);
    saveOver("kept.odt");
    ASSERT_EQ(model.pendingFiles().size(), 1);
    EXPECT_NE(model.pendingFiles()[0], kept);

    saveOver("old.txt");
    EXPECT_TRUE(log.contains("Ignoring old.txt: existing file saved in place"));
}

TEST_F(ModelTest, MovingATrackedFileOutLetsItGoWithAReleaseEvent) {
    model.start();
    download("away.zip");
    model.decide(pendingNamed("away.zip"), ExpiryOption::oneHour);
    std::filesystem::rename(file("away.zip"), home.root() / "away.zip");
    model.completionFilter().handleItemEvent(file("away.zip"));
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].names, QStringList{QStringLiteral("away.zip")});
    EXPECT_EQ(releases[0].kind, FileKind::archive);
    EXPECT_TRUE(log.contains("Let go of away.zip: moved out of Downloads"));
    EXPECT_TRUE(model.trackedFiles().isEmpty());
}

TEST_F(ModelTest, PausingStopsIntakeButNotTimers) {
    settings.setPauseWatching(false);
    model.start();
    ASSERT_TRUE(model.watcher()->isWatching());
    download("ticking.bin");
    settings.setShowTestTimers(true);
    model.decide(pendingNamed("ticking.bin"), ExpiryOption::tenSeconds);
    settings.setPauseWatching(true);
    model.updateWatching();
    EXPECT_FALSE(model.watcher()->isWatching());
    clock.advance(10s);
    EXPECT_TRUE(pathExists(home.dataHome() / "Trash/files/ticking.bin"));
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0].title(), QStringLiteral("Moved to Trash"));
}

TEST_F(ModelTest, ADeniedDownloadsFolderIsRetriedAndThenWatched) {
    settings.setPauseWatching(false);
    std::filesystem::rename(home.downloads(), home.root() / "elsewhere");
    QSignalSpy denied(&model, &AppModel::downloadsAccessDeniedChanged);
    model.start();
    EXPECT_TRUE(model.downloadsAccessDenied());
    EXPECT_FALSE(model.watcher()->isWatching());
    EXPECT_EQ(log.count("Downloads access denied: %s"), 1);
    model.recheckDownloadsAccess();
    EXPECT_TRUE(model.downloadsAccessDenied());

    std::filesystem::rename(home.root() / "elsewhere", home.downloads());
    model.recheckDownloadsAccess();
    EXPECT_FALSE(model.downloadsAccessDenied());
    EXPECT_TRUE(model.watcher()->isWatching());
    EXPECT_EQ(denied.count(), 2);
}

TEST_F(ModelTest, AnUnopenableDatabaseLeavesTheModelIdle) {
    const path db = home.dataHome() / "Fadebin" / "Fadebin.store";
    std::filesystem::create_directories(db.parent_path());
    writeFile(db, std::string(2048, 'z'));
    writeFile(file("a.txt"), "x");
    model.start();
    ASSERT_TRUE(model.startupError().has_value());
    EXPECT_TRUE(
        model.startupError()->startsWith(QStringLiteral("Could not open the Fadebin database: ")));
    EXPECT_EQ(model.watcher(), nullptr);
    EXPECT_TRUE(model.acceptDrop({file("a.txt")}).empty());
    model.decideAll(ExpiryOption::tenSeconds);
    model.refresh();
    EXPECT_TRUE(model.pendingFiles().isEmpty());
    EXPECT_EQ(log.count("%s"), 1);
}

TEST_F(ModelTest, SampleFileAndReveal) {
    model.start();
    model.writeSampleFile();
    const std::string text = readFile(file("Fadebin Sample.txt"));
    EXPECT_EQ(
        text,
        "This is a sample file from Fadebin. Give it 30 seconds and watch it go to the Trash.\n");
    EXPECT_EQ(text.size(), 85u);
    download("shown.txt");
    TrackedFile* shown = pendingNamed("shown.txt");
    std::filesystem::rename(file("shown.txt"), file("renamed.txt"));
    model.reveal(shown);
    EXPECT_EQ(workspace.revealed, (std::vector<path>{file("renamed.txt")}));
    EXPECT_EQ(model.fileKind(shown), FileKind::text);
}
