#pragma once

#include "periphery/WindowHost.h"

#include <QObject>

class QQmlEngine;
class QQuickWindow;

namespace fadebin {

class UpdateManager;

// The small window that shows the result of an update check the user asked for. It comes
// up by itself whenever the manager starts such a check.
class UpdateWindow : public QObject {
    Q_OBJECT

public:
    UpdateWindow(QQmlEngine& engine, UpdateManager& updates, QObject* parent = nullptr);

    void show();
    [[nodiscard]] QQuickWindow* window() const { return m_host.window(); }

private:
    UpdateManager& m_updates;
    WindowHost m_host;
};

} // namespace fadebin
