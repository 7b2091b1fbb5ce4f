#include "notch/NotchController.h"

#include <QPointer>

// What the pointer does to the notch: hovering over it, dragging files to it and dropping
// them, and the menus it opens over the panel.
namespace fadebin {

// Hover ------------------------------------------------------------------------------------

void NotchController::setHovering(bool hovering) {
    assign(m_isHovering, hovering, &NotchController::isHoveringChanged);
    cancel(Work::hoverEnter);
    cancel(Work::hoverExit);
    if (!hovering) {
        schedule(Work::hoverExit, hoverCloseDelay, &NotchController::hoverExitCheck);
        return;
    }
    cancel(Work::autoDismiss);
    switch (m_state) {
    case NotchState::collapsed:
        if (m_clock.now() >= m_suppressHoverUntil)
            schedule(Work::hoverEnter, hoverOpenDelay, &NotchController::hoverEnterAction);
        break;
    case NotchState::toast:
        cancel(Work::toast);
        // A toast that can be undone stays under the pointer so that its button can be
        // reached; leaving it ends it.
        if (!m_toast || m_toast->places.empty())
            expand(false);
        break;
    case NotchState::expanded:
        break;
    }
}

void NotchController::hoverEnterAction() {
    if (m_isHovering)
        expand(false);
}

void NotchController::hoverExitCheck() {
    // An opening for the keyboard ends by the keyboard or another window's focus, not by where
    // the pointer went.
    if (isMenuOpen() || m_keyboardHeld)
        return;
    if (!isMouseInsideShape()) {
        collapse();
        return;
    }
    assign(m_isHovering, true, &NotchController::isHoveringChanged);
    // Inside only by the shape test's tolerance, outside the outline where the panel takes
    // pointer events: nothing would tell of leaving from there, so look again.
    if (m_panel && !m_panel->isPointerOverContent())
        schedule(Work::hoverExit, hoverCloseDelay, &NotchController::hoverExitCheck);
}

bool NotchController::isMouseInsideShape() const {
    if (!m_panel)
        return false;
    const std::optional<Size> bounds = m_panel->contentSize();
    const std::optional<Point> pointer = m_screens.pointerLocation();
    if (!bounds || !pointer)
        return false;
    // The shape hangs in the content view, which may not have caught up with the frame yet.
    return isPointInsideShape(m_panel->frame(), *pointer, m_shapeSize, *bounds);
}

// Drags and drops --------------------------------------------------------------------------

void NotchController::dragMoved(QPointF qtGlobal) {
    if (m_state != NotchState::collapsed || m_isDropTargeted)
        return;
    const Point p = m_screens.desktopSpace().fromQt(qtGlobal);
    const Rect& n = m_geometry.notchRect;
    const Rect zone{n.midX() - dragZoneHalfWidth, n.minY() - dragZoneDepth, 2 * dragZoneHalfWidth,
                    n.height + dragZoneDepth};
    if (zone.contains(p))
        setDropTargeted(true);
}

void NotchController::dragEnded() {
    if (!m_isDropTargeted)
        return;
    assign(m_isDropTargeted, false, &NotchController::isDropTargetedChanged);
    schedule(Work::hoverExit, dragEndGrace, &NotchController::hoverExitCheck);
}

void NotchController::setDropTargeted(bool targeted) {
    if (targeted == m_isDropTargeted)
        return;
    assign(m_isDropTargeted, targeted, &NotchController::isDropTargetedChanged);
    if (!targeted) {
        schedule(Work::hoverExit, hoverCloseDelay, &NotchController::hoverExitCheck);
        return;
    }
    cancel(Work::hoverExit);
    cancel(Work::autoDismiss);
    cancel(Work::dropNotice);
    assign(m_dropNotice, std::nullopt, &NotchController::dropNoticeChanged);
    if (m_state != NotchState::expanded)
        expand(false);
}

void NotchController::handleDrop(const std::vector<path>& filePaths) {
    assign(m_isDropTargeted, false, &NotchController::isDropTargetedChanged);
    cancel(Work::hoverExit);
    const std::vector<DropOutcome> outcomes = m_model.acceptDrop(filePaths);
    if (outcomes.empty()) {
        showDropNotice(refusedDropNotice);
        return;
    }
    assign(m_confirmation, std::nullopt, &NotchController::confirmationChanged);
    if (outcomes.size() == 1 && outcomes.front().kind == DropOutcome::Kind::scheduled) {
        setSelectedPendingID(std::nullopt);
        setEditingTrackedID(outcomes.front().file->id());
    } else {
        setEditingTrackedID(std::nullopt);
        std::vector<TrackedFile*> pending;
        for (const DropOutcome& outcome : outcomes)
            if (outcome.kind == DropOutcome::Kind::pending)
                pending.push_back(outcome.file);
        setSelectedPendingID(pending.size() == 1 ? std::optional(pending.front()->id())
                                                 : std::nullopt);
    }
    if (m_state != NotchState::expanded)
        expand(false);
    schedule(Work::hoverExit, afterDropLinger, &NotchController::hoverExitCheck);
}

void NotchController::refuseUnsavedDrop() {
    assign(m_isDropTargeted, false, &NotchController::isDropTargetedChanged);
    cancel(Work::hoverExit);
    showDropNotice(unsavedDropNotice);
}

void NotchController::showDropNotice(const QString& notice) {
    assign(m_dropNotice, notice, &NotchController::dropNoticeChanged);
    schedule(Work::dropNotice, dropNoticeDuration, &NotchController::dropNoticeEnd);
}

void NotchController::dropNoticeEnd() {
    assign(m_dropNotice, std::nullopt, &NotchController::dropNoticeChanged);
    if (m_state == NotchState::expanded && !isMouseInsideShape())
        collapse();
}

// Menus -----------------------------------------------------------------------------------

void NotchController::menuOpened() {
    setMenuOpenCount(m_openMenus + 1);
    if (m_panel && m_openMenus == 1) {
        QPointer<NotchController> self(this);
        m_panel->setOnPressOutside([self] {
            if (self && self->onPressOutsideMenu)
                self->onPressOutsideMenu();
        });
    }
}

void NotchController::menuEndedTracking() {
    if (m_openMenus == 0)
        return;
    setMenuOpenCount(m_openMenus - 1);
    if (m_openMenus > 0)
        return;
    if (m_panel)
        m_panel->setOnPressOutside({});
    if (!isMouseInsideShape()) {
        assign(m_isHovering, false, &NotchController::isHoveringChanged);
        schedule(Work::hoverExit, hoverCloseDelay, &NotchController::hoverExitCheck);
    }
}

} // namespace fadebin
