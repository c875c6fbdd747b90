// The palette reads the installed fonts from fontconfig's cache and opens a face only to
// draw it or read its tables: with a font folder of fifty faces, a search, the font list
// and a scroll through every defined character open few faces, keep fewer open, and the
// search never loads the font list. The real runebox program; the scrolling is the
// mouse wheel through the X server.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/FiftyFaceFolder.h"
#include "platform/fonts/FontFace.h"

#include <QDBusArgument>
#include <QRect>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::url;

using Folder = rbxtest::FiftyFaceFolder;
constexpr int FixtureFaces = Folder::Faces;

qulonglong opened(const QVariantMap& s) { return s.value(QStringLiteral("facesOpened")).toULongLong(); }
int openNow(const QVariantMap& s) { return s.value(QStringLiteral("facesOpen")).toInt(); }

bool searchShown(const QString& text) {
    return Copy::waitForState([&text](const QVariantMap& s) {
        return s.value(QStringLiteral("tableSearch")) == text && s.value(QStringLiteral("tablePaintedNs")).toLongLong() > 0;
    }, 30000);
}

// The font list beside the table is folded away, so that only the searches and the
// debug call read the list.
void foldTheFontListAway() {
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                                  QStringLiteral("fontListWidth"), QStringLiteral("0")}),
              0);
}

TEST(FontsOnDemand, SearchesAndTheFontListOpenOnlyTheFacesTheyDraw) {
    foldTheFontListAway();
    Folder folder;
    ASSERT_EQ(folder.copied, FixtureFaces);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    // Searches, the first one possibly before the names' index is made: each shows its
    // result, opens far fewer faces than the folder holds and leaves the font list alone.
    const QVariantMap before = Copy::state();
    for (const char* text : {"greek capital", "latin capital letter b", "private use", "arrow"}) {
        const QString search = QString::fromLatin1(text);
        ASSERT_EQ(url(QStringLiteral("runebox://set?search=") + QString::fromLatin1(QUrl::toPercentEncoding(search))), 0);
        ASSERT_TRUE(searchShown(search)) << text << copy.output().toStdString();
    }
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'→').isEmpty(); }, 10000)) << "the table did not follow the search";
    const QVariantMap searched = Copy::state();
    EXPECT_LT(opened(searched) - opened(before), qulonglong(FixtureFaces / 2));
    EXPECT_FALSE(searched.value(QStringLiteral("fontListLoaded")).toBool());
    EXPECT_LE(openNow(searched), rbx::FontFace::OpenFaceLimit);

    // The font list knows every face of the folder without opening them.
    const QStringList families = Copy::debugCall(QStringLiteral("FontFamilies")).toStringList();
    for (int n = 1; n <= FixtureFaces; ++n)
        EXPECT_TRUE(families.contains(Folder::family(n))) << n;
    const QVariantMap listed = Copy::state();
    EXPECT_TRUE(listed.value(QStringLiteral("fontListLoaded")).toBool());
    EXPECT_LT(opened(listed) - opened(searched), qulonglong(FixtureFaces / 2));
}

TEST(FontsOnDemand, ScrollingThroughEveryCharacterKeepsFewFacesOpen) {
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                         QStringLiteral("view"), QStringLiteral("3")}),
              0);
    Folder folder;
    ASSERT_EQ(folder.copied, FixtureFaces);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return Copy::shownAndPainted(s) && s.value(QStringLiteral("view")).toInt() == 3;
    })) << copy.output().toStdString();
    const QRect first = Copy::cellOf(U'A');
    ASSERT_FALSE(first.isEmpty()) << "the table of every character does not show A";

    // The wheel over the table, far past Latin, Greek and the symbols the fifty faces and
    // the system's fonts draw.
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(first.center().x()),
                                    QString::number(first.center().y())});
    const QVariantMap before = Copy::state();
    for (int round = 0; round < 6; ++round) {
        ASSERT_EQ(run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("--repeat"),
                                                  QStringLiteral("60"), QStringLiteral("--delay"),
                                                  QStringLiteral("10"), QStringLiteral("5")}),
                  0);
        rbxtest::spinEventLoop(200);
        EXPECT_LE(openNow(Copy::state()), rbx::FontFace::OpenFaceLimit) << "round " << round;
    }
    const QVariantMap scrolled = Copy::state();
    EXPECT_TRUE(Copy::cellOf(U'A').isEmpty()) << "the wheel did not scroll the table";
    EXPECT_GT(scrolled.value(QStringLiteral("tablePaintedNs")).toLongLong(),
              before.value(QStringLiteral("tablePaintedNs")).toLongLong());
    EXPECT_LE(openNow(scrolled), rbx::FontFace::OpenFaceLimit);
}

} // namespace
