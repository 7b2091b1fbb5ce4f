// The quarantine attribute: "flags;time;agent;id", written by whoever saved the file.
#include "FuzzSupport.h"
#include "intake/FileKind.h"

using namespace fadebin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<QString> agent = parseQuarantineAgent(fuzz::bytesOf(data, size));
    if (!agent)
        return 0;
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    FUZZ_CHECK(!agent->isEmpty());
    FUZZ_CHECK(!blank(agent->front()) && !blank(agent->back()));
    FUZZ_CHECK(!agent->contains(u';'));
    return 0;
}
