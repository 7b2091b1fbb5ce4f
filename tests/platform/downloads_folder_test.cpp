#include "platform/DownloadsFolder.h"

#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace fadebin;
using namespace fadebin::test;
namespace fs = std::filesystem;

namespace {

// A Downloads with links that stay inside and links that lead out, beside a folder outside.
class DownloadsFolderTest : public ::testing::Test {
protected:
    DownloadsFolderTest() {
        fs::create_directories(dl() / "sub/deeper");
        fs::create_directories(home.root() / "outside");
        writeFile(dl() / "sub/file", "in");
        writeFile(home.root() / "outside/file", "out");
        fs::create_directory_symlink("sub", dl() / "in");
        fs::create_directory_symlink("../outside", dl() / "out");
        fs::create_directory_symlink("deeper/../../out", dl() / "sub/roundabout");
        fs::create_directory_symlink(home.root() / "outside", dl() / "absolute-out");
        fs::create_directory_symlink(dl() / "sub", dl() / "absolute-in");
        fs::create_directory_symlink("loop", dl() / "loop");
    }
    path dl() const { return home.downloads(); }
    // The inode found, or the error, by either way of opening beneath.
    static std::variant<ino_t, int> found(const Result<UniqueFd>& opened) {
        struct stat st {};
        if (!opened)
            return opened.error().code;
        ::fstat(opened.value().get(), &st);
        return st.st_ino;
    }
    static ino_t inodeOf(const path& p) { return statPath(p)->identity.inode; }

    TempHome home;
};

} // namespace

TEST_F(DownloadsFolderTest, TheKernelAndTheWalkOpenOnlyBeneathTheFolder) {
    const UniqueFd root(::open(dl().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::variant<ino_t, int> sub = inodeOf(dl() / "sub");
    const std::vector<std::pair<std::string, std::variant<ino_t, int>>> cases{
        {"sub", sub},
        {"in", sub},
        {"in/deeper/..", sub},
        {"sub/deeper/../..", inodeOf(dl())},
        {"", inodeOf(dl())},
        {"..", EXDEV},
        {"sub/../..", EXDEV},
        {"out", EXDEV},
        {"sub/roundabout", EXDEV},
        {"absolute-out", EXDEV},
        {"absolute-in", EXDEV}, // absolute links are refused, whatever they name
        {"loop", ELOOP},
        {"missing/x", ENOENT},
        {"sub/file/x", ENOTDIR},
    };
    for (const auto& [relative, expected] : cases) {
        EXPECT_EQ(found(openBeneath(root.get(), relative, 0)), expected) << relative;
        EXPECT_EQ(found(openBeneathByWalk(root.get(), relative, 0)), expected) << relative;
    }
    // A final link is the link itself when asked so.
    struct stat st {};
    const auto link = openBeneathByWalk(root.get(), "out", O_NOFOLLOW);
    ASSERT_TRUE(link);
    ASSERT_EQ(::fstat(link.value().get(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    // A folder from outside bound inside is another place, by either way.
    const auto bound = ScopedMount::bind(home.root() / "outside", dl() / "sub/deeper");
    if (!bound)
        GTEST_SKIP() << "needs root to bind-mount a folder";
    EXPECT_EQ(found(openBeneath(root.get(), "sub/deeper", 0)), (std::variant<ino_t, int>(EXDEV)));
    EXPECT_EQ(found(openBeneathByWalk(root.get(), "in/deeper", 0)),
              (std::variant<ino_t, int>(EXDEV)));
}

TEST_F(DownloadsFolderTest, AUsersPathIsAdmittedOnlyAsAPlaceBelowDownloads) {
    const DownloadsFolder folder(dl());
    const std::string d = dl().native();
    using Expected = std::variant<std::string, PathRefusal>;
    const std::vector<std::pair<std::string, Expected>> cases{
        {d + "/sub/file", std::string("sub/file")},
        {d + "/in/file", std::string("sub/file")},
        {d + "/absolute-in/file", std::string("sub/file")},
        {d + "/sub/deeper/../file", std::string("sub/file")},
        {d + "/sub/", std::string("sub")},
        {d + "/out", std::string("out")}, // the link itself lies in Downloads
        {d + "/sub/missing", std::string("sub/missing")},
        {"", PathRefusal::notAPath},
        {d + std::string("/sub/file\0x", 11), PathRefusal::notAPath},
        {"sub/file", PathRefusal::notAbsolute},
        {d + "/sub/.", PathRefusal::notAnItem},
        {d + "/sub/..", PathRefusal::notAnItem},
        {d + "/.", PathRefusal::notAnItem},
        {d, PathRefusal::downloadsOrAbove},
        {d + "//", PathRefusal::downloadsOrAbove},
        {home.root().native(), PathRefusal::downloadsOrAbove},
        {"/", PathRefusal::downloadsOrAbove},
        {d + "/sub/../../Downloads", PathRefusal::downloadsOrAbove},
        {d + "/out/file", PathRefusal::outside},
        {d + "/sub/roundabout/file", PathRefusal::outside},
        {d + "/../outside/file", PathRefusal::outside},
        {home.root().native() + "/Downloads-other/file", PathRefusal::missing},
    };
    for (const auto& [given, expected] : cases) {
        const auto admitted = folder.admit(given);
        if (const auto* place = std::get_if<AdmittedPath>(&admitted)) {
            EXPECT_EQ(Expected(place->relative), expected) << given;
            EXPECT_EQ(place->absolute, folder.canonicalPath() / place->relative);
        } else {
            EXPECT_EQ(Expected(std::get<PathRefusal>(admitted)), expected) << given;
        }
    }
}

TEST_F(DownloadsFolderTest, AReplacedOrMountedOverFolderIsTakenAgain) {
    const DownloadsFolder folder(dl());
    ASSERT_TRUE(folder.openItem(dl() / "sub/file"));
    fs::rename(dl(), home.root() / "Downloads-old");
    EXPECT_FALSE(folder.openItem(dl() / "sub/file")) << "nothing inside a missing Downloads";
    fs::create_directories(dl());
    writeFile(dl() / "new", "n");
    const auto opened = folder.openItem(dl() / "new");
    ASSERT_TRUE(opened) << opened.error().text();
    EXPECT_EQ(opened->folderPath, dl());
    EXPECT_FALSE(folder.contains(home.root() / "Downloads-old/sub/file"));
}
