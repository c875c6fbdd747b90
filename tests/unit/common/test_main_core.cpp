// Test main for libraries that need only QtCore.
#include "common/TestEnvironment.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    rbxtest::setUpPrivateHome();
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
