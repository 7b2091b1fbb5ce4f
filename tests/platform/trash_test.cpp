#include "platform/Trash.h"

#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// Five hours east of UTC while alive: a DeletionDate written in UTC would be off.
struct ScopedTz {
    const char* old = std::getenv("TZ");
    std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ScopedTz() { set("FDB-5"); }
    ~ScopedTz() { set(saved ? saved->c_str() : nullptr); }
    static void set(const char* value) {
        value ? ::setenv("TZ", value, 1) : ::unsetenv("TZ");
        ::tzset();
    }
};

struct ScopedCwd {
    path old = fs::current_path();
    explicit ScopedCwd(const path& dir) { fs::current_path(dir); }
    ~ScopedCwd() { fs::current_path(old); }
};

// Path= (decoded) and DeletionDate= of the info file that belongs to a trashed entry.
std::pair<std::optional<std::string>, std::string> infoOf(const path& trashed) {
    const std::string text = readFile(trashed.parent_path().parent_path() / "info" /
                                      (trashed.filename().native() + ".trashinfo"));
    EXPECT_EQ(text.rfind("[Trash Info]\n", 0), 0u) << text;
    const auto field = [&text](const std::string& key) {
        const auto at = text.find("\n" + key + "=") + key.size() + 2;
        return text.substr(at, text.find('\n', at) - at);
    };
    return {decodeTrashInfoPath(field("Path")), field("DeletionDate")};
}

std::vector<std::string> namesIn(const path& dir) {
    auto names = listNames(dir);
    return names ? *names : std::vector<std::string>{};
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

TEST(HomeTrash, HostileNamesRoundTripWithLocalDeletionDate) {
    TempHome home;
    ScopedTz tz;
    std::string multibyte255; // 127 two-byte letters and one more byte
    for (int i = 0; i < 127; ++i)
        multibyte255 += "\xC3\xA9";
    multibyte255 += "x";
    for (const std::string& name :
         {"with space.txt"s, "100% done"s, "line\nbreak"s, "%41 literal"s, "bad\xFF\xFE utf8"s,
          "\xC3\xBCn\xC3\xAF \xE6\x97\xA5.pdf"s, std::string(255, 'n'), multibyte255}) {
        const path item = makeFile(home.downloads() / name, name);
        const std::time_t before = std::time(nullptr);
        const auto trashed = moveToTrash(item);
        const std::time_t after = std::time(nullptr);
        ASSERT_TRUE(trashed.ok()) << trashed.error().text();
        EXPECT_EQ(trashed->parent_path(), home.dataHome() / "Trash/files");
        EXPECT_FALSE(fs::exists(fs::symlink_status(item)));
        EXPECT_EQ(readFile(*trashed), name);
        // 255-byte names are shortened, between letters, so that NAME.trashinfo still fits.
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
        EXPECT_GE(std::mktime(&parsed), before - 1);
        EXPECT_LE(std::mktime(&parsed), after + 1);
    }
}

TEST(HomeTrash, NameClashesTakeNumberedNamesAndNeverReplace) {
    TempHome home;
    const path files = home.dataHome() / "Trash/files";
    for (const char* name : {"report.pdf", "report.pdf", ".bashrc", ".bashrc"})
        ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / name, name)));
    // A leftover in files/ with no info file is a clash too: it stays as it is.
    makeFile(files / "notes.txt", "orphan");
    ASSERT_TRUE(moveToTrash(makeFile(home.downloads() / "notes.txt", "mine")));
    EXPECT_EQ(readFile(files / "notes.txt"), "orphan");
    auto names = namesIn(files);
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{".bashrc", ".bashrc.2", "notes.2.txt", "notes.txt",
                                               "report.2.pdf", "report.pdf"}));
    EXPECT_EQ(namesIn(home.dataHome() / "Trash/info").size(), names.size() - 1);
}

TEST(HomeTrash, LinksAreTrashedAsLinksFoldersWholeAndTheTrashNotIntoItself) {
    TempHome home;
    EXPECT_EQ(moveToTrash(home.downloads() / "missing").error().code, ENOENT);
    EXPECT_FALSE(fs::exists(home.dataHome()));
    const path target = makeFile(home.root() / "target.txt", "keep me");
    fs::create_symlink(target, home.downloads() / "link");
    fs::create_directories(home.downloads() / "folder/inner");
    makeFile(home.downloads() / "folder/inner/f", "f");

    const auto link = moveToTrash(home.downloads() / "link");
    ASSERT_TRUE(link.ok()) << link.error().text();
    EXPECT_EQ(fs::read_symlink(*link), target);
    EXPECT_EQ(readFile(target), "keep me");
    const auto folder = moveToTrash(home.downloads() / "folder/"); // trailing slash too
    ASSERT_TRUE(folder.ok()) << folder.error().text();
    EXPECT_EQ(readFile(*folder / "inner/f"), "f");
    EXPECT_EQ(infoOf(*folder).first, (home.downloads() / "folder").native());
    EXPECT_TRUE(namesIn(home.downloads()).empty());

    // The info file reserved for the trash itself is taken back.
    EXPECT_FALSE(moveToTrash(home.dataHome() / "Trash").ok());
    EXPECT_EQ(namesIn(home.dataHome() / "Trash/info").size(), 2u);
}

TEST(HomeTrash, ADataFolderIsMadeUnderHomeOnlyNeverInTheWorkingFolder) {
    TempHome home; // puts XDG_DATA_HOME back
    const path cwd = home.root() / "cwd";
    fs::create_directories(cwd);
    ScopedCwd inCwd(cwd);
    ::setenv("XDG_DATA_HOME", "relative/share", 1); // ignored: $HOME/.local/share
    auto trashed = moveToTrash(makeFile(home.downloads() / "b", "b"));
    ASSERT_TRUE(trashed.ok()) << trashed.error().text();
    EXPECT_EQ(trashed->parent_path(), home.dataHome() / "Trash/files");
    EXPECT_EQ(fs::status(home.dataHome() / "Trash").permissions(), fs::perms::owner_all);

    // A data folder outside home that does not exist is an error, not a mkdir.
    QTemporaryDir elsewhere;
    const path outside = path(elsewhere.path().toStdString()) / "missing";
    ::setenv("XDG_DATA_HOME", outside.c_str(), 1);
    const path item = makeFile(home.downloads() / "c", "c");
    trashed = moveToTrash(item);
    ASSERT_FALSE(trashed.ok());
    EXPECT_EQ(trashed.error().code, ENOENT);
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_EQ(readFile(item), "c");
    EXPECT_TRUE(namesIn(cwd).empty());
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
        const path item = makeFile(home.downloads() / "second", "2");
        const auto trashed = moveToTrash(item);
        ASSERT_FALSE(trashed.ok()) << part;
        EXPECT_NE(trashed.error().code, 0);
        EXPECT_EQ(readFile(item), "2");
        EXPECT_EQ(namesIn(home.dataHome() / "Trash/info"),
                  std::vector<std::string>{"first.trashinfo"});
        EXPECT_EQ(namesIn(home.dataHome() / "Trash/files"), std::vector<std::string>{"first"});
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
        // trash-restore lists "  N date path" and asks which one to put back.
        const std::string menu = *runTool("trash-restore", home.downloads(), "\n");
        const auto at = menu.find(wanted);
        ASSERT_NE(at, std::string::npos) << menu;
        const int index = std::stoi(menu.substr(menu.rfind('\n', at) + 1, 4));
        runTool("trash-restore", home.downloads(), (std::to_string(index) + "\n").c_str());
        EXPECT_EQ(readFile(home.downloads() / name), name);
        EXPECT_TRUE(namesIn(home.dataHome() / "Trash/files").empty());
    }
}

class VolumeTrash : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_volume);
        if (!(m_mount = ScopedMount::tmpfs(m_volume)))
            GTEST_SKIP() << "needs root to mount a second filesystem (tmpfs)";
        fs::create_directories(m_volume / "sub");
        writeFile(m_item, "data");
    }

    TempHome m_home;
    const path m_volume = m_home.root() / "vol x"; // \040 in mountinfo
    const path m_item = m_volume / "sub/f 1";
    const path m_own = m_volume / (".Trash-" + std::to_string(::getuid()));
    std::unique_ptr<ScopedMount> m_mount;
};

TEST_F(VolumeTrash, GoesToTopdirTrashWithRelativePathAndIsListed) {
    const auto trashed = moveToTrash(m_item);
    ASSERT_TRUE(trashed.ok()) << trashed.error().text();
    EXPECT_EQ(*trashed, m_own / "files/f 1");
    EXPECT_EQ(infoOf(*trashed).first, "sub/f 1");
    EXPECT_FALSE(fs::exists(m_home.dataHome() / "Trash"));
    EXPECT_EQ(std::ranges::count(trashFilesFolders(), m_own / "files"), 1);
    if (const auto listed = runTool("trash-list", m_home.root())) {
        EXPECT_NE(listed->find(" " + m_item.native() + "\n"), std::string::npos) << *listed;
    }
}

TEST_F(VolumeTrash, HostileOrReadOnlyTrashIsAnErrorAndWritesNothing) {
    // .Trash-$uid as a link to somewhere else must not be written through.
    const path decoy = m_volume / "decoy";
    fs::create_directories(decoy);
    fs::create_symlink(decoy, m_own);
    EXPECT_FALSE(moveToTrash(m_item).ok());
    EXPECT_TRUE(namesIn(decoy).empty());
    fs::remove(m_own);
    ASSERT_TRUE(m_mount->remountReadOnly());
    const auto trashed = moveToTrash(m_item);
    ASSERT_FALSE(trashed.ok());
    EXPECT_EQ(trashed.error().code, EROFS);
    EXPECT_EQ(readFile(m_item), "data");
    EXPECT_FALSE(fs::exists(m_own));
}
