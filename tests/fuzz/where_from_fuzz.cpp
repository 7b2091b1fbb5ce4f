// A where-from attribute (the download's address or its referrer) turned into a host.
#include "FuzzSupport.h"
#include "intake/FileKind.h"

using namespace fadebin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<QString> host = parseWhereFromHost(fuzz::bytesOf(data, size));
    if (!host)
        return 0;
    FUZZ_CHECK(!host->isEmpty());
    // A host never carries a path, a user or a port into the source name.
    FUZZ_CHECK(!host->contains(u'/') && !host->contains(u'@'));
    return 0;
}
