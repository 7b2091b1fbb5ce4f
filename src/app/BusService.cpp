#include "app/BusService.h"

#include "app/AppModel.h"
#include "app/AppTexts.h"
#include "expiry/SpacePlan.h"
#include "expiry/TrackedFile.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMetaType>

namespace fadebin {

QDBusArgument& operator<<(QDBusArgument& out, const BusRefusal& refusal) {
    out.beginStructure();
    out << refusal.path << refusal.reason;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, BusRefusal& refusal) {
    in.beginStructure();
    in >> refusal.path >> refusal.reason;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const BusFile& file) {
    out.beginStructure();
    out << file.path << file.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, BusFile& file) {
    in.beginStructure();
    in >> file.path >> file.properties;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const BusRestored& restored) {
    out.beginStructure();
    out << restored.restored << restored.refused;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, BusRestored& restored) {
    in.beginStructure();
    in >> restored.restored >> restored.refused;
    in.endStructure();
    return in;
}

void registerBusTypes() {
    qDBusRegisterMetaType<BusRefusal>();
    qDBusRegisterMetaType<BusRefusals>();
    qDBusRegisterMetaType<BusFile>();
    qDBusRegisterMetaType<BusFiles>();
    qDBusRegisterMetaType<QList<QByteArray>>();
    qDBusRegisterMetaType<BusRestored>();
    qDBusRegisterMetaType<BusRules>();
}

namespace {

path toPath(const QByteArray& bytes) {
    return path(bytes.toStdString());
}

// GLib's bytestrings (g_variant_new_bytestring, gdbus call) end in one NUL; any other NUL
// would cut the path short in every system call that sees it.
std::optional<QByteArray> pathBytes(const QByteArray& bytes) {
    const QByteArray given = bytes.endsWith('\0') ? bytes.chopped(1) : bytes;
    if (given.isEmpty() || given.contains('\0'))
        return std::nullopt;
    return given;
}

QByteArray toBytes(const path& p) {
    return QByteArray::fromStdString(p.native());
}

BusFile describe(TrackedFile& record) {
    QVariantMap properties{{QStringLiteral("id"), record.idText()},
                           {QStringLiteral("name"), record.displayName()},
                           {QStringLiteral("status"), record.statusRaw()},
                           {QStringLiteral("addedAt"), toUnixSeconds(record.addedAt())},
                           {QStringLiteral("size"), record.sizeBytes()}};
    if (record.expiresAt())
        properties.insert(QStringLiteral("expiresAt"), toUnixSeconds(*record.expiresAt()));
    if (record.source())
        properties.insert(QStringLiteral("source"), *record.source());
    if (record.decidedByRule())
        properties.insert(QStringLiteral("decidedBy"), QStringLiteral("rule"));
    return {toBytes(record.lastKnownPath()), properties};
}

} // namespace

BusService::BusService(AppModel& model, QObject* parent)
    : QObject(parent)
    , m_model(model) {
    registerBusTypes();
    connect(&model, &AppModel::filesDeleted, this,
            [this](const DeletionEvent& event) { Q_EMIT FilesDeleted(event.names); });
    connect(&model, &AppModel::filesReleased, this,
            [this](const ReleaseEvent& event) { Q_EMIT FilesReleased(event.names); });
}

bool BusService::ready() {
    if (m_model.store())
        return true;
    if (calledFromDBus())
        sendErrorReply(QStringLiteral("com.ostrel.Fadebin1.Error.NotReady"),
                       m_model.startupError().value_or(appTexts::notStarted()));
    return false;
}

BusFiles BusService::List() {
    BusFiles files;
    if (!ready())
        return files;
    m_model.publish();
    for (TrackedFile* record : m_model.pendingFiles())
        files.append(describe(*record));
    for (TrackedFile* record : m_model.trackedFiles())
        files.append(describe(*record));
    return files;
}

// A call being worked through in slices: its paths, how far it got, and one batch, so that
// everything it changes is saved in one transaction when it is done.
struct BusService::Job {
    QList<QByteArray> paths;
    qsizetype next = 0;
    Decide decide;
    BusRefusals refused;
    QDBusMessage call;
    QDBusConnection connection;
    std::unique_ptr<AppModel::Batch> batch;
    // A Restore call: what came back, and one listing of the trash for all of it.
    std::unique_ptr<ExpiryStore::TrashPass> trash;
    BusRestored restored;
};

BusService::~BusService() {
    for (const std::shared_ptr<Job>& job : m_jobs)
        finish(*job);
}

void BusService::takeOn(const QByteArray& bytes, const Decide& decide, BusRefusals& refused) {
    const std::optional<QByteArray> given = pathBytes(bytes);
    if (!given) {
        refused.append({bytes, appTexts::refusal(PathRefusal::notAPath)});
        return;
    }
    const AppModel::TakenIn taken = m_model.takeIn(toPath(*given));
    if (!taken.record) {
        refused.append({bytes, taken.refusal});
        return;
    }
    if (const std::optional<QString> failure = decide(*taken.record))
        refused.append({bytes, *failure});
}

BusRefusals BusService::forEach(const QList<QByteArray>& paths, Decide decide) {
    BusRefusals refused;
    if (!ready())
        return refused;
    if (paths.size() <= sliceSize || !calledFromDBus()) {
        std::optional<AppModel::Batch> batch(std::in_place, m_model);
        for (const QByteArray& bytes : paths)
            takeOn(bytes, decide, refused);
        batch.reset();
        if (const auto notSaved = m_model.store()->notSavedYet(); notSaved && calledFromDBus())
            sendErrorReply(notSavedError, *notSaved);
        return refused;
    }
    setDelayedReply(true);
    auto job = std::make_shared<Job>(Job{paths,
                                         0,
                                         std::move(decide),
                                         {},
                                         message(),
                                         connection(),
                                         std::make_unique<AppModel::Batch>(m_model),
                                         nullptr,
                                         {}});
    m_jobs.push_back(job);
    workOn(job);
    return refused;
}

void BusService::workOn(const std::shared_ptr<Job>& job) {
    const qsizetype slice = job->trash ? restoreSliceSize : sliceSize;
    const qsizetype end = std::min(job->next + slice, job->paths.size());
    for (; job->next < end; ++job->next)
        if (job->trash)
            restoreOne(job->paths[job->next], job->restored);
        else
            takeOn(job->paths[job->next], job->decide, job->refused);
    if (job->next < job->paths.size()) {
        QMetaObject::invokeMethod(
            this,
            [this, weak = std::weak_ptr<Job>(job)] {
                if (const auto alive = weak.lock())
                    workOn(alive);
            },
            Qt::QueuedConnection);
        return;
    }
    finish(*job);
    std::erase(m_jobs, job);
}

void BusService::finish(Job& job) {
    job.batch.reset();
    const bool restoring = job.trash != nullptr;
    job.trash.reset();
    const auto notSaved = m_model.store() ? m_model.store()->notSavedYet() : std::nullopt;
    job.connection.send(notSaved    ? job.call.createErrorReply(notSavedError, *notSaved)
                        : restoring ? job.call.createReply(QVariant::fromValue(job.restored))
                                    : job.call.createReply(QVariant::fromValue(job.refused)));
}

BusRefusals BusService::SetExpiry(const QList<QByteArray>& paths, const QString& option) {
    const std::optional<ExpiryOption> chosen = optionFromWord(option);
    if (!chosen) {
        // Refused as a whole before any file is looked at: nothing is taken in.
        BusRefusals refused;
        for (const QByteArray& bytes : paths)
            refused.append({bytes, QStringLiteral("unknown expiry option \"%1\"").arg(option)});
        return refused;
    }
    return forEach(paths, [this, option = *chosen](TrackedFile& record) {
        m_model.decide(&record, option);
        return std::optional<QString>();
    });
}

BusRefusals BusService::Keep(const QList<QByteArray>& paths) {
    return forEach(paths, [this](TrackedFile& record) {
        if (record.status() != FileStatus::keepForever)
            m_model.decide(&record, ExpiryOption::forever);
        return std::optional<QString>();
    });
}

BusRefusals BusService::DeleteNow(const QList<QByteArray>& paths) {
    return forEach(paths, [this](TrackedFile& record) { return m_model.deleteNow(&record); });
}

void BusService::restoreOne(const std::optional<QByteArray>& bytes, BusRestored& result) {
    const std::optional<QByteArray> given = bytes ? pathBytes(*bytes) : std::nullopt;
    if (bytes && !given) {
        result.refused.append({*bytes, appTexts::refusal(PathRefusal::notAPath)});
        return;
    }
    const AppModel::Restored outcome =
        m_model.restore(given ? std::optional<path>(toPath(*given)) : std::nullopt);
    if (outcome.file)
        result.restored.append(toBytes(*outcome.file));
    else
        result.refused.append({bytes.value_or(QByteArray()), outcome.refusal});
}

BusRestored BusService::Restore(const QList<QByteArray>& paths) {
    BusRestored result;
    if (!ready())
        return result;
    if (paths.isEmpty()) {
        restoreOne(std::nullopt, result);
        return result;
    }
    auto trash = std::make_unique<ExpiryStore::TrashPass>(*m_model.store());
    if (paths.size() <= restoreSliceSize || !calledFromDBus()) {
        const AppModel::Batch batch(m_model);
        for (const QByteArray& bytes : paths)
            restoreOne(bytes, result);
        return result;
    }
    setDelayedReply(true);
    auto job = std::make_shared<Job>(Job{paths,
                                         0,
                                         {},
                                         {},
                                         message(),
                                         connection(),
                                         std::make_unique<AppModel::Batch>(m_model),
                                         std::move(trash),
                                         {}});
    m_jobs.push_back(job);
    workOn(job);
    return result;
}

BusRestored BusService::UndoLastSweep() {
    BusRestored result;
    if (!ready())
        return result;
    const AppModel::Undone undone = m_model.undoLastSweep();
    for (const path& file : undone.restored)
        result.restored.append(toBytes(file));
    for (const auto& [place, reason] : undone.refused)
        result.refused.append({toBytes(place), reason});
    return result;
}

bool BusService::sizeWanted(qlonglong bytes) {
    if (bytes > 0)
        return true;
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs,
                       QString::fromUtf8(QT_TRANSLATE_NOOP("AppTexts", "The size must be above "
                                                                       "zero.")));
    return false;
}

BusFiles BusService::Plan(qlonglong bytes) {
    BusFiles steps;
    if (!sizeWanted(bytes) || !ready())
        return steps;
    for (const SpacePlanStep& step : planFreeing(*m_model.store(), bytes).steps) {
        const bool fromTrash = step.kind == SpacePlanStep::Kind::fromTrash;
        QVariantMap properties{
            {QStringLiteral("kind"),
             fromTrash ? QStringLiteral("trash") : QStringLiteral("scheduled")},
            {QStringLiteral("id"), step.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("size"), step.size},
            {QStringLiteral("at"), toUnixSeconds(step.at)},
            {QStringLiteral("originalPath"),
             toBytes(step.originalPath.empty() ? step.place : step.originalPath)}};
        steps.append({toBytes(step.place), properties});
    }
    return steps;
}

BusFiles BusService::Free(qlonglong bytes) {
    BusFiles freed;
    if (!sizeWanted(bytes) || !ready())
        return freed;
    for (const ExpiryStore::OwnTrashed& item : m_model.freeTrashed(bytes))
        freed.append({toBytes(item.item),
                      {{QStringLiteral("kind"), QStringLiteral("trash")},
                       {QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces)},
                       {QStringLiteral("size"), item.size},
                       {QStringLiteral("at"), toUnixSeconds(item.trashedAt)},
                       {QStringLiteral("originalPath"), toBytes(item.originalPath)}}});
    return freed;
}

void BusService::Quit() {
    FADEBIN_LOG_INFO(LogCategory::App, "Asked to quit over the bus");
    // Queued, so that the caller has its answer before the teardown begins.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

void BusService::Show() {
    FADEBIN_LOG_INFO(LogCategory::App, "Asked to show the notch over the bus");
    if ((!onShow || !onShow()) && calledFromDBus())
        sendErrorReply(noNotchError,
                       QString::fromUtf8(QT_TRANSLATE_NOOP(
                           "AppTexts", "There is no notch on this display to show.")));
}

} // namespace fadebin
