#include "periphery/FeedbackForm.h"

#include "periphery/Endpoints.h"
#include "periphery/PeripheryTexts.h"
#include "platform/Log.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace fadebin {

namespace {

// One value in Qt's JSON escaping. Written by hand around it because QJsonObject would sort
// the keys, and the receiving end reads them in a fixed order.
QByteArray jsonString(const QString& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

QByteArray feedbackBody(const QString& message, const QString& email, const QString& version,
                        const QString& os) {
    const std::pair<const char*, QString> fields[] = {
        {"app", QStringLiteral("Fadebin")},
        {"message", message},
        {"email", email.trimmed()},
        {"version", version},
        {"os", os},
    };
    QByteArray body = "{";
    for (const auto& [key, value] : fields) {
        if (body.size() > 1)
            body += ',';
        body += jsonString(QString::fromLatin1(key)) + ':' + jsonString(value);
    }
    return body + '}';
}

FeedbackForm::FeedbackForm(Clock& clock, QNetworkAccessManager& network,
                           std::optional<QUrl> endpoint, QString version, QString os,
                           Duration timeout, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_network(network)
    , m_endpoint(endpoint ? networkEndpoint(*endpoint) : std::nullopt)
    , m_version(std::move(version))
    , m_os(std::move(os))
    , m_timeout(timeout) {}

QString FeedbackForm::sendTitle() const {
    return sendButtonTitle(m_state == SendState::sending);
}

bool FeedbackForm::canSend() const {
    return m_state != SendState::sending && !m_message.trimmed().isEmpty();
}

void FeedbackForm::setMessage(const QString& message) {
    if (m_message == message)
        return;
    m_message = message;
    Q_EMIT messageChanged();
    updateCanSend();
}

void FeedbackForm::setEmail(const QString& email) {
    if (m_email == email)
        return;
    m_email = email;
    Q_EMIT emailChanged();
}

void FeedbackForm::send() {
    if (!canSend())
        return;
    setState(SendState::sending);
    if (!m_endpoint) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Feedback not sent: %s", "no feedback endpoint");
        setState(SendState::failed, feedbackNoConnectionText());
        return;
    }
    QNetworkRequest request(*m_endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));
    // The answer is judged by its own status: a redirect is not taken for a success.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply =
        m_network.post(request, feedbackBody(m_message, m_email, m_version, m_os));
    m_reply.reset(reply);
    // Judged as soon as the status line is in: the body is never read, so a server cannot
    // make the program hold an answer of any size.
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            finish(reply);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
}

void FeedbackForm::finish(QNetworkReply* reply) {
    if (m_reply.get() != reply)
        return;
    // Ended: the rest is dropped, and the reply deleted once its signal has returned.
    (void)m_reply.release();
    reply->disconnect(this);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString failure = status.isValid() ? QString() : networkFailure(*reply, m_timeout);
    reply->abort();
    reply->deleteLater();
    if (!status.isValid()) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Feedback not sent: %s", failure.toUtf8().constData());
        setState(SendState::failed, feedbackNoConnectionText());
        return;
    }
    const int code = status.toInt();
    if (code < 200 || code > 299) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Feedback not sent: %s",
                          QStringLiteral("HTTP status %1").arg(code).toUtf8().constData());
        setState(SendState::failed, feedbackRejectedText());
        return;
    }
    FADEBIN_LOG_INFO(LogCategory::App, "Feedback sent");
    setState(SendState::sent);
    m_closeWork = m_clock.singleShot(closeDelay, [this] { Q_EMIT closeRequested(); });
}

void FeedbackForm::cancel() {
    Q_EMIT closeRequested();
}

void FeedbackForm::resetIfSent() {
    if (m_state != SendState::sent)
        return;
    m_closeWork.reset();
    setMessage(QString());
    setEmail(QString());
    setState(SendState::editing);
}

void FeedbackForm::setState(SendState state, QString errorText) {
    if (m_state == state && m_errorText == errorText)
        return;
    m_state = state;
    m_errorText = std::move(errorText);
    Q_EMIT stateChanged();
    updateCanSend();
}

void FeedbackForm::updateCanSend() {
    if (m_canSend == canSend())
        return;
    m_canSend = canSend();
    Q_EMIT canSendChanged();
}

} // namespace fadebin
