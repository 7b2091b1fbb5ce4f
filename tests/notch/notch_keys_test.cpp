// Real key events into the real content over a real model. Only an opening from the keyboard
// takes the keyboard; closing or another window's focus gives it back.
#include "ContentFixture.h"

#include <QTest>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

class KeysTest : public ::testing::Test, public ContentFixture {
protected:
    // The row the keys are on, by its file's name; "" for none.
    [[nodiscard]] std::string cursor() const {
        for (const auto& id : {view().selectedPendingId(), view().editingTrackedId()})
            for (const auto* list : {view().pendingRows(), view().trackedRows()})
                if (const NotchFileRow* row = list->row(id))
                    return row->name().toStdString();
        return "";
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(panel, Qt::Key(key), modifiers);
        settle();
    }
};

TEST_F(KeysTest, ShowOpensOnTheNewestWaitingFileAndEachKeyMovesTheCursorOrDecides) {
    const std::string older = pendingNames[0], newer = pendingNames[1];
    decided("tracked.txt", ExpiryOption::oneDay);
    pendingFiles(2);
    controller->collapse();
    settle();
    ASSERT_TRUE(controller->showForKeyboard());
    settle();
    ASSERT_EQ(state(), NotchState::expanded);
    EXPECT_TRUE(panel->allowsKey());
    EXPECT_TRUE(view().showsCursor()) << "the content, not a button, has the keys";
    EXPECT_EQ(cursor(), newer);

    // Each key, the cursor's row and its choice (a tracked row's: 30m 1h 1d 10d Keep, by index).
    struct Step {
        QKeyCombination key;
        std::string row;
        QString choice;
    };
    const QString defaultChoice = rawValue(settings.defaultAction());
    const Step steps[] = {
        {Qt::Key_Up, older, defaultChoice},
        {Qt::Key_Up, older, defaultChoice}, // the first row stays the first
        {Qt::Key_Down, newer, defaultChoice},
        {Qt::Key_Down, "tracked.txt", "-1"},
        {Qt::Key_Down, "tracked.txt", "-1"},
        {Qt::Key_Right, "tracked.txt", "0"},
        {Qt::Key_3, "tracked.txt", "2"},
        {Qt::Key_9, "tracked.txt", "2"}, // no ninth choice
        {Qt::Key_Left, "tracked.txt", "1"},
        {Qt::Key_Up, newer, defaultChoice},
        {Qt::Key_1, newer, "thirtyMinutes"},
        {Qt::Key_Left, newer, "thirtyMinutes"},
        {Qt::Key_Right, newer, "oneHour"},
        {Qt::ControlModifier | Qt::Key_Right, newer, "oneHour"}, // a shortcut, not ours
    };
    for (const Step& step : steps) {
        press(step.key.key(), step.key.keyboardModifiers());
        SCOPED_TRACE(QKeySequence(step.key).toString().toStdString());
        EXPECT_EQ(cursor(), step.row);
        const NotchFileRow* row = view().pendingRows()->row(view().selectedPendingId());
        EXPECT_EQ(row != nullptr ? row->selection() : QString::number(view().keyChoice()),
                  step.choice);
    }

    press(Qt::Key_Return);
    EXPECT_EQ(record(newer)->status(), FileStatus::scheduled);
    EXPECT_EQ(record(newer)->expiresAt(), clock.now() + 1h);
    EXPECT_EQ(record(older)->status(), FileStatus::pending);
    advance(NotchController::confirmationDuration);
    EXPECT_EQ(cursor(), older) << "the keys go on with the file still waiting";
    EXPECT_EQ(state(), NotchState::expanded);

    press(Qt::Key_Escape);
    EXPECT_EQ(state(), NotchState::collapsed);
    EXPECT_FALSE(controller->keyboardHeld());
    EXPECT_FALSE(panel->allowsKey());
}

TEST_F(KeysTest, OpenedByThePointerTheKeysDoNothingAndAnotherWindowsFocusClosesAKeyboardOpening) {
    pendingFiles(1);
    controller->collapse();
    advance(1s);
    open();
    ASSERT_EQ(state(), NotchState::expanded);
    EXPECT_FALSE(panel->allowsKey());
    for (const int key : {Qt::Key_Escape, Qt::Key_Return}) {
        press(key);
        EXPECT_EQ(state(), NotchState::expanded);
    }
    EXPECT_EQ(record(pendingNames[0])->status(), FileStatus::pending);

    // The pointer just left: its close check does not end an opening for the keyboard.
    controller->setHovering(true);
    controller->setHovering(false);
    ASSERT_TRUE(controller->showForKeyboard());
    advance(1s);
    ASSERT_TRUE(panel->allowsKey());
    ASSERT_EQ(state(), NotchState::expanded);
    // Tab goes from the rows to the buttons, an arrow back; Return presses a button.
    const auto focusedName = [&] {
        const QQuickItem* item = panel->activeFocusItem();
        return item != nullptr ? item->objectName() : QStringLiteral("<none>");
    };
    press(Qt::Key_Tab);
    EXPECT_EQ(focusedName(), "keepButton");
    EXPECT_FALSE(view().showsCursor());
    press(Qt::Key_Down);
    EXPECT_TRUE(view().showsCursor());
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    EXPECT_EQ(focusedName(), "doneButton");
    press(Qt::Key_Return);
    ASSERT_NE(stored(pendingNames[0]), nullptr);
    EXPECT_NE(stored(pendingNames[0])->status(), FileStatus::pending) << "Done was pressed";
    QWindow other;
    other.show();
    other.requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    settle();
    EXPECT_EQ(state(), NotchState::collapsed);
    EXPECT_FALSE(panel->allowsKey());
}

} // namespace
