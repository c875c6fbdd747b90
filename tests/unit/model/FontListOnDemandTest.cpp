// The font list over the installed fonts (fontconfig) opens no face: families, members,
// collections and the characters of all fonts come from fontconfig's cache. Asking the
// selected family's name never loads the list.
#include "common/FiftyFaceFolder.h"
#include "common/ScopedInstance.h"

#include "model/CharacterNameState.h"
#include "model/RbxFontList.h"
#include "platform/fonts/FontFace.h"
#include "platform/fonts/FontconfigBackend.h"

#include <gtest/gtest.h>

namespace {

using Folder = rbxtest::FiftyFaceFolder;
using rbx::FontFace;

QStringList familyNames(const QList<RbxFontList::FamilyPtr>& families) {
    QStringList names;
    for (const auto& f : families) names << f->name();
    return names;
}

} // namespace

TEST(FontListOnDemand, FamiliesCollectionsAndCharactersOfFiftyFacesOpenNone) {
    Folder folder;
    ASSERT_EQ(folder.copied, Folder::Faces);
    auto backend = std::make_shared<rbx::FontconfigBackend>();
    backend->checkForChanges();
    rbxtest::ScopedInstance<rbx::FontBackend> installed(backend);
    rbxtest::ScopedInstance<RbxFontList> list(std::make_shared<RbxFontList>(backend.get()));
    const std::uint64_t opened = FontFace::facesOpened();

    // The name of the selected family is the palette's font's, not the list's.
    EXPECT_TRUE(rbx::names::currentFamilyName().isEmpty());
    EXPECT_FALSE(list->isLoaded());

    list->reload(QStringLiteral("init"));
    ASSERT_TRUE(list->isLoaded());
    for (int n = 1; n <= Folder::Faces; ++n) {
        const RbxFontList::FamilyPtr family = list->familyNamed(Folder::family(n));
        ASSERT_TRUE(family) << n;
        ASSERT_EQ(family->members().size(), 1);
        EXPECT_EQ(family->members().front().postScriptName(), Folder::postScriptName(n));
        EXPECT_TRUE(family->anyMemberContainsCharacter(Folder::ownLetter(n)));
        EXPECT_FALSE(family->anyMemberContainsCharacter(Folder::ownLetter(n + 1)));
    }
    // Faces 7 and 32 share their Greek letter.
    const QStringList withZeta = familyNames(list->fontFamiliesContainingCharacter(Folder::ownLetter(7)));
    EXPECT_TRUE(withZeta.contains(Folder::family(7)));
    EXPECT_TRUE(withZeta.contains(Folder::family(32)));
    EXPECT_FALSE(withZeta.contains(Folder::family(8)));
    EXPECT_FALSE(list->familyNamesInCollection(RbxFontList::fixedWidthCollection()).contains(Folder::family(1)));
    EXPECT_FALSE(list->familyNamesInCollection(RbxFontList::colorCollection()).contains(Folder::family(1)));
    EXPECT_TRUE(list->familyNamesInCollection(RbxFontList::allFontsCollection()).contains(Folder::family(1)));
    const kx::CharSet& all = list->availableCharactersInAllFonts();
    for (int n = 1; n <= 25; ++n) EXPECT_TRUE(all.contains(Folder::ownLetter(n)));
    EXPECT_EQ(FontFace::facesOpened(), opened) << "the font list opened faces";

    // Selecting a family's font and asking its name opens nothing either.
    list->selectFont(list->familyNamed(Folder::family(3))->members().front());
    EXPECT_EQ(rbx::names::currentFamilyName(), Folder::family(3));
    EXPECT_EQ(FontFace::facesOpened(), opened);
}
