#include "platform/RemoveTree.h"

#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
namespace fs = std::filesystem;

TEST(RemoveTree, RemovesTreesFilesAndLinksButNeverWhatLinksPointToNorAnotherFilesystem) {
    TempHome home;
    const path outside = home.root() / "outside", tree = home.downloads() / "tree";
    fs::create_directories(outside / "deep");
    writeFile(outside / "deep/precious", "keep");
    fs::create_directories(tree / "a/b/c");
    writeFile(tree / "a/b/c/file", "x");
    writeFile(tree / "a/readonly", "x");
    fs::permissions(tree / "a/readonly", fs::perms::owner_read);
    fs::create_directory_symlink(outside, tree / "a/b/to-folder");
    fs::create_symlink(outside / "deep/precious", tree / "a/to-file");
    fs::create_symlink(home.root() / "nowhere", tree / "dangling");
    path deep = tree;
    for (int i = 0; i < 150; ++i)
        deep /= "d";
    fs::create_directories(deep);
    fs::create_directory_symlink(outside, home.downloads() / "link");
    fs::create_directory_symlink(outside, home.downloads() / "link2");
    writeFile(home.downloads() / "file", "x");

    for (const char* name : {"tree", "link", "link2/", "file"}) { // link2/: the link itself
        const Status removed = removeTree(home.downloads() / name);
        EXPECT_TRUE(removed.ok()) << name << ": " << removed.error().text();
    }
    EXPECT_TRUE(fs::is_empty(home.downloads()));
    EXPECT_EQ(readFile(outside / "deep/precious"), "keep");

    // What cannot be removed is reported.
    for (const path& missing : {home.downloads() / "missing", home.root() / "no/such/x"}) {
        const Status status = removeTree(missing);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().code, ENOENT);
    }
    for (const char* odd : {"/", ".", ".."})
        EXPECT_EQ(removeTree(odd).error().code, EINVAL) << odd;

    // Another filesystem mounted inside is left alone.
    fs::create_directories(tree / "mnt");
    const auto mount = ScopedMount::tmpfs(tree / "mnt");
    if (!mount)
        GTEST_SKIP() << "needs root to mount a filesystem inside the folder";
    writeFile(tree / "mnt/other", "keep");
    EXPECT_EQ(removeTree(tree).error().code, EXDEV);
    EXPECT_EQ(readFile(tree / "mnt/other"), "keep");
    // A folder of the same disk bound inside, or as the item itself: same device, other mount.
    fs::create_directories(tree / "bound");
    const auto bound = ScopedMount::bind(outside, tree / "bound");
    ASSERT_TRUE(bound);
    EXPECT_EQ(removeTree(tree / "bound").error().code, EBUSY);
    EXPECT_EQ(removeTree(tree / "mnt").error().code, EBUSY);
    EXPECT_EQ(removeTree(tree).error().code, EXDEV);
    EXPECT_EQ(readFile(outside / "deep/precious"), "keep");
}
