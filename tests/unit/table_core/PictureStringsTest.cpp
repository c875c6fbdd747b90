// The strings the picture menus offer and post.
#include "table/core/RbxPictureStrings.h"

#include <gtest/gtest.h>

using namespace rbx::pictures;

TEST(PictureStrings, SkinTonesAndPresentations) {
    const QString hand = QStringLiteral("\U0001F44B");
    EXPECT_EQ(skinToneString(hand, 0), QStringLiteral("\U0001F44B\U0001F3FB"));
    EXPECT_EQ(skinToneString(hand, 4), QStringLiteral("\U0001F44B\U0001F3FF"));
    // A modifier already there is replaced.
    EXPECT_EQ(skinToneString(QStringLiteral("\U0001F44B\U0001F3FF"), 2), QStringLiteral("\U0001F44B\U0001F3FD"));
    EXPECT_EQ(skinToneColor(0), (std::array<int, 3>{248, 213, 174}));
    EXPECT_EQ(skinToneColor(4), (std::array<int, 3>{70, 53, 43}));

    EXPECT_EQ(presentationString(QStringLiteral("\u2764"), false), QStringLiteral("\u2764\uFE0E"));
    EXPECT_EQ(presentationString(QStringLiteral("\u2764"), true), QStringLiteral("\u2764\uFE0F"));
    // A keycap takes the selector before its enclosing mark.
    EXPECT_EQ(presentationString(QStringLiteral("1\u20E3"), false), QStringLiteral("1\uFE0E\u20E3"));
    EXPECT_EQ(presentationString(QStringLiteral("\U0001F600"), true), QStringLiteral("\U0001F600\uFE0F"));

    EXPECT_EQ(pictureFontSize(0), 36);
    EXPECT_EQ(pictureFontSize(12), 36);
    EXPECT_EQ(pictureFontSize(48), 48);
}

TEST(PictureStrings, TheFirstCodePointOfAChosenString) {
    EXPECT_EQ(firstCodePoint(QStringLiteral("\U0001F44B\U0001F3FD")), U'\U0001F44B');
    EXPECT_EQ(firstCodePoint(QStringLiteral("\u2764\uFE0E")), U'\u2764');
    EXPECT_EQ(firstCodePoint(QString()), 0u);
    EXPECT_EQ(firstCodePoint(QString(QChar(0xD83D))), 0u);
    EXPECT_EQ(firstCodePoint(QString(QChar(0xD83D)) + QStringLiteral("a")), 0u);
    // A lone low surrogate is taken as it is.
    EXPECT_EQ(firstCodePoint(QString(QChar(0xDC00))), 0xDC00u);
}
