// The notch content's operations: what its buttons and menus do, where its menus go, and why
// nothing is watched when nothing is.
#include "notch/NotchViewModel.h"

#include "app/AppTexts.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>

namespace fadebin {

namespace {

std::optional<QUuid> uuidOf(const QString& id) {
    const QUuid uuid(id);
    return uuid.isNull() ? std::nullopt : std::optional(uuid);
}

} // namespace

QPointF menuPlacement(const QRectF& shape, double topInset, double margin, const QRectF& row,
                      const QRectF& controls, const QSizeF& menu) {
    constexpr double gap = 2;
    const QRectF area = shape.adjusted(margin, topInset, -margin, -margin);
    const double lastX = std::max(area.left(), area.right() - menu.width());
    if (row.bottom() + gap + menu.height() <= area.bottom())
        return {std::clamp(controls.right() - menu.width(), area.left(), lastX),
                row.bottom() + gap};
    const double lastY = std::max(area.top(), area.bottom() - menu.height());
    return {std::clamp(controls.left() - gap - menu.width(), area.left(), lastX),
            std::clamp(row.top(), area.top(), lastY)};
}

// Operations -------------------------------------------------------------------------------

void NotchViewModel::selectPending(const QString& id) {
    m_controller.setSelectedPendingID(uuidOf(id));
}

void NotchViewModel::decidePending(const QString& id, const QString& optionRaw) {
    NotchFileRow* row = pendingRow(id);
    const std::optional<ExpiryOption> option = optionFromRaw(optionRaw);
    if (row == nullptr || row->file() == nullptr || !option)
        return;
    TrackedFile* file = row->file();
    const QString name = file->displayName();
    const FileStatus before = file->status();
    m_model.decide(file, *option);
    // A record that ended since its row was drawn stays as it was: nothing to confirm.
    if (file->status() == before)
        return;
    m_controller.showConfirmation(
        {file->id(), row->fileKind(), *option, file->expiresAt(), shownName(name)});
}

void NotchViewModel::keepPending(const QString& id) {
    decidePending(id, rawValue(ExpiryOption::forever));
}

void NotchViewModel::applyToAll(const QString& optionRaw) {
    const std::optional<ExpiryOption> option = optionFromRaw(optionRaw);
    if (!option || m_pendingRows->isEmpty())
        return;
    // Only what the decision changed is confirmed: records that ended meanwhile stay ended.
    std::vector<std::pair<QPointer<TrackedFile>, FileStatus>> waiting;
    for (TrackedFile* file : m_model.pendingFiles())
        waiting.emplace_back(file, file->status());
    m_model.decideAll(*option);
    const auto count = std::count_if(waiting.begin(), waiting.end(), [](const auto& before) {
        return before.first && before.first->status() != before.second;
    });
    if (count == 0)
        return;
    const std::optional<Duration> keep = duration(*option);
    m_controller.showConfirmation({QUuid(), FileKind::other, *option,
                                   keep ? std::optional(now() + *keep) : std::nullopt,
                                   filesDecidedText(count)});
}

void NotchViewModel::editTracked(const QString& id) {
    const std::optional<QUuid> uuid = uuidOf(id);
    m_controller.setEditingTrackedID(m_controller.editingTrackedID() == uuid ? std::nullopt : uuid);
}

void NotchViewModel::changeExpiry(const QString& id, const QString& optionRaw) {
    NotchFileRow* row = trackedRow(id);
    const std::optional<ExpiryOption> option = optionFromRaw(optionRaw);
    if (row == nullptr || !option)
        return;
    if (m_controller.editingTrackedID() == uuidOf(id))
        m_controller.setEditingTrackedID(std::nullopt);
    m_model.decide(row->file(), *option);
}

void NotchViewModel::keepTracked(const QString& id) {
    changeExpiry(id, rawValue(ExpiryOption::forever));
}

void NotchViewModel::deleteNow(const QString& id) {
    if (NotchFileRow* row = trackedRow(id))
        m_model.deleteNow(row->file());
}

void NotchViewModel::reveal(const QString& id) {
    NotchFileRow* row = trackedRow(id);
    if (row == nullptr)
        row = pendingRow(id);
    if (row != nullptr)
        m_model.reveal(row->file());
}

void NotchViewModel::undoToast() {
    m_controller.undoToast();
}

void NotchViewModel::changeToast() {
    m_controller.changeToast();
}

void NotchViewModel::answerRuleOffer(bool accepted) {
    m_controller.answerRuleOffer(accepted);
}

void NotchViewModel::togglePause() {
    m_settings.setPauseWatching(!m_settings.pauseWatching());
    m_model.updateWatching();
}

void NotchViewModel::openSettings() {
    if (m_openSettings)
        m_openSettings();
    m_controller.collapse();
}

void NotchViewModel::retryAccess() {
    m_model.checkDownloadsAccess();
}

// Why nothing is watched ------------------------------------------------------------------

QString NotchViewModel::problemTitle() const {
    return intakeProblemTitle(m_model.intakeProblem());
}

QString NotchViewModel::problemText() const {
    return intakeProblemText(m_model.intakeProblem());
}

QString NotchViewModel::problemAction() const {
    return remedyLabel(remedyFor(m_model.intakeProblem().cause));
}

bool NotchViewModel::problemRetryable() const {
    return clearsWhileRunning(m_model.intakeProblem().cause);
}

void NotchViewModel::helpWithProblem() {
    const IntakeProblem& problem = m_model.intakeProblem();
    switch (remedyFor(problem.cause)) {
    case IntakeRemedy::none:
        break;
    case IntakeRemedy::showParent:
        m_model.showIntakeProblemFolder();
        break;
    case IntakeRemedy::openSettings:
        openSettings();
        break;
    case IntakeRemedy::raiseLimit:
        QGuiApplication::clipboard()->setText(raiseLimitCommand(problem));
        break;
    }
}

// Shape and menus --------------------------------------------------------------------------

void NotchViewModel::setShapeGeometry(const QRectF& rect, double topRadius, double bottomRadius) {
    const NotchShape shape{topRadius, bottomRadius, hasNotch()};
    if (rect == m_shapeRect && shape == m_drawnShape)
        return;
    m_shapeRect = rect;
    m_drawnShape = shape;
    m_controller.setShapeSize({rect.width(), rect.height()});
    updateOutline();
}

void NotchViewModel::menuShown(QObject* menu, const QRectF& area) {
    if (menu == nullptr)
        return;
    const bool opened = m_menus.find(menu) == m_menus.end();
    m_menus[menu] = area;
    if (opened) {
        // A menu whose row goes away closes without saying so.
        connect(menu, &QObject::destroyed, this, [this, menu] { menuHidden(menu); });
        m_controller.menuOpened();
    }
    updateOutline();
}

void NotchViewModel::menuHidden(QObject* menu) {
    if (m_menus.erase(menu) == 0)
        return;
    disconnect(menu, &QObject::destroyed, this, nullptr);
    m_controller.menuEndedTracking();
    updateOutline();
}

QPointF NotchViewModel::menuPosition(const QRectF& row, const QRectF& controls,
                                     const QSizeF& menu) const {
    // A square corner this far in from both edges lies inside a rounded corner's arc.
    const double margin = std::max(6.0, 0.3 * m_drawnShape.bottomRadius);
    return menuPlacement(m_shapeRect, notchHeight(), margin, row, controls, menu);
}

void NotchViewModel::updateOutline() {
    if (m_shapeRect.isEmpty())
        return;
    QPainterPath outline = m_drawnShape.path(m_shapeRect);
    for (const auto& [menu, area] : m_menus) {
        QPainterPath menuArea;
        menuArea.addRect(area);
        outline = outline.united(menuArea);
    }
    m_controller.setOutline(outline);
}

QString NotchViewModel::lowSpaceText() const {
    const auto bytes = m_model.lowSpace()->freeable();
    return bytes ? appTexts::lowSpaceLine(*bytes) : QString();
}

QString NotchViewModel::freeSpaceLabel() const {
    const auto bytes = m_model.lowSpace()->freeable();
    return bytes ? appTexts::freeButton(*bytes) : QString();
}

void NotchViewModel::freeSpace() {
    m_model.lowSpace()->freeNamed();
}

} // namespace fadebin
