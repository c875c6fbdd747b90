#include "TableFixture.h"

#include "core/Log.h"
#include "table/widgets/RbxBigCharView.h"
#include "table/widgets/RbxMagnifier.h"
#include "common/ScopedInstance.h"

#include <QMenu>
#include <QPainter>
#include <QWhatsThis>

namespace {
QImage render(RbxBigCharView& v) {
    QImage image(v.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    v.drawRect(p);
    return image;
}
} // namespace

TEST_F(TableTest, BigCharacterFillsThreeQuartersAndIsCentred) {
    RbxBigCharView v;
    v.resize(300, 200);
    const rbx::Font f = font();
    v.setFont(f, QStringLiteral("A"), false);
    const QRectF box = v.stringBox();
    // At least one side reaches three quarters of the view, neither more.
    EXPECT_TRUE(std::abs(box.width() - 225) < 3 || std::abs(box.height() - 150) < 3) << box.width() << " " << box.height();
    EXPECT_LE(box.width(), 228);
    EXPECT_LE(box.height(), 153);
    EXPECT_NEAR(box.center().x(), 150, 1);
    EXPECT_NEAR(box.center().y(), 100, 1);
    // The fixture's line is one em high (ascender 800, descender 200 units).
    EXPECT_NEAR(box.height(), v.charFont().pointSize(), 2);
    // Guide lines: the baseline lies the descender above the box's bottom.
    const auto g = v.guideLines();
    EXPECT_NEAR(g.baseline - g.descender, v.charFont().pointSize() * 0.2, 1);
    EXPECT_NEAR(g.ascender - g.baseline, v.charFont().pointSize() * 0.8, 1);

    const QImage image = render(v);
    // The white framed ground, the black glyph in the middle, grey labels at the left.
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(150, int(200 - (g.baseline + 20))), QColor(Qt::black));
    EXPECT_GT(countPixels(image, QRect(0, int(200 - g.baseline) - 12, 40, 12),
                          [](const QColor& c) { return c != QColor(Qt::white) && c.alpha() > 0; }),
              5);

    // An empty string: scale 1 and an empty box at the centre.
    v.setFont(f, QString(), false);
    EXPECT_EQ(v.charFont().pointSize(), 100);
    EXPECT_EQ(v.stringBox(), QRectF(150, 100, 0, 0));
}

TEST_F(TableTest, BigCharacterInAPopupDrawsNoGroundAndNoLabels) {
    RbxBigCharView v;
    v.resize(200, 200);
    v.setFont(font(), QStringLiteral("W"), true);
    EXPECT_TRUE(v.isPopupMode());
    const QImage image = render(v);
    EXPECT_EQ(image.pixelColor(3, 3).alpha(), 0);
    // No label at the left end of the baseline.
    const auto g = v.guideLines();
    EXPECT_EQ(countPixels(image, QRect(0, int(200 - g.baseline) - 12, 30, 11), [](const QColor& c) { return c.alpha() > 0; }),
              0);
}

TEST_F(TableTest, BigCharacterCopiesAsPdfAndPng) {
    RbxBigCharView v;
    v.resize(120, 90);
    v.setFont(font(), QStringLiteral("B"), false);
    v.copyAsPDF();
    v.copyAsPNG();
    ASSERT_EQ(clipboard->data.size(), 2);
    EXPECT_EQ(clipboard->data[0].first, QStringLiteral("application/pdf"));
    EXPECT_TRUE(clipboard->data[0].second.startsWith("%PDF"));
    EXPECT_EQ(clipboard->data[1].first, QStringLiteral("image/png"));
    QImage png;
    ASSERT_TRUE(png.loadFromData(clipboard->data[1].second, "PNG"));
    EXPECT_EQ(png.size(), QSize(120, 90) * v.devicePixelRatioF());
    auto menu = v.menu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copy As PDF"));

    kx::LogCapture log;
    v.paste();
    v.cut();
    v.copy();
    EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("Paste not supported"), QStringLiteral("Cut not supported"),
                                        QStringLiteral("Copy not supported")}));
}

TEST_F(TableTest, MagnifierHideIsSafeAndLeavesHelpMode) {
    rbxtest::ScopedInstance<RbxMagnifier> fresh;
    RbxDefaults::userDefaults().setBool(true, QStringLiteral("logFocus"));
    kx::LogCapture log;
    RbxMagnifier& m = RbxMagnifier::magnifier();
    EXPECT_EQ(&m, &RbxMagnifier::magnifier());
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("FOCUS: magnifier init")});
    m.hide();
    m.hide();
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::enterWhatsThisMode();
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    m.hide();
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
}
