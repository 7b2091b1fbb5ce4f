// The comma-separated tag list that file managers keep in user.xdg.tags.
#include "FuzzSupport.h"
#include "expiry/FileDeleter.h"

#include <QStringList>

using namespace fadebin;

FUZZ_TARGET(bytes) {
    const QStringList tags = parseTags(bytes);
    for (const QString& tag : tags)
        FUZZ_CHECK(!tag.isEmpty() && !tag.contains(u','));
    // The list as we write it back reads as the same list, so adding or removing our tag
    // leaves every other tag as it was.
    FUZZ_CHECK(parseTags(tags.join(u',').toUtf8()) == tags);
}
