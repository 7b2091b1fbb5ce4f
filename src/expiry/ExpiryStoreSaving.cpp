// Saving: every change written in one transaction, the file's marks following it, failed
// saves tried again, and the last tries of a stop.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace fadebin {

namespace {

struct ExpiryStoreTexts {
    Q_DECLARE_TR_FUNCTIONS(ExpiryStoreTexts)
};

// The reasons the user can do something about; English as the bus carries them.
const char* const diskFull = QT_TRANSLATE_NOOP("ExpiryStoreTexts", "the disk is full");
const char* const diskReadOnly = QT_TRANSLATE_NOOP("ExpiryStoreTexts", "the disk is read-only");
const char* const notSavedSentence =
    QT_TRANSLATE_NOOP("ExpiryStoreTexts", "not saved yet: %1; Fadebin keeps trying");

// A reason in the user's language; anything else as SQLite says it.
QString shownReason(const QString& english) {
    for (const char* known : {diskFull, diskReadOnly})
        if (english == QLatin1String(known))
            return ExpiryStoreTexts::tr(known);
    return english;
}

} // namespace

bool ExpiryStore::save() {
    if (m_batchDepth > 0)
        return true; // written, marks and all, when the batch ends
    std::vector<const TrackedFile*> dirty;
    dirty.reserve(m_unsaved.size());
    for (const auto& [sequence, record] : m_unsaved)
        dirty.push_back(record);
    QString error;
    if (!dirty.empty() && !m_database->write(dirty, error)) {
        saveFailed(error);
        return false;
    }
    for (const auto& [sequence, record] : std::exchange(m_unsaved, {}))
        record->clearDirty();
    if (m_saveProblem) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Records saved again");
        m_saveProblem.reset();
        m_saveRetry.reset();
        m_saveRetryDelay = Duration::zero();
        Q_EMIT saveProblemChanged();
    }
    payOwedMarks();
    dropEnded();
    return true;
}

void ExpiryStore::saveFailed(const QString& error) {
    // What the user can do something about, in their words; anything else as SQLite says it.
    const QString reason = error.contains(QLatin1String("full"))       ? QLatin1String(diskFull)
                           : error.contains(QLatin1String("readonly")) ? QLatin1String(diskReadOnly)
                                                                       : error;
    m_saveReason = reason;
    const QString problem =
        ExpiryStoreTexts::tr("Fadebin can't save its records: %1").arg(shownReason(reason));
    if (problem != m_saveProblem) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Save failed: %s", error.toUtf8().constData());
        m_saveProblem = problem;
        Q_EMIT saveProblemChanged();
    }
    // Tried again on its own, a little later after each failed try (other saves failing
    // meanwhile do not put it off), until one goes through.
    if (m_saveRetry && m_saveRetry->isActive())
        return;
    m_saveRetryDelay = std::clamp(m_saveRetryDelay * 2, firstSaveRetry, longestSaveRetry);
    QPointer<ExpiryStore> self(this);
    m_saveRetry = m_clock.singleShot(m_saveRetryDelay, [self] {
        if (self)
            self->save();
    });
}

std::optional<QString> ExpiryStore::notSavedYet() const {
    if (m_unsaved.empty() || !m_saveProblem)
        return std::nullopt;
    return QString::fromUtf8(notSavedSentence).arg(m_saveReason);
}

QString ExpiryStore::shownNotSaved(const QString& english) {
    const QString sentence = QString::fromUtf8(notSavedSentence);
    const qsizetype at = sentence.indexOf(QLatin1String("%1"));
    const QStringView before = QStringView(sentence).left(at);
    const QStringView after = QStringView(sentence).mid(at + 2);
    if (english.size() < before.size() + after.size() || !english.startsWith(before) ||
        !english.endsWith(after))
        return english;
    const QString reason =
        english.mid(before.size(), english.size() - before.size() - after.size());
    return ExpiryStoreTexts::tr(notSavedSentence).arg(shownReason(reason));
}

void ExpiryStore::saveBeforeStop() {
    // Nobody listens any more, and no loop turns to run a retry: a few tries here, then
    // every change still unsaved is told lost by name.
    blockSignals(true);
    for (int tries = 0; !m_unsaved.empty() && tries < savesAtStop; ++tries) {
        if (tries > 0)
            m_clock.block(pauseAtStop);
        [[maybe_unused]] const bool saved = save();
        m_saveRetry.reset();
    }
    for (const auto& [sequence, record] : m_unsaved)
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Lost at stop, never saved: %s (%s)",
                          record->displayName().toUtf8().constData(),
                          record->statusRaw().toUtf8().constData());
}

std::vector<qint64> ExpiryStore::filesDecidedBy(const std::vector<Rule>& rules) const {
    std::vector<qint64> counts(rules.size(), 0);
    QString error;
    const auto stored = m_database->ruleCounts(error);
    if (!stored) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Rule counts unreadable: %s",
                          error.toUtf8().constData());
        return counts;
    }
    // Compared as rules, not as texts: the same rule may have been written in another order.
    for (const auto& [text, count] : *stored) {
        const std::optional<Rule> rule =
            ruleFromJson(QJsonDocument::fromJson(text.toUtf8()).object()).rule;
        const auto found = rule ? std::ranges::find(rules, *rule) : rules.end();
        if (found != rules.end())
            counts[static_cast<std::size_t>(found - rules.begin())] += count;
    }
    return counts;
}

std::vector<ChoiceStreak> ExpiryStore::choiceStreaks() const {
    QString error;
    std::optional<std::vector<ChoiceStreak>> streaks = m_database->choiceStreaks(error);
    if (!streaks) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Choice streaks unreadable: %s",
                          error.toUtf8().constData());
        return {};
    }
    return std::move(*streaks);
}

void ExpiryStore::saveChoiceStreak(const ChoiceStreak& streak) {
    QString error;
    if (!m_database->writeChoiceStreak(streak, error))
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Choice streak not saved: %s",
                          error.toUtf8().constData());
}

} // namespace fadebin
