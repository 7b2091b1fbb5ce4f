// The disk that holds Downloads running low: told once, with a button that frees what it names.
#include "app/LowSpaceWatch.h"
#include "periphery/NotificationServer.h"
#include "platform/DesktopNotifications.h"
#include "support/ModelWorld.h"
#include "support/PrivateBus.h"

#include <sys/mount.h>

using namespace fadebin;
using namespace fadebin::test;

TEST(LowSpace, OneNoticeUntilSpaceRecoversAndItsButtonFreesWhatItNamed) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    ModelWorld world;
    const auto disk = ScopedMount::tmpfs(world.home.downloads(), "size=20m");
    if (!disk)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const auto resize = [&](const char* size) {
        ASSERT_EQ(::mount(nullptr, world.home.downloads().c_str(), nullptr, MS_REMOUNT,
                          (std::string("size=") + size).c_str()),
                  0);
        world.clock.advance(LowSpaceWatch::interval);
        world.model.lowSpace()->check();
    };
    NotificationServer server(bus.connect(QStringLiteral("test-server")));
    ASSERT_TRUE(server.serving());
    DesktopNotifications notifications(bus.connect(QStringLiteral("test-program")));
    world.model.lowSpace()->tellThrough(notifications);
    world.model.start();
    const auto trash = [&](const std::string& name) {
        TrackedFile* record = world.download(name, std::string(1'000'000, 'x'));
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(world.model.deleteNow(record), std::nullopt);
    };
    trash("big.iso");
    resize("21m"); // still small: low, with 1 MB of ours in the Trash
    ASSERT_TRUE(waitFor([&] { return server.shown.size() == 1; }));
    EXPECT_EQ(server.shown[0].summary, "Your disk is almost full.");
    EXPECT_EQ(server.shown[0].body, "Fadebin can free 1.0 MB it moved to the Trash.");
    EXPECT_EQ(server.shown[0].actions, (QStringList{"free", "Free 1.0 MB"}));
    EXPECT_EQ(world.model.lowSpace()->freeable(), 1'000'000);
    trash("second.iso");
    resize("22m");
    EXPECT_EQ(world.model.lowSpace()->freeable(), 2'000'000) << "the line follows";

    server.invoke(0, QStringLiteral("free"));
    ASSERT_TRUE(waitFor([&] { return !world.model.lowSpace()->freeable(); }));
    EXPECT_EQ(world.model.ownTrashedTotal().count, 0);
    EXPECT_TRUE(std::filesystem::is_empty(world.home.downloads() /
                                          (".Trash-" + std::to_string(::getuid())) / "files"));
    trash("third.iso");
    resize("23m");
    QCoreApplication::processEvents();
    EXPECT_EQ(server.shown.size(), 1u) << "told once until space has recovered";

    resize("100g");
    EXPECT_FALSE(world.model.lowSpace()->freeable());
    resize("24m");
    ASSERT_TRUE(waitFor([&] { return server.shown.size() == 2; }));
    EXPECT_EQ(server.shown[1].body, "Fadebin can free 1.0 MB it moved to the Trash.");
}
