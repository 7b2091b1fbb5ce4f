#pragma once

// State inside the notch controller that only tests read, kept off its interface.
#include "notch/NotchController.h"

namespace fadebin {

struct NotchControllerProbe {
    using Work = NotchController::Work;

    [[nodiscard]] static bool expandedByAuto(const NotchController& c) {
        return c.m_expandedByAuto;
    }
    [[nodiscard]] static Instant suppressHoverUntil(const NotchController& c) {
        return c.m_suppressHoverUntil;
    }
    [[nodiscard]] static NotchPanelPort* panel(const NotchController& c) { return c.m_panel.get(); }
    [[nodiscard]] static DragWatcher& dragWatcher(NotchController& c) { return *c.m_dragWatcher; }
    [[nodiscard]] static bool isMouseInsideShape(const NotchController& c) {
        return c.isMouseInsideShape();
    }
    // Whether the named delayed action is waiting to run.
    [[nodiscard]] static bool isPending(const NotchController& c, Work work) {
        const TimerHandle& handle = c.timer(work);
        return handle && handle->isActive();
    }
};

} // namespace fadebin
