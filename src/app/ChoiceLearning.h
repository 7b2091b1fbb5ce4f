#pragma once

#include "expiry/Database.h"
#include "settings/Rule.h"

#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace fadebin {

// A rule Fadebin offers to make: the choice a person gave, several times in a row, to files of
// one kind from one host.
struct RuleOffer {
    QString host; // as normalizedHost gives it
    FileKind kind = FileKind::other;
    ExpiryOption choice = ExpiryOption::forever;

    [[nodiscard]] Rule rule() const { return {host, false, kind, {}, choice}; }
    friend bool operator==(const RuleOffer&, const RuleOffer&) = default;
};

// Learns from the choices people make which rules to offer: after the same choice for
// choicesBeforeOffer files in a row of one kind from one host, once per pair until they say no.
// Only the host and the kind are remembered, never a name or a path.
class ChoiceLearning {
public:
    static constexpr qint64 choicesBeforeOffer = 3;

    // Streaks as stored; rows that do not read back (hostile or from a newer version) are
    // left out.
    explicit ChoiceLearning(const std::vector<ChoiceStreak>& stored = {});

    struct Noted {
        ChoiceStreak streak; // to store
        std::optional<RuleOffer> offer;
    };
    // A person's choice for one file. Test timers teach nothing: no rule should come of them.
    [[nodiscard]] std::optional<Noted> noteChoice(const QString& host, FileKind kind,
                                                  ExpiryOption choice);
    // The answer to an offer. Either way the streak starts over; a no is kept for good.
    [[nodiscard]] ChoiceStreak answer(const RuleOffer& offer, bool accepted);

private:
    struct Streak {
        ExpiryOption choice = ExpiryOption::forever;
        qint64 count = 0;
        bool declined = false;
    };
    using Pair = std::pair<QString, FileKind>;
    [[nodiscard]] static ChoiceStreak stored(const Pair& pair, const Streak& streak);

    std::map<Pair, Streak> m_streaks;
};

} // namespace fadebin
