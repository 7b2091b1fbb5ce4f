#include "intake/DownloadCompletionFilter.h"

#include "platform/Log.h"
#include "platform/SpareCapacity.h"

#include <QPointer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <iterator>
#include <string_view>

namespace fadebin {

namespace {

// Folder litter that arrives with files copied from another desktop: never a download.
constexpr std::array<std::string_view, 2> ignoredNames = {".DS_Store", ".localized"};

// Extensions of downloads still in progress. Beyond the browsers' own partial names this
// holds Epiphany's "wkdownload", qBittorrent's "!qb" and aria2's control file "aria2",
// which is never a download of its own.
constexpr std::array<std::string_view, 8> partialExtensions = {
    "crdownload", "part", "download", "opdownload", "tmp", "wkdownload", "!qb", "aria2"};

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

constexpr std::string_view firefoxPartSuffix = ".part";

bool sameInode(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode;
}

bool isOpenable(const path& item) {
    auto facts = statPath(item);
    if (facts && facts->isDirectory)
        return true;
    auto lease = ReadLease::take(item);
    if (lease)
        return true;
    if (lease.error().context != ReadLease::leaseCall)
        return false; // cannot be opened at all
    // EAGAIN: some process still has it open for writing. Anything else means leases are
    // not to be had here (some network and FUSE filesystems), and the size decides alone.
    return lease.error().code != EAGAIN;
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

DownloadCompletionFilter::DownloadCompletionFilter(Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_vacancies(clock, savedInPlaceWindow) {}

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

bool DownloadCompletionFilter::standsFor(const FileIdentity& entry,
                                         const FileIdentity& item) const {
    if (entry == item)
        return true;
    // An inode freed by a deleted file and handed to a new one later makes a new file.
    return !entry.birthNanoseconds && item.birthNanoseconds && sameInode(entry, item) &&
           *item.birthNanoseconds <= m_baselineBegan;
}

std::vector<FileIdentity>::iterator DownloadCompletionFilter::findKnown(const FileIdentity& item) {
    auto exact = std::lower_bound(m_known.begin(), m_known.end(), item);
    if (exact != m_known.end() && *exact == item)
        return exact;
    const FileIdentity listed{item.device, item.inode, std::nullopt};
    auto found = std::lower_bound(m_known.begin(), m_known.end(), listed);
    if (found != m_known.end() && standsFor(*found, item))
        return found;
    return m_known.end();
}

void DownloadCompletionFilter::addKnown(const FileIdentity& identity) {
    auto at = std::lower_bound(m_known.begin(), m_known.end(), identity);
    if (at == m_known.end() || *at != identity)
        m_known.insert(at, identity);
}

void DownloadCompletionFilter::dropKnown(const FileIdentity& identity) {
    auto at = std::lower_bound(m_known.begin(), m_known.end(), identity);
    if (at != m_known.end() && *at == identity) {
        m_known.erase(at);
        releaseSpareCapacity(m_known);
    }
}

bool DownloadCompletionFilter::wasSavedInPlace(const std::string& name) const {
    if (m_knownNames.find(name))
        return true;
    return m_vacancies.contains(name);
}

void DownloadCompletionFilter::adoptIdentity(const FileIdentity& identity,
                                             const std::string& name) {
    if (const FileIdentity* old = m_knownNames.find(name); old && !standsFor(*old, identity))
        dropKnown(*old);
    addKnown(identity);
    m_knownNames.assign(name, identity);
    m_vacancies.remove(name);
}

bool DownloadCompletionFilter::hasPartialSibling(const path& item) const {
    // Firefox first creates an empty placeholder NAME and writes into NAME.part or
    // NAME.<random>.part, which it finally renames over the placeholder.
    path part = item;
    part += firefoxPartSuffix;
    if (pathExists(part))
        return true;
    const std::string prefix = item.filename().native() + ".";
    auto candidate = m_partNames.lower_bound(prefix);
    return candidate != m_partNames.end() && candidate->starts_with(prefix);
}

bool DownloadCompletionFilter::isStillBeingWritten(const path& item) const {
    // aria2 keeps NAME.aria2 beside a preallocated NAME until the download ends.
    path control = item;
    control += ".aria2";
    if (pathExists(control))
        return true;
    auto facts = statPath(item);
    return facts && facts->isRegular && facts->size == 0 && hasPartialSibling(item);
}

Status DownloadCompletionFilter::recordBaseline(const path& folder,
                                                std::optional<std::int64_t> arrivalsSince) {
    auto folderFacts = statPath(folder);
    if (!folderFacts)
        return folderFacts.error();
    const std::int64_t began = folderFacts->changedNanoseconds;
    const std::uint64_t device = folderFacts->identity.device;

    NameTable names;
    std::vector<FileIdentity> identities;
    std::set<std::string, std::less<>> partNames;
    std::vector<path> arrivals;
    long listed = 0;
    // Looking at each of a hundred thousand items takes most of a second. On the usual
    // local filesystems the listing alone gives a plain item's inode; folders and links
    // (which lead elsewhere, or have something mounted on them) are looked at all the same,
    // and so is everything in a folder that comes back.
    const bool trustListing = listingGivesIdentities(folder);
    const Status read = visitFolder(folder, [&](int dir, const FolderEntry& entry) {
        if (endsWith(entry.name, firefoxPartSuffix))
            partNames.emplace(entry.name);
        FileIdentity identity{device, entry.inode, std::nullopt};
        if (!entry.isPlainItem || !trustListing || arrivalsSince) {
            auto facts = statAt(dir, entry.name);
            if (!facts)
                return;
            identity = facts->identity;
            if (arrivalsSince && facts->changedNanoseconds >= *arrivalsSince &&
                findKnown(identity) == m_known.end() && !isIgnoredName(entry.name)) {
                arrivals.push_back(folder / entry.name);
                return;
            }
        }
        ++listed;
        names.append(entry.name, identity);
        identities.push_back(identity);
    });
    if (!read)
        return read;
    names.sortAppended();

    // A name that holds another file than before was saved over while nobody watched.
    m_knownNames.forEach([&](std::string_view name, const FileIdentity& old) {
        const FileIdentity* now = names.find(name);
        if (now && !sameInode(*now, old))
            dropKnown(old);
    });
    // Listed identities of an earlier baseline were measured against its beginning; the
    // items still here are listed again. Where the filesystem gives no birth times nothing
    // was taken from a listing: those identities are all there is, and they stay.
    if (trustListing)
        std::erase_if(m_known,
                      [](const FileIdentity& identity) { return !identity.birthNanoseconds; });
    std::sort(identities.begin(), identities.end());
    std::vector<FileIdentity> known;
    known.reserve(m_known.size() + identities.size());
    std::set_union(m_known.begin(), m_known.end(), identities.begin(), identities.end(),
                   std::back_inserter(known));
    m_known = std::move(known);
    m_vacancies.removeIf([&](const std::string& name) { return names.find(name) != nullptr; });
    m_knownNames = std::move(names);
    m_partNames = std::move(partNames);
    m_baselineBegan = began;
    FADEBIN_LOG_INFO(LogCategory::Watcher, "Baseline recorded: %ld existing item(s)", listed);
    // Came while the folder was away, or with the one that took its place: new downloads.
    QPointer<DownloadCompletionFilter> self(this);
    for (const path& item : arrivals) {
        if (!self)
            break;
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Arrived while Downloads was away: %s",
                         logName(item).constData());
        handleItemEvent(standardized(item));
    }
    return {};
}

std::vector<std::string> DownloadCompletionFilter::knownNames() const {
    std::vector<std::string> names;
    names.reserve(m_knownNames.size() + m_inFlight.size() + m_partNames.size());
    m_knownNames.forEach(
        [&](std::string_view name, const FileIdentity&) { names.emplace_back(name); });
    for (const auto& [identity, poll] : m_inFlight)
        names.push_back(poll->filePath.filename().native());
    names.insert(names.end(), m_partNames.begin(), m_partNames.end());
    return names;
}

void DownloadCompletionFilter::handleItemEvent(const path& filePath) {
    const std::string name = filePath.filename().native();
    if (name.empty())
        return;
    if (isIgnoredName(name)) {
        if (endsWith(name, firefoxPartSuffix)) {
            if (pathExists(filePath))
                m_partNames.insert(name);
            else if (auto part = m_partNames.find(name); part != m_partNames.end())
                m_partNames.erase(part);
        }
        return;
    }

    if (!pathExists(filePath)) {
        if (m_knownNames.erase(name)) {
            m_vacancies.add(name);
            if (onVacated)
                onVacated(filePath);
        }
        return;
    }

    auto identity = identityOf(filePath);
    if (!identity)
        return;
    if (auto known = findKnown(*identity); known != m_known.end()) {
        if (*known != *identity) { // now with its birth time
            m_known.erase(known);
            addKnown(*identity);
        }
        m_knownNames.assign(name, *identity);
        return;
    }
    if (auto poll = m_inFlight.find(*identity); poll != m_inFlight.end()) {
        poll->second->filePath = filePath;
        return;
    }
    if (wasSavedInPlace(name)) {
        adoptIdentity(*identity, name);
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Saved in place: %s", logName(filePath).constData());
        if (onReplaced)
            onReplaced(filePath);
        return;
    }

    auto poll = std::make_unique<Poll>();
    poll->filePath = filePath;
    poll->startedAt = m_clock.awakeTime();
    FADEBIN_LOG_DEBUG(LogCategory::Watcher, "Polling %s for completion",
                      logName(filePath).constData());
    const FileIdentity polled = *identity;
    poll->nextCheck = poll->startedAt + pollInterval;
    poll->sequence = m_nextSequence++;
    if (const auto earlier = m_inFlight.find(polled); earlier != m_inFlight.end())
        m_due.erase({earlier->second->nextCheck, earlier->second->sequence});
    m_due.emplace(std::pair(poll->nextCheck, poll->sequence), polled);
    m_inFlight.insert_or_assign(polled, std::move(poll));
    if (!m_pollTimer || !m_pollTimer->isActive())
        armPollTimer();
}

void DownloadCompletionFilter::armPollTimer() {
    m_pollTimer.reset();
    if (m_due.empty())
        return;
    const Duration wait =
        std::max(Duration::zero(), m_due.begin()->first.first - m_clock.awakeTime());
    QPointer<DownloadCompletionFilter> self(this);
    m_pollTimer = m_clock.singleShot(wait, [self] {
        if (self)
            self->runDuePolls();
    });
}

void DownloadCompletionFilter::runDuePolls() {
    const Duration now = m_clock.awakeTime();
    QPointer<DownloadCompletionFilter> self(this);
    const auto slice = [&] {
        for (int checked = 0;
             checked < pollSlice && !m_due.empty() && m_due.begin()->first.first <= now;
             ++checked) {
            const auto [key, identity] = *m_due.begin();
            m_due.erase(m_due.begin());
            const auto found = m_inFlight.find(identity);
            if (found == m_inFlight.end())
                continue;
            // Every half second from its start, as a repeating timer of its own would have it.
            found->second->nextCheck = key.first + pollInterval;
            m_due.emplace(std::pair(found->second->nextCheck, key.second), identity);
            checkPoll(identity);
            if (!self)
                return;
        }
    };
    // A copy: the owner may end this filter, and with it the member, while the slice runs.
    if (const auto around = aroundPollSlice)
        around(slice);
    else
        slice();
    // More due than one slice: the rest after whatever else waits in the event loop.
    if (self)
        armPollTimer();
}

void DownloadCompletionFilter::checkPoll(const FileIdentity& identity) {
    auto found = m_inFlight.find(identity);
    if (found == m_inFlight.end())
        return;
    Poll& poll = *found->second;

    // Something else now at the path (a placeholder replaced by the finished file) means
    // this item left it just as surely as nothing being there; the newcomer has its own poll.
    auto current = identityOf(poll.filePath);
    if (!current || *current != identity) {
        finishPoll(identity, false);
        return;
    }

    const std::int64_t signature = itemSignature(poll.filePath);
    if (signature == poll.lastSignature) {
        ++poll.stableCount;
    } else {
        poll.stableCount = 0;
        poll.lastSignature = signature;
    }
    // The limit holds for everything, a tool's leftovers of an aborted download included.
    if (m_clock.awakeTime() - poll.startedAt >= pollLimit) {
        finishPoll(identity, true);
        return;
    }
    // A tool that is known to be still writing keeps its item under observation, however
    // long its size stands still: reporting it half-written would let the user time a
    // file that is not there yet.
    if (isStillBeingWritten(poll.filePath))
        return;
    if (poll.stableCount >= 2 && isOpenable(poll.filePath))
        finishPoll(identity, true);
}

void DownloadCompletionFilter::finishPoll(const FileIdentity& identity, bool completed) {
    auto found = m_inFlight.find(identity);
    if (found == m_inFlight.end())
        return;
    std::unique_ptr<Poll> poll = std::move(found->second);
    m_inFlight.erase(found);
    releaseSpareCapacity(m_inFlight);
    m_due.erase({poll->nextCheck, poll->sequence});
    // An item that left its path is not accounted for: renamed within the folder it is
    // polled again under its new name when that event comes, which may be after this tick.
    if (!completed)
        return;
    const std::string name = poll->filePath.filename().native();
    const bool savedInPlace = wasSavedInPlace(name);
    adoptIdentity(identity, name);
    const QByteArray shown = logName(poll->filePath);
    if (!savedInPlace && isDecided && isDecided(poll->filePath)) {
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Completed, already decided: %s", shown.constData());
    } else if (!savedInPlace) {
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Completed: %s", shown.constData());
        if (onComplete)
            onComplete(poll->filePath);
    } else {
        FADEBIN_LOG_INFO(LogCategory::Watcher, "Saved in place: %s", shown.constData());
        if (onReplaced)
            onReplaced(poll->filePath);
    }
}

void DownloadCompletionFilter::forget(const FileIdentity& identity) {
    std::erase_if(m_known, [&](const FileIdentity& known) { return sameInode(known, identity); });
}

} // namespace fadebin
