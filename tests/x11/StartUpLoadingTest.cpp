// What the real runebox program opens to show its palette: the first picture opens only the
// faces it draws, however many fonts are installed; the faces the font list draws its names
// in come after it.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/FiftyFaceFolder.h"

#include <QDBusArgument>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;

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

    // Up to the first picture: the table's face and the colour emoji font, which sizes the
    // emoji cells; the font list knows the rest from fontconfig's cache.
    EXPECT_LE(shown.value(QStringLiteral("facesOpenedAtStart")).toULongLong(), 2u) << copy.output().toStdString();

    // After it, the list draws the names in view in their own faces.
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        const QVariantMap fonts = qdbus_cast<QVariantMap>(s.value(QStringLiteral("fontRowFonts")));
        for (auto it = fonts.cbegin(); it != fonts.cend(); ++it)
            if (it.value().toString() == it.key()) return true;
        return false;
    })) << "no family in view drawn in its own face";
}

} // namespace
