#pragma once
// Each test of the application gets a settings store of its own on the bundle's
// defaults.

#include "common/ScopedInstance.h"
#include "kxlib/RbxDefaults.h"

#include <gtest/gtest.h>
#include <optional>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        domain = QStringLiteral("test.app%1").arg(++counter);
        installed.emplace(RbxDefaults::open(domain));
        store = &installed->get();
    }
    void TearDown() override { installed.reset(); }

    QString domain;
    std::optional<rbxtest::ScopedInstance<RbxDefaults>> installed;
    RbxDefaults* store = nullptr;
};
