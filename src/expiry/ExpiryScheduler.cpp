#include "expiry/ExpiryScheduler.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace fadebin {

namespace {

struct ExpirySchedulerTexts {
    Q_DECLARE_TR_FUNCTIONS(ExpirySchedulerTexts)
};

QByteArray describe(Instant instant) {
    const UtcFields t = utcFields(instant);
    return QString::asprintf("%04d-%02u-%02u %02d:%02d:%02d +0000", t.year, t.month, t.day, t.hour,
                             t.minute, t.second)
        .toUtf8();
}

} // namespace

QString DeletionEvent::title() const {
    const auto n = names.size();
    if (method == DeletionMethod::trash)
        return n == 1 ? ExpirySchedulerTexts::tr("Moved to Trash")
                      : ExpirySchedulerTexts::tr("%n file(s) moved to Trash", nullptr,
                                                 static_cast<int>(n));
    return n == 1 ? ExpirySchedulerTexts::tr("Deleted")
                  : ExpirySchedulerTexts::tr("%n file(s) deleted", nullptr, static_cast<int>(n));
}

ExpiryScheduler::ExpiryScheduler(ExpiryStore& store, AppSettings& settings, FileDeleter& deleter,
                                 Clock& clock, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_deleter(deleter)
    , m_clock(clock) {
    connect(&m_settings, &AppSettings::waitForPresenceChanged, this, &ExpiryScheduler::reschedule);
}

ExpiryScheduler::~ExpiryScheduler() = default;

void ExpiryScheduler::setPresence(Presence* presence) {
    if (m_presence)
        disconnect(m_presence, nullptr, this, nullptr);
    m_presence = presence;
    if (presence)
        connect(presence, &Presence::changed, this, &ExpiryScheduler::presenceChanged);
    presenceChanged();
}

void ExpiryScheduler::presenceChanged() {
    const std::optional<Instant> wasAwaySince = m_away.awaySince();
    m_away.update(m_presence ? m_presence->awaySince() : std::nullopt, m_clock.now());
    reschedule();
    if (!wasAwaySince || m_away.awaySince() || !m_settings.waitForPresence() || !onReturn)
        return;
    // What came meanwhile was never seen: shown now, as it would have been on arrival.
    const std::vector<TrackedFile*> pending = m_store.files(FileStatus::pending);
    if (!pending.empty() && pending.back()->addedAt() >= *wasAwaySince)
        onReturn(pending.back());
}

std::optional<Instant> ExpiryScheduler::graceEnd(const TrackedFile& record, Instant now) const {
    const Duration grace = m_settings.pendingGrace();
    if (!m_settings.waitForPresence())
        return addSaturating(record.addedAt(), grace);
    const Duration present = m_away.presentSince(record.addedAt(), now);
    if (present >= grace)
        return now;
    if (m_away.awaySince())
        return std::nullopt;
    return now + (grace - present);
}

void ExpiryScheduler::start() {
    // The timer follows a set clock by itself, but the lead before its instant is a span from
    // now and must be measured again. A sweep does that, whether the timer fires first or not.
    QPointer<ExpiryScheduler> self(this);
    m_clockSet = m_clock.onWallClockSet([self] {
        if (self)
            self->sweep();
    });
    m_store.reconcile();
    sweep();
}

void ExpiryScheduler::wakeNotice() {
    // What fell due during the sleep has its timer fire on resume; a full look settles the
    // rest (files that went away meanwhile).
    QPointer<ExpiryScheduler> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self) {
                self->m_store.reconcile();
                self->sweep();
            }
        },
        Qt::QueuedConnection);
}

void ExpiryScheduler::reschedule() {
    m_timer.reset();
    const TrackedFile* soonestRecord = m_store.soonestScheduled();
    const std::optional<Instant> soonest =
        soonestRecord ? soonestRecord->expiresAt() : std::nullopt;
    std::optional<Instant> next = soonest;
    const Instant now = m_clock.now();
    const TrackedFile* oldest = m_store.oldestPending();
    m_away.forgetBefore(oldest ? oldest->addedAt() : now);
    if (const std::optional<Instant> end = oldest ? graceEnd(*oldest, now) : std::nullopt)
        next = soonest ? std::min(*end, *soonest) : *end;
    if (!next)
        return;
    // While Downloads cannot be seen nothing is decided; look again a while later rather
    // than every second.
    const Duration lead = m_store.downloadsAvailable() ? minimumLead : retryDelay;
    const Instant fireAt = std::max(*next, now + lead);
    QPointer<ExpiryScheduler> self(this);
    m_timer = m_clock.at(fireAt, [self] {
        if (self)
            self->sweep();
    });
    FADEBIN_LOG_DEBUG(LogCategory::Expiry, "Next sweep at %s", describe(fireAt).constData());
}

void ExpiryScheduler::sweep() {
    const Instant now = m_clock.now();
    if (!m_store.downloadsAvailable()) {
        // A folder that is not there (an unmounted disk) says nothing about its files: none
        // is taken for gone and no undecided file gets the default meanwhile.
        reschedule();
        if (onSweep)
            onSweep();
        return;
    }
    QStringList names;
    std::vector<path> places;
    const DeletionMethod method = m_settings.deletionMethod();
    std::optional<FileKind> firstKind;
    // One transaction for everything this sweep decides.
    std::optional<ExpiryStore::SaveBatch> batch(std::in_place, m_store);
    // Scheduled records come soonest first: the due ones are a prefix.
    std::vector<TrackedFile*> due;
    for (TrackedFile* record : m_store.files(FileStatus::scheduled)) {
        if (!record->expiresAt() || *record->expiresAt() > now)
            break;
        due.push_back(record);
    }
    for (TrackedFile* record : due) {
        const path place = record->lastKnownPath();
        const DeletionOutcome deleted = m_store.deleteFile(*record, method);
        const FileKind kind = classify(record->displayName().toStdString(), deleted.wasFolder);
        if (deleted.kind == DeletionOutcome::Kind::deleted) {
            names.append(record->displayName());
            if (method == DeletionMethod::trash)
                places.push_back(place);
            if (!firstKind)
                firstKind = kind;
            FADEBIN_LOG_INFO(LogCategory::Expiry, "Deleted %s",
                             record->displayName().toUtf8().constData());
            continue;
        }
        if (deleted.kind == DeletionOutcome::Kind::raced) {
            // Not found at several looks a retry apart: gone, by another hand. A door check
            // lost to a race is tried again without limit: only an attacker keeps that up.
            if (deleted.error.code == ENOENT) {
                record->setDeleteAttempts(record->deleteAttempts() + 1);
                if (record->deleteAttempts() >= attemptLimit) {
                    FADEBIN_LOG_INFO(LogCategory::Expiry, "%s is found nowhere: taken for gone",
                                     record->displayName().toUtf8().constData());
                    record->setStatus(FileStatus::deleted);
                    continue;
                }
            }
            FADEBIN_LOG_INFO(LogCategory::Expiry, "Could not reach %s: %s; trying again later",
                             record->displayName().toUtf8().constData(),
                             deleted.error.text().c_str());
            record->setExpiresAt(now + retryDelay);
            continue;
        }
        if (deleted.kind != DeletionOutcome::Kind::failed)
            continue;
        record->setDeleteAttempts(record->deleteAttempts() + 1);
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Delete failed for %s (attempt %ld): %s",
                          record->displayName().toUtf8().constData(),
                          static_cast<long>(record->deleteAttempts()),
                          deleted.error.text().c_str());
        if (record->deleteAttempts() >= attemptLimit) {
            m_store.cancel(*record); // given up: the file stays, untimed
        } else {
            record->setExpiresAt(now + retryDelay);
            if (const std::optional<path> filePath = m_store.resolvePath(*record))
                m_deleter.writeExpiry(*record->expiresAt(), *filePath);
        }
    }

    // Pending records come oldest first: the ones past their grace are a prefix (a later
    // arrival has seen no more of the person than an earlier one).
    std::vector<TrackedFile*> overdue;
    for (TrackedFile* record : m_store.files(FileStatus::pending)) {
        const std::optional<Instant> end = graceEnd(*record, now);
        if (!end || *end > now)
            break;
        overdue.push_back(record);
    }
    for (TrackedFile* record : overdue)
        m_store.apply(m_settings.defaultAction(), *record, m_settings.applyFileTag());

    batch.reset();
    reschedule();
    QPointer<ExpiryScheduler> self(this);
    if (onSweep)
        onSweep();
    if (self && !names.isEmpty() && onDeletion)
        onDeletion(DeletionEvent{names, firstKind.value_or(FileKind::other), method, now,
                                 std::move(places)});
}

} // namespace fadebin
