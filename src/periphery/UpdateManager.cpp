#include "periphery/UpdateManager.h"

#include "periphery/Endpoints.h"
#include "periphery/PeripheryTexts.h"
#include "platform/FileManager.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <chrono>

namespace fadebin {

namespace {

struct UpdateManagerTexts {
    Q_DECLARE_TR_FUNCTIONS(UpdateManagerTexts)
};

} // namespace

UpdateManager::UpdateManager(Clock& clock, QNetworkAccessManager& network, std::optional<QUrl> feed,
                             std::optional<QString> runningVersion,
                             std::optional<QString> runningBuild, Duration timeout, QObject* parent)
    : QObject(parent)
    , openUrl([](const QUrl& url) {
        // Qt's own opener would leave the browser's output in our log.
        if (!startQuietly(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)}))
            QDesktopServices::openUrl(url);
    })
    , m_clock(clock)
    , m_network(network)
    , m_feed(feed ? networkEndpoint(*feed) : std::nullopt)
    , m_runningVersion(std::move(runningVersion))
    , m_runningBuild(std::move(runningBuild))
    , m_timeout(timeout) {}

void UpdateManager::start() {
    if (!m_feed)
        return;
    m_firstCheck = m_clock.singleShot(firstCheckDelay, [this] {
        check();
        m_dailyCheck = m_clock.repeating(checkInterval, [this] { check(); });
    });
}

void UpdateManager::checkForUpdates() {
    if (!m_feed)
        return;
    m_userWaiting = true;
    setUserCheck(UserCheck::checking);
    Q_EMIT userCheckStarted();
    check();
}

void UpdateManager::openReleasePage() {
    if (!m_latest)
        return;
    if (const std::optional<QUrl> page = m_latest->releasePage(); page && openUrl)
        openUrl(*page);
}

QString UpdateManager::userCheckText() const {
    switch (m_userCheck) {
    case UserCheck::idle:
        return {};
    case UserCheck::checking:
        return UpdateManagerTexts::tr("Checking for updates…");
    case UserCheck::upToDate:
        return UpdateManagerTexts::tr("You're up to date.");
    case UserCheck::available:
        return updateAvailableText(m_latest ? m_latest->displayVersion() : QStringLiteral("?"),
                                   runningVersionText());
    case UserCheck::failed:
        return UpdateManagerTexts::tr("Couldn't check for updates right now.");
    }
    return {};
}

bool UpdateManager::canOpenReleasePage() const {
    return m_userCheck == UserCheck::available && m_latest && m_latest->releasePage();
}

void UpdateManager::check() {
    // A check already under way answers for this one too.
    if (!m_feed || m_reply)
        return;
    // Any answer would be made up: every item announced as new, or a real update hidden.
    if (!m_runningBuild || !versionParts(*m_runningBuild))
        return fail(QStringLiteral("this build has no build number to compare with"));
    QNetworkRequest request(*m_feed);
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));
    // Every hop of a redirect must be as acceptable as the feed itself.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setHeader(
        QNetworkRequest::UserAgentHeader,
        QStringLiteral("Fadebin/%1").arg(m_runningVersion.value_or(QStringLiteral("?"))));
    m_abortReason.clear();
    QNetworkReply* reply = m_network.get(request);
    m_reply.reset(reply);
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (networkEndpoint(target)) {
            Q_EMIT reply->redirectAllowed();
            return;
        }
        m_abortReason = QStringLiteral("redirected to a URL that is not https");
        reply->abort();
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received) {
        if (received > feedLimits::maxBytes && m_abortReason.isEmpty()) {
            m_abortReason =
                QStringLiteral("the feed is larger than %1 bytes").arg(feedLimits::maxBytes);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishCheck(reply); });
}

void UpdateManager::finishCheck(QNetworkReply* reply) {
    // Ended: no longer aborted when dropped, but deleted once its signal has returned.
    (void)m_reply.release();
    reply->deleteLater();
    if (!m_abortReason.isEmpty())
        return fail(m_abortReason);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && (status < 200 || status > 299))
        return fail(QStringLiteral("HTTP status %1").arg(status));
    if (reply->error() != QNetworkReply::NoError)
        return fail(networkFailure(*reply, m_timeout));
    const FeedParse feed = parseUpdateFeed(reply->read(feedLimits::maxBytes + 1));
    if (!feed.ok())
        return fail(QStringLiteral("malformed feed: %1").arg(feed.error));

    m_latest = newestUpdate(feed.items, *m_runningBuild);
    if (m_latest)
        FADEBIN_LOG_INFO(LogCategory::App, "Update available: %s",
                         m_latest->displayVersion().toUtf8().constData());
    else
        FADEBIN_LOG_INFO(LogCategory::App, "No update available");
    setUpdateAvailable(m_latest.has_value());
    const bool userWaited = std::exchange(m_userWaiting, false);
    if (userWaited)
        setUserCheck(m_latest ? UserCheck::available : UserCheck::upToDate);
    if (m_latest)
        Q_EMIT updateFound(userWaited);
    Q_EMIT checkFinished();
}

void UpdateManager::fail(const QString& reason) {
    FADEBIN_LOG_ERROR(LogCategory::App, "Update check failed: %s", reason.toUtf8().constData());
    if (std::exchange(m_userWaiting, false))
        setUserCheck(UserCheck::failed);
    Q_EMIT checkFinished();
}

void UpdateManager::setUpdateAvailable(bool available) {
    if (m_updateAvailable == available)
        return;
    m_updateAvailable = available;
    Q_EMIT updateAvailableChanged();
}

void UpdateManager::setUserCheck(UserCheck state) {
    if (m_userCheck == state)
        return;
    m_userCheck = state;
    Q_EMIT userCheckChanged();
}

} // namespace fadebin
