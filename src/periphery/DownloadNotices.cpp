#include "periphery/DownloadNotices.h"

#include "app/AppModel.h"
#include "app/AppTexts.h"
#include "app/DisplayText.h"
#include "expiry/TrackedFile.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <cmath>

namespace fadebin {

namespace {

struct DownloadNoticeTexts {
    Q_DECLARE_TR_FUNCTIONS(DownloadNoticeTexts)
};

// Three names at most: a notice is read at a glance.
constexpr qsizetype namedArrivals = 3;

QString graceText(Duration grace) {
    const auto minutes =
        static_cast<int>(std::ceil(std::chrono::duration<double, std::ratio<60>>(grace).count()));
    return minutes <= 1 ? DownloadNoticeTexts::tr("a minute")
                        : DownloadNoticeTexts::tr("%n minute(s)", nullptr, minutes);
}

} // namespace

DesktopNotifications::Notice arrivalNotice(const std::vector<const TrackedFile*>& files,
                                           bool canChoose, Duration grace) {
    DesktopNotifications::Notice notice;
    const auto count = static_cast<qsizetype>(files.size());
    QString about;
    if (count == 1) {
        const TrackedFile& file = *files.front();
        notice.summary = shownName(file.displayName());
        QStringList parts;
        if (const auto source = file.source(); source && !source->isEmpty())
            parts << DownloadNoticeTexts::tr("From %1").arg(shownName(*source));
        if (file.sizeBytes() > 0)
            parts << byteCountText(file.sizeBytes());
        about = parts.isEmpty()
                    ? DownloadNoticeTexts::tr("New download")
                    : DownloadNoticeTexts::tr("New download · %1").arg(parts.join(u" · "));
    } else {
        notice.summary =
            DownloadNoticeTexts::tr("%n new download(s)", nullptr, static_cast<int>(count));
        QStringList names;
        for (qsizetype i = 0; i < std::min(count, namedArrivals); ++i)
            names << shownName(files.at(static_cast<std::size_t>(i))->displayName());
        about = names.join(QStringLiteral(", "));
        if (count > namedArrivals)
            about = DownloadNoticeTexts::tr("%1 and %n more", nullptr,
                                            static_cast<int>(count - namedArrivals))
                        .arg(about);
    }
    notice.body = about + u'\n' +
                  (count == 1 ? DownloadNoticeTexts::tr("How long should Fadebin keep it?")
                              : DownloadNoticeTexts::tr("How long should Fadebin keep them?"));
    notice.bodyWithoutActions =
        about + u'\n' +
        DownloadNoticeTexts::tr("Unless you decide with the fadebin command, your default choice "
                                "applies in %1.")
            .arg(graceText(grace));
    for (const ExpiryOption option :
         {ExpiryOption::oneHour, ExpiryOption::oneDay, ExpiryOption::forever})
        notice.actions.emplace_back(rawValue(option), option == ExpiryOption::forever
                                                          ? DownloadNoticeTexts::tr("Keep it")
                                                          : label(option));
    if (canChoose)
        notice.actions.emplace_back(DownloadNotices::chooseAction,
                                    DownloadNoticeTexts::tr("Choose…"));
    return notice;
}

DesktopNotifications::Notice deletionNotice(const DeletionEvent& event) {
    QStringList names;
    for (const QString& name : event.names)
        names << shownName(name);
    DesktopNotifications::Notice notice{event.title(), names.join(QStringLiteral(", ")), {}, {}};
    if (!event.places.empty())
        notice.actions.emplace_back(DownloadNotices::undoAction, DownloadNoticeTexts::tr("Undo"));
    return notice;
}

DesktopNotifications::Notice ruledNotice(const TrackedFile& file, const Rule& rule) {
    DesktopNotifications::Notice notice{
        appTexts::decidedByRuleTitle(rule.choice),
        shownName(file.displayName() + QStringLiteral(" · ") + appTexts::ruleSubject(rule)),
        {},
        {}};
    notice.actions.emplace_back(DownloadNotices::changeAction, DownloadNoticeTexts::tr("Change"));
    return notice;
}

DesktopNotifications::Notice ruleOfferNotice(const RuleOffer& offer) {
    DesktopNotifications::Notice notice{DownloadNoticeTexts::tr("Make it a rule?"),
                                        shownName(appTexts::ruleOfferQuestion(offer.rule())),
                                        {},
                                        {}};
    notice.actions.emplace_back(DownloadNotices::acceptAction,
                                DownloadNoticeTexts::tr("Make It a Rule"));
    notice.actions.emplace_back(DownloadNotices::declineAction,
                                DownloadNoticeTexts::tr("No, Ask Me"));
    return notice;
}

DesktopNotifications::Notice undoRefusedNotice(const AppModel::Undone& undone) {
    const auto refused = static_cast<qsizetype>(undone.refused.size());
    QStringList lines;
    for (const auto& [place, reason] : undone.refused)
        lines << QStringLiteral("%1: %2").arg(shownName(toQString(place.filename())),
                                              appTexts::shown(reason));
    return {DownloadNoticeTexts::tr("%n file(s) could not be put back", nullptr,
                                    static_cast<int>(refused)),
            lines.join(u'\n'),
            {},
            {}};
}

DownloadNotices::DownloadNotices(AppModel& model, Clock& clock, DesktopNotifications& notifications,
                                 QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_clock(clock)
    , m_notifications(notifications) {
    connect(&model, &AppModel::pendingFileAdded, this, &DownloadNotices::arrived);
    connect(&model, &AppModel::filesDeleted, this, &DownloadNotices::deleted);
    connect(&model, &AppModel::decidedByRule, this, &DownloadNotices::ruled);
    connect(&model, &AppModel::ruleOfferChanged, this, &DownloadNotices::offered);
}

void DownloadNotices::setActive(bool active) {
    m_active = active;
    if (!active) {
        m_gather.reset();
        m_arrivals.clear();
    }
}

void DownloadNotices::arrived(TrackedFile* file) {
    if (!m_active)
        return;
    m_arrivals.emplace_back(file);
    if (m_gather)
        return;
    QPointer<DownloadNotices> self(this);
    m_gather = m_clock.singleShot(gatherTime, [self] {
        if (self)
            self->tellArrivals();
    });
}

void DownloadNotices::tellArrivals() {
    m_gather.reset();
    std::vector<QPointer<TrackedFile>> waiting;
    std::vector<const TrackedFile*> files;
    // Decided meanwhile (in the notch, on the command line) or gone: not asked about.
    for (const QPointer<TrackedFile>& file : std::exchange(m_arrivals, {}))
        if (file && file->status() == FileStatus::pending) {
            waiting.push_back(file);
            files.push_back(file.data());
        }
    if (files.empty())
        return;
    send(arrivalNotice(files, bool(openChoice), m_model.settings().pendingGrace()),
         [self = QPointer<DownloadNotices>(this), waiting](const QString& action) {
             if (self)
                 self->apply(waiting, action);
         });
}

void DownloadNotices::apply(const std::vector<QPointer<TrackedFile>>& files,
                            const QString& action) {
    if (action == chooseAction) {
        if (openChoice)
            openChoice();
        return;
    }
    const std::optional<ExpiryOption> option = optionFromRaw(action);
    if (!option)
        return;
    const AppModel::Batch batch(m_model);
    // A file decided since the notice was sent keeps that decision.
    for (const QPointer<TrackedFile>& file : files)
        if (file && file->status() == FileStatus::pending)
            m_model.decide(file.data(), *option);
}

void DownloadNotices::deleted(const DeletionEvent& event) {
    if (!m_active)
        return;
    send(deletionNotice(event),
         [self = QPointer<DownloadNotices>(this), event](const QString& action) {
             if (!self || action != undoAction)
                 return;
             const AppModel::Undone undone = self->m_model.undo(event);
             if (!undone.refused.empty())
                 self->send(undoRefusedNotice(undone), {});
         });
}

void DownloadNotices::ruled(TrackedFile* file) {
    if (!m_active || file == nullptr || !file->rule())
        return;
    send(ruledNotice(*file, *file->rule()),
         [self = QPointer<DownloadNotices>(this), id = file->id()](const QString& action) {
             // Waiting again, it is asked about by the next notice, as a new download is.
             if (self && action == changeAction)
                 self->m_model.askAgain(id);
         });
}

void DownloadNotices::offered() {
    const std::optional<RuleOffer> offer = m_model.ruleOffer();
    if (!m_active || !offer)
        return;
    send(ruleOfferNotice(*offer),
         [self = QPointer<DownloadNotices>(this), offer](const QString& action) {
             // An answer to this offer only: a later one may have taken its place.
             if (self && self->m_model.ruleOffer() == offer &&
                 (action == acceptAction || action == declineAction))
                 self->m_model.answerRuleOffer(action == acceptAction);
         });
}

void DownloadNotices::send(const DesktopNotifications::Notice& notice,
                           std::function<void(const QString&)> onAction) {
    QPointer<DownloadNotices> self(this);
    m_notifications.show(
        notice,
        [self](bool shown) {
            if (self && !shown && !std::exchange(self->m_saidNoServer, true))
                FADEBIN_LOG_INFO(LogCategory::App,
                                 "No notification server: new downloads are not asked about "
                                 "and get the default choice after the grace period");
        },
        std::move(onAction));
}

} // namespace fadebin
