#include "periphery/OnboardingWindow.h"
#include "periphery/WindowDriver.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

// The window over a started model, Downloads unreadable when asked.
struct OnboardingScene {
    explicit OnboardingScene(bool denied = false) {
        if (denied)
            world.denyDownloads();
        world.model.start();
        onboarding.onDismiss = [this] { ++dismissed; };
    }
    QQuickWindow* show() { return shown(onboarding); }
    bool completed() const {
        return world.storedSettings().value("hasCompletedOnboarding").toBool();
    }

    WindowWorld world;
    OnboardingWindow onboarding{world.engine, world.model, world.settings, world.clock};
    int dismissed = 0;
};

// The step has faded in fully.
void faded(QQuickWindow* window) {
    ASSERT_TRUE(waitFor([&] { return findItem(window, "steps")->opacity() == 1.0; }));
}

} // namespace

TEST(Onboarding, WalksThroughEveryStepAndFinishCompletesIt) {
    OnboardingScene scene;
    QQuickWindow* window = scene.show();
    faded(window);

    press(window, Qt::Key_Return);
    EXPECT_EQ(scene.onboarding.flow().step(), 1);
    click(window, "continue");

    click(window, "dropSample"); // the file itself: the model's test
    EXPECT_FALSE(isShown(window, "dropSample"));
    EXPECT_TRUE(isShown(window, "sampleDropped"));
    EXPECT_TRUE(scene.world.settings.showTestTimers()) << "the 30s button the step asks for";
    click(window, "back");
    EXPECT_EQ(scene.onboarding.flow().step(), 1);
    press(window, Qt::Key_Return);
    EXPECT_TRUE(isShown(window, "sampleDropped")) << "kept for as long as the window lives";

    press(window, Qt::Key_Return);
    EXPECT_TRUE(isShown(window, "finish"));
    click(window, "launchAtLogin");
    EXPECT_TRUE(scene.world.settings.launchAtLogin());
    EXPECT_FALSE(scene.completed());
    press(window, Qt::Key_Return);
    EXPECT_TRUE(scene.completed());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(scene.dismissed, 1);
    EXPECT_FALSE(scene.onboarding.isRechecking());
    EXPECT_FALSE(scene.world.settings.showTestTimers()) << "only while onboarding lasts";
}

TEST(Onboarding, ASampleThatCannotBeWrittenIsToldAndTurnsNothingOn) {
    OnboardingScene scene;
    // A folder where the sample would go: the write fails as on a full or read-only disk.
    std::filesystem::create_directory(scene.world.home.downloads() / "Fadebin Sample.txt");
    QQuickWindow* window = scene.show();
    click(window, "continue");
    click(window, "continue");
    click(window, "dropSample");
    EXPECT_TRUE(isShown(window, "sampleFailed"));
    EXPECT_FALSE(isShown(window, "sampleDropped"));
    EXPECT_TRUE(isShown(window, "dropSample")) << "it can be tried again";
    EXPECT_FALSE(scene.world.settings.showTestTimers());
}

TEST(Onboarding, ReturnPressesTheFocusedButton) {
    OnboardingScene scene;
    QQuickWindow* window = scene.show();
    press(window, Qt::Key_Return);
    ASSERT_EQ(scene.onboarding.flow().step(), 1);
    findItem(window, "back")->forceActiveFocus(Qt::TabFocusReason);
    press(window, Qt::Key_Return);
    EXPECT_EQ(scene.onboarding.flow().step(), 0) << "Back was focused";
}

TEST(Onboarding, AccessStepWaitsForTheRecheckAndClosingDoesNotComplete) {
    OnboardingScene scene(true);
    const std::size_t timersBefore = scene.world.clock.activeTimerCount();
    QQuickWindow* window = scene.show();
    press(window, Qt::Key_Return);
    EXPECT_FALSE(findItem(window, "continue")->isEnabled());
    press(window, Qt::Key_Return);
    EXPECT_EQ(scene.onboarding.flow().step(), 1) << "Return does nothing while Continue is off";
    EXPECT_TRUE(isShown(window, "checkAgain"));
    click(window, "showFolder");
    EXPECT_EQ(scene.world.fileManager.shownFolders.size(), 1u);

    // Fixed outside the window: the once-a-second look notices without any click.
    scene.world.allowDownloads();
    scene.world.clock.advance(999ms);
    EXPECT_TRUE(scene.world.model.downloadsAccessDenied());
    scene.world.clock.advance(1ms);
    settle(window);
    EXPECT_FALSE(scene.world.model.downloadsAccessDenied());
    EXPECT_TRUE(isShown(window, "accessEnabled"));
    EXPECT_TRUE(findItem(window, "continue")->isEnabled());
    press(window, Qt::Key_Return);
    EXPECT_EQ(scene.onboarding.flow().step(), 2);

    window->close();
    EXPECT_EQ(scene.dismissed, 1);
    EXPECT_FALSE(scene.completed());
    EXPECT_FALSE(scene.onboarding.isRechecking());
    // The model's own look for the missing folder ended when the folder came back.
    EXPECT_EQ(scene.world.clock.activeTimerCount(), timersBefore - 1) << "the recheck stopped";
}
