#pragma once

#include "platform/Clock.h"

#include <optional>
#include <vector>

namespace fadebin {

// The spans the person was away from the machine, as far back as an undecided file needs:
// its grace counts only the time between them.
class AwayLedger {
public:
    // Away since `awaySince` (never before the last return nor after now), or back at now.
    void update(std::optional<Instant> awaySince, Instant now);
    [[nodiscard]] std::optional<Instant> awaySince() const { return m_openSince; }
    // The time from `from` to now the person was here.
    [[nodiscard]] Duration presentSince(Instant from, Instant now) const;
    // Spans over before `instant` no longer count for anything.
    void forgetBefore(Instant instant);

private:
    struct Span {
        Instant from;
        Instant to;
    };
    std::vector<Span> m_spans;
    std::optional<Instant> m_openSince;
};

} // namespace fadebin
