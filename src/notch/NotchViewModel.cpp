#include "notch/NotchViewModel.h"

#include "app/AppTexts.h"

#include "icons/Icon.h"
#include "notch/SpokenTexts.h"

#include <QCoreApplication>
#include <QVariantMap>

#include <algorithm>

namespace fadebin {

namespace {

constexpr Duration tickInterval{1000};

QString textOf(const std::optional<QUuid>& id) {
    return id ? id->toString(QUuid::WithoutBraces) : QString();
}

} // namespace

ExpandedPage expandedPage(bool dropTargeted, bool hasDropNotice, bool watchingStopped,
                          bool hasConfirmation, bool hasFiles) {
    if (dropTargeted)
        return ExpandedPage::dropPrompt;
    if (hasDropNotice)
        return ExpandedPage::dropNotice;
    if (watchingStopped)
        return ExpandedPage::accessWarning;
    if (hasConfirmation)
        return ExpandedPage::confirmation;
    return hasFiles ? ExpandedPage::lists : ExpandedPage::empty;
}

QString pageName(ExpandedPage page) {
    switch (page) {
    case ExpandedPage::dropPrompt:
        return QStringLiteral("dropPrompt");
    case ExpandedPage::dropNotice:
        return QStringLiteral("dropNotice");
    case ExpandedPage::accessWarning:
        return QStringLiteral("accessWarning");
    case ExpandedPage::confirmation:
        return QStringLiteral("confirmation");
    case ExpandedPage::lists:
        return QStringLiteral("lists");
    case ExpandedPage::empty:
        break;
    }
    return QStringLiteral("empty");
}

// The view model ---------------------------------------------------------------------------

NotchViewModel::NotchViewModel(NotchController& controller, std::function<void()> openSettings,
                               QObject* parent)
    : QObject(parent)
    , m_controller(controller)
    , m_model(controller.model())
    , m_settings(controller.settings())
    , m_openSettings(std::move(openSettings)) {
    const auto makeRow = [this](TrackedFile* file) {
        return new NotchFileRow(file, m_model.fileKind(file), *this);
    };
    m_pendingRows = new NotchFileList(makeRow, this);
    m_trackedRows = new NotchFileList(makeRow, this);
    connect(m_pendingRows, &NotchFileList::countChanged, this, &NotchViewModel::pendingRowsChanged);
    connect(m_trackedRows, &NotchFileList::countChanged, this, &NotchViewModel::trackedRowsChanged);
    NotchController* c = &m_controller;
    connect(c, &NotchController::stateChanged, this, [this] {
        Q_EMIT stateChanged();
        updateRadii();
        updateTicking();
    });
    connect(c, &NotchController::geometryChanged, this, [this] {
        Q_EMIT geometryChanged();
        updateRadii();
    });
    connect(c, &NotchController::toastChanged, this, &NotchViewModel::toastChanged);
    connect(c, &NotchController::dropNoticeChanged, this, &NotchViewModel::dropNoticeChanged);
    connect(c, &NotchController::confirmationChanged, this, &NotchViewModel::confirmationChanged);
    // The offer shows on the card only: either coming or going changes it.
    connect(&m_model, &AppModel::ruleOfferChanged, this, &NotchViewModel::ruleOfferChanged);
    connect(c, &NotchController::confirmationChanged, this, &NotchViewModel::ruleOfferChanged);
    connect(&m_model, &AppModel::intakeProblemChanged, this, [this] {
        Q_EMIT problemChanged();
        updatePage();
        updateCollapsedContent();
    });
    for (auto changed :
         {&NotchController::isDropTargetedChanged, &NotchController::dropNoticeChanged,
          &NotchController::confirmationChanged})
        connect(c, changed, this, &NotchViewModel::updatePage);
    for (auto changed :
         {&NotchController::selectedPendingIDChanged, &NotchController::editingTrackedIDChanged})
        connect(c, changed, this, [this] {
            updateOpenedRows();
            Q_EMIT selectionChanged();
        });
    connect(c, &NotchController::editingTrackedIDChanged, this, [this] {
        m_keyChoice = -1;
        Q_EMIT keyboardChanged();
    });
    connect(c, &NotchController::keyboardHeldChanged, this, &NotchViewModel::keyboardChanged);
    connect(&m_model, &AppModel::storageProblemChanged, this,
            &NotchViewModel::storageProblemChanged);
    connect(m_model.lowSpace(), &LowSpaceWatch::changed, this, &NotchViewModel::lowSpaceChanged);
    for (auto changed : {&AppModel::pendingFilesChanged, &AppModel::trackedFilesChanged})
        connect(&m_model, changed, this, &NotchViewModel::followRows);
    connect(&m_model, &AppModel::countdownDeadlineChanged, this, [this] {
        updateCollapsedContent();
        updateTicking();
    });
    connect(&m_settings, &AppSettings::testTimersOfferedChanged, this,
            &NotchViewModel::optionsChanged);
    connect(&m_settings, &AppSettings::pauseWatchingChanged, this, &NotchViewModel::pausedChanged);
    connect(&m_settings, &AppSettings::showScheduledCountChanged, this,
            &NotchViewModel::updateCollapsedContent);
    for (auto changed :
         {&AppSettings::countColorHexChanged, &AppSettings::countdownColorHexChanged})
        connect(&m_settings, changed, this, &NotchViewModel::colorsChanged);
    m_controller.onPressOutsideMenu = [this] { Q_EMIT closeMenus(); };
    m_radii = NotchShape::forState(state(), hasNotch());
    updateRows();
}

NotchViewModel::~NotchViewModel() {
    m_controller.onPressOutsideMenu = {};
    // Menus still counted as open end with the content.
    for (auto& [menu, area] : m_menus) {
        disconnect(menu, nullptr, this, nullptr);
        m_controller.menuEndedTracking();
    }
}

void NotchViewModel::setTextContext(TextContext context) {
    m_texts = std::move(context);
    Q_EMIT tick();
    Q_EMIT confirmationChanged(); // its headline carries a date
    updateCollapsedContent();
}

ExpiryOption NotchViewModel::initialOption() const {
    // A default among the hidden test timers is not offered; keeping is the safe choice then.
    const ExpiryOption preferred = m_settings.defaultAction();
    const std::vector<ExpiryOption> offered =
        expiryOptions::offered(m_settings.testTimersOffered());
    return std::find(offered.begin(), offered.end(), preferred) != offered.end()
               ? preferred
               : ExpiryOption::forever;
}

double NotchViewModel::topRadius() const {
    return m_radii.topRadius;
}

double NotchViewModel::bottomRadius() const {
    return m_radii.bottomRadius;
}

void NotchViewModel::updateRadii() {
    const NotchShape radii = NotchShape::forState(state(), hasNotch());
    if (radii == m_radii)
        return;
    m_radii = radii;
    Q_EMIT radiiChanged();
}

void NotchViewModel::updatePage() {
    const ExpandedPage page = currentPage();
    if (page == m_page)
        return;
    m_page = page;
    Q_EMIT pageChanged();
}

double NotchViewModel::collapsedWidth() const {
    return m_controller.geometry().collapsedWidth();
}

double NotchViewModel::openWidth() const {
    return std::max(m_controller.frameForState(NotchState::expanded).width, collapsedWidth());
}

double NotchViewModel::toastHeight() const {
    return m_controller.geometry().toastHeight();
}

QString NotchViewModel::toastTitle() const {
    return m_controller.toast() ? m_controller.toast()->title : QString();
}

QString NotchViewModel::toastSubtitle() const {
    return m_controller.toast() ? shownName(m_controller.toast()->subtitle) : QString();
}

bool NotchViewModel::toastIsRelease() const {
    return m_controller.toast() && m_controller.toast()->style == NotchToast::Style::released;
}

ToastMark NotchViewModel::shownToastMark() const {
    return toastMark(m_controller.toast() ? m_controller.toast()->style
                                          : NotchToast::Style::deleted);
}

QColor NotchViewModel::toastIconColor() const {
    const ToastMark mark = shownToastMark();
    return toQColor(mark.color, mark.opacity);
}

ExpandedPage NotchViewModel::currentPage() const {
    // At the inotify limit the files are still in reach: waiting ones are decided first.
    const IntakeProblem& problem = m_model.intakeProblem();
    const bool problemShown = problem && (problem.cause != IntakeCause::watchLimit || !hasRows());
    return expandedPage(m_controller.isDropTargeted(), m_controller.dropNotice().has_value(),
                        problemShown, m_controller.confirmation().has_value(), hasRows());
}

QString NotchViewModel::dropNotice() const {
    const QString notice = m_controller.dropNotice().value_or(QString());
    if (notice == NotchController::refusedDropNotice)
        return appTexts::refusalSentence(PathRefusal::outside);
    if (notice == NotchController::unsavedDropNotice)
        return QCoreApplication::translate(
            "NotchTexts",
            QT_TRANSLATE_NOOP("NotchTexts",
                              "Not a file yet: save it to Downloads, then drop it here"));
    return appTexts::shown(notice);
}

QString NotchViewModel::confirmationHeadline() const {
    const auto& card = m_controller.confirmation();
    return card ? card->headline(now(), m_texts) : QString();
}

QString NotchViewModel::confirmationSubtitle() const {
    const auto& card = m_controller.confirmation();
    return card ? card->subtitle : QString();
}

QString NotchViewModel::ruleOfferText() const {
    const std::optional<RuleOffer>& offer = m_model.ruleOffer();
    return offer && m_controller.confirmation()
               ? shownName(appTexts::ruleOfferQuestion(offer->rule()))
               : QString();
}

int NotchViewModel::confirmationKind() const {
    const auto& card = m_controller.confirmation();
    return static_cast<int>(card ? card->kind : FileKind::other);
}

QString NotchViewModel::selectedPendingId() const {
    return textOf(m_controller.selectedPendingId());
}

QString NotchViewModel::editingTrackedId() const {
    return textOf(m_controller.editingTrackedID());
}

QVariantList NotchViewModel::options() const {
    return optionsFor(nullptr);
}

QVariantList NotchViewModel::optionsFor(const TrackedFile* file) const {
    // The guide's sample keeps the 30 seconds its step asks for after the guide has closed;
    // no other file gets them that way.
    const bool testTimers =
        m_settings.testTimersOffered() || (file != nullptr && m_model.isSample(*file));
    QVariantList list;
    for (ExpiryOption option : expiryOptions::offered(testTimers))
        list.append(QVariantMap{{QStringLiteral("raw"), rawValue(option)},
                                {QStringLiteral("shortLabel"), shortLabel(option)},
                                {QStringLiteral("label"), label(option)},
                                {QStringLiteral("spokenName"), spokenOptionName(option)},
                                {QStringLiteral("prominent"), option == ExpiryOption::forever}});
    return list;
}

bool NotchViewModel::paused() const {
    return m_settings.pauseWatching();
}

CollapsedMark NotchViewModel::mark() const {
    return collapsedMark(m_model.countdownDeadline().has_value(), m_model.trackedFiles().size(),
                         m_model.pendingFiles().size(), static_cast<bool>(m_model.intakeProblem()));
}

bool NotchViewModel::indicatorShown() const {
    return m_indicator.kind != CollapsedIndicator::Kind::none;
}

bool NotchViewModel::indicatorIsCountdown() const {
    return m_indicator.kind == CollapsedIndicator::Kind::countdown;
}

QColor NotchViewModel::countColor() const {
    return toQColor(m_settings.countColor());
}

QColor NotchViewModel::countdownColor() const {
    return toQColor(m_settings.countdownColor());
}

// Rows and time ----------------------------------------------------------------------------

NotchFileRow* NotchViewModel::pendingRow(const QString& id) const {
    return m_pendingRows->row(id);
}

NotchFileRow* NotchViewModel::trackedRow(const QString& id) const {
    return m_trackedRows->row(id);
}

bool NotchViewModel::hasRows() const {
    return !m_pendingRows->isEmpty() || !m_trackedRows->isEmpty();
}

// A burst brings thousands of arrivals a second, and each shown row that comes or goes costs
// a delegate: the rows follow the model at once for a few changes, then, while changes keep
// coming, once per interval with everything that came in between.
void NotchViewModel::followRows() {
    const bool windowOpen = m_rowsPause && m_rowsPause->isActive();
    if (windowOpen && ++m_rowsInWindow > rowsAtOnce) {
        m_rowsBehind = true;
        return;
    }
    if (!windowOpen)
        startRowsWindow(1);
    updateRows();
}

void NotchViewModel::startRowsWindow(int changes) {
    m_rowsInWindow = changes;
    m_rowsPause = m_controller.clock().singleShot(rowsInterval, [this] {
        if (!std::exchange(m_rowsBehind, false))
            return;
        // Still busy: the next window coalesces from its first change.
        startRowsWindow(rowsAtOnce);
        updateRows();
    });
}

// Either list of the model changed: both are read, as the model has them both by now or
// will tell the other next. The list models tell their views row by row.
void NotchViewModel::updateRows() {
    // The panel shows the newest files waiting and the soonest to expire, a few score of each
    // (thousands of rows would cost seconds and hundreds of megabytes to lay out, and nobody
    // scrolls through them); the section headers count them all, and "Apply to all" and the
    // command line reach every one.
    const QList<TrackedFile*> pending = m_model.pendingFiles();
    const QList<TrackedFile*> tracked = m_model.trackedFiles();
    m_pendingRows->setFiles(
        pending.size() > shownRowLimit ? pending.sliced(pending.size() - shownRowLimit) : pending);
    m_trackedRows->setFiles(tracked.first(std::min(tracked.size(), shownRowLimit)));
    const auto bytesOf = [](const QList<TrackedFile*>& files) {
        qint64 bytes = 0;
        for (const TrackedFile* file : files)
            bytes += std::max<qint64>(file->sizeBytes(), 0);
        return bytes;
    };
    const qint64 pendingBytes = bytesOf(pending);
    const qint64 trackedBytes = bytesOf(tracked);
    const bool pendingCounted = std::exchange(m_pendingTotal, pending.size()) != pending.size();
    if (std::exchange(m_pendingBytes, pendingBytes) != pendingBytes || pendingCounted)
        Q_EMIT pendingRowsChanged();
    const bool trackedCounted = std::exchange(m_trackedTotal, tracked.size()) != tracked.size();
    if (std::exchange(m_trackedBytes, trackedBytes) != trackedBytes || trackedCounted)
        Q_EMIT trackedRowsChanged();
    updateOpenedRows();
    updatePage();
    updateCollapsedContent();
    updateTicking();
}

// The rows the controller's selection names are the opened ones.
void NotchViewModel::updateOpenedRows() {
    const auto open = [](QPointer<NotchFileRow>& opened, NotchFileRow* row) {
        if (opened == row)
            return;
        if (opened)
            opened->setOpened(false);
        opened = row;
        if (row != nullptr)
            row->setOpened(true);
    };
    open(m_openedPending, m_pendingRows->row(selectedPendingId()));
    open(m_editedTracked, m_trackedRows->row(editingTrackedId()));
}

void NotchViewModel::updateCollapsedContent() {
    const CollapsedIndicator indicator =
        collapsedIndicator(m_model.countdownDeadline(), now(), m_settings.showScheduledCount(),
                           m_model.trackedFiles().size());
    const CollapsedMark shownMark = mark();
    if (indicator == m_indicator && shownMark.icon == m_markIcon)
        return;
    m_indicator = indicator;
    m_markIcon = shownMark.icon;
    Q_EMIT collapsedContentChanged();
}

void NotchViewModel::updateTicking() {
    // Time shows in the rows while the panel is open, and in the collapsed indicator during
    // a countdown; otherwise nothing needs the clock and nothing wakes.
    const bool rowsShowTime = expanded() && hasRows();
    const bool countdownShows = !expanded() && m_model.countdownDeadline().has_value();
    if (!(rowsShowTime || countdownShows)) {
        m_tick.reset();
        return;
    }
    if (m_tick)
        return;
    m_tick = m_controller.clock().repeating(tickInterval, [this] { onTick(); });
    // Rows made while nothing ticked still show the time of their making: the panel that
    // opens on them must not show "1d" for a file with 14 hours left until the next tick.
    onTick();
}

void NotchViewModel::onTick() {
    Q_EMIT tick();
    updateCollapsedContent();
}

} // namespace fadebin
