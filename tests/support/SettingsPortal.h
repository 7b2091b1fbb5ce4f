#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMap>

namespace fadebin::test {

// A desktop's settings portal on a test's bus: answers ReadOne from its values by
// "namespace/key" (only Read, wrapped once more, as an older portal) and announces changes.
class SettingsPortal : public QDBusVirtualObject {
public:
    explicit SettingsPortal(QDBusConnection bus, bool older = false)
        : m_bus(std::move(bus))
        , m_older(older) {
        serving = m_bus.registerVirtualObject(path, this) && m_bus.registerService(service);
    }
    void change(const QString& group, const QString& key, const QVariant& value) {
        QDBusMessage changed = QDBusMessage::createSignal(path, interface, "SettingChanged");
        m_bus.send(changed << group << key << QVariant::fromValue(QDBusVariant(value)));
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        const bool readOne = call.member() == "ReadOne" && !m_older;
        const auto found = values.constFind(call.arguments().value(0).toString() + '/' +
                                            call.arguments().value(1).toString());
        if (!readOne && call.member() != "Read")
            return bus.send(call.createErrorReply(QDBusError::UnknownMethod, call.member()));
        if (found == values.cend())
            return bus.send(call.createErrorReply("org.freedesktop.portal.Error.NotFound", {}));
        const QVariant value = QVariant::fromValue(QDBusVariant(*found));
        return bus.send(
            call.createReply(readOne ? value : QVariant::fromValue(QDBusVariant(value))));
    }

    QMap<QString, QVariant> values;
    bool serving = false;
    static constexpr const char* service = "org.freedesktop.portal.Desktop";
    static constexpr const char* path = "/org/freedesktop/portal/desktop";
    static constexpr const char* interface = "org.freedesktop.portal.Settings";

private:
    QDBusConnection m_bus;
    bool m_older;
};

} // namespace fadebin::test
