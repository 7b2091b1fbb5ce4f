#include "periphery/UpdateAnnouncer.h"

#include "periphery/PeripheryTexts.h"
#include "periphery/UpdateManager.h"
#include "platform/Log.h"
#include "platform/SettingsFile.h"

#include <QCoreApplication>
#include <QPointer>

namespace fadebin {

namespace {

struct UpdateAnnouncerTexts {
    Q_DECLARE_TR_FUNCTIONS(UpdateAnnouncerTexts)
};

} // namespace

UpdateAnnouncer::UpdateAnnouncer(UpdateManager& updates, SettingsFile& defaults,
                                 DesktopNotifications& notifications, QObject* parent)
    : QObject(parent)
    , m_updates(updates)
    , m_defaults(defaults)
    , m_notifications(notifications) {
    connect(&updates, &UpdateManager::updateFound, this, &UpdateAnnouncer::found);
}

void UpdateAnnouncer::found(bool shownToUser) {
    if (!m_updates.latestUpdate())
        return;
    const UpdateItem item = *m_updates.latestUpdate();
    if (m_defaults.stringValue(toldVersionKey) == item.version || m_announcing == item.version)
        return;
    if (shownToUser)
        return m_defaults.setString(toldVersionKey, item.version);

    DesktopNotifications::Notice notice{
        UpdateAnnouncerTexts::tr("Fadebin update available"),
        updateAvailableText(item.displayVersion(), m_updates.runningVersionText()),
        {}};
    const std::optional<QUrl> page = item.releasePage();
    if (page)
        notice.actions.emplace_back(downloadAction, UpdateAnnouncerTexts::tr("Download…"));
    m_announcing = item.version;
    QPointer<UpdateAnnouncer> self(this);
    QPointer<UpdateManager> updates(&m_updates);
    m_notifications.show(
        notice,
        [self, version = item.version](bool shown) {
            if (!self)
                return;
            self->m_announcing.clear();
            if (shown) {
                self->m_defaults.setString(toldVersionKey, version);
            } else if (!std::exchange(self->m_saidNoServer, true)) {
                FADEBIN_LOG_INFO(LogCategory::App,
                                 "No notification server: the update shows in the settings only");
            }
        },
        [updates, page](const QString& action) {
            if (updates && page && action == downloadAction && updates->openUrl)
                updates->openUrl(*page);
        });
}

} // namespace fadebin
