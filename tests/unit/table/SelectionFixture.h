#pragma once
// The table's selection, mouse, keys and tracking on the offscreen platform: where the
// mouse is comes from the test (the view's mouse locator), the window controller is a
// recording one.
#include "TableFixture.h"

#include "table/core/RbxGeometry.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

struct RecordingController : RbxCharViewController {
    bool sheet = false;
    bool key = false;
    int activations = 0, deactivations = 0, fadeStops = 0, recentUpdates = 0;
    QList<QPair<double, double>> fades;
    QList<char32_t> marked, info, menusAskedFor;
    QList<int> views;
    int resets = 0, markSelected = 0;
    QPointer<QWidget> search, fonts;
    bool giveMenus = true;
    char32_t marks = 0;
    QList<RbxMenuCommand> offered;
    QList<QPair<RbxMenuCommand, char32_t>> commands;

    bool hasAttachedSheet() const override { return sheet; }
    bool isKeyWindow() const override { return key; }
    void activateApplication() override { ++activations; }
    void deactivateApplication() override { ++deactivations; }
    void fadeOut(double d, double delay) override { fades.append({d, delay}); }
    void stopMouseOutsideFading() override { ++fadeStops; }
    QWidget* searchField() const override { return search; }
    QWidget* fontListView() const override { return fonts; }
    void markFontsContainingCharacter(char32_t c) override {
        marked << c;
        ++markSelected;
    }
    void resetMarkedFonts() override { ++resets; }
    void showInfoForCharacter(char32_t c) override { info << c; }
    void changeViewTo(int v) override { views << v; }
    void updateRecentGroup() override { ++recentUpdates; }
    char32_t markedCharacter() const override { return marks; }
    bool offersCharacterCommand(RbxMenuCommand c) const override { return offered.contains(c); }
    void characterCommand(RbxMenuCommand c, char32_t ch) override { commands.append({c, ch}); }
    std::unique_ptr<QMenu> menu(const QString& title, char32_t c) {
        menusAskedFor << c;
        if (!giveMenus) return nullptr;
        auto m = std::make_unique<QMenu>(title);
        m->addAction(title);
        return m;
    }
    std::unique_ptr<QMenu> contextMenu(char32_t c) override { return menu(QStringLiteral("Runebox"), c); }
    std::unique_ptr<QMenu> skinsMenu(char32_t c) override { return menu(QStringLiteral("skins"), c); }
    std::unique_ptr<QMenu> emojiTextMenu(char32_t c) override { return menu(QStringLiteral("text"), c); }
};

struct RecordingPopover : RbxMagnifierPopover {
    bool shown = false;
    char32_t character = 0;
    QRect cell;
    void show(char32_t c, const rbx::Font&, const QRect& r) override {
        shown = true;
        character = c;
        cell = r;
    }
    void close() override { shown = false; }
    bool isShown() const override { return shown; }
};

// Where the mouse is and which modifier keys are held: the test says.
struct TestPointer : RbxMouseLocator, RbxModifierSource {
    QPoint cursor{-1000, -1000};
    std::uint32_t modifiers = 0;
    QPoint globalMouseLocation() const override { return cursor; }
    std::uint32_t currentModifierFlags() const override { return modifiers; }
};

class Selection : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        controller = std::make_shared<RecordingController>();
        posting = std::make_shared<RecordingPosting>();
        popover = std::make_shared<RecordingPopover>();
        RbxDefaults::userDefaults().setBool(false, QStringLiteral("magnify"));
    }
    void TearDown() override {
        closePopups();
        TableTest::TearDown();
    }

    RbxCharView& make(std::vector<std::shared_ptr<RbxCharGroup>> groups, int w = 400, int h = 300) {
        const rbx::Font f = font();
        if (groups.empty()) groups = {group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)};
        makeView(w, h, f, groups, RbxCharViewServices{posting, pointer, pointer});
        view->setController(controller);
        view->selection().setMagnifierPopover(popover);
        return *view;
    }
    QPoint centre(std::size_t i) const {
        return view->viewportRectFromTable(view->rectForCharacterAtIndex(i)).center().toPoint();
    }
    // Moves the mouse (the view reads the location outside the events, as on screen).
    void moveTo(const QPoint& p, Qt::MouseButtons held = Qt::NoButton) {
        cursor = view->viewport()->mapToGlobal(p);
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(cursor), Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &e);
    }
    void send(QEvent::Type type, const QPoint& p, Qt::MouseButton button, Qt::KeyboardModifiers m = {}) {
        cursor = view->viewport()->mapToGlobal(p);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(p), QPointF(cursor), button, held, m);
        QApplication::sendEvent(view->viewport(), &e);
    }
    void press(const QPoint& p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        send(QEvent::MouseButtonPress, p, b, m);
    }
    void release(const QPoint& p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        send(QEvent::MouseButtonRelease, p, b, m);
    }
    void click(const QPoint& p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        press(p, b, m);
        release(p, b, m);
    }
    bool key(int k, Qt::KeyboardModifiers m = {}, const QString& text = {}) {
        QKeyEvent e(QEvent::KeyPress, k, m, text);
        return view->keys().handleKey(&e);
    }
    QString postedText() const {
        QString s;
        for (const auto& [c, str] : posting->posted) s += QString::fromUcs4(&c, 1);
        return s;
    }
    static void closePopups() {
        while (QWidget* p = QApplication::activePopupWidget()) p->close();
        QApplication::processEvents();
    }

    std::shared_ptr<RecordingController> controller;
    std::shared_ptr<RecordingPosting> posting;
    std::shared_ptr<RecordingPopover> popover;
    std::shared_ptr<TestPointer> pointer = std::make_shared<TestPointer>();
    QPoint& cursor = pointer->cursor;
    std::uint32_t& modifiers = pointer->modifiers;
};

