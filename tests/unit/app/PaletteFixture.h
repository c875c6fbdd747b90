#pragma once
// A palette of its own for each test: a fresh settings store on the bundle's defaults,
// the start-up hooks installed, and a loaded window controller (animation off unless a
// test switches it on).

#include "AppFixture.h"

#include "app/RbxCharWindowController.h"
#include "app/StartupHooks.h"
#include "common/TestEnvironment.h"
#include "model/RbxFontInfo.h"
#include "model/RbxNameFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>
#include <memory>

class Palette : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        startup::installHooks();
        store->setBool(false, QStringLiteral("animate window"));
        make();
    }
    void TearDown() override {
        c.reset();
        // The search filter is process-wide; a test that searched leaves none behind.
        RbxNameFilter::setFilter(QString());
        RbxFontInfo::flushCachedCharacters();
        AppTest::TearDown();
    }
    void make() {
        c.reset();
        c = std::make_unique<RbxCharWindowController>();
        c->load();
    }
    bool waitClosed(int ms = 3000) { return rbxtest::waitFor([&] { return !c->isWindowVisible(); }, ms); }
    void pressEscape() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        QCoreApplication::sendEvent(c->window()->windowHandle(), &press);
    }

    std::unique_ptr<RbxCharWindowController> c;
};

