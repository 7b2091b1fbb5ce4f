#include "platform/LoginItem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

TEST(LoginItem, EnablingWritesTheEntryAHiddenOneIsOffAndDisablingRemovesIt) {
    TempHome home;
    const path entry = home.configHome() / "autostart/fadebin.desktop";
    EXPECT_EQ(AutostartLoginItem::standardEntryPath(), entry);
    AutostartLoginItem item(entry, "/opt/fadebin/bin/fadebin");
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_EQ(readFile(entry), "[Desktop Entry]\nType=Application\nName=Fadebin\n"
                               "Exec=\"/opt/fadebin/bin/fadebin\"\n"
                               "X-GNOME-Autostart-enabled=true\nNoDisplay=false\n");

    const std::pair<const char*, bool> rows[] = {
        {"[Desktop Entry]\nExec=x\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden = true\n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Entry]\nExec=x\n[Desktop Action x]\nHidden=true\n", true},
    };
    for (const auto& [contents, enabled] : rows) {
        writeFile(entry, contents);
        EXPECT_EQ(item.isEnabled(), enabled) << contents;
    }
    ASSERT_TRUE(item.setEnabled(true).ok()); // over the hidden one left last
    EXPECT_TRUE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(exists(entry));
    EXPECT_TRUE(item.setEnabled(false).ok()) << "already absent is fine";
}

TEST(LoginItem, ExecArgumentIsQuotedAndEscapedAndNamesTheInstalledBinary) {
    const std::pair<const char*, const char*> rows[] = {
        {"/my apps/fadebin", R"("/my apps/fadebin")"},
        {"/a\"b/$c`d/fadebin", R"("/a\\"b/\\$c\\`d/fadebin")"},
        {"/a\\b/fadebin", R"("/a\\\\b/fadebin")"},
        {"/100%/fadebin", R"("/100%%/fadebin")"},
    };
    for (const auto& [program, quoted] : rows)
        EXPECT_EQ(AutostartLoginItem::quotedExecArgument(program), QByteArray(quoted)) << program;
    // A test program registers the installed binary, not itself.
    EXPECT_TRUE(AutostartLoginItem::installedProgram().is_absolute());
    EXPECT_EQ(AutostartLoginItem::installedProgram().filename(), "fadebin");
}
