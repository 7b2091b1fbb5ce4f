#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace fadebin::test {

// A desktop's notification server on a test's bus: records notices, announces chosen actions.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString summary;
        QString body;
        QStringList actions; // key, label, key, label, …
    };

    explicit NotificationServer(QDBusConnection bus,
                                QStringList capabilities = {QStringLiteral("actions"),
                                                            QStringLiteral("body")});
    // Whether it holds the server's name on the bus.
    [[nodiscard]] bool serving() const { return m_serving; }
    // The user chose `action` on the notice shown `index`-th (from 0).
    void invoke(std::size_t index, const QString& action);

    std::vector<Shown> shown;

public Q_SLOTS:
    QStringList GetCapabilities() { return m_capabilities; }
    uint Notify(const QString& application, uint replaces, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout);

private:
    QDBusConnection m_bus;
    QStringList m_capabilities;
    bool m_serving = false;
};

} // namespace fadebin::test
