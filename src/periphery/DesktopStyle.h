#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPalette>
#include <QVariant>

class QDBusVariant;

namespace fadebin {

// The desktop's light or dark preference (org.freedesktop.appearance color-scheme).
enum class ColorScheme { noPreference, dark, light };

// The portal's value: 1 prefers dark, 2 prefers light, anything else no preference. The
// portal wraps it in one or two variants depending on its version.
[[nodiscard]] ColorScheme colorSchemeFromPortal(const QVariant& value);
// A dark palette for Qt Quick Controls' Fusion style, in the desktop's usual dark greys.
[[nodiscard]] QPalette darkPalette();
[[nodiscard]] bool isDark(const QPalette& palette);

// Makes the ordinary windows look like the rest of the desktop: Qt Quick Controls' Fusion
// style over the application palette, and a dark palette while the desktop prefers dark and
// the platform's own palette is light (as it is without a platform theme plugin). Follows
// changes of the preference while the program runs. Without a portal nothing changes.
class DesktopStyle : public QObject {
    Q_OBJECT

public:
    explicit DesktopStyle(QDBusConnection bus = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);

    // Fusion, unless the user chose a style (QT_QUICK_CONTROLS_STYLE). Before the first
    // window that uses Qt Quick Controls.
    static void useDesktopControlsStyle();

    [[nodiscard]] ColorScheme scheme() const { return m_scheme; }

Q_SIGNALS:
    void schemeChanged();

private Q_SLOTS:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void apply(ColorScheme scheme);

    QDBusConnection m_bus;
    ColorScheme m_scheme = ColorScheme::noPreference;
    bool m_platformIsDark = false;
};

} // namespace fadebin
