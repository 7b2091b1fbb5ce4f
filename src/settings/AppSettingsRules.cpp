// The rules setting: standing decisions for new downloads, kept as a JSON list.
#include "settings/AppSettings.h"

#include "platform/SettingsFile.h"

#include <algorithm>

namespace fadebin {

bool AppSettings::addRule(const Rule& rule) {
    const auto samePlace = [&rule](const Rule& old) {
        return old.host == rule.host && old.subdomains == rule.subdomains &&
               old.kind == rule.kind && old.extension == rule.extension;
    };
    const bool replacing = std::any_of(m_rules.begin(), m_rules.end(), samePlace);
    if (!replacing && m_rules.size() >= static_cast<std::size_t>(rules::largestCount))
        return false;
    std::erase_if(m_rules, samePlace);
    m_rules.push_back(rule);
    writeRules();
    return true;
}

bool AppSettings::removeRule(std::size_t index) {
    if (index >= m_rules.size())
        return false;
    m_rules.erase(m_rules.begin() + static_cast<std::ptrdiff_t>(index));
    writeRules();
    return true;
}

bool AppSettings::setRuleChoice(std::size_t index, ExpiryOption choice) {
    if (index >= m_rules.size())
        return false;
    if (m_rules[index].choice != choice) {
        m_rules[index].choice = choice;
        writeRules();
    }
    return true;
}

void AppSettings::writeRules() {
    m_defaults.setArray(QStringLiteral("rules"), toJson(m_rules));
    Q_EMIT rulesChanged();
}

} // namespace fadebin
