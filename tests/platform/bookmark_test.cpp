#include "platform/Bookmark.h"
#include "platform/Trash.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
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

QByteArray bookmarkOf(const Bookmarks& bookmarks, const path& file) {
    auto created = bookmarks.create(file);
    if (!created)
        throw std::runtime_error("cannot bookmark " + file.native());
    return created.value();
}

// The old layout, written byte by byte so that it does not depend on the encoder.
QByteArray versionOneBytes(std::uint64_t device, std::uint64_t inode, const std::string& p) {
    QByteArray out("FBMK");
    auto put = [&out](std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            out.append(static_cast<char>((value >> (8 * i)) & 0xff));
    };
    put(1, 4);
    put(device, 8);
    put(inode, 8);
    put(p.size(), 4);
    return out + QByteArray::fromStdString(p);
}

void setModified(const path& p, std::int64_t seconds, std::int64_t nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
    if (::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("utimensat failed");
}

std::uint64_t inodeOf(const path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST(Bookmarks, FollowsRenamesAndMovesWhileRunningAndFindsThemAfterRestart) {
    TempHome home;
    const path original = home.downloads() / "report.pdf";
    const path renamed = home.downloads() / "report (final).pdf";
    writeFile(original, "pdf");
    int asked = 0;
    auto folders = [&] {
        ++asked;
        return std::vector<path>{home.downloads()};
    };

    QByteArray token;
    {
        Bookmarks bookmarks(folders);
        token = bookmarkOf(bookmarks, original);
        auto first = bookmarks.resolve(token, key);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->url, original);
        EXPECT_FALSE(first->stale);
        fs::rename(original, renamed);
        auto followed = bookmarks.resolve(token, key);
        ASSERT_TRUE(followed);
        EXPECT_EQ(followed->url, renamed);
        EXPECT_TRUE(followed->stale);
        EXPECT_EQ(asked, 0) << "the descriptor follows; no search is needed";
    }

    // After a restart the file is found among Downloads' children.
    Bookmarks bookmarks(folders);
    auto found = bookmarks.resolve(token, key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, renamed);
    EXPECT_TRUE(found->stale);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(bookmarks.openDescriptorCount(), 1u);

    // Moved out of Downloads, then its new folder renamed: the descriptor still follows.
    fs::create_directories(home.root() / "Documents/deep");
    fs::rename(renamed, home.root() / "Documents/deep/kept.pdf");
    fs::rename(home.root() / "Documents", home.root() / "Docs");
    found = bookmarks.resolve(token, key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, home.root() / "Docs/deep/kept.pdf");
    EXPECT_EQ(asked, 1);
}

TEST(Bookmarks, LookupAfterRestartSearchesOnlyTheChildrenOfTheSearchFolders) {
    TempHome home;
    const path file = home.downloads() / "old.zip";
    writeFile(file, "zip");
    const QByteArray token = bookmarkOf(Bookmarks({}), file);
    auto trashed = moveToTrash(file);
    ASSERT_TRUE(trashed) << trashed.error().text();

    Bookmarks inTrash([&home] {
        std::vector<path> folders{home.downloads()};
        for (const path& trash : trashFilesFolders())
            folders.push_back(trash);
        return folders;
    });
    auto found = inTrash.resolve(token, key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, *trashed);
    EXPECT_TRUE(found->stale);

    // Not found: a missing folder, a folder above it, a callback that throws, none at all.
    Bookmarks missing([&home] { return std::vector<path>{home.root() / "nowhere"}; });
    EXPECT_FALSE(missing.resolve(token, key));
    Bookmarks above([&home] { return std::vector<path>{home.dataHome()}; });
    EXPECT_FALSE(above.resolve(token, key));
    Bookmarks throwing([]() -> std::vector<path> { throw std::runtime_error("boom"); });
    EXPECT_FALSE(throwing.resolve(token, key));
    EXPECT_FALSE(Bookmarks({}).resolve(token, key));
}

TEST(Bookmarks, GoneFilesResolveToNoneAndTheirDescriptorsClose) {
    TempHome home;
    const path plain = home.downloads() / "gone.bin";
    const path linked = home.downloads() / "linked";
    const path named = home.downloads() / "draft";
    for (const path& p : {plain, linked, named})
        writeFile(p, "x");
    fs::create_hard_link(linked, home.root() / "other-link");
    Bookmarks bookmarks({});
    const std::size_t before = processDescriptors();
    const QString keys[] = {QStringLiteral("plain"), QStringLiteral("linked"),
                            QStringLiteral("named")};
    const QByteArray tokens[] = {bookmarkOf(bookmarks, plain), bookmarkOf(bookmarks, linked),
                                 bookmarkOf(bookmarks, named)};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(bookmarks.resolve(tokens[i], keys[i]));
    EXPECT_EQ(processDescriptors(), before + 3);

    fs::remove(plain);
    // The inode lives on through its other link; the kernel names the descriptor
    // "<path> (deleted)", and a different file that really has that name is a decoy.
    writeFile(home.downloads() / "linked (deleted)", "decoy");
    fs::remove(linked);
    // A file may really be called so: it is not gone.
    fs::rename(named, home.downloads() / "draft (deleted)");

    EXPECT_FALSE(bookmarks.resolve(tokens[0], keys[0]));
    EXPECT_FALSE(bookmarks.resolve(tokens[1], keys[1]));
    auto stillThere = bookmarks.resolve(tokens[2], keys[2]);
    ASSERT_TRUE(stillThere);
    EXPECT_EQ(stillThere->url, home.downloads() / "draft (deleted)");
    EXPECT_EQ(bookmarks.openDescriptorCount(), 1u);
    EXPECT_EQ(processDescriptors(), before + 1);
}

TEST(Bookmarks, ReusedInodeAtTheRecordedPathIsNotTakenForTheOldFile) {
    TempHome home;
    const path file = home.downloads() / "invoice.pdf";
    writeFile(file, "old");
    const auto token = bookmarkOf(Bookmarks({}), file);
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
    BookmarkToken token = *decodeBookmark(bookmarkOf(Bookmarks({}), file));
    token.identity.birthNanoseconds = std::nullopt;
    const QByteArray bytes = encodeBookmark(token);

    auto found = Bookmarks({}).resolve(bytes, key);
    ASSERT_TRUE(found);
    EXPECT_FALSE(found->stale);
    setModified(file, 1'700'000'000, 123'456'788);
    EXPECT_FALSE(Bookmarks({}).resolve(bytes, key)) << "one nanosecond off";
    setModified(file, 1'700'000'000, 123'456'789);
    appendFile(file, "6");
    setModified(file, 1'700'000'000, 123'456'789);
    EXPECT_FALSE(Bookmarks({}).resolve(bytes, key)) << "size differs";

    // Followed by its descriptor it is still found, and stale asks for a token that a
    // restart can verify again.
    Bookmarks running({});
    const QByteArray fresh = bookmarkOf(running, file);
    BookmarkToken noBirth = *decodeBookmark(fresh);
    noBirth.identity.birthNanoseconds = std::nullopt;
    ASSERT_TRUE(running.resolve(encodeBookmark(noBirth), key));
    appendFile(file, "7");
    found = running.resolve(encodeBookmark(noBirth), key);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->stale);

    // Version 1 knew only device, inode and path: never proof enough to delete a file,
    // even for an empty file dated 1970, which is what its missing size and time read as.
    const path legacyFile = home.downloads() / "legacy";
    writeFile(legacyFile, "");
    setModified(legacyFile, 0, 0);
    const auto identity = identityOf(legacyFile);
    ASSERT_TRUE(identity);
    const QByteArray legacy =
        versionOneBytes(identity->device, identity->inode, legacyFile.native());
    auto decoded = decodeBookmark(legacy);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->version, 1u);
    EXPECT_EQ(decoded->identity, (FileIdentity{identity->device, identity->inode, {}}));
    EXPECT_EQ(decoded->path, legacyFile);
    EXPECT_EQ(encodeBookmark(*decoded), legacy);
    EXPECT_FALSE(Bookmarks({}).resolve(legacy, key));
}

TEST(Bookmarks, ReplacedFilesAreToldApart) {
    TempHome home;
    const path file = home.downloads() / "photo.jpg";
    writeFile(file, "one");
    const QByteArray token = bookmarkOf(Bookmarks({}), file);
    // Saved over while we were stopped: the old file was renamed aside.
    fs::rename(file, home.downloads() / "photo.jpg~");
    writeFile(file, "two");
    Bookmarks bookmarks([&home] { return std::vector<path>{home.downloads()}; });
    auto found = bookmarks.resolve(token, key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, home.downloads() / "photo.jpg~");

    // Saved over while running: the record gets the new file's token under the same key,
    // and the descriptor of the unlinked old file must not decide.
    fs::remove(home.downloads() / "photo.jpg~");
    found = bookmarks.resolve(bookmarkOf(bookmarks, file), key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, file);
    EXPECT_FALSE(found->stale);
    EXPECT_EQ(bookmarks.openDescriptorCount(), 1u);
}

TEST(Bookmarks, SymbolicLinkIsBookmarkedAsTheLinkItself) {
    TempHome home;
    const path target = home.root() / "target.txt";
    writeFile(target, "target");
    const path link = home.downloads() / "shortcut";
    fs::create_symlink(target, link);
    const auto folders = [&home] { return std::vector<path>{home.downloads()}; };
    const QByteArray token = bookmarkOf(Bookmarks({}), link);
    EXPECT_NE(decodeBookmark(token)->identity.inode, inodeOf(target));
    auto dangling = Bookmarks({}).create(home.downloads() / "missing");
    ASSERT_FALSE(dangling);
    EXPECT_EQ(dangling.error().code, ENOENT);

    Bookmarks bookmarks(folders);
    ASSERT_TRUE(bookmarks.resolve(token, key));
    fs::rename(link, home.downloads() / "shortcut2");
    auto found = bookmarks.resolve(token, key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, home.downloads() / "shortcut2");
    found = Bookmarks(folders).resolve(token, key);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, home.downloads() / "shortcut2");
}

TEST(Bookmarks, DescriptorLimitIsRaisedAndRunningOutStillGivesThePath) {
    TempHome home;
    const path file = home.downloads() / "busy";
    writeFile(file, "x");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::optional<Bookmarks> bookmarks(std::in_place, [] { return std::vector<path>{}; });
    rlimit raised{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &raised), 0);
    if (saved.rlim_max != RLIM_INFINITY) {
        EXPECT_EQ(raised.rlim_cur, saved.rlim_max);
    }

    // The lowest free descriptor number becomes the limit, so the next open fails.
    const QByteArray token = bookmarkOf(*bookmarks, file);
    const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lowest, 0);
    ::close(lowest);
    tight.rlim_cur = static_cast<rlim_t>(lowest);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    auto found = bookmarks->resolve(token, key);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, file);
    EXPECT_EQ(bookmarks->openDescriptorCount(), 0u);

    const std::size_t before = processDescriptors();
    ASSERT_TRUE(bookmarks->resolve(token, key));
    ASSERT_TRUE(bookmarks->resolve(token, key));
    ASSERT_TRUE(bookmarks->resolve(token, QStringLiteral("other")));
    EXPECT_EQ(processDescriptors(), before + 2);
    bookmarks->forget(key);
    bookmarks->forget(QStringLiteral("never seen"));
    EXPECT_EQ(processDescriptors(), before + 1);
    bookmarks.reset();
    EXPECT_EQ(processDescriptors(), before);
}

TEST(BookmarkToken, RoundTripsAnyPathBytesAndRejectsHostileBytes) {
    for (const std::string name :
         {"/d/line\nbreak.txt", "/d/bad-\xff\xfe-utf8", "/d/ünïcødé ☃", "/"}) {
        for (const bool withBirth : {true, false}) {
            BookmarkToken token;
            token.identity = {0x103'0000'0001ULL, ~0ULL,
                              withBirth ? std::optional<std::int64_t>(-42) : std::nullopt};
            token.size = 1LL << 40;
            token.modifiedSeconds = -1;
            token.modifiedNanoseconds = 999'999'999;
            token.path = name;
            const auto decoded = decodeBookmark(encodeBookmark(token));
            ASSERT_TRUE(decoded) << name;
            EXPECT_EQ(decoded->identity, token.identity);
            EXPECT_EQ(
                std::tie(decoded->size, decoded->modifiedSeconds, decoded->modifiedNanoseconds),
                std::tie(token.size, token.modifiedSeconds, token.modifiedNanoseconds));
            EXPECT_EQ(decoded->path.native(), name);
        }
    }

    BookmarkToken token;
    token.path = "/home/u/Downloads/a";
    const QByteArray valid = encodeBookmark(token);
    for (qsizetype length = 0; length < valid.size(); ++length)
        EXPECT_FALSE(decodeBookmark(valid.left(length))) << "truncated to " << length;
    const qsizetype flagsAt = 24, nanosecondsAt = 49, lengthAt = 57;
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
    ASSERT_EQ(valid[lengthAt], 19);
    Bookmarks bookmarks({});
    for (const auto& [what, bytes] : cases) {
        EXPECT_FALSE(decodeBookmark(bytes)) << what;
        EXPECT_FALSE(bookmarks.resolve(bytes, key)) << what;
    }
}
