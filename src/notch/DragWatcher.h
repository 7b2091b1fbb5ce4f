#pragma once

#include "notch/DragSelection.h"
#include "platform/Clock.h"

#include <QPointF>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fadebin {

// Notices file drags anywhere on screen, although the notch panel is tiny and knows
// nothing of drags that start in other applications: a new change count on the drag
// selection while the left button is held and files are offered starts a drag, whose
// pointer positions are then reported 30 times a second until the button is released.
class DragWatcher {
public:
    static constexpr Duration idleInterval{125};  // 8 per second
    static constexpr Duration activeInterval{33}; // about 1/30 s

    DragWatcher(Clock& clock, std::unique_ptr<DragSelection> dragSelection);
    ~DragWatcher();
    DragWatcher(const DragWatcher&) = delete;
    DragWatcher& operator=(const DragWatcher&) = delete;

    std::function<void(QPointF)> onDragMoved;
    std::function<void()> onDragEnded;

    // Begins idle watching; does nothing when already watching.
    void start();
    // Stops watching, then ends any drag under way (reporting its end).
    void stop();

    [[nodiscard]] bool isDragging() const { return m_isDragging; }
    [[nodiscard]] long lastChangeCount() const { return m_lastChangeCount; }
    // Idle watching is on: either the idle poll runs or the selection tells of changes.
    [[nodiscard]] bool isWatching() const { return m_idleTimer || m_waitsForNotices; }
    // The idle tick waits for the selection's notices instead of polling.
    [[nodiscard]] bool waitsForNotices() const { return m_waitsForNotices; }
    [[nodiscard]] DragSelection& dragSelection() { return *m_dragSelection; }

    // Files are offered as a URL list, as a file promise (any type name containing
    // "promise", in any case) or as a direct save.
    [[nodiscard]] static bool carriesFiles(const std::vector<std::string>& types);
    // A file promise or a direct save: a file the source writes only after the drop.
    [[nodiscard]] static bool isPromise(const std::string& type);

private:
    void idleTick();
    void considerOffer();
    void recheckOffer();
    void activeTick();
    void endDrag();

    Clock& m_clock;
    std::unique_ptr<DragSelection> m_dragSelection;
    long m_lastChangeCount = 0;
    TimerHandle m_idleTimer;
    TimerHandle m_activeTimer;
    TimerHandle m_recheckTimer;
    bool m_isDragging = false;
    bool m_waitsForNotices = false;
    bool m_toldUnavailable = false;
};

} // namespace fadebin
