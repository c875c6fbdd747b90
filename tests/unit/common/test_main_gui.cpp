// Test main for libraries that draw: a GUI application on the offscreen platform.
#include "common/TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    rbxtest::setUpPrivateHome();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
