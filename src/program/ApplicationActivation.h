#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

namespace fadebin {

// org.freedesktop.Application on the session bus, which the desktop expects
// of a D-Bus-activatable program: the menu launching Fadebin again, or a second start of
// the program, arrives here as Activate. An adaptor, so that it shares the program's one
// object path with the program's own interface.
class ApplicationActivation : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    static inline const QString interfaceName = QStringLiteral("org.freedesktop.Application");
    static inline const QString serviceName = QStringLiteral("com.ostrel.Fadebin");

    // The desktop entry's action that opens the notch for the keyboard.
    static inline const QString showAction = QStringLiteral("show");

    ApplicationActivation(QObject* object, std::function<void()> activate,
                          std::function<bool()> show = {})
        : QDBusAbstractAdaptor(object)
        , m_activate(std::move(activate))
        , m_show(std::move(show)) {}

    // Asks the running program to come forward; false when no running program answered.
    [[nodiscard]] static bool activateRunning();

public Q_SLOTS:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& name, const QVariantList& parameter,
                        const QVariantMap& platformData);

private:
    std::function<void()> m_activate;
    std::function<bool()> m_show;
};

} // namespace fadebin
