// Placeholder texts stay readable whatever the desktop's colour scheme leaves out.
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
