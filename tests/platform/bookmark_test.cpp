#include "platform/Bookmark.h"

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
    path make(const std::string& name, const std::string& contents = "x") {
        writeFile(home.downloads() / name, contents);
        return home.downloads() / name;
    }
    static QByteArray bookmarkOf(const path& file) { return Bookmarks({}).create(file).value(); }
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
    fs::rename(original, home.downloads() / "renamed.pdf");
    const auto found = afterRestart(token);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->filePath, home.downloads() / "renamed.pdf");
    EXPECT_TRUE(found->stale);
    fs::rename(home.downloads() / "renamed.pdf", home.root() / "elsewhere.pdf");
    EXPECT_FALSE(afterRestart(token)) << "outside the search folders it is not found";

    // A link is bookmarked as the link itself.
    fs::create_symlink(home.root() / "elsewhere.pdf", home.downloads() / "shortcut");
    const QByteArray link = bookmarkOf(home.downloads() / "shortcut");
    EXPECT_EQ(decodeBookmark(link)->identity.inode, inodeOf(home.downloads() / "shortcut"));
    EXPECT_EQ(Bookmarks({}).resolve(link).value_or(ResolvedBookmark{}).filePath,
              home.downloads() / "shortcut");
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
    const qsizetype flagsAt = 24, nanosecondsAt = 49, lengthAt = 57;
    ASSERT_EQ(valid[lengthAt], 19);
    auto patched = [&valid](qsizetype at, std::initializer_list<unsigned char> bytes) {
        QByteArray out = valid;
        for (unsigned char b : bytes)
            out[at++] = static_cast<char>(b);
        return out;
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"wrong magic", patched(0, {'F', 'B', 'M', 'X'})},
        {"a version from the future", patched(4, {3})},
        {"unknown flag bits", patched(flagsAt, {0x03})},
        {"nanoseconds out of range", patched(nanosecondsAt, {0x00, 0xca, 0x9a, 0x3b})},
        {"trailing bytes", valid + "x"},
        {"relative path", patched(lengthAt + 4, {'h'})},
        {"NUL inside the path", patched(lengthAt + 9, {0})},
    };
    for (const auto& [what, bytes] : cases)
        EXPECT_FALSE(Bookmarks({}).resolve(bytes)) << what;
}

TEST_F(BookmarkTest, WithinAPassTheFoldersAreListedOnceAndTheFirstFolderStillWins) {
    fs::create_directory(home.downloads() / "sub");
    std::vector<QByteArray> tokens;
    for (int i = 0; i < 20; ++i)
        tokens.push_back(bookmarkOf(make("moved-" + std::to_string(i))));
    for (int i = 0; i < 20; ++i)
        fs::rename(home.downloads() / ("moved-" + std::to_string(i)),
                   home.downloads() / ("now-" + std::to_string(i)));
    // A second name of the first file in a folder searched later: the first folder's wins.
    fs::create_hard_link(home.downloads() / "now-0", home.downloads() / "sub" / "a-link");
    int listings = 0;
    const Bookmarks bookmarks([&] {
        ++listings;
        return std::vector<path>{home.downloads() / "sub", home.downloads()};
    });
    const auto resolveAll = [&] {
        std::vector<path> found;
        for (const QByteArray& token : tokens)
            found.push_back(bookmarks.resolve(token).value_or(ResolvedBookmark{}).filePath);
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
    EXPECT_EQ(inPass[0], home.downloads() / "sub" / "a-link");
    EXPECT_EQ(inPass[7], home.downloads() / "now-7");
    // The pass over, a lookup lists anew and sees what changed since.
    fs::rename(home.downloads() / "now-7", home.downloads() / "later-7");
    EXPECT_EQ(bookmarks.resolve(tokens[7]).value_or(ResolvedBookmark{}).filePath,
              home.downloads() / "later-7");
}
