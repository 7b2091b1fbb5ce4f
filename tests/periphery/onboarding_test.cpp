#include "periphery/OnboardingWindow.h"
#include "periphery/WindowDriver.h"
#include "platform/SettingsFile.h"

#include <QQuickItem>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

// The window over a started model.
struct OnboardingScene {
    OnboardingScene() {
        world.model.start();
        onboarding.onDismiss = [this] { ++dismissed; };
    }
    QQuickWindow* show() {
        QQuickWindow* window = shown(onboarding);
        EXPECT_TRUE(waitFor([&] { return findItem(window, "steps")->opacity() == 1.0; }));
        return window;
    }
    [[nodiscard]] QJsonValue stored(const char* key) const { return world.storedSettings()[key]; }
    // What the next start reads from the settings file.
    [[nodiscard]] bool testTimersAfterRestart() {
        SettingsFile file(world.home.configHome() / "Fadebin/defaults.json");
        return AppSettings(file, world.loginItem).testTimersOffered();
    }

    WindowWorld world;
    OnboardingWindow onboarding{world.engine, world.model, world.settings, world.clock};
    int dismissed = 0;
};

} // namespace

TEST(Onboarding, WalksThroughEveryStepAndTheSampleStepsTimersAreNeverStored) {
    OnboardingScene scene;
    // A folder where the sample would go: the write fails as on a full or read-only disk.
    const path sample = scene.world.home.downloads() / "Fadebin Sample.txt";
    std::filesystem::create_directory(sample);
    QQuickWindow* window = scene.show();
    press(window, Qt::Key_Return);
    findItem(window, "back")->forceActiveFocus(Qt::TabFocusReason);
    press(window, Qt::Key_Return);
    EXPECT_EQ(scene.onboarding.flow().step(), 0) << "Return pressed the focused Back";
    click(window, "continue");
    click(window, "continue");
    click(window, "dropSample");
    EXPECT_TRUE(isShown(window, "sampleFailed"));
    EXPECT_TRUE(isShown(window, "dropSample")) << "it can be tried again";
    EXPECT_FALSE(scene.world.settings.testTimersOffered());

    std::filesystem::remove(sample);
    click(window, "dropSample"); // the file itself: the model's test
    EXPECT_TRUE(isShown(window, "sampleDropped"));
    EXPECT_FALSE(isShown(window, "sampleFailed") || isShown(window, "dropSample"));
    EXPECT_TRUE(scene.world.settings.testTimersOffered()) << "the 30s button the step asks for";
    // A quit or a crash now must not leave them on for every later download.
    EXPECT_NE(scene.stored("showTestTimers"), QJsonValue(true));
    EXPECT_FALSE(scene.testTimersAfterRestart());
    click(window, "back");
    click(window, "continue");
    EXPECT_TRUE(isShown(window, "sampleDropped")) << "kept while the sample waits";

    click(window, "continue");
    click(window, "trashPurgeDays");
    for (int i = 0; i < 3; ++i)
        press(window, Qt::Key_Up);
    press(window, Qt::Key_Return);
    EXPECT_EQ(scene.stored("trashPurgeDays"), QJsonValue(0)) << "never, picked in the last step";
    click(window, "launchAtLogin");
    EXPECT_TRUE(scene.world.settings.launchAtLogin());
    EXPECT_NE(scene.stored("hasCompletedOnboarding"), QJsonValue(true));
    press(window, Qt::Key_Return);
    EXPECT_EQ(scene.stored("hasCompletedOnboarding"), QJsonValue(true));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(scene.dismissed, 1);
    EXPECT_FALSE(scene.onboarding.isRechecking());
    EXPECT_FALSE(scene.world.settings.testTimersOffered()) << "only while the guide lasts";
    EXPECT_FALSE(scene.testTimersAfterRestart());
}

// Back at the sample's step, a waiting sample shows as dropped; a decided or gone one does not.
TEST(Onboarding, BackAtTheSampleStepADecidedOrVanishedSampleCanBeDroppedAgain) {
    OnboardingScene scene;
    WindowWorld& world = scene.world;
    QQuickWindow* window = scene.show();
    click(window, "continue");
    click(window, "continue");
    const auto droppable = [&] {
        click(window, "back");
        click(window, "continue");
        return isShown(window, "dropSample") && !isShown(window, "sampleDropped");
    };
    click(window, "dropSample");
    world.model.completionFilter().handleItemEvent(world.file("Fadebin Sample.txt"));
    world.clock.advance(1500ms);
    TrackedFile* sample = world.record("Fadebin Sample.txt");
    ASSERT_NE(sample, nullptr);
    EXPECT_FALSE(droppable()) << "waiting in the notch";
    world.model.decide(sample, ExpiryOption::oneHour);
    EXPECT_TRUE(droppable()) << "decided";
    click(window, "dropSample");
    std::filesystem::remove(world.file("Fadebin Sample.txt"));
    EXPECT_TRUE(droppable()) << "gone";
}

// Where no notch can show, every step that names it speaks of the command line instead.
TEST(Onboarding, WithoutANotchTheGuideSpeaksOfTheCommandLine) {
    for (const bool hasNotch : {true, false}) {
        OnboardingScene scene;
        scene.onboarding.flow().setHasNotch(hasNotch);
        QQuickWindow* window = scene.show();
        QStringList seen;
        for (int step = 0; step < OnboardingFlow::steps; ++step) {
            if (step == 2)
                click(window, "dropSample");
            visitItems(window->contentItem(), [&](QQuickItem* item) {
                if (item->isVisible() && item->property("text").isValid())
                    seen << item->property("text").toString();
            });
            if (step + 1 < OnboardingFlow::steps)
                click(window, "continue");
        }
        const QString all = seen.join(u'\n');
        EXPECT_EQ(all.contains(QStringLiteral("notch")), hasNotch) << all.toStdString();
        for (const char* command : {"fadebin list", "fadebin expire", "fadebin keep"})
            EXPECT_EQ(all.contains(QLatin1String(command)), !hasNotch) << command;
    }
}

// From the keyboard alone: on every step Tab reaches each of its controls and comes back.
TEST(Onboarding, TabReachesEveryControlOfEachStep) {
    OnboardingScene scene;
    QQuickWindow* window = scene.show();
    const QStringList steps[] = {{"continue"},
                                 {"back", "continue"},
                                 {"back", "continue", "dropSample"},
                                 {"back", "finish", "trashPurgeDays", "launchAtLogin"}};
    for (int step = 0; step < 4; ++step) {
        ASSERT_EQ(scene.onboarding.flow().step(), step);
        const QStringList reached = tabThrough(window, 12);
        for (const QString& control : steps[step])
            EXPECT_TRUE(reached.contains(control)) << step << ": " << control.toStdString()
                                                   << " in " << reached.join(' ').toStdString();
        if (step < 3)
            click(window, "continue");
    }
}
