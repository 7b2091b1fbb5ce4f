#pragma once

#include <QColor>
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

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

// The contrast the windows' small text keeps with what is behind it (WCAG AA for text below
// 18 pt), softened or not.
inline constexpr double readableContrast = 4.5;
// The WCAG 2 contrast ratio of two opaque colours, from 1 to 21.
[[nodiscard]] double contrastRatio(const QColor& a, const QColor& b);
// The text colour softened for secondary and tertiary text: the text colour at `emphasis`
// opacity, raised as little as needed to keep readableContrast over every one of the
// backgrounds it may sit on (the window and the cards on it).
[[nodiscard]] QColor softenedText(const QColor& text, const QList<QColor>& backgrounds,
                                  double emphasis);

// softenedText for the windows' QML, which binds its labels' colour to it.
class TextTones : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    Q_INVOKABLE QColor softened(const QColor& text, const QColor& window, const QColor& base,
                                qreal emphasis) const {
        return softenedText(text, {window, base}, emphasis);
    }
};

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
