#include "support/TestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    fadebin::test::speakEnglishBeforeApplication();
    QCoreApplication app(argc, argv);
    fadebin::test::speakEnglish();
    return RUN_ALL_TESTS();
}
