// The palette on the offscreen platform: opening, toggling, fading, Escape, sheets,
// the URL commands "open" and "set", frame memory and clicks outside.
#include "PaletteFixture.h"

#include "app/PaletteContent.h"
#include "app/PaletteFader.h"
#include "app/PaletteFrameKeeper.h"
#include "app/PalettePresenter.h"
#include "app/RbxCharApplication.h"
#include "app/RbxCharWindowController.h"
#include "app/RbxPositionLog.h"
#include "common/TestEnvironment.h"
#include "core/Log.h"
#include "kxlib/KXURLHandler.h"

#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QStackedWidget>
#include <QLineEdit>
#include <QScreen>
#include <QWindow>

#include <memory>

namespace {

TEST_F(Palette, OpensTogglesAndReopens) {
    EXPECT_EQ(RbxCharWindowController::windowController(), c);
    EXPECT_FALSE(c->isWindowVisible());
    c->openWindow(c);
    EXPECT_TRUE(c->isWindowVisible());
    EXPECT_FLOAT_EQ(c->windowAlpha(), 1);
    const int shown = c->window()->showCount();
    c->openWindow(c);  // already open: nothing
    EXPECT_EQ(c->window()->showCount(), shown);
    EXPECT_TRUE(rbxtest::waitFor([&] { return c->window()->lastShowPaintNs() > 0; }));

    c->toggleWindow(nullptr);
    EXPECT_TRUE(c->fader().isFadeScheduled());
    EXPECT_TRUE(waitClosed());
    EXPECT_FLOAT_EQ(c->windowAlpha(), 1);
    c->toggleWindowFromIcon();
    EXPECT_TRUE(c->isWindowVisible());
    EXPECT_EQ(c->window()->showCount(), shown + 1);
}

TEST_F(Palette, OpeningAndClosingAreAnnouncedAndOpeningReadsTheFrontApplication) {
    QList<bool> active;
    QObject::connect(c, &RbxCharWindowController::windowOpened, [&] { active << true; });
    QObject::connect(c, &RbxCharWindowController::windowClosed, [&] { active << false; });
    front.name = QStringLiteral("gedit");
    const int readBefore = front.reads;
    c->openWindow(c);
    const int fronts = front.reads - readBefore;
    EXPECT_EQ(active, QList<bool>{true});
    EXPECT_EQ(fronts, 1);
    EXPECT_EQ(c->frontApplicationName(), QStringLiteral("gedit"));
    c->close();
    EXPECT_EQ(active, (QList<bool>{true, false}));
    // Closing a closed palette changes nothing.
    c->close();
    EXPECT_EQ(active.size(), 2);
}

TEST_F(Palette, FadesInWhenAnimated) {
    store->setBool(true, QStringLiteral("animate window"));
    c->openWindow(c);
    EXPECT_TRUE(c->fader().isFadingIn());
    EXPECT_LT(c->windowAlpha(), 1);
    EXPECT_TRUE(rbxtest::waitFor([&] { return c->windowAlpha() >= 1 && !c->fader().isFadingIn(); }));
}

TEST_F(Palette, IsAToolWindowThatDoesNotTakeTheFocus) {
    RbxCharWindow* w = c->window();
    EXPECT_TRUE(w->windowFlags() & Qt::Tool);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(w->testAttribute(Qt::WA_ShowWithoutActivating));
    c->openWindow(c);
    EXPECT_FALSE(w->isActiveWindow());
    EXPECT_TRUE(w->isVisibleOnAllDesktops());
    w->setActivating(true);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_FALSE(w->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(w->isVisible());  // changing it does not hide the window
    w->setActivating(false);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

TEST_F(Palette, EscapeClearsTheSearchFirstThenCloses) {
    QStringList searches;
    QObject::connect(c, &RbxCharWindowController::searchPerformed, [&](const QString& t) { searches << t; });
    c->openWindow(c);
    c->searchField()->setText(QStringLiteral("arrow"));
    pressEscape();
    EXPECT_EQ(c->searchField()->text(), QString());
    EXPECT_EQ(searches, QStringList{QString()});
    rbxtest::spinEventLoop(400);
    EXPECT_TRUE(c->isWindowVisible());
    pressEscape();
    EXPECT_TRUE(waitClosed());
    // Escape on a hidden palette is still consumed and changes nothing.
    EXPECT_TRUE(c->closeWithESC());
    EXPECT_FALSE(c->isWindowVisible());
}

TEST_F(Palette, TheCloseButtonHidesTheWindowUnlessASheetIsOn) {
    c->openWindow(c);
    c->window()->close();
    EXPECT_FALSE(c->isWindowVisible());
    EXPECT_TRUE(c->window() != nullptr);
}

TEST_F(Palette, ASheetStopsARunningFadeAndBlocksClosing) {
    c->openWindow(c);
    store->setBool(true, QStringLiteral("animate window"));
    c->fadeOut(0.3f, 0.5f);
    // The fade is under way.
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->windowAlpha() < 1; }, 3000));
    ASSERT_TRUE(c->isWindowVisible());

    auto* sheet = new QDialog;
    int ended = -1;
    EXPECT_EQ(c->sheets().beginSheet(sheet, QStringLiteral("test"), [&](int code) { ended = code; }),
              SheetHost::Begin::Began);
    EXPECT_FALSE(c->fader().isFadeScheduled());
    EXPECT_FLOAT_EQ(c->windowAlpha(), 1);
    EXPECT_TRUE(c->window()->isActivating());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);

    rbxtest::spinEventLoop(500);
    EXPECT_TRUE(c->isWindowVisible());
    c->fadeOut(0, 0);
    c->close();
    c->toggleWindow(nullptr);
    EXPECT_FALSE(c->closeWithESC());  // Escape goes to the sheet
    rbxtest::spinEventLoop(200);
    EXPECT_TRUE(c->isWindowVisible());

    c->closeSheet();
    EXPECT_EQ(ended, 0);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(c->hasSheet());
    EXPECT_FALSE(c->window()->isActivating());
    delete sheet;
}

TEST_F(Palette, ASheetDuringTheFadeInShowsThePaletteWhole) {
    store->setBool(true, QStringLiteral("animate window"));
    c->openWindow(c);
    ASSERT_TRUE(c->fader().isFadingIn());
    QDialog sheet;
    c->sheets().beginSheet(&sheet, QStringLiteral("test"), nullptr);
    EXPECT_FALSE(c->fader().isFadingIn());
    EXPECT_FLOAT_EQ(c->windowAlpha(), 1);
    c->sheets().endSheet(1);
}

TEST_F(Palette, ASecondSheetIsRefusedAndAHiddenPaletteIsShownFirst) {
    store->setBool(true, QStringLiteral("log sheets"));
    kx::LogCapture log;
    QDialog first, second;
    int firstEnded = -1;
    EXPECT_EQ(c->sheets().beginSheet(&first, QStringLiteral("first"), [&](int code) { firstEnded = code; }),
              SheetHost::Begin::Deferred);
    EXPECT_TRUE(c->isWindowVisible());
    EXPECT_TRUE(rbxtest::waitFor([&] { return c->hasSheet(); }));
    EXPECT_EQ(c->sheets().attachedSheetName(), QStringLiteral("first"));
    EXPECT_EQ(c->sheets().beginSheet(&second, QStringLiteral("second"), nullptr), SheetHost::Begin::Refused);
    EXPECT_TRUE(log.contains(QStringLiteral("second blocked")));
    EXPECT_FALSE(second.isVisible());
    // The sheet's own buttons end it as a dialog does.
    first.accept();
    EXPECT_EQ(firstEnded, QDialog::Accepted);
    EXPECT_FALSE(c->hasSheet());
}

TEST_F(Palette, ASheetDestroyedWhileAttachedEndsAsCancelled) {
    c->openWindow(c);
    auto* sheet = new QDialog;
    int ended = -1;
    c->sheets().beginSheet(sheet, QStringLiteral("gone"), [&](int code) { ended = code; });
    delete sheet;
    EXPECT_EQ(ended, 0);
    EXPECT_FALSE(c->hasSheet());
    EXPECT_FALSE(c->window()->isActivating());
}

TEST_F(Palette, OpenCommandReachesTheNamedSheets) {
    QStringList opened;
    QList<QVariantMap> options;
    std::unique_ptr<QDialog> prefs = std::make_unique<QDialog>();
    c->sheets().registerSheet(QStringLiteral("preferences"), [&](const QVariantMap& o) {
        opened << QStringLiteral("preferences");
        options << o;
        c->sheets().beginSheet(prefs.get(), QStringLiteral("preferences"), nullptr);
    });
    c->sheets().registerSheet(QStringLiteral("about"), [&](const QVariantMap&) { opened << QStringLiteral("about"); });

    // Without "sheet" nothing happens.
    c->openViaURL(QUrl(QStringLiteral("runebox://open")));
    EXPECT_FALSE(c->isWindowVisible());

    c->openViaURL(QUrl(QStringLiteral("runebox://open?sheet=PREF&tab=upd")));
    EXPECT_TRUE(c->isWindowVisible());
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->hasSheet(); }));
    EXPECT_EQ(opened, QStringList{QStringLiteral("preferences")});
    EXPECT_EQ(options.value(0).value(QStringLiteral("tab")), QVariant(2));

    // The same sheet again: left as it is.
    c->openViaURL(QUrl(QStringLiteral("runebox://open?sheet=pref")));
    EXPECT_EQ(opened.size(), 1);
    // Another sheet ends the attached one first.
    c->openViaURL(QUrl(QStringLiteral("runebox://open?sheet=about")));
    EXPECT_FALSE(c->hasSheet());
    EXPECT_EQ(opened.last(), QStringLiteral("about"));

    // A sheet that no duty provides: the window alone, and a log line.
    c->sheets().registerSheet(QStringLiteral("contact"), nullptr);
    kx::LogCapture log;
    c->openViaURL(QUrl(QStringLiteral("runebox://open?sheet=contact")));
    EXPECT_TRUE(log.contains(QStringLiteral("no sheet named contact")));
    EXPECT_TRUE(c->isWindowVisible());
}

TEST_F(Palette, SetCommandChoosesTheInsertModeAndSearches) {
    store->setFrontApplication(QStringLiteral("gedit"));
    QStringList searches;
    QObject::connect(c, &RbxCharWindowController::searchPerformed, [&](const QString& t) { searches << t; });
    kx::LogCapture log;
    c->setModeViaURL(QUrl(QStringLiteral("runebox://set?insert=formatted")));
    EXPECT_TRUE(log.contains(QStringLiteral("setModeViaURL:")));
    EXPECT_TRUE(c->isWindowVisible());
    EXPECT_EQ(c->selectedInsertModeSegment(), 1);
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Formatted);

    // A value matching none is refused and changes nothing.
    store->setApplicationInsertMode(InsertMode::Plain);
    const QVariant refused = c->setModeViaURL(QUrl(QStringLiteral("runebox://set?insert=picture&search=x")));
    EXPECT_EQ(refused.value<KXURLRefusal>().reason, QStringLiteral("\"picture\" is no insert mode (plain, formatted or html)"));
    EXPECT_EQ(c->selectedInsertModeSegment(), 1);
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Plain);
    EXPECT_TRUE(searches.isEmpty());

    // Segment 2 stands for the latest special form.
    store->setLatestSpecialInsertMode(InsertMode::Decimal);
    c->setModeViaURL(QUrl(QStringLiteral("runebox://set?insert=html")));
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Decimal);

    c->setModeViaURL(QUrl(QStringLiteral("runebox://set?search=greek%20small")));
    EXPECT_EQ(c->searchField()->text(), QStringLiteral("greek small"));
    EXPECT_EQ(searches, QStringList{QStringLiteral("greek small")});
}

TEST_F(Palette, ClickOutsideClosesOnlyWhenOutsideAndSwitchedOn) {
    c->openWindow(c);
    const QRect frame = c->window()->frameGeometry();
    QCursor::setPos(frame.center());
    c->clickedOutside();
    EXPECT_FALSE(c->fader().isFadeScheduled());

    QCursor::setPos(frame.right() + 20 < 790 ? QPoint(frame.right() + 20, frame.top()) : QPoint(2, 2));
    store->setBool(false, QStringLiteral("click outside closes"));
    c->clickedOutside();
    EXPECT_FALSE(c->fader().isFadeScheduled());
    store->setBool(true, QStringLiteral("click outside closes"));
    c->clickedOutside();
    EXPECT_TRUE(c->fader().isFadeScheduled());
    EXPECT_TRUE(waitClosed());
    // A hidden palette ignores presses.
    c->clickedOutside();
    EXPECT_FALSE(c->fader().isFadeScheduled());
}

TEST_F(Palette, RemembersItsFrameAndRepairsOneOffScreen) {
    c->openWindow(c);
    c->window()->resize(500, 380);
    c->window()->move(60, 40);
    c->frameKeeper().saveFrame();
    const QString text = store->stringForKey(PaletteFrameKeeper::FrameKey);
    EXPECT_TRUE(text.startsWith(QStringLiteral("60 40 500 380 "))) << text.toStdString();

    make();
    EXPECT_EQ(c->window()->pos(), QPoint(60, 40));
    EXPECT_EQ(c->window()->size(), QSize(500, 380));

    // A frame far off every screen comes back onto one.
    store->setString(QStringLiteral("5000 4000 500 380 0 0 800 600"), PaletteFrameKeeper::FrameKey);
    make();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(QRect(c->window()->pos(), c->window()->size()))) << c->window()->pos().x();

    // Damage is logged, and the window starts in the middle of the screen.
    kx::LogCapture log;
    store->setString(QStringLiteral("12 x"), PaletteFrameKeeper::FrameKey);
    make();
    EXPECT_TRUE(log.contains(QStringLiteral("unusable window frame: 12 x")));
    const QRect r(c->window()->pos(), c->window()->size());
    EXPECT_LE(std::abs(r.center().x() - area.center().x()), 2);
    EXPECT_TRUE(RbxPositionLog::shared().positionLog().contains(QStringLiteral("pref: 12 x")));
}

TEST_F(Palette, TracesTheOpeningWhenAskedAndKeepsMenusFromASheet) {
    kx::LogCapture quiet;
    c->openWindow(c);
    EXPECT_FALSE(quiet.contains(QStringLiteral("opening window")));
    c->close();

    store->setBool(true, QStringLiteral("logOpen"));
    kx::LogCapture log;
    c->openWindow(c);
    QString opening, screens;
    for (const QString& line : log.lines()) {
        if (line.startsWith(QStringLiteral("opening window (RbxCharWindowController): {{"))) opening = line;
        if (line.startsWith(QStringLiteral("  screens: {{"))) screens = line;
    }
    EXPECT_FALSE(opening.isEmpty()) << log.lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(screens.isEmpty());

    EXPECT_TRUE(c->validateMenuItem(0));
    EXPECT_TRUE(c->validateMenuItem(1));
    QDialog sheet;
    ASSERT_EQ(c->sheets().beginSheet(&sheet, QStringLiteral("test"), nullptr), SheetHost::Begin::Began);
    EXPECT_FALSE(c->validateMenuItem(0));
    EXPECT_FALSE(c->validateMenuItem(7));
    EXPECT_TRUE(c->validateMenuItem(1));
    c->closeSheet();
    EXPECT_TRUE(c->validateMenuItem(7));
}

TEST(EmergencyReset, KeepsTheOriginWithTheLeastWidthAndHalfTheScreensHeight) {
    const QSize minimum(300, 250);
    EXPECT_EQ(PalettePresenter::emergencyFrame(QRect(10, 20, 5000, 9000), minimum, QRect(0, 0, 1280, 1000)),
              QRect(10, 20, 300, 500));
    // A low screen: never below the least height.
    EXPECT_EQ(PalettePresenter::emergencyFrame(QRect(-40, 7, 900, 900), minimum, QRect(0, 0, 800, 401)),
              QRect(-40, 7, 300, 250));
    EXPECT_EQ(PalettePresenter::emergencyFrame(QRect(0, 0, 10, 10), minimum, QRect(0, 30, 800, 601)).height(), 300);
}

TEST(FrameText, ReadsOnlySoundFrames) {
    const auto f = PaletteFrameKeeper::parseFrameText(QStringLiteral("1 2 300 400 0 0 1280 1000"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->frame, QRect(1, 2, 300, 400));
    EXPECT_EQ(f->screenArea, QRect(0, 0, 1280, 1000));
    EXPECT_EQ(PaletteFrameKeeper::parseFrameText(QStringLiteral("1 2 300 400"))->screenArea, QRect());
    EXPECT_FALSE(PaletteFrameKeeper::parseFrameText(QString()));
    EXPECT_FALSE(PaletteFrameKeeper::parseFrameText(QStringLiteral("1 2 0 400")));
    EXPECT_FALSE(PaletteFrameKeeper::parseFrameText(QStringLiteral("1 2 -5 400")));
    EXPECT_FALSE(PaletteFrameKeeper::parseFrameText(QStringLiteral("1 2 99999999 400")));
    EXPECT_EQ(PaletteFrameKeeper::frameText(QRect(1, 2, 3, 4), QRect(5, 6, 7, 8)), QStringLiteral("1 2 3 4 5 6 7 8"));
}

// Where a router sends its events, counted.
struct RoutedEvents : PaletteEventTarget {
    bool hasSheet() const override { return sheet; }
    void mouseUp(QMouseEvent&) override { ++ups; }
    bool keyDown(QKeyEvent& e) override { return consumesA && e.key() == Qt::Key_A; }
    void deselectCharacter() override { ++deselected; }
    void rebuildLayouts() override { ++rebuilt; }
    int rebuilt = 0, deselected = 0, ups = 0;
    bool sheet = false, consumesA = false;
};

TEST(EventRouter, EscapeWithAltAloneRebuildsTheLayouts) {
    RoutedEvents routed;
    PaletteEventRouter router(routed);
    int& rebuilt = routed.rebuilt;
    int& deselected = routed.deselected;
    int& ups = routed.ups;
    bool& sheet = routed.sheet;
    kx::LogCapture log;
    QKeyEvent altEsc(QEvent::KeyPress, Qt::Key_Escape, Qt::AltModifier, QStringLiteral("\x1b"));
    EXPECT_TRUE(router.route(&altEsc));
    EXPECT_EQ(rebuilt, 1);
    EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("Rebuild layouts"), QStringLiteral("Rebuilt")}));
    QKeyEvent shiftAltEsc(QEvent::KeyPress, Qt::Key_Escape, Qt::AltModifier | Qt::ShiftModifier, QStringLiteral("\x1b"));
    EXPECT_FALSE(router.route(&shiftAltEsc));
    EXPECT_EQ(deselected, 1);
    EXPECT_EQ(rebuilt, 1);
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_FALSE(router.route(&letter));
    EXPECT_EQ(deselected, 1);
    routed.consumesA = true;
    EXPECT_TRUE(router.route(&letter));

    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(router.route(&up));
    sheet = true;
    router.route(&up);
    EXPECT_EQ(ups, 1);
}

TEST(PaletteContent, ShowsTheFontAndItsCount) {
    QWidget w;
    PaletteContent content(&w);
    content.setCurrentFontText(QStringLiteral("Noto Sans"), 3210);
    EXPECT_EQ(content.currentFontLabel()->text(), QStringLiteral("Noto Sans (3210)"));
    auto* view = new RbxCharView(RbxCharViewServices{nullptr, nullptr, nullptr});
    content.setCharView(view);
    EXPECT_EQ(content.charView(), view);
    EXPECT_TRUE(content.contentTabView()->isAncestorOf(view));
    // As wide as the bars need at least.
    EXPECT_GE(w.minimumWidth(), w.layout()->minimumSize().width());
    EXPECT_EQ(w.minimumHeight(), PaletteContent::MinimumHeight);
}

} // namespace
