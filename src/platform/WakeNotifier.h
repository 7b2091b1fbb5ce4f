#pragma once

#include <QDBusConnection>
#include <QObject>

namespace fadebin {

// Tells when the machine has woken from suspend. Timers measure monotonic time and stand
// still while the machine sleeps, so whatever fell due meanwhile must be looked at again.
// Listens for logind's PrepareForSleep(false) on the given bus (the system bus normally).
class WakeNotifier : public QObject {
    Q_OBJECT

public:
    explicit WakeNotifier(QDBusConnection bus = QDBusConnection::systemBus(),
                          QObject* parent = nullptr);

    // Whether the signal is being listened for (there is a bus and the match was added).
    [[nodiscard]] bool isListening() const { return m_listening; }

Q_SIGNALS:
    // Emitted on the thread that owns this object, once per resume.
    void woke();

private Q_SLOTS:
    void onPrepareForSleep(bool start);

private:
    QDBusConnection m_bus;
    bool m_listening = false;
};

} // namespace fadebin
