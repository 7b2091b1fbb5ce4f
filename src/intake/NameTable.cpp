#include "intake/NameTable.h"

#include "platform/SpareCapacity.h"

#include <algorithm>

namespace fadebin {

std::vector<NameTable::Entry>::const_iterator NameTable::lowerBound(std::string_view name) const {
    return std::lower_bound(
        m_entries.begin(), m_entries.end(), name,
        [this](const Entry& entry, std::string_view wanted) { return nameOf(entry) < wanted; });
}

const FileIdentity* NameTable::find(std::string_view name) const {
    auto it = lowerBound(name);
    if (it == m_entries.end() || nameOf(*it) != name)
        return nullptr;
    return &it->identity;
}

NameTable::Entry NameTable::store(std::string_view name, const FileIdentity& identity) {
    Entry entry{static_cast<std::uint32_t>(m_names.size()), static_cast<std::uint32_t>(name.size()),
                identity};
    m_names.append(name);
    return entry;
}

void NameTable::assign(std::string_view name, const FileIdentity& identity) {
    auto it = lowerBound(name);
    if (it != m_entries.end() && nameOf(*it) == name) {
        m_entries[static_cast<std::size_t>(it - m_entries.begin())].identity = identity;
        return;
    }
    const auto at = it - m_entries.begin();
    const Entry entry = store(name, identity);
    m_entries.insert(m_entries.begin() + at, entry);
}

bool NameTable::erase(std::string_view name) {
    auto it = lowerBound(name);
    if (it == m_entries.end() || nameOf(*it) != name)
        return false;
    m_unused += it->length;
    m_entries.erase(it);
    releaseSpareCapacity(m_entries);
    compactIfWasteful();
    return true;
}

void NameTable::append(std::string_view name, const FileIdentity& identity) {
    m_entries.push_back(store(name, identity));
}

void NameTable::sortAppended() {
    std::sort(m_entries.begin(), m_entries.end(),
              [this](const Entry& a, const Entry& b) { return nameOf(a) < nameOf(b); });
}

void NameTable::compactIfWasteful() {
    // Names of erased entries stay in the buffer until they are half of it.
    if (m_unused < 4096 || m_unused * 2 < m_names.size())
        return;
    std::string names;
    names.reserve(m_names.size() - m_unused);
    for (Entry& entry : m_entries) {
        const std::string_view name = nameOf(entry);
        entry.offset = static_cast<std::uint32_t>(names.size());
        names.append(name);
    }
    m_names = std::move(names);
    m_unused = 0;
}

} // namespace fadebin
