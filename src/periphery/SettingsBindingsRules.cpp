// The settings window's Rules tab: the rules as the list shows them, a new choice for one,
// and removing one.
#include "periphery/SettingsBindings.h"

#include "app/AppTexts.h"
#include "app/DisplayText.h"
#include "periphery/PeripheryTexts.h"
#include "settings/ExpiryOption.h"

#include <QVariantMap>

#include <algorithm>

namespace fadebin {

QStringList SettingsBindings::ruleChoiceLabels() const {
    QStringList labels;
    for (const ExpiryOption option : expiryOptions::standard)
        labels << label(option);
    return labels;
}

QVariantList SettingsBindings::rules() const {
    QVariantList rows;
    const std::vector<Rule>& rules = m_settings.rules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const auto& standard = expiryOptions::standard;
        const auto choice = std::ranges::find(standard, rules[i].choice);
        QVariantMap row;
        QString subject = appTexts::ruleSubject(rules[i]);
        subject[0] = subject[0].toUpper(); // a title of its own here, not part of a sentence
        row.insert(QStringLiteral("subject"), shownName(subject));
        row.insert(QStringLiteral("applied"),
                   ruleDecisionsText(i < m_ruleDecisions.size() ? m_ruleDecisions[i] : 0));
        // A test timer (written by hand) shows as no choice until another is picked.
        row.insert(QStringLiteral("choiceIndex"),
                   choice == standard.end() ? -1 : static_cast<int>(choice - standard.begin()));
        rows.append(row);
    }
    return rows;
}

void SettingsBindings::countRuleDecisions() {
    m_ruleDecisions = m_model.filesDecidedByRules();
    Q_EMIT rulesChanged();
}

void SettingsBindings::setRuleChoice(int row, int choiceIndex) {
    const auto& standard = expiryOptions::standard;
    if (row < 0 || choiceIndex < 0 || choiceIndex >= static_cast<int>(standard.size()))
        return;
    (void)m_settings.setRuleChoice(static_cast<std::size_t>(row),
                                   standard[static_cast<std::size_t>(choiceIndex)]);
}

void SettingsBindings::removeRule(int row) {
    if (row >= 0)
        (void)m_settings.removeRule(static_cast<std::size_t>(row));
}

} // namespace fadebin
