#pragma once

#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkReply;

namespace fadebin {

// Whether a host name stands for this machine: "localhost", 127.0.0.0/8 or ::1.
[[nodiscard]] bool isLoopbackHost(const QString& host);

// The URL the program may talk to: https with a host, or plain http to a loopback host (so
// that tests can run a server of their own). None for anything else, an empty text included.
[[nodiscard]] std::optional<QUrl> networkEndpoint(const QString& text);
[[nodiscard]] inline std::optional<QUrl> networkEndpoint(const QUrl& url) {
    return networkEndpoint(url.toString(QUrl::FullyEncoded));
}

// Why a request got no answer, for the log: the transfer time-out (which Qt reports as a
// cancelled operation) is named as such.
[[nodiscard]] QString networkFailure(const QNetworkReply& reply, std::chrono::milliseconds timeout);

// A request in flight, owned: dropping it before it ends aborts it without any call back.
struct AbortReply {
    void operator()(QNetworkReply* reply) const;
};
using PendingReply = std::unique_ptr<QNetworkReply, AbortReply>;

// The endpoints this build was configured with (FADEBIN_FEEDBACK_URL and
// FADEBIN_UPDATE_FEED_URL); none when empty or not acceptable, so that a default build makes
// no network request at all.
[[nodiscard]] std::optional<QUrl> configuredFeedbackEndpoint();
[[nodiscard]] std::optional<QUrl> configuredUpdateFeed();

} // namespace fadebin
