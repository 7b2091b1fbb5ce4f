#include "platform/Bookmark.h"
#include "platform/Trash.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;
namespace fs = std::filesystem;

namespace {

const QString key = QStringLiteral("record");

// Descriptors the process really has open (the listing's own one included each time).
std::size_t processDescriptors() {
    auto names = listNames("/proc/self/fd");
    return names ? names->size() : 0;
}

QByteArray bookmarkOf(const path& file, const Bookmarks& bookmarks = Bookmarks({})) {
    auto created = bookmarks.create(file);
    if (!created)
        throw std::runtime_error("cannot bookmark " + file.native());
    return created.value();
}

// The old layout, written byte by byte so that it does not depend on the encoder.
QByteArray versionOneBytes(std::uint64_t device, std::uint64_t inode, const std::string& p) {
    QByteArray out("FBMK");
    for (auto [value, width] :
         {std::pair<std::uint64_t, int>{1, 4}, {device, 8}, {inode, 8}, {p.size(), 4}})
        for (int i = 0; i < width; ++i)
            out.append(static_cast<char>((value >> (8 * i)) & 0xff));
    return out + QByteArray::fromStdString(p);
}

void setModified(const path& p, std::int64_t seconds, std::int64_t nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::uint64_t inodeOf(const path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST(Bookmarks, FollowsRenamesWhileRunningAndAfterRestartSearchesTheFoldersChildren) {
    TempHome home;
    const path original = home.downloads() / "report.pdf";
    const path renamed = home.root() / "report (final).pdf";
    writeFile(original, "pdf");
    int asked = 0;
    auto folders = [&] {
        ++asked;
        return std::vector<path>{home.downloads()};
    };
    const QByteArray token = bookmarkOf(original);
    {
        Bookmarks running(folders);
        ASSERT_TRUE(running.resolve(token, key));
        fs::rename(original, renamed); // out of Downloads: only the descriptor can follow
        const auto followed = running.resolve(token, key);
        ASSERT_TRUE(followed);
        EXPECT_EQ(followed->url, renamed);
        EXPECT_TRUE(followed->stale);
        EXPECT_EQ(asked, 0) << "the descriptor follows; no search is needed";
    }
    // After a restart the file is found among the children of the search folders only.
    fs::rename(renamed, home.downloads() / "renamed.pdf");
    EXPECT_FALSE(Bookmarks([&] { return std::vector<path>{home.root()}; }).resolve(token, key));
    Bookmarks restarted(folders);
    const auto found = restarted.resolve(token, key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, home.downloads() / "renamed.pdf");
    EXPECT_TRUE(found->stale);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(restarted.openDescriptorCount(), 1u);
    const auto trashed = moveToTrash(found->url);
    ASSERT_TRUE(trashed);
    EXPECT_EQ(Bookmarks(trashFilesFolders).resolve(token, key).value_or(ResolvedBookmark{}).url,
              *trashed);
}

TEST(Bookmarks, GoneFilesResolveToNoneAndTheirDescriptorsClose) {
    TempHome home;
    const path plain = home.downloads() / "gone.bin", linked = home.downloads() / "linked",
               named = home.downloads() / "draft";
    for (const path& p : {plain, linked, named})
        writeFile(p, "x");
    fs::create_hard_link(linked, home.root() / "other-link");
    Bookmarks bookmarks({});
    const std::size_t before = processDescriptors();
    std::vector<QByteArray> tokens;
    for (const path& p : {plain, linked, named}) {
        tokens.push_back(bookmarkOf(p));
        ASSERT_TRUE(bookmarks.resolve(tokens.back(), toQString(p)));
    }
    EXPECT_EQ(processDescriptors(), before + 3);

    fs::remove(plain);
    // The kernel names the descriptor of an unlinked inode "<path> (deleted)"; here the inode
    // lives on through its other link, and a different file with that name is a decoy.
    writeFile(home.downloads() / "linked (deleted)", "decoy");
    fs::remove(linked);
    // A file may really be called so: it is not gone.
    fs::rename(named, home.downloads() / "draft (deleted)");

    EXPECT_FALSE(bookmarks.resolve(tokens[0], toQString(plain)));
    EXPECT_FALSE(bookmarks.resolve(tokens[1], toQString(linked)));
    const auto stillThere = bookmarks.resolve(tokens[2], toQString(named));
    ASSERT_TRUE(stillThere);
    EXPECT_EQ(stillThere->url, home.downloads() / "draft (deleted)");
    EXPECT_EQ(bookmarks.openDescriptorCount(), 1u);
    EXPECT_EQ(processDescriptors(), before + 1);
}

TEST(Bookmarks, ReusedInodeAtTheRecordedPathIsNotTakenForTheOldFile) {
    TempHome home;
    const path file = home.downloads() / "invoice.pdf";
    writeFile(file, "old");
    const auto token = bookmarkOf(file);
    const auto freed = inodeOf(file);
    fs::remove(file);
    writeFile(file, "old"); // same size, same path
    if (inodeOf(file) != freed)
        GTEST_SKIP() << "this filesystem did not hand the freed inode number to the next "
                        "file, so a reused inode cannot be staged here";
    if (!decodeBookmark(token)->identity.birthNanoseconds)
        setModified(file, decodeBookmark(token)->modifiedSeconds + 5, 0);

    Bookmarks restarted([&home] { return std::vector<path>{home.downloads()}; });
    EXPECT_FALSE(restarted.resolve(token, key));
    EXPECT_EQ(restarted.openDescriptorCount(), 0u);
}

TEST(Bookmarks, TokensWithoutBirthTimeNeedSizeAndTimeAndVersionOneIsRefused) {
    TempHome home;
    const path file = home.downloads() / "no-birth.dat";
    writeFile(file, "12345");
    setModified(file, 1'700'000'000, 123'456'789);
    BookmarkToken token = *decodeBookmark(bookmarkOf(file));
    token.identity.birthNanoseconds = std::nullopt;
    const QByteArray bytes = encodeBookmark(token);
    EXPECT_TRUE(Bookmarks({}).resolve(bytes, key));
    setModified(file, 1'700'000'000, 123'456'788);
    EXPECT_FALSE(Bookmarks({}).resolve(bytes, key)) << "one nanosecond off";
    appendFile(file, "6");
    setModified(file, 1'700'000'000, 123'456'789);
    EXPECT_FALSE(Bookmarks({}).resolve(bytes, key)) << "size differs";

    // Version 1 knew only device, inode and path: never proof enough to delete a file,
    // even for an empty file dated 1970, which is what its missing size and time read as.
    const path legacyFile = home.downloads() / "legacy";
    writeFile(legacyFile, "");
    setModified(legacyFile, 0, 0);
    const auto id = identityOf(legacyFile);
    ASSERT_TRUE(id);
    const QByteArray legacy = versionOneBytes(id->device, id->inode, legacyFile.native());
    ASSERT_EQ(decodeBookmark(legacy).value_or(BookmarkToken{}).version, 1u);
    EXPECT_FALSE(Bookmarks({}).resolve(legacy, key));
}

TEST(Bookmarks, SymbolicLinkIsBookmarkedAsTheLinkItself) {
    TempHome home;
    const path target = home.root() / "target.txt", link = home.downloads() / "shortcut";
    writeFile(target, "target");
    fs::create_symlink(target, link);
    const QByteArray token = bookmarkOf(link);
    EXPECT_NE(decodeBookmark(token)->identity.inode, inodeOf(target));
    EXPECT_EQ(Bookmarks({}).create(home.downloads() / "missing").error().code, ENOENT);

    const auto folders = [&home] { return std::vector<path>{home.downloads()}; };
    Bookmarks running(folders);
    ASSERT_TRUE(running.resolve(token, key));
    fs::rename(link, home.downloads() / "shortcut2");
    EXPECT_EQ(running.resolve(token, key).value_or(ResolvedBookmark{}).url,
              home.downloads() / "shortcut2");
    EXPECT_EQ(Bookmarks(folders).resolve(token, key).value_or(ResolvedBookmark{}).url,
              home.downloads() / "shortcut2");
}

TEST(BookmarkToken, RoundTripsAnyPathBytesAndRejectsHostileBytes) {
    for (const bool withBirth : {true, false}) {
        const BookmarkToken token{2,
                                  {0x103'0000'0001ULL, ~0ULL,
                                   withBirth ? std::optional<std::int64_t>(-42) : std::nullopt},
                                  1LL << 40,
                                  -1,
                                  999'999'999,
                                  "/d/line\nbreak-\xff\xfe"};
        const auto decoded = decodeBookmark(encodeBookmark(token));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(std::tie(decoded->identity, decoded->size, decoded->modifiedSeconds,
                           decoded->modifiedNanoseconds, decoded->path.native()),
                  std::tie(token.identity, token.size, token.modifiedSeconds,
                           token.modifiedNanoseconds, token.path.native()));
    }

    BookmarkToken token;
    token.path = "/home/u/Downloads/a";
    const QByteArray valid = encodeBookmark(token);
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
        {"version 0", patched(4, {0})},
        {"a version from the future", patched(4, {3})},
        {"unknown flag bits", patched(flagsAt, {0x03})},
        {"nanoseconds out of range", patched(nanosecondsAt, {0x00, 0xca, 0x9a, 0x3b})},
        {"huge path length", patched(lengthAt, {0xff, 0xff, 0xff, 0xff})},
        {"path length one too many", patched(lengthAt, {20})},
        {"trailing bytes", valid + "x"},
        {"relative path", patched(lengthAt + 4, {'h'})},
        {"NUL inside the path", patched(lengthAt + 9, {0})},
        {"oversized path", versionOneBytes(1, 2, "/" + std::string(70'000, 'a'))},
    };
    Bookmarks bookmarks({});
    for (const auto& [what, bytes] : cases) {
        EXPECT_FALSE(decodeBookmark(bytes)) << what;
        EXPECT_FALSE(bookmarks.resolve(bytes, key)) << what;
    }
}
