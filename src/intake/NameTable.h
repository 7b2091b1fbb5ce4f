#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fadebin {

// The identity last seen under each name of one folder. A Downloads folder can hold a
// hundred thousand files, and a map of strings spends several hundred bytes on each (a
// node, a string, its own allocation); here the names share one buffer and the entries
// sit in one array sorted by name, 40 bytes plus the name. Adding and removing move part
// of the array, which costs far less than the listing and polling that come with them.
class NameTable {
public:
    [[nodiscard]] const FileIdentity* find(std::string_view name) const;
    // Adds the name or gives it a new identity.
    void assign(std::string_view name, const FileIdentity& identity);
    bool erase(std::string_view name);
    [[nodiscard]] std::size_t size() const { return m_entries.size(); }

    // Many names at once, as a folder listing gives them: append distinct names in any
    // order, then sort once before anything else is asked.
    void append(std::string_view name, const FileIdentity& identity);
    void sortAppended();

    template <class Fn> void forEach(Fn&& fn) const {
        for (const Entry& entry : m_entries)
            fn(nameOf(entry), entry.identity);
    }

private:
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
        FileIdentity identity;
    };

    [[nodiscard]] std::string_view nameOf(const Entry& entry) const {
        return std::string_view(m_names).substr(entry.offset, entry.length);
    }
    [[nodiscard]] std::vector<Entry>::const_iterator lowerBound(std::string_view name) const;
    [[nodiscard]] Entry store(std::string_view name, const FileIdentity& identity);
    void compactIfWasteful();

    std::vector<Entry> m_entries;
    std::string m_names;
    std::size_t m_unused = 0; // bytes in m_names that no entry refers to any more
};

} // namespace fadebin
