// The application controller's launch: the palette opens unless told not to, and the
// application routes the table's keys before the widget that has the keyboard.
#include "AppFixture.h"

#include "app/PaletteAssembly.h"
#include "app/PaletteFrameKeeper.h"
#include "app/RbxCharAppController.h"
#include "app/RbxCharApplication.h"
#include "app/PaletteFocus.h"
#include "app/RbxCharWindowController.h"
#include "common/TestEnvironment.h"
#include "platform/defaults/DefaultsDomain.h"
#include "platform/x11/X11Session.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

class Startup : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        store->setBool(false, QStringLiteral("animate window"));
        palette = std::make_unique<PaletteAssembly>(*store, X11Session::shared(), nullptr);
    }
    void TearDown() override {
        palette.reset();
        AppTest::TearDown();
    }
    std::unique_ptr<PaletteAssembly> palette;
};

TEST_F(Startup, OpensThePaletteOnce) {
    RbxCharAppController& app = palette->application();
    app.finishLaunching();
    ASSERT_TRUE(app.windowController());
    EXPECT_EQ(RbxCharWindowController::windowController(), app.windowController());
    EXPECT_TRUE(app.windowController()->isWindowVisible());

    // A second call changes nothing; a reopen shows a palette closed meanwhile.
    app.windowController()->close();
    app.finishLaunching();
    EXPECT_FALSE(app.windowController()->isWindowVisible());
    app.applicationShouldHandleReopen();
    EXPECT_TRUE(app.windowController()->isWindowVisible());
}

TEST_F(Startup, SuppressOpeningKeepsThePaletteClosed) {
    store->setBool(true, QStringLiteral("suppressOpening"));
    RbxCharAppController& app = palette->application();
    app.finishLaunching();
    rbxtest::spinEventLoop(100);
    EXPECT_FALSE(app.windowController()->isWindowVisible());
}

TEST_F(Startup, ShutDownWritesTheSettingsWithThePalettesFrame) {
    const QString file = platform::DefaultsDomain::pathForDomain(domain);
    QFile::remove(file);
    RbxCharAppController& app = palette->application();
    app.finishLaunching();
    app.windowController()->window()->move(70, 50);
    app.applicationShouldTerminate();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(PaletteFrameKeeper::FrameKey));
    EXPECT_TRUE(text.contains(QStringLiteral("70 50 "))) << text.toStdString();
}

TEST_F(Startup, TheTablesKeysComeBeforeTheFocusedWidgetUnlessASheetIsOn) {
    RbxCharAppController& app = palette->application();
    app.finishLaunching();
    RbxCharWindowController* wc = app.windowController();
    PaletteEventRouter& router = palette->router();

    // Ctrl+1..4 switch the view (Ctrl+1 to the table of every character) and Ctrl+R
    // resets the marked fonts, wherever the keyboard is; plain letters go on to the search
    // field.
    QKeyEvent view2(QEvent::KeyPress, Qt::Key_1, Qt::ControlModifier, QStringLiteral("1"));
    QKeyEvent resetMarks(QEvent::KeyPress, Qt::Key_R, Qt::ControlModifier, QStringLiteral("\x12"));
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier, QStringLiteral("r"));
    EXPECT_TRUE(router.route(&view2));
    EXPECT_TRUE(router.route(&resetMarks));
    EXPECT_FALSE(router.route(&letter));

    // A text field with the keyboard keeps Ctrl+C and the other editing keys; the views
    // switch all the same.
    QLineEdit field;
    field.show();
    QApplication::setActiveWindow(&field);
    field.setFocus();
    ASSERT_TRUE(rbxtest::waitFor([&] { return QApplication::focusWidget() == &field; }));
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
    EXPECT_FALSE(router.route(&copy));
    EXPECT_FALSE(router.route(&resetMarks));
    EXPECT_TRUE(router.route(&view2));
    field.hide();
    field.clearFocus();
    QApplication::setActiveWindow(nullptr);
    ASSERT_TRUE(rbxtest::waitFor([&] { return QApplication::focusWidget() == nullptr; }));
    EXPECT_TRUE(router.route(&copy));

    // With a sheet on, every key is the sheet's; a sheet that leaves the keyboard where it
    // is does not change who holds it.
    const bool activating = wc->window()->isActivating();
    const PaletteFocus::Hold hold = wc->focus().hold();
    QDialog sheet;
    ASSERT_EQ(wc->sheets().beginSheet(&sheet, QStringLiteral("shapeFinder"), nullptr, SheetHost::Keyboard::Leaves),
              SheetHost::Begin::Began);
    EXPECT_EQ(wc->window()->isActivating(), activating);
    EXPECT_EQ(wc->focus().hold(), hold);
    EXPECT_FALSE(router.route(&view2));
    EXPECT_FALSE(router.route(&resetMarks));
    wc->closeSheet();
    EXPECT_TRUE(router.route(&view2));
}

} // namespace
