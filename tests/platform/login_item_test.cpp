#include "platform/LoginItem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

TEST(LoginItem, EnablingWritesBothDesktopsKeysWithItsExecQuotedAndDisablingTurnsThemOff) {
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
}

// What each desktop's tools leave in the entry, and whether it then starts at login.
TEST(LoginItem, AnEntrySwitchedOffByEitherDesktopsKeyIsOff) {
    TempHome home;
    const path entry = home.configHome() / "autostart/fadebin.desktop";
    AutostartLoginItem item(entry, "/usr/bin/fadebin");
    std::filesystem::create_directories(entry.parent_path());
    const std::pair<const char*, bool> rows[] = {
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
    for (const auto& [body, enabled] : rows) {
        writeFile(entry, std::string("[Desktop Entry]\n") + body);
        EXPECT_EQ(item.isEnabled(), enabled) << body;
    }
}
