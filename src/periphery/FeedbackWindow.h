#pragma once

#include "periphery/FeedbackForm.h"
#include "periphery/WindowHost.h"

#include <QObject>

class QQmlEngine;
class QQuickWindow;

namespace fadebin {

// The "Send Feedback" window around one FeedbackForm, kept between showings so that a draft
// survives closing; a form whose message was sent starts empty when shown again.
class FeedbackWindow : public QObject {
    Q_OBJECT

public:
    // Without an acceptable endpoint the window is never offered (isEnabled is false).
    FeedbackWindow(QQmlEngine& engine, Clock& clock, QNetworkAccessManager& network,
                   std::optional<QUrl> endpoint, Duration timeout = FeedbackForm::defaultTimeout,
                   QObject* parent = nullptr);

    [[nodiscard]] bool isEnabled() const { return m_form.isEnabled(); }
    void show();
    [[nodiscard]] QQuickWindow* window() const { return m_host.window(); }
    [[nodiscard]] FeedbackForm& form() { return m_form; }

private:
    FeedbackForm m_form;
    WindowHost m_host;
};

} // namespace fadebin
