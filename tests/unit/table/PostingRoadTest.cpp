// The table hands a clicked character down to the insertion road it was made with, in the
// font it shows, and takes the keys back after the insertion while the mouse is inside the
// palette.
#include "TableFixture.h"

#include "common/TestEnvironment.h"
#include "insertion/InsertionFakes.h"
#include "insertion/RbxPoster.h"

TEST_F(TableTest, TheTableViewKeepsTheLogAndGetsTheKeysBackAfterTyping) {
    struct Controller : RbxCharViewController {
        int activations = 0;
        void activateApplication() override { ++activations; }
    };
    auto controller = std::make_shared<Controller>();
    auto system = std::make_shared<FakeSystem>();
    auto poster = std::make_shared<RbxPoster>(system);
    RbxPoster& p = *poster;
    RbxCharView view(RbxCharViewServices{poster, nullptr, nullptr});
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    view.setController(controller);
    view.postCharacter(U'Z', QString());
    ASSERT_EQ(view.insertionLog().size(), 1);
    EXPECT_EQ(&p.insertionLog(), &view.insertionLog());
    // The palette takes the keys again after typing only while the mouse is inside it.
    rbxtest::spinEventLoop(700);
    EXPECT_EQ(controller->activations, 0);
    view.tracking().windowEntered();
    const int afterEnter = controller->activations;
    view.postCharacter(U'Y', QString());
    EXPECT_TRUE(rbxtest::waitFor([&] { return controller->activations > afterEnter; }, 2000));
}

TEST_F(TableTest, TheInsertionLogNamesTheFontTheTableShows) {
    auto system = std::make_shared<FakeSystem>();
    auto poster = std::make_shared<RbxPoster>(system);
    const rbx::Font shown = font();
    makeView(300, 200, shown, {group(QStringLiteral("Letters"), letters(U'A', U'C'), shown)},
             RbxCharViewServices{poster, nullptr, nullptr});
    view->postCharacter(U'B', QString());
    EXPECT_EQ(system->typed, QStringList{QStringLiteral("B")});
    ASSERT_EQ(poster->insertionLog().size(), 1);
    const QStringList entry = poster->insertionLog().first().split(QLatin1Char('\n'));
    ASSERT_EQ(entry.size(), 4);
    EXPECT_NE(entry[1], QStringLiteral("(no font)"));
    EXPECT_TRUE(entry[1].contains(shown.postScriptName())) << entry[1].toStdString();
}
