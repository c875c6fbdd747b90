// Elements of another program read through the accessibility service: roles and the
// menu level made for AT-SPI's menus, menu paths both ways, the child cache, actions,
// the focused element, and a program that does not answer.
#include "FakeDesktopAccessibility.h"
#include "common/TestEnvironment.h"
#include "insertion/AXObject.h"

#include <gtest/gtest.h>
#include <QJsonObject>
#include <unistd.h>

namespace {

class AXObjectTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desktop.ready()); }
    AXObject::Ptr app() { return AXObject::applicationObjectForPID(getpid()); }
    AXObject::Ptr menuBar() { return app()->attributeNamed(QStringLiteral("AXMenuBar")); }
    FakeDesktopAccessibility desktop{EditorTree};
};

TEST_F(AXObjectTest, MenusReadAsBarItemsMenusAndItems) {
    const AXObject::Ptr a = app();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->role(), QStringLiteral("AXApplication"));
    EXPECT_EQ(a->processID(), getpid());
    EXPECT_TRUE(AXObject::systemWideObject()->childAtIndex(0)->isEqual(*a));

    const AXObject::Ptr bar = menuBar();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->role(), QStringLiteral("AXMenuBar"));
    ASSERT_EQ(bar->numberOfChildren(), 6);
    const AXObject::Ptr format = bar->childAtIndex(4);
    EXPECT_EQ(format->description(), QStringLiteral("AXMenuBarItem \"Format\""));
    // The bar item's only child is its menu, whose children are the items.
    ASSERT_EQ(format->numberOfChildren(), 1);
    const AXObject::Ptr menu = format->childAtIndex(0);
    EXPECT_EQ(menu->role(), QStringLiteral("AXMenu"));
    EXPECT_EQ(menu->title(), QStringLiteral("Format"));
    EXPECT_TRUE(menu->parent()->isEqual(*format));
    ASSERT_EQ(menu->numberOfChildren(), 2);
    const AXObject::Ptr fontItem = menu->childAtIndex(1);
    EXPECT_EQ(fontItem->description(), QStringLiteral("AXMenuItem \"Font\""));
    const AXObject::Ptr fontMenu = fontItem->childAtIndex(0);
    ASSERT_TRUE(fontMenu);
    EXPECT_EQ(fontMenu->role(), QStringLiteral("AXMenu"));
    const AXObject::Ptr serif = fontMenu->childAtIndex(2);
    EXPECT_EQ(serif->description(), QStringLiteral("AXMenuItem \"DejaVu Serif\""));
    EXPECT_TRUE(serif->parent()->isEqual(*fontMenu));
    EXPECT_TRUE(fontMenu->parent()->isEqual(*fontItem));
    EXPECT_EQ(fontMenu->childAtIndex(3), nullptr);
    EXPECT_EQ(fontMenu->childAtIndex(-1), nullptr);

    // Marks, enabled, paths.
    EXPECT_EQ(serif->stringAttribute(QStringLiteral("AXMenuItemMarkChar")), QStringLiteral("\u2713"));
    EXPECT_EQ(fontMenu->childAtIndex(1)->stringAttribute(QStringLiteral("AXMenuItemMarkChar")), QString());
    EXPECT_TRUE(serif->isEnabled());
    const AXObject::Ptr quit = bar->childAtIndex(0)->childAtIndex(0)->childAtIndex(2);
    EXPECT_EQ(quit->title(), QStringLiteral("Quit"));
    EXPECT_FALSE(quit->isEnabled());
    EXPECT_EQ(serif->menuPath(), QStringLiteral("Format::Font::DejaVu Serif"));
    EXPECT_EQ(serif->menuPathWithPrefix(QStringLiteral("<"), QStringLiteral("/"), QStringLiteral(">")),
              QStringLiteral("<Format/Font/DejaVu Serif>"));
    EXPECT_EQ(menu->childAtIndex(0)->menuPath(), QStringLiteral("Format::Plain Text"));
    EXPECT_EQ(format->menuPath(), QString());  // a bar item has no path of its own

    // Separators inside menus are untitled menu items.
    EXPECT_EQ(bar->childAtIndex(0)->childAtIndex(0)->childAtIndex(1)->role(), QStringLiteral("AXMenuItem"));
}

TEST_F(AXObjectTest, MenuItemsAreFoundByTheirPaths) {
    const AXObject::Ptr a = app();
    const AXObject::Ptr serif = a->menuItemAtPath(QStringLiteral("::Format::Font::DejaVu Serif"));
    ASSERT_TRUE(serif);
    EXPECT_EQ(serif->menuPath(), QStringLiteral("Format::Font::DejaVu Serif"));
    // Three full stops find the item titled with an ellipsis; typographic marks are normalized.
    const AXObject::Ptr open = a->menuItemAtPath(QStringLiteral("File::Open..."));
    ASSERT_TRUE(open);
    EXPECT_EQ(open->title(), QStringLiteral("Open\u2026"));
    EXPECT_TRUE(menuBar()->menuItemAtPath(QStringLiteral("Format::Plain\u00A0Text")));
    EXPECT_FALSE(a->menuItemAtPath(QStringLiteral("Format::Font::Nothing")));
    EXPECT_FALSE(a->menuItemAtPath(QStringLiteral("Nothing::Font")));
    EXPECT_FALSE(a->menuItemAtPath(QStringLiteral("Format::Plain Text::Deeper")));

    EXPECT_EQ(AXObject::normalizedTitleString(QStringLiteral("  \u201CSave\u201D  As...\u2014 \u2018x\u2019  ")),
              QStringLiteral("\"Save\" As\u2026- 'x'"));
}

TEST_F(AXObjectTest, ChildrenAreReadOnceAndUpdated) {
    const AXObject::Ptr edit = menuBar()->childAtIndex(1)->childAtIndex(0);
    ASSERT_EQ(edit->numberOfChildren(), 2);
    const AXObject::Ptr copy = edit->childAtIndex(0);
    EXPECT_EQ(edit->childEntries(), (QStringList{QStringLiteral("AXMenuItem \"Copy\""), AXObject::Placeholder}));

    // Read once: a new item is not seen until the children are updated.
    desktop.app->appendChild(QStringLiteral("Edit"), QJsonObject{{"role", "menu item"}, {"name", "Paste"}});
    EXPECT_EQ(edit->numberOfChildren(), 2);
    EXPECT_TRUE(edit->updateChildren());
    ASSERT_EQ(edit->numberOfChildren(), 3);
    EXPECT_EQ(edit->childAtIndex(0), copy);  // kept
    EXPECT_EQ(edit->childEntries().last(), AXObject::Placeholder);
    EXPECT_EQ(edit->childAtIndex(2)->title(), QStringLiteral("Paste"));
    EXPECT_FALSE(edit->updateChildren());
    desktop.app->removeLastChild(QStringLiteral("Edit"));
    EXPECT_TRUE(edit->updateChildren());
    EXPECT_EQ(edit->numberOfChildren(), 2);

    // Unreadable children count as none, and keep counting so until forgotten.
    const AXObject::Ptr view = menuBar()->childAtIndex(2)->childAtIndex(0);
    desktop.app->setValue(QStringLiteral("View"), QStringLiteral("unreadableChildren"), true);
    EXPECT_EQ(view->numberOfChildren(), 0);
    desktop.app->setValue(QStringLiteral("View"), QStringLiteral("unreadableChildren"), false);
    EXPECT_EQ(view->numberOfChildren(), 0);
    EXPECT_FALSE(view->hasKnownChildren() == false);
    view->forgetChildren();
    EXPECT_FALSE(view->hasKnownChildren());
    EXPECT_EQ(view->numberOfChildren(), 1);
}

TEST_F(AXObjectTest, ActionsFocusAndAttributes) {
    const AXObject::Ptr open = app()->menuItemAtPath(QStringLiteral("File::Open..."));
    ASSERT_TRUE(open);
    EXPECT_TRUE(open->performAction(QStringLiteral("AXPress")));
    EXPECT_EQ(desktop.app->performedActions(), QStringList{QStringLiteral("Open\u2026:click")});
    EXPECT_FALSE(app()->menuItemAtPath(QStringLiteral("Edit::Copy"))->performAction(QStringLiteral("AXPress")));

    const AXObject::Ptr window = app()->attributeNamed(QStringLiteral("AXFocusedWindow"));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->description(), QStringLiteral("AXWindow \"Untitled\""));
    EXPECT_TRUE(window->booleanAttribute(QStringLiteral("AXMain")));
    EXPECT_FALSE(window->booleanAttribute(QStringLiteral("AXModal")));
    EXPECT_EQ(window->stringAttribute(QStringLiteral("AXSubrole")), QStringLiteral("AXStandardWindow"));
    EXPECT_EQ(window->position(), QPoint(100, 100));
    EXPECT_EQ(window->size(), QSize(400, 300));
    const AXObject::Ptr focused = app()->attributeNamed(QStringLiteral("AXFocusedUIElement"));
    ASSERT_TRUE(focused);
    EXPECT_EQ(focused->description(), QStringLiteral("AXTextArea \"document\""));
    const auto attrs = atspi::Client::shared().textAttributesAtCaret(focused->element());
    ASSERT_TRUE(attrs);
    EXPECT_EQ(attrs->value(QStringLiteral("family-name")), QStringLiteral("DejaVu Serif"));

    int n = 0;
    EXPECT_TRUE(window->getIntegerAttribute(QStringLiteral("AXMain"), n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(window->getIntegerAttribute(QStringLiteral("AXTitle"), n));
    EXPECT_EQ(n, -1);
    EXPECT_FALSE(window->getIntegerAttribute(QStringLiteral("AXNothing"), n));
    EXPECT_EQ(window->countOfAttribute(QStringLiteral("AXChildren")), 2);
    EXPECT_EQ(window->countOfAttribute(QStringLiteral("AXTitle")), 0);
    EXPECT_FALSE(window->setAttribute(QStringLiteral("AXSize"), 3));
    EXPECT_FALSE(window->copyMultipleAttributes({QStringLiteral("AXTitle")}));
    EXPECT_EQ(AXObject::objectWithElement(atspi::Ref{}), nullptr);
}

TEST_F(AXObjectTest, AProgramThatDoesNotAnswerIsLeftAlone) {
    const AXObject::Ptr a = app();
    ASSERT_TRUE(a);
    desktop.app->setSilent(true);
    const int before = desktop.app->callCount();
    EXPECT_EQ(a->attributeNamed(QStringLiteral("AXMenuBar")), nullptr);
    EXPECT_TRUE(atspi::Client::shared().isSilenced(desktop.app->service()));
    // After the first call ran out, no further call reaches the program.
    const int after = desktop.app->callCount();
    EXPECT_EQ(after, before + 1);
    EXPECT_EQ(a->title(), QString());
    EXPECT_EQ(a->numberOfChildren(), 0);
    rbxtest::spinEventLoop(50);
    EXPECT_EQ(desktop.app->callCount(), after);
}

} // namespace
