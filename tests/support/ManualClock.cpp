#include "support/ManualClock.h"

#include <algorithm>

namespace fadebin {

struct ManualClock::Entry {
    enum class Kind { duration, instant, watch };
    Kind kind = Kind::duration;
    // Awake time for a duration timer, the wall-clock deadline for an instant timer.
    Duration due{0};
    Duration interval{0};
    bool repeat = false;
    bool active = true;
    std::uint64_t sequence = 0;
    std::function<void()> callback;
};

namespace {

using Entry = ManualClock::Entry;

class ManualTimer final : public Timer {
public:
    ManualTimer(std::shared_ptr<Entry> entry, const ManualClock& clock)
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
        if (!entry || !entry->active || entry->kind == Entry::Kind::watch)
            return std::nullopt;
        const Duration left = entry->kind == Entry::Kind::instant
                                  ? Instant(entry->due) - m_clock.now()
                                  : entry->due - m_clock.awakeTime();
        return std::max(left, Duration::zero());
    }

private:
    std::weak_ptr<Entry> m_entry;
    const ManualClock& m_clock;
};

std::shared_ptr<Entry> makeEntry(Entry::Kind kind, Duration due, std::function<void()> callback) {
    auto entry = std::make_shared<Entry>();
    entry->kind = kind;
    entry->due = due;
    entry->callback = std::move(callback);
    return entry;
}

void fire(Entry& entry) {
    auto callback = entry.callback; // the callback may cancel or replace its own timer
    callback();
}

} // namespace

ManualClock::ManualClock(Instant start)
    : m_now(start) {}

ManualClock::~ManualClock() = default;

TimerHandle ManualClock::singleShot(Duration after, std::function<void()> callback) {
    return add(makeEntry(Entry::Kind::duration, m_awake + std::max(after, Duration::zero()),
                         std::move(callback)),
               m_entries);
}

TimerHandle ManualClock::repeating(Duration interval, std::function<void()> callback, Precision) {
    auto entry = makeEntry(Entry::Kind::duration, {}, std::move(callback));
    entry->interval = std::max(interval, Duration(1));
    entry->due = m_awake + entry->interval;
    entry->repeat = true;
    return add(std::move(entry), m_entries);
}

TimerHandle ManualClock::at(Instant deadline, std::function<void()> callback) {
    return add(makeEntry(Entry::Kind::instant, deadline.time_since_epoch(), std::move(callback)),
               m_entries);
}

TimerHandle ManualClock::onWallClockSet(std::function<void()> callback) {
    return add(makeEntry(Entry::Kind::watch, {}, std::move(callback)), m_watchers);
}

TimerHandle ManualClock::add(std::shared_ptr<Entry> entry,
                             std::vector<std::shared_ptr<Entry>>& to) {
    entry->sequence = m_sequence++;
    to.push_back(entry);
    return std::make_unique<ManualTimer>(std::move(entry), *this);
}

Instant ManualClock::wallDue(const Entry& entry) const {
    return entry.kind == Entry::Kind::instant ? Instant(entry.due) : m_now + (entry.due - m_awake);
}

void ManualClock::advance(Duration by) {
    const Duration end = m_awake + std::max(by, Duration::zero());
    for (;;) {
        std::erase_if(m_entries, [](const auto& e) { return !e->active; });
        auto next = std::min_element(
            m_entries.begin(), m_entries.end(), [this](const auto& a, const auto& b) {
                const Instant dueA = wallDue(*a), dueB = wallDue(*b);
                return dueA != dueB ? dueA < dueB : a->sequence < b->sequence;
            });
        if (next == m_entries.end() || wallDue(**next) > m_now + (end - m_awake))
            break;
        std::shared_ptr<Entry> entry = *next;
        // Wall time and awake time move together here; a deadline already past costs nothing.
        const Duration step = std::max(wallDue(*entry) - m_now, Duration::zero());
        m_now += step;
        m_awake += step;
        if (entry->repeat) {
            entry->due += entry->interval;
            entry->sequence = m_sequence++;
        } else {
            entry->active = false;
        }
        fire(*entry);
    }
    m_now += end - m_awake;
    m_awake = end;
}

void ManualClock::fireDeadlinesPassed() {
    for (;;) {
        std::erase_if(m_entries, [](const auto& e) { return !e->active; });
        std::shared_ptr<Entry> next;
        for (const auto& e : m_entries)
            if (e->kind == Entry::Kind::instant && Instant(e->due) <= m_now &&
                (!next || e->due < next->due ||
                 (e->due == next->due && e->sequence < next->sequence)))
                next = e;
        if (!next)
            return;
        next->active = false;
        fire(*next);
    }
}

void ManualClock::jumpWallClock(Duration by) {
    m_now += by;
    fireDeadlinesPassed();
    std::erase_if(m_watchers, [](const auto& e) { return !e->active; });
    for (const std::shared_ptr<Entry>& watcher : std::vector(m_watchers))
        if (watcher->active)
            fire(*watcher);
}

void ManualClock::suspend(Duration by) {
    m_now += std::max(by, Duration::zero());
    fireDeadlinesPassed();
}

std::size_t ManualClock::activeTimerCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_entries.begin(), m_entries.end(), [](const auto& e) { return e->active; }));
}

std::optional<Instant> ManualClock::nextDue() const {
    std::optional<Instant> due;
    for (const auto& e : m_entries)
        if (e->active && (!due || wallDue(*e) < *due))
            due = wallDue(*e);
    return due;
}

} // namespace fadebin
