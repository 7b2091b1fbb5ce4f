#include "app/LowSpaceWatch.h"

#include "app/AppModel.h"
#include "app/AppTexts.h"
#include "platform/DesktopNotifications.h"
#include "platform/Log.h"

#include <QPointer>

#include <filesystem>

namespace fadebin {

LowSpaceWatch::LowSpaceWatch(AppModel& model, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_clock(clock) {}

void LowSpaceWatch::check() {
    const Instant now = m_clock.now();
    if (m_lastLook && now - *m_lastLook < interval)
        return;
    m_lastLook = now;
    std::error_code error;
    const std::filesystem::space_info space =
        std::filesystem::space(m_model.downloadsPath(), error);
    if (error) {
        FADEBIN_LOG_DEBUG(LogCategory::App, "Could not read the free space of Downloads: %s",
                          error.message().c_str());
        return;
    }
    const bool low =
        space.available < lowBytes || space.available < space.capacity / 100 * lowPercent;
    if (!low) {
        m_told = false;
        setFreeable(std::nullopt);
        return;
    }
    const qint64 bytes = m_model.ownTrashedTotal().bytes;
    setFreeable(bytes > 0 ? std::optional<qint64>(bytes) : std::nullopt);
    if (bytes > 0 && !m_told) {
        m_told = true;
        FADEBIN_LOG_INFO(LogCategory::App, "The disk of Downloads is almost full (%ju bytes free)",
                         space.available);
        Q_EMIT ranLow(bytes);
    }
}

qint64 LowSpaceWatch::freeNamed() {
    if (!m_freeable)
        return 0;
    qint64 freed = 0;
    for (const ExpiryStore::OwnTrashed& item : m_model.freeTrashed(*m_freeable))
        freed += item.size;
    // Looked at again at once: the space freed may have ended the shortage.
    m_lastLook.reset();
    setFreeable(std::nullopt);
    check();
    return freed;
}

void LowSpaceWatch::tellThrough(DesktopNotifications& notifications) {
    connect(this, &LowSpaceWatch::ranLow, &notifications, [this, &notifications](qint64 bytes) {
        const DesktopNotifications::Notice notice{
            appTexts::lowSpaceTitle(),
            appTexts::lowSpaceText(bytes),
            {{QStringLiteral("free"), appTexts::freeButton(bytes)}}};
        QPointer<LowSpaceWatch> self(this);
        notifications.show(
            notice, [](bool) {},
            [self](const QString& action) {
                if (self && action == QLatin1String("free"))
                    self->freeNamed();
            });
    });
}

void LowSpaceWatch::setFreeable(std::optional<qint64> freeable) {
    if (freeable == m_freeable)
        return;
    m_freeable = freeable;
    Q_EMIT changed();
}

} // namespace fadebin
