#pragma once

#include "platform/Clock.h"

#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>

namespace fadebin {

// The names vacated in the last few seconds. A storm of thousands is forgotten from the front,
// in time, on a timer of its own, rather than kept until the next vacancy: their nodes would
// otherwise stay among the freed memory of the storm and keep its pages.
class RecentVacancies {
public:
    RecentVacancies(Clock& clock, Duration window);

    [[nodiscard]] bool contains(const std::string& name) const;
    void add(const std::string& name);
    void remove(const std::string& name) { m_at.erase(name); }
    void removeIf(const std::function<bool(const std::string&)>& drop);

private:
    void forgetOld();

    Clock& m_clock;
    Duration m_window;
    std::unordered_map<std::string, Instant> m_at;
    std::deque<std::pair<Instant, std::string>> m_order; // as vacated
    TimerHandle m_timer;
};

} // namespace fadebin
