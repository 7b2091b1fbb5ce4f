// The quarantine attribute: "flags;time;agent;id", written by whoever saved the file.
#include "FuzzSupport.h"
#include "intake/FileKind.h"

using namespace fadebin;

FUZZ_TARGET(bytes) {
    const std::optional<QString> agent = parseQuarantineAgent(bytes);
    if (!agent)
        return;
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    FUZZ_CHECK(!agent->isEmpty());
    FUZZ_CHECK(!blank(agent->front()) && !blank(agent->back()));
    FUZZ_CHECK(!agent->contains(u';'));
}
