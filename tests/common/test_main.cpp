// Test entry point: a QApplication on the offscreen platform, so widget, font and image tests run headless.
#include "common/dialogscript.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv)
{
    // The real-X runs set xcb themselves (scripts/xvfb-test.sh).
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // A dialog no test answers fails that test at once instead of waiting for a user.
    testutil::DialogScript unanswered(testutil::DialogScript::FailUnscripted);
    return RUN_ALL_TESTS();
}
