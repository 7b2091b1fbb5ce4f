#pragma once

#include "intake/NameTable.h"
#include "intake/RecentVacancies.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace fadebin {

// Decides, for each item the watcher reports, whether a new download has appeared and when
// it is finished. Items are told apart by identity, not by name, so renames, saves in
// place and removals of files already accounted for are not taken for new downloads. It
// serves the direct children of one folder and keeps them by name.
class DownloadCompletionFilter : public QObject {
    Q_OBJECT
public:
    explicit DownloadCompletionFilter(Clock& clock, QObject* parent = nullptr);
    ~DownloadCompletionFilter() override;

    // Accounts for everything in the folder now, in place of what was last known to be
    // at each name; identities accounted for before stay so. Fails with the listing
    // error and then changes nothing. With arrivalsSince (the moment the folder was lost, by
    // file times), an item not accounted for that came or changed since is no part of the
    // baseline: it is judged as a download.
    [[nodiscard]] Status recordBaseline(const path& folder,
                                        std::optional<std::int64_t> arrivalsSince = std::nullopt);
    void handleItemEvent(const path& filePath);

    std::function<void(const path&)> onComplete;
    std::function<void(const path&)> onReplaced;
    std::function<void(const path&)> onVacated;
    // Whether the file at a path already has a decision (taken while it was in flight): its
    // completion is then only accounted for, not reported.
    std::function<bool(const path&)> isDecided;
    // Runs one slice of due checks (given as the argument), so that the owner can take the
    // downloads it finishes in as one change.
    std::function<void(const std::function<void()>&)> aroundPollSlice;

    // The file of a record that ended by deletion: another name of it (a hard link) moved
    // into the folder later is new, and asked about.
    void forget(const FileIdentity& identity);

    [[nodiscard]] static bool isIgnoredName(const std::string& name);
    [[nodiscard]] std::size_t inFlightCount() const { return m_inFlight.size(); }
    // Every name the filter accounts for, polls or remembers as a partial download.
    [[nodiscard]] std::vector<std::string> knownNames() const;

    static constexpr Duration pollInterval{500};
    static constexpr Duration pollLimit{600'000};
    static constexpr Duration savedInPlaceWindow{3'000};
    // How many polls one turn of the event loop checks; the rest wait for the next turn.
    static constexpr int pollSlice = 128;

private:
    struct Poll {
        path filePath;
        std::int64_t lastSignature = -1;
        int stableCount = 0;
        // Time awake, not wall time: a sleep gives a download no time to finish in, and a clock
        // set forward gives it none at all.
        Duration startedAt{0};
        Duration nextCheck{0};      // time awake
        std::uint64_t sequence = 0; // polls due together are checked in the order they began
    };

    [[nodiscard]] bool standsFor(const FileIdentity& entry, const FileIdentity& item) const;
    [[nodiscard]] std::vector<FileIdentity>::iterator findKnown(const FileIdentity& item);
    void addKnown(const FileIdentity& identity);
    void dropKnown(const FileIdentity& identity);
    [[nodiscard]] bool wasSavedInPlace(const std::string& name) const;
    void adoptIdentity(const FileIdentity& identity, const std::string& name);
    [[nodiscard]] bool isStillBeingWritten(const path& item) const;
    [[nodiscard]] bool hasPartialSibling(const path& item) const;
    void checkPoll(const FileIdentity& identity);
    // Checks the polls that are due, a slice at a time, and arms the one timer for the next.
    void runDuePolls();
    void armPollTimer();
    void finishPoll(const FileIdentity& identity, bool completed);

    Clock& m_clock;
    // Sorted, so that a hundred thousand identities cost their own size and no more. The
    // baseline enters plain items with the inode the folder listing gives and no birth
    // time, which spares it a look at each of them.
    std::vector<FileIdentity> m_known;
    // The folder's change time when the baseline began: an item the baseline listed without
    // a birth time is the one that still has its inode only if born no later than this.
    std::int64_t m_baselineBegan = 0;
    NameTable m_knownNames;
    RecentVacancies m_vacancies;
    std::unordered_map<FileIdentity, std::unique_ptr<Poll>, FileIdentityHash> m_inFlight;
    // Every poll by the time its next check is due. One timer serves them all: ten thousand
    // timers of their own would cost the event loop more than the checks themselves, and
    // would all fire in one pass with nothing else served in between.
    std::map<std::pair<Duration, std::uint64_t>, FileIdentity> m_due;
    std::uint64_t m_nextSequence = 0;
    TimerHandle m_pollTimer;
    // Firefox's NAME.<random>.part files in the folder, learnt from the baseline and the
    // events, so that finding a placeholder's partner needs no listing of the folder.
    std::set<std::string, std::less<>> m_partNames;
};

// The value whose stability marks a finished download: a file's size, or for a folder its
// entry count and modification time; -1 when unreadable.
[[nodiscard]] std::int64_t itemSignature(const path& item);

} // namespace fadebin
