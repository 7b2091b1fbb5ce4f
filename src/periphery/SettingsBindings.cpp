#include "periphery/SettingsBindings.h"

#include "app/AppModel.h"
#include "icons/Icon.h"
#include "periphery/ColorField.h"
#include "periphery/IntakeProblemHelp.h"
#include "periphery/PeripheryTexts.h"
#include "periphery/UpdateManager.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>

namespace fadebin {

namespace {

template <class Array, class Value> int indexIn(const Array& values, Value value) {
    const auto found = std::find(values.begin(), values.end(), value);
    return found == values.end() ? -1 : static_cast<int>(found - values.begin());
}

template <class Array> bool inRange(const Array& values, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < values.size();
}

// A colour the settings can store; channels outside 0..1 make the settings keep the old one.
RgbColor rgbOf(const QColor& color) {
    if (!color.isValid()) {
        constexpr double none = std::numeric_limits<double>::quiet_NaN();
        return RgbColor{none, none, none};
    }
    const QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    return RgbColor{rgb.redF(), rgb.greenF(), rgb.blueF()};
}

} // namespace

SettingsBindings::SettingsBindings(AppModel& model, AppSettings& settings, UpdateManager& updates,
                                   QString versionText, QObject* parent)
    : QObject(parent)
    , onQuit([] { QCoreApplication::quit(); })
    , m_model(model)
    , m_settings(settings)
    , m_updates(updates)
    , m_versionText(std::move(versionText)) {
    connect(&settings, &AppSettings::displayModeChanged, this,
            &SettingsBindings::displayModeChanged);
    connect(&settings, &AppSettings::deletionMethodChanged, this,
            &SettingsBindings::deletionMethodChanged);
    connect(&settings, &AppSettings::askWithChanged, this, &SettingsBindings::askWithChanged);
    connect(this, &SettingsBindings::notchUnavailableTextChanged, this,
            &SettingsBindings::askWithChanged);
    connect(&settings, &AppSettings::defaultActionChanged, this,
            &SettingsBindings::defaultActionChanged);
    connect(&settings, &AppSettings::autoDismissSecondsChanged, this,
            &SettingsBindings::autoDismissChanged);
    connect(&settings, &AppSettings::pendingGraceMinutesChanged, this,
            &SettingsBindings::pendingGraceChanged);
    connect(&settings, &AppSettings::pauseWatchingChanged, this,
            &SettingsBindings::pauseWatchingChanged);
    connect(&settings, &AppSettings::countColorHexChanged, this,
            &SettingsBindings::countColorChanged);
    connect(&settings, &AppSettings::countdownColorHexChanged, this,
            &SettingsBindings::countdownColorChanged);
    connect(&model, &AppModel::intakeProblemChanged, this, &SettingsBindings::problemChanged);
    // Counted when the window shows and when it may have changed, not each time the page is
    // drawn: it reads the Trash.
    connect(&model, &AppModel::ownTrashedChanged, this, &SettingsBindings::countOwnTrash);
    connect(&settings, &AppSettings::rulesChanged, this, &SettingsBindings::countRuleDecisions);
    // Queued: a decision made in a batch is in the database once the batch has ended.
    connect(&model, &AppModel::decidedByRule, this, &SettingsBindings::countRuleDecisions,
            Qt::QueuedConnection);
    connect(&model, &AppModel::storageProblemChanged, this,
            &SettingsBindings::storageProblemChanged);
    connect(&updates, &UpdateManager::updateAvailableChanged, this,
            &SettingsBindings::updateAvailableChanged);
}

int SettingsBindings::displayModeIndex() const {
    return indexIn(allDisplayModes, m_settings.displayMode());
}

QString SettingsBindings::displayModeCaption() const {
    return fadebin::displayModeCaption(m_settings.displayMode());
}

int SettingsBindings::askWithIndex() const {
    // Without a notch, notifications ask whatever is stored.
    const AskWith askWith = m_settings.askWith();
    const bool notification = askWith == AskWith::notification ||
                              (askWith == AskWith::automatic && m_automaticNotifies) ||
                              !m_notchUnavailableText.isEmpty();
    return notification ? 1 : 0;
}

int SettingsBindings::deletionMethodIndex() const {
    return indexIn(allDeletionMethods, m_settings.deletionMethod());
}

QStringList SettingsBindings::defaultActionLabels() const {
    QStringList labels;
    for (ExpiryOption option : expiryOptions::allCases)
        labels.append(label(option));
    return labels;
}

int SettingsBindings::defaultActionIndex() const {
    return indexIn(expiryOptions::allCases, m_settings.defaultAction());
}

QString SettingsBindings::autoDismissText() const {
    return wholeSecondsText(m_settings.autoDismissSeconds());
}

QString SettingsBindings::pendingGraceText() const {
    return wholeMinutesText(m_settings.pendingGraceMinutes());
}

bool SettingsBindings::pauseWatching() const {
    return m_settings.pauseWatching();
}

QColor SettingsBindings::countColor() const {
    return toQColor(m_settings.countColor());
}

QColor SettingsBindings::countdownColor() const {
    return toQColor(m_settings.countdownColor());
}

bool SettingsBindings::intakeProblem() const {
    return static_cast<bool>(m_model.intakeProblem());
}

QString SettingsBindings::problemText() const {
    return intakeProblemText(m_model.intakeProblem());
}

QString SettingsBindings::problemAction() const {
    return windowProblemAction(m_model);
}

bool SettingsBindings::problemRetryable() const {
    return clearsWhileRunning(m_model.intakeProblem().cause);
}

void SettingsBindings::setAutomaticAsksWithNotifications(bool notifies) {
    if (std::exchange(m_automaticNotifies, notifies) != notifies)
        Q_EMIT askWithChanged();
}

void SettingsBindings::setNotchUnavailableText(const QString& text) {
    if (text == m_notchUnavailableText)
        return;
    m_notchUnavailableText = text;
    Q_EMIT notchUnavailableTextChanged();
}

QString SettingsBindings::storageProblem() const {
    return m_model.storageProblem();
}

QString SettingsBindings::downloadsPath() const {
    return toQString(m_model.downloadsFolder());
}

bool SettingsBindings::canCheckForUpdates() const {
    return m_updates.isEnabled();
}

QString SettingsBindings::updateButtonTitle() const {
    return fadebin::updateButtonTitle(m_updates.updateAvailable());
}

void SettingsBindings::setDisplayModeIndex(int index) {
    if (inRange(allDisplayModes, index))
        m_settings.setDisplayMode(allDisplayModes[static_cast<std::size_t>(index)]);
}

void SettingsBindings::setAskWithIndex(int index) {
    if (index == 0 || index == 1)
        m_settings.setAskWith(index == 0 ? AskWith::notch : AskWith::notification);
}

void SettingsBindings::setDeletionMethodIndex(int index) {
    if (inRange(allDeletionMethods, index))
        m_settings.setDeletionMethod(allDeletionMethods[static_cast<std::size_t>(index)]);
}

void SettingsBindings::setDefaultActionIndex(int index) {
    if (inRange(expiryOptions::allCases, index))
        m_settings.setDefaultAction(expiryOptions::allCases[static_cast<std::size_t>(index)]);
}

void SettingsBindings::setPauseWatching(bool paused) {
    m_settings.setPauseWatching(paused);
    m_model.updateWatching();
}

void SettingsBindings::setCountColor(const QColor& color) {
    m_settings.setCountColor(rgbOf(color));
}

void SettingsBindings::setCountdownColor(const QColor& color) {
    m_settings.setCountdownColor(rgbOf(color));
}

void SettingsBindings::resetColors() {
    m_settings.resetColors();
}

void SettingsBindings::retryAccess() {
    m_model.checkDownloadsAccess();
}

void SettingsBindings::helpWithProblem() {
    fadebin::helpWithProblem(m_model);
}

void SettingsBindings::checkForUpdates() {
    m_updates.checkForUpdates();
}

void SettingsBindings::sendFeedback() {
    if (onSendFeedback)
        onSendFeedback();
}

void SettingsBindings::drawColorFields(QQuickItem* item) {
    if (!item)
        return;
    fadebin::frameColorDialogs(item->window());
    fadebin::drawColorFields(item->window());
}

void SettingsBindings::quit() {
    if (onQuit)
        onQuit();
}

void SettingsBindings::countOwnTrash() {
    m_ownTrash = m_model.ownTrashedTotal();
    Q_EMIT ownTrashChanged();
}

QString SettingsBindings::ownTrashText() const {
    return ownTrashTotalText(m_ownTrash.bytes, m_ownTrash.count);
}

QString SettingsBindings::emptyQuestion() const {
    return emptyOwnTrashQuestion(m_ownTrash.bytes, m_ownTrash.count);
}

void SettingsBindings::emptyOwnTrash() {
    m_model.freeTrashed(std::numeric_limits<qint64>::max());
}

} // namespace fadebin
