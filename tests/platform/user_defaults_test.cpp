#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    void store(const std::string& contents) {
        std::filesystem::create_directories(file.parent_path());
        writeFile(file, contents);
    }

    TempHome home;
    const path file = home.configHome() / "Fadebin/defaults.json";
};

} // namespace

TEST_F(UserDefaultsTest, BooleanReadingIsLenientLikeTheSystemStore) {
    const std::pair<const char*, bool> rows[] = {
        {"true", true},      {"false", false},  {"1", true},        {"0", false},
        {"-0.5", true},      {"\"YES\"", true}, {"\"true\"", true}, {"\"1\"", true},
        {"\" +007\"", true}, {"\"no\"", false}, {"\"0\"", false},   {"\"\"", false},
        {"null", false},     {"[true]", false}, {"{}", false},
    };
    for (const auto& [json, expected] : rows) {
        store(std::string(R"({"k": )") + json + "}");
        EXPECT_EQ(UserDefaults().boolValue("k"), expected) << json;
    }
    EXPECT_FALSE(UserDefaults().boolValue("missing"));
}

TEST_F(UserDefaultsTest, UnusableFilesReadAsEmptyAndStayUntouchedUntilTheFirstAssignment) {
    const std::pair<const char*, bool> rows[] = {
        // contents, whether it is reported as unreadable
        {"", false},      {"  \n", false},    {"{\"a\": tr", true},
        {"[1, 2]", true}, {"\"text\"", true}, {"\xff\xfe garbage", true},
    };
    for (const auto& [contents, reported] : rows) {
        SCOPED_TRACE(contents);
        store(contents);
        LogCapture log;
        UserDefaults defaults;
        EXPECT_FALSE(defaults.value("a").has_value());
        EXPECT_EQ(readFile(file), contents);
        EXPECT_EQ(log.count("Settings file unreadable, using defaults: %s"), reported ? 1 : 0);
        defaults.setBool("flag", true);
        EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(readFile(file))).object(),
                  (QJsonObject{{"flag", true}}));
        // The temporary file of the atomic write is gone again.
        EXPECT_EQ(listNames(file.parent_path()).value(), std::vector<std::string>{"defaults.json"});
    }
}

TEST_F(UserDefaultsTest, AFailedWriteIsLoggedAndTheValueKeptForThisRun) {
    std::filesystem::create_directories(home.configHome());
    writeFile(home.configHome() / "Fadebin", "a file where the folder should be");
    LogCapture log;
    UserDefaults defaults;
    defaults.setDouble(QStringLiteral("autoDismissSeconds"), 3);
    EXPECT_EQ(log.count("Settings write failed: %s"), 1);
    EXPECT_EQ(defaults.doubleValue("autoDismissSeconds"), 3.0);
}
