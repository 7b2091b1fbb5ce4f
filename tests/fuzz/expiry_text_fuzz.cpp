// The expiry attribute's text, as any program may have written it.
#include "FuzzSupport.h"
#include "expiry/FileDeleter.h"

using namespace fadebin;

FUZZ_TARGET(bytes) {
    // The attribute is read as UTF-8, as FileDeleter::readAttribute does.
    const std::optional<Instant> when = parseExpiry(QString::fromUtf8(bytes));
    if (!when)
        return;
    // What we would write for that instant reads back as the same instant, and a text already
    // in the written form is exactly what we would write.
    const QByteArray written = formatExpiry(*when);
    if (written.size() == 20) {
        FUZZ_CHECK(parseExpiry(QString::fromLatin1(written)) == when);
        if (bytes.size() == 20)
            FUZZ_CHECK(written == bytes);
    }
}
