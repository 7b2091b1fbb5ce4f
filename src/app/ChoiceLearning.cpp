#include "app/ChoiceLearning.h"

#include <algorithm>

namespace fadebin {

ChoiceLearning::ChoiceLearning(const std::vector<ChoiceStreak>& stored) {
    for (const ChoiceStreak& row : stored) {
        const std::optional<QString> host = normalizedHost(row.host);
        const std::optional<FileKind> kind = fileKindFromRaw(row.kind);
        const std::optional<ExpiryOption> choice = optionFromRaw(row.choice);
        if (!host || *host != row.host || !kind || !choice)
            continue;
        m_streaks[{*host, *kind}] = {*choice, std::clamp<qint64>(row.count, 0, choicesBeforeOffer),
                                     row.declined};
    }
}

std::optional<ChoiceLearning::Noted> ChoiceLearning::noteChoice(const QString& host, FileKind kind,
                                                                ExpiryOption choice) {
    const std::optional<QString> normalized = normalizedHost(host);
    if (!normalized ||
        std::ranges::find(expiryOptions::testTimers, choice) != expiryOptions::testTimers.end())
        return std::nullopt;
    const Pair pair{*normalized, kind};
    Streak& streak = m_streaks[pair];
    streak.count = streak.count > 0 && streak.choice == choice ? streak.count + 1 : 1;
    streak.choice = choice;
    Noted noted;
    if (streak.count >= choicesBeforeOffer && !streak.declined) {
        noted.offer = RuleOffer{*normalized, kind, choice};
        // Left unanswered, it is offered again only after as many choices more.
        streak.count = 0;
    }
    noted.streak = stored(pair, streak);
    return noted;
}

ChoiceStreak ChoiceLearning::answer(const RuleOffer& offer, bool accepted) {
    const Pair pair{offer.host, offer.kind};
    Streak& streak = m_streaks[pair];
    streak.choice = offer.choice;
    streak.count = 0;
    streak.declined = streak.declined || !accepted;
    return stored(pair, streak);
}

ChoiceStreak ChoiceLearning::stored(const Pair& pair, const Streak& streak) {
    return {pair.first, rawValue(pair.second), rawValue(streak.choice), streak.count,
            streak.declined};
}

} // namespace fadebin
