#include "support/ManualClock.h"

#include <algorithm>

namespace fadebin {

struct ManualClock::Entry {
    Kind kind = Kind::duration;
    // Awake time for a duration timer, the wall-clock deadline for an instant timer.
    Duration due{0};
    Duration interval{0}; // more than zero: repeating
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
        if (!entry || !entry->active || entry->kind == ManualClock::Kind::watch)
            return std::nullopt;
        return std::max(m_clock.wallDue(*entry) - m_clock.now(), Duration::zero());
    }

private:
    std::weak_ptr<ManualClock::Entry> m_entry;
    const ManualClock& m_clock;
};

} // namespace

ManualClock::ManualClock(Instant start)
    : m_now(start) {}

ManualClock::~ManualClock() = default;

TimerHandle ManualClock::add(Kind kind, Duration due, Duration interval,
                             std::function<void()> callback) {
    auto entry = std::make_shared<Entry>(
        Entry{kind, due, interval, true, m_sequence++, std::move(callback)});
    (kind == Kind::watch ? m_watchers : m_entries).push_back(entry);
    return std::make_unique<ManualTimer>(std::move(entry), *this);
}

TimerHandle ManualClock::singleShot(Duration after, std::function<void()> callback) {
    return add(Kind::duration, m_awake + std::max(after, Duration::zero()), {},
               std::move(callback));
}

TimerHandle ManualClock::repeating(Duration interval, std::function<void()> callback, Precision) {
    interval = std::max(interval, Duration(1));
    return add(Kind::duration, m_awake + interval, interval, std::move(callback));
}

TimerHandle ManualClock::at(Instant deadline, std::function<void()> callback) {
    return add(Kind::instant, deadline.time_since_epoch(), {}, std::move(callback));
}

TimerHandle ManualClock::onWallClockSet(std::function<void()> callback) {
    return add(Kind::watch, {}, {}, std::move(callback));
}

Instant ManualClock::wallDue(const Entry& entry) const {
    return entry.kind == Kind::instant ? Instant(entry.due) : m_now + (entry.due - m_awake);
}

void ManualClock::fireDue(std::optional<Duration> walkTo) {
    for (;;) {
        std::erase_if(m_entries, [](const auto& e) { return !e->active; });
        // Walking, every timer due by the end of the walk; else the instant timers now past.
        const Instant until = walkTo ? m_now + (*walkTo - m_awake) : m_now;
        std::shared_ptr<Entry> next;
        for (const auto& e : m_entries)
            if ((walkTo || e->kind == Kind::instant) && wallDue(*e) <= until &&
                (!next ||
                 std::pair(wallDue(*e), e->sequence) < std::pair(wallDue(*next), next->sequence)))
                next = e;
        if (!next)
            return;
        if (walkTo) { // wall time and awake time move together; a deadline past costs nothing
            const Duration step = std::max(wallDue(*next) - m_now, Duration::zero());
            m_now += step;
            m_awake += step;
        }
        if (next->interval > Duration::zero()) {
            next->due += next->interval;
            next->sequence = m_sequence++;
        } else {
            next->active = false;
        }
        auto callback = next->callback; // the callback may cancel or replace its own timer
        callback();
    }
}

void ManualClock::advance(Duration by) {
    const Duration end = m_awake + std::max(by, Duration::zero());
    fireDue(end);
    m_now += end - m_awake;
    m_awake = end;
}

void ManualClock::block(Duration span) {
    m_now += span;
    m_awake += span;
    if (whileBlocked)
        whileBlocked();
}

void ManualClock::jumpWallClock(Duration by) {
    m_now += by;
    fireDue(std::nullopt);
    std::erase_if(m_watchers, [](const auto& e) { return !e->active; });
    for (const std::shared_ptr<Entry>& watcher : std::vector(m_watchers))
        if (watcher->active)
            watcher->callback();
}

void ManualClock::suspend(Duration by) {
    m_now += std::max(by, Duration::zero());
    fireDue(std::nullopt);
}

std::size_t ManualClock::activeTimerCount() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(m_entries, [](const auto& e) { return e->active; }));
}

std::optional<Instant> ManualClock::nextDue() const {
    std::optional<Instant> due;
    for (const auto& e : m_entries)
        if (e->active && (!due || wallDue(*e) < *due))
            due = wallDue(*e);
    return due;
}

} // namespace fadebin
