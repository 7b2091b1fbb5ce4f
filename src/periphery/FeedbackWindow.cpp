#include "periphery/FeedbackWindow.h"

#include "platform/Version.h"

#include <QQuickWindow>
#include <QSysInfo>

namespace fadebin {

FeedbackWindow::FeedbackWindow(QQmlEngine& engine, Clock& clock, QNetworkAccessManager& network,
                               std::optional<QUrl> endpoint, Duration timeout, QObject* parent)
    : QObject(parent)
    , m_form(clock, network, std::move(endpoint), appVersionString(), QSysInfo::prettyProductName(),
             timeout)
    , m_host(engine, QStringLiteral("FeedbackView")) {
    connect(&m_form, &FeedbackForm::closeRequested, this, [this] {
        if (QQuickWindow* w = m_host.window())
            w->close();
    });
}

void FeedbackWindow::show() {
    if (!isEnabled())
        return;
    m_form.resetIfSent();
    m_host.present({{QStringLiteral("form"), QVariant::fromValue(&m_form)}});
}

} // namespace fadebin
