// Readable on any desktop: small text in the ordinary windows reads at WCAG AA (4.5:1) on what
// is actually drawn behind it, in light and dark, and the dark palette follows the desktop.
#include "periphery/DesktopStyle.h"
#include "periphery/OnboardingWindow.h"
#include "periphery/WindowDriver.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QQuickItem>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <cmath>

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

// WCAG 2's definitions, written out here so that the check does not lean on the code under test.
double luminance(QRgb c) {
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}
double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
QRgb composite(const QColor& text, QRgb back) {
    const double a = text.alphaF();
    const auto mix = [a](int f, int b) {
        return static_cast<int>(std::lround(f * a + b * (1 - a)));
    };
    return qRgb(mix(text.red(), qRed(back)), mix(text.green(), qGreen(back)),
                mix(text.blue(), qBlue(back)));
}

void collectSoftened(QQuickItem* item, QList<QQuickItem*>& labels) {
    if (!item->isVisible() || item->opacity() == 0)
        return;
    // Secondary and tertiary text: SecondaryLabel and what derives from it (Note, Caption).
    if (item->metaObject()->indexOfProperty("emphasis") >= 0 &&
        !item->property("text").toString().isEmpty())
        labels.append(item);
    for (QQuickItem* child : item->childItems())
        collectSoftened(child, labels);
}

// The lowest contrast of each shown softened text with the pixels drawn under it (the text
// itself hidden, the layout unchanged); returns how many texts were measured.
int expectReadable(QQuickWindow* window, const std::string& where) {
    settle(window);
    QList<QQuickItem*> labels;
    collectSoftened(window->contentItem(), labels);
    for (QQuickItem* label : labels)
        label->setOpacity(0);
    const QImage backdrop = window->grabWindow().convertToFormat(QImage::Format_RGB32);
    for (QQuickItem* label : labels)
        label->setOpacity(1);
    const double scale = backdrop.width() / static_cast<double>(window->width());
    for (QQuickItem* label : labels) {
        const QColor color = label->property("color").value<QColor>();
        const QRect area = QRectF(label->mapRectToScene(label->boundingRect())).toAlignedRect() &
                           window->contentItem()->boundingRect().toAlignedRect();
        double lowest = 21;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb back = backdrop.pixel(int(x * scale), int(y * scale));
                lowest = std::min(lowest, contrast(composite(color, back), back));
            }
        EXPECT_GE(lowest, 4.5) << where << ": \""
                               << label->property("text").toString().toStdString() << "\" in "
                               << color.name(QColor::HexArgb).toStdString();
    }
    return static_cast<int>(labels.size());
}

} // namespace

TEST(Readability, OnboardingsNotesAndTheSettingsCaptionsReadInLightAndDark) {
    {
        WindowWorld world;
        world.denyDownloads();
        world.model.start();
        OnboardingWindow onboarding(world.engine, world.model, world.settings, world.clock);
        QQuickWindow* window = shown(onboarding);
        int measured = 0;
        for (int step = 0; step < onboarding.flow().stepCount(); ++step) {
            ASSERT_TRUE(waitFor([&] { return findItem(window, "steps")->opacity() == 1.0; }));
            measured += expectReadable(window, "onboarding step " + std::to_string(step));
            if (step == 1)
                world.allowDownloads(), onboarding.flow().checkAgain();
            onboarding.flow().advance();
        }
        EXPECT_GE(measured, 7) << "every step's text, the access note and the sample's notes";
    }
    SettingsScene settings;
    const QPalette light = QGuiApplication::palette();
    const auto restore = qScopeGuard([&] { QGuiApplication::setPalette(light); });
    for (const auto& [scheme, palette] : {std::pair{"light", light}, {"dark", darkPalette()}}) {
        QGuiApplication::setPalette(palette);
        QQuickWindow* window = settings.show();
        int measured = 0;
        for (const char* tab : {"general", "notch", "files"}) {
            click(window, QStringLiteral("tab.%1").arg(tab));
            measured += expectReadable(window, std::string(scheme) + " settings, " + tab);
        }
        EXPECT_GE(measured, 5) << scheme;
    }
}

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
