// The grace of undecided files counts only while the person is here: logind and the screen
// saver stood in for on a private bus (the real dbus-daemon), time on the manual clock.
#include "expiry/ExpiryScheduler.h"
#include "expiry/StoreFixture.h"
#include "support/PrivateBus.h"

#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>

using namespace fadebin;
using namespace fadebin::test;

namespace {

const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");

class FakeManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    bool hasSession = true;
public Q_SLOTS:
    QDBusObjectPath GetSession(const QString& id) { return GetSessionByPID(id == "c7"); }
    QDBusObjectPath GetSessionByPID(uint pid) {
        if (!hasSession || pid == 0)
            sendErrorReply(QDBusError::Failed, "no session");
        return QDBusObjectPath(sessionPath);
    }
};

// Changes are announced with their values, as logind does.
class FakeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint MEMBER locked)
    Q_PROPERTY(bool IdleHint MEMBER idle)
    Q_PROPERTY(qulonglong IdleSinceHint MEMBER idleSince)
public:
    bool locked = false, idle = false;
    qulonglong idleSince = 0;
    void set(QDBusConnection& bus, bool isLocked, bool isIdle, Instant since = {}) {
        locked = isLocked;
        idle = isIdle;
        idleSince = std::chrono::microseconds(since.time_since_epoch()).count();
        QDBusMessage signal = QDBusMessage::createSignal(
            sessionPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
        signal << "org.freedesktop.login1.Session"
               << QVariantMap{{"LockedHint", locked},
                              {"IdleHint", idle},
                              {"IdleSinceHint", QVariant::fromValue(idleSince)}}
               << QStringList();
        EXPECT_TRUE(bus.send(signal));
    }
};

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    bool active = false;
public Q_SLOTS:
    bool GetActive() { return active; }
};

enum class Service { logind, screenSaver, none };

class PresenceTest : public StoreFixture {
protected:
    void SetUp() override {
        if (bus.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed; no private bus";
        ::setenv("XDG_SESSION_ID", "c7", 1);
        settings.setDefaultAction(ExpiryOption::oneDay);
        const auto methods = QDBusConnection::ExportAllSlots;
        ASSERT_TRUE(
            side.registerObject("/org/freedesktop/login1", &manager, methods) &&
            side.registerObject(sessionPath, &session, QDBusConnection::ExportAllProperties) &&
            side.registerObject("/org/freedesktop/ScreenSaver", &saver, methods));
    }
    // The services named on the bus, and a scheduler that asked them who is here.
    void start(Service service) {
        scheduler.reset();
        presence.reset();
        for (const char* name : {"org.freedesktop.login1", "org.freedesktop.ScreenSaver"}) {
            side.unregisterService(name);
            ASSERT_TRUE(service == Service::none || side.registerService(name));
        }
        manager.hasSession = service == Service::logind;
        presence =
            std::make_unique<SessionPresence>(clock, bus.connect("system"), bus.connect("session"));
        ASSERT_TRUE(waitFor([&] { return presence->source() != SessionPresence::Source::asking; }));
        scheduler = std::make_unique<ExpiryScheduler>(*store, settings, *deleter, clock);
        scheduler->onReturn = [this](TrackedFile* f) { returnedTo.push_back(f); };
        scheduler->setPresence(presence.get());
        scheduler->start();
    }
    void waitAway(bool away) {
        ASSERT_TRUE(waitFor([&] { return presence->awaySince().has_value() == away; }));
    }

    PrivateBus bus;
    QDBusConnection side = bus.connect("service");
    FakeManager manager;
    FakeSession session;
    FakeScreenSaver saver;
    std::unique_ptr<SessionPresence> presence;
    std::unique_ptr<ExpiryScheduler> scheduler;
    std::vector<TrackedFile*> returnedTo;
};

} // namespace

TEST_F(PresenceTest, FilesWaitForThePersonToComeBackAndChosenExpiriesDoNot) {
    start(Service::logind);
    TrackedFile* chosen = pending("chosen.pdf");
    store->apply(ExpiryOption::oneHour, *chosen, false);
    TrackedFile* early = pending("early.pdf");
    clock.advance(4min);
    // Locked, and idle since three minutes before (noticed late): one minute of grace is used.
    session.set(side, true, true, clock.now() - 3min);
    waitAway(true);
    clock.advance(10min);
    TrackedFile* arrived = pending("arrived.pdf");
    scheduler->reschedule();
    clock.advance(46min);
    EXPECT_EQ(chosen->status(), FileStatus::deleted) << "the chosen hour waited for the person";
    clock.advance(2h);
    EXPECT_EQ(arrived->status(), FileStatus::pending) << "the default took an unseen file";

    session.set(side, false, false);
    waitAway(false);
    EXPECT_EQ(returnedTo, std::vector{arrived}) << "not shown when the person came back";
    clock.advance(4min - 1s);
    EXPECT_EQ(early->status(), FileStatus::pending);
    clock.advance(1s);
    EXPECT_EQ(early->status(), FileStatus::scheduled);
    EXPECT_EQ(arrived->status(), FileStatus::pending);
    clock.advance(1min);
    EXPECT_EQ(arrived->status(), FileStatus::scheduled);
}

TEST_F(PresenceTest, WithNoOneToAskOrTheSettingOffTheGraceFollowsTheClock) {
    const struct {
        Service service;
        bool wait;
        bool waits;
        const char* line;
    } rows[] = {
        {Service::none, true, false, "Presence unknown: the grace period follows the clock"},
        {Service::logind, false, false, "Presence from logind"},
        {Service::screenSaver, true, true, "Presence from the screen saver"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        settings.setWaitForPresence(row.wait);
        session.locked = saver.active = true;
        start(row.service);
        waitAway(row.service != Service::none);
        TrackedFile* file = pending(std::string(row.line) + ".txt");
        scheduler->reschedule();
        clock.advance(settings.pendingGrace());
        EXPECT_EQ(file->status(), row.waits ? FileStatus::pending : FileStatus::scheduled);
        EXPECT_EQ(log.count(row.line), 1);
    }
}

#include "presence_grace_test.moc"
