// The main of the window tests: one QApplication for the whole run, made before the first test
// and destroyed before the program exits, so Qt tears down its devices and fonts in order.

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Window tests run headless unless a platform is chosen (test discovery runs them bare).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
