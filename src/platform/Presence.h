#pragma once

#include "platform/Clock.h"

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace fadebin {

// Whether the person is at the machine. Undecided files wait for them: the default choice
// must not take a file nobody has seen.
class Presence : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Since when the person has been away (the session locked or idle); none while they are
    // here, and always none when nothing can tell.
    [[nodiscard]] virtual std::optional<Instant> awaySince() const = 0;

Q_SIGNALS:
    void changed();
};

// Presence from logind's record of our session (LockedHint, IdleHint, IdleSinceHint) on the
// system bus; where logind has no session for us, from the screen saver on the session bus.
// Everything is asked without waiting: until an answer comes the person counts as here.
class SessionPresence final : public Presence {
    Q_OBJECT
public:
    enum class Source { asking, logind, screenSaver, none };

    explicit SessionPresence(Clock& clock, QDBusConnection systemBus = QDBusConnection::systemBus(),
                             QDBusConnection sessionBus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    [[nodiscard]] std::optional<Instant> awaySince() const override { return m_awaySince; }
    [[nodiscard]] Source source() const { return m_source; }

    static constexpr int callTimeoutMs = 5'000;

private Q_SLOTS:
    void onSessionChanged(const QString& interface, const QVariantMap& changed,
                          const QStringList& invalidated);
    void onScreenSaverActive(bool active);

private:
    void findSession(bool byProcess);
    void watchSession(const QString& sessionPath);
    void readSession();
    void applySession(const QVariantMap& properties);
    void askScreenSaver();
    void settle(Source source);
    void setAway(bool away, std::optional<Instant> since);
    // Calls back with the reply on this object's thread, never after it is gone.
    template <class Handle> void ask(QDBusConnection& bus, const QDBusMessage& call, Handle handle);

    Clock& m_clock;
    QDBusConnection m_system;
    QDBusConnection m_session;
    QString m_sessionPath;
    Source m_source = Source::asking;
    bool m_locked = false;
    bool m_idle = false;
    std::optional<Instant> m_idleSince;
    std::optional<Instant> m_awaySince;
};

} // namespace fadebin
