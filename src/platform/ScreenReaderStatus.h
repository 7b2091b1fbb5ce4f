#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

namespace fadebin {

// Whether a screen reader runs, as the accessibility bus's launcher on the session bus tells it
// (org.a11y.Status, ScreenReaderEnabled, which Orca sets while it runs): read at start, then
// followed. Without the launcher, none runs.
class ScreenReaderStatus : public QObject {
    Q_OBJECT

public:
    explicit ScreenReaderStatus(QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);

    [[nodiscard]] bool enabled() const { return m_enabled; }

    static constexpr int callTimeoutMs = 5'000;

Q_SIGNALS:
    void enabledChanged();

private Q_SLOTS:
    void onPropertiesChanged(const QDBusMessage& change);

private:
    void apply(bool enabled);

    QDBusConnection m_bus;
    bool m_enabled = false;
    bool m_heard = false; // a change heard before the first answer is newer than that answer
};

} // namespace fadebin
