#include "table/core/RbxTools.h"

#include <gtest/gtest.h>

TEST(Tools, SpacesSafeDrawingAndDebugFlags) {
    for (char32_t c : {0x20u, 0xA0u, 0x180Eu, 0x2000u, 0x2005u, 0x200Bu, 0x202Fu, 0x205Fu, 0x2060u, 0x3000u, 0xFEFFu})
        EXPECT_TRUE(RbxTools::isSpaceCharacter(c)) << std::hex << uint(c);
    for (char32_t c : {0x200Cu, 0x41u, 0x1FFFu, 0x2061u, 0x9u, 0u})
        EXPECT_FALSE(RbxTools::isSpaceCharacter(c)) << std::hex << uint(c);

    for (char32_t c : {0x0732u, 0x0900u, 0x093Au, 0x0B82u, 0x0E33u, 0x17DDu, 0xAAC2u})
        EXPECT_TRUE(RbxTools::characterRequiresSafeDrawing(c)) << std::hex << uint(c);
    for (char32_t c : {0x0731u, 0x0904u, 0x0B83u, 0x0E34u, 0xAAC3u, 0x41u})
        EXPECT_FALSE(RbxTools::characterRequiresSafeDrawing(c)) << std::hex << uint(c);

    EXPECT_FALSE(RbxTools::debugging(3));
    RbxTools::setDebugging(true, 3);
    EXPECT_TRUE(RbxTools::debugging(3));
    RbxTools::setDebugging(false, 3);
    EXPECT_FALSE(RbxTools::debugging(3));
    RbxTools::setDebugging(true, 10);
    EXPECT_FALSE(RbxTools::debugging(10));
    RbxTools::setDebugging(true, -1);
    EXPECT_FALSE(RbxTools::debugging(-1));
    RbxTools::setDebugging(true, 9);
    EXPECT_TRUE(RbxTools::debugging(9));
    RbxTools::setDebugging(false, 9);
}
