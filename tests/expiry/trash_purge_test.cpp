#include "expiry/StoreFixture.h"
#include "expiry/TrashPurger.h"
#include "platform/Trash.h"
#include "support/ScopedMount.h"

#include <fstream>
#include <map>

using namespace fadebin;
using namespace fadebin::test;
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
