// Reaching files in Downloads: only beneath the folder, and again after they were renamed.
#include "platform/Bookmark.h"
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

class BookmarkTest : public ::testing::Test {
protected:
    path dl(const std::string& name) const { return home.downloads() / name; }
    path make(const std::string& name, const std::string& contents = "x") {
        writeFile(dl(name), contents);
        return dl(name);
    }
    static QByteArray bookmarkOf(const path& file) { return Bookmarks({}).create(file).value(); }
    // Where the token leads, or an empty path.
    static path foundBy(const Bookmarks& bookmarks, const QByteArray& token) {
        return bookmarks.resolve(token).value_or(ResolvedBookmark{}).filePath;
    }
    static std::uint64_t inodeOf(const path& p) { return lstatPath(p)->identity.inode; }
    static void setModified(const path& p, std::int64_t seconds, std::int64_t nanoseconds) {
        const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    std::optional<ResolvedBookmark> afterRestart(const QByteArray& token) {
        return Bookmarks([this] { return std::vector<path>{home.downloads()}; }).resolve(token);
    }

    TempHome home;
};

// The old layout, written byte by byte so that it does not depend on the encoder.
QByteArray versionOneBytes(std::uint64_t device, std::uint64_t inode, const std::string& p) {
    QByteArray out("FBMK");
    for (auto [value, width] :
         {std::pair<std::uint64_t, int>{1, 4}, {device, 8}, {inode, 8}, {p.size(), 4}})
        for (int i = 0; i < width; ++i)
            out.append(static_cast<char>((value >> (8 * i)) & 0xff));
    return out + QByteArray::fromStdString(p);
}

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
    using Found = std::variant<ino_t, int>;
    static Found found(const Result<UniqueFd>& opened) {
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

TEST_F(BookmarkTest, FindsARenamedFileInTheFoldersAndHoldsNothingOpen) {
    const path original = make("report.pdf");
    for (int i = 0; i < 50; ++i) // neighbours the search passes over
        make("other-" + std::to_string(i));
    const QByteArray token = bookmarkOf(original);
    const auto descriptors = [] { return listNames("/proc/self/fd").value().size(); };
    const std::size_t before = descriptors();
    ASSERT_TRUE(afterRestart(token));
    EXPECT_EQ(descriptors(), before) << "a deleted file frees its space at once";
    fs::rename(original, dl("renamed.pdf"));
    const auto found = afterRestart(token);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->filePath, dl("renamed.pdf"));
    EXPECT_TRUE(found->stale);
    fs::rename(dl("renamed.pdf"), home.root() / "elsewhere.pdf");
    EXPECT_FALSE(afterRestart(token)) << "outside the search folders it is not found";

    // A link is bookmarked as the link itself.
    fs::create_symlink(home.root() / "elsewhere.pdf", dl("shortcut"));
    const QByteArray link = bookmarkOf(dl("shortcut"));
    EXPECT_EQ(decodeBookmark(link)->identity.inode, inodeOf(dl("shortcut")));
    EXPECT_EQ(foundBy(Bookmarks({}), link), dl("shortcut"));
}

TEST_F(BookmarkTest, ReusedInodeAtTheRecordedPathIsNotTakenForTheOldFile) {
    const path file = make("invoice.pdf", "old");
    const auto token = bookmarkOf(file);
    const auto freed = inodeOf(file);
    fs::remove(file);
    // Files of the same size until one gets the freed number and takes the old one's path.
    for (int i = 0; i < 20 && !fs::exists(file); ++i)
        if (const path candidate = make(std::to_string(i), "old"); inodeOf(candidate) == freed)
            fs::rename(candidate, file);
    if (!fs::exists(file))
        GTEST_SKIP() << "this filesystem did not reuse the freed inode number";
    if (!decodeBookmark(token)->identity.birthNanoseconds)
        setModified(file, decodeBookmark(token)->modifiedSeconds + 5, 0);
    EXPECT_FALSE(afterRestart(token));
}

TEST_F(BookmarkTest, TokensWithoutBirthTimeNeedSizeAndTimeAndVersionOneIsRefused) {
    const path file = make("no-birth.dat", "12345");
    setModified(file, 1'700'000'000, 123'456'789);
    BookmarkToken token = *decodeBookmark(bookmarkOf(file));
    token.identity.birthNanoseconds = std::nullopt;
    const QByteArray bytes = encodeBookmark(token);
    EXPECT_TRUE(Bookmarks({}).resolve(bytes));
    setModified(file, 1'700'000'000, 123'456'788);
    EXPECT_FALSE(Bookmarks({}).resolve(bytes)) << "one nanosecond off";
    appendFile(file, "6");
    setModified(file, 1'700'000'000, 123'456'789);
    EXPECT_FALSE(Bookmarks({}).resolve(bytes)) << "size differs";

    // Version 1 lacks size and time: even an empty file dated 1970 is not proof enough.
    const path legacyFile = make("legacy", "");
    setModified(legacyFile, 0, 0);
    const auto id = identityOf(legacyFile).value();
    const QByteArray legacy = versionOneBytes(id.device, id.inode, legacyFile.native());
    ASSERT_EQ(decodeBookmark(legacy).value_or(BookmarkToken{}).version, 1u);
    EXPECT_FALSE(Bookmarks({}).resolve(legacy));
}

TEST(BookmarkToken, HostileBytesAreRejected) {
    BookmarkToken plain;
    plain.path = "/home/u/Downloads/a";
    const QByteArray valid = encodeBookmark(plain);
    for (qsizetype length = 0; length < valid.size(); ++length)
        EXPECT_FALSE(decodeBookmark(valid.left(length))) << "truncated to " << length;
    const qsizetype flagsAt = 24, nanosecondsAt = 49, trashedAt = 57, lengthAt = 58;
    ASSERT_EQ(valid[lengthAt], 19);
    auto patched = [&valid](qsizetype at, std::initializer_list<unsigned char> bytes) {
        QByteArray out = valid;
        for (unsigned char b : bytes)
            out[at++] = static_cast<char>(b);
        return out;
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"wrong magic", patched(0, {'F', 'B', 'M', 'X'})},
        {"a version from the future", patched(4, {4})},
        {"an unknown trashed mark", patched(trashedAt, {2})},
        {"unknown flag bits", patched(flagsAt, {0x03})},
        {"nanoseconds out of range", patched(nanosecondsAt, {0x00, 0xca, 0x9a, 0x3b})},
        {"trailing bytes", valid + "x"},
        {"relative path", patched(lengthAt + 4, {'h'})},
        {"NUL inside the path", patched(lengthAt + 9, {0})}};
    for (const auto& [what, bytes] : cases)
        EXPECT_FALSE(Bookmarks({}).resolve(bytes)) << what;
    // What a trashed file's token adds reads back whole, and a date past any we write is refused.
    BookmarkToken trashed = plain;
    trashed.trashed = BookmarkToken::Trashed{1'800'000'000, "2027-01-15T08:00:00", {1, 2, 3}};
    EXPECT_EQ(decodeBookmark(encodeBookmark(trashed)).value_or(plain).trashed, trashed.trashed);
    trashed.trashed->deletionDate.assign(65, '1');
    EXPECT_FALSE(decodeBookmark(encodeBookmark(trashed)));
}

TEST_F(BookmarkTest, WithinAPassTheFoldersAreListedOnceAndTheFirstFolderStillWins) {
    fs::create_directory(dl("sub"));
    std::vector<QByteArray> tokens;
    for (int i = 0; i < 20; ++i) {
        tokens.push_back(bookmarkOf(make("moved-" + std::to_string(i))));
        fs::rename(dl("moved-" + std::to_string(i)), dl("now-" + std::to_string(i)));
    }
    // A second name of the first file in the folder searched first: that folder's wins.
    fs::create_hard_link(dl("now-0"), dl("sub/a-link"));
    int listings = 0;
    const Bookmarks bookmarks([&] {
        ++listings;
        return std::vector<path>{dl("sub"), home.downloads()};
    });
    const auto resolveAll = [&] {
        std::vector<path> found;
        for (const QByteArray& token : tokens)
            found.push_back(foundBy(bookmarks, token));
        return found;
    };
    const std::vector<path> alone = resolveAll();
    EXPECT_EQ(listings, 20);
    listings = 0;
    std::vector<path> inPass;
    {
        const Bookmarks::SearchPass pass(bookmarks);
        inPass = resolveAll();
    }
    EXPECT_EQ(listings, 1);
    EXPECT_EQ(inPass, alone);
    EXPECT_EQ(inPass[0], dl("sub/a-link"));
    EXPECT_EQ(inPass[7], dl("now-7"));
    // The pass over, a lookup lists anew and sees what changed since.
    fs::rename(dl("now-7"), dl("later-7"));
    EXPECT_EQ(foundBy(bookmarks, tokens[7]), dl("later-7"));
}

TEST_F(DownloadsFolderTest, TheKernelAndTheWalkOpenOnlyBeneathTheFolder) {
    const UniqueFd root(::open(dl().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const Found sub = inodeOf(dl() / "sub");
    const std::vector<std::pair<std::string, Found>> cases{
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
        {"sub/file/x", ENOTDIR}};
    for (const auto& [relative, expected] : cases) {
        EXPECT_EQ(found(openBeneath(root.get(), relative, 0)), expected) << relative;
        EXPECT_EQ(found(openBeneathByWalk(root.get(), relative, 0)), expected) << relative;
    }
    // A final link is the link itself when asked so.
    EXPECT_EQ(found(openBeneathByWalk(root.get(), "out", O_NOFOLLOW)),
              Found(lstatPath(dl() / "out")->identity.inode));
    // A folder from outside bound inside is another place, by either way.
    const auto bound = ScopedMount::bind(home.root() / "outside", dl() / "sub/deeper");
    if (!bound)
        GTEST_SKIP() << "needs root to bind-mount a folder";
    EXPECT_EQ(found(openBeneath(root.get(), "sub/deeper", 0)), Found(EXDEV));
    EXPECT_EQ(found(openBeneathByWalk(root.get(), "in/deeper", 0)), Found(EXDEV));
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
        {home.root().native() + "/Downloads-other/file", PathRefusal::missing}};
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
