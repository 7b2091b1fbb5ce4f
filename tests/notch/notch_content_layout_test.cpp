// The real QML over a real model: names on one line, and, with Qt Quick's animations stepped by
// hand, that what moves neither turns inside out nor outlives its panel.
#include "ContentFixture.h"
#include "support/GuiTestMain.h"
#include "support/PrivateBus.h"
#include "support/SettingsPortal.h"

#include <QAnimationDriver>
#include <QPointer>

#include <set>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

struct LayoutTest : ::testing::Test, ContentFixture {};

// A newline and a right-to-left override in a name: shown on one line, the bytes kept on disk.
TEST_F(LayoutTest, NamesThatWouldBreakLinesShowOnOneLineAndAnEndedRowDecidesNothing) {
    const std::string name = "two\nlines \xE2\x80\xAE"
                             "fdp.exe";
    TrackedFile* record = download(name);
    ASSERT_NE(record, nullptr);
    settle();
    const auto expectOneLine = [&](const char* label) {
        QQuickItem* text = find(QString::fromLatin1(label));
        ASSERT_NE(text, nullptr) << label;
        EXPECT_EQ(text->property("lineCount").toInt(), 1) << label;
        const QString shown = text->property("text").toString();
        EXPECT_FALSE(shown.contains(QLatin1Char('\n')) || shown.contains(QChar(0x202E))) << label;
        EXPECT_TRUE(shown.contains(QStringLiteral("fdp.exe"))) << label;
    };
    expectOneLine("pendingName");
    controller->setSelectedPendingID(std::nullopt);
    settle();
    expectOneLine("chipName");
    model.decide(record, ExpiryOption::oneHour);
    settle();
    expectOneLine("trackedName");
    EXPECT_EQ(record->displayName(), QString::fromStdString(name));
    EXPECT_TRUE(pathExists(file(name)));

    // A row whose record ended meanwhile decides nothing and shows no card.
    TrackedFile* gone = download("gone.pdf");
    settle();
    gone->setStatus(FileStatus::cancelled); // the row on screen is a moment behind
    ASSERT_NE(find("pendingRow-gone.pdf"), nullptr);
    click("doneButton");
    EXPECT_FALSE(controller->confirmation().has_value());
}

// Qt Quick's animations stepped by hand, as the manual clock steps ours.
class SteppedAnimations : public QAnimationDriver {
public:
    SteppedAnimations() { install(); }
    ~SteppedAnimations() override { uninstall(); }
    // Time since Qt last started the driver, as Qt expects.
    [[nodiscard]] qint64 elapsed() const override { return m_elapsed; }
    void step(qint64 ms) {
        m_elapsed += ms;
        advance();
    }

protected:
    void start() override {
        m_elapsed = 0;
        QAnimationDriver::start();
    }

private:
    qint64 m_elapsed = 0;
};

// A spring overshooting past zero mirrors the ring, and Qt's software painter then reads outside
// its pixmap: the program crashed when a deletion emptied the count as its toast opened.
TEST(AnimatedContent, TheCountShrinksAwayWithoutTurningInsideOut) {
    ContentFixture content({.animated = true});
    SteppedAnimations animations;
    content.decided("last.txt", ExpiryOption::tenSeconds);
    for (int frame = 0; frame < 40; ++frame) {
        animations.step(16);
        content.settle();
    }
    const QPointer<QQuickItem> ring = content.find(QStringLiteral("collapsedIndicator"));
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->scale(), 1.0);
    content.clock.advance(10s);
    nextTurn();
    ASSERT_EQ(content.state(), NotchState::toast);
    for (int frame = 0; frame < 40 && ring; ++frame) {
        animations.step(16);
        ASSERT_GT(ring->scale(), 0.0) << "after " << 16 * (frame + 1) << " ms";
        content.settle();
    }
    ASSERT_NE(ring, nullptr);
    EXPECT_FALSE(ring->isVisible());
}

// Less motion asked through the settings portal: no frames between states, then motion again.
TEST(ReducedMotion, StatesChangeWithoutFramesBetweenWhileTheDesktopAsksForIt) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    SettingsPortal portal(bus.connect("portal"));
    portal.values["org.gnome.desktop.interface/enable-animations"] = false;
    MotionPreference motion(bus.connect("notch"));
    ASSERT_TRUE(waitFor([&] { return motion.reduced(); }));
    SteppedAnimations animations;
    ContentFixture content({.animated = true, .motion = &motion});
    EXPECT_TRUE(content.view().reducedMotion());
    QQuickItem* surface = content.find(QStringLiteral("surface"));
    ASSERT_NE(surface, nullptr);
    // The shape's height in each frame while it opens.
    std::vector<double> heights;
    content.controller->expand(false);
    for (int frame = 0; frame < 30; ++frame, animations.step(16)) {
        content.settle();
        heights.push_back(surface->height());
    }
    EXPECT_GT(heights.front(), content.view().notchHeight());
    EXPECT_EQ(std::set(heights.begin(), heights.end()).size(), 1u);
    content.controller->collapse();
    content.decided("gone.txt", ExpiryOption::tenSeconds);
    content.advance(10s);
    ASSERT_EQ(content.state(), NotchState::toast);
    EXPECT_EQ(surface->height(), content.view().toastHeight());
    QQuickItem* toast = content.find(QStringLiteral("toastContent"));
    ASSERT_NE(toast, nullptr);
    EXPECT_EQ(toast->opacity(), 1.0);

    // The Behaviors of the whole content that may animate, and of the shape alone.
    const auto animating = [](QObject* under, Qt::FindChildOptions options) {
        int count = 0;
        for (QObject* object : under->findChildren<QObject*>(QString(), options))
            count += object->inherits("QQuickBehavior") && object->property("enabled").toBool();
        return count;
    };
    EXPECT_EQ(animating(content.panel->contentItem(), Qt::FindChildrenRecursively), 0);
    portal.change("org.gnome.desktop.interface", "enable-animations", true);
    ASSERT_TRUE(waitFor([&] { return !content.view().reducedMotion(); }));
    EXPECT_EQ(animating(surface, Qt::FindDirectChildrenOnly), 4) << "width, height, radii";
}

// A panel may go while its content still moves; the next one must not meet the leftovers.
TEST(ContentLifetime, PanelsGoAwayMidAnimation) {
    SteppedAnimations animations;
    QPointer<QWindow> first;
    for (int round = 0; round < 2; ++round) {
        ContentFixture content(NotchContentPanel::Options{});
        if (round == 0)
            first = content.panel;
        content.download("first.txt");
        content.settle();
        content.download("second.txt");
        content.download("third.txt");
        content.controller->setSelectedPendingID(std::nullopt);
        content.settle();
        content.controller->setSelectedPendingID(content.model.pendingFiles()[1]->id());
        content.settle();
    }
    // Whatever the animations left queued runs now (under the sanitizers, a use of what went).
    for (int frame = 0; frame < 8; ++frame) {
        animations.step(16);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        nextTurn();
    }
    EXPECT_TRUE(first.isNull()) << "the first panel outlived its controller";
}

} // namespace

int main(int argc, char** argv) {
    // At twice the size, as on the screens of most laptops.
    return fadebin::test::runGuiTests(argc, argv, {.scale = "2"});
}
