#include "TableFixture.h"

#include "core/Log.h"
#include "table/core/RbxGeometry.h"
#include "table/core/RbxTools.h"

#include <QMenu>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <climits>

using rbx::geom::maxY;

namespace {
void mouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = {}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), type == QEvent::MouseMove ? Qt::NoButton : button,
                  held, modifiers);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, const QPoint& p, Qt::KeyboardModifiers m = {}) { mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, m); }
void release(QWidget* w, const QPoint& p, Qt::KeyboardModifiers m = {}) { mouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, m); }
void click(QWidget* w, const QPoint& p, Qt::KeyboardModifiers m = {}) {
    press(w, p, m);
    release(w, p, m);
}
} // namespace

TEST_F(TableTest, ViewPointsHitTheCellsUnderThem) {
    const rbx::Font f = font();
    makeView(400, 300, f, {group(QStringLiteral("Upper"), letters(U'A', U'Z'), f),
                           group(QStringLiteral("Lower"), letters(U'a', U'z'), f)});
    const int perRow = view->charactersPerRow();
    ASSERT_GT(perRow, 1);
    for (std::size_t index : {std::size_t(0), std::size_t(perRow + 1), std::size_t(25)}) {
        const QRectF cell = view->viewportRectFromTable(view->rectForCharacterAtIndex(index));
        EXPECT_EQ(view->indexOfCharacterAtViewportPoint(cell.center().toPoint()), index);
        // The first pixel row and column of a cell belong to it.
        EXPECT_EQ(view->indexOfCharacterAtViewportPoint(QPoint(int(std::ceil(cell.left())), int(std::ceil(cell.top())))),
                  index);
    }
    // On a header, past the last cell of a row and outside the viewport: nothing.
    EXPECT_EQ(view->indexOfCharacterAtViewportPoint(QPoint(100, 10)), kx::NotFound);
    const QRectF last = view->viewportRectFromTable(view->rectForCharacterAtIndex(25));
    if (25 % perRow != perRow - 1) {
        EXPECT_EQ(view->indexOfCharacterAtViewportPoint((last.center() + QPointF(last.width(), 0)).toPoint()), kx::NotFound);
    }
    EXPECT_EQ(view->indexOfCharacterAtViewportPoint(QPoint(-1, 50)), kx::NotFound);

    // After scrolling, the same pixel shows another character.
    view->setGroups({group(QStringLiteral("Many"), letters(0x100, 0x17FF), f)});
    const QPoint p(20, 200);
    const std::size_t before = view->indexOfCharacterAtViewportPoint(p);
    view->verticalScrollBar()->setValue(int(view->charSize().height() * 3 + 0.5));
    const std::size_t after = view->indexOfCharacterAtViewportPoint(p);
    ASSERT_NE(before, kx::NotFound);
    EXPECT_EQ(after, before + std::size_t(3 * view->charactersPerRow()));
}

TEST_F(TableTest, ScrollRangeOfAHugeTableStaysInsideInt) {
    // Cells 2400 points high, one per row: a table of 1.2 million characters is about
    // 2.9e9 points high, beyond int.
    RbxDefaults::userDefaults().setDouble(2400, QStringLiteral("relativeFontSize"));
    std::vector<char32_t> chars;
    for (char32_t c = 0x20; chars.size() < 1200000; ++c) chars.push_back(c);
    makeView(300, 500, rbx::Font(), {RbxCharGroup::groupWithCharacters(chars)});
    EXPECT_EQ(view->charactersPerRow(), 1);
    EXPECT_GT(double(view->tableHeight()), double(INT_MAX));
    QScrollBar* bar = view->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_GT(view->scrollUnit(), 1.0);
    // Both ends are reachable and show the table's ends.
    bar->setValue(bar->maximum());
    EXPECT_NEAR(view->scrollValue(), double(view->tableHeight()) - view->viewport()->height(), view->scrollUnit());
    EXPECT_NEAR(view->scrollArea().y(), 0, view->scrollUnit() + 1);
    bar->setValue(0);
    EXPECT_NEAR(maxY(view->scrollArea()), view->tableHeight(), 1);

    // A table of ordinary height counts in points.
    RbxDefaults::userDefaults().setDouble(40, QStringLiteral("relativeFontSize"));
    view->calculateSize();
    EXPECT_EQ(view->scrollUnit(), 1.0);
    EXPECT_EQ(bar->maximum(), int(std::ceil(view->tableHeight() - view->viewport()->height())));
}

TEST_F(TableTest, ScrollingToCharactersGroupsAndThroughTheAnchor) {
    const rbx::Font f = font();
    auto anchor = std::make_shared<RbxLayoutAnchor>();
    std::vector<std::shared_ptr<RbxCharGroup>> groups;
    for (int i = 0; i < 6; ++i) {
        auto g = group(QStringLiteral("G%1").arg(i), letters(0x1000 + 0x100 * i, 0x10FF + 0x100 * i), f);
        g->setLayout(anchor, i);
        groups.push_back(g);
    }
    makeView(400, 300, f, groups);
    // A fresh layout starts at its top.
    EXPECT_NEAR(maxY(view->scrollArea()), view->tableHeight(), 0.5);
    view->scrollToGroup(3);
    EXPECT_NEAR(maxY(view->scrollArea()), view->groups()[3].top(), 0.5);
    EXPECT_EQ(anchor->anchorGroup(), 3);
    view->scrollToCharacter(0x1480);
    EXPECT_TRUE(rbx::geom::intersects(view->scrollArea(), view->rectForCharacterAtIndex(view->indexOfCharacter(0x1480))));

    // A narrower view lays out again and keeps the anchored group in view.
    view->scrollToGroup(4);
    view->resize(250, 300);
    QApplication::processEvents();
    EXPECT_NEAR(maxY(view->scrollArea()), view->groups()[4].top(), 0.5);
}

TEST_F(TableTest, UnsizedAndTinyViewsLayOutWithoutFailing) {
    const rbx::Font f = font();
    RbxCharView unsized;
    unsized.setFont(f);
    unsized.setGroups({group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    EXPECT_GE(unsized.charactersPerRow(), 1);
    EXPECT_TRUE(std::isfinite(unsized.charSize().width()) && unsized.charSize().width() > 0);
    EXPECT_TRUE(std::isfinite(unsized.tableHeight()));
    // Fitting in an area of no size and a view one pixel wide.
    RbxDefaults::userDefaults().setBool(true, QStringLiteral("fitAscii"));
    auto basic = group(QString(), letters(0x21, 0x7E), f);
    basic->setGroupKind(RbxBasicGroupKind);
    basic->setShowsHeader(false);
    unsized.setGroups({basic});
    unsized.resize(1, 1);
    unsized.calculateSize();
    EXPECT_GE(unsized.charactersPerRow(), 1);
    EXPECT_TRUE(std::isfinite(unsized.charSize().height()));
    const QImage image = unsized.renderViewport();
    EXPECT_FALSE(image.isNull());
    // No font at all: cells of the system font.
    unsized.setFont(rbx::Font());
    EXPECT_TRUE(std::isfinite(unsized.charSize().width()));
}

namespace {
// Collects the regions the viewport is asked to paint.
struct PaintSpy : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};
} // namespace

TEST_F(TableTest, SelectionChangeRepaintsTheChangedCells) {
    const rbx::Font f = font();
    makeView(400, 300, f, {group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    PaintSpy spy;
    view->viewport()->installEventFilter(&spy);
    QApplication::processEvents();
    spy.painted = QRegion();
    view->selectCharacterAtIndex(5);
    ASSERT_TRUE(rbxtest::waitFor([&] { return !spy.painted.isEmpty(); }));
    const QRect cell5 = view->viewportRectFromTable(view->rectForCharacterAtIndex(5)).toAlignedRect();
    EXPECT_TRUE(spy.painted.contains(cell5));
    // Only around the cell, not the whole table.
    EXPECT_LT(spy.painted.boundingRect().width(), cell5.width() + 4);

    spy.painted = QRegion();
    view->selectCharacterAtIndex(9);
    ASSERT_TRUE(rbxtest::waitFor([&] { return !spy.painted.isEmpty(); }));
    EXPECT_TRUE(spy.painted.contains(cell5));
    EXPECT_TRUE(spy.painted.contains(view->viewportRectFromTable(view->rectForCharacterAtIndex(9)).toAlignedRect()));
    view->viewport()->removeEventFilter(&spy);
}

TEST_F(TableTest, HeaderClicksToggleGroupsAndCopyTheirCharacters) {
    const rbx::Font f = font();
    auto g1 = group(QStringLiteral("Upper"), letters(U'A', U'C'), f);
    auto g2 = group(QStringLiteral("Lower"), letters(U'a', U'c'), f);
    makeView(400, 300, f, {g1, g2});
    const QPoint triangle = view->viewportRectFromTable(view->groups()[0].disclosureArea()).center().toPoint();
    click(view->viewport(), triangle);
    EXPECT_FALSE(g1->isExpanded());
    EXPECT_TRUE(g2->isExpanded());
    // With Option (Alt) every group takes the opposite of the clicked one's state.
    click(view->viewport(), triangle, Qt::AltModifier);
    EXPECT_TRUE(g1->isExpanded());
    EXPECT_TRUE(g2->isExpanded());
    click(view->viewport(), triangle, Qt::AltModifier);
    EXPECT_FALSE(g1->isExpanded());
    EXPECT_FALSE(g2->isExpanded());

    auto menu = view->headerMenu(1);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->title(), QStringLiteral("Runebox"));
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copy Characters"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(clipboard->strings.value(0), QStringLiteral("abc"));
    menu->actions()[2]->trigger();
    EXPECT_EQ(clipboard->strings.value(1).count(QLatin1Char('\n')), 3);
    EXPECT_TRUE(clipboard->strings.value(1).startsWith(QStringLiteral("a\t97\tU+0061\t")));
}

TEST_F(TableTest, CopyCommandsPublishOneFormAndCharacterZeroPublishesNothing) {
    RbxCharView v;
    v.copyCharacterPlain(0x1F600);
    v.copyCharacterUnicodeHex(0x1F600);
    v.copyCharacterUnicodeDecimal(0x1F600);
    v.copyCharacterSwift(0x1F600);
    EXPECT_EQ(clipboard->strings, (QStringList{QString::fromUcs4(U"\U0001F600", 1), QStringLiteral("U+1F600"),
                                               QStringLiteral("128512"), QStringLiteral("\\u{1f600}")}));
    clipboard->strings.clear();
    // A sender without a number stands for character 0, whose text is empty.
    const char32_t none = RbxCharView::characterFromSender(QVariant(QStringLiteral("menu")));
    EXPECT_EQ(none, 0u);
    v.copyCharacterPlain(none);
    v.copyCharacterName(none);
    v.copyCharacterHTML(none);
    EXPECT_EQ(clipboard->strings, (QStringList{QString(), QString(), QString()}));
    EXPECT_EQ(RbxCharView::characterFromSender(QVariant(65)), U'A');
}

TEST_F(TableTest, ToolTipTextNamesCodePointsAndGlyph) {
    const rbx::Font f = font();
    makeView(300, 200, f, {group(QStringLiteral("Letters"), letters(U'A', U'C'), f)});
    const QString plain = view->tooltipTextForCharacter(U'B');
    EXPECT_EQ(plain, QStringLiteral("Char: \"B\"\nUnicode: 66\nGlyph: 3"));
    sources->roman = 0x10042;
    sources->entity = QStringLiteral("&Bfr;");
    EXPECT_EQ(view->tooltipTextForCharacter(U'B'), QStringLiteral("Char: \"B\"\nUnicode: 66\nRoman: 66\nGlyph: 3\nHTML: &Bfr;"));
    EXPECT_EQ(view->tooltipTextForCharacter(0), QString());
}

TEST_F(TableTest, SettingsChangesRelayOrRedraw) {
    const rbx::Font f = font();
    makeView(400, 300, f, {group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    const double width = view->charSize().width();
    int layouts = 0;
    QObject::connect(view.get(), &RbxCharView::layoutChanged, [&] { ++layouts; });
    RbxDefaults::userDefaults().setDouble(80, QStringLiteral("relativeFontSize"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return layouts > 0; }));
    EXPECT_GT(view->charSize().width(), width * 1.5);
    layouts = 0;
    RbxDefaults::userDefaults().setBool(false, QStringLiteral("darkTable"));
    RbxDefaults::userDefaults().setBool(true, QStringLiteral("darkTable"));
    rbxtest::spinEventLoop(50);
    EXPECT_EQ(layouts, 0);

    // Showing font names in their own fonts redraws the palette's font list.
    struct FontList : QWidget {
        int paints = 0;
        void paintEvent(QPaintEvent*) override { ++paints; }
    };
    struct Controller : RbxCharViewController {
        FontList* list = nullptr;
        QWidget* fontListView() const override { return list; }
    };
    FontList list;
    list.setAttribute(Qt::WA_DontShowOnScreen);
    list.resize(100, 100);
    list.show();
    rbxtest::spinEventLoop(20);
    auto controller = std::make_shared<Controller>();
    controller->list = &list;
    view->setController(controller);
    list.paints = 0;
    RbxDefaults::userDefaults().setBool(true, QStringLiteral("fontNameInFont"));
    RbxDefaults::userDefaults().setBool(false, QStringLiteral("fontNameInFont"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return list.paints > 0; }));
    EXPECT_EQ(layouts, 0);
    view->setController(nullptr);
}

TEST_F(TableTest, SizeAdjustmentOfTheFamilyScalesTheCells) {
    const rbx::Font f = font();
    makeView(400, 300, f, {group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    float loaded = -5;
    QObject::connect(view.get(), &RbxCharView::customSizeLoaded, [&](float a) { loaded = a; });
    const double width = view->charSize().width();
    view->customSizeChanged(1);
    EXPECT_EQ(RbxDefaults::userDefaults().sizeAdjustmentForFontFamily(f.familyName()), 1.0f);
    EXPECT_EQ(view->customSize(), 1.0f);
    ASSERT_TRUE(rbxtest::waitFor([&] { return view->charSize().width() > width * 1.5; }));
    // A new font brings its family's adjustment for the slider.
    view->setFont(f);
    EXPECT_EQ(loaded, 1.0f);
    view->updateAfterSizeReset();
    EXPECT_EQ(loaded, 0.0f);
    ASSERT_TRUE(rbxtest::waitFor([&] { return std::abs(view->charSize().width() - width) < 0.01; }));
}

TEST_F(TableTest, RecentGroupTakesNewCharactersOrAsksForARebuild) {
    const rbx::Font f = font();
    auto recent = group(QStringLiteral("Recent"), {U'A'}, f);
    recent->setGroupKind(RbxRecentGroupKind);
    makeView(400, 300, f, {recent, group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    EXPECT_EQ(view->groups()[0].count(), 1u);
    EXPECT_TRUE(view->updateRecentGroup({U'C', U'B', U'A'}));
    EXPECT_EQ(view->groups()[0].count(), 3u);
    EXPECT_EQ(view->characterAtIndex(0), U'C');
    EXPECT_EQ(view->indexOfCharacter(U'C'), 3u + 2u); // the lowest group holding it wins
    view->setGroups({group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    EXPECT_FALSE(view->updateRecentGroup({U'B'}));
}

TEST_F(TableTest, OnlyVerticalWheelMovementScrollsAndGesturesAreLogged) {
    const rbx::Font f = font();
    makeView(300, 200, f, {group(QStringLiteral("Many"), letters(0x1000, 0x13FF), f)});
    QWidget* vp = view->viewport();
    const double start = view->scrollValue();
    auto wheel = [&](QPoint angle) {
        QWheelEvent e(QPointF(50, 50), QPointF(vp->mapToGlobal(QPoint(50, 50))), QPoint(), angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
    };
    wheel(QPoint(-120, 0));
    EXPECT_EQ(view->scrollValue(), start);
    wheel(QPoint(0, -120));
    EXPECT_GT(view->scrollValue(), start);

    kx::LogCapture log;
    const double before = view->scrollValue();
    auto gesture = [&](Qt::NativeGestureType type, double value, QPointF delta) {
        QNativeGestureEvent e(type, QPointingDevice::primaryPointingDevice(), 2, QPointF(50, 50), QPointF(50, 50),
                              QPointF(vp->mapToGlobal(QPoint(50, 50))), value, delta);
        QApplication::sendEvent(vp, &e);
    };
    gesture(Qt::ZoomNativeGesture, 0.25, QPointF());
    gesture(Qt::SwipeNativeGesture, 0, QPointF(-1, 0));
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("magnify 0.250"), QStringLiteral("swipe x=-1.000 y=0.000")}));
    EXPECT_EQ(view->scrollValue(), before);
}

TEST_F(TableTest, RecentCharactersOfTheFontAreMarkedWhileTheSettingIsOn) {
    const rbx::Font f = font();
    RbxDefaults& d = RbxDefaults::userDefaults();
    d.setBool(true, QStringLiteral("hilite recent characters"));
    sources->recent = std::vector<char32_t>{U'C', U'A'};
    auto letters = group(QStringLiteral("Letters"), {U'A', U'B', U'C'}, f);
    makeView(300, 200, f, {letters});
    // Every recent character is marked, the newest and the older one alike.
    EXPECT_TRUE(letters->isRecentCharacterToHilite(U'C'));
    EXPECT_TRUE(letters->isRecentCharacterToHilite(U'A'));
    EXPECT_FALSE(letters->isRecentCharacterToHilite(U'B'));
    // Switched off, the view follows the settings change: nothing is marked.
    d.setBool(false, QStringLiteral("hilite recent characters"));
    EXPECT_TRUE(rbxtest::waitFor([&] { return !letters->isRecentCharacterToHilite(U'C'); }));
    EXPECT_FALSE(letters->isRecentCharacterToHilite(U'A'));
    // A font without recent characters marks none.
    d.setBool(true, QStringLiteral("hilite recent characters"));
    sources->recent = std::vector<char32_t>{};
    view->defineRecentCharactersToHilite();
    EXPECT_FALSE(letters->isRecentCharacterToHilite(U'C'));
}
