// A found update told through the desktop's notifications, once per version, against a
// notification server of the test's own on a private bus.
#include "periphery/HttpServer.h"
#include "periphery/UpdateAnnouncer.h"
#include "periphery/UpdateManager.h"
#include "periphery/WindowDriver.h"
#include "platform/DesktopNotifications.h"
#include "platform/SettingsFile.h"
#include "support/ManualClock.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QNetworkAccessManager>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

// Records what it is asked to show, as a desktop's notification server would show it.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString body;
        QStringList actions;
    };
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
    std::vector<Shown> shown;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        shown.push_back({body, actions});
        return static_cast<uint>(shown.size()) + 40;
    }
};

// The program's side: checker, notification client and announcer over one settings file;
// made again to restart.
struct Program {
    Program(ManualClock& clock, QNetworkAccessManager& network, const QUrl& feed,
            const path& settings)
        : defaults(settings)
        , updates(clock, network, feed, QStringLiteral("1.2"), QStringLiteral("12"))
        , notifications(QDBusConnection(QStringLiteral("test-program")))
        , announcer(updates, defaults, notifications) {
        updates.openUrl = [this](const QUrl& url) { opened.push_back(url); };
    }
    SettingsFile defaults;
    UpdateManager updates;
    DesktopNotifications notifications;
    UpdateAnnouncer announcer;
    std::vector<QUrl> opened;
};

class UpdateNotice : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
        serverBus = bus.connect(QStringLiteral("test-server"));
        bus.connect(QStringLiteral("test-program"));
    }
    bool serve() {
        return serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                        QDBusConnection::ExportAllSlots) &&
               serverBus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    std::unique_ptr<Program> start() {
        auto program = std::make_unique<Program>(clock, network, http.url("/appcast.xml"),
                                                 home.configHome() / "Fadebin/defaults.json");
        program->updates.start();
        return program;
    }
    // The scheduled check: a minute after start, then daily.
    void scheduledCheck(Program& program, const QByteArray& feed, Duration wait) {
        http.respond("/appcast.xml", HttpServer::answer(200, feed));
        const size_t before = http.requests().size();
        clock.advance(wait);
        ASSERT_TRUE(waitFor(
            [&] { return http.requests().size() > before && !program.updates.isChecking(); }));
    }
    void invoke(uint id, const QString& action) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << id << action;
        ASSERT_TRUE(serverBus.send(signal));
    }

    PrivateBus bus;
    TempHome home;
    ManualClock clock;
    QNetworkAccessManager network;
    HttpServer http;
    QDBusConnection serverBus{QString()};
    NotificationServer server;
};

} // namespace

TEST_F(UpdateNotice, ToldOncePerVersionAcrossChecksAndRestartsAndDownloadOpensTheLink) {
    ASSERT_TRUE(serve());
    auto program = start();
    scheduledCheck(*program, feedWith("13", "1.3"), 60s);
    ASSERT_TRUE(waitFor([&] { return server.shown.size() == 1; }));
    const NotificationServer::Shown& first = server.shown[0];
    EXPECT_EQ(first.body, "Fadebin 1.3 is available. You have 1.2.");
    EXPECT_EQ(first.actions, (QStringList{"download", "Download…"}));

    scheduledCheck(*program, feedWith("13", "1.3"), 24h);
    program = start();
    scheduledCheck(*program, feedWith("13", "1.3"), 60s);
    // A newer version is told; its notice's action opens its page, another program's does not.
    scheduledCheck(*program, feedWith("14", "1.4"), 24h);
    ASSERT_TRUE(waitFor([&] { return server.shown.size() == 2; }));
    EXPECT_EQ(server.shown[1].body, "Fadebin 1.4 is available. You have 1.2.")
        << "1.3 was not told again after the next check or the restart";
    invoke(41, QStringLiteral("download"));
    invoke(42, QStringLiteral("download"));
    ASSERT_TRUE(waitFor([&] { return !program->opened.empty(); }));
    EXPECT_EQ(program->opened, (std::vector<QUrl>{QUrl("https://fadebin.example/releases/14")}));
    EXPECT_EQ(server.shown.size(), 2u);
}

TEST_F(UpdateNotice, WithoutAServerOnlyTheSettingsTellAndTheFeedsTextStaysText) {
    LogCapture log;
    auto program = start();
    scheduledCheck(*program, feedWith("13", "1.3"), 60s);
    ASSERT_TRUE(waitFor([&] {
        return log.contains("No notification server: the update shows in the settings only");
    }));

    // A server that came later still hears of it; where it reads markup, the feed's text is
    // escaped so that it shows as written.
    server.capabilities.append(QStringLiteral("body-markup"));
    ASSERT_TRUE(serve());
    scheduledCheck(*program, feedWith("13", "<b>1.3</b>"), 24h);
    ASSERT_TRUE(waitFor([&] { return server.shown.size() == 1; }));
    EXPECT_EQ(server.shown[0].body, "Fadebin &lt;b&gt;1.3&lt;/b&gt; is available. You have 1.2.");

    // The check the user asked for shows its own window: that tells the version already.
    http.respond("/appcast.xml", HttpServer::answer(200, feedWith("14", "1.4")));
    program->updates.checkForUpdates();
    ASSERT_TRUE(waitFor([&] { return !program->updates.isChecking(); }));
    scheduledCheck(*program, feedWith("14", "1.4"), 24h);
    scheduledCheck(*program, feedWith("15", "1.5"), 24h);
    ASSERT_TRUE(waitFor([&] { return server.shown.size() == 2; }));
    EXPECT_EQ(server.shown[1].body, "Fadebin 1.5 is available. You have 1.2.")
        << "1.4 was shown by the user's check, not told again";
}

#include "update_notice_test.moc"
