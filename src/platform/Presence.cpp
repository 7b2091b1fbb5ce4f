#include "platform/Presence.h"

#include "platform/Log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QMetaType>

#include <algorithm>

#include <unistd.h>

namespace fadebin {

namespace {

const QString loginService = QStringLiteral("org.freedesktop.login1");
const QString loginPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString sessionPathPrefix = QStringLiteral("/org/freedesktop/login1/session/");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString changedSignal = QStringLiteral("PropertiesChanged");
const QString activeSignal = QStringLiteral("ActiveChanged");

bool answered(const QDBusMessage& reply, const char* signature) {
    return reply.type() == QDBusMessage::ReplyMessage && reply.signature() == signature;
}

template <class T> std::optional<T> typed(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<T>())
        return std::nullopt;
    return value.value<T>();
}

} // namespace

SessionPresence::SessionPresence(Clock& clock, QDBusConnection systemBus,
                                 QDBusConnection sessionBus, QObject* parent)
    : Presence(parent)
    , m_clock(clock)
    , m_system(std::move(systemBus))
    , m_session(std::move(sessionBus)) {
    if (m_system.isConnected())
        findSession(false);
    else
        askScreenSaver();
}

template <class Handle>
void SessionPresence::ask(QDBusConnection& bus, const QDBusMessage& call, Handle handle) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, handle] {
        watcher->deleteLater();
        handle(watcher->reply());
    });
}

void SessionPresence::findSession(bool byProcess) {
    const QByteArray id = qgetenv("XDG_SESSION_ID");
    const bool byId = !byProcess && !id.isEmpty();
    QDBusMessage call = QDBusMessage::createMethodCall(loginService, loginPath, managerInterface,
                                                       byId ? QStringLiteral("GetSession")
                                                            : QStringLiteral("GetSessionByPID"));
    if (byId)
        call << QString::fromUtf8(id);
    else
        call << static_cast<quint32>(::getpid());
    ask(m_system, call, [this, byId](const QDBusMessage& reply) {
        if (answered(reply, "o")) {
            const QString found = qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
            if (found.startsWith(sessionPathPrefix))
                return watchSession(found);
        }
        // A session id inherited from elsewhere (a terminal of another login) may be stale.
        if (byId)
            return findSession(true);
        askScreenSaver();
    });
}

void SessionPresence::watchSession(const QString& sessionPath) {
    m_sessionPath = sessionPath;
    // Only the owner of logind's name is listened to: no other client of the bus can make
    // the person seem away. QtDBus takes the slot as a signature string.
    if (!m_system.connect(loginService, sessionPath, propertiesInterface, changedSignal, this,
                          SLOT(onSessionChanged(QString, QVariantMap, QStringList))))
        return askScreenSaver();
    readSession();
}

void SessionPresence::readSession() {
    const QDBusMessage call =
        QDBusMessage::createMethodCall(loginService, m_sessionPath, propertiesInterface,
                                       QStringLiteral("GetAll"))
        << sessionInterface;
    ask(m_system, call, [this](const QDBusMessage& reply) {
        if (answered(reply, "a{sv}")) {
            settle(Source::logind);
            applySession(qdbus_cast<QVariantMap>(reply.arguments().value(0)));
        } else if (m_source == Source::asking) {
            m_system.disconnect(loginService, m_sessionPath, propertiesInterface, changedSignal,
                                this, SLOT(onSessionChanged(QString, QVariantMap, QStringList)));
            askScreenSaver();
        }
    });
}

void SessionPresence::onSessionChanged(const QString& interface, const QVariantMap& changed,
                                       const QStringList& invalidated) {
    if (m_source != Source::logind || interface != sessionInterface)
        return;
    applySession(changed);
    for (const char* name : {"LockedHint", "IdleHint", "IdleSinceHint"}) {
        if (invalidated.contains(QLatin1String(name)))
            return readSession();
    }
}

void SessionPresence::applySession(const QVariantMap& properties) {
    m_locked = typed<bool>(properties.value(QStringLiteral("LockedHint"))).value_or(m_locked);
    m_idle = typed<bool>(properties.value(QStringLiteral("IdleHint"))).value_or(m_idle);
    if (const auto since = typed<qulonglong>(properties.value(QStringLiteral("IdleSinceHint")))) {
        // Microseconds of the wall clock; zero or a time to come is no usable answer.
        const Instant at{std::chrono::duration_cast<Duration>(std::chrono::microseconds(*since))};
        m_idleSince = *since != 0 && at <= m_clock.now() ? std::optional(at) : std::nullopt;
    }
    setAway(m_locked || m_idle, m_idle ? m_idleSince : std::nullopt);
}

void SessionPresence::askScreenSaver() {
    if (!m_session.isConnected())
        return settle(Source::none);
    m_session.connect(screenSaverService, screenSaverPath, screenSaverService, activeSignal, this,
                      SLOT(onScreenSaverActive(bool)));
    const QDBusMessage call = QDBusMessage::createMethodCall(
        screenSaverService, screenSaverPath, screenSaverService, QStringLiteral("GetActive"));
    ask(m_session, call, [this](const QDBusMessage& reply) {
        if (answered(reply, "b")) {
            settle(Source::screenSaver);
            return onScreenSaverActive(reply.arguments().value(0).toBool());
        }
        m_session.disconnect(screenSaverService, screenSaverPath, screenSaverService, activeSignal,
                             this, SLOT(onScreenSaverActive(bool)));
        settle(Source::none);
    });
}

void SessionPresence::onScreenSaverActive(bool active) {
    if (m_source == Source::screenSaver)
        setAway(active, std::nullopt);
}

void SessionPresence::settle(Source source) {
    if (m_source != Source::asking)
        return;
    m_source = source;
    if (source == Source::logind)
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Presence from logind");
    else if (source == Source::screenSaver)
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Presence from the screen saver");
    else
        FADEBIN_LOG_INFO(LogCategory::Expiry,
                         "Presence unknown: the grace period follows the clock");
}

void SessionPresence::setAway(bool away, std::optional<Instant> since) {
    std::optional<Instant> next;
    if (away) {
        // Idle is noticed only a while after the person left; the hint says when they did.
        const Instant start = std::min(since.value_or(m_clock.now()), m_clock.now());
        next = m_awaySince ? std::min(*m_awaySince, start) : start;
    }
    if (std::exchange(m_awaySince, next) != next)
        Q_EMIT changed();
}

} // namespace fadebin
