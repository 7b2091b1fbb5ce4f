// An update feed as a server (or whoever stands in its place) sends it.
#include "FuzzSupport.h"
#include "periphery/UpdateFeed.h"

using namespace fadebin;

FUZZ_TARGET(bytes) {
    const FeedParse feed = parseUpdateFeed(bytes);
    if (!feed.ok()) {
        FUZZ_CHECK(feed.items.empty());
        return;
    }
    // What a feed can make the program hold is bounded, whatever it contains.
    FUZZ_CHECK(feed.items.size() <= feedLimits::maxItems);
    for (const UpdateItem& item : feed.items) {
        FUZZ_CHECK(item.title.size() <= feedLimits::maxTitle);
        FUZZ_CHECK(item.version.size() <= feedLimits::maxVersion + 1);
        FUZZ_CHECK(item.shortVersion.size() <= feedLimits::maxVersion + 1);
        // Everything the update window shows or opens of an item.
        [[maybe_unused]] const QString shown = item.displayVersion();
        if (const std::optional<QUrl> page = item.releasePage())
            FUZZ_CHECK(!page->host().isEmpty());
    }
    if (const std::optional<UpdateItem> newest = newestUpdate(feed.items, QStringLiteral("1.0")))
        FUZZ_CHECK(compareVersions(newest->version, QStringLiteral("1.0")) > 0);
}
