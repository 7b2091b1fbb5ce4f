#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "settings/AppSettings.h"
#include "settings/Rule.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

QJsonValue json(const char* text) {
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

Rule rule(const char* text) {
    const RuleReading reading = ruleFromJson(json(text));
    EXPECT_TRUE(reading.rule) << text << ": " << reading.problem.toStdString();
    return reading.rule.value_or(Rule{});
}

RuleSubject subject(std::optional<const char*> host, FileKind kind, const char* ext) {
    return {host ? std::optional<QString>(QString::fromUtf8(*host)) : std::nullopt, kind,
            QString::fromUtf8(ext)};
}

} // namespace

TEST(RulesTest, TheMostSpecificMatchingRuleDecidesAndTheNewestAmongEquals) {
    const std::vector<Rule> rules{
        rule(R"({"kind": "pdf", "choice": "oneDay"})"),                          // 0
        rule(R"({"host": ".example.org", "choice": "oneHour"})"),                // 1
        rule(R"({"host": ".example.org", "kind": "pdf", "choice": "tenDays"})"), // 2
        rule(R"({"host": "dl.example.org", "choice": "forever"})"),              // 3
        rule(R"({"host": ".files.example.org", "choice": "thirtyMinutes"})"),    // 4
        rule(R"({"ext": "iso", "choice": "oneHour"})"),                          // 5
        rule(R"({"kind": "package", "choice": "tenDays"})"),                     // 6
        rule(R"({"host": "bücher.DE.", "choice": "oneDay"})"),                   // 7
        rule(R"({"kind": "pdf", "choice": "thirtyMinutes"})"),                   // 8, ties 0
        rule(R"({"host": "example.net", "ext": "zip", "choice": "oneDay"})"),    // 9
    };
    const std::tuple<RuleSubject, std::optional<std::size_t>> rows[] = {
        // Kinds alone; the newer of two equal rules.
        {subject(std::nullopt, FileKind::pdf, "pdf"), 8},
        {subject(std::nullopt, FileKind::image, "png"), std::nullopt},
        // A domain covers itself and every subdomain, never a name that only ends alike.
        {subject("example.org", FileKind::image, "png"), 1},
        {subject("a.b.example.org", FileKind::image, "png"), 1},
        {subject("notexample.org", FileKind::image, "png"), std::nullopt},
        {subject("example.org.evil.com", FileKind::pdf, "pdf"), 8},
        // Host and kind over host over kind.
        {subject("example.org", FileKind::pdf, "pdf"), 2},
        // An exact host over any domain; a longer domain over a shorter one.
        {subject("dl.example.org", FileKind::pdf, "pdf"), 3},
        {subject("x.dl.example.org", FileKind::pdf, "pdf"), 2},
        {subject("x.files.example.org", FileKind::pdf, "pdf"), 4},
        // Extension over kind.
        {subject(std::nullopt, FileKind::package, "iso"), 5},
        {subject(std::nullopt, FileKind::package, "deb"), 6},
        // Hosts compare in their IDNA form.
        {subject("xn--bcher-kva.de", FileKind::other, ""), 7},
        {subject("sub.xn--bcher-kva.de", FileKind::other, ""), std::nullopt},
        // Every part given has to match.
        {subject("example.net", FileKind::archive, "zip"), 9},
        {subject("example.net", FileKind::archive, "7z"), std::nullopt},
        {subject(std::nullopt, FileKind::archive, "zip"), std::nullopt},
    };
    for (const auto& [file, expected] : rows)
        EXPECT_EQ(decidingRule(rules, file), expected)
            << file.host.value_or(QStringLiteral("(none)")).toStdString() << " "
            << rawValue(file.kind).toStdString() << " " << file.extension.toStdString();
    EXPECT_EQ(decidingRule({}, subject("example.org", FileKind::pdf, "pdf")), std::nullopt);
}

TEST(RulesTest, StoredEntriesAreReadOrRefusedWithAReason) {
    const QString tooLong = QStringLiteral("a.").repeated(127) + QStringLiteral("org");
    const std::tuple<QJsonValue, const char*> rows[] = {
        {json(R"({"host": "EXAMPLE.org", "choice": "oneHour"})"),
         R"({"choice":"oneHour","host":"example.org"})"},
        {json(R"({"host": ".Straße.de", "choice": "oneDay"})"),
         R"({"choice":"oneDay","host":".xn--strae-oqa.de"})"},
        {json(R"({"kind": "pdf", "ext": "..PDF", "choice": "forever"})"),
         R"({"choice":"forever","ext":"pdf","kind":"pdf"})"},
        {json(R"({"host": null, "ext": "tar", "choice": "tenSeconds"})"),
         R"({"choice":"tenSeconds","ext":"tar"})"},
        {json(R"(["host", "example.org"])"), "not an object"},
        {json(R"({"host": 7, "choice": "oneHour"})"), "\"host\" is not a text"},
        {json(R"({"host": "example.org:80", "choice": "oneHour"})"), "the host is not a host name"},
        {json(R"({"host": "a..b", "choice": "oneHour"})"), "the host is not a host name"},
        {QJsonObject{{"host", tooLong}, {"choice", "oneHour"}}, "the host is not a host name"},
        {json(R"({"kind": "PDF", "choice": "oneHour"})"), "the kind is not one of the kinds"},
        {json(R"({"ext": "tar.gz", "choice": "oneHour"})"), "the extension is not an extension"},
        {QJsonObject{{"ext", QString(33, u'x')}, {"choice", "oneHour"}},
         "the extension is not an extension"},
        {json(R"({"choice": "oneHour"})"), "it names no host, kind or extension"},
        {json(R"({"kind": "pdf", "choice": "1h"})"), "the choice is not an expiry option"},
        {json(R"({"kind": "pdf", "choice": ["oneHour"]})"), "\"choice\" is not a text"},
    };
    for (const auto& [entry, expected] : rows) {
        const RuleReading reading = ruleFromJson(entry);
        const QString got =
            reading.rule ? QString::fromUtf8(
                               QJsonDocument(toJson(*reading.rule)).toJson(QJsonDocument::Compact))
                         : reading.problem;
        EXPECT_EQ(got.toStdString(), expected)
            << QJsonDocument(QJsonArray{entry}).toJson(QJsonDocument::Compact).toStdString();
    }
}

TEST(RulesTest, AStoredListKeepsItsUsableEntriesAndTellsOfTheRest) {
    const LogCapture log;
    EXPECT_TRUE(rulesFromJson(json(R"({"kind": "pdf", "choice": "oneHour"})")).empty());
    EXPECT_EQ(log.count("The setting rules is not a list: no rules are used"), 1);

    const std::vector<Rule> read = rulesFromJson(
        json(R"([{"kind": "pdf", "choice": "oneHour"}, 5, {"ext": "iso", "choice": "oneDay"},
                 {"kind": "nonsense", "choice": "oneDay"}])"));
    ASSERT_EQ(read.size(), 2U);
    EXPECT_EQ(read[1].extension, QStringLiteral("iso"));
    EXPECT_EQ(log.count("Rule %lld in the settings is left out: %s"), 2);

    QJsonArray huge;
    for (int i = 0; i < rules::largestCount + 100; ++i)
        huge.append(QJsonObject{{"ext", QStringLiteral("e%1").arg(i)}, {"choice", "oneHour"}});
    EXPECT_EQ(rulesFromJson(huge).size(), static_cast<std::size_t>(rules::largestCount));
    EXPECT_EQ(log.count("The setting rules holds %lld rules: only the first %d are used"), 1);
}

TEST(RulesTest, RulesAreWrittenUnderTheirKeyAndSurviveARestart) {
    TempHome home;
    writeSettings(
        home,
        R"({"defaultAction": "oneHour", "rules": [{"kind": "pdf", "choice": "oneDay"}, "junk"]})");
    AutostartLoginItem loginItem{home.configHome() / "autostart/fadebin.desktop",
                                 "/usr/bin/fadebin"};
    auto defaults = std::make_unique<SettingsFile>();
    auto settings = std::make_unique<AppSettings>(*defaults, loginItem);
    ASSERT_EQ(settings->rules().size(), 1U);

    const QSignalSpy changed(settings.get(), &AppSettings::rulesChanged);
    EXPECT_TRUE(settings->addRule(rule(R"({"host": ".example.org", "choice": "oneHour"})")));
    // The same host, kind and extension again: the new choice takes the old one's place.
    EXPECT_TRUE(settings->addRule(rule(R"({"host": ".example.org", "choice": "tenDays"})")));
    EXPECT_TRUE(settings->addRule(rule(R"({"ext": "iso", "choice": "forever"})")));
    EXPECT_TRUE(settings->removeRule(0));
    EXPECT_FALSE(settings->removeRule(2));
    // Another choice for a rule keeps its place, and so its rank among equals.
    EXPECT_TRUE(settings->setRuleChoice(0, ExpiryOption::oneDay));
    EXPECT_TRUE(settings->setRuleChoice(0, ExpiryOption::tenDays));
    EXPECT_FALSE(settings->setRuleChoice(2, ExpiryOption::oneDay));
    EXPECT_EQ(changed.count(), 6);

    settings.reset();
    defaults = std::make_unique<SettingsFile>();
    settings = std::make_unique<AppSettings>(*defaults, loginItem);
    const std::vector<Rule> expected{rule(R"({"host": ".example.org", "choice": "tenDays"})"),
                                     rule(R"({"ext": "iso", "choice": "forever"})")};
    EXPECT_EQ(settings->rules(), expected);
    EXPECT_EQ(settings->defaultAction(), ExpiryOption::oneHour);

    // A full list takes no new rule but still takes a new choice for one it holds.
    QJsonArray full;
    for (int i = 0; i < rules::largestCount; ++i)
        full.append(QJsonObject{{"ext", QStringLiteral("x%1").arg(i)}, {"choice", "oneHour"}});
    settings.reset();
    defaults.reset();
    writeSettings(home, QJsonDocument(QJsonObject{{"rules", full}}).toJson().toStdString());
    defaults = std::make_unique<SettingsFile>();
    settings = std::make_unique<AppSettings>(*defaults, loginItem);
    EXPECT_FALSE(settings->addRule(rule(R"({"ext": "one-more", "choice": "oneHour"})")));
    EXPECT_TRUE(settings->addRule(rule(R"({"ext": "x7", "choice": "oneDay"})")));
    EXPECT_EQ(settings->rules().back().choice, ExpiryOption::oneDay);
}
