// The dark palette follows the desktop's preference, read from its settings portal.
#include "periphery/DesktopStyle.h"
#include "periphery/WindowDriver.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScopeGuard>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// The desktop portal's settings interface as a desktop that prefers dark would answer it:
// an older portal, which wraps the value in a second variant.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    uint scheme = 1;

public Q_SLOTS:
    QDBusVariant Read(const QString& group, const QString& key) {
        const bool known = group == "org.freedesktop.appearance" && key == "color-scheme";
        return QDBusVariant(QVariant::fromValue(QDBusVariant(known ? scheme : 0u)));
    }
};

} // namespace

TEST(DesktopStyle, ReadsThePortalValueHoweverItIsWrapped) {
    const std::pair<QVariant, ColorScheme> cases[] = {
        {QVariant(1u), ColorScheme::dark},
        {QVariant(2u), ColorScheme::light},
        {QVariant(0u), ColorScheme::noPreference},
        {QVariant(7u), ColorScheme::noPreference},
        {QVariant::fromValue(QDBusVariant(1u)), ColorScheme::dark},
        {QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(2u)))),
         ColorScheme::light},
        {QVariant(QStringLiteral("dark")), ColorScheme::noPreference},
        {QVariant(), ColorScheme::noPreference},
    };
    for (const auto& [value, scheme] : cases)
        EXPECT_EQ(colorSchemeFromPortal(value), scheme) << value.typeName();
    EXPECT_TRUE(isDark(darkPalette()));
}

TEST(DesktopStyle, FollowsTheDesktopsDarkPreference) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed or did not print its address";
    const auto restore = qScopeGuard([] { QGuiApplication::setPalette(QPalette()); });
    QDBusConnection portalBus = bus.connect("test-portal");
    QDBusConnection programBus = bus.connect("test-program");
    FakePortal portal;
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(portalBus.registerObject("/org/freedesktop/portal/desktop", &portal,
                                         QDBusConnection::ExportAllSlots));
    ASSERT_FALSE(isDark(QGuiApplication::palette()));

    DesktopStyle style(programBus);
    ASSERT_TRUE(waitFor([&] { return style.scheme() == ColorScheme::dark; }));
    EXPECT_TRUE(isDark(QGuiApplication::palette()));

    QDBusMessage changed = QDBusMessage::createSignal(
        "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings", "SettingChanged");
    changed << "org.freedesktop.appearance"
            << "color-scheme" << QVariant::fromValue(QDBusVariant(2u));
    ASSERT_TRUE(portalBus.send(changed));
    ASSERT_TRUE(waitFor([&] { return style.scheme() == ColorScheme::light; }));
    EXPECT_FALSE(isDark(QGuiApplication::palette()));
}

#include "readability_test.moc"
