#include "platform/Clock.h"

#include <QObject>
#include <QTimer>

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
    return Instant(Duration(static_cast<Duration::rep>(std::llround(seconds * 1000.0))));
}

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(Duration interval, bool repeat, Clock::Precision precision,
            std::function<void()> callback)
        : m_timer(new QTimer)
        , m_callback(std::move(callback)) {
        m_timer->setSingleShot(!repeat);
        m_timer->setTimerType(precision == Clock::Precision::Precise ? Qt::PreciseTimer
                                                                     : Qt::CoarseTimer);
        m_timer->setInterval(
            std::chrono::milliseconds(std::max<Duration::rep>(0, interval.count())));
        QObject::connect(m_timer, &QTimer::timeout, [this] {
            // Copy first: the callback may destroy this handle.
            auto copy = m_callback;
            copy();
        });
        m_timer->start();
    }
    ~QtTimer() override {
        // The handle may be dropped from inside its own timeout; let Qt finish the
        // emission before the QTimer goes.
        m_timer->stop();
        QObject::disconnect(m_timer, nullptr, nullptr, nullptr);
        m_timer->deleteLater();
    }
    void cancel() override { m_timer->stop(); }
    [[nodiscard]] bool isActive() const override { return m_timer->isActive(); }

private:
    QTimer* m_timer;
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
