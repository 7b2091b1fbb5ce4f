#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

class QQmlEngine;
class QQuickWindow;

namespace fadebin {

// One window of the Fadebin.Periphery QML module, made the first time it is presented and
// kept afterwards: closing it only hides it, and presenting it again brings the same window
// to the front. Load failures are logged; the window then stays absent.
class WindowHost {
public:
    // component names a window of the module, e.g. "SettingsView".
    WindowHost(QQmlEngine& engine, QString component);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Creates the window with these initial (required) properties if there is none yet,
    // then shows it, raises it and asks for the keyboard focus.
    QQuickWindow* present(const QVariantMap& initialProperties);
    [[nodiscard]] QQuickWindow* window() const { return m_window.get(); }

private:
    QQmlEngine& m_engine;
    QString m_component;
    std::unique_ptr<QQuickWindow> m_window;
};

// Makes the module's types and files known to an engine; called by WindowHost.
void prepareQmlEngine(QQmlEngine& engine);

} // namespace fadebin
