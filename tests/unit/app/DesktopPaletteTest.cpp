// The desktop's colours made whole: placeholder texts readable whatever the scheme leaves
// out, dark colours for a stated dark preference, the accent colour as the selection.
#include "app/DesktopPalette.h"

#include <gtest/gtest.h>

namespace {

// A dark scheme as a desktop sets it: window, base and text, nothing for placeholders.
QPalette darkScheme() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(32, 35, 38));
    p.setColor(QPalette::Base, QColor(27, 30, 32));
    p.setColor(QPalette::Text, QColor(252, 252, 252));
    p.setColor(QPalette::WindowText, QColor(252, 252, 252));
    return p;
}

} // namespace

TEST(DesktopPalette, ADarkSchemeWithoutPlaceholderColoursGetsLightOnesAndOthersStayAsTheyAre) {
    QPalette dark = darkScheme();
    dark.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
    const auto mended = desktoppalette::withReadablePlaceholders(dark);
    ASSERT_TRUE(mended.has_value());
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor placeholder = mended->color(group, QPalette::PlaceholderText);
        EXPECT_EQ(placeholder.rgb(), dark.color(group, QPalette::Text).rgb()) << group;
        EXPECT_NEAR(placeholder.alphaF(), 0.5, 0.01);
    }
    // The rest of the scheme is kept.
    EXPECT_EQ(mended->color(QPalette::Base), dark.color(QPalette::Base));
    EXPECT_FALSE(desktoppalette::withReadablePlaceholders(*mended).has_value());

    // A dark scheme with a placeholder colour of its own, and the light default: kept.
    QPalette own = darkScheme();
    own.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
    EXPECT_FALSE(desktoppalette::withReadablePlaceholders(own).has_value());
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
    EXPECT_FALSE(desktoppalette::withReadablePlaceholders(light).has_value());
}

TEST(DesktopPalette, ALightSchemeDarkenedReadsLightOnDarkAndTakesTheAccentAsSelection) {
    QPalette light;
    light.setColor(QPalette::Window, QColor(239, 239, 239));
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::Highlight, QColor(48, 140, 198));
    ASSERT_FALSE(desktoppalette::isDark(light));
    const QPalette dark = desktoppalette::darkened(light);
    EXPECT_TRUE(desktoppalette::isDark(dark));
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        for (const QPalette::ColorRole text : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            EXPECT_GT(dark.color(text).lightnessF() - dark.color(role).lightnessF(), 0.7) << role << " " << text;
    EXPECT_FALSE(desktoppalette::withReadablePlaceholders(dark).has_value());
    // The desktop's selection colour stays until an accent colour replaces it, with text
    // that can be read on it.
    EXPECT_EQ(dark.color(QPalette::Highlight), light.color(QPalette::Highlight));
    const QPalette accented = desktoppalette::withSelectionColor(dark, QColor(240, 200, 40));
    EXPECT_EQ(accented.color(QPalette::Active, QPalette::Highlight), QColor(240, 200, 40));
    EXPECT_EQ(accented.color(QPalette::Inactive, QPalette::Highlight), QColor(240, 200, 40));
    EXPECT_EQ(accented.color(QPalette::HighlightedText), QColor(Qt::black));
}
