#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariant>

#include <array>
#include <optional>

namespace fadebin {

// Whether animations are wanted, as a desktop setting's value tells it: GNOME's
// enable-animations switch, or KDE's animation speed factor (0 for none). None for a value
// of another type or out of range, which says nothing either way.
[[nodiscard]] std::optional<bool> animationsFromSwitch(const QVariant& value);
[[nodiscard]] std::optional<bool> animationsFromFactor(const QVariant& value);

// Whether the person asked their desktop for less motion, from the settings portal on the
// session bus: read at start, then followed through the portal's change signal. Until the
// portal answers, and without one, animations stay on.
class MotionPreference : public QObject {
    Q_OBJECT

public:
    explicit MotionPreference(QDBusConnection bus = QDBusConnection::sessionBus(),
                              QObject* parent = nullptr);

    // Either desktop's setting asks for no animations.
    [[nodiscard]] bool reduced() const;

    static constexpr int callTimeoutMs = 5'000;

Q_SIGNALS:
    void reducedChanged();

private Q_SLOTS:
    void onSettingChanged(const QDBusMessage& change);

private:
    enum Source { gnome, kde };
    static constexpr std::size_t sourceCount = 2;

    // ReadOne, or Read on portals older than it.
    void read(Source source, bool older);
    void apply(Source source, std::optional<bool> animations);

    QDBusConnection m_bus;
    std::array<std::optional<bool>, sourceCount> m_animations;
    // A change heard before the first answer arrived is newer than that answer.
    std::array<bool, sourceCount> m_heard{};
    bool m_toldUnavailable = false;
};

} // namespace fadebin
