// What the real runebox program opens to show its palette: the first picture opens only the
// faces it draws, however many fonts are installed; the faces the font list draws its names
// in come after it, and the colour emoji font is made ready when the first emoji shows.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"
#include "common/FiftyFaceFolder.h"

#include <QDBusArgument>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::url;

using Folder = rbxtest::FiftyFaceFolder;

TEST(StartUpLoading, TheFirstPictureOpensOnlyTheFacesItDraws) {
    // Fifty more faces beside the system's; the palette starts with one of them, and the
    // font list beside the table shows them all.
    Folder folder;
    ASSERT_EQ(folder.copied, Folder::Faces);
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                                  QStringLiteral("selectedFont"), Folder::postScriptName(7)}),
              0);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const QVariantMap shown = Copy::state();
    EXPECT_EQ(shown.value(QStringLiteral("font")).toString(), Folder::postScriptName(7));
    EXPECT_GT(shown.value(QStringLiteral("fontRows")).toInt(), Folder::Faces);

    // Up to the first picture, only the table's face: no emoji is in view, and the font list
    // knows the rest from fontconfig's cache.
    EXPECT_LE(shown.value(QStringLiteral("facesOpenedAtStart")).toULongLong(), 1u) << copy.output().toStdString();

    // After it, the list draws the names in view in their own faces.
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        const QVariantMap fonts = qdbus_cast<QVariantMap>(s.value(QStringLiteral("fontRowFonts")));
        for (auto it = fonts.cbegin(); it != fonts.cend(); ++it)
            if (it.value().toString() == it.key()) return true;
        return false;
    })) << "no family in view drawn in its own face";

    // The first emoji in view, in the table of all fonts: the colour emoji font is opened,
    // sized for the cells and draws it in its colours.
    const qulonglong opened = Copy::state().value(QStringLiteral("facesOpened")).toULongLong();
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});  // no cell selected
    ASSERT_EQ(url(QStringLiteral("runebox://pref?view=2")), 0);
    ASSERT_EQ(url(QStringLiteral("runebox://set?search=grinning%20face")), 0);
    QRect cell;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        cell = Copy::cellOf(U'\U0001F600');
        return !cell.isEmpty() && Copy::state().value(QStringLiteral("tableSearch")) == QStringLiteral("grinning face");
    }, 30000)) << copy.output().toStdString();
    // Pictures until the cell shows colour (or 10 s went by).
    int coloured = 0;
    rbxtest::waitFor([&] {
        const QImage shot = x11test::screenshot(QStringLiteral("first-emoji"));
        coloured = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (shot.pixelColor(x, y).hsvSaturationF() > 0.5) ++coloured;
        return coloured > 20;
    }, 10000);
    EXPECT_GT(coloured, 20) << "the emoji is not drawn in colour";
    EXPECT_GT(Copy::state().value(QStringLiteral("facesOpened")).toULongLong(), opened);
}

} // namespace
