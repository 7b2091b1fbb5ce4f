#include "notch/DragWatcher.h"
#include "platform/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

// A drag pasteboard the test sets by hand; counts its reads so the cost of idle ticks
// shows.
class FakePasteboard final : public DragPasteboard {
public:
    bool available = true;
    bool notifies = false;
    long count = 0;
    std::vector<std::string> offered;
    unsigned buttons = 0;
    QPointF pointer;
    int typeReads = 0;
    int countReads = 0;
    std::function<void()> onChange;

    [[nodiscard]] bool isAvailable() const override { return available; }
    [[nodiscard]] long changeCount() override {
        ++countReads;
        return count;
    }
    [[nodiscard]] std::vector<std::string> types() override {
        ++typeReads;
        return offered;
    }
    [[nodiscard]] unsigned pressedMouseButtons() override { return buttons; }
    [[nodiscard]] QPointF pointerLocation() override { return pointer; }
    bool watchChanges(std::function<void()> callback) override {
        if (!notifies)
            return false;
        onChange = std::move(callback);
        return static_cast<bool>(onChange);
    }

    // A drag source takes the pasteboard; a notifying pasteboard says so.
    void beginDrag(std::vector<std::string> types, QPointF at, unsigned pressed = 1) {
        ++count;
        offered = std::move(types);
        buttons = pressed;
        pointer = at;
        if (onChange)
            onChange();
    }
};

class DragWatcherTest : public ::testing::TestWithParam<bool> {
protected:
    DragWatcherTest() {
        auto fake = std::make_unique<FakePasteboard>();
        fake->notifies = GetParam();
        fake->count = 7; // not zero: the watcher starts from whatever count it finds
        board = fake.get();
        watcher = std::make_unique<DragWatcher>(clock, std::move(fake));
        watcher->onDragMoved = [this](QPointF p) { moves.push_back(p); };
        watcher->onDragEnded = [this] { ++ended; };
        watcher->start();
    }

    // Lets the watcher see a change: the poll's interval; a notice was seen at once.
    void idleStep() {
        if (!GetParam())
            clock.advance(DragWatcher::idleInterval);
    }

    ManualClock clock;
    FakePasteboard* board = nullptr;
    std::unique_ptr<DragWatcher> watcher;
    std::vector<QPointF> moves;
    int ended = 0;
};

INSTANTIATE_TEST_SUITE_P(PollOrNotice, DragWatcherTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Notices" : "Polled"; });

} // namespace

TEST_P(DragWatcherTest, FileDragIsFollowedUntilTheButtonIsReleased) {
    EXPECT_EQ(watcher->lastChangeCount(), 7);
    EXPECT_TRUE(watcher->isWatching());
    EXPECT_EQ(watcher->waitsForNotices(), GetParam());

    board->beginDrag({"text/plain", "text/uri-list"}, QPointF(10, 20));
    idleStep();
    ASSERT_TRUE(watcher->isDragging());
    EXPECT_EQ(watcher->lastChangeCount(), 8);

    clock.advance(DragWatcher::activeInterval);
    board->pointer = QPointF(500, 3);
    clock.advance(DragWatcher::activeInterval);
    EXPECT_EQ(moves, (std::vector<QPointF>{QPointF(10, 20), QPointF(500, 3)}));

    // Released anywhere: over within one active tick, reported once.
    board->buttons = 0;
    clock.advance(DragWatcher::activeInterval);
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(moves.size(), 2u);
    clock.advance(5s);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(moves.size(), 2u);
    // Back to idle: only the idle poll (or nothing) remains.
    EXPECT_EQ(clock.activeTimerCount(), GetParam() ? 0u : 1u);
}

TEST_P(DragWatcherTest, OnlyFilesAndPromisesStartADrag) {
    // Plain text over the notch: remembered, not followed.
    board->beginDrag({"text/plain", "UTF8_STRING", "STRING"}, QPointF(1, 1));
    idleStep();
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(watcher->lastChangeCount(), 8);
    board->buttons = 0;

    // A promise, whatever its letter case, is files to come.
    board->beginDrag({"com.example.File-PROMISE-Item"}, QPointF(2, 2));
    idleStep();
    EXPECT_TRUE(watcher->isDragging());
    board->buttons = 0;
    clock.advance(DragWatcher::activeInterval);
    EXPECT_EQ(ended, 1);

    board->beginDrag({"XdndDirectSave0"}, QPointF(3, 3));
    idleStep();
    EXPECT_TRUE(watcher->isDragging());
    board->buttons = 0;
    clock.advance(DragWatcher::activeInterval);

    // A source that offers no types carries no files.
    board->beginDrag({}, QPointF(4, 4));
    idleStep();
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(ended, 2);
}

TEST_P(DragWatcherTest, NewCountWithoutTheLeftButtonIsRememberedAndTypesAreNotRead) {
    // A clipboard-like change: the right button, or none.
    board->beginDrag({"text/uri-list"}, QPointF(), 1u << 2);
    idleStep();
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(watcher->lastChangeCount(), 8);
    EXPECT_EQ(board->typeReads, 0);

    // Pressing the button later does not make the old change a drag.
    board->buttons = 1;
    if (board->onChange)
        board->onChange();
    clock.advance(2s);
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(board->typeReads, 0);
}

TEST_P(DragWatcherTest, UnchangedCountIsNotADragButTheNextChangeIs) {
    board->beginDrag({"text/uri-list"}, QPointF(5, 5));
    idleStep();
    ASSERT_TRUE(watcher->isDragging());
    board->buttons = 0;
    clock.advance(DragWatcher::activeInterval);
    ASSERT_EQ(ended, 1);

    // A second drag reusing the pasteboard without a new count goes unseen.
    board->buttons = 1;
    if (board->onChange)
        board->onChange();
    clock.advance(1s);
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_TRUE(moves.empty());

    board->buttons = 0;
    board->beginDrag({"text/uri-list"}, QPointF(6, 6));
    idleStep();
    EXPECT_TRUE(watcher->isDragging());
}

TEST_P(DragWatcherTest, ChangesDuringADragAreLeftForLater) {
    board->beginDrag({"text/uri-list"}, QPointF(5, 5));
    idleStep();
    ASSERT_TRUE(watcher->isDragging());
    const int typeReads = board->typeReads;

    board->beginDrag({"text/uri-list"}, QPointF(6, 6)); // count 9 while dragging
    clock.advance(1s);
    EXPECT_EQ(watcher->lastChangeCount(), 8);
    EXPECT_EQ(board->typeReads, typeReads);
    EXPECT_TRUE(watcher->isDragging());
}

TEST_P(DragWatcherTest, StopEndsADragUnderWayAndSilencesTheWatcher) {
    board->beginDrag({"text/uri-list"}, QPointF(5, 5));
    idleStep();
    ASSERT_TRUE(watcher->isDragging());

    watcher->stop();
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_FALSE(watcher->isWatching());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(clock.activeTimerCount(), 0u);
    EXPECT_FALSE(board->onChange);

    const std::size_t movesBefore = moves.size();
    board->beginDrag({"text/uri-list"}, QPointF(7, 7));
    clock.advance(5s);
    EXPECT_FALSE(watcher->isDragging());
    EXPECT_EQ(moves.size(), movesBefore);

    // Stopping again reports nothing; starting again picks up new drags.
    watcher->stop();
    EXPECT_EQ(ended, 1);
    watcher->start();
    board->beginDrag({"text/uri-list"}, QPointF(8, 8));
    idleStep();
    EXPECT_TRUE(watcher->isDragging());
}

TEST_P(DragWatcherTest, StartTwiceKeepsOneIdleWatchAndIdleCostsOnlyCountReads) {
    watcher->start();
    EXPECT_EQ(clock.activeTimerCount(), GetParam() ? 0u : 1u);
    const int reads = board->countReads;
    clock.advance(1s);
    // Polled: 8 reads a second; with notices: none while nothing happens.
    EXPECT_EQ(board->countReads - reads, GetParam() ? 0 : 8);
    EXPECT_EQ(board->typeReads, 0);
}

TEST(DragWatcher, WithoutADisplayStaysIdleAndSaysSoOnce) {
    test::LogCapture log;
    ManualClock clock;
    auto fake = std::make_unique<FakePasteboard>();
    fake->available = false;
    FakePasteboard* board = fake.get();
    DragWatcher watcher(clock, std::move(fake));
    watcher.start();
    watcher.stop();
    watcher.start();
    EXPECT_FALSE(watcher.isWatching());
    EXPECT_EQ(clock.activeTimerCount(), 0u);
    board->beginDrag({"text/uri-list"}, QPointF());
    clock.advance(1s);
    EXPECT_FALSE(watcher.isDragging());
    EXPECT_EQ(log.count("Drag watcher inactive: no display to watch for file drags"), 1);
}

TEST(DragWatcher, CarriesFilesTable) {
    struct Case {
        std::vector<std::string> types;
        bool files;
    };
    const std::vector<Case> cases{
        {{}, false},
        {{"text/plain"}, false},
        {{"text/uri-list"}, true},
        {{"TEXT", "text/uri-list"}, true},
        {{"text/uri-list;charset=utf-8"}, false}, // not the file-URL type itself
        {{"application/x-kde-promise"}, true},
        {{"PROMISE"}, true},
        {{"promis"}, false},
        {{"XdndDirectSave0"}, true},
        {{"XdndDirectSave"}, false},
        {{"text/x-moz-url"}, false},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& t : c.types)
            joined += t + " ";
        EXPECT_EQ(DragWatcher::carriesFiles(c.types), c.files) << joined;
    }
}
