#include "platform/MotionPreference.h"

#include "platform/Log.h"
#include "platform/SettingsPortal.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QMetaType>

#include <cmath>

namespace fadebin {

namespace {

using settingsPortal::unwrapped;
const QString& portalService = settingsPortal::service;
const QString& portalPath = settingsPortal::path;
const QString& settingsInterface = settingsPortal::interface;
const QString unknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString notFound = QStringLiteral("org.freedesktop.portal.Error.NotFound");

struct Setting {
    QString group;
    QString key;
    std::optional<bool> (*animations)(const QVariant&);
};
const Setting settings[] = {
    {QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
     animationsFromSwitch},
    {QStringLiteral("org.kde.kdeglobals.KDE"), QStringLiteral("AnimationDurationFactor"),
     animationsFromFactor},
};

} // namespace

std::optional<bool> animationsFromSwitch(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<bool>())
        return std::nullopt;
    return value.toBool();
}

std::optional<bool> animationsFromFactor(const QVariant& value) {
    bool ok = false;
    double factor = 0;
    const int type = value.metaType().id();
    // KDE's portal hands the configuration file's text through unchanged.
    if (type == QMetaType::QString)
        factor = value.toString().trimmed().toDouble(&ok);
    else if (type == QMetaType::Double || type == QMetaType::Int || type == QMetaType::UInt ||
             type == QMetaType::LongLong || type == QMetaType::ULongLong)
        factor = value.toDouble(&ok);
    if (!ok || !std::isfinite(factor) || factor < 0)
        return std::nullopt;
    return factor > 0;
}

MotionPreference::MotionPreference(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected()) {
        FADEBIN_LOG_DEBUG(LogCategory::Notch, "No session bus; animations stay on");
        return;
    }
    // Only the portal's owner is heard. QtDBus takes the slot as a signature string.
    if (!m_bus.connect(portalService, portalPath, settingsInterface,
                       QStringLiteral("SettingChanged"), this,
                       SLOT(onSettingChanged(QDBusMessage))))
        FADEBIN_LOG_DEBUG(LogCategory::Notch, "Cannot follow the desktop's motion preference: %s",
                          qPrintable(m_bus.lastError().message()));
    read(gnome, false);
    read(kde, false);
}

bool MotionPreference::reduced() const {
    return m_animations[gnome] == false || m_animations[kde] == false;
}

void MotionPreference::read(Source source, bool older) {
    const Setting& setting = settings[source];
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                       older ? QStringLiteral("Read") : QStringLiteral("ReadOne"));
    call << setting.group << setting.key;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, source, older] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ReplyMessage) {
            if (!m_heard[source] && reply.signature() == QLatin1String("v"))
                apply(source, settings[source].animations(unwrapped(reply.arguments().value(0))));
            return;
        }
        if (reply.errorName() == unknownMethod && !older)
            return read(source, true);
        // A desktop's portal knows only its own desktop's settings.
        if (reply.errorName() == notFound || m_toldUnavailable)
            return;
        m_toldUnavailable = true;
        FADEBIN_LOG_DEBUG(LogCategory::Notch,
                          "No desktop motion preference (%s); animations stay on",
                          qPrintable(reply.errorName()));
    });
}

void MotionPreference::onSettingChanged(const QDBusMessage& change) {
    if (change.signature() != QLatin1String("ssv"))
        return;
    const QVariantList arguments = change.arguments();
    for (Source source : {gnome, kde}) {
        if (arguments[0].toString() != settings[source].group ||
            arguments[1].toString() != settings[source].key)
            continue;
        m_heard[source] = true;
        apply(source, settings[source].animations(unwrapped(arguments[2])));
    }
}

void MotionPreference::apply(Source source, std::optional<bool> animations) {
    const bool before = reduced();
    m_animations[source] = animations;
    if (reduced() != before)
        Q_EMIT reducedChanged();
}

} // namespace fadebin
