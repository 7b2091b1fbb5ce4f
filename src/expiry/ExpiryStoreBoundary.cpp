// What counts as inside Downloads and what as in a trash, and whether Downloads can be seen.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/XdgPaths.h"

#include <unistd.h>

#include <string>

namespace fadebin {

namespace {

bool startsWithFolder(const std::string& p, const std::string& folder) {
    // Only for telling trash folders apart: what is inside Downloads the kernel decides.
    return p.size() > folder.size() + 1 && p.compare(0, folder.size(), folder) == 0 &&
           p[folder.size()] == '/';
}

} // namespace

path ExpiryStore::pathForm(const path& filePath) {
    path p = filePath;
    if (!p.is_absolute()) {
        std::error_code ec;
        p = std::filesystem::absolute(p, ec);
    }
    p = standardized(p);
    if (!p.has_filename())
        return resolvedPath(p);
    return resolvedPath(p.parent_path()) / p.filename();
}

bool ExpiryStore::isInsideDownloads(const path& filePath) const {
    return m_deleter.downloads().contains(filePath) && !isInTrash(filePath);
}

bool ExpiryStore::isInTrash(const path& filePath) const {
    if (!m_trashFolders) {
        m_trashFolders.emplace();
        if (auto data = dataHome())
            m_trashFolders->push_back(resolvedPath(*data / "Trash"));
        for (const path& files : trashFilesFolders(TrashReach::localOnly, m_downloadsPath))
            m_trashFolders->push_back(resolvedPath(files.parent_path()));
    }
    const std::string p = resolvedPath(filePath).native();
    for (const path& folder : *m_trashFolders)
        if (startsWithFolder(p, folder.native()))
            return true;
    // Volume trashes made after the list was gathered still have their well-known names.
    const std::string volumeTrash = "/.Trash-" + std::to_string(::getuid()) + "/";
    return p.find("/.Trash/") != std::string::npos || p.find("/.Trashes/") != std::string::npos ||
           p.find(volumeTrash) != std::string::npos;
}

bool ExpiryStore::downloadsAvailable() {
    std::optional<std::string> reason;
    const auto folder = statPath(m_downloadsPath);
    if (!folder) {
        reason = folder.error().text();
    } else if (!folder->isDirectory) {
        reason = "it is not a folder";
    } else if (::access(m_downloadsPath.c_str(), R_OK | X_OK) != 0) {
        reason = SysError{errno, {}}.text();
    } else {
        // An empty folder on another device than every tracked file: the mount point of a
        // disk that is not mounted (yet), not a Downloads the user emptied. Only then is the
        // folder read, which in a folder of many thousand files is not free.
        const auto onFolderDevice = m_activeOnDevice.find(folder->identity.device);
        const bool elsewhere =
            m_activeOnDevice.size() > (onFolderDevice == m_activeOnDevice.end() ? 0u : 1u);
        if (elsewhere && onFolderDevice == m_activeOnDevice.end()) {
            if (const auto entries = hasEntries(m_downloadsPath); !entries)
                reason = entries.error().text();
            else if (!*entries)
                reason = "its disk is not mounted";
        }
    }
    if (reason) {
        if (!m_toldUnavailable)
            FADEBIN_LOG_ERROR(LogCategory::Expiry,
                              "Downloads is unavailable (%s); records are left as they are",
                              reason->c_str());
        m_toldUnavailable = true;
        return false;
    }
    if (m_toldUnavailable)
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Downloads is available again");
    m_toldUnavailable = false;
    return true;
}

} // namespace fadebin
