// The installed faces come from fontconfig's cache with their coverage; a face is opened
// only for its glyphs and tables, and closed again beyond the most recently used ones.
#include "common/FiftyFaceFolder.h"
#include "core/ByteReader.h"
#include "core/Log.h"
#include "platform/fonts/FontFace.h"
#include "platform/fonts/FontconfigBackend.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using rbx::FontFace;

using Folder = rbxtest::FiftyFaceFolder;
constexpr int Faces = Folder::Faces;

TEST(FacesOnDemand, aFolderOfFiftyFacesIsListedWithItsCoverageAndOpenedOnlyForGlyphs) {
    Folder folder;
    ASSERT_EQ(folder.copied, Faces);
    rbx::FontconfigBackend backend;
    backend.checkForChanges();
    const std::uint64_t openedBefore = FontFace::facesOpened();

    // Listing: names, file, style and coverage, all from the cache.
    const QList<rbx::FaceInfo> faces = backend.faces();
    for (int n = 1; n <= Faces; ++n) {
        const std::optional<rbx::FaceInfo> info = backend.faceInfo(Folder::postScriptName(n));
        ASSERT_TRUE(info) << n;
        EXPECT_EQ(info->family, Folder::family(n));
        EXPECT_TRUE(info->file.endsWith(Folder::postScriptName(n) + QStringLiteral(".ttf")));
        EXPECT_EQ(info->weight, 400);
        EXPECT_FALSE(info->italic);
        EXPECT_FALSE(info->color);
        ASSERT_TRUE(info->coverage) << n;
        EXPECT_TRUE(info->coverage->contains('A'));
        EXPECT_TRUE(info->coverage->contains(Folder::ownLetter(n)));
        EXPECT_FALSE(info->coverage->contains(Folder::ownLetter(n + 1)));
        EXPECT_FALSE(info->coverage->contains('D'));
        EXPECT_EQ(info->coverage->count(), 5u);
        const std::shared_ptr<const FontFace> face = backend.face(Folder::postScriptName(n));
        ASSERT_TRUE(face);
        EXPECT_EQ(face->familyName(), info->family);
        EXPECT_TRUE(face->covers(Folder::ownLetter(n)));
        EXPECT_FALSE(face->covers('D'));
        kx::CharSet covered;
        face->addCoveredCharactersTo(covered);
        EXPECT_EQ(covered.numberOfCharacters(), 5u);
        EXPECT_FALSE(face->isOpen());
    }
    EXPECT_GT(faces.size(), Faces);
    EXPECT_EQ(FontFace::facesOpened(), openedBefore) << "listing the fonts opened faces";

    // Glyphs open the face; beyond the most recent ones faces are closed again and
    // opened anew when next asked.
    const std::shared_ptr<const FontFace> first = backend.face(Folder::postScriptName(1));
    const std::uint32_t glyphOfA = first->nominalGlyph('A');
    EXPECT_NE(glyphOfA, 0u);
    EXPECT_TRUE(first->isOpen());
    EXPECT_EQ(FontFace::facesOpened(), openedBefore + 1);
    for (int n = 2; n <= Faces; ++n) {
        const std::shared_ptr<const FontFace> face = backend.face(Folder::postScriptName(n));
        EXPECT_NE(face->nominalGlyph(Folder::ownLetter(n)), 0u) << n;
        EXPECT_EQ(face->nominalGlyph('D'), 0u) << n;
        EXPECT_LE(FontFace::facesOpenNow(), FontFace::OpenFaceLimit);
    }
    EXPECT_EQ(FontFace::facesOpened(), openedBefore + Faces);
    EXPECT_FALSE(first->isOpen());
    EXPECT_EQ(first->nominalGlyph('A'), glyphOfA);
    EXPECT_TRUE(first->isOpen());
    EXPECT_EQ(first->glyphCount(), 6);
    EXPECT_TRUE(first->hasTable(kx::fourCC("cmap")));
}

TEST(FacesOnDemand, aListedFaceWhoseFileWentAwayHasNoGlyphsAndIsReportedOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone.ttf"));
    ASSERT_TRUE(QFile::copy(rbxtest::testData(QStringLiteral("fonts/fifty/RbxFifty07-Regular.ttf")), path));
    rbx::FaceInfo info;
    info.postScriptName = Folder::postScriptName(7);
    info.family = Folder::family(7);
    info.file = path;
    const std::shared_ptr<const FontFace> face = FontFace::fromInfo(info);
    ASSERT_TRUE(face);
    EXPECT_EQ(face->postScriptName(), Folder::postScriptName(7));
    EXPECT_EQ(face->fullName(), Folder::family(7));
    ASSERT_TRUE(QFile::remove(path));

    kx::LogCapture log;
    EXPECT_EQ(face->nominalGlyph('A'), 0u);
    EXPECT_TRUE(face->tableTags().isEmpty());
    EXPECT_FALSE(face->table(kx::fourCC("cmap")));
    EXPECT_TRUE(face->shape(QStringLiteral("AB")).isEmpty());
    EXPECT_TRUE(face->coveredCharacters().isEmpty());
    EXPECT_FALSE(face->isOpen());
    EXPECT_EQ(log.lines().filter(QStringLiteral("cannot open the font RbxFifty07-Regular")).size(), 1)
        << log.lines().join(QLatin1Char('\n')).toStdString();

    // No file at all: no face.
    info.file.clear();
    EXPECT_FALSE(FontFace::fromInfo(info));
}

// The faces standing in for a face's missing characters are fontconfig's order for its
// family, listed from the cache without opening any; closing the unused faces leaves the
// bytes handed out readable.
TEST(FacesOnDemand, substitutesComeInFontconfigsOrderWithoutOpeningFaces) {
    Folder folder;
    ASSERT_EQ(folder.copied, Faces);
    rbx::FontconfigBackend backend;
    backend.checkForChanges();
    FontFace::closeUnusedFaces();
    const std::uint64_t openedBefore = FontFace::facesOpened();
    const int openBefore = FontFace::facesOpenNow();

    const int objectsBefore = FontFace::facesAlive();
    const rbx::FaceSubstitutes substitutes = backend.substitutesFor(Folder::postScriptName(1));
    EXPECT_EQ(FontFace::facesOpened(), openedBefore) << "listing the substitutes opened faces";
    EXPECT_EQ(FontFace::facesAlive(), objectsBefore) << "listing the substitutes made face objects";
    ASSERT_GT(substitutes.size(), Faces - 1);
    QStringList names;
    for (qsizetype i = 0; i < substitutes.size(); ++i) names << substitutes.postScriptName(i);
    EXPECT_FALSE(names.contains(Folder::postScriptName(1)));
    EXPECT_EQ(names.removeDuplicates(), 0);
    for (int n = 2; n <= Faces; ++n) EXPECT_TRUE(names.contains(Folder::postScriptName(n))) << n;
    EXPECT_TRUE(backend.substitutesFor(QStringLiteral("NoSuchFace-Regular")).isEmpty());

    // Of the folder's faces, the other one with face 1's own letter is face 26 (the letters
    // repeat after 25); asking the coverage makes no face object, asking the face one.
    qsizetype own = -1;
    for (qsizetype i = 0; i < substitutes.size() && own < 0; ++i)
        if (names.at(i).startsWith(QStringLiteral("RbxFifty")) && substitutes.covers(i, Folder::ownLetter(1))) own = i;
    ASSERT_GE(own, 0);
    EXPECT_EQ(names.at(own), Folder::postScriptName(26));
    // Finding the next substitute with a character asks only those whose recorded
    // characters reach its page, and answers what asking each in turn answers.
    for (const char32_t c : {Folder::ownLetter(1), char32_t('A'), char32_t(0x10FFFD)}) {
        std::vector<qsizetype> covering, found;
        for (qsizetype i = 0; i < substitutes.size(); ++i)
            if (substitutes.covers(i, c)) covering.push_back(i);
        for (qsizetype i = substitutes.nextCovering(c); i >= 0; i = substitutes.nextCovering(c, i + 1)) found.push_back(i);
        EXPECT_EQ(found, covering) << unsigned(c);
    }
    EXPECT_EQ(substitutes.nextCovering('A', substitutes.size()), -1);
    EXPECT_EQ(substitutes.facesMade(), 0);
    EXPECT_EQ(FontFace::facesAlive(), objectsBefore);
    const std::shared_ptr<const FontFace> ownFace = substitutes.face(own);
    ASSERT_TRUE(ownFace);
    EXPECT_EQ(ownFace->postScriptName(), Folder::postScriptName(26));
    EXPECT_EQ(ownFace, backend.face(Folder::postScriptName(26))) << "the backend's face is shared";
    EXPECT_EQ(substitutes.face(own), ownFace);
    EXPECT_EQ(substitutes.facesMade(), 1);
    EXPECT_EQ(backend.substitutesFor(Folder::postScriptName(1)).facesMade(), 1) << "copies share the faces made";
    EXPECT_EQ(FontFace::facesOpened(), openedBefore);

    const FontFace::Bytes bytes = ownFace->bytes();
    ASSERT_NE(bytes.data, nullptr);
    EXPECT_EQ(QByteArray(bytes.data, 4), QByteArray("\x00\x01\x00\x00", 4));
    EXPECT_TRUE(ownFace->isOpen());
    const int mappings = FontFace::fileMappingsNow();
    FontFace::closeUnusedFaces();
    EXPECT_FALSE(ownFace->isOpen());
    EXPECT_LE(FontFace::facesOpenNow(), openBefore);
    EXPECT_EQ(FontFace::fileMappingsNow(), mappings) << "the bytes handed out went with the face";
    EXPECT_EQ(QByteArray(bytes.data, 4), QByteArray("\x00\x01\x00\x00", 4));
}
