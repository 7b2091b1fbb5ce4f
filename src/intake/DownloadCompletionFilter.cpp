#include "intake/DownloadCompletionFilter.h"

#include "platform/Log.h"

#include <QPointer>

#include <array>
#include <string_view>

namespace fadebin {

namespace {

constexpr std::array<std::string_view, 2> ignoredNames = {".DS_Store", ".localized"};

// Extensions of downloads still in progress. Beyond the browsers' own partial names this
// holds Epiphany's "wkdownload", qBittorrent's "!qb" and aria2's control file "aria2",
// which is never a download of its own.
constexpr std::array<std::string_view, 8> partialExtensions = {
    "crdownload", "part", "download", "opdownload", "tmp", "wkdownload", "!qb", "aria2"};

bool hasPartialSibling(const path& item) {
    // Firefox first creates an empty placeholder NAME and writes into NAME.part or
    // NAME.<random>.part, which it finally renames over the placeholder.
    const std::string name = item.filename().native();
    auto names = listNames(item.parent_path());
    if (!names)
        return false;
    const std::string_view suffix = ".part";
    for (const std::string& other : *names) {
        if (other.size() < name.size() + suffix.size() || other.compare(0, name.size(), name) != 0)
            continue;
        if (other.compare(other.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        if (other.size() == name.size() + suffix.size() || other[name.size()] == '.')
            return true;
    }
    return false;
}

bool isOpenable(const path& item) {
    auto facts = statPath(item);
    return (facts && facts->isDirectory) || openForReading(item).ok();
}

} // namespace

std::int64_t itemSignature(const path& item) {
    auto facts = statPath(item);
    if (!facts)
        return -1;
    if (facts->isDirectory) {
        auto names = listNames(item);
        const std::int64_t count = names ? static_cast<std::int64_t>(names->size()) : 0;
        return count * 1'000'003 + facts->modifiedSeconds;
    }
    return facts->size;
}

bool isStillBeingWritten(const path& item) {
    // aria2 keeps NAME.aria2 beside a preallocated NAME until the download ends.
    path control = item;
    control += ".aria2";
    if (pathExists(control))
        return true;
    auto facts = statPath(item);
    return facts && facts->isRegular && facts->size == 0 && hasPartialSibling(item);
}

DownloadCompletionFilter::DownloadCompletionFilter(Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock) {}

DownloadCompletionFilter::~DownloadCompletionFilter() = default;

bool DownloadCompletionFilter::isIgnoredName(const std::string& name) {
    if (!name.empty() && name.front() == '.')
        return true;
    for (auto ignored : ignoredNames)
        if (name == ignored)
            return true;
    const std::string ext = lowerExtension(name);
    for (auto partial : partialExtensions)
        if (ext == partial)
            return true;
    return false;
}

bool DownloadCompletionFilter::wasSavedInPlace(const std::string& p) const {
    if (m_knownPaths.contains(p))
        return true;
    auto vacated = m_vacatedAt.find(p);
    return vacated != m_vacatedAt.end() && m_clock.now() - vacated->second < savedInPlaceWindow;
}

void DownloadCompletionFilter::adoptIdentity(const FileIdentity& identity, const std::string& p) {
    auto old = m_knownPaths.find(p);
    if (old != m_knownPaths.end() && old->second != identity)
        m_known.erase(old->second);
    m_known.insert(identity);
    m_knownPaths.insert_or_assign(p, identity);
    m_vacatedAt.erase(p);
}

Status DownloadCompletionFilter::recordBaseline(const path& folder) {
    auto items = listDirectory(folder);
    if (!items)
        return items.error();
    for (const path& item : *items) {
        auto identity = identityOf(item);
        if (!identity)
            continue;
        adoptIdentity(*identity, standardized(item).native());
    }
    FADEBIN_LOG_INFO(LogCategory::Watcher, "Baseline recorded: %ld existing item(s)",
                     static_cast<long>(items->size()));
    return {};
}

void DownloadCompletionFilter::handleItemEvent(const path& url) {
    const std::string name = url.filename().native();
    if (isIgnoredName(name))
        return;
    const std::string p = standardized(url).native();

    if (!pathExists(url)) {
        if (m_knownPaths.erase(p) > 0) {
            m_vacatedAt.insert_or_assign(p, m_clock.now());
            if (onVacated)
                onVacated(url);
        }
        return;
    }

    auto identity = identityOf(url);
    if (!identity)
        return;
    if (m_known.contains(*identity)) {
        m_knownPaths.insert_or_assign(p, *identity);
        return;
    }
    if (auto poll = m_inFlight.find(*identity); poll != m_inFlight.end()) {
        poll->second->url = url;
        return;
    }
    if (wasSavedInPlace(p)) {
        adoptIdentity(*identity, p);
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Saved in place: %s", logName(url).constData());
        if (onReplaced)
            onReplaced(url);
        return;
    }

    auto poll = std::make_unique<Poll>();
    poll->url = url;
    poll->startedAt = m_clock.now();
    FADEBIN_LOG_DEBUG(LogCategory::Watcher, "Polling %s for completion", logName(url).constData());
    QPointer<DownloadCompletionFilter> self(this);
    const FileIdentity polled = *identity;
    poll->timer = m_clock.repeating(pollInterval, [self, polled] {
        if (self)
            self->checkPoll(polled);
    });
    m_inFlight.insert_or_assign(polled, std::move(poll));
}

void DownloadCompletionFilter::checkPoll(const FileIdentity& identity) {
    auto found = m_inFlight.find(identity);
    if (found == m_inFlight.end())
        return;
    Poll& poll = *found->second;

    // Something else now at the path (a placeholder replaced by the finished file) means
    // this item left it just as surely as nothing being there; the newcomer has its own poll.
    auto current = identityOf(poll.url);
    if (!current || *current != identity) {
        finishPoll(identity, false);
        return;
    }

    const std::int64_t signature = itemSignature(poll.url);
    if (signature == poll.lastSignature) {
        ++poll.stableCount;
    } else {
        poll.stableCount = 0;
        poll.lastSignature = signature;
    }
    // A tool that is known to be still writing keeps its item under observation past the
    // limit: reporting it half-written would let the user time a file that is not there yet.
    if (isStillBeingWritten(poll.url))
        return;
    if (poll.stableCount >= 2 && isOpenable(poll.url)) {
        finishPoll(identity, true);
        return;
    }
    if (m_clock.now() - poll.startedAt >= pollLimit)
        finishPoll(identity, true);
}

void DownloadCompletionFilter::finishPoll(const FileIdentity& identity, bool completed) {
    auto found = m_inFlight.find(identity);
    if (found == m_inFlight.end())
        return;
    std::unique_ptr<Poll> poll = std::move(found->second);
    m_inFlight.erase(found);
    poll->timer.reset();
    if (!completed) {
        m_known.insert(identity);
        return;
    }
    const std::string p = standardized(poll->url).native();
    const bool savedInPlace = wasSavedInPlace(p);
    adoptIdentity(identity, p);
    const QByteArray name = logName(poll->url);
    if (!savedInPlace) {
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Completed: %s", name.constData());
        if (onComplete)
            onComplete(poll->url);
    } else {
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Saved in place: %s", name.constData());
        if (onReplaced)
            onReplaced(poll->url);
    }
}

} // namespace fadebin
