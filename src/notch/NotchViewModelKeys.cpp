// The open panel from the keyboard: rows up and down, time choices left and right (or by
// number), Return decides, Escape closes.
#include "notch/NotchViewModel.h"

namespace fadebin {

KeyCommand keyCommand(int key, Qt::KeyboardModifiers modifiers) {
    // Shortcuts with these are the desktop's or a menu's, not ours.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return {KeyAction::choice, key - Qt::Key_1};
    switch (key) {
    case Qt::Key_Up:
        return {KeyAction::previousRow};
    case Qt::Key_Down:
        return {KeyAction::nextRow};
    case Qt::Key_Left:
        return {KeyAction::previousChoice};
    case Qt::Key_Right:
        return {KeyAction::nextChoice};
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return {KeyAction::apply};
    case Qt::Key_Escape:
        return {KeyAction::close};
    default:
        return {};
    }
}

void NotchViewModel::setContentFocused(bool focused) {
    if (focused == m_contentFocused)
        return;
    m_contentFocused = focused;
    Q_EMIT keyboardChanged();
}

bool NotchViewModel::pressKey(int key, int modifiers) {
    // A panel the pointer opened has no keyboard of its own: nothing typed there is ours.
    const KeyCommand command =
        keyboardHeld() ? keyCommand(key, Qt::KeyboardModifiers::fromInt(modifiers)) : KeyCommand{};
    switch (command.action) {
    case KeyAction::none:
        return false;
    case KeyAction::previousRow:
    case KeyAction::nextRow:
        moveCursor(command.action == KeyAction::nextRow ? 1 : -1);
        break;
    case KeyAction::previousChoice:
    case KeyAction::nextChoice:
        moveChoice(command.action == KeyAction::nextChoice ? 1 : -1);
        break;
    case KeyAction::choice:
        moveChoice(0, command.choice);
        break;
    case KeyAction::apply:
        applyCursor();
        break;
    case KeyAction::close:
        m_controller.collapse();
        break;
    }
    return true;
}

// The opened pending row, else the edited tracked row.
NotchFileRow* NotchViewModel::cursorRow() const {
    if (NotchFileRow* row = m_pendingRows->row(selectedPendingId()))
        return row;
    return m_trackedRows->row(editingTrackedId());
}

// The rows read as one list, the waiting ones first, as they are shown; it does not wrap.
void NotchViewModel::moveCursor(int by) {
    QList<NotchFileRow*> rows = m_pendingRows->rows();
    rows.append(m_trackedRows->rows());
    if (rows.isEmpty() || m_controller.confirmation())
        return;
    const qsizetype at = rows.indexOf(cursorRow());
    const qsizetype last = rows.size() - 1;
    const qsizetype next = at < 0 ? (by > 0 ? 0 : last) : std::clamp(at + by, qsizetype(0), last);
    NotchFileRow* row = rows.at(next);
    const bool pending = m_pendingRows->row(row->id()) == row;
    m_controller.setSelectedPendingID(pending ? std::optional(row->file()->id()) : std::nullopt);
    m_controller.setEditingTrackedID(pending ? std::nullopt : std::optional(row->file()->id()));
}

// One choice on (by), or the one at `to`; none chosen yet, the first or the last.
void NotchViewModel::moveChoice(int by, int to) {
    NotchFileRow* row = cursorRow();
    if (row == nullptr || row->file() == nullptr)
        return;
    const bool pending = m_pendingRows->row(row->id()) == row;
    const QVariantList choices = pending ? row->options() : options();
    const auto count = static_cast<int>(choices.size());
    int at = m_keyChoice;
    if (pending) {
        at = -1;
        for (int i = 0; i < count; ++i)
            if (choices.at(i).toMap().value(QStringLiteral("raw")) == row->selection())
                at = i;
    }
    int next = to;
    if (to < 0)
        next = at < 0 ? (by > 0 ? 0 : count - 1) : std::clamp(at + by, 0, count - 1);
    if (next < 0 || next >= count)
        return;
    if (pending) {
        row->setSelection(choices.at(next).toMap().value(QStringLiteral("raw")).toString());
    } else if (next != m_keyChoice) {
        m_keyChoice = next;
        Q_EMIT keyboardChanged();
    }
}

void NotchViewModel::applyCursor() {
    NotchFileRow* row = cursorRow();
    if (row == nullptr)
        return;
    if (m_pendingRows->row(row->id()) == row) {
        decidePending(row->id(), row->selection());
        return;
    }
    const QVariantList choices = options();
    if (m_keyChoice >= 0 && m_keyChoice < choices.size())
        changeExpiry(row->id(),
                     choices.at(m_keyChoice).toMap().value(QStringLiteral("raw")).toString());
}

} // namespace fadebin
