#pragma once

#include "app/AppModel.h"
#include "app/AppTexts.h"
#include "notch/DragWatcher.h"
#include "notch/NotchGeometry.h"
#include "notch/NotchPanel.h"
#include "notch/NotchTexts.h"
#include "notch/ScreenSource.h"
#include "platform/Clock.h"

#include <QObject>
#include <QPainterPath>
#include <QString>
#include <QUuid>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fadebin {

// Decides, moment by moment, what the notch panel does: lie collapsed over the notch, stand
// open with the lists, or show a toast. Pointer hover, file drags, new downloads, deletions,
// files that left Downloads, decisions and drops become state changes; every delay is one
// cancellable timer on the clock. The panel, the pointer and the screens are reached through
// small interfaces, so all of it runs in tests on a manual clock.
class NotchController : public QObject {
    Q_OBJECT
    Q_PROPERTY(fadebin::NotchState state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool isHovering READ isHovering NOTIFY isHoveringChanged)
    Q_PROPERTY(fadebin::NotchGeometry geometry READ geometry NOTIFY geometryChanged)
    Q_PROPERTY(std::optional<fadebin::NotchToast> toast READ toast NOTIFY toastChanged)
    Q_PROPERTY(std::optional<QUuid> selectedPendingId READ selectedPendingId WRITE
                   setSelectedPendingID NOTIFY selectedPendingIDChanged)
    Q_PROPERTY(std::optional<QUuid> editingTrackedID READ editingTrackedID WRITE setEditingTrackedID
                   NOTIFY editingTrackedIDChanged)
    Q_PROPERTY(bool isDropTargeted READ isDropTargeted NOTIFY isDropTargetedChanged)
    Q_PROPERTY(std::optional<QString> dropNotice READ dropNotice NOTIFY dropNoticeChanged)
    Q_PROPERTY(std::optional<fadebin::DecisionConfirmation> confirmation READ confirmation NOTIFY
                   confirmationChanged)
    Q_PROPERTY(bool isMenuOpen READ isMenuOpen NOTIFY isMenuOpenChanged)
    Q_PROPERTY(bool keyboardHeld READ keyboardHeld NOTIFY keyboardHeldChanged)

public:
    // Builds the panel with its content for this controller; called once, by install().
    using PanelFactory = std::function<std::unique_ptr<NotchPanelPort>(NotchController&)>;

    static constexpr Duration hoverOpenDelay{150};
    static constexpr Duration hoverCloseDelay{400};
    static constexpr Duration dragEndGrace{600};
    static constexpr Duration afterDropLinger{5000};
    static constexpr Duration collapseFrameDelay{550};
    static constexpr Duration toastDuration{3000};
    static constexpr Duration confirmationDuration{1000};
    // Time enough to read a question and answer it.
    static constexpr Duration ruleOfferDuration{10'000};
    static constexpr Duration hoverSuppression{1200};
    static constexpr Duration dropNoticeDuration{2200};
    // The activation zone around the notch for file drags, in points.
    static constexpr double dragZoneHalfWidth = 230;
    static constexpr double dragZoneDepth = 130;

    // The model's own reason for refusing a path, as a sentence.
    static inline const QString refusedDropNotice = appTexts::refusalSentence(PathRefusal::outside);
    // A promised file or a direct save: the source would write it only after the drop.
    // Both English, as the bus and the log would have them; the view model words them.
    static inline const QString unsavedDropNotice = QString::fromUtf8(
        QT_TRANSLATE_NOOP("NotchTexts", "Not a file yet: save it to Downloads, then drop it here"));

    NotchController(AppModel& model, AppSettings& settings, Clock& clock, ScreenSource& screens,
                    std::unique_ptr<DragWatcher> dragWatcher, PanelFactory makePanel,
                    QObject* parent = nullptr);
    ~NotchController() override;
    NotchController(const NotchController&) = delete;
    NotchController& operator=(const NotchController&) = delete;

    // Builds the panel and its content and starts everything; once.
    void install();
    // Stops everything; once, at quit.
    void teardown();

    void setHovering(bool hovering);
    void expand(bool automatic);
    void collapse();
    // Opens the panel holding the keyboard, on the newest waiting file: asked for from the
    // keyboard (fadebin show). Only this takes the keyboard; closing gives it back. False
    // when there is no panel to show.
    bool showForKeyboard();
    void showToast(const NotchToast& toast);
    // Puts back what the shown toast's sweep moved to the Trash.
    void undoToast();
    // The file the shown toast's rule decided is asked about again, the notch open on it.
    void changeToast();
    // Shown for a moment, or while a rule offered with it waits for an answer.
    void showConfirmation(const DecisionConfirmation& confirmation);
    void answerRuleOffer(bool accepted);
    void setDropTargeted(bool targeted);
    void handleDrop(const std::vector<path>& filePaths);
    // A drop that offered no file, only the promise of one.
    void refuseUnsavedDrop();
    [[nodiscard]] Rect frameForState(NotchState state) const;

    // Written by the root view whenever the drawn shape's size changes.
    void setShapeSize(Size size) { m_shapeSize = size; }
    // The drawn outline (and any open menu over it), where the panel draws and takes input.
    void setOutline(const QPainterPath& outline);

    // A menu of the panel opened or closed. Menus may open over one another (a submenu);
    // the panel counts as having a menu open until the last one closes.
    void menuOpened();
    void menuEndedTracking();
    // A press outside the panel while a menu is open: the menus should close.
    std::function<void()> onPressOutsideMenu;

    // The screens changed: geometry again, and the panel moves.
    void screenParametersChanged();

    [[nodiscard]] NotchState state() const { return m_state; }
    [[nodiscard]] bool isHovering() const { return m_isHovering; }
    [[nodiscard]] const NotchGeometry& geometry() const { return m_geometry; }
    [[nodiscard]] const std::optional<NotchToast>& toast() const { return m_toast; }
    [[nodiscard]] std::optional<QUuid> selectedPendingId() const { return m_selectedPendingID; }
    void setSelectedPendingID(std::optional<QUuid> id);
    [[nodiscard]] std::optional<QUuid> editingTrackedID() const { return m_editingTrackedID; }
    void setEditingTrackedID(std::optional<QUuid> id);
    [[nodiscard]] bool isDropTargeted() const { return m_isDropTargeted; }
    [[nodiscard]] const std::optional<QString>& dropNotice() const { return m_dropNotice; }
    [[nodiscard]] const std::optional<DecisionConfirmation>& confirmation() const {
        return m_confirmation;
    }
    [[nodiscard]] bool isMenuOpen() const { return m_openMenus > 0; }
    [[nodiscard]] bool keyboardHeld() const { return m_keyboardHeld; }
    [[nodiscard]] AppModel& model() const { return m_model; }
    [[nodiscard]] AppSettings& settings() const { return m_settings; }
    [[nodiscard]] Clock& clock() const { return m_clock; }

Q_SIGNALS:
    void stateChanged();
    void isHoveringChanged();
    void geometryChanged();
    void toastChanged();
    void selectedPendingIDChanged();
    void editingTrackedIDChanged();
    void isDropTargetedChanged();
    void dropNoticeChanged();
    void confirmationChanged();
    void isMenuOpenChanged();
    void keyboardHeldChanged();

private:
    // The tests' window on state the program never reads.
    friend struct NotchControllerProbe;

    // The delayed actions, each one cancellable timer on the clock.
    enum class Work {
        hoverEnter,
        hoverExit,
        autoDismiss,
        collapseFrame,
        toast,
        confirmation,
        dropNotice,
        count // not an action: the number of them
    };

    void transition(NotchState target, std::function<void()> completion = {});
    void schedule(Work work, Duration after, void (NotchController::*action)());
    void cancel(Work work);
    [[nodiscard]] TimerHandle& timer(Work work) { return m_timers[static_cast<std::size_t>(work)]; }
    [[nodiscard]] const TimerHandle& timer(Work work) const {
        return m_timers[static_cast<std::size_t>(work)];
    }
    // Sets an observable field and tells of it; whether it changed.
    template <class T, class U>
    bool assign(T& field, U&& value, void (NotchController::*changed)()) {
        if (field == value)
            return false;
        field = std::forward<U>(value);
        Q_EMIT(this->*changed)();
        return true;
    }

    void hoverEnterAction();
    void hoverExitCheck();
    void autoDismissCheck();
    void collapseFrameAction();
    void toastEnd();
    void confirmationEnd();
    void dropNoticeEnd();
    void showDropNotice(const QString& notice);
    [[nodiscard]] bool isMouseInsideShape() const;

    void dragMoved(QPointF qtGlobal);
    void dragEnded();
    void newPendingFile(TrackedFile* file);
    void ruled(TrackedFile* file);
    void deletion(const DeletionEvent& event);
    void release(const ReleaseEvent& event);

    void setMenuOpenCount(int count);
    void selectNewestPending();

    AppModel& m_model;
    AppSettings& m_settings;
    Clock& m_clock;
    ScreenSource& m_screens;
    std::unique_ptr<DragWatcher> m_dragWatcher;
    PanelFactory m_makePanel;
    std::unique_ptr<NotchPanelPort> m_panel;

    NotchState m_state = NotchState::collapsed;
    bool m_isHovering = false;
    NotchGeometry m_geometry;
    std::optional<NotchToast> m_toast;
    std::optional<QUuid> m_selectedPendingID;
    std::optional<QUuid> m_editingTrackedID;
    bool m_isDropTargeted = false;
    std::optional<QString> m_dropNotice;
    std::optional<DecisionConfirmation> m_confirmation;
    Size m_shapeSize;

    std::array<TimerHandle, static_cast<std::size_t>(Work::count)> m_timers;

    int m_openMenus = 0;
    bool m_expandedByAuto = false;
    bool m_keyboardHeld = false;
    qint64 m_transitionGeneration = 0;
    bool m_transitionPending = false; // a transition waits for its turn of the main queue
    Instant m_suppressHoverUntil = Instant::min();
    bool m_tornDown = false;
};

} // namespace fadebin
