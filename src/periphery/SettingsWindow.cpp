#include "periphery/SettingsWindow.h"

#include "periphery/FeedbackWindow.h"

namespace fadebin {

SettingsWindow::SettingsWindow(QQmlEngine& engine, AppModel& model, AppSettings& settings,
                               UpdateManager& updates, FeedbackWindow& feedback,
                               QString versionText, QObject* parent)
    : QObject(parent)
    , m_bindings(model, settings, updates, std::move(versionText))
    , m_host(engine, QStringLiteral("SettingsView")) {
    if (feedback.isEnabled())
        m_bindings.onSendFeedback = [&feedback] { feedback.show(); };
}

void SettingsWindow::show() {
    m_bindings.countOwnTrash();
    m_bindings.countRuleDecisions();
    m_host.present({{QStringLiteral("bindings"), QVariant::fromValue(&m_bindings)}});
}

} // namespace fadebin
