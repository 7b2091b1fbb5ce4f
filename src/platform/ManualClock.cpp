#include "platform/ManualClock.h"

#include <algorithm>

namespace fadebin {

struct ManualClock::Entry {
    Instant due;
    Duration interval;
    bool repeat = false;
    bool active = true;
    std::uint64_t sequence = 0;
    std::function<void()> callback;
};

namespace {

class ManualTimer final : public Timer {
public:
    ManualTimer(std::shared_ptr<ManualClock::Entry> entry, const ManualClock& clock)
        : m_entry(std::move(entry))
        , m_clock(clock) {}
    ~ManualTimer() override { cancel(); }
    void cancel() override {
        if (auto entry = m_entry.lock())
            entry->active = false;
    }
    [[nodiscard]] bool isActive() const override {
        auto entry = m_entry.lock();
        return entry && entry->active;
    }
    [[nodiscard]] std::optional<Duration> remaining() const override {
        auto entry = m_entry.lock();
        if (!entry || !entry->active)
            return std::nullopt;
        return entry->due - m_clock.now();
    }

private:
    std::weak_ptr<ManualClock::Entry> m_entry;
    const ManualClock& m_clock;
};

} // namespace

ManualClock::ManualClock(Instant start)
    : m_now(start) {}

ManualClock::~ManualClock() = default;

TimerHandle ManualClock::singleShot(Duration after, std::function<void()> callback) {
    return add(after, false, std::move(callback));
}

TimerHandle ManualClock::repeating(Duration interval, std::function<void()> callback, Precision) {
    return add(interval, true, std::move(callback));
}

TimerHandle ManualClock::add(Duration interval, bool repeat, std::function<void()> callback) {
    auto entry = std::make_shared<Entry>();
    entry->interval = std::max(interval, Duration(repeat ? 1 : 0));
    entry->due = m_now + entry->interval;
    entry->repeat = repeat;
    entry->sequence = m_sequence++;
    entry->callback = std::move(callback);
    m_entries.push_back(entry);
    return std::make_unique<ManualTimer>(entry, *this);
}

void ManualClock::advance(Duration by) {
    const Instant target = m_now + by;
    for (;;) {
        std::erase_if(m_entries, [](const auto& e) { return !e->active; });
        auto next =
            std::min_element(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
                return a->due != b->due ? a->due < b->due : a->sequence < b->sequence;
            });
        if (next == m_entries.end() || (*next)->due > target)
            break;
        std::shared_ptr<Entry> entry = *next;
        m_now = std::max(m_now, entry->due);
        if (entry->repeat) {
            entry->due += entry->interval;
            entry->sequence = m_sequence++;
        } else {
            entry->active = false;
        }
        auto callback = entry->callback; // the callback may cancel or replace its own timer
        callback();
    }
    m_now = std::max(m_now, target);
}

std::size_t ManualClock::activeTimerCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_entries.begin(), m_entries.end(), [](const auto& e) { return e->active; }));
}

std::optional<Instant> ManualClock::nextDue() const {
    std::optional<Instant> due;
    for (const auto& e : m_entries) {
        if (e->active && (!due || e->due < *due))
            due = e->due;
    }
    return due;
}

} // namespace fadebin
