#include "FakeDragSelection.h"
#include "notch/DragWatcher.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace fadebin;
using fadebin::test::FakeDragSelection;
using namespace std::chrono_literals;

namespace {

class DragWatcherTest : public ::testing::TestWithParam<bool> {
protected:
    DragWatcherTest() {
        auto fake = std::make_unique<FakeDragSelection>();
        fake->notifies = GetParam();
        board = fake.get();
        watcher = std::make_unique<DragWatcher>(clock, std::move(fake));
        watcher->onDragMoved = [this](QPointF p) { moves.push_back(p); };
        watcher->onDragEnded = [this] { ++ended; };
        watcher->start();
    }

    void idleStep() {
        if (!GetParam())
            clock.advance(DragWatcher::idleInterval);
    }

    ManualClock clock;
    FakeDragSelection* board = nullptr;
    std::unique_ptr<DragWatcher> watcher;
    std::vector<QPointF> moves;
    int ended = 0;
};

INSTANTIATE_TEST_SUITE_P(PollOrNotice, DragWatcherTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Notices" : "Polled"; });

TEST_P(DragWatcherTest, FileDragIsFollowedUntilTheButtonIsReleased) {
    board->pointer = QPointF(10, 20);
    board->beginDrag({"text/plain", "text/uri-list"});
    idleStep();
    ASSERT_TRUE(watcher->isDragging());
    clock.advance(DragWatcher::activeInterval);
    board->pointer = QPointF(500, 3);
    clock.advance(DragWatcher::activeInterval);
    EXPECT_EQ(moves, (std::vector<QPointF>{QPointF(10, 20), QPointF(500, 3)}));

    // Released anywhere: over within one active tick.
    board->buttons = 0;
    clock.advance(DragWatcher::activeInterval);
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(ended, 1);
}

TEST_P(DragWatcherTest, OnlyANewCountWithTheLeftButtonAndFilesStartsADrag) {
    const std::tuple<const char*, std::vector<std::string>, unsigned, bool> cases[] = {
        {"text is ignored", {"text/plain", "UTF8_STRING", "STRING"}, 1, false},
        {"a promise, in any letter case", {"com.example.File-PROMISE-Item"}, 1, true},
        {"files, but the right button", {"text/uri-list"}, 1u << 2, false},
    };
    for (const auto& [what, types, buttons, drags] : cases) {
        SCOPED_TRACE(what);
        const int endedBefore = ended;
        board->beginDrag(types, buttons);
        idleStep();
        EXPECT_EQ(watcher->isDragging(), drags);
        board->press(0);
        clock.advance(DragWatcher::activeInterval);
        EXPECT_EQ(ended, endedBefore + (drags ? 1 : 0));
    }
    // The left button pressed after the last change, with no new count: not a drag either.
    board->press(1);
    clock.advance(1s);
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(ended, 1);
}

// Qt takes the selection a moment before it lists the offered types.
TEST_P(DragWatcherTest, TypesListedLateStillStartTheDragAndStopReportsItsEnd) {
    board->beginDrag({});
    idleStep();
    EXPECT_FALSE(watcher->isDragging());
    board->offered = {"text/uri-list"};
    clock.advance(DragWatcher::idleInterval);
    ASSERT_TRUE(watcher->isDragging());
    // Stopped during the drag: its end is reported and no timer is left.
    watcher->stop();
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(clock.activeTimerCount(), 0u);
}

} // namespace
