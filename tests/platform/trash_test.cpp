#include "platform/Trash.h"

#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using namespace fadebin;
using namespace fadebin::test;
namespace fs = std::filesystem;

namespace {

// Sets (or with none, unsets) an environment variable until the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value)
        : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        ::tzset();
    }
    ~ScopedEnv() {
        m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name);
        ::tzset();
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class ScopedCwd {
public:
    explicit ScopedCwd(const path& dir)
        : m_old(fs::current_path()) {
        fs::current_path(dir);
    }
    ~ScopedCwd() { fs::current_path(m_old); }

private:
    path m_old;
};

// Path= (decoded) and DeletionDate= of the info file that belongs to a trashed entry.
std::pair<std::optional<std::string>, std::string> infoOf(const path& trashed) {
    const std::string text = readFile(trashed.parent_path().parent_path() / "info" /
                                      (trashed.filename().native() + ".trashinfo"));
    EXPECT_EQ(text.rfind("[Trash Info]\n", 0), 0u) << text;
    const auto field = [&text](const std::string& key) {
        const auto at = text.find("\n" + key + "=");
        const auto from = at + key.size() + 2;
        return at == std::string::npos ? std::string("<none>")
                                       : text.substr(from, text.find('\n', from) - from);
    };
    return {decodeTrashInfoPath(field("Path")), field("DeletionDate")};
}

std::vector<std::string> namesIn(const path& dir) {
    auto names = listNames(dir);
    std::vector<std::string> sorted = names ? *names : std::vector<std::string>{};
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

bool isListedTrash(const path& files) {
    const auto folders = trashFilesFolders();
    return std::find(folders.begin(), folders.end(), files) != folders.end();
}

path makeFile(const path& p, const std::string& contents) {
    writeFile(p, contents);
    return p;
}

// trash-cli, the independent implementation we must interoperate with.
std::optional<std::string> runTool(const char* tool, const path& cwd,
                                   const QByteArray& input = {}) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setWorkingDirectory(toQString(cwd));
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    process.setProcessEnvironment(env);
    process.start(program, {});
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120'000))
        return std::nullopt;
    return process.readAllStandardOutput().toStdString();
}

} // namespace

TEST(TrashInfoText, EncodesEveryByteButSlashAndUnreservedAndDecodesBack) {
    const std::vector<std::pair<std::string, std::string>> table = {
        {"/a b/100%", "/a%20b/100%25"},
        {"/-_.!~*'()AZaz09", "/-_.!~*'()AZaz09"},
        {"/x+y&z:?#[]=;,$@", "/x%2By%26z%3A%3F%23%5B%5D%3D%3B%2C%24%40"},
        {"/\xC3\xA9\n\xFF\x01", "/%C3%A9%0A%FF%01"},
    };
    for (const auto& [raw, encoded] : table) {
        EXPECT_EQ(encodeTrashInfoPath(raw), encoded);
        EXPECT_EQ(decodeTrashInfoPath(encoded), raw);
    }
    EXPECT_EQ(decodeTrashInfoPath("/%c3%a9"), "/\xC3\xA9");
    for (const char* bad : {"/%", "/%4", "/%zz", "/%4g"})
        EXPECT_EQ(decodeTrashInfoPath(bad), std::nullopt) << bad;
}

TEST(TrashInfoText, MountInfoDecodesOctalEscapesAndFindsTheType) {
    const auto mounts =
        parseMountInfo("22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                       "40 22 0:5 / /media/my\\040disk\\134x rw master:2 - vfat /dev/sdb1 rw\n"
                       "41 22 0:6 / /mnt/tab\\011nl\\012 rw - tmpfs tmpfs rw\n"
                       "garbage\n");
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].fsType, "ext4");
    EXPECT_EQ(mounts[1].mountPoint, "/media/my disk\\x");
    EXPECT_EQ(mounts[1].fsType, "vfat");
    EXPECT_EQ(mounts[2].mountPoint, "/mnt/tab\tnl\n");
}

TEST(HomeTrash, HostileNamesRoundTripWithLocalDeletionDate) {
    TempHome home;
    // Five hours east of UTC: a date written in UTC would be off and fail below.
    ScopedEnv tz("TZ", "FDB-5");
    std::string multibyte255; // 127 two-byte letters and one more byte
    for (int i = 0; i < 127; ++i)
        multibyte255 += "\xC3\xA9";
    multibyte255 += "x";
    const std::vector<std::string> names = {
        "with space.txt",   "100% done",   "line\nbreak", "\xC3\xBCn\xC3\xAF \xE6\x97\xA5.pdf",
        "bad\xFF\xFE utf8", "%41 literal", ".hidden",     std::string(255, 'n'),
        multibyte255};
    for (const auto& name : names) {
        const path item = makeFile(home.downloads() / name, name);
        const std::time_t before = std::time(nullptr);
        const auto trashed = moveToTrash(item);
        const std::time_t after = std::time(nullptr);
        ASSERT_TRUE(trashed.ok()) << trashed.error().text();

        EXPECT_EQ(trashed->parent_path(), home.dataHome() / "Trash/files");
        EXPECT_FALSE(fs::exists(fs::symlink_status(item)));
        EXPECT_EQ(readFile(*trashed), name);
        // 255-byte names are shortened so that NAME.trashinfo still fits, between letters.
        const std::string stored = trashed->filename().native();
        EXPECT_LE(stored.size() + 10, 255u);
        if (name == multibyte255) {
            EXPECT_EQ(stored, multibyte255.substr(0, 244));
        }
        const auto [recorded, date] = infoOf(*trashed);
        EXPECT_EQ(recorded, item.native());

        std::tm parsed{};
        const char* end = ::strptime(date.c_str(), "%Y-%m-%dT%H:%M:%S", &parsed);
        ASSERT_TRUE(end != nullptr && *end == '\0') << date;
        parsed.tm_isdst = -1;
        const std::time_t written = std::mktime(&parsed);
        EXPECT_GE(written, before - 1);
        EXPECT_LE(written, after + 1);
    }
}

TEST(HomeTrash, NameClashesTakeNumberedNamesAndNeverReplace) {
    TempHome home;
    const path files = home.dataHome() / "Trash/files";
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / "report.pdf", std::to_string(i))));
    for (const char* name : {"archive", ".bashrc", "archive", ".bashrc"}) // no extension
        ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / name, name + std::string("2"))));
    EXPECT_EQ(readFile(files / "report.pdf"), "1");
    EXPECT_EQ(readFile(files / "report.2.pdf"), "2");
    EXPECT_EQ(readFile(files / "report.3.pdf"), "3");
    EXPECT_EQ(readFile(files / "archive.2"), "archive2");
    EXPECT_EQ(readFile(files / ".bashrc.2"), ".bashrc2");

    // A leftover in files/ with no info file is a clash too: it stays as it is.
    makeFile(files / "notes.txt", "orphan");
    const auto trashed = moveToTrash(makeFile(home.downloads() / "notes.txt", "mine"));
    ASSERT_TRUE(trashed.ok());
    EXPECT_EQ(trashed->filename(), "notes.2.txt");
    EXPECT_EQ(readFile(files / "notes.txt"), "orphan");
    EXPECT_EQ(readFile(*trashed), "mine");
    const auto infos = namesIn(home.dataHome() / "Trash/info");
    EXPECT_EQ(std::count(infos.begin(), infos.end(), "notes.txt.trashinfo"), 0);
    EXPECT_EQ(infos.size(), namesIn(files).size() - 1);
}

TEST(HomeTrash, LinksAreTrashedAsLinksAndFoldersWhole) {
    TempHome home;
    const path target = makeFile(home.root() / "target.txt", "keep me");
    fs::create_symlink(target, home.downloads() / "link");
    fs::create_symlink(home.root() / "nowhere", home.downloads() / "dangling");
    fs::create_directories(home.downloads() / "folder/inner");
    makeFile(home.downloads() / "folder/inner/f", "f");

    const auto link = moveToTrash(home.downloads() / "link");
    ASSERT_TRUE(link.ok()) << link.error().text();
    EXPECT_TRUE(fs::is_symlink(*link));
    EXPECT_EQ(fs::read_symlink(*link), target);
    EXPECT_EQ(readFile(target), "keep me");
    EXPECT_TRUE(moveToTrash(home.downloads() / "dangling").ok());

    const auto folder = moveToTrash(home.downloads() / "folder/"); // trailing slash too
    ASSERT_TRUE(folder.ok()) << folder.error().text();
    EXPECT_EQ(readFile(*folder / "inner/f"), "f");
    EXPECT_EQ(infoOf(*folder).first, (home.downloads() / "folder").native());
    EXPECT_TRUE(namesIn(home.downloads()).empty());
}

TEST(HomeTrash, ItemsThatCannotBeTrashedAreRefusedWithoutATrace) {
    TempHome home;
    const auto missing = moveToTrash(home.downloads() / "missing");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_FALSE(fs::exists(home.dataHome()));
    EXPECT_FALSE(isListedTrash(home.dataHome() / "Trash/files"));
    for (const char* odd : {"", "/", ".", ".."})
        EXPECT_FALSE(moveToTrash(odd).ok()) << odd;

    // The trash cannot go into itself; the info file reserved for it is taken back.
    ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / "a", "a")));
    EXPECT_TRUE(isListedTrash(home.dataHome() / "Trash/files"));
    const auto itself = moveToTrash(home.dataHome() / "Trash");
    ASSERT_FALSE(itself.ok());
    EXPECT_EQ(namesIn(home.dataHome() / "Trash/info"), std::vector<std::string>{"a.trashinfo"});
}

TEST(HomeTrash, MissingDataFolderIsMadeUnderHomeOnlyNeverInTheWorkingFolder) {
    TempHome home;
    const path cwd = home.root() / "cwd";
    fs::create_directories(cwd);
    ScopedCwd inCwd(cwd);
    {
        ScopedEnv xdg("XDG_DATA_HOME", (home.root() / "not/yet/here").native());
        const auto trashed = moveToTrash(makeFile(home.downloads() / "a", "a"));
        ASSERT_TRUE(trashed.ok()) << trashed.error().text();
        EXPECT_EQ(trashed->parent_path(), home.root() / "not/yet/here/Trash/files");
        EXPECT_EQ(fs::status(home.root() / "not/yet/here/Trash").permissions(),
                  fs::perms::owner_all);
    }
    for (const std::optional<std::string>& value :
         {std::optional<std::string>{}, std::optional<std::string>{"relative/share"}}) {
        ScopedEnv xdg("XDG_DATA_HOME", value); // unset or relative: $HOME/.local/share
        const auto trashed = moveToTrash(makeFile(home.downloads() / "b", "b"));
        ASSERT_TRUE(trashed.ok()) << trashed.error().text();
        EXPECT_EQ(trashed->parent_path().parent_path().parent_path(), home.dataHome());
        fs::remove_all(home.root() / ".local");
    }
    {
        // A data folder outside home that does not exist is an error, not a mkdir.
        QTemporaryDir elsewhere;
        const path outside = path(elsewhere.path().toStdString()) / "missing";
        ScopedEnv xdg("XDG_DATA_HOME", outside.native());
        const path item = makeFile(home.downloads() / "c", "c");
        const auto trashed = moveToTrash(item);
        ASSERT_FALSE(trashed.ok());
        EXPECT_EQ(trashed.error().code, ENOENT);
        EXPECT_FALSE(fs::exists(outside));
        EXPECT_EQ(readFile(item), "c");
    }
    EXPECT_TRUE(namesIn(cwd).empty());
}

TEST(HomeTrash, UnwritableTrashFailsAndLeavesTheItemAndNoInfoFile) {
    for (const char* part : {"info", "files"}) {
        TempHome home;
        ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / "first", "1")));
        const path locked = home.dataHome() / "Trash" / part;
        std::unique_ptr<ScopedMount> readOnly;
        if (::geteuid() == 0) {
            readOnly = ScopedMount::readOnly(locked);
            if (!readOnly)
                GTEST_SKIP() << "running as root and cannot bind-mount read-only here";
        } else {
            fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        }
        const path item = makeFile(home.downloads() / "second", "2");
        const auto trashed = moveToTrash(item);
        ASSERT_FALSE(trashed.ok()) << part;
        EXPECT_NE(trashed.error().code, 0);
        EXPECT_FALSE(trashed.error().text().empty());
        EXPECT_EQ(readFile(item), "2");
        EXPECT_EQ(namesIn(home.dataHome() / "Trash/info"),
                  std::vector<std::string>{"first.trashinfo"});
        EXPECT_EQ(namesIn(home.dataHome() / "Trash/files"), std::vector<std::string>{"first"});
    }
}

TEST(HomeTrash, TrashCliListsAndRestoresWhatWeTrashed) {
    TempHome home;
    const std::vector<std::string> names = {"with space.txt",
                                            "\xC3\xBCn\xC3\xAF\xC3\xA7od\xC3\xA9"};
    for (const auto& name : names)
        ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / name, name)));
    const auto listed = runTool("trash-list", home.root());
    if (!listed)
        GTEST_SKIP() << "trash-cli is not installed";
    for (const auto& name : names)
        EXPECT_NE(listed->find(" " + (home.downloads() / name).native() + "\n"), std::string::npos)
            << *listed;

    for (const auto& name : names) {
        // trash-restore lists "  N date path" and asks which one to put back.
        const auto menu = runTool("trash-restore", home.downloads(), "\n");
        ASSERT_TRUE(menu.has_value());
        const std::string wanted = " " + (home.downloads() / name).native() + "\n";
        const auto at = menu->find(wanted);
        ASSERT_NE(at, std::string::npos) << *menu;
        const auto lineStart = menu->rfind('\n', at) + 1;
        const std::string index = std::to_string(std::stoi(menu->substr(lineStart, 4)));
        ASSERT_TRUE(
            runTool("trash-restore", home.downloads(), QByteArray::fromStdString(index + "\n")));
        EXPECT_EQ(readFile(home.downloads() / name), name);
    }
    EXPECT_TRUE(namesIn(home.dataHome() / "Trash/files").empty());
}

class VolumeTrash : public ::testing::Test {
protected:
    void SetUp() override {
        m_volume = m_home.root() / "vol x";
        fs::create_directories(m_volume);
        m_mount = ScopedMount::tmpfs(m_volume);
        if (!m_mount)
            GTEST_SKIP() << "needs root to mount a second filesystem (tmpfs)";
        fs::create_directories(m_volume / "sub");
        m_item = makeFile(m_volume / "sub/f 1", "data");
    }

    TempHome m_home;
    path m_volume;
    path m_item;
    std::unique_ptr<ScopedMount> m_mount;
    const std::string m_uid = std::to_string(::getuid());
};

TEST_F(VolumeTrash, GoesToTopdirTrashWithRelativePathAndIsListed) {
    const auto trashed = moveToTrash(m_item);
    ASSERT_TRUE(trashed.ok()) << trashed.error().text();
    const path files = m_volume / (".Trash-" + m_uid) / "files";
    EXPECT_EQ(*trashed, files / "f 1");
    EXPECT_EQ(infoOf(*trashed).first, "sub/f 1");
    EXPECT_FALSE(fs::exists(m_home.dataHome() / "Trash"));
    EXPECT_TRUE(isListedTrash(files));
    if (const auto listed = runTool("trash-list", m_home.root())) {
        EXPECT_NE(listed->find(" " + m_item.native() + "\n"), std::string::npos) << *listed;
    }
}

TEST_F(VolumeTrash, SharedTrashIsUsedOnlyWhenStickyAndNotALink) {
    const path shared = m_volume / ".Trash";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all);
    auto trashed = moveToTrash(m_item);
    ASSERT_TRUE(trashed.ok());
    EXPECT_EQ(trashed->parent_path(), m_volume / (".Trash-" + m_uid) / "files");

    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    trashed = moveToTrash(makeFile(m_volume / "g", "g"));
    ASSERT_TRUE(trashed.ok());
    EXPECT_EQ(trashed->parent_path(), shared / m_uid / "files");
    EXPECT_TRUE(isListedTrash(shared / m_uid / "files"));

    // A link named .Trash, even to a sticky folder, is not followed.
    fs::remove_all(shared);
    const path decoy = m_volume / "decoy";
    fs::create_directories(decoy);
    fs::permissions(decoy, fs::perms::all | fs::perms::sticky_bit);
    fs::create_symlink(decoy, shared);
    trashed = moveToTrash(makeFile(m_volume / "h", "h"));
    ASSERT_TRUE(trashed.ok());
    EXPECT_EQ(trashed->parent_path(), m_volume / (".Trash-" + m_uid) / "files");
    EXPECT_TRUE(namesIn(decoy).empty());
}

TEST_F(VolumeTrash, HostileOrReadOnlyTrashIsAnErrorAndWritesNothing) {
    // .Trash-$uid as a link to somewhere else must not be written through.
    const path decoy = m_volume / "decoy";
    fs::create_directories(decoy);
    fs::create_symlink(decoy, m_volume / (".Trash-" + m_uid));
    auto trashed = moveToTrash(m_item);
    ASSERT_FALSE(trashed.ok());
    EXPECT_TRUE(namesIn(decoy).empty());
    EXPECT_EQ(readFile(m_item), "data");

    fs::remove(m_volume / (".Trash-" + m_uid));
    ASSERT_TRUE(m_mount->remountReadOnly());
    trashed = moveToTrash(m_item);
    ASSERT_FALSE(trashed.ok());
    EXPECT_EQ(trashed.error().code, EROFS);
    EXPECT_EQ(readFile(m_item), "data");
    EXPECT_FALSE(fs::exists(m_volume / (".Trash-" + m_uid)));
}
