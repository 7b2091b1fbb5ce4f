#include "program/CommandWords.h"

#include <gtest/gtest.h>

using namespace fadebin;

TEST(CommandWords, ARelativeWordIsTakenFromTheFolderItWasTypedIn) {
    const QByteArray here("/home/u/Downloads");
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"report.pdf", "/home/u/Downloads/report.pdf"},
        {"sub/caf\xe9 x", "/home/u/Downloads/sub/caf\xe9 x"},
        {"../Downloads", "/home/u/Downloads/../Downloads"},
        {"/tmp/x", "/tmp/x"},
    };
    for (const auto& [word, expected] : rows)
        EXPECT_EQ(absoluteWord(word, here), expected) << word.constData();
}
