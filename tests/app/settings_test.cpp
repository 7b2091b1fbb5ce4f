#include "app/AppSettings.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QMetaProperty>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    [[nodiscard]] path file() const { return home.configHome() / "Fadebin/defaults.json"; }
    void store(const std::string& json) {
        std::filesystem::create_directories(file().parent_path());
        writeFile(file(), json);
    }
    [[nodiscard]] QJsonObject onDisk() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(file()))).object();
    }
    // A fresh start: the store and the settings read everything again.
    AppSettings& restart() {
        settings.reset();
        defaults = std::make_unique<UserDefaults>();
        settings = std::make_unique<AppSettings>(*defaults, loginItem);
        return *settings;
    }

    TempHome home;
    AutostartLoginItem loginItem{AutostartLoginItem::standardEntryPath(), "/usr/bin/fadebin"};
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppSettings> settings;
};

} // namespace

TEST_F(SettingsTest, AFreshInstallReadsTheDefaultsAndWritesNothing) {
    const AppSettings& s = restart();
    EXPECT_EQ(s.displayMode(), DisplayMode::automatic);
    EXPECT_EQ(s.autoDismissSeconds(), 8);
    EXPECT_EQ(s.pendingGraceMinutes(), 5);
    EXPECT_EQ(s.defaultAction(), ExpiryOption::forever);
    EXPECT_EQ(s.deletionMethod(), DeletionMethod::trash);
    EXPECT_FALSE(s.applyFinderTag());
    EXPECT_FALSE(s.pauseWatching());
    EXPECT_FALSE(s.showTestTimers());
    EXPECT_EQ(s.excludedExtensionsText(), QString());
    EXPECT_TRUE(s.excludedExtensions().isEmpty());
    EXPECT_EQ(s.countColorHex(), QStringLiteral("#40F2FF"));
    EXPECT_EQ(s.countdownColorHex(), QStringLiteral("#FF9EF2"));
    EXPECT_TRUE(s.showScheduledCount());
    EXPECT_FALSE(s.hasCompletedOnboarding());
    EXPECT_FALSE(s.launchAtLogin());
    EXPECT_FALSE(exists(file()));
}

TEST_F(SettingsTest, StoredValuesAreReadByTheirRules) {
    struct Row {
        const char* json;
        const char* property;
        QVariant expected;
    };
    const Row rows[] = {
        {R"({"autoDismissSeconds": 0})", "autoDismissSeconds", 8.0},
        {R"({"autoDismissSeconds": -3})", "autoDismissSeconds", 8.0},
        {R"({"autoDismissSeconds": 2.5})", "autoDismissSeconds", 2.5},
        {R"({"autoDismissSeconds": "2.5"})", "autoDismissSeconds", 8.0},
        {R"({"pendingGraceMinutes": 0})", "pendingGraceMinutes", 5.0},
        {R"({"defaultAction": "oneHour"})", "defaultAction",
         QVariant::fromValue(ExpiryOption::oneHour)},
        {R"({"defaultAction": "1h"})", "defaultAction", QVariant::fromValue(ExpiryOption::forever)},
        {R"({"displayMode": "hoverOnly"})", "displayMode",
         QVariant::fromValue(DisplayMode::hoverOnly)},
        {R"({"displayMode": "HoverOnly"})", "displayMode",
         QVariant::fromValue(DisplayMode::automatic)},
        {R"({"deletionMethod": "permanent"})", "deletionMethod",
         QVariant::fromValue(DeletionMethod::permanent)},
        {R"({"deletionMethod": 1})", "deletionMethod", QVariant::fromValue(DeletionMethod::trash)},
        {R"({"applyFinderTag": true})", "applyFinderTag", true},
        {R"({"applyFinderTag": "true"})", "applyFinderTag", false},
        {R"({"showTestTimers": 1})", "showTestTimers", false},
        {R"({"showScheduledCount": false})", "showScheduledCount", false},
        {R"({"showScheduledCount": "no"})", "showScheduledCount", true},
        {R"({"pauseWatching": "YES"})", "pauseWatching", true},
        {R"({"pauseWatching": 1})", "pauseWatching", true},
        {R"({"hasCompletedOnboarding": true})", "hasCompletedOnboarding", true},
        {R"({"excludedExtensions": "pdf"})", "excludedExtensionsText", QStringLiteral("pdf")},
    };
    for (const Row& row : rows) {
        store(row.json);
        EXPECT_EQ(restart().property(row.property), row.expected) << row.json;
    }
}

TEST_F(SettingsTest, EveryAssignmentWritesItsJsonTypeAndNotifiesOnlyOnChange) {
    struct Row {
        const char* property;
        QVariant value;
        const char* key;
        QJsonValue stored;
    };
    const Row rows[] = {
        {"displayMode", QVariant::fromValue(DisplayMode::hoverOnly), "displayMode", "hoverOnly"},
        {"autoDismissSeconds", 3.5, "autoDismissSeconds", 3.5},
        {"pendingGraceMinutes", 10.0, "pendingGraceMinutes", 10.0},
        {"defaultAction", QVariant::fromValue(ExpiryOption::oneDay), "defaultAction", "oneDay"},
        {"deletionMethod", QVariant::fromValue(DeletionMethod::permanent), "deletionMethod",
         "permanent"},
        {"applyFinderTag", true, "applyFinderTag", true},
        {"pauseWatching", true, "pauseWatching", true},
        {"showTestTimers", true, "showTestTimers", true},
        {"excludedExtensionsText", QStringLiteral("dmg"), "excludedExtensions", "dmg"},
        {"countColorHex", QStringLiteral("#000000"), "countColorHex", "#000000"},
        {"countdownColorHex", QStringLiteral("#FFFFFF"), "countdownColorHex", "#FFFFFF"},
        {"showScheduledCount", false, "showScheduledCount", false},
        {"hasCompletedOnboarding", true, "hasCompletedOnboarding", true},
    };
    AppSettings& s = restart();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.property);
        const QMetaProperty property =
            s.metaObject()->property(s.metaObject()->indexOfProperty(row.property));
        QSignalSpy changed(&s, property.notifySignal());
        const QVariant before = s.property(row.property);

        // Unchanged: written anyway, with the right type, but nobody is told.
        ASSERT_TRUE(s.setProperty(row.property, before));
        EXPECT_EQ(changed.count(), 0);
        ASSERT_TRUE(onDisk().contains(row.key));
        EXPECT_EQ(onDisk().value(row.key).type(), row.stored.type());

        ASSERT_TRUE(s.setProperty(row.property, row.value));
        ASSERT_TRUE(s.setProperty(row.property, row.value));
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(onDisk().value(row.key), row.stored);
    }
    // Everything is still there after a restart.
    AppSettings& again = restart();
    for (const Row& row : rows)
        EXPECT_EQ(again.property(row.property), row.value) << row.property;
}

TEST_F(SettingsTest, ACorruptStoreReadsAsDefaultsAndIsKeptUntilTheFirstAssignment) {
    const std::string corrupt = R"({"displayMode": "hoverOnly", )";
    store(corrupt);
    AppSettings& s = restart();
    EXPECT_EQ(s.displayMode(), DisplayMode::automatic);
    EXPECT_EQ(readFile(file()), corrupt);
    s.setPauseWatching(true);
    EXPECT_EQ(onDisk(), (QJsonObject{{"pauseWatching", true}}));
}

TEST_F(SettingsTest, ExcludedExtensionsAreSplitTrimmedAndLowerCased) {
    const std::pair<const char*, QSet<QString>> rows[] = {
        {" .Mov ;;TXT\nzip, ", {"mov", "txt", "zip"}},
        {"PDF, .dmg;zip", {"pdf", "dmg", "zip"}},
        {"..tar.gz.., ,;\n", {"tar.gz"}},
        {"a\tb", {"a\tb"}}, // a tab is not a separator
        {"", {}},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(parseExcludedExtensions(QString::fromUtf8(text)), expected) << text;

    restart().setExcludedExtensionsText(QStringLiteral("PDF, .dmg;zip"));
    EXPECT_EQ(restart().excludedExtensions(), (QSet<QString>{"pdf", "dmg", "zip"}));
}

TEST_F(SettingsTest, HexColoursParseStrictly) {
    const RgbColor cyan{0x40 / 255.0, 0xF2 / 255.0, 1.0};
    const std::pair<const char*, std::optional<RgbColor>> rows[] = {
        {"#40F2FF", cyan}, {"#40f2ff", cyan}, {" \t#40F2FF \t", cyan},
        {"40F2FF", cyan},  {"#40F2F", {}},    {"#40F2FF00", {}},
        {"#40G2FF", {}},   {"##40F2FF", {}},  {"#+0F2FF", {}},
        {"0x40F2", {}},    {"", {}},          {"#40F2FF\n", {}},
    };
    for (const auto& [hex, expected] : rows)
        EXPECT_EQ(colorFromHex(QString::fromLatin1(hex)), expected) << hex;

    store(R"({"countColorHex": "#40F2FG", "countdownColorHex": " ff0000 "})");
    AppSettings& s = restart();
    EXPECT_EQ(s.countColor(), cyan) << "an unparsable colour falls back to the default";
    EXPECT_EQ(s.countColorHex(), QStringLiteral("#40F2FG")) << "the stored text is kept";
    EXPECT_EQ(s.countdownColor(), (RgbColor{1, 0, 0}));
}

TEST_F(SettingsTest, ColoursAreStoredAsUpperCaseHexRoundingHalvesAwayFromZero) {
    const std::pair<RgbColor, const char*> rows[] = {
        {{1, 0, 0}, "#FF0000"},
        {{127.5 / 255, 126.5 / 255, 0.5 / 255}, "#807F01"},
        {{0.2, 0.4, 0.6}, "#336699"},
    };
    for (const auto& [color, hex] : rows)
        EXPECT_EQ(hexFromColor(color), QString::fromLatin1(hex)) << hex;

    AppSettings& s = restart();
    QSignalSpy changed(&s, &AppSettings::countColorHexChanged);
    s.setCountColor({1, 0, 0});
    EXPECT_EQ(onDisk().value("countColorHex"), QJsonValue("#FF0000"));
    s.setCountdownColor({1.2, 0, std::nan("")}); // outside sRGB: the hex stays, written again
    EXPECT_EQ(s.countdownColorHex(), QStringLiteral("#FF9EF2"));
    EXPECT_EQ(onDisk().value("countdownColorHex"), QJsonValue("#FF9EF2"));

    s.resetColors();
    EXPECT_EQ(s.countColorHex(), QStringLiteral("#40F2FF"));
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(SettingsTest, LaunchAtLoginFollowsTheAutostartEntry) {
    const path entry = home.configHome() / "autostart/fadebin.desktop";
    AppSettings& s = restart();
    QSignalSpy changed(&s, &AppSettings::launchAtLoginChanged);
    s.setLaunchAtLogin(true);
    EXPECT_NE(readFile(entry).find("Exec=\"/usr/bin/fadebin\"\n"), std::string::npos);
    EXPECT_TRUE(restart().launchAtLogin()) << "read from the entry, not the store";
    EXPECT_FALSE(onDisk().contains("launchAtLogin"));

    settings->setLaunchAtLogin(false);
    EXPECT_FALSE(exists(entry));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(SettingsTest, ARefusedRegistrationIsLoggedOnceAndTheFlagStaysOff) {
    std::filesystem::create_directories(home.configHome());
    writeFile(home.configHome() / "autostart", "a file where the folder should be");
    AppSettings& s = restart();
    LogCapture log;
    s.setLaunchAtLogin(true);
    EXPECT_FALSE(s.launchAtLogin());
    EXPECT_EQ(log.count("Login item change failed: %s"), 1);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].category, LogCategory::App);
    EXPECT_EQ(lines[0].level, LogLevel::Error);
    EXPECT_NE(lines[0].message.find("Not a directory"), std::string::npos);
}

TEST_F(SettingsTest, WhenTheRevertFailsTooItStopsAfterOneOppositeRequest) {
    // A non-empty folder in place of the entry: neither writing nor removing works.
    const path entry = home.configHome() / "autostart/fadebin.desktop";
    std::filesystem::create_directories(entry / "inside");
    AppSettings& s = restart();
    LogCapture log;
    s.setLaunchAtLogin(true);
    EXPECT_FALSE(s.launchAtLogin());
    EXPECT_EQ(log.count("Login item change failed: %s"), 2);
}
