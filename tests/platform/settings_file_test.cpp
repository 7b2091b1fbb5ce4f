// The user's files that Fadebin keeps: its settings, its autostart entry, its one-instance lock.
#include "platform/InstanceLock.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "support/HeldInChild.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void store(const std::string& contents) { writeSettings(home, contents); }

    TempHome home;
    const path file = home.configHome() / "Fadebin/defaults.json";
};

} // namespace

TEST_F(SettingsFileTest, BooleansReadLenientlyAndUnusableFilesAsEmptyReportedUnlessBlank) {
    const std::pair<const char*, bool> rows[] = {
        {"true", true},      {"0", false},      {"-0.5", true},  {"\"YES\"", true},
        {"\" +007\"", true}, {"\"no\"", false}, {"null", false}, {"[true]", false}};
    for (const auto& [json, expected] : rows) {
        store(std::string(R"({"k": )") + json + "}");
        EXPECT_EQ(SettingsFile().boolValue("k"), expected) << json;
    }
    const std::pair<const char*, bool> unusable[] = {
        {"  \n", false}, {"{\"a\": tr", true}, {"[1, 2]", true}, {"\xff\xfe garbage", true}};
    for (const auto& [contents, reported] : unusable) {
        store(contents);
        LogCapture log;
        EXPECT_FALSE(SettingsFile().value("a").has_value()) << contents;
        EXPECT_EQ(log.count("Settings file unreadable, using defaults: %s"), reported ? 1 : 0);
    }
}

TEST_F(SettingsFileTest, AFailedWriteIsLoggedAndTheValueKeptForThisRun) {
    std::filesystem::create_directories(home.configHome());
    writeFile(home.configHome() / "Fadebin", "a file where the folder should be");
    LogCapture log;
    SettingsFile defaults;
    defaults.setDouble(QStringLiteral("autoDismissSeconds"), 3);
    EXPECT_EQ(log.count("Settings write failed: %s"), 1);
    EXPECT_EQ(defaults.doubleValue("autoDismissSeconds"), 3.0);
}

TEST_F(SettingsFileTest, OnlyARegularFileOfAtMostOneMebibyteIsRead) {
    // A FIFO would block the start in open() or read(); a link to /dev/zero never ends.
    std::filesystem::create_directories(file.parent_path());
    const std::pair<std::function<void()>, const char*> rows[] = {
        {[&] { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }, "not a regular file"},
        {[&] { std::filesystem::create_symlink("/dev/zero", file); }, "not a regular file"},
        {[&] { store(R"({"a": 1})" + std::string(1024 * 1024 + 1 - 8, ' ')); },
         "larger than 1 MiB"}};
    for (const auto& [make, reason] : rows) {
        std::filesystem::remove(file);
        make();
        LogCapture log;
        EXPECT_FALSE(SettingsFile().value("a").has_value()) << reason;
        EXPECT_EQ(log.count("Settings file unreadable, using defaults: %s"), 1) << reason;
        EXPECT_TRUE(
            log.contains(std::string("Settings file unreadable, using defaults: ") + reason));
    }
    store(R"({"a": 1})" + std::string(1024 * 1024 - 8, ' '));
    EXPECT_EQ(SettingsFile().doubleValue("a"), 1.0);
}

TEST_F(SettingsFileTest, ABurstOfChangesIsWrittenOnceAfterTheLastAndAtTheEnd) {
    using namespace std::chrono_literals;
    ManualClock clock;
    const auto stored = [this] { return SettingsFile(file).doubleValue("grace"); };
    {
        SettingsFile defaults(file);
        defaults.coalesceWrites(clock, 500ms);
        for (int step = 1; step <= 20; ++step) { // a slider dragged
            defaults.setDouble("grace", step);
            clock.advance(100ms);
        }
        EXPECT_EQ(stored(), std::nullopt) << "nothing written while the changes go on";
        EXPECT_EQ(defaults.doubleValue("grace"), 20.0);
        clock.advance(399ms);
        EXPECT_EQ(stored(), std::nullopt);
        clock.advance(1ms);
        EXPECT_EQ(stored(), 20.0);
        defaults.setDouble("grace", 21);
    }
    EXPECT_EQ(stored(), 21.0) << "what is pending at the end is written then";
}

TEST(LoginItem, BothDesktopsKeysAreWrittenWithTheExecQuotedAndEitherSwitchedOffIsOff) {
    TempHome home;
    const path entry = home.configHome() / "autostart/fadebin.desktop";
    AutostartLoginItem item(entry, "/opt/fadebin/bin/fadebin");
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(exists(entry)) << "nothing to switch off";
    const std::string head = "[Desktop Entry]\nType=Application\nName=Fadebin\n"
                             "Exec=\"/opt/fadebin/bin/fadebin\"\n";
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_EQ(readFile(entry),
              head + "X-GNOME-Autostart-enabled=true\nHidden=false\nNoDisplay=false\n");
    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(readFile(entry),
              head + "X-GNOME-Autostart-enabled=false\nHidden=true\nNoDisplay=false\n");
    // Turned off by a desktop's own tool, then on again here: both keys say on.
    writeFile(entry, "[Desktop Entry]\nExec=x\nX-GNOME-Autostart-enabled=false\n");
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());

    const std::pair<const char*, const char*> rows[] = {
        {"/a\"b/$c`d/fadebin", R"("/a\\"b/\\$c\\`d/fadebin")"},
        {"/100%/fadebin", R"("/100%%/fadebin")"},
    };
    for (const auto& [program, quoted] : rows)
        EXPECT_EQ(AutostartLoginItem::quotedExecArgument(program), QByteArray(quoted)) << program;

    // What each desktop's tools leave in the entry, and whether it then starts at login.
    const std::pair<const char*, bool> entries[] = {
        {"Exec=x\n", true},
        {"Exec=x\nHidden=true\n", false},
        {"Exec=x\nHidden = true \n", false},
        {"Exec=x\nHidden=false\n", true},
        {"Exec=x\nX-GNOME-Autostart-enabled=false\n", false},
        {"Exec=x\nX-GNOME-Autostart-enabled=0\n", false},
        {"Exec=x\nX-GNOME-Autostart-enabled=true\n", true},
        {"X-GNOME-Autostart-enabled=true\nHidden=true\n", false},
        {"Hidden=false\nX-GNOME-Autostart-enabled=false\n", false},
        {"X-GNOME-Autostart-enabled=false\nX-GNOME-Autostart-enabled=true\n", true},
        {"Exec=x\n# X-GNOME-Autostart-enabled=false\n", true},
        {"Exec=x\nX-GNOME-Autostart-enabled[de]=false\n", true},
        {"Exec=x\n[Desktop Action quit]\nHidden=true\nX-GNOME-Autostart-enabled=false\n", true},
    };
    for (const auto& [body, enabled] : entries) {
        writeFile(entry, std::string("[Desktop Entry]\n") + body);
        EXPECT_EQ(item.isEnabled(), enabled) << body;
    }
}

TEST(InstanceLock, OneHolderPerFileAndAKilledHolderLeavesNoStaleLock) {
    TempHome home;
    const path file = InstanceLock::standardPath();
    // Another process holding the lock, as a running program would.
    const auto holdInChild = [&file] {
        return HeldInChild::start([&file] {
            static InstanceLock lock;
            return lock.acquire(file) == InstanceLock::Outcome::acquired;
        });
    };
    const auto first = holdInChild();
    ASSERT_TRUE(first);
    InstanceLock second;
    EXPECT_EQ(second.acquire(file), InstanceLock::Outcome::heldElsewhere);
    EXPECT_FALSE(second.held());

    first->kill();
    InstanceLock after;
    EXPECT_EQ(after.acquire(file), InstanceLock::Outcome::acquired);
    EXPECT_FALSE(holdInChild()) << "held by this process now";

    InstanceLock nowhere;
    EXPECT_EQ(nowhere.acquire("/proc/self/no/such/lock"), InstanceLock::Outcome::failed);
    EXPECT_NE(nowhere.error().code, 0);
}
