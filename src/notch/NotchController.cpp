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
    m_panel->present();

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
    connect(&m_model, &AppModel::decidedByRule, this, &NotchController::ruled);
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
    for (TimerHandle& timer : m_timers)
        timer.reset();
    if (m_panel) {
        m_panel->setOnPressOutside({});
        m_panel->withdraw();
        m_panel.reset();
    }
}

// Timers -----------------------------------------------------------------------------------

void NotchController::schedule(Work work, Duration after, void (NotchController::*action)()) {
    cancel(work);
    QPointer<NotchController> self(this);
    timer(work) = m_clock.singleShot(after, [self, action] {
        if (self)
            (self->*action)();
    });
}

void NotchController::cancel(Work work) {
    if (TimerHandle& handle = timer(work))
        handle->cancel();
}

// Opening and closing ----------------------------------------------------------------------

void NotchController::expand(bool automatic) {
    if (!m_panel)
        return;
    cancel(Work::collapseFrame);
    cancel(Work::toast);
    m_model.publish();
    // A toast is nobody's doing either: only an open panel keeps who opened it.
    if (m_state != NotchState::expanded)
        m_expandedByAuto = automatic;
    QPointer<NotchController> self(this);
    transition(NotchState::expanded, [self, automatic] {
        if (self && automatic)
            self->schedule(Work::autoDismiss,
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
    cancel(Work::autoDismiss);
    cancel(Work::hoverEnter);
    cancel(Work::toast);
    m_expandedByAuto = false;
    if (assign(m_keyboardHeld, false, &NotchController::keyboardHeldChanged))
        m_panel->setAllowsKey(false);
    assign(m_state, NotchState::collapsed, &NotchController::stateChanged);
    schedule(Work::collapseFrame, collapseFrameDelay, &NotchController::collapseFrameAction);
}

bool NotchController::showForKeyboard() {
    if (!m_panel || m_geometry.screenFrame.isEmpty())
        return false;
    cancel(Work::autoDismiss);
    m_expandedByAuto = false;
    if (!m_confirmation)
        selectNewestPending();
    QPointer<NotchController> self(this);
    m_panel->setOnKeyboardLost([self] {
        // The person went to another window: the panel is not theirs to type in any more.
        if (self && self->m_keyboardHeld)
            self->collapse();
    });
    if (assign(m_keyboardHeld, true, &NotchController::keyboardHeldChanged))
        m_panel->setAllowsKey(true);
    expand(false);
    return true;
}

void NotchController::selectNewestPending() {
    const QList<TrackedFile*> pending = m_model.pendingFiles();
    if (!pending.isEmpty())
        setSelectedPendingID(pending.constLast()->id());
}

void NotchController::collapseFrameAction() {
    if (m_state != NotchState::collapsed)
        return;
    if (m_panel)
        m_panel->setFrame(frameForState(NotchState::collapsed));
    assign(m_toast, std::nullopt, &NotchController::toastChanged);
    setSelectedPendingID(std::nullopt);
    setEditingTrackedID(std::nullopt);
    m_model.dropRuleOffer();
    assign(m_confirmation, std::nullopt, &NotchController::confirmationChanged);
    assign(m_dropNotice, std::nullopt, &NotchController::dropNoticeChanged);
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
            assign(m_state, target, &NotchController::stateChanged);
            if (completion)
                completion();
        },
        Qt::QueuedConnection);
}

// Toasts and decisions ---------------------------------------------------------------------

void NotchController::showToast(const NotchToast& toast) {
    if (m_state == NotchState::expanded)
        return;
    cancel(Work::collapseFrame);
    cancel(Work::toast);
    assign(m_toast, toast, &NotchController::toastChanged);
    if (m_state == NotchState::toast) {
        schedule(Work::toast, toastDuration, &NotchController::toastEnd);
        return;
    }
    QPointer<NotchController> self(this);
    transition(NotchState::toast, [self] {
        if (self)
            self->schedule(Work::toast, toastDuration, &NotchController::toastEnd);
    });
}

void NotchController::undoToast() {
    if (!m_toast || m_toast->places.empty())
        return;
    DeletionEvent event;
    event.places = std::exchange(m_toast->places, {});
    Q_EMIT toastChanged(); // nothing left to undo
    // What comes back is asked about again, as a new download is: the notch opens for it.
    const AppModel::Undone undone = m_model.undo(event);
    if (!undone.refused.empty())
        showToast(undoRefusedToast(static_cast<qsizetype>(undone.refused.size()),
                                   undone.refused.front().second));
}

void NotchController::changeToast() {
    if (!m_toast || !m_toast->change)
        return;
    const QUuid id = std::exchange(m_toast->change, std::nullopt).value();
    Q_EMIT toastChanged();
    if (TrackedFile* file = m_model.askAgain(id)) {
        expand(false);
        setSelectedPendingID(file->id());
    }
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
    assign(m_confirmation, confirmation, &NotchController::confirmationChanged);
    schedule(Work::confirmation, m_model.ruleOffer() ? ruleOfferDuration : confirmationDuration,
             &NotchController::confirmationEnd);
}

void NotchController::answerRuleOffer(bool accepted) {
    m_model.answerRuleOffer(accepted);
    cancel(Work::confirmation);
    confirmationEnd();
}

void NotchController::confirmationEnd() {
    // Unanswered, it goes with its card.
    m_model.dropRuleOffer();
    assign(m_confirmation, std::nullopt, &NotchController::confirmationChanged);
    if (m_state == NotchState::expanded && m_model.pendingFiles().isEmpty()) {
        m_suppressHoverUntil = m_clock.now() + hoverSuppression;
        collapse();
    } else if (m_keyboardHeld) {
        // The keys go on with the next file, as the pointer would.
        selectNewestPending();
    }
}

void NotchController::newPendingFile(TrackedFile* file) {
    if (file == nullptr)
        return;
    setSelectedPendingID(file->id());
    // Asked with a notification instead: the notch opens only when the person comes to it.
    if (m_settings.displayMode() != DisplayMode::hoverOnly &&
        m_settings.askWith() != AskWith::notification)
        expand(true);
}

void NotchController::ruled(TrackedFile* file) {
    if (file != nullptr && m_settings.askWith() != AskWith::notification)
        showToast(ruleToast(*file, m_model.fileKind(file)));
}

void NotchController::deletion(const DeletionEvent& event) {
    if (m_settings.askWith() != AskWith::notification)
        showToast(deletionToast(event));
}

void NotchController::release(const ReleaseEvent& event) {
    if (m_state == NotchState::collapsed && !m_isHovering && !m_isDropTargeted)
        showToast(releaseToast(event));
}

// Screens ---------------------------------------------------------------------------------

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

// Observable fields ------------------------------------------------------------------------

void NotchController::setSelectedPendingID(std::optional<QUuid> id) {
    assign(m_selectedPendingID, id, &NotchController::selectedPendingIDChanged);
}

void NotchController::setEditingTrackedID(std::optional<QUuid> id) {
    assign(m_editingTrackedID, id, &NotchController::editingTrackedIDChanged);
}

void NotchController::setMenuOpenCount(int count) {
    const bool wasOpen = isMenuOpen();
    m_openMenus = count;
    if (isMenuOpen() != wasOpen)
        Q_EMIT isMenuOpenChanged();
}

} // namespace fadebin
