#pragma once
// A palette of its own for each test: a fresh settings store on the bundle's defaults,
// the palette assembled as the program assembles it, and its window controller loaded
// (animation off unless a test switches it on).

#include "AppFixture.h"

#include "app/FrontApplication.h"
#include "app/PaletteAssembly.h"
#include "app/RbxCharWindowController.h"
#include "app/RbxSearchField.h"
#include "common/TestEnvironment.h"
#include "model/RbxFontInfo.h"
#include "model/RbxNameFilter.h"
#include "platform/x11/X11Session.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>
#include <memory>

// The application in front as a test sets it; counts how often it was asked.
class FakeFrontApplication : public FrontApplication {
public:
    QString frontApplicationName() override {
        ++reads;
        return name;
    }
    KXProcess::Ptr frontProcess() override { return process; }
    QString name;
    KXProcess::Ptr process;
    int reads = 0;
};

class Palette : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        store->setBool(false, QStringLiteral("animate window"));
        make();
    }
    void TearDown() override {
        c = nullptr;
        palette.reset();
        // The search filter is process-wide; a test that searched leaves none behind.
        RbxNameFilter::setFilter(QString());
        RbxFontInfo::flushCachedCharacters();
        AppTest::TearDown();
    }
    void make() {
        c = nullptr;
        palette.reset();
        palette = std::make_unique<PaletteAssembly>(*store, X11Session::shared(), nullptr, &front);
        c = &palette->windowController();
        c->load();
    }
    bool waitClosed(int ms = 3000) { return rbxtest::waitFor([&] { return !c->isWindowVisible(); }, ms); }
    void pressEscape() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        QCoreApplication::sendEvent(c->window()->windowHandle(), &press);
    }

    FakeFrontApplication front;
    std::unique_ptr<PaletteAssembly> palette;
    RbxCharWindowController* c = nullptr;
};
