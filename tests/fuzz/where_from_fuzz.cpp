// A where-from attribute (the download's address or its referrer) turned into a host.
#include "FuzzSupport.h"
#include "intake/FileKind.h"

using namespace fadebin;

FUZZ_TARGET(bytes) {
    const std::optional<QString> host = parseWhereFromHost(bytes);
    if (!host)
        return;
    FUZZ_CHECK(!host->isEmpty());
    // A host never carries a path, a user or a port into the source name.
    FUZZ_CHECK(!host->contains(u'/') && !host->contains(u'@'));
}
