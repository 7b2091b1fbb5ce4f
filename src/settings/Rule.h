#pragma once

#include "settings/ExpiryOption.h"
#include "settings/FileKindName.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace fadebin {

// A standing decision for new downloads: files that match every part given (a host, a kind,
// an extension; at least one) get the choice at once instead of being asked about.
// Stored as {"host": ".example.org", "kind": "pdf", "ext": "pdf", "choice": "oneDay"}, parts
// not given left out. A host with a leading "." is that domain and every subdomain of it;
// without one, that host only.
struct Rule {
    QString host; // IDNA form, lower case, without the leading "."; empty: any host
    bool subdomains = false;
    std::optional<FileKind> kind;
    QString extension; // lower case, without dots; empty: any extension
    ExpiryOption choice = ExpiryOption::forever;

    friend bool operator==(const Rule&, const Rule&) = default;
};

// What a rule is matched against: one new download.
struct RuleSubject {
    std::optional<QString> host; // as normalizedHost gives it; none when not known
    FileKind kind = FileKind::other;
    QString extension; // lower case; empty when the name has none
};

namespace rules {

// More than this many rules in the file are taken for a mistake: the rest is dropped.
inline constexpr int largestCount = 500;
inline constexpr int longestHost = 253;
inline constexpr int longestExtension = 32;

} // namespace rules

// A host name in the form rules compare: IDNA (punycode), lower case, no trailing ".", each
// label 1 to 63 letters, digits, "-" or "_". None for anything else (an empty text, an
// address with a port or a path, a name too long).
[[nodiscard]] std::optional<QString> normalizedHost(const QString& host);
// An extension as rules store it: leading dots dropped, lower case, 1 to 32 letters, digits,
// "-", "_", "+" or "~". None for anything else.
[[nodiscard]] std::optional<QString> normalizedExtension(const QString& extension);

// The rule a stored entry stands for, or the reason it stands for none.
struct RuleReading {
    std::optional<Rule> rule;
    QString problem;
};
[[nodiscard]] RuleReading ruleFromJson(const QJsonValue& entry);
// A reading's problem in the user's language; the reading's own stays English for the log and
// the bus.
[[nodiscard]] QString shownRuleProblem(const QString& problem);
// A rule from the words people type, an empty word for a part not given: the host as stored
// (".example.org" for the domain and its subdomains), a kind by its stored word in any case,
// an extension with or without its dot, a choice as a raw value or a short word ("1d",
// "keep"). Checked exactly as a stored entry is.
[[nodiscard]] RuleReading ruleFromWords(const QString& host, const QString& kind,
                                        const QString& extension, const QString& choice);
[[nodiscard]] QJsonObject toJson(const Rule& rule);
// The host as stored and typed: ".example.org" for a domain and its subdomains.
[[nodiscard]] QString hostText(const Rule& rule);
// Every usable rule of a stored list, in order; each entry dropped is logged with its place.
[[nodiscard]] std::vector<Rule> rulesFromJson(const QJsonValue& stored);
[[nodiscard]] QJsonArray toJson(const std::vector<Rule>& rules);

[[nodiscard]] bool matches(const Rule& rule, const RuleSubject& subject);
// The rule that decides for the subject: the most specific one that matches, the newest (the
// later in the list) among equally specific ones. Specificity compares, in turn: the host (an
// exact host, then a domain with more labels, then a domain with fewer, then none), then the
// extension (given before not), then the kind (given before not). None when nothing matches.
[[nodiscard]] std::optional<std::size_t> decidingRule(const std::vector<Rule>& rules,
                                                      const RuleSubject& subject);

} // namespace fadebin
