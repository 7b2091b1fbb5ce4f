#include "notch/DragWatcher.h"

#include "platform/Log.h"

#include <algorithm>
#include <cctype>

namespace fadebin {

namespace {

constexpr unsigned leftButton = 1u << 0;

bool containsPromise(const std::string& type) {
    std::string lower = type;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("promise") != std::string::npos;
}

} // namespace

DragWatcher::DragWatcher(Clock& clock, std::unique_ptr<DragSelection> dragSelection)
    : m_clock(clock)
    , m_dragSelection(std::move(dragSelection))
    , m_lastChangeCount(m_dragSelection->changeCount()) {}

DragWatcher::~DragWatcher() {
    // Timers and the notice callback must not reach a watcher that is going away.
    if (m_waitsForNotices)
        m_dragSelection->watchChanges({});
    m_activeTimer.reset();
    m_recheckTimer.reset();
    m_idleTimer.reset();
}

bool DragWatcher::isPromise(const std::string& type) {
    return type == "XdndDirectSave0" || containsPromise(type);
}

bool DragWatcher::carriesFiles(const std::vector<std::string>& types) {
    return std::any_of(types.begin(), types.end(), [](const std::string& type) {
        return type == "text/uri-list" || isPromise(type);
    });
}

void DragWatcher::start() {
    if (isWatching())
        return;
    if (!m_dragSelection->isAvailable()) {
        if (!m_toldUnavailable) {
            FADEBIN_LOG_INFO(LogCategory::Notch,
                             "Drag watcher inactive: no display to watch for file drags");
            m_toldUnavailable = true;
        }
        return;
    }
    // Waiting for the selection's notices behaves like the poll without its idle wake-ups.
    m_waitsForNotices = m_dragSelection->watchChanges([this] { idleTick(); });
    if (!m_waitsForNotices)
        m_idleTimer = m_clock.repeating(idleInterval, [this] { idleTick(); });
}

void DragWatcher::stop() {
    if (m_waitsForNotices) {
        m_dragSelection->watchChanges({});
        m_waitsForNotices = false;
    }
    m_idleTimer.reset();
    m_recheckTimer.reset();
    endDrag();
}

void DragWatcher::idleTick() {
    if (m_isDragging)
        return;
    const long count = m_dragSelection->changeCount();
    if (count == m_lastChangeCount)
        return;
    m_lastChangeCount = count;
    considerOffer();
}

void DragWatcher::considerOffer() {
    m_recheckTimer.reset();
    if ((m_dragSelection->pressedMouseButtons() & leftButton) == 0)
        return;
    if (!carriesFiles(m_dragSelection->types())) {
        // A drag source takes the selection a moment before it lists what it offers (Qt
        // does); while the button stays down, the offer is looked at again.
        m_recheckTimer = m_clock.repeating(idleInterval, [this] { recheckOffer(); });
        return;
    }
    m_isDragging = true;
    m_activeTimer = m_clock.repeating(
        activeInterval, [this] { activeTick(); }, Clock::Precision::Precise);
}

void DragWatcher::recheckOffer() {
    if (m_isDragging || (m_dragSelection->pressedMouseButtons() & leftButton) == 0) {
        m_recheckTimer.reset();
        return;
    }
    m_lastChangeCount = m_dragSelection->changeCount();
    if (carriesFiles(m_dragSelection->types()))
        considerOffer();
}

void DragWatcher::activeTick() {
    if ((m_dragSelection->pressedMouseButtons() & leftButton) == 0) {
        endDrag();
        return;
    }
    if (onDragMoved)
        onDragMoved(m_dragSelection->pointerLocation());
}

void DragWatcher::endDrag() {
    m_activeTimer.reset();
    if (!m_isDragging)
        return;
    m_isDragging = false;
    if (onDragEnded)
        onDragEnded();
}

} // namespace fadebin
