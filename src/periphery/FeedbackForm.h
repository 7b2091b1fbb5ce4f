#pragma once

#include "periphery/Endpoints.h"
#include "platform/Clock.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <optional>

class QNetworkAccessManager;

namespace fadebin {

// The JSON body of a feedback message: keys in this order, each value a JSON string.
[[nodiscard]] QByteArray feedbackBody(const QString& message, const QString& email,
                                      const QString& version, const QString& os);

// The feedback form behind its window: what the user typed, and the one request that sends
// it. Main thread only.
class FeedbackForm : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Provided by the program")
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(SendState state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool sent READ isSent NOTIFY stateChanged)
    Q_PROPERTY(bool failed READ isFailed NOTIFY stateChanged)
    Q_PROPERTY(QString errorText READ errorText NOTIFY stateChanged)
    Q_PROPERTY(QString sendTitle READ sendTitle NOTIFY stateChanged)
    Q_PROPERTY(bool canSend READ canSend NOTIFY canSendChanged)

public:
    enum class SendState { editing, sending, sent, failed };
    Q_ENUM(SendState)

    static constexpr Duration defaultTimeout{20'000};
    static constexpr Duration closeDelay{1'400};

    // The endpoint must be acceptable (https, or http to this machine); without one every
    // send fails as if there were no connection. version and os go into every message.
    FeedbackForm(Clock& clock, QNetworkAccessManager& network, std::optional<QUrl> endpoint,
                 QString version, QString os, Duration timeout = defaultTimeout,
                 QObject* parent = nullptr);

    [[nodiscard]] bool isEnabled() const { return m_endpoint.has_value(); }
    [[nodiscard]] QString message() const { return m_message; }
    [[nodiscard]] QString email() const { return m_email; }
    [[nodiscard]] SendState state() const { return m_state; }
    [[nodiscard]] bool isSent() const { return m_state == SendState::sent; }
    [[nodiscard]] bool isFailed() const { return m_state == SendState::failed; }
    [[nodiscard]] QString errorText() const { return m_errorText; }
    [[nodiscard]] QString sendTitle() const;
    // Not while sending, and not for a message of nothing but white space and line breaks.
    [[nodiscard]] bool canSend() const;

    void setMessage(const QString& message);
    void setEmail(const QString& email);

    Q_INVOKABLE void send();
    Q_INVOKABLE void cancel();
    // Back to an empty form, once a message was sent.
    void resetIfSent();

Q_SIGNALS:
    void messageChanged();
    void emailChanged();
    void stateChanged();
    void canSendChanged();
    // The window should close: Cancel, or a while after the message was sent.
    void closeRequested();

private:
    void finish(QNetworkReply* reply);
    void setState(SendState state, QString errorText = {});
    void updateCanSend();

    Clock& m_clock;
    QNetworkAccessManager& m_network;
    std::optional<QUrl> m_endpoint;
    QString m_version;
    QString m_os;
    Duration m_timeout;
    QString m_message;
    QString m_email;
    SendState m_state = SendState::editing;
    QString m_errorText;
    bool m_canSend = false;
    PendingReply m_reply;
    TimerHandle m_closeWork;
};

} // namespace fadebin
