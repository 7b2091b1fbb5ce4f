#include "platform/Clock.h"

#include "platform/Log.h"
#include "platform/UniqueFd.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/timerfd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>
#include <thread>

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

Instant wallNow() {
    return std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
}

// A CLOCK_REALTIME timerfd armed at an absolute instant: the kernel fires it on the wall
// clock's time, after a suspend too. Armed with TFD_TIMER_CANCEL_ON_SET, a read fails with
// ECANCELED once the clock has been set (a resume counts as that as well); the deadline is
// absolute, so it is armed again at the same instant, and one now past is due at once.
class WallClockTimer final : public Timer {
public:
    // Without a deadline it never falls due and calls back each time the clock is set.
    WallClockTimer(UniqueFd fd, std::optional<Instant> deadline, std::function<void()> callback)
        : m_fd(std::move(fd))
        , m_notifier(new QSocketNotifier(m_fd.get(), QSocketNotifier::Read))
        , m_deadline(deadline)
        , m_callback(std::move(callback)) {
        QObject::connect(m_notifier, &QSocketNotifier::activated, [this] { readable(); });
        m_active = arm();
        m_notifier->setEnabled(m_active);
    }
    ~WallClockTimer() override {
        // The handle may be dropped from inside its own callback; let Qt finish the emission
        // before the notifier goes. It is disabled before its descriptor is closed.
        m_notifier->setEnabled(false);
        QObject::disconnect(m_notifier, nullptr, nullptr, nullptr);
        m_notifier->deleteLater();
    }
    void cancel() override {
        m_active = false;
        m_notifier->setEnabled(false);
        const itimerspec disarmed{};
        ::timerfd_settime(m_fd.get(), 0, &disarmed, nullptr);
    }
    [[nodiscard]] bool isActive() const override { return m_active; }
    [[nodiscard]] std::optional<Duration> remaining() const override {
        if (!m_active || !m_deadline)
            return std::nullopt;
        const Instant now = wallNow();
        return *m_deadline > now ? *m_deadline - now : Duration::zero();
    }

private:
    bool arm() {
        // A zero value would disarm it: the earliest deadline kept is a nanosecond past 1970.
        itimerspec when{};
        when.it_value = {std::numeric_limits<time_t>::max(), 0};
        if (m_deadline) {
            const auto ms = std::max<Duration::rep>(m_deadline->time_since_epoch().count(), 0);
            when.it_value = {static_cast<time_t>(ms / 1000),
                             static_cast<long>(ms % 1000) * 1'000'000};
            if (ms == 0)
                when.it_value.tv_nsec = 1;
        }
        return ::timerfd_settime(m_fd.get(), TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when,
                                 nullptr) == 0;
    }

    void readable() {
        std::uint64_t expirations = 0;
        if (::read(m_fd.get(), &expirations, sizeof expirations) ==
            static_cast<ssize_t>(sizeof expirations)) {
            m_active = false; // fell due (a watch's deadline never does)
            m_notifier->setEnabled(false);
        } else if (errno == ECANCELED) {
            // The clock was set. Armed again at the same instant, now measured on the new
            // time, the deadline is due at once if it has passed.
            if (!arm()) {
                cancel();
                return;
            }
            if (m_deadline)
                return;
        } else {
            return; // woken for nothing
        }
        // Copy first: the callback may destroy this handle.
        auto copy = m_callback;
        copy();
    }

    UniqueFd m_fd;
    QSocketNotifier* m_notifier;
    std::optional<Instant> m_deadline;
    bool m_active = false;
    std::function<void()> m_callback;
};

// Stands for a timer that could not be had; it never fires.
class DeadTimer final : public Timer {
public:
    void cancel() override {}
    [[nodiscard]] bool isActive() const override { return false; }
    [[nodiscard]] std::optional<Duration> remaining() const override { return std::nullopt; }
};

UniqueFd realtimeTimerFd() {
    UniqueFd fd(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC));
    if (!fd)
        FADEBIN_LOG_ERROR(LogCategory::App, "Cannot create a wall-clock timer: %s",
                          std::strerror(errno));
    return fd;
}

class SystemClock final : public Clock {
public:
    [[nodiscard]] Instant now() const override { return wallNow(); }
    [[nodiscard]] Duration awakeTime() const override {
        // CLOCK_MONOTONIC, not CLOCK_BOOTTIME: time asleep is not counted.
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        return std::chrono::duration_cast<Duration>(std::chrono::seconds(ts.tv_sec) +
                                                    std::chrono::nanoseconds(ts.tv_nsec));
    }
    void block(Duration span) override { std::this_thread::sleep_for(span); }
    [[nodiscard]] TimerHandle at(Instant deadline, std::function<void()> callback) override {
        if (UniqueFd fd = realtimeTimerFd()) {
            auto timer = std::make_unique<WallClockTimer>(std::move(fd), deadline, callback);
            if (timer->isActive())
                return timer;
        }
        // Measured as a duration instead: late after a suspend or a clock change, but kept.
        const Instant now = wallNow();
        return std::make_unique<QtTimer>(deadline > now ? deadline - now : Duration::zero(), false,
                                         Precision::Coarse, std::move(callback));
    }
    [[nodiscard]] TimerHandle onWallClockSet(std::function<void()> callback) override {
        if (UniqueFd fd = realtimeTimerFd())
            return std::make_unique<WallClockTimer>(std::move(fd), std::nullopt,
                                                    std::move(callback));
        return std::make_unique<DeadTimer>();
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
