// Whether a screen reader runs, from at-spi2-core's own bus launcher on a private session bus,
// switched as Orca switches it.
#include "platform/ScreenReaderStatus.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace fadebin;
using namespace fadebin::test;

namespace {

const char* const busLauncher = "/usr/libexec/at-spi-bus-launcher";

// Read at start and followed both ways, also by a watcher that asked before the bus started it.
TEST(ScreenReaderStatus, IsReadAtStartAndFollowsTheLaunchersSwitch) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    if (!std::filesystem::exists(busLauncher))
        GTEST_SKIP() << "at-spi2-core is not installed";
    QDBusConnection connection = bus.connect("reader");
    ScreenReaderStatus before(connection);
    EXPECT_FALSE(before.enabled());
    ASSERT_TRUE(setScreenReaderEnabled(connection, true));
    ScreenReaderStatus atStart(connection);
    EXPECT_TRUE(waitFor([&] { return atStart.enabled() && before.enabled(); }));
    ASSERT_TRUE(setScreenReaderEnabled(connection, false));
    EXPECT_TRUE(waitFor([&] { return !atStart.enabled() && !before.enabled(); }));
}

} // namespace
