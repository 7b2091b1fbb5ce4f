#include "notch/NotchController.h"

#include "platform/Log.h"

#include <QMetaObject>
#include <QPointer>

#include <cmath>

namespace fadebin {

namespace {

QByteArray rectText(const Rect& r) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(r.x)
        .arg(r.y)
        .arg(r.width)
        .arg(r.height)
        .toUtf8();
}

Duration secondsToDuration(double seconds) {
    return Duration(static_cast<Duration::rep>(std::llround(seconds * 1000.0)));
}

} // namespace

NotchController::NotchController(AppModel& model, AppSettings& settings, Clock& clock,
                                 ScreenSource& screens, std::unique_ptr<DragWatcher> dragWatcher,
                                 PanelFactory makePanel, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_settings(settings)
    , m_clock(clock)
    , m_screens(screens)
    , m_dragWatcher(std::move(dragWatcher))
    , m_makePanel(std::move(makePanel))
    , m_geometry(screens.geometry()) {}

NotchController::~NotchController() {
    teardown();
}

void NotchController::install() {
    if (m_panel || m_tornDown || !m_makePanel)
        return;
    std::unique_ptr<NotchPanelPort> panel = m_makePanel(*this);
    if (!panel)
        return;
    QPointer<NotchController> self(this);
    panel->setOnHoverChange([self](bool inside) {
        if (self)
            self->setHovering(inside);
    });
    panel->setHitTest([self](Point fromTopLeft, double viewWidth) {
        return !self || shapeContains(self->m_shapeSize, viewWidth, fromTopLeft);
    });
    m_panel = std::move(panel);
    m_panel->setFrame(frameForState(m_state));
    m_panel->orderFront();

    m_screens.setOnScreensChanged([self] {
        if (self)
            self->screenParametersChanged();
    });
    m_dragWatcher->onDragMoved = [self](QPointF p) {
        if (self)
            self->dragMoved(p);
    };
    m_dragWatcher->onDragEnded = [self] {
        if (self)
            self->dragEnded();
    };
    m_dragWatcher->start();

    m_model.onNewPendingFile = [self](TrackedFile* file) {
        if (self)
            self->newPendingFile(file);
    };
    connect(&m_model, &AppModel::filesDeleted, this, &NotchController::deletion);
    connect(&m_model, &AppModel::filesReleased, this, &NotchController::release);
    FADEBIN_LOG_INFO(LogCategory::Notch, "Panel installed, notch: %s, rect: %s",
                     m_geometry.hasNotch ? "true" : "false",
                     rectText(m_geometry.notchRect).constData());
}

void NotchController::teardown() {
    if (m_tornDown)
        return;
    m_tornDown = true;
    m_dragWatcher->stop();
    m_dragWatcher->onDragMoved = {};
    m_dragWatcher->onDragEnded = {};
    m_screens.setOnScreensChanged({});
    m_model.onNewPendingFile = {};
    disconnect(&m_model, nullptr, this, nullptr);
    for (Work work : {Work::hoverEnter, Work::hoverExit, Work::autoDismiss, Work::collapseFrame,
                      Work::toast, Work::confirmation, Work::dropNotice})
        field(work).reset();
    if (m_panel) {
        m_panel->setOnPressOutside({});
        m_panel->orderOut();
        m_panel.reset();
    }
}

// Timers -----------------------------------------------------------------------------------

void NotchController::schedule(TimerHandle& work, Duration after,
                               void (NotchController::*action)()) {
    cancel(work);
    QPointer<NotchController> self(this);
    work = m_clock.singleShot(after, [self, action] {
        if (self)
            (self->*action)();
    });
}

void NotchController::cancel(TimerHandle& work) {
    if (work)
        work->cancel();
}

TimerHandle& NotchController::field(Work work) {
    return const_cast<TimerHandle&>(std::as_const(*this).field(work));
}

const TimerHandle& NotchController::field(Work work) const {
    switch (work) {
    case Work::hoverEnter:
        return m_hoverEnterWork;
    case Work::hoverExit:
        return m_hoverExitWork;
    case Work::autoDismiss:
        return m_autoDismissWork;
    case Work::collapseFrame:
        return m_collapseFrameWork;
    case Work::toast:
        return m_toastWork;
    case Work::confirmation:
        return m_confirmationWork;
    case Work::dropNotice:
        break;
    }
    return m_dropNoticeWork;
}

bool NotchController::isPending(Work work) const {
    const TimerHandle& handle = field(work);
    return handle && handle->isActive();
}

// Hover ------------------------------------------------------------------------------------

void NotchController::setHovering(bool hovering) {
    setIsHovering(hovering);
    cancel(m_hoverEnterWork);
    cancel(m_hoverExitWork);
    if (!hovering) {
        schedule(m_hoverExitWork, hoverCloseDelay, &NotchController::hoverExitCheck);
        return;
    }
    cancel(m_autoDismissWork);
    switch (m_state) {
    case NotchState::collapsed:
        if (m_clock.now() >= m_suppressHoverUntil)
            schedule(m_hoverEnterWork, hoverOpenDelay, &NotchController::hoverEnterAction);
        break;
    case NotchState::toast:
        cancel(m_toastWork);
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
    if (isMenuOpen())
        return;
    if (!isMouseInsideShape()) {
        collapse();
        return;
    }
    setIsHovering(true);
    // Inside only by the shape test's tolerance, outside the outline where the panel takes
    // pointer events: nothing would tell of leaving from there, so look again.
    if (m_panel && !m_panel->isPointerOverContent())
        schedule(m_hoverExitWork, hoverCloseDelay, &NotchController::hoverExitCheck);
}

// Opening and closing ----------------------------------------------------------------------

void NotchController::expand(bool automatic) {
    if (!m_panel)
        return;
    cancel(m_collapseFrameWork);
    cancel(m_toastWork);
    m_model.publish();
    // A toast is nobody's doing either: only an open panel keeps who opened it.
    if (m_state != NotchState::expanded)
        m_expandedByAuto = automatic;
    m_panel->setAllowsKey(true);
    QPointer<NotchController> self(this);
    transition(NotchState::expanded, [self, automatic] {
        if (self && automatic)
            self->schedule(self->m_autoDismissWork,
                           secondsToDuration(self->m_settings.autoDismissSeconds()),
                           &NotchController::autoDismissCheck);
    });
}

void NotchController::autoDismissCheck() {
    if (m_state == NotchState::expanded && m_expandedByAuto && !m_isHovering &&
        !isMouseInsideShape() && !isMenuOpen())
        collapse();
}

void NotchController::collapse() {
    // A transition still waiting for its turn counts as open: collapsing right after expand
    // must void it, or the panel would open after it was told to close.
    if (!m_panel || (m_state == NotchState::collapsed && !m_transitionPending))
        return;
    ++m_transitionGeneration;
    m_transitionPending = false;
    cancel(m_autoDismissWork);
    cancel(m_hoverEnterWork);
    cancel(m_toastWork);
    m_expandedByAuto = false;
    m_panel->setAllowsKey(false);
    setState(NotchState::collapsed);
    schedule(m_collapseFrameWork, collapseFrameDelay, &NotchController::collapseFrameAction);
}

void NotchController::collapseFrameAction() {
    if (m_state != NotchState::collapsed)
        return;
    if (m_panel)
        m_panel->setFrame(frameForState(NotchState::collapsed));
    setToast(std::nullopt);
    setSelectedPendingID(std::nullopt);
    setEditingTrackedID(std::nullopt);
    setConfirmation(std::nullopt);
    setDropNotice(std::nullopt);
}

void NotchController::transition(NotchState target, std::function<void()> completion) {
    if (!m_panel)
        return;
    const qint64 generation = ++m_transitionGeneration;
    m_transitionPending = true;
    const Rect frame = frameForState(target);
    // The panel grows before the content changes.
    if (frame != m_panel->frame())
        m_panel->setFrame(frame);
    QMetaObject::invokeMethod(
        this,
        [this, generation, target, completion = std::move(completion)] {
            if (m_transitionGeneration != generation)
                return; // a collapse or a newer transition came in between
            m_transitionPending = false;
            setState(target);
            if (completion)
                completion();
        },
        Qt::QueuedConnection);
}

// Toasts and decisions ---------------------------------------------------------------------

void NotchController::showToast(const NotchToast& toast) {
    if (m_state == NotchState::expanded)
        return;
    cancel(m_collapseFrameWork);
    cancel(m_toastWork);
    setToast(toast);
    if (m_state == NotchState::toast) {
        schedule(m_toastWork, toastDuration, &NotchController::toastEnd);
        return;
    }
    QPointer<NotchController> self(this);
    transition(NotchState::toast, [self] {
        if (self)
            self->schedule(self->m_toastWork, toastDuration, &NotchController::toastEnd);
    });
}

void NotchController::toastEnd() {
    if (m_state != NotchState::toast)
        return;
    if (isMouseInsideShape())
        expand(false);
    else
        collapse();
}

void NotchController::showConfirmation(const DecisionConfirmation& confirmation) {
    setSelectedPendingID(std::nullopt);
    setEditingTrackedID(std::nullopt);
    setConfirmation(confirmation);
    schedule(m_confirmationWork, confirmationDuration, &NotchController::confirmationEnd);
}

void NotchController::confirmationEnd() {
    setConfirmation(std::nullopt);
    if (m_state == NotchState::expanded && m_model.pendingFiles().isEmpty()) {
        m_suppressHoverUntil = m_clock.now() + hoverSuppression;
        collapse();
    }
}

void NotchController::newPendingFile(TrackedFile* file) {
    if (file == nullptr)
        return;
    setSelectedPendingID(file->id());
    if (m_settings.displayMode() != DisplayMode::hoverOnly)
        expand(true);
}

void NotchController::deletion(const DeletionEvent& event) {
    showToast(deletionToast(event));
}

void NotchController::release(const ReleaseEvent& event) {
    if (m_state == NotchState::collapsed && !m_isHovering && !m_isDropTargeted)
        showToast(releaseToast(event));
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
    setIsDropTargeted(false);
    schedule(m_hoverExitWork, dragEndGrace, &NotchController::hoverExitCheck);
}

void NotchController::setDropTargeted(bool targeted) {
    if (targeted == m_isDropTargeted)
        return;
    setIsDropTargeted(targeted);
    if (!targeted) {
        schedule(m_hoverExitWork, hoverCloseDelay, &NotchController::hoverExitCheck);
        return;
    }
    cancel(m_hoverExitWork);
    cancel(m_autoDismissWork);
    cancel(m_dropNoticeWork);
    setDropNotice(std::nullopt);
    if (m_state != NotchState::expanded)
        expand(false);
}

void NotchController::handleDrop(const std::vector<path>& urls) {
    setIsDropTargeted(false);
    cancel(m_hoverExitWork);
    const std::vector<DropOutcome> outcomes = m_model.acceptDrop(urls);
    if (outcomes.empty()) {
        showDropNotice(refusedDropNotice);
        return;
    }
    setConfirmation(std::nullopt);
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
    schedule(m_hoverExitWork, afterDropLinger, &NotchController::hoverExitCheck);
}

void NotchController::refuseUnsavedDrop() {
    setIsDropTargeted(false);
    cancel(m_hoverExitWork);
    showDropNotice(unsavedDropNotice);
}

void NotchController::showDropNotice(const QString& notice) {
    setDropNotice(notice);
    schedule(m_dropNoticeWork, dropNoticeDuration, &NotchController::dropNoticeEnd);
}

void NotchController::dropNoticeEnd() {
    setDropNotice(std::nullopt);
    if (m_state == NotchState::expanded && !isMouseInsideShape())
        collapse();
}

// Menus and screens ------------------------------------------------------------------------

void NotchController::menuBeganTracking() {
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
        setIsHovering(false);
        schedule(m_hoverExitWork, hoverCloseDelay, &NotchController::hoverExitCheck);
    }
}

void NotchController::screenParametersChanged() {
    const NotchGeometry geometry = m_screens.geometry();
    if (geometry != m_geometry) {
        m_geometry = geometry;
        Q_EMIT geometryChanged();
    }
    if (m_panel)
        m_panel->setFrame(frameForState(m_state));
}

void NotchController::setOutline(const QPainterPath& outline) {
    if (m_panel)
        m_panel->setOutline(outline);
}

// Geometry ---------------------------------------------------------------------------------

Rect NotchController::frameForState(NotchState state) const {
    // Without a screen the panel has no place: zero-sized at the origin.
    if (m_geometry.screenFrame.isEmpty())
        return {};
    return m_geometry.frameForState(state);
}

bool NotchController::isMouseInsideShape() const {
    if (!m_panel)
        return false;
    const std::optional<Size> bounds = m_panel->contentSize();
    const std::optional<Point> pointer = m_screens.pointerLocation();
    if (!bounds || !pointer)
        return false;
    const Rect frame = m_panel->frame();
    if (!frame.contains(*pointer))
        return false;
    const Point inPanel{pointer->x - frame.x, pointer->y - frame.y};
    return shapeContains(m_shapeSize, bounds->width, {inPanel.x, bounds->height - inPanel.y});
}

// Observable fields ------------------------------------------------------------------------

void NotchController::setState(NotchState state) {
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

void NotchController::setIsHovering(bool hovering) {
    if (hovering == m_isHovering)
        return;
    m_isHovering = hovering;
    Q_EMIT isHoveringChanged();
}

void NotchController::setToast(std::optional<NotchToast> toast) {
    if (toast == m_toast)
        return;
    m_toast = std::move(toast);
    Q_EMIT toastChanged();
}

void NotchController::setSelectedPendingID(std::optional<QUuid> id) {
    if (id == m_selectedPendingID)
        return;
    m_selectedPendingID = id;
    Q_EMIT selectedPendingIDChanged();
}

void NotchController::setEditingTrackedID(std::optional<QUuid> id) {
    if (id == m_editingTrackedID)
        return;
    m_editingTrackedID = id;
    Q_EMIT editingTrackedIDChanged();
}

void NotchController::setIsDropTargeted(bool targeted) {
    if (targeted == m_isDropTargeted)
        return;
    m_isDropTargeted = targeted;
    Q_EMIT isDropTargetedChanged();
}

void NotchController::setDropNotice(std::optional<QString> notice) {
    if (notice == m_dropNotice)
        return;
    m_dropNotice = std::move(notice);
    Q_EMIT dropNoticeChanged();
}

void NotchController::setConfirmation(std::optional<DecisionConfirmation> confirmation) {
    if (confirmation == m_confirmation)
        return;
    m_confirmation = std::move(confirmation);
    Q_EMIT confirmationChanged();
}

void NotchController::setMenuOpenCount(int count) {
    const bool wasOpen = isMenuOpen();
    m_openMenus = count;
    if (isMenuOpen() != wasOpen)
        Q_EMIT isMenuOpenChanged();
}

} // namespace fadebin
