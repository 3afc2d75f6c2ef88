// Test entry point: a QApplication on the offscreen platform, so widget, font and image tests run headless.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv)
{
    // The real-X runs set xcb themselves (scripts/xvfb-test.sh).
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
