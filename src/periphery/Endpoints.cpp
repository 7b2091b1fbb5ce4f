#include "periphery/Endpoints.h"

#include "platform/Log.h"

#include <QHostAddress>
#include <QNetworkReply>

namespace fadebin {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    // QUrl gives IPv6 hosts without their brackets.
    return address.setAddress(host) && address.isLoopback();
}

std::optional<QUrl> networkEndpoint(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return url;
    if (scheme == QLatin1String("http") && isLoopbackHost(url.host()))
        return url;
    return std::nullopt;
}

QString networkFailure(const QNetworkReply& reply, std::chrono::milliseconds timeout) {
    if (reply.error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("no answer within %1 ms").arg(timeout.count());
    return reply.errorString();
}

void AbortReply::operator()(QNetworkReply* reply) const {
    reply->disconnect();
    reply->abort();
    delete reply;
}

namespace {

std::optional<QUrl> configured(const char* text, const char* variable) {
    const QString value = QString::fromUtf8(text);
    if (value.trimmed().isEmpty())
        return std::nullopt;
    std::optional<QUrl> url = networkEndpoint(value);
    if (!url)
        FADEBIN_LOG_ERROR(LogCategory::App, "Ignoring %s: only https URLs are allowed", variable);
    return url;
}

} // namespace

std::optional<QUrl> configuredFeedbackEndpoint() {
    return configured(FADEBIN_FEEDBACK_URL, "FADEBIN_FEEDBACK_URL");
}

std::optional<QUrl> configuredUpdateFeed() {
    return configured(FADEBIN_UPDATE_FEED_URL, "FADEBIN_UPDATE_FEED_URL");
}

} // namespace fadebin
