#include "platform/LoginItem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class LoginItemTest : public ::testing::Test {
protected:
    [[nodiscard]] path entry() const { return home.configHome() / "autostart/fadebin.desktop"; }

    TempHome home;
};

} // namespace

TEST_F(LoginItemTest, EnablingWritesTheAutostartEntryAndDisablingRemovesIt) {
    AutostartLoginItem item(entry(), "/opt/fadebin/bin/fadebin");
    EXPECT_EQ(AutostartLoginItem::standardEntryPath(), entry());
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_EQ(readFile(entry()), "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=Fadebin\n"
                                 "Exec=\"/opt/fadebin/bin/fadebin\"\n"
                                 "X-GNOME-Autostart-enabled=true\n"
                                 "NoDisplay=false\n");
    EXPECT_EQ(listNames(entry().parent_path()).value(),
              std::vector<std::string>{"fadebin.desktop"});

    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(exists(entry()));
    EXPECT_TRUE(item.setEnabled(false).ok()) << "already absent is fine";
}

TEST_F(LoginItemTest, AHiddenEntryIsDisabledUntilEnabledAgain) {
    std::filesystem::create_directories(entry().parent_path());
    const std::pair<const char*, bool> rows[] = {
        {"[Desktop Entry]\nExec=x\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden = true\n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Entry]\nExec=x\n[Desktop Action x]\nHidden=true\n", true},
    };
    AutostartLoginItem item(entry(), "/usr/bin/fadebin");
    for (const auto& [contents, enabled] : rows) {
        writeFile(entry(), contents);
        EXPECT_EQ(item.isEnabled(), enabled) << contents;
    }
    writeFile(entry(), "[Desktop Entry]\nHidden=true\n");
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
}

TEST_F(LoginItemTest, ExecArgumentIsQuotedAndEscaped) {
    const std::pair<const char*, const char*> rows[] = {
        {"/usr/bin/fadebin", R"("/usr/bin/fadebin")"},
        {"/my apps/fadebin", R"("/my apps/fadebin")"},
        {"/a\"b/$c`d/fadebin", R"("/a\\"b/\\$c\\`d/fadebin")"},
        {"/a\\b/fadebin", R"("/a\\\\b/fadebin")"},
        {"/100%/fadebin", R"("/100%%/fadebin")"},
    };
    for (const auto& [program, quoted] : rows)
        EXPECT_EQ(AutostartLoginItem::quotedExecArgument(program), QByteArray(quoted)) << program;
}

TEST_F(LoginItemTest, ATestProgramRegistersTheInstalledBinaryNotItself) {
    const path program = AutostartLoginItem::installedProgram();
    EXPECT_TRUE(program.is_absolute());
    EXPECT_EQ(program.filename(), "fadebin");
}

TEST_F(LoginItemTest, AFileInPlaceOfTheAutostartFolderFailsWithTheSystemsError) {
    std::filesystem::create_directories(home.configHome());
    writeFile(home.configHome() / "autostart", "not a folder");
    AutostartLoginItem item;
    const Status status = item.setEnabled(true);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, ENOTDIR);
    EXPECT_NE(status.error().text().find("Not a directory"), std::string::npos);
    EXPECT_FALSE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false).ok());
}
