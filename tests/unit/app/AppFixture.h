#pragma once
// Each test of the application gets a settings store of its own on the bundle's
// defaults.

#include "kxlib/RbxDefaults.h"

#include <gtest/gtest.h>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        domain = QStringLiteral("test.app%1").arg(++counter);
        store = &RbxDefaults::installFreshForTesting(domain);
    }
    void TearDown() override { RbxDefaults::hooks() = RbxDefaultsHooks(); }

    QString domain;
    RbxDefaults* store = nullptr;
};
