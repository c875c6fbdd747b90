// Test main for the end-to-end tests: a GUI application on the session's real X
// server (x11-session starts Xvfb, a window manager and a private session bus).
#include "common/TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <cstring>

int main(int argc, char** argv) {
    // Test discovery only lists the tests: no display needed for that.
    bool listOnly = false;
    for (int i = 1; i < argc; ++i) listOnly = listOnly || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    ::testing::InitGoogleTest(&argc, argv);
    if (listOnly) return RUN_ALL_TESTS();
    rbxtest::setUpPrivateHome();
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
