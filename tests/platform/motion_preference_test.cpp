// The desktop's wish for less motion from a settings portal of the test's own on a private
// session bus: read at start, followed live, and read from portals older than ReadOne.
#include "platform/MotionPreference.h"
#include "support/PrivateBus.h"
#include "support/SettingsPortal.h"
#include "support/TestSupport.h"

#include <QDBusMessage>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

using namespace fadebin;
using namespace fadebin::test;

namespace {

const QString gnome = QStringLiteral("org.gnome.desktop.interface");
const QString kde = QStringLiteral("org.kde.kdeglobals.KDE");
const QString enable = QStringLiteral("enable-animations");
const QString factor = QStringLiteral("AnimationDurationFactor");

TEST(MotionPreference, ReadsEitherDesktopsSettingAndTrustsNoOtherType) {
    const std::optional<bool> none;
    const std::tuple<QVariant, std::optional<bool>, std::optional<bool>> table[] = {
        // value, as GNOME's switch, as KDE's factor
        {true, true, none},
        {false, false, none},
        {QStringLiteral("false"), none, none},
        {0.0, none, false},
        {0, none, false},
        {0.25, none, true},
        {QStringLiteral(" 0 "), none, false},
        {QStringLiteral("1.5"), none, true},
        {-1.0, none, none},
        {std::nan(""), none, none},
        {QStringLiteral("slow"), none, none},
        {QVariant(), none, none},
    };
    for (const auto& [value, asSwitch, asFactor] : table) {
        EXPECT_EQ(animationsFromSwitch(value), asSwitch) << value.toString().toStdString();
        EXPECT_EQ(animationsFromFactor(value), asFactor) << value.toString().toStdString();
    }
}

// A portal with ReadOne and an older one with Read alone.
TEST(MotionPreference, FollowsThePortalFromItsFirstAnswerOn) {
    for (const bool older : {false, true}) {
        PrivateBus bus;
        if (bus.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
        SettingsPortal portal(bus.connect("portal"), older);
        ASSERT_TRUE(portal.serving);
        portal.values[gnome + '/' + enable] = false;
        MotionPreference motion(bus.connect("motion"));
        QSignalSpy changed(&motion, &MotionPreference::reducedChanged);
        EXPECT_FALSE(motion.reduced()) << "reduced before the portal answered";
        ASSERT_TRUE(waitFor([&] { return motion.reduced(); })) << older;
        portal.change(gnome, enable, true);
        ASSERT_TRUE(waitFor([&] { return !motion.reduced(); }));
        portal.change(kde, factor, QStringLiteral("0"));
        ASSERT_TRUE(waitFor([&] { return motion.reduced(); }));
        EXPECT_EQ(changed.count(), 3);
    }
}

TEST(MotionPreference, WithoutAPortalAnimationsStayOnAndOneDebugLineSaysWhy) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    LogCapture log;
    QDBusConnection connection = bus.connect("motion");
    MotionPreference motion(connection);
    ASSERT_TRUE(waitFor([&] { return !log.lines().empty(); }));
    // Answers come in order: once this one is back, both of the preference's are too.
    connection.call(QDBusMessage::createMethodCall(SettingsPortal::service, SettingsPortal::path,
                                                   SettingsPortal::interface, "ReadOne"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(motion.reduced());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].level, LogLevel::Debug);
}

} // namespace
