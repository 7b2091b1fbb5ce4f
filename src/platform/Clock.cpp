#include "platform/Clock.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace fadebin {

double toUnixSeconds(Instant instant) {
    return static_cast<double>(instant.time_since_epoch().count()) / 1000.0;
}

UtcFields utcFields(Instant instant) {
    using namespace std::chrono;
    const auto whole = floor<seconds>(instant);
    const auto day = floor<days>(whole);
    const year_month_day date(day);
    const hh_mm_ss time(whole - day);
    return {static_cast<int>(date.year()),
            static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()),
            static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count())};
}

Instant fromUnixSeconds(double seconds) {
    if (std::isnan(seconds))
        return latestInstant;
    const double ms = std::clamp(seconds * 1000.0,
                                 static_cast<double>(earliestInstant.time_since_epoch().count()),
                                 static_cast<double>(latestInstant.time_since_epoch().count()));
    return Instant(Duration(static_cast<Duration::rep>(std::llround(ms))));
}

Duration durationFromSeconds(double seconds) {
    if (std::isnan(seconds))
        return Duration::zero();
    const double limit = static_cast<double>(longestDuration.count());
    const double ms = std::clamp(seconds * 1000.0, -limit, limit);
    return Duration(static_cast<Duration::rep>(std::llround(ms)));
}

Instant addSaturating(Instant at, Duration d) {
    const Duration::rep base = at.time_since_epoch().count();
    Duration::rep sum = 0;
    if (__builtin_add_overflow(base, std::clamp(d, -longestDuration, longestDuration).count(),
                               &sum))
        return d.count() > 0 ? Instant::max() : Instant::min();
    return Instant(Duration(sum));
}

namespace {

using Monotonic = std::chrono::steady_clock;

// QTimer takes an int of milliseconds (about 24.8 days) and may fire a coarse timer a few
// percent early, so the deadline is kept here on the monotonic clock and the QTimer is armed
// in steps towards it: a long timer is re-armed, never armed negative, never fired early.
class QtTimer final : public Timer {
public:
    static constexpr Duration longestStep{std::chrono::hours(24)};

    QtTimer(Duration interval, bool repeat, Clock::Precision precision,
            std::function<void()> callback)
        : m_timer(new QTimer)
        , m_interval(std::clamp(interval, Duration(repeat ? 1 : 0), longestDuration))
        , m_repeat(repeat)
        , m_callback(std::move(callback)) {
        m_timer->setSingleShot(true);
        m_timer->setTimerType(precision == Clock::Precision::Precise ? Qt::PreciseTimer
                                                                     : Qt::CoarseTimer);
        QObject::connect(m_timer, &QTimer::timeout, [this] { timeout(); });
        m_deadline = Monotonic::now() + m_interval;
        arm();
    }
    ~QtTimer() override {
        // The handle may be dropped from inside its own timeout; let Qt finish the
        // emission before the QTimer goes.
        m_timer->stop();
        QObject::disconnect(m_timer, nullptr, nullptr, nullptr);
        m_timer->deleteLater();
    }
    void cancel() override {
        m_timer->stop();
        m_active = false;
    }
    // Active only while the QTimer really is armed towards the deadline (a QTimer whose start
    // failed still calls itself active, but has no time remaining).
    [[nodiscard]] bool isActive() const override {
        return m_active && m_timer->remainingTime() >= 0;
    }
    [[nodiscard]] std::optional<Duration> remaining() const override {
        if (!isActive())
            return std::nullopt;
        return std::max(Duration::zero(),
                        std::chrono::ceil<Duration>(m_deadline - Monotonic::now()));
    }

private:
    void arm() {
        const auto left = std::chrono::ceil<Duration>(m_deadline - Monotonic::now());
        m_timer->setInterval(std::clamp(left, Duration::zero(), longestStep));
        m_timer->start();
    }

    void timeout() {
        if (Monotonic::now() < m_deadline) {
            arm();
            return;
        }
        if (m_repeat) {
            // Ticks that were missed (a busy loop) are not made up; the next one is an
            // interval from now.
            const auto now = Monotonic::now();
            m_deadline += m_interval;
            if (m_deadline <= now)
                m_deadline = now + m_interval;
            arm();
        } else {
            m_active = false;
        }
        // Copy first: the callback may destroy this handle.
        auto copy = m_callback;
        copy();
    }

    QTimer* m_timer;
    Duration m_interval;
    bool m_repeat;
    bool m_active = true;
    Monotonic::time_point m_deadline;
    std::function<void()> m_callback;
};

class SystemClock final : public Clock {
public:
    [[nodiscard]] Instant now() const override {
        return std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
    }
    [[nodiscard]] TimerHandle singleShot(Duration after, std::function<void()> callback) override {
        return std::make_unique<QtTimer>(after, false, Precision::Coarse, std::move(callback));
    }
    [[nodiscard]] TimerHandle repeating(Duration interval, std::function<void()> callback,
                                        Precision precision) override {
        return std::make_unique<QtTimer>(interval, true, precision, std::move(callback));
    }
};

} // namespace

Clock& Clock::system() {
    static SystemClock clock;
    return clock;
}

} // namespace fadebin
