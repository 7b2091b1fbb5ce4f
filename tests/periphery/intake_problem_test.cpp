// Every reason watching stops, told alike in the model, the notch, the settings window and
// onboarding, whose sample step refuses to write.
#include "app/IntakeProblemNotifier.h"
#include "notch/ContentFixture.h"
#include "periphery/NotificationServer.h"
#include "periphery/OnboardingWindow.h"
#include "periphery/WindowDriver.h"
#include "platform/DesktopNotifications.h"
#include "support/PrivateBus.h"

#include <QClipboard>
#include <QGuiApplication>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// Root reads any folder; without these capabilities (on the model's thread) it is refused.
class NoReadOverride {
public:
    NoReadOverride() {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
            lowered[capability / 32].effective &= ~(1u << (capability % 32));
        syscall(SYS_capset, &m_header, lowered);
    }
    ~NoReadOverride() { syscall(SYS_capset, &m_header, m_saved); }
    NoReadOverride(const NoReadOverride&) = delete;
    NoReadOverride& operator=(const NoReadOverride&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

struct Cause {
    const char* name;
    IntakeCause cause;
    std::function<void(const TempHome&)> make; // the home before the model starts
    const char* says;                          // words its text holds
    IntakeRemedy remedy;
    const char* helped; // what its action did; HOME stands for the home folder
};

// Where a link that leads onto a disk that is not there points.
path absentDisk(const TempHome& home) {
    return path("/mnt") / ("fadebin-absent-" + home.root().filename().string()) / "Downloads";
}

// Downloads made again as something else.
std::function<void(const TempHome&)> downloadsAs(void (*make)(const TempHome&, const path&)) {
    return [make](const TempHome& h) {
        std::filesystem::remove(h.downloads());
        make(h, h.downloads());
    };
}

const Cause causes[] = {
    {"missing", IntakeCause::folderMissing,
     [](const TempHome& h) { std::filesystem::remove(h.downloads()); }, "There is no folder at",
     IntakeRemedy::showParent, "shown HOME"},
    {"a file", IntakeCause::notAFolder,
     downloadsAs([](const TempHome&, const path& p) { writeFile(p, "x"); }),
     "is a file, not a folder", IntakeRemedy::showParent, "revealed HOME/Downloads"},
    {"unreadable", IntakeCause::unreadable,
     [](const TempHome& h) {
         std::filesystem::permissions(h.downloads(), std::filesystem::perms::none);
     },
     "may not read", IntakeRemedy::showParent, "revealed HOME/Downloads"},
    {"unmounted", IntakeCause::unmounted, downloadsAs([](const TempHome& h, const path& p) {
         std::filesystem::create_directory_symlink(absentDisk(h), p);
     }),
     "is on a disk that is not mounted", IntakeRemedy::showParent, "shown /mnt"},
    {"home", IntakeCause::downloadsIsHome, downloadsAs([](const TempHome& h, const path& p) {
         std::filesystem::create_directory_symlink(h.root(), p);
     }),
     "set to your home folder", IntakeRemedy::openSettings, "settings"},
    {"database", IntakeCause::databaseUnopenable,
     [](const TempHome& h) {
         std::filesystem::create_directories(h.dataHome() / "Fadebin");
         writeFile(h.dataHome() / "Fadebin/Fadebin.store", std::string(2048, 'z'));
     },
     "its database could not be opened", IntakeRemedy::openSettings, "settings"},
    {"inotify limit", IntakeCause::watchLimit, nullptr, "fs.inotify.max_user_instances",
     IntakeRemedy::raiseLimit, "sudo sysctl fs.inotify.max_user_instances=512"},
};

// What the problem's action did: a folder shown, an item revealed, settings, the clipboard.
QString helped(const ContentFixture& notch) {
    const auto& files = notch.fileManager;
    if (!files.revealed.empty())
        return QStringLiteral("revealed ") + toQString(files.revealed.back());
    if (!files.shownFolders.empty())
        return QStringLiteral("shown ") + toQString(files.shownFolders.back());
    return notch.settingsOpened > 0 ? QStringLiteral("settings")
                                    : QGuiApplication::clipboard()->text();
}

} // namespace

TEST(IntakeProblem, EachCauseIsToldInTheNotchTheWindowsAndOnboardingAndTheSampleIsRefused) {
    for (const Cause& row : causes) {
        SCOPED_TRACE(row.name);
        ScopedKernelCalls kernel;
        std::optional<NoReadOverride> asAnyone;
        if (row.cause == IntakeCause::unreadable && ::geteuid() == 0)
            asAnyone.emplace();
        if (row.cause == IntakeCause::watchLimit)
            kernel.fillInstanceTable();
        ContentFixture notch({.animated = false}, [&](ModelWorld& world) {
            if (row.make)
                row.make(world.home);
        });
        const IntakeProblem& problem = notch.model.intakeProblem();
        ASSERT_EQ(problem.cause, row.cause);
        const QString text = intakeProblemText(problem);
        EXPECT_TRUE(text.contains(QLatin1String(row.says))) << text.toStdString();

        notch.settle();
        QQuickItem* mark = notch.find(QStringLiteral("collapsedMark"));
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(mark->property("icon").toString(), "alert02");
        EXPECT_EQ(mark->property("color").value<QColor>(), QColor(0xFF, 0x9F, 0x0A));
        notch.open();
        EXPECT_EQ(notch.page(), "accessWarning");
        EXPECT_EQ(notch.textOf("problemTitle"), intakeProblemTitle(problem));
        EXPECT_EQ(notch.textOf("problemText"), text);
        EXPECT_FALSE(notch.visibleTexts().contains(emptyStateDetail(false)));
        EXPECT_EQ(notch.find("retryButton") != nullptr, clearsWhileRunning(row.cause));
        EXPECT_EQ(notch.textOf("problemActionButton"), remedyLabel(row.remedy));
        QGuiApplication::clipboard()->clear();
        notch.click("problemActionButton");
        EXPECT_EQ(helped(notch), QString::fromUtf8(row.helped)
                                     .replace(QLatin1String("HOME"), toQString(notch.home.root())));

        // Nothing watches where the sample would go: it is not written, here or anywhere.
        EXPECT_FALSE(notch.model.writeSampleFile());

        QQmlEngine engine;
        QNetworkAccessManager network;
        UpdateManager updates(notch.clock, network, std::nullopt, QStringLiteral("1.2"),
                              QStringLiteral("12"));
        FeedbackWindow feedback(engine, notch.clock, network, std::nullopt);
        SettingsWindow settingsWindow(engine, notch.model, notch.settings, updates, feedback);
        QQuickWindow* window = shown(settingsWindow);
        EXPECT_EQ(textOf(window, "problemText"), text);
        EXPECT_EQ(isShown(window, "problemAction"), row.remedy != IntakeRemedy::openSettings);
        EXPECT_EQ(isShown(window, "retryAccess"), clearsWhileRunning(row.cause));

        OnboardingWindow onboarding(engine, notch.model, notch.settings, notch.clock);
        QQuickWindow* guide = shown(onboarding);
        click(guide, "continue");
        ASSERT_EQ(onboarding.flow().step(), OnboardingFlow::accessStep);
        EXPECT_FALSE(isShown(guide, "accessEnabled"));
        EXPECT_EQ(textOf(guide, "problemText"), text);
        EXPECT_FALSE(onboarding.flow().canContinue());
        QQuickItem* dropSample = findItem(guide, "dropSample");
        ASSERT_NE(dropSample, nullptr);
        EXPECT_FALSE(dropSample->isEnabled());
        EXPECT_EQ(textOf(guide, "sampleRefusal"),
                  intakeProblemTitle(problem) +
                      QStringLiteral(", so the sample can't be dropped."));
        onboarding.flow().dropSample();
        EXPECT_FALSE(onboarding.flow().sampleDropped());
        asAnyone.reset();
        for (const path& folder :
             {notch.home.root(), notch.home.downloads(), absentDisk(notch.home)})
            EXPECT_FALSE(std::filesystem::exists(folder / "Fadebin Sample.txt"));
        // The temporary home is removed as its owner can.
        std::error_code ignored;
        std::filesystem::permissions(notch.home.downloads(), std::filesystem::perms::owner_all,
                                     ignored);
    }
}

TEST(IntakeProblem, ANotificationTellsEachNewCauseOnceAndNoServerBreaksNothing) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    ModelWorld world;
    DesktopNotifications notifications(bus.connect(QStringLiteral("test-program")));
    IntakeProblemNotifier notifier(world.model, notifications);
    std::filesystem::remove(world.home.downloads());
    world.model.start();
    ASSERT_TRUE(waitFor([&] {
        return world.log.contains("No notification server: the reason "
                                  "watching stopped is shown only in the "
                                  "notch and the windows");
    }));

    NotificationServer server(bus.connect(QStringLiteral("test-server")), {"actions"});
    ASSERT_TRUE(server.serving());
    writeFile(world.home.downloads(), "a file where the folder was");
    world.model.recheckDownloadsAccess();
    world.clock.advance(3 * AppModel::downloadsCheckInterval);
    world.model.recheckDownloadsAccess();
    ASSERT_TRUE(waitFor([&] { return !server.shown.empty(); }));
    server.invoke(0, QStringLiteral("show"));
    ASSERT_TRUE(waitFor([&] { return !world.fileManager.revealed.empty(); }));
    EXPECT_EQ(world.fileManager.revealed, std::vector<path>{world.home.downloads()});
    ASSERT_EQ(server.shown.size(), 1u) << "the same cause again is not told again";
    EXPECT_EQ(server.shown[0].summary, "Downloads is not a folder");
}
