#include "expiry/AwayLedger.h"

#include <algorithm>

namespace fadebin {

void AwayLedger::update(std::optional<Instant> awaySince, Instant now) {
    if (!awaySince) {
        if (m_openSince && *m_openSince < now)
            m_spans.push_back({*m_openSince, now});
        m_openSince.reset();
        return;
    }
    // Spans never overlap, so their lengths can simply be summed.
    const Instant floor = m_spans.empty() ? earliestInstant : m_spans.back().to;
    const Instant start = std::min(std::max(*awaySince, floor), now);
    m_openSince = m_openSince ? std::min(*m_openSince, start) : start;
}

Duration AwayLedger::presentSince(Instant from, Instant now) const {
    Duration present = std::max(now - from, Duration::zero());
    auto subtract = [&](Instant spanFrom, Instant spanTo) {
        const Instant a = std::max(spanFrom, from), b = std::min(spanTo, now);
        if (b > a)
            present -= b - a;
    };
    for (const Span& span : m_spans)
        subtract(span.from, span.to);
    if (m_openSince)
        subtract(*m_openSince, now);
    return std::max(present, Duration::zero());
}

void AwayLedger::forgetBefore(Instant instant) {
    std::erase_if(m_spans, [instant](const Span& span) { return span.to <= instant; });
}

} // namespace fadebin
