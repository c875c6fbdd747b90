// The palette's menu button of the real runebox program, used with the pointer of the X
// server: its menu opens About, the preferences and the contact sheet, and the user's
// guide through the desktop's opener.
#include "FakeOpener.h"
#include "SheetDriving.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace x11test;

const QPoint awayFromThePalette(1100, 80);

} // namespace

TEST(ProgramMenu, ThePalettesMenuButtonOpensEachSheetAndTheGuide) {
    FakeOpener opener;
    pointTo(awayFromThePalette);
    Copy copy({}, opener.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    ASSERT_TRUE(clickControl(QStringLiteral("programMenuButton")));
    QStringList titles;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        titles.clear();
        for (const MenuItem& i : menuItems())
            if (!i.title.isEmpty()) titles.append(i.title);
        return !titles.isEmpty();
    }, 10000)) << copy.output().toStdString();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Close Palette"), QStringLiteral("About Runebox"),
                                   QStringLiteral("Runebox Help"), QStringLiteral("Preferences…"),
                                   QStringLiteral("Import Favorites…"), QStringLiteral("Export Favorites…"),
                                   QStringLiteral("Contact and Support…"), QStringLiteral("Quit Runebox")}));
    pressKey(QStringLiteral("Escape"));
    ASSERT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000));

    const struct {
        QString item, sheet, closeButton;
    } sheets[] = {
        {QStringLiteral("About Runebox"), QStringLiteral("about"), QStringLiteral("aboutOKButton")},
        {QStringLiteral("Preferences…"), QStringLiteral("preferences"), QStringLiteral("preferencesCancelButton")},
        {QStringLiteral("Contact and Support…"), QStringLiteral("contact"), QStringLiteral("closeContactButton")},
    };
    for (const auto& s : sheets) {
        ASSERT_TRUE(chooseFromProgramMenu(s.item)) << s.item.toStdString();
        ASSERT_TRUE(waitForSheet(s.sheet)) << s.item.toStdString() << copy.output().toStdString();
        ASSERT_TRUE(clickControl(s.closeButton));
        ASSERT_TRUE(waitForSheet(QString())) << s.item.toStdString();
        EXPECT_TRUE(Copy::visible(Copy::state()));
    }

    ASSERT_TRUE(chooseFromProgramMenu(QStringLiteral("Runebox Help")));
    const QStringList opened = opener.opened(1);
    ASSERT_EQ(opened.size(), 1) << copy.output().toStdString();
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral("/Runebox User's Guide.html"))) << opened[0].toStdString();
    EXPECT_TRUE(QFile::exists(opened[0]));
}
