// The magnifier: its content for a character, its key caps, and its window beside the
// cell, which never takes the focus and lets the mouse through.
#include "SelectionFixture.h"

#include "insertion/KXKeyboard.h"
#include "table/widgets/RbxBigCharView.h"
#include "table/widgets/RbxMagnifierPopup.h"
#include "table/widgets/RbxMagnifierView.h"

#include <QLabel>
#include <QScreen>

namespace {

// The current keyboard is a US layout for the test.
struct UsKeyboard {
    UsKeyboard() { kx::KXKeyboard::setCurrentKeyboard(kx::KXKeyboard::fromNames(QStringLiteral("us"))); }
    ~UsKeyboard() { kx::KXKeyboard::setCurrentKeyboard(nullptr); }
};

QList<QWidget*> shortcutChildren(const RbxMagnifierView& v) {
    return v.shortcutView().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

TEST_F(TableTest, MagnifierShowsTheCharacterItsTextsAndTheKeysThatTypeIt) {
    UsKeyboard keyboard;
    RbxMagnifierView v;
    v.fill(U'A', font());
    EXPECT_EQ(v.character(), U'A');
    EXPECT_EQ(v.shownText(QStringLiteral("name")), QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_EQ(v.shownText(QStringLiteral("htmlLabel")), QStringLiteral("HTML:"));
    EXPECT_EQ(v.shownText(QStringLiteral("codePoint")), QStringLiteral("#65 [U+0041]"));
    EXPECT_EQ(v.shownText(QStringLiteral("codePointLabel")), QStringLiteral("Code Point:"));
    EXPECT_TRUE(v.shownText(QStringLiteral("keywordsLabel")).isEmpty());
    EXPECT_TRUE(v.shownText(QStringLiteral("notAvailable")).isEmpty());
    EXPECT_TRUE(v.bigCharView().isPopupMode());
    EXPECT_EQ(v.bigCharView().charString(), QStringLiteral("A"));
    // Shift and the A key.
    const QList<QWidget*> caps = shortcutChildren(v);
    ASSERT_EQ(caps.size(), 2);
    EXPECT_EQ(qobject_cast<ColoredTextField*>(caps[0])->text(), QString(QChar(0x21E7)));
    EXPECT_EQ(qobject_cast<ColoredTextField*>(caps[1])->text(), QStringLiteral("A"));

    // A character the fixture font lacks gets the warning; no key types it: the keyboard
    // picture stands alone.
    v.fill(0x2603, font());
    EXPECT_FALSE(v.shownText(QStringLiteral("notAvailable")).isEmpty());
    const QList<QWidget*> picture = shortcutChildren(v);
    ASSERT_EQ(picture.size(), 1);
    auto* label = qobject_cast<QLabel*>(picture[0]);
    ASSERT_TRUE(label);
    EXPECT_FALSE(label->pixmap().isNull()) << "the image keyboard.x";
}

TEST_F(TableTest, MagnifierKeyCapsAreSquaresWithTheWordThenBetweenStrokes) {
    RbxMagnifierView v;
    const int h = v.shortcutView().height();
    ASSERT_GT(h, 0);
    v.fillShortcutView({QStringLiteral("A"), QStringLiteral("then"), QStringLiteral(" ")});
    const QList<QWidget*> parts = shortcutChildren(v);
    ASSERT_EQ(parts.size(), 4);  // cap, word, cap, space mark
    EXPECT_EQ(parts[0]->geometry(), QRect(0, 0, h, h));
    auto* word = qobject_cast<QLabel*>(parts[1]);
    ASSERT_TRUE(word);
    EXPECT_EQ(word->text(), QStringLiteral("then"));
    EXPECT_EQ(word->x(), h + 5 + 2);
    EXPECT_LT(word->width(), h * 3);
    const QRect space = parts[2]->geometry();
    EXPECT_EQ(space.x(), h + 5 + word->width() - 5 + 10);
    EXPECT_EQ(space.size(), QSize(h, h));
    auto* mark = qobject_cast<RbxSpaceView*>(parts[3]);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->geometry(), space.adjusted(4, 5, -4, -5));
    // The bracket is open at the top and lies along the mark's bottom.
    const QPolygonF bracket = RbxSpaceView::bracket(mark->size());
    ASSERT_EQ(bracket.size(), 4);
    EXPECT_LT(bracket[0].y(), bracket[1].y());
    EXPECT_EQ(bracket[1].y(), bracket[2].y());
    EXPECT_NEAR(bracket[1].y(), mark->height() - RbxSpaceView::lineWidth(mark->size()) / 2, 1e-9);
    EXPECT_EQ(bracket[2].x(), mark->width() - 4);
    // A longer label widens its cap; the content is rebuilt each time.
    v.fillShortcutView({QStringLiteral("AltGr"), QStringLiteral("E")});
    const QList<QWidget*> two = shortcutChildren(v);
    ASSERT_EQ(two.size(), 2);
    EXPECT_GT(two[0]->width(), h);
    EXPECT_EQ(two[1]->x(), two[0]->width() + 5);
}

TEST_F(TableTest, MagnifierWindowSitsAboveTheCellNeverTakesFocusAndLetsTheMouseThrough) {
    RbxMagnifierPopup popup;
    const QWidget& w = popup.window();
    EXPECT_TRUE(w.windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.windowType(), Qt::ToolTip);
    EXPECT_TRUE(w.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(w.focusPolicy(), Qt::NoFocus);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect cell(screen.center().x() - 20, screen.bottom() - 60, 40, 40);
    popup.show(U'A', font(), cell);
    ASSERT_TRUE(popup.isShown());
    EXPECT_EQ(popup.window().placement().arrowEdge, RbxPopupPlacement::ArrowEdge::Bottom);
    EXPECT_EQ(w.geometry().bottom() + 1, cell.top());
    EXPECT_NEAR(w.geometry().center().x(), cell.center().x(), 1);
    EXPECT_EQ(popup.window().content().character(), U'A');
    // The window's shape holds the arrow's tip over the cell.
    const QPoint tip(popup.window().placement().arrowX, w.height() - 2);
    EXPECT_TRUE(w.mask().contains(tip));
    EXPECT_FALSE(w.mask().contains(QPoint(1, w.height() - 2)));

    // At the screen's top it goes below the cell; the content follows the character.
    const QRect top(screen.left() + 2, screen.top() + 5, 40, 40);
    popup.show(U'B', font(), top);
    EXPECT_EQ(popup.window().placement().arrowEdge, RbxPopupPlacement::ArrowEdge::Top);
    EXPECT_EQ(w.geometry().top(), top.bottom() + 1);
    EXPECT_GE(w.geometry().left(), screen.left());
    EXPECT_EQ(popup.window().content().character(), U'B');
    popup.close();
    EXPECT_FALSE(popup.isShown());
}
