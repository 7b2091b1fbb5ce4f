#include "periphery/UpdateWindow.h"

#include "periphery/UpdateManager.h"

namespace fadebin {

UpdateWindow::UpdateWindow(QQmlEngine& engine, UpdateManager& updates, QObject* parent)
    : QObject(parent)
    , m_updates(updates)
    , m_host(engine, QStringLiteral("UpdateResultView")) {
    connect(&updates, &UpdateManager::userCheckStarted, this, &UpdateWindow::show);
}

void UpdateWindow::show() {
    m_host.present({{QStringLiteral("updates"), QVariant::fromValue(&m_updates)}});
}

} // namespace fadebin
