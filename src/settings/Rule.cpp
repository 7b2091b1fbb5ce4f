#include "settings/Rule.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QStringList>
#include <QUrl>

#include <tuple>

namespace fadebin {

namespace {

// A problem as the log and the bus carry it: English (shownRuleProblem translates it).
QString problemText(const char* english) {
    return QString::fromUtf8(english);
}

bool isHostCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
}

bool isExtensionCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'+' || c == u'~';
}

// How specific a rule is, compared as a whole: host first (exact above any domain, a domain by
// its number of labels), then extension, then kind.
std::tuple<int, bool, bool> specificity(const Rule& rule) {
    int host = 0;
    if (!rule.host.isEmpty())
        host = rule.subdomains ? static_cast<int>(rule.host.count(u'.')) + 1 : 1'000;
    return {host, !rule.extension.isEmpty(), rule.kind.has_value()};
}

// A text stored under a key: none when missing, the problem when of another type.
std::optional<QString> textOf(const QJsonObject& object, const QString& key, QString& problem) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString()) {
        problem = QStringLiteral("\"%1\" is not a text").arg(key);
        return std::nullopt;
    }
    return value.toString();
}

} // namespace

std::optional<QString> normalizedHost(const QString& host) {
    QString text = host;
    if (text.endsWith(u'.'))
        text.chop(1);
    // Bounded before the IDNA conversion sees it.
    if (text.isEmpty() || text.size() > 4 * rules::longestHost)
        return std::nullopt;
    const QString ace = QString::fromLatin1(QUrl::toAce(text)).toLower();
    if (ace.isEmpty() || ace.size() > rules::longestHost)
        return std::nullopt;
    for (const QString& label : ace.split(u'.')) {
        if (label.isEmpty() || label.size() > 63)
            return std::nullopt;
        for (const QChar c : label)
            if (!isHostCharacter(c))
                return std::nullopt;
    }
    return ace;
}

std::optional<QString> normalizedExtension(const QString& extension) {
    qsizetype first = 0;
    while (first < extension.size() && extension.at(first) == u'.')
        ++first;
    const QString text = extension.mid(first).toLower();
    if (text.isEmpty() || text.size() > rules::longestExtension)
        return std::nullopt;
    for (const QChar c : text)
        if (!isExtensionCharacter(c))
            return std::nullopt;
    return text;
}

RuleReading ruleFromJson(const QJsonValue& entry) {
    if (!entry.isObject())
        return {std::nullopt, problemText(QT_TRANSLATE_NOOP("RuleTexts", "not an object"))};
    const QJsonObject object = entry.toObject();
    QString problem;
    const std::optional<QString> host = textOf(object, QStringLiteral("host"), problem);
    const std::optional<QString> kind = textOf(object, QStringLiteral("kind"), problem);
    const std::optional<QString> ext = textOf(object, QStringLiteral("ext"), problem);
    const std::optional<QString> choice = textOf(object, QStringLiteral("choice"), problem);
    if (!problem.isEmpty())
        return {std::nullopt, problem};
    Rule rule;
    if (host) {
        const bool domain = host->startsWith(u'.');
        const std::optional<QString> name = normalizedHost(domain ? host->mid(1) : *host);
        if (!name)
            return {std::nullopt,
                    problemText(QT_TRANSLATE_NOOP("RuleTexts", "the host is not a host name"))};
        rule.host = *name;
        rule.subdomains = domain;
    }
    if (kind) {
        rule.kind = fileKindFromRaw(*kind);
        if (!rule.kind)
            return {std::nullopt, problemText(QT_TRANSLATE_NOOP(
                                      "RuleTexts", "the kind is not one of the kinds"))};
    }
    if (ext) {
        const std::optional<QString> name = normalizedExtension(*ext);
        if (!name)
            return {std::nullopt, problemText(QT_TRANSLATE_NOOP(
                                      "RuleTexts", "the extension is not an extension"))};
        rule.extension = *name;
    }
    if (rule.host.isEmpty() && !rule.kind && rule.extension.isEmpty())
        return {std::nullopt,
                problemText(QT_TRANSLATE_NOOP("RuleTexts", "it names no host, kind or extension"))};
    const std::optional<ExpiryOption> option = choice ? optionFromRaw(*choice) : std::nullopt;
    if (!option)
        return {std::nullopt,
                problemText(QT_TRANSLATE_NOOP("RuleTexts", "the choice is not an expiry option"))};
    rule.choice = *option;
    return {rule, {}};
}

RuleReading ruleFromWords(const QString& host, const QString& kind, const QString& extension,
                          const QString& choice) {
    // Bounded before anything reads them; no part of a usable rule is this long.
    for (const QString* word : {&host, &kind, &extension, &choice})
        if (word->size() > 4 * rules::longestHost)
            return {std::nullopt,
                    problemText(QT_TRANSLATE_NOOP("RuleTexts", "a part of the rule is too long"))};
    QJsonObject entry;
    if (!host.isEmpty())
        entry.insert(QStringLiteral("host"), host);
    if (!kind.isEmpty())
        entry.insert(QStringLiteral("kind"), kind.toLower());
    if (!extension.isEmpty())
        entry.insert(QStringLiteral("ext"), extension);
    const std::optional<ExpiryOption> option = optionFromWord(choice);
    entry.insert(QStringLiteral("choice"), option ? rawValue(*option) : QString());
    return ruleFromJson(entry);
}

QString shownRuleProblem(const QString& problem) {
    return QCoreApplication::translate("RuleTexts", problem.toUtf8().constData());
}

QString hostText(const Rule& rule) {
    return rule.subdomains ? QLatin1Char('.') + rule.host : rule.host;
}

QJsonObject toJson(const Rule& rule) {
    QJsonObject object;
    if (!rule.host.isEmpty())
        object.insert(QStringLiteral("host"), hostText(rule));
    if (rule.kind)
        object.insert(QStringLiteral("kind"), rawValue(*rule.kind));
    if (!rule.extension.isEmpty())
        object.insert(QStringLiteral("ext"), rule.extension);
    object.insert(QStringLiteral("choice"), rawValue(rule.choice));
    return object;
}

std::vector<Rule> rulesFromJson(const QJsonValue& stored) {
    std::vector<Rule> rules;
    if (stored.isUndefined())
        return rules;
    if (!stored.isArray()) {
        FADEBIN_LOG_INFO(LogCategory::App, "The setting rules is not a list: no rules are used");
        return rules;
    }
    const QJsonArray entries = stored.toArray();
    if (entries.size() > rules::largestCount)
        FADEBIN_LOG_INFO(LogCategory::App,
                         "The setting rules holds %lld rules: only the first %d "
                         "are used",
                         static_cast<long long>(entries.size()), rules::largestCount);
    for (qsizetype i = 0; i < entries.size() && i < rules::largestCount; ++i) {
        const RuleReading reading = ruleFromJson(entries.at(i));
        if (reading.rule)
            rules.push_back(*reading.rule);
        else
            FADEBIN_LOG_INFO(LogCategory::App, "Rule %lld in the settings is left out: %s",
                             static_cast<long long>(i + 1), reading.problem.toUtf8().constData());
    }
    return rules;
}

QJsonArray toJson(const std::vector<Rule>& rules) {
    QJsonArray entries;
    for (const Rule& rule : rules)
        entries.append(toJson(rule));
    return entries;
}

bool matches(const Rule& rule, const RuleSubject& subject) {
    if (!rule.host.isEmpty()) {
        if (!subject.host)
            return false;
        const QString& host = *subject.host;
        const bool sameHost = host == rule.host;
        const bool below = rule.subdomains && host.endsWith(QLatin1Char('.') + rule.host);
        if (!sameHost && !below)
            return false;
    }
    if (rule.kind && *rule.kind != subject.kind)
        return false;
    return rule.extension.isEmpty() || rule.extension == subject.extension;
}

std::optional<std::size_t> decidingRule(const std::vector<Rule>& rules,
                                        const RuleSubject& subject) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < rules.size(); ++i)
        if (matches(rules[i], subject) &&
            (!best || specificity(rules[i]) >= specificity(rules[*best])))
            best = i;
    return best;
}

} // namespace fadebin
