#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "settings/AppSettings.h"
#include "settings/ExpiryOption.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QMetaProperty>
#include <QSignalSpy>

#include <cmath>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

template <class T> QVariant v(T value) {
    return QVariant::fromValue(value);
}

class SettingsTest : public ::testing::Test {
protected:
    void store(const std::string& json) { writeSettings(home, json); }
    [[nodiscard]] QJsonObject onDisk() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(file))).object();
    }
    // A fresh start: the store and the settings read everything again.
    AppSettings& restart() {
        settings.reset();
        defaults = std::make_unique<SettingsFile>();
        settings = std::make_unique<AppSettings>(*defaults, loginItem);
        return *settings;
    }

    TempHome home;
    const path file = home.configHome() / "Fadebin/defaults.json";
    const path entry = home.configHome() / "autostart/fadebin.desktop";
    AutostartLoginItem loginItem{AutostartLoginItem::standardEntryPath(), "/usr/bin/fadebin"};
    std::unique_ptr<SettingsFile> defaults;
    std::unique_ptr<AppSettings> settings;
};

} // namespace

TEST_F(SettingsTest, StoredValuesAreReadByTheirRules) {
    const std::tuple<const char*, const char*, QVariant> rows[] = {
        {R"({"autoDismissSeconds": 0})", "autoDismissSeconds", 8.0},
        {R"({"autoDismissSeconds": -3})", "autoDismissSeconds", 8.0},
        {R"({"autoDismissSeconds": 2.5})", "autoDismissSeconds", 2.5},
        {R"({"autoDismissSeconds": "2.5"})", "autoDismissSeconds", 8.0},
        {R"({"pendingGraceMinutes": 1e300})", "pendingGraceMinutes", 5.0},
        {R"({"pendingGraceMinutes": 1e400})", "pendingGraceMinutes", 5.0},
        {R"({"pendingGraceMinutes": 90})", "pendingGraceMinutes", 90.0},
        {R"({"defaultAction": "oneHour"})", "defaultAction", v(ExpiryOption::oneHour)},
        {R"({"defaultAction": "1h"})", "defaultAction", v(ExpiryOption::forever)},
        {R"({"applyFinderTag": "true"})", "applyFileTag", false},
        {R"({"showTestTimers": 1})", "showTestTimers", false},
        {R"({"waitForPresence": 0})", "waitForPresence", true},
        {R"({"showScheduledCount": "no"})", "showScheduledCount", true},
        {R"({"pauseWatching": "YES"})", "pauseWatching", true},
        {R"({"hasCompletedOnboarding": 1})", "hasCompletedOnboarding", true},
        {R"({"countdownColorHex": 7})", "countdownColorHex", QStringLiteral("#FF9EF2")},
        {R"({"trashPurgeDays": 7})", "trashPurgeDays", 7},
        {R"({"trashPurgeDays": 0})", "trashPurgeDays", 0},
        {R"({"trashPurgeDays": 3})", "trashPurgeDays", 30},
        {R"({"trashPurgeDays": 7.5})", "trashPurgeDays", 30},
        {R"({"trashPurgeDays": "7"})", "trashPurgeDays", 30},
        {R"({"trashPurgeDays": 1e300})", "trashPurgeDays", 30}};
    const LogCapture log;
    for (const auto& [json, property, expected] : rows) {
        store(json);
        EXPECT_EQ(restart().property(property), expected) << json;
    }
    // Each unusable number of days is told in the log.
    EXPECT_EQ(log.count("The setting %s is not one of 0, 1, 7 or 30: %d is used"), 4);
}

TEST_F(SettingsTest, EveryAssignmentWritesItsJsonTypeAndNotifiesOnlyOnChange) {
    const std::tuple<const char*, QVariant, const char*, QJsonValue> rows[] = {
        {"displayMode", v(DisplayMode::hoverOnly), "displayMode", "hoverOnly"},
        {"autoDismissSeconds", 3.5, "autoDismissSeconds", 3.5},
        {"defaultAction", v(ExpiryOption::oneDay), "defaultAction", "oneDay"},
        {"deletionMethod", v(DeletionMethod::permanent), "deletionMethod", "permanent"},
        {"applyFileTag", true, "applyFinderTag", true},
        {"excludedExtensionsText", QStringLiteral("dmg"), "excludedExtensions", "dmg"},
        {"countColorHex", QStringLiteral("#000000"), "countColorHex", "#000000"},
        {"showScheduledCount", false, "showScheduledCount", false},
        {"waitForPresence", false, "waitForPresence", false},
        {"pendingGraceMinutes", 30.0, "pendingGraceMinutes", 30.0},
        {"pauseWatching", true, "pauseWatching", true},
        {"showTestTimers", true, "showTestTimers", true},
        {"countdownColorHex", QStringLiteral("#123456"), "countdownColorHex", "#123456"},
        {"hasCompletedOnboarding", true, "hasCompletedOnboarding", true},
        {"trashPurgeIndex", 1, "trashPurgeDays", 1}};
    AppSettings& s = restart();
    const QMetaObject* meta = s.metaObject();
    for (const auto& [property, value, key, stored] : rows) {
        SCOPED_TRACE(property);
        QSignalSpy changed(&s, meta->property(meta->indexOfProperty(property)).notifySignal());
        // Unchanged: written anyway, with the right type, but nobody is told.
        ASSERT_TRUE(s.setProperty(property, s.property(property)));
        EXPECT_EQ(onDisk().value(key).type(), stored.type());
        ASSERT_TRUE(s.setProperty(property, value));
        ASSERT_TRUE(s.setProperty(property, value));
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(onDisk().value(key), stored);
    }
    for (const auto& [property, value, key, stored] : rows)
        EXPECT_EQ(restart().property(property), value) << property << " after a restart";
}

TEST_F(SettingsTest, AFreshOrCorruptStoreReadsAsDefaultsAndIsWrittenOnlyByAnAssignment) {
    // Undecided files are kept and expired ones go to the Trash until the user says otherwise.
    EXPECT_EQ(restart().defaultAction(), ExpiryOption::forever);
    EXPECT_EQ(settings->deletionMethod(), DeletionMethod::trash);
    EXPECT_FALSE(exists(file));
    store(R"({"displayMode": "hoverOnly", )");
    EXPECT_EQ(restart().displayMode(), DisplayMode::automatic);
    EXPECT_EQ(readFile(file), R"({"displayMode": "hoverOnly", )");
    settings->setPauseWatching(true);
    EXPECT_EQ(onDisk(), (QJsonObject{{"pauseWatching", true}}));
}

TEST_F(SettingsTest, ExcludedExtensionsAreSplitTrimmedAndLowerCased) {
    const std::pair<const char*, QSet<QString>> rows[] = {
        {" .Mov ;;TXT\nzip, ", {"mov", "txt", "zip"}},
        {"a\tb", {"a\tb"}} // a tab is not a separator
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(parseExcludedExtensions(QString::fromUtf8(text)), expected) << text;
    store(R"({"excludedExtensions": "PDF, .dmg;zip"})");
    EXPECT_EQ(restart().excludedExtensions(), (QSet<QString>{"pdf", "dmg", "zip"}));
}

TEST_F(SettingsTest, HexColoursParseStrictlyAndAreWrittenRoundingHalvesAwayFromZero) {
    const RgbColor cyan{0x40 / 255.0, 0xF2 / 255.0, 1.0};
    const std::pair<const char*, std::optional<RgbColor>> rows[] = {
        {"#40f2ff", cyan}, {" \t#40F2FF \t", cyan}, {"40F2FF", cyan},
        {"#40F2F", {}},    {"#40F2FF00", {}},       {"#40G2FF", {}},
        {"##40F2FF", {}},  {"#+0F2FF", {}},         {"0x40F2", {}},
        {"", {}},          {"#40F2FF\n", {}}};
    for (const auto& [hex, expected] : rows)
        EXPECT_EQ(colorFromHex(QString::fromLatin1(hex)), expected) << hex;
    EXPECT_EQ(hexFromColor({127.5 / 255, 126.5 / 255, 0.5 / 255}), QStringLiteral("#807F01"));

    store(R"({"countColorHex": "#40F2FG"})");
    AppSettings& s = restart();
    EXPECT_EQ(s.countColor(), cyan) << "an unparsable colour falls back to the default";
    s.setCountColor({1, 0, 0});
    for (const RgbColor& outOfRange : {RgbColor{std::nan(""), 0, 0}, RgbColor{0, 1.01, 0}})
        s.setCountColor(outOfRange);
    EXPECT_EQ(onDisk().value("countColorHex"), QJsonValue("#FF0000")) << "out of range is ignored";
}

TEST_F(SettingsTest, LaunchAtLoginFollowsTheAutostartEntryAndARefusalIsLoggedOnce) {
    restart().setLaunchAtLogin(true);
    EXPECT_TRUE(exists(entry));
    EXPECT_TRUE(restart().launchAtLogin()) << "read from the entry, not the store";
    settings->setLaunchAtLogin(false);
    EXPECT_FALSE(restart().launchAtLogin()) << "the entry stays, switched off";

    std::filesystem::remove_all(entry.parent_path());
    writeFile(entry.parent_path(), "a file where the folder should be");
    LogCapture log;
    settings->setLaunchAtLogin(true);
    EXPECT_FALSE(settings->launchAtLogin());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.count("Login item change failed: %s"), 1);
}

TEST(ExpiryOption, RawValuesMatchExactlyOrNotAtAllAndTheOfferedListFollowsTestTimers) {
    for (ExpiryOption option : expiryOptions::allCases)
        EXPECT_EQ(optionFromRaw(rawValue(option)), option) << rawValue(option).toStdString();
    for (const char16_t* raw :
         {u"ThirtyMinutes", u"30m", u"", u"thirtyMinutes ", u"FOREVER", u"30 minutes", u"Keep it"})
        EXPECT_FALSE(optionFromRaw(raw).has_value()) << QString::fromUtf16(raw).toStdString();
    const std::array<const char16_t*, 7> words{u"10s", u"30s", u"30m", u"1h",
                                               u"1d",  u"10d", u"keep"};
    for (std::size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(optionFromWord(words[i]), expiryOptions::allCases[i]) << i;
    EXPECT_EQ(optionFromWord(u"oneDay"), ExpiryOption::oneDay);
    for (const char16_t* word : {u"1H", u"2h", u"Keep it", u"", u"1h "})
        EXPECT_FALSE(optionFromWord(word).has_value()) << QString::fromUtf16(word).toStdString();
    for (const bool testTimers : {false, true}) {
        QStringList labels;
        for (ExpiryOption option : expiryOptions::offered(testTimers))
            labels << shortLabel(option);
        EXPECT_EQ(labels.join(u' '),
                  testTimers ? "10s 30s 30m 1h 1d 10d Keep it" : "30m 1h 1d 10d Keep it");
    }
}
