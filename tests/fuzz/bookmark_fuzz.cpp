// A bookmark token from the database, which any program of the user's can write.
#include "FuzzSupport.h"
#include "platform/Bookmark.h"

using namespace fadebin;

FUZZ_TARGET(bytes) {
    const std::optional<BookmarkToken> token = decodeBookmark(bytes);
    if (!token)
        return;
    // Only what a system call can take as a whole absolute path gets through.
    const std::string& name = token->path.native();
    FUZZ_CHECK(!name.empty() && name.front() == '/');
    FUZZ_CHECK(name.find('\0') == std::string::npos);
    FUZZ_CHECK(token->size >= 0);
    FUZZ_CHECK(token->modifiedNanoseconds >= 0 && token->modifiedNanoseconds < 1'000'000'000);
    // Written again, the token says the same.
    const std::optional<BookmarkToken> again = decodeBookmark(encodeBookmark(*token));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->version == token->version);
    FUZZ_CHECK(again->identity == token->identity && again->path == token->path &&
               again->trashed == token->trashed);
    FUZZ_CHECK(again->size == token->size && again->modifiedSeconds == token->modifiedSeconds &&
               again->modifiedNanoseconds == token->modifiedNanoseconds);
}
