#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <vector>

namespace fadebin {

// One release announced by an update feed.
struct UpdateItem {
    QString title;
    QString version;      // the build number (sparkle:version), compared with ours
    QString shortVersion; // the version shown to people (sparkle:shortVersionString); may be empty
    QUrl link;            // the release page; may be empty
    QUrl enclosure;       // the download; may be empty

    // The short version when it is a sensible text, else the machine version.
    [[nodiscard]] QString displayVersion() const;
    // Where "Download…" leads: the release page, else the download, each only when it is
    // an http or https URL with a host; none when neither is.
    [[nodiscard]] std::optional<QUrl> releasePage() const;
};

// What a feed may make the program hold, whatever it contains.
namespace feedLimits {
inline constexpr qsizetype maxBytes = 1 << 20;
inline constexpr std::size_t maxItems = 500;
inline constexpr int maxDepth = 32;
inline constexpr qsizetype maxTitle = 256;
inline constexpr qsizetype maxVersion = 64;
inline constexpr qsizetype maxUrl = 2048;
} // namespace feedLimits

// The items of an appcast-style RSS 2.0 document, in document order, or why it was refused.
struct FeedParse {
    std::vector<UpdateItem> items;
    QString error; // empty when the document was read

    [[nodiscard]] bool ok() const { return error.isEmpty(); }
};

// Reads a feed from untrusted bytes. Documents over feedLimits::maxBytes, with a document
// type declaration, nested deeper than feedLimits::maxDepth, not well formed, or without an
// <rss><channel> are refused; items after the first feedLimits::maxItems are skipped.
[[nodiscard]] FeedParse parseUpdateFeed(const QByteArray& bytes);

// A version as one number per dot-separated part ("1.10" is 1 and 10); none unless every
// part is 1 to 9 decimal digits and there are at most 8 parts.
[[nodiscard]] std::optional<std::vector<std::uint32_t>> versionParts(const QString& version);
// Negative, zero or positive as a is older than, the same as or newer than b; missing parts
// count as 0, so 1.2 and 1.2.0 are the same. None when either is not a version.
[[nodiscard]] std::optional<int> compareVersions(const QString& a, const QString& b);

// The item whose sparkle:version is the greatest above the running build number (the first
// of equals); none when there is none or the build number cannot be read.
[[nodiscard]] std::optional<UpdateItem> newestUpdate(const std::vector<UpdateItem>& items,
                                                     const QString& runningBuild);

} // namespace fadebin
