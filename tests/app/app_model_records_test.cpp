// The model's records once they are there: their order and countdown, deleting now, saves
// in place, moves, restarts over a linked Downloads, bursts and calls over the bus.
#include "app/ModelFixture.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSignalSpy>

#include <map>

using namespace fadebin;
using namespace fadebin::test;

TEST_F(ModelTest, TrackedFilesAreSoonestFirstAndListsNotifyOnlyOnRealChange) {
    model.start();
    decided("hour", ExpiryOption::oneHour);
    decided("kept", ExpiryOption::forever);
    decided("day", ExpiryOption::oneDay);
    download("five");
    model.decideAll(ExpiryOption::thirtyMinutes);
    EXPECT_EQ(names(model.trackedFiles()), (QStringList{"five", "hour", "day"}));
    EXPECT_TRUE(model.pendingFiles().isEmpty());
    QSignalSpy pendingSpy(&model, &AppModel::pendingFilesChanged);
    QSignalSpy trackedSpy(&model, &AppModel::trackedFilesChanged);
    model.refresh();
    model.reload();
    EXPECT_EQ(pendingSpy.count() + trackedSpy.count(), 0) << "same records, same order";
    std::filesystem::rename(file("five"), file("renamed"));
    model.reveal(record("five"));
    EXPECT_EQ(fileManager.revealed, (std::vector<path>{file("renamed")})) << "where it is now";
}

TEST_F(ModelTest, CountdownArmsTenSecondsBeforeTheFirstExpiry) {
    settings.setShowTestTimers(true);
    model.start();
    const Instant expires = *decided("soon.txt", ExpiryOption::thirtySeconds)->expiresAt();
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

    TrackedFile* late = decided("late.txt", ExpiryOption::tenSeconds);
    clock.advance(6s); // 4 s left at this refresh
    model.refresh();
    EXPECT_EQ(model.countdownDeadline(), late->expiresAt());
    EXPECT_FALSE(model.hasCountdownTimer());
}

TEST_F(ModelTest, DeleteNowTrashesInsideLetsGoAFileMovedOutAndKeepsTimingOneItCannotDelete) {
    model.start();
    TrackedFile* now = download("now.pdf");
    TrackedFile* moved = decided("moved.zip", ExpiryOption::oneHour);
    std::filesystem::rename(file("moved.zip"), home.root() / "moved.zip");
    movedAway("moved.zip");
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].names, QStringList{QStringLiteral("moved.zip")});
    EXPECT_EQ(releases[0].kind, FileKind::archive);
    model.deleteNow(moved);
    EXPECT_EQ(moved->status(), FileStatus::cancelled);
    EXPECT_TRUE(pathExists(home.root() / "moved.zip"));
    model.deleteNow(now);
    EXPECT_TRUE(pathExists(trashFiles() / "now.pdf"));
    EXPECT_TRUE(deletions.empty()) << "no toast for a deletion made here";
    EXPECT_TRUE(model.pendingFiles().isEmpty() && model.trackedFiles().isEmpty());

    TrackedFile* stuck = decided("stuck.iso", ExpiryOption::oneHour);
    std::filesystem::remove_all(home.dataHome() / "Trash");
    writeFile(home.dataHome() / "Trash", "in the way");
    model.deleteNow(stuck);
    EXPECT_EQ(log.count("Delete now failed for %s: %s"), 1);
    EXPECT_EQ(stuck->status(), FileStatus::scheduled) << "a failed delete keeps the file timed";
    EXPECT_TRUE(attributeText(expiryAttribute, file("stuck.iso")).has_value());
}

TEST_F(ModelTest, SavesInPlaceKeepTimersRevivesFinishedRecordsAndIgnoresStrangers) {
    writeFile(file("old.txt"), "was here before");
    model.start();
    TrackedFile* kept = decided("kept.odt", ExpiryOption::oneDay);
    const Instant expires = *kept->expiresAt();
    auto saveOver = [&](const std::string& name) {
        writeFile(file(name + ".new"), "saved again");
        std::filesystem::rename(file(name + ".new"), file(name));
        event(name);
    };
    saveOver("kept.odt");
    EXPECT_EQ(kept->expiresAt(), expires);
    EXPECT_EQ(parseExpiry(*attributeText(expiryAttribute, file("kept.odt"))),
              std::chrono::floor<std::chrono::seconds>(expires));
    EXPECT_TRUE(log.contains("Kept the decision for kept.odt after it was saved in place"));

    model.deleteNow(kept);
    download("kept.odt");
    saveOver("kept.odt");
    ASSERT_EQ(model.pendingFiles().size(), 1);
    EXPECT_NE(model.pendingFiles()[0], kept);

    saveOver("old.txt");
    EXPECT_TRUE(log.contains("Ignoring old.txt: existing file saved in place"));

    // Given up on with its file left in place: a save over it is a new download to ask about.
    TrackedFile* given = decided("given.odt", ExpiryOption::oneDay);
    model.store()->cancel(*given);
    saveOver("given.odt");
    EXPECT_TRUE(names(model.pendingFiles()).contains(QStringLiteral("given.odt")));
}

TEST_F(ModelTest, AHomeFolderAsDownloadsOrAnUnopenableDatabaseLeavesTheModelIdle) {
    AppModel atHome(settings, clock, fileManager, home.root());
    atHome.start();
    EXPECT_TRUE(atHome.startupError().value_or(QString()).contains(QStringLiteral("home folder")));
    EXPECT_EQ(atHome.store(), nullptr);
    EXPECT_EQ(atHome.watcher(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(home.dataHome() / "Fadebin/Fadebin.store"));

    const path db = home.dataHome() / "Fadebin" / "Fadebin.store";
    std::filesystem::create_directories(db.parent_path());
    writeFile(db, std::string(2048, 'z'));
    writeFile(file("a.txt"), "x");
    model.start();
    EXPECT_TRUE(model.startupError().value_or(QString()).startsWith(
        QStringLiteral("Could not open the Fadebin database: ")));
    EXPECT_EQ(model.watcher(), nullptr);
    EXPECT_TRUE(model.acceptDrop({file("a.txt")}).empty());
    EXPECT_EQ(log.count("%s"), 2) << "one line each";
}

TEST_F(ModelTest, ALinkedDownloadsKeepsOneRecordPerFileThroughRenamesRestartsDropsAndSaves) {
    const path disk = home.root() / "disk" / "dl";
    std::filesystem::create_directories(disk);
    std::filesystem::remove(home.downloads());
    std::filesystem::create_directory_symlink(disk, home.downloads());
    std::unique_ptr<AppModel> linked;
    auto restart = [&] {
        linked.reset();
        linked = startedModel();
    };
    restart();
    writeFile(disk / "a.pdf", "payload");
    linked->completionFilter().handleItemEvent(disk / "a.pdf"); // as the watcher reports it
    clock.advance(1500ms);
    ASSERT_EQ(linked->pendingFiles().size(), 1);
    TrackedFile* record = linked->pendingFiles()[0];
    const QString id = record->idText();
    linked->decide(record, ExpiryOption::oneDay);
    std::filesystem::rename(disk / "a.pdf", disk / "b.pdf"); // while running
    linked->refresh();
    restart();
    linked.reset();
    std::filesystem::rename(disk / "b.pdf", disk / "c.pdf"); // while stopped
    restart();
    restart();
    ASSERT_EQ(linked->trackedFiles().size(), 1);
    record = linked->trackedFiles()[0];
    EXPECT_EQ(record->idText(), id);
    EXPECT_EQ(record->displayName(), QStringLiteral("c.pdf"));

    const auto dropped = linked->acceptDrop({home.downloads() / "c.pdf"}); // through the link
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0], (DropOutcome{DropOutcome::Kind::scheduled, record}));
    writeFile(home.downloads() / "c.pdf.new", "saved again");
    std::filesystem::rename(home.downloads() / "c.pdf.new", home.downloads() / "c.pdf");
    linked->completionFilter().handleItemEvent(disk / "c.pdf");
    EXPECT_TRUE(log.contains("Kept the decision for c.pdf after it was saved in place"));
    EXPECT_EQ(linked->store()->activeFiles(), std::vector<TrackedFile*>{record});
    EXPECT_TRUE(linked->pendingFiles().isEmpty());

    // The link's disk is mounted late: the record waits as it is, its file still goes on time.
    linked.reset();
    std::filesystem::rename(home.root() / "disk", home.root() / "disk-away");
    restart();
    clock.advance(2min);
    std::filesystem::rename(home.root() / "disk-away", home.root() / "disk");
    clock.advance(2min);
    ASSERT_EQ(linked->trackedFiles().size(), 1);
    EXPECT_EQ(linked->trackedFiles()[0]->idText(), id);
    clock.advance(24h);
    EXPECT_TRUE(pathExists(trashFiles() / "c.pdf"));
    EXPECT_FALSE(log.contains("Let go of c.pdf: moved out of Downloads"));
}

namespace {

// Every record's state as stored and live: status, place and expiry, by id.
using Snapshot = std::map<QString, std::tuple<QString, std::string, std::optional<Instant>>>;

Snapshot snapshot(ExpiryStore& store) {
    Snapshot states;
    for (const FileStatus status : allFileStatuses)
        for (TrackedFile* record : store.files(status))
            states[record->idText()] = {record->statusRaw(), record->lastKnownPath().native(),
                                        record->expiresAt()};
    return states;
}

} // namespace

TEST_F(ModelTest, AfterABurstABulkCallAndAVacateStormEveryRecordIsWhatAFullLookWouldMakeIt) {
    std::filesystem::create_directory(file("Sorted"));
    model.start();
    // A burst: three hundred downloads finishing together.
    constexpr int burst = 300;
    const auto name = [](int i) { return "f" + std::to_string(i) + ".bin"; };
    for (int i = 0; i < burst; ++i)
        writeFile(file(name(i)), "payload" + std::to_string(i));
    for (int i = 0; i < burst; ++i)
        event(name(i));
    clock.advance(1500ms);
    ASSERT_EQ(model.pendingFiles().size(), burst);

    // One bulk call decides half of them (and names some that are not there).
    BusService bus(model);
    QList<QByteArray> half;
    for (int i = 0; i < burst; i += 2)
        half.append(bytes(file(name(i))));
    half.append(bytes(file("missing.bin")));
    const BusRefusals refused = bus.SetExpiry(half, QStringLiteral("oneDay"));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(model.trackedFiles().size(), burst / 2);

    // The storm as the watcher tells it: removed, renamed, sorted into a folder moved out, moved.
    for (int i = 0; i < burst; ++i) { // every fifth is left alone
        const std::string n = name(i);
        if (i % 5 == 0)
            std::filesystem::remove(file(n));
        else if (i % 5 < 4)
            std::filesystem::rename(file(n), i % 5 == 1   ? file("renamed-" + n)
                                             : i % 5 == 2 ? file("Sorted/" + n)
                                                          : home.root() / n);
        if (i % 5 == 3)
            movedAway(n);
        else if (i % 5 != 4)
            event(n);
        if (i % 5 == 1)
            event("renamed-" + n);
    }
    std::filesystem::rename(file("Sorted"), home.root() / "Sorted");
    movedAway("Sorted");

    // Ended records have left memory; the database still has them.
    const Snapshot incremental = snapshot(*model.store());
    for (const auto& [id, state] : incremental) {
        const auto& [status, where, expiresAt] = state;
        const std::string n = path(where).filename();
        const int i = std::stoi(n.substr(n.find('f') + 1));
        const QString expected = i % 5 == 0                 ? QStringLiteral("deleted")
                                 : i % 5 == 2 || i % 5 == 3 ? QStringLiteral("cancelled")
                                 : i % 2 == 0               ? QStringLiteral("scheduled")
                                                            : QStringLiteral("pending");
        EXPECT_EQ(status, expected) << where;
        EXPECT_TRUE(i % 5 != 1 || where == file("renamed-" + name(i)).native()) << where;
    }
    EXPECT_EQ(incremental.size(), std::size_t{burst});

    model.refresh(); // the full look
    EXPECT_EQ(snapshot(*model.store()), incremental);
    EXPECT_EQ(model.pendingFiles().size() + model.trackedFiles().size(),
              model.store()->activeCount());
}

// A storm told in the kernel's batches, each handled as one change with one listing of Downloads.
TEST_F(ModelTest, AStormToldByTheRealWatcherInBatchesEndsAsAFullLookWouldMakeIt) {
    std::filesystem::create_directory(file("Sorted"));
    std::filesystem::create_directory(file("Archive"));
    model.start();
    constexpr int burst = 200;
    const auto name = [](int i) { return "g" + std::to_string(i) + ".bin"; };
    for (int i = 0; i < burst; ++i)
        download(name(i));
    ASSERT_EQ(model.pendingFiles().size(), burst);
    const QList<TrackedFile*> pending = model.pendingFiles();
    for (qsizetype i = 0; i < pending.size(); i += 2)
        model.decide(pending[i], ExpiryOption::oneDay);
    settings.setPauseWatching(false);
    model.updateWatching();
    ASSERT_TRUE(model.watcher() && model.watcher()->isWatching());

    for (int i = 0; i < burst; ++i)
        if (i % 4 == 0)
            std::filesystem::remove(file(name(i)));
        else if (i % 4 < 3)
            std::filesystem::rename(file(name(i)),
                                    file((i % 4 == 1 ? "renamed-" : "Sorted/") + name(i)));
    // The removed files' records end, the renamed and sorted ones follow their files.
    ASSERT_TRUE(waitFor([&] { return model.store()->activeCount() == burst - burst / 4; }, 5s))
        << model.store()->activeCount();
    // A second storm, later: what an earlier batch listed must not hide where files are now.
    const auto inArchive = [&] {
        int found = 0;
        for (const auto& [id, state] : snapshot(*model.store()))
            found += std::get<1>(state).find("/Archive/") != std::string::npos ? 1 : 0;
        return found;
    };
    for (int i = 1; i < burst; i += 4)
        std::filesystem::rename(file("renamed-" + name(i)), file("Archive/renamed-" + name(i)));
    EXPECT_TRUE(waitFor([&] { return inArchive() == burst / 4; }, 5s)) << inArchive();
    EXPECT_EQ(model.store()->activeCount(), burst - burst / 4);
    const Snapshot incremental = snapshot(*model.store());
    model.refresh(); // the full look
    EXPECT_EQ(snapshot(*model.store()), incremental);
}

TEST_F(ModelTest, ABusCallNamingManyFilesIsAnsweredWhenDoneAndOthersAreServedMeanwhile) {
    model.start();
    ServedBus served(model);
    if (served.daemon.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed or did not print its address";
    ASSERT_TRUE(served.registered);

    // More than two slices' worth, a third of them missing.
    const qsizetype count = BusService::sliceSize * 2 + 60;
    QList<QByteArray> paths;
    for (qsizetype i = 0; i < count; ++i) {
        const path p = file("many-" + std::to_string(i));
        if (i % 3 != 0)
            writeFile(p, "x");
        paths.append(bytes(p));
    }
    // The long call and a short one after it: the short one does not wait for the long one.
    const auto manyThenList = [&](const QString& method) {
        std::vector<std::string> answered;
        QDBusPendingCallWatcher many(served.call(method, {QVariant::fromValue(paths)}));
        QDBusPendingCallWatcher list(served.call(QStringLiteral("List")));
        for (QDBusPendingCallWatcher* watcher : {&many, &list})
            QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&, watcher] {
                answered.push_back(watcher == &many ? method.toStdString() : "List");
            });
        EXPECT_TRUE(waitFor([&] { return answered.size() == 2; }, std::chrono::seconds(60)));
        EXPECT_EQ(answered, (std::vector<std::string>{"List", method.toStdString()}));
        return QDBusPendingCall(many);
    };
    const QDBusPendingReply<BusRefusals> reply = manyThenList(QStringLiteral("Keep"));
    ASSERT_FALSE(reply.isError()) << reply.error().message().toStdString();
    EXPECT_EQ(reply.value().size(), (count + 2) / 3);
    for (const BusRefusal& refusal : reply.value())
        EXPECT_EQ(refusal.reason, QStringLiteral("no such file"));
    const std::size_t kept = count - (count + 2) / 3;
    EXPECT_EQ(model.store()->files(FileStatus::keepForever).size(), kept);

    // Restores are sliced as well, and answered with all their work.
    EXPECT_EQ(
        QDBusPendingReply<BusRefusals>(manyThenList(QStringLiteral("DeleteNow"))).value().size(),
        (count + 2) / 3);
    const QDBusPendingReply<BusRestored> restored = manyThenList(QStringLiteral("Restore"));
    ASSERT_FALSE(restored.isError()) << restored.error().message().toStdString();
    EXPECT_EQ(std::size_t(restored.value().restored.size()), kept);
    EXPECT_EQ(model.pendingFiles().size(), kept) << "asked about again";
}

TEST_F(ModelTest, OurMarksLeaveEveryNameOfADeletedFileAndItsOtherNameIsNewLater) {
    settings.setApplyFileTag(true);
    model.start();
    const path outside = home.root() / "outside";
    std::filesystem::create_directories(outside);
    for (const auto method : {DeletionMethod::trash, DeletionMethod::permanent}) {
        settings.setDeletionMethod(method);
        const std::string name = method == DeletionMethod::trash ? "t.txt" : "p.txt";
        writeFile(outside / name, "payload");
        ASSERT_TRUE(writeXattr(outside / name, tagsAttribute, "Mine").ok());
        std::filesystem::create_hard_link(outside / name, file(name));
        TrackedFile* linked = decided(name, ExpiryOption::oneHour);
        ASSERT_TRUE(readXattr(outside / name, expiryAttribute)->has_value()) << "one inode";
        ASSERT_EQ(model.deleteNow(linked), std::nullopt);
        for (const char* mark : {expiryAttribute, recordIdAttribute})
            EXPECT_EQ(*readXattr(outside / name, mark), std::nullopt) << name << " " << mark;
        EXPECT_EQ(*readXattr(outside / name, tagsAttribute), QByteArray("Mine")) << name;
        EXPECT_EQ(readFile(outside / name), "payload");
        // Its other name moved into Downloads later is a download like any.
        std::filesystem::rename(outside / name, file("back-" + name));
        event("back-" + name);
        clock.advance(1500ms);
        EXPECT_NE(record("back-" + name), nullptr) << name;
    }
}
