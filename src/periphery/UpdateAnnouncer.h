#pragma once

#include "platform/DesktopNotifications.h"

#include <QObject>
#include <QString>

namespace fadebin {

class UpdateManager;
class SettingsFile;

// Tells the user of a found update once per version: a desktop notification with a
// "Download…" action that opens the release page. The version told is kept in the settings
// file, so a restart does not tell it again; a version the user's own check showed counts as
// told. Without a notification server nothing is remembered and the settings window's
// "Update Available…" is all there is, until a later check finds a server.
class UpdateAnnouncer : public QObject {
    Q_OBJECT

public:
    static inline const QString toldVersionKey = QStringLiteral("lastAnnouncedUpdateVersion");
    static inline const QString downloadAction = QStringLiteral("download");

    UpdateAnnouncer(UpdateManager& updates, SettingsFile& defaults,
                    DesktopNotifications& notifications, QObject* parent = nullptr);

private:
    void found(bool shownToUser);

    UpdateManager& m_updates;
    SettingsFile& m_defaults;
    DesktopNotifications& m_notifications;
    // The version whose notice is on its way, so a check meanwhile does not send another.
    QString m_announcing;
    bool m_saidNoServer = false;
};

} // namespace fadebin
