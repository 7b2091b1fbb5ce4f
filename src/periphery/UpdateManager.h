#pragma once

#include "periphery/Endpoints.h"
#include "periphery/UpdateFeed.h"
#include "platform/Clock.h"

#include <QNetworkReply>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace fadebin {

// Checks the update feed for a newer version: scheduled (a minute after start, then every
// 24 hours) and when the user asks. Publishes whether the last check found an update; a
// failed check changes nothing but is logged. Nothing is downloaded or installed: on Linux
// the package manager does that. Without a feed URL it is inert and makes no request.
// Main thread only.
class UpdateManager : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Provided by the program")
    Q_PROPERTY(bool enabled READ isEnabled CONSTANT)
    Q_PROPERTY(bool updateAvailable READ updateAvailable NOTIFY updateAvailableChanged)
    Q_PROPERTY(UserCheck userCheck READ userCheck NOTIFY userCheckChanged)
    Q_PROPERTY(bool checking READ isUserCheckRunning NOTIFY userCheckChanged)
    Q_PROPERTY(QString userCheckText READ userCheckText NOTIFY userCheckChanged)
    Q_PROPERTY(bool canOpenReleasePage READ canOpenReleasePage NOTIFY userCheckChanged)

public:
    // Where the check the user asked for stands.
    enum class UserCheck { idle, checking, upToDate, available, failed };
    Q_ENUM(UserCheck)

    static constexpr Duration firstCheckDelay{60'000};
    static constexpr Duration checkInterval{24 * 3600 * 1000};
    static constexpr Duration defaultTimeout{30'000};

    // runningVersion is this build's short version, shown to people; runningBuild its build
    // number, which an item's sparkle:version is compared with. A build without a build
    // number cannot tell an update: its checks fail. timeout bounds each request.
    UpdateManager(Clock& clock, QNetworkAccessManager& network, std::optional<QUrl> feed,
                  std::optional<QString> runningVersion, std::optional<QString> runningBuild,
                  Duration timeout = defaultTimeout, QObject* parent = nullptr);

    // Arms the scheduled checks; nothing without a feed.
    void start();
    // A check the user asked for; its result is shown (userCheckStarted, userCheck).
    Q_INVOKABLE void checkForUpdates();
    // Opens the found release's page with the desktop's URL opener.
    Q_INVOKABLE void openReleasePage();

    [[nodiscard]] bool isEnabled() const { return m_feed.has_value(); }
    [[nodiscard]] bool updateAvailable() const { return m_updateAvailable; }
    [[nodiscard]] UserCheck userCheck() const { return m_userCheck; }
    [[nodiscard]] bool isUserCheckRunning() const { return m_userCheck == UserCheck::checking; }
    [[nodiscard]] QString userCheckText() const;
    [[nodiscard]] bool canOpenReleasePage() const;
    [[nodiscard]] const std::optional<UpdateItem>& latestUpdate() const { return m_latest; }
    [[nodiscard]] bool isChecking() const { return m_reply != nullptr; }
    [[nodiscard]] QString runningVersionText() const {
        return m_runningVersion.value_or(QStringLiteral("?"));
    }

    // How URLs are opened; the desktop's opener unless replaced (tests record instead).
    std::function<void(const QUrl&)> openUrl;

Q_SIGNALS:
    void updateAvailableChanged();
    void userCheckChanged();
    // The user asked for a check: its window should come up.
    void userCheckStarted();
    // A check found latestUpdate(); shownToUser when it was the check the user asked for,
    // whose window shows the result.
    void updateFound(bool shownToUser);
    // Any check ended, found, not found or failed.
    void checkFinished();

private:
    void check();
    void finishCheck(QNetworkReply* reply);
    void fail(const QString& reason);
    void setUpdateAvailable(bool available);
    void setUserCheck(UserCheck state);

    Clock& m_clock;
    QNetworkAccessManager& m_network;
    std::optional<QUrl> m_feed;
    std::optional<QString> m_runningVersion;
    std::optional<QString> m_runningBuild;
    Duration m_timeout;
    bool m_updateAvailable = false;
    UserCheck m_userCheck = UserCheck::idle;
    bool m_userWaiting = false;
    std::optional<UpdateItem> m_latest;
    PendingReply m_reply;
    QString m_abortReason;
    TimerHandle m_firstCheck;
    TimerHandle m_dailyCheck;
};

} // namespace fadebin
