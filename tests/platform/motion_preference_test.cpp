// The desktop's wish for less motion from a settings portal of the test's own on a private
// session bus. The notch's content tests follow a current portal live.
#include "platform/MotionPreference.h"
#include "support/PrivateBus.h"
#include "support/SettingsPortal.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusMessage>

#include <gtest/gtest.h>

#include <cmath>

using namespace fadebin;
using namespace fadebin::test;

namespace {

TEST(MotionPreference, ReadsEitherDesktopsSettingAndTrustsNoOtherType) {
    const std::optional<bool> no;
    const std::tuple<QVariant, std::optional<bool>, std::optional<bool>> table[] = {
        // value, as GNOME's switch, as KDE's factor
        {false, false, no}, {true, true, no},       {QStringLiteral("false"), no, no},
        {0, no, false},     {0.25, no, true},       {QStringLiteral(" 0 "), no, false},
        {-1.0, no, no},     {std::nan(""), no, no}, {QStringLiteral("slow"), no, no},
    };
    for (const auto& [value, asSwitch, asFactor] : table) {
        EXPECT_EQ(animationsFromSwitch(value), asSwitch) << value.toString().toStdString();
        EXPECT_EQ(animationsFromFactor(value), asFactor) << value.toString().toStdString();
    }
}

// Without a portal animations stay on, said once at debug level; an older portal answers Read.
TEST(MotionPreference, WithoutAPortalSaysSoOnceAndReadsOlderPortals) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    LogCapture log;
    QDBusConnection connection = bus.connect("motion");
    MotionPreference alone(connection);
    ASSERT_TRUE(waitFor([&] { return !log.lines().empty(); }));
    // Answers come in order: once this one is back, both of the preference's are too.
    connection.call(QDBusMessage::createMethodCall(SettingsPortal::service, SettingsPortal::path,
                                                   SettingsPortal::interface, "ReadOne"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(alone.reduced());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].level, LogLevel::Debug);

    SettingsPortal older(bus.connect("portal"), true);
    older.values["org.kde.kdeglobals.KDE/AnimationDurationFactor"] = 0.0;
    MotionPreference motion(connection);
    EXPECT_TRUE(waitFor([&] { return motion.reduced(); }));
}

} // namespace
