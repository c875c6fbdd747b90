#include "kxlib/gui/SegmentedControl.h"

#include <QImage>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Columns of the picture, from `from` on, that hold a pixel of the colour.
QList<int> inkedColumns(const QImage& image, const QColor& colour, int from) {
    QList<int> columns;
    for (int x = from; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 60 && std::abs(c.green() - colour.green()) < 60 &&
                std::abs(c.blue() - colour.blue()) < 60) {
                columns << x;
                break;
            }
        }
    return columns;
}

} // namespace

// A label that ends in the menu arrow keeps it, but its button lays out only the text
// before it (no font is needed for the character) and draws the arrow after the text, in
// the text's colour, wider at the top than at its tip.
TEST(SegmentedControl, ALabelsMenuArrowIsDrawnAfterItsTextWithoutTheCharacter) {
    SegmentedControl control;
    control.addSegment(QStringLiteral("Plain"), 0);
    control.addSegment(QStringLiteral("HTML"), 1);
    control.addSegment(QStringLiteral("HTML \u25BE"), 2);
    control.adjustSize();
    EXPECT_EQ(control.label(2), QStringLiteral("HTML \u25BE"));
    EXPECT_EQ(control.button(2)->text(), QStringLiteral("HTML"));
    EXPECT_EQ(control.label(1), QStringLiteral("HTML"));

    QToolButton* plain = control.button(1);
    QToolButton* arrowed = control.button(2);
    EXPECT_GT(arrowed->sizeHint().width(), plain->sizeHint().width());
    const QColor text = control.palette().color(QPalette::ButtonText);
    // The text stands where it stands in the plain segment; past its end, the arrowed one
    // has the arrow.
    const QList<int> letters = inkedColumns(plain->grab().toImage(), text, 0);
    ASSERT_FALSE(letters.isEmpty());
    const QImage picture = arrowed->grab().toImage();
    const QList<int> arrow = inkedColumns(picture, text, letters.last() + 2);
    ASSERT_GE(arrow.size(), 4);
    EXPECT_EQ(inkedColumns(picture, text, 0).first(), letters.first());
    int top = -1, bottom = -1;
    for (int y = 0; y < picture.height(); ++y) {
        int n = 0;
        for (int x : arrow)
            if (std::abs(picture.pixelColor(x, y).red() - text.red()) < 60) ++n;
        if (n > 0 && top < 0) top = n;
        if (n > 0) bottom = n;
    }
    EXPECT_GT(top, bottom) << "the arrow points down";

    // Without the arrow the segment takes its plain width again.
    control.setLabel(2, QStringLiteral("HTML"));
    EXPECT_EQ(control.button(2)->text(), QStringLiteral("HTML"));
    EXPECT_EQ(control.button(2)->sizeHint().width(), plain->sizeHint().width());
}
