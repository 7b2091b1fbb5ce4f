#include "periphery/DesktopStyle.h"

#include "platform/SettingsPortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QQuickStyle>

#include <algorithm>
#include <cmath>

namespace fadebin {

namespace {

const QString& portalService = settingsPortal::service;
const QString& portalPath = settingsPortal::path;
const QString& settingsInterface = settingsPortal::interface;
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

} // namespace

ColorScheme colorSchemeFromPortal(const QVariant& value) {
    const QVariant inner = settingsPortal::unwrapped(value);
    if (inner.metaType() != QMetaType::fromType<uint>())
        return ColorScheme::noPreference;
    switch (inner.toUInt()) {
    case 1:
        return ColorScheme::dark;
    case 2:
        return ColorScheme::light;
    default:
        return ColorScheme::noPreference;
    }
}

QPalette darkPalette() {
    const QColor window(0x24, 0x24, 0x24);
    const QColor card(0x30, 0x30, 0x30);
    const QColor text(0xf2, 0xf2, 0xf2);
    const QColor disabledText(0x80, 0x80, 0x80);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, card);
    p.setColor(QPalette::AlternateBase, QColor(0x38, 0x38, 0x38));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4a));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::Dark, QColor(0x1c, 0x1c, 0x1c));
    p.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));
    p.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x78, 0xae, 0xed));
    p.setColor(QPalette::LinkVisited, QColor(0xc0, 0x61, 0xcb));
    p.setColor(QPalette::ToolTipBase, card);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Button, QColor(0x30, 0x30, 0x30));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    return p;
}

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

namespace {

double luminance(const QColor& color) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.red()) + 0.7152 * linear(color.green()) +
           0.0722 * linear(color.blue());
}

// What the scene graph draws: the text at this 8-bit opacity over the background.
QColor over(const QColor& text, int alpha, const QColor& background) {
    const auto mix = [alpha](int front, int back) {
        return (front * alpha + back * (255 - alpha) + 127) / 255;
    };
    return QColor(mix(text.red(), background.red()), mix(text.green(), background.green()),
                  mix(text.blue(), background.blue()));
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor softenedText(const QColor& text, const QList<QColor>& backgrounds, double emphasis) {
    const QColor opaque = text.toRgb();
    int alpha = std::clamp(static_cast<int>(std::ceil(emphasis * 255 - 1e-9)), 0, 255);
    // The softest that still reads everywhere; full strength is all a poor palette allows.
    for (; alpha < 255; ++alpha) {
        if (std::ranges::all_of(backgrounds, [&](const QColor& background) {
                return contrastRatio(over(opaque, alpha, background), background) >=
                       readableContrast;
            }))
            break;
    }
    QColor softened = opaque;
    softened.setAlpha(alpha);
    return softened;
}

DesktopStyle::DesktopStyle(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_platformIsDark(isDark(QGuiApplication::palette())) {
    if (!m_bus.isConnected())
        return;
    // The slot's argument type must be known before the bus can match the signal to it.
    qRegisterMetaType<QDBusVariant>();
    m_bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"),
                  this, SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                       QStringLiteral("Read"));
    read << appearance << colorSchemeKey;
    // Asked without waiting: a slow or missing portal must not hold up the start.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(read, 5'000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        if (!reply.isError())
            apply(colorSchemeFromPortal(QVariant::fromValue(reply.value())));
    });
}

void DesktopStyle::useDesktopControlsStyle() {
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
}

void DesktopStyle::onSettingChanged(const QString& group, const QString& key,
                                    const QDBusVariant& value) {
    if (group == appearance && key == colorSchemeKey)
        apply(colorSchemeFromPortal(QVariant::fromValue(value)));
}

void DesktopStyle::apply(ColorScheme scheme) {
    if (m_scheme == scheme)
        return;
    m_scheme = scheme;
    if (!m_platformIsDark) {
        // An empty palette resolves to the platform's again.
        QGuiApplication::setPalette(scheme == ColorScheme::dark ? darkPalette() : QPalette());
    }
    Q_EMIT schemeChanged();
}

} // namespace fadebin
