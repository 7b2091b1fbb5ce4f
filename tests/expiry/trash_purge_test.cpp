#include "expiry/SpacePlan.h"
#include "expiry/StoreFixture.h"
#include "expiry/TrashPurger.h"
#include "platform/Trash.h"
#include "support/ScopedMount.h"

#include <fstream>
#include <map>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// Every entry below a folder: a file by its bytes, a link by where it leads, a folder by name.
std::map<std::string, std::string> snapshot(const path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).native();
        if (name.starts_with(".local/share/Fadebin"))
            continue; // the records, which do change
        entries[name] = entry.is_symlink()        ? "-> " + fs::read_symlink(entry.path()).native()
                        : entry.is_regular_file() ? readFile(entry.path())
                                                  : "<folder>";
    }
    return entries;
}

class TrashPurgeTest : public StoreFixture {
protected:
    // A download of ours that went to the trash at the record's expiry.
    void trashedByUs(const std::string& name, DeletionMethod method = DeletionMethod::trash) {
        TrackedFile* record = pending(name, "ours: " + name);
        EXPECT_EQ(store->deleteFile(*record, method).kind, DeletionOutcome::Kind::deleted) << name;
        store->save();
    }
    path files(const std::string& name) const { return trash / "files" / name; }
    path info(const std::string& name) const { return trash / "info" / (name + ".trashinfo"); }
    // The statuses stored now, by name.
    QString statusOf(const std::string& name) {
        return store->recordForPath(dl(name))->statusRaw();
    }

    path trash = home.dataHome() / "Trash";
    TrashPurger purger{*store, settings, clock};
};

} // namespace

TEST_F(TrashPurgeTest, AfterTheSetAgeOnlyFadebinsOwnItemsGoAndEverythingElseStaysByteForByte) {
    trashedByUs("old.pdf");
    // The user's own file of the same name, trashed beside ours.
    ASSERT_TRUE(moveToTrash(make("old.pdf", "the user's")));
    trashedByUs("replaced.pdf");
    fs::remove(files("replaced.pdf"));
    writeFile(files("replaced.pdf"), "took our name");
    trashedByUs("linked.pdf");
    fs::remove(files("linked.pdf"));
    writeFile(home.root() / "outside.txt", "outside");
    fs::create_symlink(home.root() / "outside.txt", files("linked.pdf"));
    trashedByUs("edited.pdf");
    std::ofstream(info("edited.pdf")) << "[Trash Info]\nPath=" << home.root().native()
                                      << "/elsewhere\nDeletionDate=2020-01-01T00:00:00\n";
    // Put back, then trashed again by the user: the same file, not our info file.
    trashedByUs("restored.pdf");
    ASSERT_TRUE(store->restoreTrashed(files("restored.pdf"), std::nullopt));
    ASSERT_TRUE(moveToTrash(dl("restored.pdf")));
    trashedByUs("gone.pdf", DeletionMethod::permanent);
    purger.start();
    clock.advance(20 * 24h);
    trashedByUs("young.pdf");

    auto expected = snapshot(home.root());
    expected.erase(".local/share/Trash/files/old.pdf");
    expected.erase(".local/share/Trash/info/old.pdf.trashinfo");
    clock.advance(10 * 24h + 1min);
    EXPECT_EQ(snapshot(home.root()), expected);
    EXPECT_EQ(statusOf("old.pdf"), "purged");
    for (const char* kept :
         {"replaced.pdf", "linked.pdf", "edited.pdf", "restored.pdf", "young.pdf", "gone.pdf"})
        EXPECT_EQ(statusOf(kept), "deleted") << kept;
    EXPECT_EQ(store->findTrashed(dl("old.pdf")), std::nullopt) << "purged is gone for restore";
}

TEST_F(TrashPurgeTest, APassStoppedBetweenDataAndInfoIsFinishedByTheNextAndNeverIsNever) {
    trashedByUs("cut.pdf");
    settings.setTrashPurgeDays(0);
    purger.start();
    clock.advance(40 * 24h);
    EXPECT_TRUE(pathExists(files("cut.pdf"))) << "never means never";
    fs::remove(files("cut.pdf")); // as the pass that was killed had left it
    settings.setTrashPurgeDays(1);
    EXPECT_FALSE(pathExists(info("cut.pdf")));
    EXPECT_EQ(statusOf("cut.pdf"), "purged");
}

TEST_F(TrashPurgeTest, ATrashOnAnotherFileSystemIsPurgedThroughItsOwnFolders) {
    const auto mount = ScopedMount::tmpfs(home.downloads());
    if (!mount)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    reopen();
    trashedByUs("volume.pdf");
    const path volumeTrash = home.downloads() / (".Trash-" + std::to_string(::getuid()));
    ASSERT_TRUE(pathExists(volumeTrash / "files/volume.pdf"));
    ASSERT_TRUE(moveToTrash(make("mine.pdf", "the user's")));
    const auto before = snapshot(volumeTrash);
    EXPECT_EQ(store->purgeTrashed(clock.now()), 1u);
    auto expected = before;
    expected.erase("files/volume.pdf");
    expected.erase("info/volume.pdf.trashinfo");
    EXPECT_EQ(snapshot(volumeTrash), expected);
}

TEST_F(TrashPurgeTest, APlanToFreeSpaceListsOnlyWhatIsOursInOrderAndTouchesNothing) {
    trashedByUs("oldest.bin"); // 4 bytes each: "ours: " is in the name's contents
    clock.advance(1h);
    trashedByUs("newer.bin");
    trashedByUs("replaced.bin");
    fs::remove(files("replaced.bin"));
    writeFile(files("replaced.bin"), "another file under our name");
    ASSERT_TRUE(moveToTrash(make("users.bin", "the user's own, and large")));
    store->apply(ExpiryOption::oneDay, *pending("later.bin", "0123456789"), false);
    store->apply(ExpiryOption::oneHour, *pending("sooner.bin", "01234"), false);
    store->apply(ExpiryOption::forever, *pending("kept.bin", "kept kept kept"), false);
    pending("waiting.bin", "waiting");
    store->save();
    const auto before = snapshot(home.root());

    const auto placesOf = [](const SpacePlan& plan) {
        std::vector<std::string> places;
        for (const SpacePlanStep& step : plan.steps)
            places.push_back((step.kind == SpacePlanStep::Kind::fromTrash ? "trash:" : "dl:") +
                             step.place.filename().native());
        return places;
    };
    const qint64 ours = std::string("ours: oldest.bin").size();
    SpacePlan plan = planFreeing(*store, ours);
    EXPECT_EQ(placesOf(plan), std::vector<std::string>{"trash:oldest.bin"});
    EXPECT_TRUE(plan.enough());
    plan = planFreeing(*store, ours + 1);
    EXPECT_EQ(placesOf(plan), (std::vector<std::string>{"trash:oldest.bin", "trash:newer.bin"}));
    plan = planFreeing(*store, 1'000'000);
    EXPECT_EQ(placesOf(plan), (std::vector<std::string>{"trash:oldest.bin", "trash:newer.bin",
                                                        "dl:sooner.bin", "dl:later.bin"}));
    EXPECT_EQ(plan.fromTrash, ours + qint64(std::string("ours: newer.bin").size()));
    EXPECT_EQ(plan.fromScheduled, 15);
    EXPECT_FALSE(plan.enough());
    EXPECT_EQ(plan.steps[0].at + 1h, plan.steps[1].at);
    EXPECT_EQ(snapshot(home.root()), before) << "a plan acts on nothing";
}

TEST_F(TrashPurgeTest, FreeingRemovesOurOldestItemsUntilEnoughAndNothingElse) {
    trashedByUs("oldest.bin");
    clock.advance(1h);
    trashedByUs("middle.bin");
    clock.advance(1h);
    trashedByUs("newest.bin");
    ASSERT_TRUE(moveToTrash(make("users.bin", "the user's")));
    store->apply(ExpiryOption::oneHour, *pending("timed.bin"), false);
    store->save();
    auto expected = snapshot(home.root());

    const auto freed = store->freeTrashed(std::string("ours: oldest.bin").size() + 1);
    ASSERT_EQ(freed.size(), 2u);
    EXPECT_EQ(freed[0].item, files("oldest.bin"));
    EXPECT_EQ(freed[1].item, files("middle.bin"));
    for (const char* name : {"oldest.bin", "middle.bin"}) {
        expected.erase(".local/share/Trash/files/"s + name);
        expected.erase(".local/share/Trash/info/"s + name + ".trashinfo");
        EXPECT_EQ(statusOf(name), "purged") << name;
    }
    EXPECT_EQ(snapshot(home.root()), expected);
    // Asked for everything: only ours goes, never the user's item or a file in Downloads.
    EXPECT_EQ(store->freeTrashed(std::numeric_limits<qint64>::max()).size(), 1u);
    EXPECT_TRUE(pathExists(files("users.bin")));
    EXPECT_TRUE(pathExists(dl("timed.bin")));
    EXPECT_TRUE(store->freeTrashed(1).empty());
}
