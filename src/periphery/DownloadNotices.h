#pragma once

#include "app/AppModel.h"
#include "expiry/ExpiryScheduler.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifications.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

namespace fadebin {

// The notices of the desktop's notifications, each a pure function of what it tells.
// New downloads: one names the file, several become "5 new downloads". With actions, the
// common choices are buttons; without, the body says what happens instead.
[[nodiscard]] DesktopNotifications::Notice
arrivalNotice(const std::vector<const TrackedFile*>& files, bool canChoose, Duration grace);
// What a sweep moved to the Trash or deleted, with "Undo" when it can be put back.
[[nodiscard]] DesktopNotifications::Notice deletionNotice(const DeletionEvent& event);
// A new download a rule decided ("Kept for 1 day by your rule"), with "Change".
[[nodiscard]] DesktopNotifications::Notice ruledNotice(const TrackedFile& file, const Rule& rule);
// A rule offered from the person's repeated choice, with its two answers.
[[nodiscard]] DesktopNotifications::Notice ruleOfferNotice(const RuleOffer& offer);
// The files an undo could not put back, each with the reason.
[[nodiscard]] DesktopNotifications::Notice undoRefusedNotice(const AppModel::Undone& undone);

// Asks about new downloads and tells of deletions through the desktop's notifications, for
// people who see no notch: where none can be shown, or when they choose it. Downloads that
// finish within a few seconds of each other share one notice; an action applies to those of
// them still waiting, exactly as the notch's buttons do. Main thread only.
class DownloadNotices : public QObject {
    Q_OBJECT

public:
    // The action keys: expiry options' raw values, and these two.
    static inline const QString chooseAction = QStringLiteral("choose");
    static inline const QString undoAction = QStringLiteral("undo");
    // A rule's decision asked about again; a rule offered, made or declined.
    static inline const QString changeAction = QStringLiteral("change");
    static inline const QString acceptAction = QStringLiteral("accept");
    static inline const QString declineAction = QStringLiteral("decline");
    // How long arrivals are gathered into one notice.
    static constexpr Duration gatherTime{3'000};

    DownloadNotices(AppModel& model, Clock& clock, DesktopNotifications& notifications,
                    QObject* parent = nullptr);

    // Whether new downloads and deletions are told; off, nothing is sent.
    void setActive(bool active);
    [[nodiscard]] bool isActive() const { return m_active; }
    // Shows the choice in full (the notch, opened for the keyboard); unset, no such action.
    std::function<void()> openChoice;

private:
    void arrived(TrackedFile* file);
    void tellArrivals();
    void deleted(const DeletionEvent& event);
    void ruled(TrackedFile* file);
    void offered();
    void send(const DesktopNotifications::Notice& notice,
              std::function<void(const QString&)> onAction);
    void apply(const std::vector<QPointer<TrackedFile>>& files, const QString& action);

    AppModel& m_model;
    Clock& m_clock;
    DesktopNotifications& m_notifications;
    bool m_active = false;
    bool m_saidNoServer = false;
    std::vector<QPointer<TrackedFile>> m_arrivals;
    TimerHandle m_gather;
};

} // namespace fadebin
