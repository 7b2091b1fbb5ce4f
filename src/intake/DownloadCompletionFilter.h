#pragma once

#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace fadebin {

// Decides, for each item the watcher reports, whether a new download has appeared and when
// it is finished. Items are told apart by identity, not by name, so renames, saves in
// place and removals of files already accounted for are not taken for new downloads.
class DownloadCompletionFilter : public QObject {
    Q_OBJECT
public:
    explicit DownloadCompletionFilter(Clock& clock, QObject* parent = nullptr);
    ~DownloadCompletionFilter() override;

    // Accounts for everything in the folder now. Fails with the listing error.
    [[nodiscard]] Status recordBaseline(const path& folder);
    void handleItemEvent(const path& url);

    std::function<void(const path&)> onComplete;
    std::function<void(const path&)> onReplaced;
    std::function<void(const path&)> onVacated;

    [[nodiscard]] static bool isIgnoredName(const std::string& name);
    [[nodiscard]] std::size_t inFlightCount() const { return m_inFlight.size(); }

    static constexpr Duration pollInterval{500};
    static constexpr Duration pollLimit{600'000};
    static constexpr Duration savedInPlaceWindow{3'000};

private:
    struct Poll {
        path url;
        std::int64_t lastSignature = -1;
        int stableCount = 0;
        Instant startedAt;
        TimerHandle timer;
    };
    using IdentitySet = std::unordered_set<FileIdentity, FileIdentityHash>;

    [[nodiscard]] bool wasSavedInPlace(const std::string& p) const;
    void adoptIdentity(const FileIdentity& identity, const std::string& p);
    void checkPoll(const FileIdentity& identity);
    void finishPoll(const FileIdentity& identity, bool completed);

    Clock& m_clock;
    IdentitySet m_known;
    std::unordered_map<std::string, FileIdentity> m_knownPaths;
    std::unordered_map<std::string, Instant> m_vacatedAt;
    std::unordered_map<FileIdentity, std::unique_ptr<Poll>, FileIdentityHash> m_inFlight;
};

// The value whose stability marks a finished download: a file's size, or for a folder its
// entry count and modification time; -1 when unreadable.
[[nodiscard]] std::int64_t itemSignature(const path& item);
// True while a download tool is known to be still writing the item, whatever its size says.
[[nodiscard]] bool isStillBeingWritten(const path& item);

} // namespace fadebin
