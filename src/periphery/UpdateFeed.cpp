#include "periphery/UpdateFeed.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <utility>

namespace fadebin {

namespace {

const QString sparkleNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isWebUrl(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

QUrl boundedUrl(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > feedLimits::maxUrl)
        return {};
    return QUrl(trimmed, QUrl::StrictMode);
}

QString boundedVersion(const QString& text) {
    const QString trimmed = text.trimmed();
    // Too long to be a version: kept short and left to fail as one.
    return trimmed.size() > feedLimits::maxVersion ? trimmed.left(feedLimits::maxVersion + 1)
                                                   : trimmed;
}

enum class Field { none, title, link, version, shortVersion };

Field fieldOf(const QXmlStreamReader& xml) {
    const QStringView ns = xml.namespaceUri();
    const QStringView name = xml.name();
    if (ns.isEmpty() && name == u"title")
        return Field::title;
    if (ns.isEmpty() && name == u"link")
        return Field::link;
    if (ns == sparkleNamespace && name == u"version")
        return Field::version;
    if (ns == sparkleNamespace && name == u"shortVersionString")
        return Field::shortVersion;
    return Field::none;
}

bool isPlain(const QXmlStreamReader& xml, QStringView name) {
    return xml.namespaceUri().isEmpty() && xml.name() == name;
}

// One <item> while it is read: its fields' texts and the enclosure's attributes.
struct ItemReader {
    UpdateItem item;
    QString attributeVersion;
    QString attributeShortVersion;
    Field field = Field::none;
    QString text;

    void startChild(const QXmlStreamReader& xml) {
        field = fieldOf(xml);
        text.clear();
        if (!isPlain(xml, u"enclosure"))
            return;
        const QXmlStreamAttributes attributes = xml.attributes();
        item.enclosure = boundedUrl(attributes.value(QLatin1String("url")).toString());
        attributeVersion =
            boundedVersion(attributes.value(sparkleNamespace, QLatin1String("version")).toString());
        attributeShortVersion = boundedVersion(
            attributes.value(sparkleNamespace, QLatin1String("shortVersionString")).toString());
    }
    void addText(QStringView more) {
        // Enough to tell an over-long value from a good one; the rest is not kept.
        if (field != Field::none && text.size() <= feedLimits::maxUrl)
            text.append(more.left(feedLimits::maxUrl + 1 - text.size()));
    }
    void endChild() {
        switch (field) {
        case Field::title:
            item.title = text.simplified().left(feedLimits::maxTitle);
            break;
        case Field::link:
            item.link = boundedUrl(text);
            break;
        case Field::version:
            item.version = boundedVersion(text);
            break;
        case Field::shortVersion:
            item.shortVersion = boundedVersion(text);
            break;
        case Field::none:
            break;
        }
        field = Field::none;
    }
    UpdateItem finish() {
        // The element, where there is one, says more than the enclosure's attribute.
        if (item.version.isEmpty())
            item.version = attributeVersion;
        if (item.shortVersion.isEmpty())
            item.shortVersion = attributeShortVersion;
        return std::move(item);
    }
};

FeedParse refused(QString reason) {
    return FeedParse{{}, std::move(reason)};
}

} // namespace

QString UpdateItem::displayVersion() const {
    const bool sensible =
        !shortVersion.isEmpty() && shortVersion.size() <= 32 &&
        std::all_of(shortVersion.begin(), shortVersion.end(), [](QChar c) { return c.isPrint(); });
    return sensible ? shortVersion : version;
}

std::optional<QUrl> UpdateItem::releasePage() const {
    if (isWebUrl(link))
        return link;
    if (isWebUrl(enclosure))
        return enclosure;
    return std::nullopt;
}

FeedParse parseUpdateFeed(const QByteArray& bytes) {
    if (bytes.size() > feedLimits::maxBytes)
        return refused(
            QStringLiteral("the feed is larger than %1 bytes").arg(feedLimits::maxBytes));
    QXmlStreamReader xml(bytes);
    std::vector<UpdateItem> items;
    std::optional<ItemReader> item;
    // Depth 1 is <rss>, 2 <channel>, 3 <item>, 4 an item's field; deeper text is ignored.
    int depth = 0;
    bool inChannel = false;
    bool sawChannel = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            // Entities declared in a DTD could make a small document expand without bound.
            return refused(QStringLiteral("document type declarations are not accepted"));
        case QXmlStreamReader::StartElement:
            if (++depth > feedLimits::maxDepth)
                return refused(QStringLiteral("elements nested too deeply"));
            if (depth == 1 && !isPlain(xml, u"rss"))
                return refused(QStringLiteral("not an RSS document"));
            if (depth == 2 && isPlain(xml, u"channel")) {
                inChannel = sawChannel = true;
            } else if (depth == 3 && inChannel && isPlain(xml, u"item") &&
                       items.size() < feedLimits::maxItems) {
                item.emplace();
            } else if (depth == 4 && item) {
                item->startChild(xml);
            }
            break;
        case QXmlStreamReader::Characters:
            if (depth == 4 && item)
                item->addText(xml.text());
            break;
        case QXmlStreamReader::EndElement:
            if (depth == 4 && item)
                item->endChild();
            else if (depth == 3 && item)
                items.push_back(std::exchange(item, std::nullopt)->finish());
            else if (depth == 2)
                inChannel = false;
            --depth;
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        return refused(
            QStringLiteral("%1 at line %2").arg(xml.errorString()).arg(xml.lineNumber()));
    if (!sawChannel)
        return refused(QStringLiteral("no channel in the feed"));
    return FeedParse{std::move(items), {}};
}

std::optional<std::vector<std::uint32_t>> versionParts(const QString& version) {
    const QList<QStringView> pieces = QStringView(version).split(u'.');
    if (pieces.size() > 8)
        return std::nullopt;
    std::vector<std::uint32_t> parts;
    for (QStringView piece : pieces) {
        if (piece.isEmpty() || piece.size() > 9 ||
            !std::all_of(piece.begin(), piece.end(),
                         [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
        parts.push_back(piece.toUInt());
    }
    return parts;
}

std::optional<int> compareVersions(const QString& a, const QString& b) {
    const auto left = versionParts(a);
    const auto right = versionParts(b);
    if (!left || !right)
        return std::nullopt;
    const std::size_t count = std::max(left->size(), right->size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t l = i < left->size() ? (*left)[i] : 0;
        const std::uint32_t r = i < right->size() ? (*right)[i] : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

std::optional<UpdateItem> newestUpdate(const std::vector<UpdateItem>& items,
                                       const QString& runningBuild) {
    if (!versionParts(runningBuild))
        return std::nullopt;
    const UpdateItem* best = nullptr;
    for (const UpdateItem& item : items) {
        const std::optional<int> newer = compareVersions(item.version, runningBuild);
        if (!newer || *newer <= 0)
            continue;
        if (!best || compareVersions(item.version, best->version).value_or(0) > 0)
            best = &item;
    }
    return best ? std::optional<UpdateItem>(*best) : std::nullopt;
}

} // namespace fadebin
