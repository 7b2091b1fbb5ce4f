#pragma once

#include "app/DisplayText.h"
#include "notch/NotchController.h"
#include "notch/NotchFileList.h"
#include "notch/NotchFileRow.h"
#include "notch/NotchShape.h"
#include "notch/NotchTexts.h"
#include "platform/MotionPreference.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <map>

namespace fadebin {

class NotchViewModel;

// What the expanded panel's scroll area shows, the first that applies.
enum class ExpandedPage {
    dropPrompt,
    dropNotice,
    accessWarning, // nothing is watched, and why
    confirmation,
    lists,
    empty
};
[[nodiscard]] ExpandedPage expandedPage(bool dropTargeted, bool hasDropNotice, bool watchingStopped,
                                        bool hasConfirmation, bool hasFiles);
[[nodiscard]] QString pageName(ExpandedPage page);

// Where a row's menu opens inside the drawn shape (less a margin, below the notch's own
// height): below the row when it fits there, its trailing edge under the row's controls;
// else beside the row, leading of its controls (the time and the button), as level with the
// row as the shape allows. Never over the row's controls while the shape is wide enough.
// The margin keeps a menu's corners off the shape's rounded bottom corners.
[[nodiscard]] QPointF menuPlacement(const QRectF& shape, double topInset, double margin,
                                    const QRectF& row, const QRectF& controls, const QSizeF& menu);

// What a key does in the open panel: the same for every row.
enum class KeyAction {
    none,
    previousRow,
    nextRow,
    previousChoice,
    nextChoice,
    choice,
    apply,
    close
};
struct KeyCommand {
    KeyAction action = KeyAction::none;
    int choice = -1; // for KeyAction::choice: which one, from 0
    friend bool operator==(const KeyCommand&, const KeyCommand&) = default;
};
[[nodiscard]] KeyCommand keyCommand(int key, Qt::KeyboardModifiers modifiers);

// The notch content's window on the controller, the model and the settings: every field as
// QML can bind it, every text from the tested functions, and the operations the buttons
// call. QML binds and lays out; the rules are here and in the controller.
class NotchViewModel : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(NotchViewModel)
    QML_UNCREATABLE("made with the panel")

    Q_PROPERTY(bool collapsed READ collapsed NOTIFY stateChanged)
    Q_PROPERTY(bool expanded READ expanded NOTIFY stateChanged)
    Q_PROPERTY(bool toastShown READ toastShown NOTIFY stateChanged)
    Q_PROPERTY(double topRadius READ topRadius NOTIFY radiiChanged)
    Q_PROPERTY(double bottomRadius READ bottomRadius NOTIFY radiiChanged)

    Q_PROPERTY(bool hasNotch READ hasNotch NOTIFY geometryChanged)
    Q_PROPERTY(double notchHeight READ notchHeight NOTIFY geometryChanged)
    Q_PROPERTY(double collapsedWidth READ collapsedWidth NOTIFY geometryChanged)
    Q_PROPERTY(double openWidth READ openWidth NOTIFY geometryChanged)
    Q_PROPERTY(double toastHeight READ toastHeight NOTIFY geometryChanged)
    Q_PROPERTY(double maxHeight READ maxHeight CONSTANT)
    Q_PROPERTY(double footerHeight READ footerHeight CONSTANT)

    Q_PROPERTY(QString toastTitle READ toastTitle NOTIFY toastChanged)
    Q_PROPERTY(QString toastSubtitle READ toastSubtitle NOTIFY toastChanged)
    Q_PROPERTY(bool toastIsRelease READ toastIsRelease NOTIFY toastChanged)
    Q_PROPERTY(bool toastCanUndo READ toastCanUndo NOTIFY toastChanged)
    Q_PROPERTY(bool toastCanChange READ toastCanChange NOTIFY toastChanged)
    Q_PROPERTY(QString toastIcon READ toastIcon NOTIFY toastChanged)
    Q_PROPERTY(double toastIconSize READ toastIconSize NOTIFY toastChanged)
    Q_PROPERTY(bool toastIconBold READ toastIconBold NOTIFY toastChanged)
    Q_PROPERTY(QColor toastIconColor READ toastIconColor NOTIFY toastChanged)

    Q_PROPERTY(QString page READ page NOTIFY pageChanged)
    Q_PROPERTY(QString dropNotice READ dropNotice NOTIFY dropNoticeChanged)
    // Why nothing is watched, and the one action that helps (its button; empty for none).
    Q_PROPERTY(QString problemTitle READ problemTitle NOTIFY problemChanged)
    Q_PROPERTY(QString problemText READ problemText NOTIFY problemChanged)
    Q_PROPERTY(QString problemAction READ problemAction NOTIFY problemChanged)
    Q_PROPERTY(bool problemRetryable READ problemRetryable NOTIFY problemChanged)
    // Shown above whatever page is open while decisions cannot be saved.
    Q_PROPERTY(QString storageProblem READ storageProblem NOTIFY storageProblemChanged)
    Q_PROPERTY(QString lowSpaceText READ lowSpaceText NOTIFY lowSpaceChanged)
    Q_PROPERTY(QString freeSpaceLabel READ freeSpaceLabel NOTIFY lowSpaceChanged)
    Q_PROPERTY(QString confirmationHeadline READ confirmationHeadline NOTIFY confirmationChanged)
    Q_PROPERTY(QString confirmationSubtitle READ confirmationSubtitle NOTIFY confirmationChanged)
    Q_PROPERTY(int confirmationKind READ confirmationKind NOTIFY confirmationChanged)
    // The rule offered after the decision the card confirms ("Always keep PDFs from …?");
    // empty when none is.
    Q_PROPERTY(QString ruleOfferText READ ruleOfferText NOTIFY ruleOfferChanged)

    Q_PROPERTY(QString selectedPendingId READ selectedPendingId NOTIFY selectionChanged)
    Q_PROPERTY(QString editingTrackedId READ editingTrackedId NOTIFY selectionChanged)
    // The lists as list models: rows come, go and move; a row's object stays with its record.
    Q_PROPERTY(NotchFileList* pendingRows READ pendingRows CONSTANT)
    Q_PROPERTY(NotchFileList* trackedRows READ trackedRows CONSTANT)
    Q_PROPERTY(QString pendingCount READ pendingCount NOTIFY pendingRowsChanged)
    Q_PROPERTY(QString trackedCount READ trackedCount NOTIFY trackedRowsChanged)
    Q_PROPERTY(QString pendingSize READ pendingSize NOTIFY pendingRowsChanged)
    Q_PROPERTY(QString trackedSize READ trackedSize NOTIFY trackedRowsChanged)
    Q_PROPERTY(bool showApplyToAll READ showApplyToAll NOTIFY pendingRowsChanged)
    Q_PROPERTY(QString moreWaiting READ moreWaiting NOTIFY pendingRowsChanged)
    Q_PROPERTY(QVariantList options READ options NOTIFY optionsChanged)

    Q_PROPERTY(bool paused READ paused NOTIFY pausedChanged)
    Q_PROPERTY(QString footerText READ footerText NOTIFY pausedChanged)
    Q_PROPERTY(QString pauseHelp READ pauseHelp NOTIFY pausedChanged)
    Q_PROPERTY(QString emptyDetail READ emptyDetail NOTIFY pausedChanged)

    Q_PROPERTY(QString markIcon READ markIcon NOTIFY collapsedContentChanged)
    Q_PROPERTY(double markLeading READ markLeading NOTIFY collapsedContentChanged)
    Q_PROPERTY(double markOpacity READ markOpacity NOTIFY collapsedContentChanged)
    Q_PROPERTY(bool markIsCountdown READ markIsCountdown NOTIFY collapsedContentChanged)
    Q_PROPERTY(double markIconSize READ markIconSize NOTIFY collapsedContentChanged)
    Q_PROPERTY(bool markBold READ markBold NOTIFY collapsedContentChanged)
    Q_PROPERTY(bool markIsWarning READ markIsWarning NOTIFY collapsedContentChanged)
    Q_PROPERTY(QString indicatorText READ indicatorText NOTIFY collapsedContentChanged)
    Q_PROPERTY(bool indicatorShown READ indicatorShown NOTIFY collapsedContentChanged)
    Q_PROPERTY(bool indicatorIsCountdown READ indicatorIsCountdown NOTIFY collapsedContentChanged)
    Q_PROPERTY(QColor countColor READ countColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor countdownColor READ countdownColor NOTIFY colorsChanged)

    // The keyboard, while the panel holds it: the cursor is the opened row (pending) or the
    // edited row (tracked) with its choice; shown while the content, not one of its buttons,
    // has the focus.
    Q_PROPERTY(bool keyboardHeld READ keyboardHeld NOTIFY keyboardChanged)
    Q_PROPERTY(
        bool contentFocused READ contentFocused WRITE setContentFocused NOTIFY keyboardChanged)
    Q_PROPERTY(bool showsCursor READ showsCursor NOTIFY keyboardChanged)
    Q_PROPERTY(int keyChoice READ keyChoice NOTIFY keyboardChanged)
    // The desktop asks for less motion: states change at once, without springs or fades.
    Q_PROPERTY(bool reducedMotion READ reducedMotion NOTIFY reducedMotionChanged)

public:
    static constexpr double footerLineHeight = 48;

    // openSettings shows the settings window; it may be empty until there is one.
    NotchViewModel(NotchController& controller, std::function<void()> openSettings,
                   QObject* parent = nullptr);
    ~NotchViewModel() override;

    [[nodiscard]] NotchController& controller() const { return m_controller; }
    [[nodiscard]] Instant now() const { return m_controller.clock().now(); }
    [[nodiscard]] const TextContext& textContext() const { return m_texts; }
    void setTextContext(TextContext context);
    [[nodiscard]] ExpiryOption initialOption() const;
    [[nodiscard]] bool isTicking() const { return m_tick != nullptr; }

    [[nodiscard]] bool collapsed() const { return state() == NotchState::collapsed; }
    [[nodiscard]] bool expanded() const { return state() == NotchState::expanded; }
    [[nodiscard]] bool toastShown() const { return state() == NotchState::toast; }
    [[nodiscard]] double topRadius() const;
    [[nodiscard]] double bottomRadius() const;
    [[nodiscard]] bool hasNotch() const { return m_controller.geometry().hasNotch; }
    [[nodiscard]] double notchHeight() const { return m_controller.geometry().notchRect.height; }
    [[nodiscard]] double collapsedWidth() const;
    [[nodiscard]] double openWidth() const;
    [[nodiscard]] double toastHeight() const;
    [[nodiscard]] double maxHeight() const { return NotchGeometry::expandedHeight; }
    [[nodiscard]] double footerHeight() const { return footerLineHeight; }

    [[nodiscard]] QString toastTitle() const;
    [[nodiscard]] QString toastSubtitle() const;
    [[nodiscard]] bool toastIsRelease() const;
    [[nodiscard]] bool toastCanUndo() const {
        return m_controller.toast() && !m_controller.toast()->places.empty();
    }
    [[nodiscard]] bool toastCanChange() const {
        return m_controller.toast() && m_controller.toast()->change;
    }
    [[nodiscard]] QString toastIcon() const { return shownToastMark().icon; }
    [[nodiscard]] double toastIconSize() const { return shownToastMark().size; }
    [[nodiscard]] bool toastIconBold() const { return shownToastMark().bold; }
    [[nodiscard]] QColor toastIconColor() const;

    [[nodiscard]] ExpandedPage currentPage() const;
    [[nodiscard]] QString page() const { return pageName(m_page); }
    [[nodiscard]] QString dropNotice() const;
    [[nodiscard]] QString problemTitle() const;
    [[nodiscard]] QString problemText() const;
    [[nodiscard]] QString problemAction() const;
    [[nodiscard]] bool problemRetryable() const;
    [[nodiscard]] QString storageProblem() const { return m_model.storageProblem(); }
    // While the disk of Downloads is almost full and items of ours in the Trash could go: the
    // line that says so and its button's label; empty otherwise.
    [[nodiscard]] QString lowSpaceText() const;
    [[nodiscard]] QString freeSpaceLabel() const;
    Q_INVOKABLE void freeSpace();
    [[nodiscard]] QString confirmationHeadline() const;
    [[nodiscard]] QString confirmationSubtitle() const;
    [[nodiscard]] int confirmationKind() const;
    [[nodiscard]] QString ruleOfferText() const;

    [[nodiscard]] QString selectedPendingId() const;
    [[nodiscard]] QString editingTrackedId() const;
    [[nodiscard]] NotchFileList* pendingRows() const { return m_pendingRows; }
    [[nodiscard]] NotchFileList* trackedRows() const { return m_trackedRows; }
    [[nodiscard]] QString pendingCount() const { return sectionCountText(m_pendingTotal); }
    [[nodiscard]] QString trackedCount() const { return sectionCountText(m_trackedTotal); }
    // What the files of each list take together, shown or not.
    [[nodiscard]] QString pendingSize() const { return byteCountText(m_pendingBytes); }
    [[nodiscard]] QString trackedSize() const { return byteCountText(m_trackedBytes); }
    // How many rows each list shows at most.
    static constexpr qsizetype shownRowLimit = 100;
    // While the model keeps changing, the rows follow it this often, after the first few
    // changes of a quiet spell.
    static constexpr Duration rowsInterval{200};
    static constexpr int rowsAtOnce = 4;
    [[nodiscard]] bool showApplyToAll() const { return m_pendingRows->count() >= 2; }
    [[nodiscard]] QString moreWaiting() const {
        return moreWaitingText(m_pendingTotal - m_pendingRows->count());
    }
    [[nodiscard]] QVariantList options() const;
    // The options a pending file's row offers.
    [[nodiscard]] QVariantList optionsFor(const TrackedFile* file) const;

    [[nodiscard]] bool paused() const;
    [[nodiscard]] QString footerText() const { return fadebin::footerText(paused()); }
    [[nodiscard]] QString pauseHelp() const { return pauseButtonHelp(paused()); }
    [[nodiscard]] QString emptyDetail() const { return emptyStateDetail(paused()); }

    [[nodiscard]] QString markIcon() const { return mark().icon; }
    [[nodiscard]] double markLeading() const { return mark().leading; }
    [[nodiscard]] double markOpacity() const { return mark().opacity; }
    [[nodiscard]] bool markIsCountdown() const { return mark().countdown; }
    [[nodiscard]] double markIconSize() const { return mark().size; }
    [[nodiscard]] bool markBold() const { return mark().bold; }
    [[nodiscard]] bool markIsWarning() const { return mark().warning; }
    [[nodiscard]] QString indicatorText() const { return m_indicator.text; }
    [[nodiscard]] bool indicatorShown() const;
    [[nodiscard]] bool indicatorIsCountdown() const;
    [[nodiscard]] QColor countColor() const;
    [[nodiscard]] QColor countdownColor() const;

    [[nodiscard]] bool keyboardHeld() const { return m_controller.keyboardHeld(); }
    [[nodiscard]] bool contentFocused() const { return m_contentFocused; }
    void setContentFocused(bool focused);
    [[nodiscard]] bool showsCursor() const { return keyboardHeld() && m_contentFocused; }
    [[nodiscard]] int keyChoice() const { return m_keyChoice; }
    [[nodiscard]] bool reducedMotion() const { return m_motion && m_motion->reduced(); }
    // Follows this preference from now on; none: motion is never reduced.
    void followMotion(const MotionPreference* motion) {
        if (m_motion)
            disconnect(m_motion, nullptr, this, nullptr);
        m_motion = motion;
        if (motion)
            connect(motion, &MotionPreference::reducedChanged, this,
                    &NotchViewModel::reducedMotionChanged);
        Q_EMIT reducedMotionChanged();
    }
    // Does what the key means; whether it meant something (the key goes no further).
    Q_INVOKABLE bool pressKey(int key, int modifiers = 0);

    // The content's operations.
    Q_INVOKABLE void selectPending(const QString& id);
    Q_INVOKABLE void decidePending(const QString& id, const QString& optionRaw);
    Q_INVOKABLE void keepPending(const QString& id);
    Q_INVOKABLE void applyToAll(const QString& optionRaw);
    Q_INVOKABLE void editTracked(const QString& id);
    Q_INVOKABLE void changeExpiry(const QString& id, const QString& optionRaw);
    Q_INVOKABLE void keepTracked(const QString& id);
    Q_INVOKABLE void deleteNow(const QString& id);
    Q_INVOKABLE void reveal(const QString& id);
    Q_INVOKABLE void togglePause();
    Q_INVOKABLE void undoToast();
    Q_INVOKABLE void changeToast();
    Q_INVOKABLE void answerRuleOffer(bool accepted);
    Q_INVOKABLE void openSettings();
    Q_INVOKABLE void retryAccess();
    // The problem's action: its folder shown, the settings opened, or the command copied.
    Q_INVOKABLE void helpWithProblem();
    // Where the drawn shape is, in the panel's coordinates, with its radii.
    Q_INVOKABLE void setShapeGeometry(const QRectF& rect, double topRadius, double bottomRadius);
    // A menu shown (or moved) over the panel, and hidden again.
    Q_INVOKABLE void menuShown(QObject* menu, const QRectF& area);
    Q_INVOKABLE void menuHidden(QObject* menu);
    // Where a row's menu of this size opens, in the panel's coordinates; see menuPlacement.
    Q_INVOKABLE QPointF menuPosition(const QRectF& row, const QRectF& controls,
                                     const QSizeF& menu) const;

Q_SIGNALS:
    void stateChanged();
    void radiiChanged();
    void geometryChanged();
    void toastChanged();
    void pageChanged();
    void dropNoticeChanged();
    void problemChanged();
    void confirmationChanged();
    void ruleOfferChanged();
    void storageProblemChanged();
    void lowSpaceChanged();
    void selectionChanged();
    // The number of rows of a list changed.
    void pendingRowsChanged();
    void trackedRowsChanged();
    void optionsChanged();
    void pausedChanged();
    void collapsedContentChanged();
    void colorsChanged();
    void keyboardChanged();
    void reducedMotionChanged();
    // Every open menu should close: the user pressed outside the panel.
    void closeMenus();
    // The clock moved on by a second while something shows the time.
    void tick();

private:
    [[nodiscard]] NotchState state() const { return m_controller.state(); }
    [[nodiscard]] CollapsedMark mark() const;
    [[nodiscard]] ToastMark shownToastMark() const;
    void updateRadii();
    void updatePage();
    [[nodiscard]] NotchFileRow* pendingRow(const QString& id) const;
    [[nodiscard]] NotchFileRow* trackedRow(const QString& id) const;
    [[nodiscard]] bool hasRows() const;
    void followRows();
    void startRowsWindow(int changes);
    void updateRows();
    void updateOpenedRows();
    void updateCollapsedContent();
    void updateTicking();
    void onTick();
    void updateOutline();
    [[nodiscard]] NotchFileRow* cursorRow() const;
    void moveCursor(int by);
    void moveChoice(int by, int to = -1);
    void applyCursor();

    NotchController& m_controller;
    AppModel& m_model;
    AppSettings& m_settings;
    std::function<void()> m_openSettings;
    TextContext m_texts;
    NotchFileList* m_pendingRows;
    NotchFileList* m_trackedRows;
    qsizetype m_pendingTotal = 0; // files in each list, shown or not
    qsizetype m_trackedTotal = 0;
    qint64 m_pendingBytes = 0;
    qint64 m_trackedBytes = 0;
    QPointer<NotchFileRow> m_openedPending;
    QPointer<NotchFileRow> m_editedTracked;
    CollapsedIndicator m_indicator;
    QString m_markIcon; // the mark as last told; the rest of it follows from the icon
    NotchShape m_radii; // as last told
    ExpandedPage m_page = ExpandedPage::empty;
    TimerHandle m_tick;
    TimerHandle m_rowsPause; // while active, changes wait for its end
    int m_rowsInWindow = 0;
    bool m_rowsBehind = false;
    QRectF m_shapeRect;
    NotchShape m_drawnShape;
    std::map<QObject*, QRectF> m_menus;
    bool m_contentFocused = false;
    int m_keyChoice = -1; // in options(), for the edited tracked row
    QPointer<const MotionPreference> m_motion;
};

} // namespace fadebin
