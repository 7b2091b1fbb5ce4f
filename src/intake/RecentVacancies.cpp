#include "intake/RecentVacancies.h"

namespace fadebin {

RecentVacancies::RecentVacancies(Clock& clock, Duration window)
    : m_clock(clock)
    , m_window(window) {}

bool RecentVacancies::contains(const std::string& name) const {
    const auto vacated = m_at.find(name);
    return vacated != m_at.end() && m_clock.now() - vacated->second < m_window;
}

void RecentVacancies::add(const std::string& name) {
    forgetOld();
    const Instant now = m_clock.now();
    m_at.insert_or_assign(name, now);
    m_order.emplace_back(now, name);
    if (!(m_timer && m_timer->isActive()))
        m_timer = m_clock.singleShot(m_window, [this] { forgetOld(); });
}

void RecentVacancies::removeIf(const std::function<bool(const std::string&)>& drop) {
    std::erase_if(m_at, [&](const auto& entry) { return drop(entry.first); });
}

void RecentVacancies::forgetOld() {
    const Instant now = m_clock.now();
    while (!m_order.empty() && now - m_order.front().first >= m_window) {
        const auto& [at, name] = m_order.front();
        // Vacated again since, or taken back: that entry is not this one's to forget.
        if (const auto entry = m_at.find(name); entry != m_at.end() && entry->second == at)
            m_at.erase(entry);
        m_order.pop_front();
    }
    if (m_order.empty()) {
        m_at = {}; // its buckets too
        m_order = {};
    } else if (!(m_timer && m_timer->isActive())) {
        m_timer =
            m_clock.singleShot(m_window - (now - m_order.front().first), [this] { forgetOld(); });
    }
}

} // namespace fadebin
