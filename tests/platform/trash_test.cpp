// Taking items out of Downloads: to the Trash (and back), or for good.
#include "platform/DownloadsFolder.h"
#include "platform/RemoveTree.h"
#include "platform/Trash.h"

#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <ctime>

using namespace fadebin;
using namespace fadebin::test;
namespace fs = std::filesystem;

namespace {

// The text of the info file that belongs to a trashed entry, as written.
std::string infoTextOf(const path& trashed) {
    return readFile(trashed.parent_path().parent_path() / "info" /
                    (trashed.filename().native() + ".trashinfo"));
}

// Puts a trashed item back into the folder it came from, reached through that folder's door.
Result<path> putBack(const path& trashed, const path& folder) {
    const DownloadsFolder door(folder);
    return restoreFromTrash(trashed, [&door](const TrashInfo& info, const FileFacts&) {
        return door.openPlace(info.originalPath);
    });
}

std::vector<std::string> namesIn(const path& dir) {
    auto names = listNames(dir);
    return names ? *names : std::vector<std::string>{};
}

// The errno an operation failed with, 0 when it succeeded.
template <class Outcome> int errnoOf(const Outcome& status) {
    return status.ok() ? 0 : status.error().code;
}

path makeFile(const path& p, const std::string& contents) {
    writeFile(p, contents);
    return p;
}

// trash-cli, the independent implementation we must interoperate with.
std::optional<std::string> runTool(const char* tool, const path& cwd, const char* input = "") {
    QProcess process;
    process.setWorkingDirectory(toQString(cwd));
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    process.setProcessEnvironment(env);
    process.start(QString::fromLatin1(tool), {}); // not installed: never finishes
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120'000))
        return std::nullopt;
    return process.readAllStandardOutput().toStdString();
}

} // namespace

TEST(HomeTrash, HostileNamesRoundTripWithLocalDeletionDateAndLinksGoAsLinks) {
    TempHome home;
    // Five hours east of UTC: a DeletionDate written in UTC would be off.
    ::setenv("TZ", "FDB-5", 1);
    ::tzset();
    // Each name with the exact bytes its Path= must end in: every byte but '/' and the
    // unreserved characters percent-encoded, a space included.
    const std::pair<std::string, std::string> names[] = {
        {"with space.txt", "/with%20space.txt"},
        {"100% done", "/100%25%20done"},
        {"line\nbreak", "/line%0Abreak"},
        {"bad\xFF\xFE utf8", "/bad%FF%FE%20utf8"},
        {"\xC3\xBCn\xC3\xAF \xE6\x97\xA5.pdf", "/%C3%BCn%C3%AF%20%E6%97%A5.pdf"}};
    for (const auto& [name, encoded] : names) {
        const path item = makeFile(home.downloads() / name, name);
        const std::time_t before = std::time(nullptr);
        const auto trashed = moveToTrash(item);
        ASSERT_TRUE(trashed.ok()) << trashed.error().text();
        EXPECT_FALSE(fs::exists(item));
        EXPECT_EQ(readFile(*trashed), name);
        const std::string text = infoTextOf(*trashed);
        EXPECT_NE(text.find(encoded + "\nDeletionDate="), std::string::npos) << text;
        const auto info = trashInfoOf(*trashed);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->originalPath, item);
        std::tm parsed{};
        ASSERT_TRUE(::strptime(info->deletionDate.c_str(), "%Y-%m-%dT%H:%M:%S", &parsed))
            << info->deletionDate;
        parsed.tm_isdst = -1;
        EXPECT_NEAR(std::mktime(&parsed), before, 1);
    }
    ::unsetenv("TZ");
    ::tzset();

    const path target = makeFile(home.root() / "target.txt", "keep me");
    fs::create_symlink(target, home.downloads() / "link");
    const auto link = moveToTrash(home.downloads() / "link");
    ASSERT_TRUE(link.ok()) << link.error().text();
    EXPECT_EQ(fs::read_symlink(*link), target);
    EXPECT_EQ(readFile(target), "keep me");
}

TEST(HomeTrash, UnwritableTrashFailsAndLeavesTheItemAndNoInfoFile) {
    for (const char* part : {"info", "files"}) {
        TempHome home;
        ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / "first", "1")));
        const path locked = home.dataHome() / "Trash" / part;
        std::unique_ptr<ScopedMount> readOnly; // root ignores permission bits
        if (::geteuid() != 0)
            fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        else if (!(readOnly = ScopedMount::readOnly(locked)))
            GTEST_SKIP() << "running as root and cannot bind-mount read-only here";
        // Nothing may land in the working folder instead.
        const path cwd = home.root() / "cwd";
        fs::create_directories(cwd);
        const path oldCwd = fs::current_path();
        fs::current_path(cwd);
        const path item = makeFile(home.downloads() / "second", "2");
        const auto trashed = moveToTrash(item);
        fs::current_path(oldCwd);
        ASSERT_FALSE(trashed.ok()) << part;
        EXPECT_EQ(readFile(item), "2");
        EXPECT_EQ(namesIn(home.dataHome() / "Trash/info"),
                  std::vector<std::string>{"first.trashinfo"});
        EXPECT_EQ(namesIn(home.dataHome() / "Trash/files"), std::vector<std::string>{"first"});
        EXPECT_TRUE(namesIn(cwd).empty());
    }
}

TEST(HomeTrash, TrashCliListsAndRestoresWhatWeTrashed) {
    TempHome home;
    if (!runTool("trash-list", home.root()))
        GTEST_SKIP() << "trash-cli is not installed";
    for (const std::string name : {"with space.txt", "\xC3\xBCn\xC3\xAF\xC3\xA7od\xC3\xA9"}) {
        const std::string wanted = " " + (home.downloads() / name).native() + "\n";
        ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / name, name)));
        EXPECT_NE(runTool("trash-list", home.root())->find(wanted), std::string::npos);
        const std::string menu = *runTool("trash-restore", home.downloads(), "\n");
        const auto at = menu.find(wanted);
        ASSERT_NE(at, std::string::npos) << menu;
        const int index = std::stoi(menu.substr(menu.rfind('\n', at) + 1, 4));
        runTool("trash-restore", home.downloads(), (std::to_string(index) + "\n").c_str());
        EXPECT_EQ(readFile(home.downloads() / name), name);
    }
}

TEST(VolumeTrash, GoesToTopdirTrashWithRelativePath) {
    TempHome home;
    const path volume = home.root() / "vol x"; // \040 in mountinfo
    fs::create_directories(volume);
    const auto mount = ScopedMount::tmpfs(volume);
    if (!mount)
        GTEST_SKIP() << "needs root to mount a second filesystem (tmpfs)";
    fs::create_directories(volume / "sub");
    const path item = makeFile(volume / "sub/f 1", "data");
    const auto trashed = moveToTrash(item);
    ASSERT_TRUE(trashed.ok()) << trashed.error().text();
    EXPECT_EQ(*trashed, volume / (".Trash-" + std::to_string(::getuid())) / "files/f 1");
    EXPECT_NE(infoTextOf(*trashed).find("\nPath=sub/f%201\n"), std::string::npos)
        << "relative to the volume's top folder";
    EXPECT_FALSE(fs::exists(home.dataHome() / "Trash"));
    const auto restored = putBack(*trashed, volume);
    ASSERT_TRUE(restored.ok()) << restored.error().text();
    EXPECT_EQ(*restored, item) << "a relative Path= is taken from the volume's top folder";
    EXPECT_EQ(readFile(item), "data");
}

TEST(HomeTrash, RestorePutsBackOnlyWhereNothingStandsAndOnlyWhatIsStillThere) {
    TempHome home;
    const path item = makeFile(home.downloads() / "caf\xe9 back.txt", "first");
    const auto trashed = moveToTrash(item);
    ASSERT_TRUE(trashed.ok());
    writeFile(item, "a new file at the old place");
    EXPECT_EQ(errnoOf(putBack(*trashed, home.downloads())), EEXIST);
    EXPECT_EQ(readFile(item), "a new file at the old place");
    EXPECT_EQ(trashInfoOf(*trashed)->originalPath, item) << "the info file stays for a retry";

    fs::remove(item);
    ASSERT_TRUE(putBack(*trashed, home.downloads()).ok());
    EXPECT_EQ(readFile(item), "first");
    EXPECT_TRUE(namesIn(home.dataHome() / "Trash/info").empty());
    EXPECT_EQ(errnoOf(putBack(*trashed, home.downloads())), ENOENT);
}

TEST(TrashInfo, ReadsOnlyWellFormedInfoFiles) {
    const std::optional<path> top = path("/media/disk");
    const auto original = [&](std::string_view text, const std::optional<path>& topdir) {
        const auto info = parseTrashInfo(text, topdir);
        return info ? info->originalPath.native() : std::string("none");
    };
    EXPECT_EQ(original("[Trash Info]\nPath=/home/u/a%20b\nDeletionDate=2026-12-06T10:00:00\n", {}),
              "/home/u/a b");
    EXPECT_EQ(parseTrashInfo("[Trash Info]\r\nPath=/a\r\nDeletionDate=2026-12-06T10:00:00", {})
                  ->deletionDate,
              "2026-12-06T10:00:00");
    EXPECT_EQ(original("[Trash Info]\nPath=sub/x\n", top), "/media/disk/sub/x");
    EXPECT_EQ(original("[Trash Info]\nPath=sub/x\n", {}), "none") << "relative needs a top";
    EXPECT_EQ(original("[Trash Info]\nPath=/a/../b\nPath=/c\n", {}), "/b") << "first key wins";
    EXPECT_EQ(original("[Other]\nPath=/a\n[Trash Info]\nDeletionDate=x\n", {}), "none");
    EXPECT_EQ(original("Path=/a\n", {}), "none");
    EXPECT_EQ(original("[Trash Info]\nPath=/a%2\n", {}), "none");
    EXPECT_EQ(original("[Trash Info]\nPath=/a%00b\n", {}), "none");
    EXPECT_EQ(original("[Trash Info]\nPath=/\n", {}), "none");
    EXPECT_EQ(original("[Trash Info]\nPath=/" + std::string(70'000, 'a') + "\n", {}), "none");
}

TEST(TrashFolders, LookupsLeaveNetworkAndUserSpaceFilesystemsAlone) {
    for (const char* remote : {"nfs", "nfs4", "cifs", "smb3", "fuse", "fuse.sshfs", "9p"})
        EXPECT_TRUE(isRemoteOrFuse(remote)) << remote;
    for (const char* local : {"ext4", "btrfs", "xfs", "vfat", "tmpfs", "fuseblk", "fusectl"})
        EXPECT_FALSE(isRemoteOrFuse(local)) << local;
}

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

    for (const char* name : {"tree", "link", "link2/", "file"}) // link2/: the link itself
        EXPECT_EQ(errnoOf(removeTree(home.downloads() / name)), 0) << name;
    EXPECT_TRUE(fs::is_empty(home.downloads()));
    EXPECT_EQ(readFile(outside / "deep/precious"), "keep");

    // What cannot be removed is reported.
    for (const path& missing : {home.downloads() / "missing", home.root() / "no/such/x"})
        EXPECT_EQ(errnoOf(removeTree(missing)), ENOENT) << missing;
    for (const char* odd : {"/", ".", ".."})
        EXPECT_EQ(errnoOf(removeTree(odd)), EINVAL) << odd;

    // Another filesystem mounted inside is left alone.
    fs::create_directories(tree / "mnt");
    const auto mount = ScopedMount::tmpfs(tree / "mnt");
    if (!mount)
        GTEST_SKIP() << "needs root to mount a filesystem inside the folder";
    writeFile(tree / "mnt/other", "keep");
    EXPECT_EQ(errnoOf(removeTree(tree)), EXDEV);
    EXPECT_EQ(readFile(tree / "mnt/other"), "keep");
    // A folder of the same disk bound inside, or as the item itself: same device, other mount.
    fs::create_directories(tree / "bound");
    const auto bound = ScopedMount::bind(outside, tree / "bound");
    ASSERT_TRUE(bound);
    EXPECT_EQ(errnoOf(removeTree(tree / "bound")), EBUSY);
    EXPECT_EQ(errnoOf(removeTree(tree / "mnt")), EBUSY);
    EXPECT_EQ(errnoOf(removeTree(tree)), EXDEV);
    EXPECT_EQ(readFile(outside / "deep/precious"), "keep");
}
