#include "platform/LoginItem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

TEST(LoginItem, EnablingWritesTheEntryWithItsExecQuotedAHiddenOneIsOffAndDisablingRemovesIt) {
    TempHome home;
    const path entry = home.configHome() / "autostart/fadebin.desktop";
    AutostartLoginItem item(entry, "/opt/fadebin/bin/fadebin");
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_EQ(readFile(entry), "[Desktop Entry]\nType=Application\nName=Fadebin\n"
                               "Exec=\"/opt/fadebin/bin/fadebin\"\n"
                               "X-GNOME-Autostart-enabled=true\nNoDisplay=false\n");

    writeFile(entry, "[Desktop Entry]\nExec=x\nHidden=true\n");
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(exists(entry));
    const std::pair<const char*, const char*> rows[] = {
        {"/a\"b/$c`d/fadebin", R"("/a\\"b/\\$c\\`d/fadebin")"},
        {"/100%/fadebin", R"("/100%%/fadebin")"},
    };
    for (const auto& [program, quoted] : rows)
        EXPECT_EQ(AutostartLoginItem::quotedExecArgument(program), QByteArray(quoted)) << program;
}
