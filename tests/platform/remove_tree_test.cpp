#include "platform/RemoveTree.h"

#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
namespace fs = std::filesystem;

namespace {

bool present(const path& p) {
    return fs::exists(fs::symlink_status(p));
}

} // namespace

TEST(RemoveTree, RemovesNestedFolderButNeverWhatItsLinksPointTo) {
    TempHome home;
    const path outside = home.root() / "outside";
    fs::create_directories(outside / "deep");
    writeFile(outside / "deep/precious", "keep");
    writeFile(home.root() / "precious.txt", "keep");

    const path tree = home.downloads() / "tree";
    fs::create_directories(tree / "a/b/c");
    writeFile(tree / "a/b/c/file", "x");
    writeFile(tree / "a/readonly", "x");
    fs::permissions(tree / "a/readonly", fs::perms::owner_read);
    fs::create_directory_symlink(outside, tree / "a/b/to-folder");
    fs::create_symlink(home.root() / "precious.txt", tree / "a/to-file");
    fs::create_symlink(home.root() / "nowhere", tree / "dangling");
    path deep = tree;
    for (int i = 0; i < 150; ++i)
        deep /= "d";
    fs::create_directories(deep);

    const Status removed = removeTree(tree);
    ASSERT_TRUE(removed.ok()) << removed.error().text();
    EXPECT_FALSE(present(tree));
    EXPECT_EQ(readFile(outside / "deep/precious"), "keep");
    EXPECT_EQ(readFile(home.root() / "precious.txt"), "keep");
}

TEST(RemoveTree, LinkGivenDirectlyIsRemovedAsALinkAndFilesAndEmptyFoldersGo) {
    TempHome home;
    const path target = home.root() / "target";
    fs::create_directories(target);
    writeFile(target / "inside", "keep");
    fs::create_directory_symlink(target, home.downloads() / "link");
    fs::create_directory_symlink(target, home.downloads() / "link2");

    ASSERT_TRUE(removeTree(home.downloads() / "link").ok());
    ASSERT_TRUE(removeTree(home.downloads() / "link2/").ok()); // the link, not its target
    EXPECT_FALSE(present(home.downloads() / "link"));
    EXPECT_FALSE(present(home.downloads() / "link2"));
    EXPECT_EQ(readFile(target / "inside"), "keep");

    writeFile(home.downloads() / "file", "x");
    fs::create_directories(home.downloads() / "empty");
    EXPECT_TRUE(removeTree(home.downloads() / "file").ok());
    EXPECT_TRUE(removeTree(home.downloads() / "empty").ok());
    EXPECT_TRUE(fs::is_empty(home.downloads()));
}

TEST(RemoveTree, ReportsTheErrorForWhatCannotBeRemoved) {
    TempHome home;
    for (const path& missing : {home.downloads() / "missing", home.root() / "no/such/x"}) {
        const Status status = removeTree(missing);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().code, ENOENT);
        EXPECT_FALSE(status.error().text().empty());
    }
    for (const char* odd : {"/", ".", ".."})
        EXPECT_EQ(removeTree(odd).error().code, EINVAL) << odd;
}

TEST(RemoveTree, LeavesAnotherFilesystemMountedInsideAlone) {
    TempHome home;
    const path tree = home.downloads() / "tree";
    fs::create_directories(tree / "mnt");
    const auto mount = ScopedMount::tmpfs(tree / "mnt");
    if (!mount)
        GTEST_SKIP() << "needs root to mount a filesystem inside the folder";
    writeFile(tree / "mnt/other", "keep");
    const Status status = removeTree(tree);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, EXDEV);
    EXPECT_EQ(readFile(tree / "mnt/other"), "keep");
}
