// Rules at work in the model: deciding new downloads, and offering new rules learned from the
// person's own choices.
#include "app/AppModel.h"

#include "platform/Log.h"

namespace fadebin {

bool AppModel::decideByRule(TrackedFile& record, const path& filePath) {
    const std::vector<Rule>& rules = m_settings.rules();
    if (rules.empty())
        return false;
    const RuleSubject subject{originHost(filePath), fileKind(&record),
                              QString::fromUtf8(lowerExtension(filePath)).toLower()};
    const std::optional<std::size_t> found = decidingRule(rules, subject);
    if (!found)
        return false;
    const Rule rule = rules[*found];
    // The same step as a person's choice, so the database and the file's marks agree alike.
    record.setRule(rule);
    m_store->apply(rule.choice, record, m_settings.applyFileTag());
    FADEBIN_LOG_INFO(LogCategory::App, "Decided by rule %zu: %s, %s", *found + 1,
                     record.displayName().toUtf8().constData(),
                     rawValue(rule.choice).toUtf8().constData());
    reload();
    Q_EMIT decidedByRule(&record);
    return true;
}

TrackedFile* AppModel::askAgain(const QUuid& id) {
    if (!m_store)
        return nullptr;
    TrackedFile* record = m_store->recordWithId(id.toString(QUuid::WithoutBraces));
    if (!record || !m_store->reask(*record))
        return nullptr;
    reload();
    return announcePending(record) ? record : nullptr;
}

void AppModel::learnFrom(TrackedFile& record, ExpiryOption option) {
    const std::optional<QString> host = originHost(record.lastKnownPath());
    if (!host)
        return;
    if (!m_learning)
        m_learning.emplace(m_store->choiceStreaks());
    const FileKind kind = fileKind(&record);
    const std::optional<ChoiceLearning::Noted> noted = m_learning->noteChoice(*host, kind, option);
    if (!noted)
        return;
    m_store->saveChoiceStreak(noted->streak);
    // A rule that already covers such files (one this choice overrode) is not offered again.
    const RuleSubject subject{host, kind,
                              QString::fromUtf8(lowerExtension(record.lastKnownPath()))};
    if (!noted->offer || decidingRule(m_settings.rules(), subject))
        return;
    m_ruleOffer = noted->offer;
    Q_EMIT ruleOfferChanged();
}

void AppModel::answerRuleOffer(bool accepted) {
    const std::optional<RuleOffer> offer = std::exchange(m_ruleOffer, std::nullopt);
    if (!offer || !m_store || !m_learning)
        return;
    m_store->saveChoiceStreak(m_learning->answer(*offer, accepted));
    if (accepted && !m_settings.addRule(offer->rule()))
        FADEBIN_LOG_ERROR(LogCategory::App, "Rule not added: there are already %d rules",
                          rules::largestCount);
    else
        FADEBIN_LOG_INFO(LogCategory::App,
                         accepted ? "Offered rule made" : "Offered rule declined");
    Q_EMIT ruleOfferChanged();
}

void AppModel::dropRuleOffer() {
    if (std::exchange(m_ruleOffer, std::nullopt))
        Q_EMIT ruleOfferChanged();
}

std::vector<qint64> AppModel::filesDecidedByRules() const {
    const std::vector<Rule>& rules = m_settings.rules();
    return m_store ? m_store->filesDecidedBy(rules) : std::vector<qint64>(rules.size(), 0);
}

} // namespace fadebin
